//
// ListenOptions.h
//
// Library: LoRaWANServer_Listen
// Package: Listen
// Module:  ListenOptions
//
// Definition of the ListenOptions class, the command line of lorawan-listen.
//

#ifndef LoRaWANListen_ListenOptions_INCLUDED
#define LoRaWANListen_ListenOptions_INCLUDED

#include "contract/ConsumerContract.h"
#include "tools/listen/ListenConstants.h"
#include "tools/listen/Statistics.h"

#include <cstdint>
#include <string>
#include <vector>

namespace LoRaWANListen
{

struct ListenOptions
/// What the command line asks for. Every option also takes the form
/// --name=value.
{
    enum class Format
    {
        Auto,  /// Table when standard output is a terminal, JSON otherwise.
        Table, /// One aligned line per packet.
        Json   /// Each document unchanged, one per line.
    };

    static ListenOptions parse(const std::vector<std::string>& arguments);
    /// Reads the arguments (without the program name). Throws
    /// Poco::InvalidArgumentException, with a message naming the option, for an
    /// unknown option, a missing value or a value out of range.

    static std::string usage();
    /// Returns the --help text.

    std::string socketPath = LoRaWANServer::ConsumerContract::SOCKET_PATH; /// Where to listen.
    unsigned socketMode = DEFAULT_SOCKET_MODE; /// Permission bits of the socket file.
    Format format = Format::Auto;
    std::uint64_t count = 0;         /// Frames after which to exit; 0 for no limit.
    double timeoutSeconds = 0;       /// Seconds after which to give up; 0 for none.
    bool stats = false;              /// Print the statistics at exit.
    double statsIntervalSeconds = 0; /// Also print them this often; 0 for never.
    LatencyMode latency = LatencyMode::Auto;
    bool help = false;    /// Print usage() and exit.
    bool version = false; /// Print the version and exit.
};

} // namespace LoRaWANListen

#endif // LoRaWANListen_ListenOptions_INCLUDED
