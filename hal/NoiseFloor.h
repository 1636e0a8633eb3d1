//
// NoiseFloor.h
//
// Library: LoRaWANServer_Hal
// Package: Hal
// Module:  NoiseFloor
//
// Definition of the NoiseFloor class: the noise of a channel, estimated from
// the packets it receives.
//

#ifndef LoRaWANServer_NoiseFloor_INCLUDED
#define LoRaWANServer_NoiseFloor_INCLUDED

#include <cstddef>

namespace LoRaHal
{

class NoiseFloor
/// The concentrator has no spectral scan: the only noise figure it gives is
/// the one hidden in its LoRa packets. A packet's RSSI measures signal plus
/// noise, its SNR their ratio, so the noise is
///     RSSI - 10 log10(1 + 10^(SNR / 10)).
/// The SNR reading saturates for strong packets (they read +5 to +11 dB
/// however strong they are), and the formula would then return a level far
/// above the noise; only packets at or below the noise (SNR <= 0 dB), where
/// the reading is true and the result depends least on it, are samples. A
/// channel's estimate is the median of its last WINDOW samples.
{
public:
    static constexpr std::size_t WINDOW = 64;
    /// How many of a channel's latest samples its estimate is the median of.

    static constexpr float MAX_SAMPLE_SNR_DB = 0.0f;
    /// The highest SNR of a sample.

    static bool isSample(float snr);
    /// Returns true when a CRC-valid LoRa packet with this SNR (dB) is a
    /// sample of the noise: SNR at most 0 dB, and a number.

    static double levelDbm(float rssi, float snr);
    /// Returns the noise in dBm that a packet's RSSI (dBm) and SNR (dB) give.

    static double median(double* pLevels, std::size_t count);
    /// Returns the median of count levels (the mean of the middle two for an
    /// even count), reordering them. count must not be 0.
};

inline bool NoiseFloor::isSample(float snr)
{
    // False for NaN as well.
    return snr <= MAX_SAMPLE_SNR_DB;
}

} // namespace LoRaHal

#endif // LoRaWANServer_NoiseFloor_INCLUDED
