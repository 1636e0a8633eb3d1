//
// LatencyHistogram.cpp
//
// Implementation of the LatencyHistogram class.
//

#include "tools/listen/LatencyHistogram.h"

#include <cmath>

namespace LoRaWANListen
{

void LatencyHistogram::add(std::uint32_t sample)
{
    ++_counts[bucketOf(sample)];
    if (_count == 0 || sample < _minimum)
    {
        _minimum = sample;
    }
    if (_count == 0 || sample > _maximum)
    {
        _maximum = sample;
    }
    ++_count;
}

std::uint64_t LatencyHistogram::count() const
{
    return _count;
}

std::uint32_t LatencyHistogram::minimum() const
{
    return _minimum;
}

std::uint32_t LatencyHistogram::maximum() const
{
    return _maximum;
}

std::uint32_t LatencyHistogram::percentile(double fraction) const
{
    // The sample of rank ceil(fraction * count), counting from 1.
    std::uint64_t rank = static_cast<std::uint64_t>(std::ceil(fraction * static_cast<double>(_count)));
    if (rank < 1)
    {
        rank = 1;
    }
    if (rank >= _count)
    {
        return _maximum;
    }
    std::uint64_t seen = 0;
    for (std::size_t bucket = 0; bucket < BUCKET_COUNT; ++bucket)
    {
        seen += _counts[bucket];
        if (seen >= rank)
        {
            const std::uint64_t middle = bucketMiddle(bucket);
            if (middle < _minimum)
            {
                return _minimum;
            }
            return middle > _maximum ? _maximum : static_cast<std::uint32_t>(middle);
        }
    }
    return _maximum;
}

std::size_t LatencyHistogram::bucketOf(std::uint32_t sample)
{
    if (sample < EXACT_LIMIT)
    {
        return sample;
    }
    unsigned topBit = SAMPLE_BITS - 1;
    while ((sample >> topBit) == 0)
    {
        --topBit;
    }
    const unsigned shift = topBit - SUB_BUCKET_BITS;
    const std::uint32_t subBucket = (sample >> shift) & ((1u << SUB_BUCKET_BITS) - 1);
    return EXACT_LIMIT + (topBit - EXACT_BITS) * (1u << SUB_BUCKET_BITS) + subBucket;
}

std::uint64_t LatencyHistogram::bucketMiddle(std::size_t bucket)
{
    if (bucket < EXACT_LIMIT)
    {
        return bucket;
    }
    const std::size_t above = bucket - EXACT_LIMIT;
    const unsigned topBit = EXACT_BITS + static_cast<unsigned>(above >> SUB_BUCKET_BITS);
    const std::uint64_t subBucket = above & ((1u << SUB_BUCKET_BITS) - 1);
    const unsigned shift = topBit - SUB_BUCKET_BITS;
    const std::uint64_t lower = ((std::uint64_t{1} << SUB_BUCKET_BITS) + subBucket) << shift;
    return lower + ((std::uint64_t{1} << shift) >> 1);
}

} // namespace LoRaWANListen
