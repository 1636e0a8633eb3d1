//
// WorkerStatus.cpp
//
// Implementation of the WorkerStatus class.
//

#include "worker/WorkerStatus.h"

namespace LoRaWANServer
{

WorkerStatus::WorkerStatus() : _phase(STARTING), _lastPacket(0) {}

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

} // namespace LoRaWANServer
