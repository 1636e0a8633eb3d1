//
// LatencyHistogram.h
//
// Library: LoRaWANServer_Listen
// Package: Statistics
// Module:  LatencyHistogram
//
// Definition of the LatencyHistogram class, which keeps the distribution of
// latency samples in bounded memory.
//

#ifndef LoRaWANListen_LatencyHistogram_INCLUDED
#define LoRaWANListen_LatencyHistogram_INCLUDED

#include <array>
#include <cstdint>

namespace LoRaWANListen
{

class LatencyHistogram
/// Counts 32-bit samples in log-linear buckets: exact below 64, and above that
/// 32 buckets per power of two, so that a percentile is within about 1.6 % of
/// the true sample while memory stays fixed (a few KiB) however long the tool
/// runs. The minimum and maximum are exact.
{
public:
    void add(std::uint32_t sample);
    /// Counts one sample.

    std::uint64_t count() const;
    /// Returns the number of samples counted.

    std::uint32_t minimum() const;
    /// Returns the smallest sample. Precondition: count() > 0.

    std::uint32_t maximum() const;
    /// Returns the largest sample. Precondition: count() > 0.

    std::uint32_t percentile(double fraction) const;
    /// Returns the sample below or at which the given fraction (0 < fraction <= 1)
    /// of all samples lie: the middle of its bucket, kept within the minimum and
    /// maximum; the maximum itself for the last rank. Precondition: count() > 0.

private:
    static constexpr unsigned SUB_BUCKET_BITS = 5;
    static constexpr unsigned EXACT_BITS = SUB_BUCKET_BITS + 1;
    static constexpr std::uint32_t EXACT_LIMIT = 1u << EXACT_BITS;
    static constexpr unsigned SAMPLE_BITS = 32;
    static constexpr std::size_t BUCKET_COUNT =
        EXACT_LIMIT + (SAMPLE_BITS - EXACT_BITS) * (1u << SUB_BUCKET_BITS);

    static std::size_t bucketOf(std::uint32_t sample);
    static std::uint64_t bucketMiddle(std::size_t bucket);

    std::array<std::uint64_t, BUCKET_COUNT> _counts{};
    std::uint64_t _count = 0;
    std::uint32_t _minimum = 0;
    std::uint32_t _maximum = 0;
};

} // namespace LoRaWANListen

#endif // LoRaWANListen_LatencyHistogram_INCLUDED
