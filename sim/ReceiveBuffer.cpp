//
// ReceiveBuffer.cpp
//
// Implementation of the ReceiveBuffer class.
//

#include "sim/ReceiveBuffer.h"

#include "sim/SimConstants.h"

#include <algorithm>

namespace LoRaSim
{

namespace
{
const unsigned PAYLOAD_CAPACITY = sizeof(lgw_pkt_rx_s::payload);
} // namespace

ReceiveBuffer::ReceiveBuffer(unsigned capacityBytes) : _capacityBytes(capacityBytes), _heldBytes(0) {}

bool ReceiveBuffer::full() const
{
    return _capacityBytes == 0 && _packets.size() >= LGW_PKT_FIFO_SIZE;
}

void ReceiveBuffer::arrive(const lgw_pkt_rx_s& packet, std::uint64_t arrivalMicros)
{
    const unsigned bytes = footprint(packet);
    if (_capacityBytes == 0 || _heldBytes + bytes <= _capacityBytes)
    {
        _packets.push_back(packet);
        _heldBytes += bytes;
        return;
    }
    if (_losses.count == 0)
        _losses.firstMicros = arrivalMicros;
    _losses.lastMicros = arrivalMicros;
    ++_losses.count;
}

unsigned ReceiveBuffer::take(unsigned maxPackets, lgw_pkt_rx_s* pPackets)
{
    const unsigned taken = static_cast<unsigned>(std::min<std::size_t>(maxPackets, _packets.size()));
    for (unsigned i = 0; i < taken; ++i)
    {
        pPackets[i] = _packets[i];
        _heldBytes -= footprint(_packets[i]);
    }
    _packets.erase(_packets.begin(), _packets.begin() + taken);
    return taken;
}

void ReceiveBuffer::clear()
{
    _packets.clear();
    _heldBytes = 0;
}

ReceiveBuffer::Losses ReceiveBuffer::takeLosses()
{
    const Losses losses = _losses;
    _losses = Losses();
    return losses;
}

unsigned ReceiveBuffer::footprint(const lgw_pkt_rx_s& packet)
{
    return std::min<unsigned>(packet.size, PAYLOAD_CAPACITY) + PACKET_OVERHEAD_BYTES;
}

} // namespace LoRaSim
