//
// WorkerStatus.h
//
// Library: LoRaWANServer_Worker
// Package: Worker
// Module:  WorkerStatus
//
// Definition of the WorkerStatus class: what the worker is doing, for other
// threads to read.
//

#ifndef LoRaWANServer_WorkerStatus_INCLUDED
#define LoRaWANServer_WorkerStatus_INCLUDED

#include <Poco/Types.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <optional>
#include <string>

namespace LoRaWANServer
{

class WorkerStatus
/// The worker's phase and when it last received a packet (on the monotonic
/// clock, so that "last 3 s ago" survives a change of the wall clock; the
/// counts are in WorkerCounters). The worker's thread is the one writer; any thread may read at
/// any time. Nothing here takes a lock or an atomic read-modify-write: on the
/// packet path an update is a plain load and store.
{
public:
    using Clock = std::chrono::steady_clock;

    enum Phase
    {
        STARTING,
        /// Connecting, configuring and starting the concentrator.

        RECEIVING,
        /// The concentrator runs; the worker polls it.

        STOPPING
        /// The worker left its loop and stops the concentrator.
    };

    WorkerStatus();
    /// Creates the status of a worker that is starting, with no packet yet.

    void enter(Phase phase);
    /// Sets the phase. Called by the worker's thread only.

    void received(Clock::time_point when);
    /// Takes when as the time of the last received packet. Called by the
    /// worker's thread only.

    void backlog(std::size_t frames, std::optional<Clock::time_point> awaySince);
    /// Backlog mode: takes frames as the frames waiting now, and awaySince
    /// as when the consumer went away (nothing while it is there). Called by
    /// the worker's thread only.

    std::string backlogText(Clock::time_point now) const;
    /// Returns the backlog for people while frames wait for a consumer that
    /// is away, or more than a poll's worth wait: "consumer away 12 s, 600
    /// frames waiting", "600 frames waiting"; an empty text otherwise.
    Phase phase() const;

    std::optional<long> secondsSinceLastPacket(Clock::time_point now) const;
    /// Whole seconds from the last received packet to now; nothing before
    /// the first one.

    static std::string text(Phase phase, Poco::UInt64 forwardedFrames,
                            std::optional<long> secondsSinceLastPacket);
    /// Returns one short line for people: "starting the concentrator",
    /// "receiving, 1234 packets forwarded, last 3 s ago" (without the last
    /// part before the first packet), or "stopping the concentrator".

private:
    std::atomic<Phase> _phase;
    std::atomic<Clock::rep> _lastPacket;
    /// Ticks of Clock at the last received packet; 0 before the first one.
    std::atomic<std::size_t> _backlogFrames;
    std::atomic<Clock::rep> _awaySince;
    /// Ticks of Clock when the consumer went away; 0 while it is there.
};

inline void WorkerStatus::enter(Phase phase)
{
    _phase.store(phase, std::memory_order_relaxed);
}

inline void WorkerStatus::received(Clock::time_point when)
{
    _lastPacket.store(when.time_since_epoch().count(), std::memory_order_relaxed);
}

inline void WorkerStatus::backlog(std::size_t frames, std::optional<Clock::time_point> awaySince)
{
    _backlogFrames.store(frames, std::memory_order_relaxed);
    _awaySince.store(awaySince ? awaySince->time_since_epoch().count() : 0, std::memory_order_relaxed);
}

inline WorkerStatus::Phase WorkerStatus::phase() const
{
    return _phase.load(std::memory_order_relaxed);
}

} // namespace LoRaWANServer

#endif // LoRaWANServer_WorkerStatus_INCLUDED
