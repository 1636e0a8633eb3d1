//
// Forwarding.cpp
//
// The packets of one pass to the consumer, one document each: forward() on a
// blocking connection with one retry, forwardThroughBacklog() through the
// backlog.
//

#include "contract/ConsumerContract.h"
#include "markup/MarkupFactoryJSON.h"
#include "utility/LogHelper.h"
#include "worker/WorkerThread.h"
#include "worker/forwarding/BacklogForwarding.h"
#include "worker/forwarding/ForwardingConstants.h"
#include "worker/forwarding/UpstreamPacketDocument.h"

#include <Poco/Exception.h>
#include <Poco/Net/SocketAddress.h>

namespace LoRaWANServer
{

namespace
{

const std::string UPSTREAM_MESSAGE_TYPE = ConsumerContract::MESSAGE_TYPE_UPSTREAM;

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

std::string_view WorkerThread::renderFrame(const lgw_pkt_rx_s& packet)
{
    _frameText.rewind();
    Zel::BACnet::WS::MarkupFactoryJSON writer(_frameText, false, false);
    markupUpstreamPkt(packet, writer, UPSTREAM_MESSAGE_TYPE);
    _frameText.put(ConsumerContract::FRAME_END);
    return _frameText.text();
}

void WorkerThread::forwardThroughBacklog(const lgw_pkt_rx_s* packets, int count,
                                         WorkerStatus::Clock::time_point now)
{
    for (int i = 0; i < count; ++i)
        _pBacklog->add(renderFrame(packets[i]), now);
    _pBacklog->deliver(now);
}

void WorkerThread::forward(const lgw_pkt_rx_s* packets, int count)
{
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
                const std::string_view frame = renderFrame(packets[i]);
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

} // namespace LoRaWANServer
