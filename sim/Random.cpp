//
// Random.cpp
//
// Implementation of the Random class.
//

#include "sim/Random.h"

#include <cmath>

namespace LoRaSim
{

namespace
{

std::uint64_t splitMix(std::uint64_t& value)
{
    value += 0x9E3779B97F4A7C15ULL;
    std::uint64_t mixed = value;
    mixed = (mixed ^ (mixed >> 30)) * 0xBF58476D1CE4E5B9ULL;
    mixed = (mixed ^ (mixed >> 27)) * 0x94D049BB133111EBULL;
    return mixed ^ (mixed >> 31);
}

std::uint64_t rotateLeft(std::uint64_t value, int bits)
{
    return (value << bits) | (value >> (64 - bits));
}

// A double has 53 bits of mantissa: the top 53 random bits fill it exactly.
const int MANTISSA_BITS = 53;
const double MANTISSA_SCALE = 1.0 / static_cast<double>(1ULL << MANTISSA_BITS);
const double TWO_PI = 6.283185307179586;

} // namespace

Random::Random(std::uint64_t seed)
{
    for (std::uint64_t& word : _state)
        word = splitMix(seed);
}

std::uint64_t Random::next()
{
    const std::uint64_t result = rotateLeft(_state[1] * 5, 7) * 9;
    const std::uint64_t shifted = _state[1] << 17;
    _state[2] ^= _state[0];
    _state[3] ^= _state[1];
    _state[1] ^= _state[2];
    _state[0] ^= _state[3];
    _state[2] ^= shifted;
    _state[3] = rotateLeft(_state[3], 45);
    return result;
}

double Random::uniform()
{
    return static_cast<double>(next() >> (64 - MANTISSA_BITS)) * MANTISSA_SCALE;
}

double Random::uniform(double low, double high)
{
    return low + (high - low) * uniform();
}

unsigned Random::below(unsigned bound)
{
    return static_cast<unsigned>(uniform() * bound);
}

bool Random::chance(double probability)
{
    return uniform() < probability;
}

double Random::normal(double mean, double deviation)
{
    // Box-Muller; 1 - uniform() lies in (0, 1], so the logarithm is finite.
    const double radius = std::sqrt(-2.0 * std::log(1.0 - uniform()));
    return mean + deviation * radius * std::cos(TWO_PI * uniform());
}

double Random::exponential(double mean)
{
    return -mean * std::log(1.0 - uniform());
}

} // namespace LoRaSim
