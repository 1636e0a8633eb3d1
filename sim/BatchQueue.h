//
// BatchQueue.h
//
// Definition of the BatchQueue class: the scripted batches still to be
// received.
//

#ifndef Sim_BatchQueue_INCLUDED
#define Sim_BatchQueue_INCLUDED

#include "hal/HalApi.h"
#include "sim/ScriptedBatch.h"

#include <cstddef>
#include <cstdint>
#include <deque>

namespace LoRaSim
{

class BatchQueue
/// Hands scripted batches to the receive calls, one batch per call: a call
/// takes what it may of the first batch (the rest stays for the next call)
/// and an empty batch makes one call return nothing. A batch with after_ms
/// is held back until that long after lgw_start. Not thread-safe: the
/// concentrator serialises the calls.
{
public:
    BatchQueue();
    /// Creates an empty queue.

    void append(const ScriptedBatch& batch);
    /// Adds a batch after the others.

    void clear();
    /// Drops every batch.

    bool empty() const;
    /// Returns true when every batch has been taken.

    unsigned take(std::uint64_t nowMicros, std::uint64_t startMicros, unsigned maxPackets,
                  lgw_pkt_rx_s* pPackets);
    /// Copies up to maxPackets packets of the first batch into pPackets and
    /// returns their number; 0 for a batch held back or an empty one. When a
    /// batch is first released, its packets without a count_us of their own
    /// are stamped with that moment (for a held-back batch, the moment it
    /// became due). Precondition: !empty().

private:
    void release(ScriptedBatch& batch, std::uint64_t dueMicros);

    std::deque<ScriptedBatch> _batches;
    std::size_t _taken;
    bool _released;
};

} // namespace LoRaSim

#endif // Sim_BatchQueue_INCLUDED
