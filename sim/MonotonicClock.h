//
// MonotonicClock.h
//
// Definition of the MonotonicClock class: the time base of the simulated
// concentrator's microsecond counter.
//

#ifndef Sim_MonotonicClock_INCLUDED
#define Sim_MonotonicClock_INCLUDED

#include <cstdint>

namespace LoRaSim
{

class MonotonicClock
/// The concentrator's counter in the simulation: CLOCK_MONOTONIC in
/// microseconds, so that a consumer on the same machine can compare a
/// packet's count_us with its own clock and measure latency.
{
public:
    static std::uint64_t nowMicros();
    /// Returns CLOCK_MONOTONIC in microseconds (all 64 bits).

    static std::uint32_t counter(std::uint64_t micros);
    /// Returns the concentrator counter value for the given time: its low
    /// 32 bits, as count_us holds it (it wraps after about 71 minutes).
};

} // namespace LoRaSim

#endif // Sim_MonotonicClock_INCLUDED
