//
// PidFile.h
//
// Library: LoRaWANServer_App
// Package: Application
// Module:  PidFile
//
// Definition of the PidFile class: the file named by --pidfile.
//

#ifndef LoRaWANServer_PidFile_INCLUDED
#define LoRaWANServer_PidFile_INCLUDED

#include <string>

class PidFile
/// The process id file of a supervisor: names this process while it is the
/// running instance.
///
/// It is written only once the instance check has passed, so that a refused
/// start never touches the file of the instance that runs, and it goes
/// however the process ends: with the object, and before the process ends
/// itself through Zel::Utility::ProcessExit (a configuration file that is no
/// JSON object), which runs no destructor. One PidFile at a time.
{
public:
    explicit PidFile(const std::string& path);
    /// Writes the own process id and a line end to path (never through a
    /// symbolic link). Throws Poco::CreateFileException when it cannot.

    ~PidFile();
    /// Removes the file, unless it names another process by now.

    PidFile(const PidFile&) = delete;
    PidFile& operator=(const PidFile&) = delete;

private:
    [[noreturn]] static void removeAndExit(int status);
};

#endif // LoRaWANServer_PidFile_INCLUDED
