//
// Forwarding.cpp
//
// WorkerThread::work(): one pass that fetches received packets from the
// concentrator and forwards them to the consumer, one document each.
//

#include "contract/ConsumerContract.h"
#include "markup/MarkupFactoryJSON.h"
#include "utility/LogHelper.h"
#include "worker/WorkerConstants.h"
#include "worker/WorkerThread.h"
#include "worker/forwarding/ForwardingConstants.h"
#include "worker/forwarding/UpstreamPacketDocument.h"

#include <Poco/Exception.h>
#include <Poco/Net/SocketAddress.h>

#include <sys/prctl.h>

namespace LoRaWANServer
{

namespace
{

const std::string UPSTREAM_MESSAGE_TYPE = ConsumerContract::MESSAGE_TYPE_UPSTREAM;

// The smallest timer slack Linux takes (0 would mean its default of 50 us).
const unsigned long EXACT_TIMER_SLACK_NS = 1;

// Linux may end a timed wait as late as the thread's timer slack allows, 50 us
// by default. The worker waits 3 ms after every pass, so under full load the
// slack alone would cost about 2 % of the packets the polls can carry. The
// worker's thread asks once, at its first pass, to be woken on time.
void askForPunctualWakeUps()
{
    static thread_local bool asked = false;
    if (asked)
        return;
    // A refusal only leaves the default slack; the waits still end.
    prctl(PR_SET_TIMERSLACK, EXACT_TIMER_SLACK_NS, 0, 0, 0);
    asked = true;
}

void logForwardingFailure(const Poco::Exception& exc)
{
    Zel::Utility::LogHelper::writeLine(std::string(exc.name()) + " in WorkerThread::work(): ");
    Zel::Utility::LogHelper::writeLine("  " + exc.displayText() +
                                       ", Error Code is: " + std::to_string(exc.code()));
}

} // namespace

void WorkerThread::markupUpstreamPkt(const lgw_pkt_rx_s& packet, Zel::BACnet::WS::MarkupFactory& writer,
                                     const std::string& messageType)
{
    markupUpstreamPacket(packet, writer, messageType, _payloadText);
}

void WorkerThread::work()
{
    askForPunctualWakeUps();
    lgw_pkt_rx_s packets[RECEIVE_BATCH];
    const int count = _concentrator.receive(packets, RECEIVE_BATCH);
    const WorkerStatus::Clock::time_point now = WorkerStatus::Clock::now();
    if (count == 0)
    {
        probeWhenQuiet(now);
        return;
    }
    _lastHeard = now;
    _status.received(now);

    for (int attempt = 1; attempt <= FORWARD_ATTEMPTS; ++attempt)
    {
        // Counted once per attempt rather than per frame: one store for the pass.
        int sent = 0;
        try
        {
            if (!_connected)
            {
                const Poco::Net::SocketAddress address(Poco::Net::SocketAddress::UNIX_LOCAL, _filePath);
                _socket.connect(address);
                _connected = true;
                _counters.countConnect();
            }
            for (int i = 0; i < count; ++i)
            {
                _frameText.rewind();
                Zel::BACnet::WS::MarkupFactoryJSON writer(_frameText, false, false);
                markupUpstreamPkt(packets[i], writer, UPSTREAM_MESSAGE_TYPE);
                _frameText.put(ConsumerContract::FRAME_END);
                const std::string_view frame = _frameText.text();
                _socket.sendBytes(frame.data(), static_cast<int>(frame.size()), 0);
                ++sent;
            }
            _counters.countForwarded(sent);
            return;
        }
        catch (const Poco::Exception& exc)
        {
            _counters.countForwarded(sent);
            _counters.countSendFailure();
            _socket.close();
            _connected = false;
            logForwardingFailure(exc);
        }
    }
    _counters.countDropped(count);
}

void WorkerThread::probeWhenQuiet(WorkerStatus::Clock::time_point now)
{
    if (now - _lastHeard < std::chrono::milliseconds(PROBE_AFTER_QUIET_MS))
        return;
    _concentrator.probe();
    _lastHeard = now;
}

} // namespace LoRaWANServer
