//
// LevelDistribution.cpp
//
// Implementation of the LevelDistribution class.
//

#include "tools/listen/LevelDistribution.h"

#include <algorithm>
#include <cmath>

namespace LoRaWANListen
{

namespace
{

const double STEPS_PER_DB = 4.0;
const std::uint64_t HALF = 2;

} // namespace

LevelDistribution::LevelDistribution(double lowest, double highest)
    : _lowest(lowest), _counts(static_cast<std::size_t>((highest - lowest) * STEPS_PER_DB) + 1)
{
}

void LevelDistribution::add(double level)
{
    if (!std::isfinite(level))
    {
        return;
    }
    const double step = std::round((level - _lowest) * STEPS_PER_DB);
    const double last = static_cast<double>(_counts.size() - 1);
    ++_counts[static_cast<std::size_t>(std::clamp(step, 0.0, last))];
    _minimum = _count == 0 ? level : std::min(_minimum, level);
    ++_count;
}

std::uint64_t LevelDistribution::count() const
{
    return _count;
}

double LevelDistribution::median() const
{
    if (_count == 0)
    {
        return 0.0;
    }
    return (levelAtRank((_count - 1) / HALF) + levelAtRank(_count / HALF)) / HALF;
}

double LevelDistribution::lowest() const
{
    return _minimum;
}

double LevelDistribution::levelAtRank(std::uint64_t rank) const
{
    std::uint64_t below = 0;
    for (std::size_t step = 0; step < _counts.size(); ++step)
    {
        below += _counts[step];
        if (below > rank)
        {
            return _lowest + step / STEPS_PER_DB;
        }
    }
    return _lowest + (_counts.size() - 1) / STEPS_PER_DB;
}

} // namespace LoRaWANListen
