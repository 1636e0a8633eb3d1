//
// ConfigDiscovery.h
//
// Library: LoRaWANServer_Worker
// Package: Configuration
// Module:  ConfigDiscovery
//
// Definition of the ConfigDiscovery class: which configuration files the
// service reads, and in which order.
//

#ifndef LoRaWANServer_ConfigDiscovery_INCLUDED
#define LoRaWANServer_ConfigDiscovery_INCLUDED

#include <string>
#include <vector>

namespace LoRaWANServer
{

class ConfigDiscovery
/// The three configuration files below the folder named by MIREL_RUN and
/// their precedence: a readable debug file alone; otherwise the global file,
/// then the local one, whichever of them is readable. The service and the
/// configuration check choose their files here alike.
{
public:
    enum Role
    {
        ROLE_DEBUG,
        ROLE_GLOBAL,
        ROLE_LOCAL
    };

    struct File
    /// A file to parse.
    {
        Role role;
        std::string path;
        std::string announcement;
        /// The log line that says the file was found, without its time stamp.
    };

    ConfigDiscovery();
    /// Builds the global, local and debug paths, in this order, each the
    /// value of MIREL_RUN followed directly by the file's suffix (nothing is
    /// added or normalised).
    /// Throws Poco::NotFoundException when MIREL_RUN is not set.

    std::vector<File> chooseFiles() const;
    /// Returns the files to parse, in order, as their readability is now;
    /// none when no file is readable.

    std::string missingFilesText() const;
    /// Returns the error text for no readable file, naming the three paths
    /// (global, local, debug), without a time stamp.

    static const char* roleName(Role role);
    /// Returns "debug", "global" or "local".

private:
    std::string _globalPath;
    std::string _localPath;
    std::string _debugPath;
};

} // namespace LoRaWANServer

#endif // LoRaWANServer_ConfigDiscovery_INCLUDED
