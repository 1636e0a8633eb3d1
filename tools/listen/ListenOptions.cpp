//
// ListenOptions.cpp
//
// Implementation of the ListenOptions class.
//

#include "tools/listen/ListenOptions.h"

#include <Poco/Exception.h>

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace LoRaWANListen
{

namespace
{

// Long enough for any real run, short enough that microseconds fit easily;
// the least is a millisecond so that an interval never rounds down to nothing.
const double MIN_SECONDS = 1e-3;
const double MAX_SECONDS = 1e9;
const int OCTAL_BASE = 8;
const std::uint32_t MICROSECONDS_PER_SECOND = 1000000;

[[noreturn]] void refuse(const std::string& option, const std::string& reason)
{
    throw Poco::InvalidArgumentException(option + ": " + reason, 0);
}

std::uint64_t parseCount(const std::string& option, const std::string& text)
{
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    if (text.empty() || result.ec != std::errc() || result.ptr != end || value == 0)
    {
        refuse(option, "expects a whole number of at least 1, not \"" + text + "\"");
    }
    return value;
}

double parseSeconds(const std::string& option, const std::string& text)
{
    char* end = nullptr;
    const double value = text.empty() ? 0 : std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size() || !std::isfinite(value) || value < MIN_SECONDS ||
        value > MAX_SECONDS)
    {
        refuse(option, "expects a number of seconds from 0.001, not \"" + text + "\"");
    }
    return value;
}

unsigned parseMode(const std::string& option, const std::string& text)
{
    unsigned value = 0;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value, OCTAL_BASE);
    if (text.empty() || result.ec != std::errc() || result.ptr != end || value > MAX_SOCKET_MODE)
    {
        refuse(option, "expects octal permission bits from 0 to 0777, not \"" + text + "\"");
    }
    return value;
}

ListenOptions::Format parseFormat(const std::string& option, const std::string& text)
{
    if (text == "table")
    {
        return ListenOptions::Format::Table;
    }
    if (text == "json")
    {
        return ListenOptions::Format::Json;
    }
    refuse(option, "expects table or json, not \"" + text + "\"");
}

LatencyMode parseLatency(const std::string& option, const std::string& text)
{
    if (text == "auto")
    {
        return LatencyMode::Auto;
    }
    if (text == "on")
    {
        return LatencyMode::On;
    }
    if (text == "off")
    {
        return LatencyMode::Off;
    }
    refuse(option, "expects auto, on or off, not \"" + text + "\"");
}

} // namespace

ListenOptions ListenOptions::parse(const std::vector<std::string>& arguments)
{
    ListenOptions options;
    for (std::size_t index = 0; index < arguments.size(); ++index)
    {
        std::string name = arguments[index];
        std::string value;
        bool hasValue = false;
        const std::size_t equals = name.find('=');
        if (name.compare(0, 2, "--") == 0 && equals != std::string::npos)
        {
            value = name.substr(equals + 1);
            name.erase(equals);
            hasValue = true;
        }
        auto takeValue = [&]() -> const std::string&
        {
            if (!hasValue)
            {
                if (index + 1 >= arguments.size())
                {
                    refuse(name, "needs a value");
                }
                value = arguments[++index];
                hasValue = true;
            }
            return value;
        };
        auto refuseValue = [&]()
        {
            if (hasValue)
            {
                refuse(name, "takes no value");
            }
        };

        if (name == "--help" || name == "-h")
        {
            refuseValue();
            options.help = true;
        }
        else if (name == "--version")
        {
            refuseValue();
            options.version = true;
        }
        else if (name == "--socket")
        {
            options.socketPath = takeValue();
            if (options.socketPath.empty())
            {
                refuse(name, "expects a path");
            }
        }
        else if (name == "--mode")
        {
            options.socketMode = parseMode(name, takeValue());
        }
        else if (name == "--format")
        {
            options.format = parseFormat(name, takeValue());
        }
        else if (name == "--count")
        {
            options.count = parseCount(name, takeValue());
        }
        else if (name == "--timeout")
        {
            options.timeoutSeconds = parseSeconds(name, takeValue());
        }
        else if (name == "--stats")
        {
            refuseValue();
            options.stats = true;
        }
        else if (name == "--stats-interval")
        {
            options.statsIntervalSeconds = parseSeconds(name, takeValue());
            options.stats = true;
        }
        else if (name == "--latency")
        {
            options.latency = parseLatency(name, takeValue());
        }
        else
        {
            refuse(name, "unknown option (see --help)");
        }
    }
    return options;
}

std::string ListenOptions::usage()
{
    return std::string(R"(Usage: lorawan-listen [OPTION]...
Listens on the Unix-domain stream socket to which lorawanserver forwards the
packets it receives, and shows every packet: one JSON document per frame, each
frame ended by a form feed (0x0C). Connections are served one after another,
since the service connects again after a failure.

Options:
  --socket PATH         listen on PATH (default /dev/shm/LoRaWANGatewayUnixSocket).
                        A socket file left there by a listener that is gone is
                        removed first. A live listener on PATH, or a file there
                        that is not a socket, is an error and is left alone. The
                        socket file is removed at exit, also after SIGINT, SIGTERM
                        or SIGHUP.
  --mode OCTAL          permission bits of the socket file (default 0660: owner
                        and group may connect, others may not). Connecting needs
                        write permission; the bits are set before the first
                        connection can be accepted.
  --format table|json   table: one aligned line per packet (local time, MHz, IF
                        and RF chain, modulation, coding rate, RSSI, SNR, CRC,
                        size, and for LoRa the LoRaWAN message type, DevAddr,
                        FCnt and FPort) below a header row, which a terminal
                        shows again every screenful; json: each document
                        unchanged, one per line (for jq). Default: table on a
                        terminal, json otherwise.
  --count N             exit with status 0 after N frames (valid or not).
  --timeout S           exit with status 3 after S seconds (fractions allowed)
                        unless --count frames have arrived before.
  --stats               print statistics to standard error at exit: frames,
                        valid and invalid documents, packets per IF chain, CRC
                        ok/bad/none, connections, oversize and unfinished
                        frames, elapsed time and frames per second from the
                        first to the last frame, and latency p50/p99/max.
  --stats-interval S    print them also every S seconds (implies --stats).
  --latency auto|on|off how to measure latency, the arrival time minus the
                        packet's count_us, both taken as the low 32 bits of
                        this machine's CLOCK_MONOTONIC in microseconds (the
                        simulated concentrator stamps count_us so; a real
                        concentrator's counter is unrelated to this clock).
                        auto (default): a packet counts only if its count_us
                        lies less than )" +
                       std::to_string(LATENCY_PLAUSIBILITY_WINDOW_US / MICROSECONDS_PER_SECOND) +
                       R"( s in the past; on: every packet
                        counts; off: no latency.
  --version             show the version and exit.
  --help                show this text and exit.

Standard output carries only packets; reports of invalid frames and the
statistics go to standard error. Output is flushed per packet on a terminal,
and otherwise whenever the tool waits for more input.

Exit status: 0 after --count frames, SIGINT, SIGTERM, SIGHUP or when the
reader of standard output goes away; 1 when the socket cannot be set up or on
a run-time failure; 2 for a bad command line; 3 when --timeout runs out.
)");
}

} // namespace LoRaWANListen
