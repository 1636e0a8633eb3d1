//
// BacklogForwarding.cpp
//
// Implementation of the BacklogForwarding class.
//

#include "worker/forwarding/BacklogForwarding.h"

#include "utility/LogHelper.h"

#include <cstdio>
#include <stdexcept>

namespace LoRaWANServer
{

namespace
{

using Zel::Utility::LogHelper;

std::optional<FrameBacklog::Clock::duration> maxAgeOf(const ForwardingSettings& settings)
{
    if (settings.backlogAgeSeconds <= 0)
        return std::nullopt;
    return std::chrono::seconds(settings.backlogAgeSeconds);
}

std::string frames(std::size_t count)
{
    return std::to_string(count) + (count == 1 ? " frame" : " frames");
}

std::string seconds(FrameBacklog::Clock::duration duration)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", std::chrono::duration<double>(duration).count());
    return text;
}

} // namespace

BacklogForwarding::BacklogForwarding(const ForwardingSettings& settings, const std::string& socketPath,
                                     WorkerCounters& counters, WorkerStatus& status)
    : _settings(settings), _counters(counters), _status(status),
      _backlog(static_cast<std::size_t>(settings.backlogFrames), maxAgeOf(settings)), _sender(socketPath)
{
    if (!settings.backlogPath.empty())
        _pFile.reset(new BacklogFile(settings.backlogPath));
}

void BacklogForwarding::loadFile()
{
    if (!_pFile)
        return;
    const BacklogFile::Loaded loaded = _pFile->load(_backlog);
    _counters.countDroppedOverflow(loaded.overflow);
    const std::string where = " backlog: " + _pFile->path();
    if (!loaded.problem.empty())
        LogHelper::log(" WARNING:" + where + ": " + loaded.problem);
    if (!loaded.found)
    {
        if (loaded.problem.empty())
            LogHelper::log(" INFO:" + where + " is absent: no frames left by an earlier run");
        return;
    }
    std::string message = where + " held " + frames(loaded.frames) + " left by an earlier run, sent first";
    if (loaded.overflow > 0)
        message += " (the oldest " + std::to_string(loaded.overflow) + " dropped for lack of room)";
    if (loaded.damaged == 0)
    {
        LogHelper::log(" INFO:" + message);
    }
    else
    {
        LogHelper::log(" WARNING:" + message + ", and " + std::to_string(loaded.damaged) +
                       " damaged or cut pieces (" + std::to_string(loaded.damagedBytes) +
                       " bytes), which are dropped");
    }
    publish();
}

void BacklogForwarding::add(std::string_view frame, Clock::time_point now)
{
    _counters.countDroppedOverflow(_backlog.push(frame, now));
}

void BacklogForwarding::deliver(Clock::time_point now)
{
    _counters.countDroppedAge(_backlog.expire(now));
    account(_sender.pump(_backlog, now), now);
}

void BacklogForwarding::account(const BacklogSender::Step& step, Clock::time_point now)
{
    _counters.countForwarded(static_cast<int>(step.delivered));
    _counters.countResent(step.resent);
    if (step.connected)
    {
        _counters.countConnect();
        noteBack(now);
    }
    if (!step.failure.empty())
        noteAway(step.failure, now);
    publish();
}

bool BacklogForwarding::empty() const
{
    return _backlog.empty();
}

void BacklogForwarding::finish()
{
    // A consumer still connected can read what is on its connection after
    // the service has gone: those frames are left to it, not kept twice.
    account(_sender.settle(_backlog), Clock::now());
    const std::size_t withConsumer = _sender.connected() ? _backlog.wholeOnWire() : 0;
    _sender.leave();
    const std::size_t kept = _backlog.size() - withConsumer;
    std::string left = " backlog: " + frames(_backlog.size()) + " left at the stop";
    if (withConsumer > 0)
        left += ", " + std::to_string(withConsumer) +
                " of them on the consumer's connection, which it can still read";
    if (_backlog.empty())
        LogHelper::log(" INFO: backlog: every frame delivered before the stop");
    else if (kept == 0)
        LogHelper::log(" INFO:" + left);
    else if (!_pFile)
        LogHelper::log(" WARNING:" + left + "; " + std::to_string(kept) + " lost (no backlog file)");
    if (!_pFile)
        return;
    try
    {
        _pFile->store(_backlog, withConsumer);
        if (kept > 0)
            LogHelper::log(" INFO:" + left + "; " + std::to_string(kept) + " kept in " + _pFile->path());
    }
    catch (const std::runtime_error& exc)
    {
        LogHelper::log(" ERROR:" + left + "; " + std::to_string(kept) + " lost: cannot write " +
                       _pFile->path() + " (" + exc.what() + ")");
    }
}

void BacklogForwarding::noteAway(const std::string& how, Clock::time_point now)
{
    if (_awaySince)
        return;
    _awaySince = now;
    _countsWhenAway = _counters.values();
    _counters.countSendFailure();
    LogHelper::log(" WARNING: consumer away (" + how + "); " + frames(_backlog.size()) +
                   " waiting in the backlog");
}

void BacklogForwarding::noteBack(Clock::time_point now)
{
    if (!_awaySince)
        return;
    const CounterValues since = _counters.values().since(_countsWhenAway);
    LogHelper::log(" INFO: consumer back after " + seconds(now - *_awaySince) +
                   "; the backlog delivers the " + frames(_backlog.size()) +
                   " kept meanwhile; dropped meanwhile: " + droppedText(since));
    _awaySince.reset();
}

std::string BacklogForwarding::droppedText(const CounterValues& since) const
{
    std::string text = std::to_string(since.droppedOverflow) + " for lack of room";
    if (_settings.backlogAgeSeconds > 0)
        text += ", " + std::to_string(since.droppedAge) + " older than " +
                std::to_string(_settings.backlogAgeSeconds) + " s";
    return text;
}

void BacklogForwarding::publish()
{
    _counters.setBacklog(_backlog.size());
    _status.backlog(_backlog.size(), _awaySince);
}

} // namespace LoRaWANServer
