//
// WorkerCounters.h
//
// Library: LoRaWANServer_Worker
// Package: Statistics
// Module:  WorkerCounters
//
// Definition of the WorkerCounters class: what the worker counts.
//

#ifndef LoRaWANServer_WorkerCounters_INCLUDED
#define LoRaWANServer_WorkerCounters_INCLUDED

#include "hal/HalApi.h"
#include "worker/statistics/CounterValues.h"

#include <Poco/Types.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>

namespace LoRaWANServer
{

class WorkerCounters
/// The counts of the worker since the service started: packets received by
/// CRC status, frames forwarded, packets dropped, connections to the
/// consumer, failed forwarding attempts and concentrator probes, receive
/// calls that came back full and the gaps between receive calls, and the
/// time of the last packet.
///
/// The worker's thread is the one writer of every count; any other thread may
/// read them at any time, or ask for a snapshot that the worker takes between
/// two passes. Counting takes no lock and no atomic read-modify-write: it is
/// a plain load and store on the packet path.
{
public:
    using Clock = std::chrono::steady_clock;

    WorkerCounters();
    /// Creates the counters at zero and takes the current time as the start.

    void countReceived(const lgw_pkt_rx_s* packets, int count);
    /// Counts the first count of packets by their CRC status and takes the
    /// current time as the last packet's. Called by the worker's thread only.

    void countForwarded(int frames);
    /// Counts frames whose send succeeded. Called by the worker's thread only.

    void countDropped(int packets);
    /// Counts packets given up after the last attempt. Called by the worker's
    /// thread only.

    void countConnect();
    /// Counts a connection made to the consumer. Called by the worker's
    /// thread only.

    void countSendFailure();
    /// Counts one failed forwarding attempt. Called by the worker's thread
    /// only.

    void countProbe(bool succeeded);
    /// Counts one concentrator probe. Called by the worker's thread only.

    void countPoll(bool full, Clock::time_point callStart);
    /// Counts a receive call that began at callStart, and the gap since the
    /// call before it; full: it came back with as many packets as it asked
    /// for. Called by the worker's thread only.

    void countResent(std::size_t frames);
    void countDroppedOverflow(std::size_t frames);
    void countDroppedAge(std::size_t frames);
    /// Backlog mode: counts frames sent again on a new connection, and
    /// dropped from a full backlog or for their age. Called by the worker's
    /// thread only.

    void setBacklog(std::size_t frames);
    /// Backlog mode: takes frames as the number waiting now. Called by the
    /// worker's thread only.

    void beginPasses();
    /// From now on snapshot() waits for the worker to take the counts between
    /// two passes. Called by the worker's thread before its loop.

    void answerSnapshot();
    /// Takes the counts that snapshot() asks for, if it asks; one atomic load
    /// otherwise. Called by the worker's thread between two passes.

    void endPasses();
    /// From now on snapshot() reads the counts at once again. Called by the
    /// worker's thread when it leaves its loop, however it leaves it.

    CounterValues snapshot(bool newInterval);
    /// Returns the counts as the worker took them between two passes, so that
    /// a pass's packets and its frames fall into the same reading. Waits at
    /// most SNAPSHOT_WAIT_MS; a worker held up in a pass longer (a send that
    /// waits for the consumer) has its counts read as they are, the time
    /// since its last receive call counting as a gap. Before and after the
    /// worker's loop, the counts are read at once. With newInterval the
    /// longest gap of the next interval is measured from this reading on
    /// (a statistics line's reading; the metrics file's keeps it). Called by
    /// one thread other than the worker's.
    Poco::UInt64 forwarded() const;
    /// Returns the frames forwarded since the start.

    CounterValues values() const;
    /// Returns every count as it is now.

    Poco::Int64 lastPacketTime() const;
    /// Returns when the last packet was received, in microseconds since the
    /// Unix epoch; 0 before the first one.

    Poco::Int64 startTime() const;
    /// Returns when the counting started, in microseconds since the Unix
    /// epoch.

private:
    class Count
    /// One count with a single writer.
    {
    public:
        void add(Poco::UInt64 amount)
        {
            _value.store(_value.load(std::memory_order_relaxed) + amount, std::memory_order_relaxed);
        }

        Poco::UInt64 value() const { return _value.load(std::memory_order_relaxed); }

    private:
        std::atomic<Poco::UInt64> _value{0};
    };

    static_assert(std::atomic<Poco::UInt64>::is_always_lock_free,
                  "the packet path must count without locks on this platform");

    WorkerCounters(const WorkerCounters&) = delete;
    WorkerCounters& operator=(const WorkerCounters&) = delete;

    CounterValues read(bool newInterval);
    void countGap(Poco::UInt64 gapUs);
    static void raise(std::atomic<Poco::UInt64>& maximum, Poco::UInt64 value);

    Count _crcOk;
    Count _crcBad;
    Count _noCrc;
    Count _forwarded;
    Count _dropped;
    Count _connects;
    Count _sendFailures;
    Count _probesOk;
    Count _probesFailed;
    Count _fullPolls;
    Count _gapCounts[POLL_GAP_BUCKETS];
    Count _gapSumUs;
    Count _resent;
    Count _droppedOverflow;
    Count _droppedAge;
    std::atomic<Poco::UInt64> _backlogFrames{0};
    std::atomic<Poco::UInt64> _backlogMax{0};
    std::atomic<Poco::UInt64> _gapMaxUs{0};
    std::atomic<Poco::UInt64> _gapIntervalMaxUs{0};
    std::atomic<Clock::rep> _lastPollStart{0};
    /// Ticks of Clock when the last receive call began; 0 before the first.
    std::atomic<Poco::Int64> _lastPacketTime{0};
    const Poco::Int64 _startTime;

    std::mutex _snapshotMutex;
    std::condition_variable _snapshotTaken;
    std::atomic<bool> _snapshotWanted{false};
    bool _passesRunning = false;
    bool _newIntervalWanted = false;
    Poco::UInt64 _snapshotsTaken = 0;
    CounterValues _snapshot;
    /// The last snapshot the worker took; the mutex guards these five.
};

inline void WorkerCounters::countForwarded(int frames)
{
    _forwarded.add(static_cast<Poco::UInt64>(frames));
}

inline void WorkerCounters::countDropped(int packets)
{
    _dropped.add(static_cast<Poco::UInt64>(packets));
}

inline void WorkerCounters::countConnect()
{
    _connects.add(1);
}

inline void WorkerCounters::countSendFailure()
{
    _sendFailures.add(1);
}

inline void WorkerCounters::countResent(std::size_t frames)
{
    _resent.add(frames);
}

inline void WorkerCounters::countDroppedOverflow(std::size_t frames)
{
    _droppedOverflow.add(frames);
}

inline void WorkerCounters::countDroppedAge(std::size_t frames)
{
    _droppedAge.add(frames);
}

inline void WorkerCounters::setBacklog(std::size_t frames)
{
    _backlogFrames.store(frames, std::memory_order_relaxed);
    raise(_backlogMax, frames);
}

inline Poco::UInt64 WorkerCounters::forwarded() const
{
    return _forwarded.value();
}

inline Poco::Int64 WorkerCounters::lastPacketTime() const
{
    return _lastPacketTime.load(std::memory_order_relaxed);
}

inline Poco::Int64 WorkerCounters::startTime() const
{
    return _startTime;
}

} // namespace LoRaWANServer

#endif // LoRaWANServer_WorkerCounters_INCLUDED
