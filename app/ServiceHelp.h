//
// ServiceHelp.h
//
// Library: LoRaWANServer_App
// Package: Application
// Module:  ServiceHelp
//
// Definition of the ServiceHelp class: the answers to --help and --version.
//

#ifndef LoRaWANServer_ServiceHelp_INCLUDED
#define LoRaWANServer_ServiceHelp_INCLUDED

#include <Poco/Util/OptionSet.h>

#include <ostream>
#include <string>

class ServiceHelp
/// What the service says about itself on the command line. Nothing here
/// touches the concentrator, the instance lock, the socket or the log file.
{
public:
    static void writeHelp(std::ostream& out, const Poco::Util::OptionSet& options,
                          const std::string& command);
    /// Writes the usage line, what the service does, every option of options
    /// (through Poco::Util::HelpFormatter), the environment it reads, the
    /// files and the socket it uses, and its exit statuses.

    static void writeVersion(std::ostream& out, const std::string& command);
    /// Writes the service's version and the concentrator it was built with:
    /// the real HAL or the simulated concentrator, with the HAL's version text.

    static void writeHelpHint(std::ostream& out, const std::string& command);
    /// Writes the line that points a refused command line at --help.
};

#endif // LoRaWANServer_ServiceHelp_INCLUDED
