//
// Options.cpp
//
// Implementation of the Options struct.
//

#include "tools/picogw-emu/Options.h"

#include <Poco/Exception.h>
#include <Poco/Format.h>

namespace PicoGwEmu
{

namespace
{

void takeValue(std::string& target, const std::string& option, int& index, int argc, const char* const argv[])
{
    if (index + 1 >= argc)
        throw Poco::InvalidArgumentException(Poco::format("%s needs a value", option));
    if (!target.empty())
        throw Poco::InvalidArgumentException(Poco::format("%s given twice", option));
    target = argv[++index];
    if (target.empty())
        throw Poco::InvalidArgumentException(Poco::format("%s needs a non-empty value", option));
}

} // namespace

Options Options::parse(int argc, const char* const argv[])
{
    Options options;
    for (int i = 1; i < argc; ++i)
    {
        const std::string argument = argv[i];
        if (argument == "--link")
            takeValue(options.linkPath, argument, i, argc, argv);
        else if (argument == "--packets")
            takeValue(options.packetFile, argument, i, argc, argv);
        else if (argument == "--control")
            takeValue(options.controlPath, argument, i, argc, argv);
        else if (argument == "--inject")
            takeValue(options.injectPath, argument, i, argc, argv);
        else if (argument == "--verbose")
            options.verbose = true;
        else if (argument == "--help" || argument == "-h")
            options.help = true;
        else
            throw Poco::InvalidArgumentException(Poco::format("unknown argument \"%s\"", argument));
    }
    const bool emulating =
        !options.linkPath.empty() || !options.packetFile.empty() || !options.controlPath.empty();
    if (!options.injectPath.empty() && emulating)
        throw Poco::InvalidArgumentException(
            "--inject cannot be combined with --link, --packets or --control");
    return options;
}

std::string Options::usage()
{
    return "usage: picogw-emu [--link PATH] [--packets FILE] [--control PATH] [--verbose]\n"
           "       picogw-emu --inject PATH < packets\n"
           "\n"
           "Emulates a picoGW USB LoRa concentrator on a pseudo-terminal for the picoGW HAL 0.2.3.\n"
           "Prints the pseudo-terminal's path on standard output once ready, and the new one after each\n"
           "replug; runs until SIGINT or SIGTERM.\n"
           "\n"
           "  --link PATH      make PATH a symbolic link to the pseudo-terminal (removed at exit;\n"
           "                   an existing symbolic link is replaced, any other file refused)\n"
           "  --packets FILE   queue the packets of FILE, handed over once the HAL has started\n"
           "  --control PATH   listen on the Unix socket PATH for more packets and for faults (one\n"
           "                   per line, each answered with OK or ERROR and a reason):\n"
           "                     mute    the MCU hangs: reads commands, answers none until a replug\n"
           "                     unplug  the board is pulled out: the device hangs up and closes, the\n"
           "                             link goes\n"
           "                     replug  the board comes back: a new device at the link, just powered up\n"
           "  --verbose        log every command on standard error\n"
           "  --inject PATH    send the lines read from standard input (packets or faults) to the\n"
           "                   control socket PATH of a running emulator; exit status 1 if any is\n"
           "                   refused\n"
           "\n"
           "A packet is one JSON object per line with the fields of the HAL's received-packet\n"
           "record: freq_hz, if_chain, status, count_us, rf_chain, modulation, bandwidth, datarate,\n"
           "coderate, rssi, snr, snr_min, snr_max, crc, size (numbers) and payload (hexadecimal\n"
           "text). A missing field is 0, a missing count_us is the concentrator counter at hand-over,\n"
           "a missing size is the payload's length.\n";
}

} // namespace PicoGwEmu
