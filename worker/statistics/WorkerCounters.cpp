//
// WorkerCounters.cpp
//
// Implementation of the WorkerCounters class.
//

#include "worker/statistics/WorkerCounters.h"

#include <Poco/Timestamp.h>

namespace LoRaWANServer
{

WorkerCounters::WorkerCounters() : _startTime(Poco::Timestamp().epochMicroseconds()) {}

void WorkerCounters::countReceived(const lgw_pkt_rx_s* packets, int count)
{
    if (count <= 0)
        return;
    // Tallied first so that a pass of 16 packets costs three stores, not 16.
    Poco::UInt64 ok = 0;
    Poco::UInt64 bad = 0;
    for (int i = 0; i < count; ++i)
    {
        if (packets[i].status == STAT_CRC_OK)
            ++ok;
        else if (packets[i].status == STAT_CRC_BAD)
            ++bad;
    }
    // Anything else (no CRC, or a status the HAL left undefined) had no CRC checked.
    _crcOk.add(ok);
    _crcBad.add(bad);
    _noCrc.add(static_cast<Poco::UInt64>(count) - ok - bad);
    _lastPacketTime.store(Poco::Timestamp().epochMicroseconds(), std::memory_order_relaxed);
}

void WorkerCounters::countProbe(bool succeeded)
{
    (succeeded ? _probesOk : _probesFailed).add(1);
}

CounterValues WorkerCounters::values() const
{
    CounterValues values;
    values.crcOk = _crcOk.value();
    values.crcBad = _crcBad.value();
    values.noCrc = _noCrc.value();
    values.forwarded = _forwarded.value();
    values.dropped = _dropped.value();
    values.connects = _connects.value();
    values.sendFailures = _sendFailures.value();
    values.probesOk = _probesOk.value();
    values.probesFailed = _probesFailed.value();
    return values;
}

} // namespace LoRaWANServer
