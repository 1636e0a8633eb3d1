//
// WorkerStatus.cpp
//
// Implementation of the WorkerStatus class.
//

#include "worker/WorkerStatus.h"

#include "worker/forwarding/ForwardingConstants.h"

namespace LoRaWANServer
{

WorkerStatus::WorkerStatus() : _phase(STARTING), _lastPacket(0), _backlogFrames(0), _awaySince(0) {}

std::optional<long> WorkerStatus::secondsSinceLastPacket(Clock::time_point now) const
{
    const Clock::rep last = _lastPacket.load(std::memory_order_relaxed);
    if (last == 0)
        return std::nullopt;
    const Clock::duration since = now - Clock::time_point(Clock::duration(last));
    return static_cast<long>(std::chrono::duration_cast<std::chrono::seconds>(since).count());
}

std::string WorkerStatus::text(Phase phase, Poco::UInt64 forwardedFrames,
                               std::optional<long> secondsSinceLastPacket)
{
    switch (phase)
    {
        case STARTING:
            return "starting the concentrator";
        case STOPPING:
            return "stopping the concentrator";
        case RECEIVING:
            break;
    }
    std::string text = "receiving, " + std::to_string(forwardedFrames) +
                       (forwardedFrames == 1 ? " packet forwarded" : " packets forwarded");
    if (secondsSinceLastPacket)
        text += ", last " + std::to_string(*secondsSinceLastPacket) + " s ago";
    return text;
}

std::string WorkerStatus::backlogText(Clock::time_point now) const
{
    const std::size_t frames = _backlogFrames.load(std::memory_order_relaxed);
    const Clock::rep away = _awaySince.load(std::memory_order_relaxed);
    if (frames == 0 || (away == 0 && frames <= STATUS_BACKLOG_FRAMES))
        return std::string();
    std::string text = std::to_string(frames) + (frames == 1 ? " frame waiting" : " frames waiting");
    if (away == 0)
        return text;
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(now - Clock::time_point(Clock::duration(away)));
    return "consumer away " + std::to_string(seconds.count()) + " s, " + text;
}

} // namespace LoRaWANServer
