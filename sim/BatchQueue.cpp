//
// BatchQueue.cpp
//
// Implementation of the BatchQueue class.
//

#include "sim/BatchQueue.h"

#include "sim/MonotonicClock.h"

#include <algorithm>

namespace LoRaSim
{

namespace
{
const std::uint64_t MICROS_PER_MILLI = 1000;
} // namespace

BatchQueue::BatchQueue() : _taken(0), _released(false) {}

void BatchQueue::append(const ScriptedBatch& batch)
{
    _batches.push_back(batch);
}

void BatchQueue::clear()
{
    _batches.clear();
    _taken = 0;
    _released = false;
}

bool BatchQueue::empty() const
{
    return _batches.empty();
}

unsigned BatchQueue::take(std::uint64_t nowMicros, std::uint64_t startMicros, unsigned maxPackets,
                          lgw_pkt_rx_s* pPackets)
{
    ScriptedBatch& batch = _batches.front();
    std::uint64_t dueMicros = nowMicros;
    if (batch.afterMs)
    {
        dueMicros = startMicros + *batch.afterMs * MICROS_PER_MILLI;
        if (nowMicros < dueMicros)
            return 0;
    }
    if (!_released)
        release(batch, dueMicros);

    const std::size_t count = std::min<std::size_t>(maxPackets, batch.packets.size() - _taken);
    for (std::size_t i = 0; i < count; ++i)
        pPackets[i] = batch.packets[_taken + i].record;
    _taken += count;
    if (_taken == batch.packets.size())
    {
        _batches.pop_front();
        _taken = 0;
        _released = false;
    }
    return static_cast<unsigned>(count);
}

void BatchQueue::release(ScriptedBatch& batch, std::uint64_t dueMicros)
{
    for (ScriptedPacket& packet : batch.packets)
    {
        if (packet.stampOnRelease)
            packet.record.count_us = MonotonicClock::counter(dueMicros);
    }
    _released = true;
}

} // namespace LoRaSim
