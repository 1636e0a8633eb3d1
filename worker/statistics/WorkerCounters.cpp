//
// WorkerCounters.cpp
//
// Implementation of the WorkerCounters class.
//

#include "worker/statistics/WorkerCounters.h"

#include <Poco/Timestamp.h>

#include <algorithm>

namespace LoRaWANServer
{

namespace
{

Poco::UInt64 microsecondsBetween(WorkerCounters::Clock::time_point from, WorkerCounters::Clock::time_point to)
{
    if (to <= from)
        return 0;
    return static_cast<Poco::UInt64>(
        std::chrono::duration_cast<std::chrono::microseconds>(to - from).count());
}

int bucketOf(Poco::UInt64 gapUs)
{
    int bucket = 0;
    while (bucket < POLL_GAP_BUCKETS - 1 && gapUs > POLL_GAP_BOUNDS_US[bucket])
        ++bucket;
    return bucket;
}

} // namespace

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

void WorkerCounters::countPoll(bool full, Clock::time_point callStart)
{
    if (full)
        _fullPolls.add(1);
    const Clock::rep last = _lastPollStart.load(std::memory_order_relaxed);
    if (last != 0)
        countGap(microsecondsBetween(Clock::time_point(Clock::duration(last)), callStart));
    _lastPollStart.store(callStart.time_since_epoch().count(), std::memory_order_relaxed);
}

void WorkerCounters::countGap(Poco::UInt64 gapUs)
{
    _gapCounts[bucketOf(gapUs)].add(1);
    _gapSumUs.add(gapUs);
    raise(_gapMaxUs, gapUs);
    raise(_gapIntervalMaxUs, gapUs);
}

void WorkerCounters::raise(std::atomic<Poco::UInt64>& maximum, Poco::UInt64 value)
{
    if (value > maximum.load(std::memory_order_relaxed))
        maximum.store(value, std::memory_order_relaxed);
}

void WorkerCounters::beginPasses()
{
    std::lock_guard<std::mutex> lock(_snapshotMutex);
    _passesRunning = true;
}

void WorkerCounters::answerSnapshot()
{
    if (!_snapshotWanted.load(std::memory_order_acquire))
        return;
    std::lock_guard<std::mutex> lock(_snapshotMutex);
    _snapshot = read(_newIntervalWanted);
    _newIntervalWanted = false;
    _snapshotWanted.store(false, std::memory_order_relaxed);
    ++_snapshotsTaken;
    _snapshotTaken.notify_all();
}

void WorkerCounters::endPasses()
{
    std::lock_guard<std::mutex> lock(_snapshotMutex);
    _passesRunning = false;
    _snapshotWanted.store(false, std::memory_order_relaxed);
    _snapshotTaken.notify_all();
}

CounterValues WorkerCounters::snapshot(bool newInterval)
{
    std::unique_lock<std::mutex> lock(_snapshotMutex);
    if (!_passesRunning)
        return read(newInterval);
    _newIntervalWanted = _newIntervalWanted || newInterval;
    const Poco::UInt64 taken = _snapshotsTaken;
    _snapshotWanted.store(true, std::memory_order_release);
    _snapshotTaken.wait_for(lock, std::chrono::milliseconds(SNAPSHOT_WAIT_MS),
                            [&] { return _snapshotsTaken != taken || !_passesRunning; });
    if (_snapshotsTaken != taken)
        return _snapshot;
    if (!_passesRunning)
        return read(newInterval);
    // Held up in a pass: only the worker may start a new interval; the gap
    // it is in counts up to now.
    CounterValues values = read(false);
    const Clock::rep last = _lastPollStart.load(std::memory_order_relaxed);
    if (last != 0)
    {
        const Poco::UInt64 ongoing =
            microsecondsBetween(Clock::time_point(Clock::duration(last)), Clock::now());
        values.pollGaps.maxUs = std::max(values.pollGaps.maxUs, ongoing);
        values.pollGaps.intervalMaxUs = std::max(values.pollGaps.intervalMaxUs, ongoing);
    }
    return values;
}

CounterValues WorkerCounters::read(bool newInterval)
{
    CounterValues values = this->values();
    if (newInterval)
        _gapIntervalMaxUs.store(0, std::memory_order_relaxed);
    return values;
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
    values.fullPolls = _fullPolls.value();
    for (int bucket = 0; bucket < POLL_GAP_BUCKETS; ++bucket)
        values.pollGaps.counts[bucket] = _gapCounts[bucket].value();
    values.pollGaps.sumUs = _gapSumUs.value();
    values.pollGaps.maxUs = _gapMaxUs.load(std::memory_order_relaxed);
    values.pollGaps.intervalMaxUs = _gapIntervalMaxUs.load(std::memory_order_relaxed);
    values.resent = _resent.value();
    values.droppedOverflow = _droppedOverflow.value();
    values.droppedAge = _droppedAge.value();
    values.backlogFrames = _backlogFrames.load(std::memory_order_relaxed);
    values.backlogMax = _backlogMax.load(std::memory_order_relaxed);
    return values;
}

} // namespace LoRaWANServer
