//
// ConcentratorClock.h
//
// Definition of the ConcentratorClock class: the concentrator's microsecond
// counter.
//

#ifndef PicoGwEmu_ConcentratorClock_INCLUDED
#define PicoGwEmu_ConcentratorClock_INCLUDED

#include <cstdint>

namespace PicoGwEmu
{

class ConcentratorClock
/// The counter the concentrator time-stamps packets with: the low 32 bits of
/// CLOCK_MONOTONIC in microseconds, so that a consumer on the same machine can
/// tell how long a packet took to reach it (the simulated concentrator counts
/// the same way).
{
public:
    static std::uint32_t now();
    /// Returns the counter's current value.
};

} // namespace PicoGwEmu

#endif // PicoGwEmu_ConcentratorClock_INCLUDED
