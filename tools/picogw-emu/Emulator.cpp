//
// Emulator.cpp
//
// Implementation of the Emulator class.
//

#include "tools/picogw-emu/Emulator.h"

#include "tools/picogw-emu/Constants.h"
#include "tools/picogw-emu/ControlServer.h"
#include "tools/picogw-emu/PacketReader.h"
#include "tools/picogw-emu/PseudoTerminal.h"
#include "tools/picogw-emu/SignalWatch.h"
#include "tools/picogw-emu/UsbPort.h"

#include <Poco/Exception.h>
#include <Poco/Format.h>
#include <Poco/String.h>

#include <cerrno>
#include <poll.h>

namespace PicoGwEmu
{

namespace
{

constexpr std::size_t READ_CHUNK = 4096;
constexpr int WAIT_FOREVER = -1;

} // namespace

Emulator::Emulator(UsbPort& port, std::deque<Packet>& packets, ControlServer* pControl, const Log& log,
                   std::ostream& devicePaths)
    : _port(port), _packets(packets), _pControl(pControl), _log(log), _devicePaths(devicePaths),
      _mcu(packets), _hostConnected(false), _started(false), _muted(false)
{
}

void Emulator::run(SignalWatch& signals)
{
    std::vector<pollfd> fds;
    for (;;)
    {
        checkHostPresence();

        fds.clear();
        fds.push_back(pollfd{signals.fd(), POLLIN, 0});
        // A closed device side reports a hang-up without end; it is looked at
        // again on a short timer instead of being polled.
        const bool watchHost = _hostConnected;
        if (watchHost)
            fds.push_back(pollfd{_port.terminal().fd(),
                                 static_cast<short>(POLLIN | (_output.empty() ? 0 : POLLOUT)), 0});
        if (_pControl)
            _pControl->appendPollFds(fds);

        const bool awaitHost = _port.pluggedIn() && !_hostConnected;
        if (::poll(fds.data(), fds.size(), awaitHost ? RECONNECT_POLL_MS : WAIT_FOREVER) < 0)
        {
            if (errno == EINTR)
                continue;
            throw Poco::SystemException("poll failed");
        }

        if (fds[0].revents)
        {
            const int signal = signals.take();
            _log.info(Poco::format("termination request (signal %d), exiting", signal));
            return;
        }
        if (watchHost)
        {
            const short events = fds[1].revents;
            if (events & (POLLHUP | POLLERR))
                onHostClosed();
            else
            {
                if (events & POLLIN)
                    onHostData();
                if (events & POLLOUT)
                    flushOutput();
            }
        }
        if (_pControl)
            _pControl->service(fds, [this](const std::string& line) { return onControlLine(line); });
    }
}

void Emulator::checkHostPresence()
{
    if (!_hostConnected && _port.pluggedIn() && _port.terminal().hostConnected())
    {
        _hostConnected = true;
        _log.info("host opened the device");
    }
}

void Emulator::onHostData()
{
    std::uint8_t buffer[READ_CHUNK];
    const ssize_t count = _port.terminal().read(buffer, sizeof(buffer));
    if (count <= 0)
        return;
    _decoder.feed(buffer, static_cast<std::size_t>(count));
    while (auto request = _decoder.next())
    {
        reportSkipped();
        serve(*request);
    }
    reportSkipped();
}

void Emulator::reportSkipped()
{
    if (const std::size_t skipped = _decoder.takeSkipped())
        _log.error(Poco::format("skipped %z byte(s) that start no command", skipped));
}

void Emulator::onHostClosed()
{
    _log.info("host closed the device");
    forgetHost();
    _port.terminal().discardHostData();
}

void Emulator::forgetHost()
{
    _hostConnected = false;
    _decoder.reset();
    _output.clear();
}

void Emulator::serve(const Request& request)
{
    if (!_muted)
    {
        answer(request);
        return;
    }
    if (_log.verbose())
        _log.trace(describe(request, _mcu.chip().page()) + " -> no answer (muted)");
}

void Emulator::answer(const Request& request)
{
    const std::size_t queuedBefore = _packets.size();
    const unsigned page = _mcu.chip().page();
    const Answer reply = _mcu.handle(request);
    if (_log.verbose())
        _log.trace(describe(request, page) + describe(reply));

    noteStarted();
    if (_packets.size() < queuedBefore)
        _log.info(Poco::format("handed over %z packet(s), %z still queued", queuedBefore - _packets.size(),
                               _packets.size()));

    const std::vector<std::uint8_t> frame = reply.encode();
    _output.insert(_output.end(), frame.begin(), frame.end());
    flushOutput();
}

void Emulator::noteStarted()
{
    const bool started = _mcu.chip().started();
    if (started != _started)
    {
        _log.info(started ? "concentrator started" : "concentrator stopped");
        _started = started;
    }
}

void Emulator::flushOutput()
{
    while (!_output.empty())
    {
        const ssize_t written = _port.terminal().write(_output.data(), _output.size());
        if (written <= 0)
            return;
        _output.erase(_output.begin(), _output.begin() + written);
    }
}

std::string Emulator::onControlLine(const std::string& line)
{
    const std::string word = Poco::trim(line);
    if (word == "mute")
        return mute();
    if (word == "unplug")
        return unplug();
    if (word == "replug")
        return replug();
    if (!word.empty() && word[0] != '{')
        return Poco::format("ERROR unknown command \"%s\"", word);
    return queuePacket(line);
}

std::string Emulator::queuePacket(const std::string& line)
{
    try
    {
        auto packet = PacketReader::parseLine(line);
        if (!packet)
            return "OK";
        _packets.push_back(std::move(*packet));
        _log.info(Poco::format("queued a packet from the control socket, %z queued", _packets.size()));
        return "OK";
    }
    catch (const Poco::Exception& exc)
    {
        return "ERROR " + exc.message();
    }
}

std::string Emulator::mute()
{
    if (!_port.pluggedIn())
        return "ERROR the device is unplugged";
    _muted = true;
    _log.info("muted: commands are read and not answered until a replug");
    return "OK";
}

std::string Emulator::unplug()
{
    if (!_port.pluggedIn())
        return "ERROR the device is already unplugged";
    forgetHost();
    if (!_port.unplug())
        _log.info("warning: the device could not be hung up (that takes CAP_SYS_ADMIN): a host blocked "
                  "in a read sees an I/O error instead of the end of file of a USB disconnect");
    _log.info("unplugged: the device is hung up and closed, its link removed");
    return "OK";
}

std::string Emulator::replug()
{
    if (_port.pluggedIn())
        unplug();
    // A board that comes back on USB has been through a power-up.
    _mcu.powerOn();
    _muted = false;
    noteStarted();
    try
    {
        _port.plugIn();
    }
    catch (const Poco::Exception& exc)
    {
        _log.error("replug failed: " + exc.displayText());
        return "ERROR " + exc.displayText();
    }
    _log.info("replugged: a new device on " + _port.describe());
    _devicePaths << _port.terminal().slavePath() << std::endl;
    return "OK";
}

std::string Emulator::describe(const Request& request, unsigned page)
{
    std::string text = Poco::format("'%c' page %u addr %u len %z", request.command, page,
                                    unsigned(request.address), request.data.size());
    if (request.command == Command::WRITE_REGISTER && !request.data.empty())
        text += Poco::format(" value 0x%02X", unsigned(request.data[0]));
    return text;
}

std::string Emulator::describe(const Answer& answer)
{
    std::string text =
        Poco::format(" -> %s len %z", std::string(answer.status == ACK_OK ? "ok" : "ko"), answer.data.size());
    if (answer.command == Command::READ_REGISTER && !answer.data.empty())
        text += Poco::format(" value 0x%02X", unsigned(answer.data[0]));
    return text;
}

} // namespace PicoGwEmu
