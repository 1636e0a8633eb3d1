//
// NoiseWindow.cpp
//
// Implementation of the NoiseWindow class.
//

#include "worker/statistics/NoiseWindow.h"

#include <algorithm>
#include <cstring>

namespace LoRaWANServer
{

namespace
{

const unsigned HALF_BITS = 32;

std::uint32_t bitsOf(float value)
{
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

float floatOf(std::uint32_t bits)
{
    float value = 0.0f;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

} // namespace

void NoiseWindow::add(float rssi, float snr)
{
    const std::uint64_t written = _written.load(std::memory_order_relaxed);
    const std::uint64_t sample = static_cast<std::uint64_t>(bitsOf(rssi)) << HALF_BITS | bitsOf(snr);
    _samples[written % WINDOW].store(sample, std::memory_order_relaxed);
    // Released after the sample: a reader that sees the count sees the sample.
    _written.store(written + 1, std::memory_order_release);
}

std::optional<double> NoiseWindow::estimateDbm() const
{
    const std::size_t count =
        static_cast<std::size_t>(std::min<std::uint64_t>(_written.load(std::memory_order_acquire), WINDOW));
    if (count == 0)
        return std::nullopt;
    double levels[WINDOW];
    for (std::size_t i = 0; i < count; ++i)
    {
        const std::uint64_t sample = _samples[i].load(std::memory_order_relaxed);
        levels[i] = LoRaHal::NoiseFloor::levelDbm(floatOf(static_cast<std::uint32_t>(sample >> HALF_BITS)),
                                                  floatOf(static_cast<std::uint32_t>(sample)));
    }
    return LoRaHal::NoiseFloor::median(levels, count);
}

} // namespace LoRaWANServer
