//
// ReceiveBuffer.h
//
// Definition of the ReceiveBuffer class: the concentrator's buffer of
// received packets, as the generated traffic fills it.
//

#ifndef Sim_ReceiveBuffer_INCLUDED
#define Sim_ReceiveBuffer_INCLUDED

#include "hal/HalApi.h"

#include <cstdint>
#include <vector>

namespace LoRaSim
{

class ReceiveBuffer
/// The SX1301 keeps what it received in a buffer of a few bytes only (1024 by
/// default, see SimConstants.h): each packet takes its payload and
/// PACKET_OVERHEAD_BYTES of metadata, and a packet that arrives while it does
/// not fit is lost in the radio, silently; only the host's polls empty it.
/// This buffer counts those losses and when they happened.
///
/// With a capacity of 0 it is the lossless queue the tests of a full load
/// rely on: it holds LGW_PKT_FIFO_SIZE packets, and whoever fills it holds
/// due packets back while it is full(). Not thread-safe.
{
public:
    struct Losses
    /// Packets lost because they did not fit.
    {
        std::uint64_t count = 0;
        std::uint64_t firstMicros = 0;
        std::uint64_t lastMicros = 0;
        /// When the first and the last of them arrived (monotonic clock).
    };

    explicit ReceiveBuffer(unsigned capacityBytes);
    /// Creates an empty buffer of capacityBytes, or the lossless queue for 0.

    bool full() const;
    /// Returns true when the lossless queue holds LGW_PKT_FIFO_SIZE packets;
    /// a buffer of bytes is never full before a packet arrives.

    void arrive(const lgw_pkt_rx_s& packet, std::uint64_t arrivalMicros);
    /// Keeps the packet when it fits (always in the lossless queue);
    /// otherwise counts it as lost at arrivalMicros.

    unsigned take(unsigned maxPackets, lgw_pkt_rx_s* pPackets);
    /// Copies up to maxPackets of the packets held into pPackets, oldest
    /// first, frees their room and returns their number.

    void clear();
    /// Drops every packet held; the losses stay counted.

    Losses takeLosses();
    /// Returns the losses since the last call, and forgets them.

    static unsigned footprint(const lgw_pkt_rx_s& packet);
    /// Returns the bytes the packet takes in the buffer.

private:
    unsigned _capacityBytes;
    unsigned _heldBytes;
    std::vector<lgw_pkt_rx_s> _packets;
    /// A vector, not a deque: a deque of records this size allocates a
    /// block for every packet, the vector keeps its storage.
    Losses _losses;
};

} // namespace LoRaSim

#endif // Sim_ReceiveBuffer_INCLUDED
