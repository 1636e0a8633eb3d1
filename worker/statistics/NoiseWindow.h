//
// NoiseWindow.h
//
// Library: LoRaWANServer_Worker
// Package: Statistics
// Module:  NoiseWindow
//
// Definition of the NoiseWindow class: the latest noise samples of one
// channel.
//

#ifndef LoRaWANServer_NoiseWindow_INCLUDED
#define LoRaWANServer_NoiseWindow_INCLUDED

#include "hal/NoiseFloor.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace LoRaWANServer
{

class NoiseWindow
/// The RSSI and SNR of a channel's last LoRaHal::NoiseFloor::WINDOW noise
/// samples, kept as they came: the writer only stores two numbers, and the
/// reader turns them into noise levels and their median.
{
public:
    void add(float rssi, float snr);
    /// Keeps a sample in place of the oldest. Called by the writing thread
    /// only.

    std::optional<double> estimateDbm() const;
    /// Returns the median noise level of the samples kept, nothing before
    /// the first one. Any thread may call it.

private:
    static constexpr std::size_t WINDOW = LoRaHal::NoiseFloor::WINDOW;

    std::atomic<std::uint64_t> _samples[WINDOW] = {};
    /// Each sample's RSSI in the high, its SNR in the low 32 bits, both as
    /// single-precision floats: one store keeps the pair together.
    std::atomic<std::uint64_t> _written{0};
};

} // namespace LoRaWANServer

#endif // LoRaWANServer_NoiseWindow_INCLUDED
