//
// LevelDistribution.h
//
// Library: LoRaWANServer_Listen
// Package: Statistics
// Module:  LevelDistribution
//
// Definition of the LevelDistribution class, the levels of a channel's
// packets (RSSI in dBm, SNR in dB) in quarter-decibel steps.
//

#ifndef LoRaWANListen_LevelDistribution_INCLUDED
#define LoRaWANListen_LevelDistribution_INCLUDED

#include <cstdint>
#include <vector>

namespace LoRaWANListen
{

class LevelDistribution
/// How often each level came, in steps of 0.25 dB (the concentrator's own
/// resolution) from lowest to highest; levels outside count at the nearer
/// end. Its size is fixed whatever the number of levels added.
{
public:
    LevelDistribution(double lowest, double highest);
    /// Creates an empty distribution over [lowest, highest].

    void add(double level);
    /// Adds level; a level that is not a number is left out.

    std::uint64_t count() const;
    /// Returns how many levels were added.

    double median() const;
    /// Returns the median (the mean of the middle two for an even count) in
    /// steps of 0.25 dB; 0 when empty.

    double lowest() const;
    /// Returns the lowest level added, exactly; 0 when empty.

private:
    double levelAtRank(std::uint64_t rank) const;

    double _lowest;
    std::vector<std::uint32_t> _counts;
    std::uint64_t _count = 0;
    double _minimum = 0.0;
};

} // namespace LoRaWANListen

#endif // LoRaWANListen_LevelDistribution_INCLUDED
