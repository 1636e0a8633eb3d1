//
// LevelHistogram.h
//
// Library: LoRaWANServer_Worker
// Package: Statistics
// Module:  LevelHistogram
//
// Definition of the LevelHistogram class template: how often a level fell
// into each of a row of equal buckets.
//

#ifndef LoRaWANServer_LevelHistogram_INCLUDED
#define LoRaWANServer_LevelHistogram_INCLUDED

#include "worker/statistics/SingleWriterValue.h"

#include <Poco/Types.h>

#include <array>
#include <cmath>

namespace LoRaWANServer
{

template <typename Bounds>
class LevelHistogram
/// A Prometheus histogram of levels (dBm, dB) with Bounds::COUNT upper bounds
/// Bounds::LOWEST, LOWEST + Bounds::WIDTH, ... and the bucket above the last
/// bound. A level falls into the first bucket whose bound it does not exceed.
/// One thread adds levels, any thread reads them; a level that is not a
/// number is not added.
{
public:
    static constexpr unsigned BOUNDS = Bounds::COUNT;
    static constexpr unsigned BUCKETS = BOUNDS + 1;
    /// The buckets, the one above the last bound (+Inf) included.

    struct Values
    /// What the histogram held at one moment.
    {
        std::array<Poco::UInt64, BUCKETS> buckets{};
        /// The levels of each bucket alone, not accumulated.
        double sum = 0.0;
    };

    void add(double level)
    /// Adds level. Called by the writing thread only.
    {
        if (!std::isfinite(level))
            return;
        _buckets[bucket(level)].add(1);
        _sum.add(level);
    }

    Values values() const
    /// Returns the counts and the sum; any thread may call it.
    {
        Values values;
        for (unsigned i = 0; i < BUCKETS; ++i)
            values.buckets[i] = _buckets[i].value();
        values.sum = _sum.value();
        return values;
    }

    static double bound(unsigned index)
    /// Returns the upper bound of bucket index (index < BOUNDS).
    {
        return Bounds::LOWEST + Bounds::WIDTH * index;
    }

private:
    static unsigned bucket(double level)
    {
        // Levels on a bound belong to its bucket: the position rounded up. A
        // multiplication, not a division, on the packet path: for the few
        // bounds of a histogram it is as exact on them.
        const double position = (level - Bounds::LOWEST) * PER_WIDTH;
        if (!(position > 0.0))
            return 0;
        if (position > BOUNDS - 1)
            return BOUNDS;
        const unsigned whole = static_cast<unsigned>(position);
        return whole < position ? whole + 1 : whole;
    }

    static constexpr double PER_WIDTH = 1.0 / Bounds::WIDTH;

    SingleWriterValue<double> _sum;
    std::array<SingleWriterValue<Poco::UInt64>, BUCKETS> _buckets;
};

} // namespace LoRaWANServer

#endif // LoRaWANServer_LevelHistogram_INCLUDED
