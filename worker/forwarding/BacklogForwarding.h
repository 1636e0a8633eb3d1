//
// BacklogForwarding.h
//
// Library: LoRaWANServer_Worker
// Package: Forwarding
// Module:  BacklogForwarding
//
// Definition of the BacklogForwarding class: backlog mode's way of handing
// frames to the consumer.
//

#ifndef LoRaWANServer_BacklogForwarding_INCLUDED
#define LoRaWANServer_BacklogForwarding_INCLUDED

#include "worker/WorkerStatus.h"
#include "worker/forwarding/BacklogFile.h"
#include "worker/forwarding/BacklogSender.h"
#include "worker/forwarding/ForwardingSettings.h"
#include "worker/forwarding/FrameBacklog.h"
#include "worker/statistics/CounterValues.h"
#include "worker/statistics/WorkerCounters.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace LoRaWANServer
{

class BacklogForwarding
/// Backlog mode: every frame goes into a FrameBacklog, and a BacklogSender
/// delivers it from there, so that the worker never waits for the consumer.
/// Failed connects and sends are not logged one by one: one line when the
/// consumer is away (how, and the frames waiting), one when it is back (how
/// long it was away, the frames the backlog delivers, those dropped
/// meanwhile and why). Keeps the worker's counts and status up to date, and
/// keeps the frames left at a stop in the backlog file, if there is one,
/// for the next start. Used by the worker's thread alone.
{
public:
    using Clock = FrameBacklog::Clock;

    BacklogForwarding(const ForwardingSettings& settings, const std::string& socketPath,
                      WorkerCounters& counters, WorkerStatus& status);
    /// Creates the forwarding to the consumer's socket at socketPath with the
    /// backlog of settings; counters and status (not owned) must outlive it.

    void loadFile();
    /// Puts the frames of the backlog file, if there is one, first in the
    /// backlog, and logs what it found.

    void add(std::string_view frame, Clock::time_point now);
    /// Queues a frame received at now.

    void deliver(Clock::time_point now);
    /// Drops the frames too old, learns what the consumer has read,
    /// connects if need be and sends what the socket takes; never waits.

    bool empty() const;
    /// Returns true when every frame has been read by the consumer.

    void finish();
    /// At the stop, once the last delivery is over: closes the connection,
    /// logs how many frames are left, and writes them to the backlog file
    /// (or says they are lost without one). The frames on the connection of
    /// a consumer still there are left to it: it can read them after the
    /// service has gone.

private:
    BacklogForwarding(const BacklogForwarding&) = delete;
    BacklogForwarding& operator=(const BacklogForwarding&) = delete;

    void account(const BacklogSender::Step& step, Clock::time_point now);
    void noteAway(const std::string& how, Clock::time_point now);
    void noteBack(Clock::time_point now);
    void publish();
    std::string droppedText(const CounterValues& since) const;

    const ForwardingSettings _settings;
    WorkerCounters& _counters;
    WorkerStatus& _status;
    FrameBacklog _backlog;
    BacklogSender _sender;
    std::unique_ptr<BacklogFile> _pFile;
    std::optional<Clock::time_point> _awaySince;
    CounterValues _countsWhenAway;
    /// The counts when the consumer went away: what was dropped meanwhile.
};

} // namespace LoRaWANServer

#endif // LoRaWANServer_BacklogForwarding_INCLUDED
