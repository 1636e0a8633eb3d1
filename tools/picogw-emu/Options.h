//
// Options.h
//
// Definition of the Options struct: the emulator's command line.
//

#ifndef PicoGwEmu_Options_INCLUDED
#define PicoGwEmu_Options_INCLUDED

#include <string>

namespace PicoGwEmu
{

struct Options
/// What the command line asks for.
{
    std::string linkPath;    ///< --link PATH: symbolic link to the device
    std::string packetFile;  ///< --packets FILE: packets queued at start
    std::string controlPath; ///< --control PATH: socket for injecting packets
    std::string injectPath;  ///< --inject PATH: act as a client of that socket
    bool verbose = false;    ///< --verbose: trace every command
    bool help = false;       ///< --help

    static Options parse(int argc, const char* const argv[]);
    /// Returns the options of the command line (argv[0] is the program).
    /// Throws Poco::InvalidArgumentException for an unknown option, a missing
    /// value, a repeated option, a positional argument, or --inject combined
    /// with the emulator's own options.

    static std::string usage();
    /// Returns the help text.
};

} // namespace PicoGwEmu

#endif // PicoGwEmu_Options_INCLUDED
