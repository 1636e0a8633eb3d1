//
// main.cpp
//
// The picogw-emu program: a picoGW USB concentrator on a pseudo-terminal.
//

#include "tools/picogw-emu/Constants.h"
#include "tools/picogw-emu/ControlClient.h"
#include "tools/picogw-emu/ControlServer.h"
#include "tools/picogw-emu/Emulator.h"
#include "tools/picogw-emu/Log.h"
#include "tools/picogw-emu/Options.h"
#include "tools/picogw-emu/PacketReader.h"
#include "tools/picogw-emu/PseudoTerminal.h"
#include "tools/picogw-emu/SignalWatch.h"
#include "tools/picogw-emu/UsbPort.h"

#include <Poco/Exception.h>
#include <Poco/Format.h>

#include <csignal>
#include <deque>
#include <iostream>
#include <memory>

using namespace PicoGwEmu;

namespace
{

constexpr int EXIT_USAGE = 2;

int emulate(const Options& options)
{
    const Log log(options.verbose);
    std::deque<Packet> packets;
    if (!options.packetFile.empty())
    {
        for (Packet& packet : PacketReader::readFile(options.packetFile))
            packets.push_back(std::move(packet));
        log.info(Poco::format("%z packet(s) queued from %s", packets.size(), options.packetFile));
    }

    std::signal(SIGPIPE, SIG_IGN);
    SignalWatch signals;
    if (options.linkPath.size() > MAX_DEVICE_PATH_LENGTH)
        log.info(Poco::format("warning: the HAL takes device paths of at most %z characters; %s is longer",
                              MAX_DEVICE_PATH_LENGTH, options.linkPath));
    UsbPort port(options.linkPath);
    port.plugIn();
    std::unique_ptr<ControlServer> pControl;
    if (!options.controlPath.empty())
        pControl = std::make_unique<ControlServer>(options.controlPath);

    log.info("emulating a picoGW concentrator on " + port.describe());
    std::cout << port.terminal().slavePath() << std::endl;

    Emulator emulator(port, packets, pControl.get(), log, std::cout);
    emulator.run(signals);
    return EXIT_SUCCESS;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    try
    {
        options = Options::parse(argc, argv);
    }
    catch (const Poco::Exception& exc)
    {
        std::cerr << "picogw-emu: " << exc.message() << "\n" << Options::usage();
        return EXIT_USAGE;
    }
    if (options.help)
    {
        std::cout << Options::usage();
        return EXIT_SUCCESS;
    }

    try
    {
        if (!options.injectPath.empty())
        {
            ControlClient client(options.injectPath);
            return client.inject(std::cin, std::cerr);
        }
        return emulate(options);
    }
    catch (const Poco::Exception& exc)
    {
        std::cerr << "picogw-emu: " << exc.displayText() << std::endl;
        return EXIT_FAILURE;
    }
}
