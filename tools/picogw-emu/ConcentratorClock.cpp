//
// ConcentratorClock.cpp
//
// Implementation of the ConcentratorClock class.
//

#include "tools/picogw-emu/ConcentratorClock.h"

#include <ctime>

namespace PicoGwEmu
{

std::uint32_t ConcentratorClock::now()
{
    constexpr std::uint64_t MICROSECONDS_PER_SECOND = 1000000;
    constexpr std::uint64_t NANOSECONDS_PER_MICROSECOND = 1000;
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const std::uint64_t micros = std::uint64_t(ts.tv_sec) * MICROSECONDS_PER_SECOND +
                                 std::uint64_t(ts.tv_nsec) / NANOSECONDS_PER_MICROSECOND;
    return static_cast<std::uint32_t>(micros);
}

} // namespace PicoGwEmu
