//
// MonotonicClock.cpp
//
// Implementation of the MonotonicClock class.
//

#include "sim/MonotonicClock.h"

#include <time.h>

namespace LoRaSim
{

namespace
{
const std::uint64_t MICROS_PER_SECOND = 1000000;
const std::uint64_t NANOS_PER_MICRO = 1000;
} // namespace

std::uint64_t MonotonicClock::nowMicros()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * MICROS_PER_SECOND +
           static_cast<std::uint64_t>(now.tv_nsec) / NANOS_PER_MICRO;
}

std::uint32_t MonotonicClock::counter(std::uint64_t micros)
{
    return static_cast<std::uint32_t>(micros);
}

} // namespace LoRaSim
