//
// Random.h
//
// Definition of the Random class: the simulated concentrator's own
// pseudo-random numbers.
//

#ifndef Sim_Random_INCLUDED
#define Sim_Random_INCLUDED

#include <cstdint>

namespace LoRaSim
{

class Random
/// A small pseudo-random generator (xoshiro256**, seeded through splitmix64)
/// with the few distributions the simulation needs. The standard library's
/// distributions differ between implementations; these do not, so one seed
/// names one traffic on every platform.
{
public:
    explicit Random(std::uint64_t seed);
    /// Creates the generator; equal seeds give equal sequences.

    std::uint64_t next();
    /// Returns the next 64 random bits.

    double uniform();
    /// Returns a number in [0, 1).

    double uniform(double low, double high);
    /// Returns a number in [low, high).

    unsigned below(unsigned bound);
    /// Returns a whole number in [0, bound). bound must not be 0.

    bool chance(double probability);
    /// Returns true with the given probability (0 never, 1 always).

    double normal(double mean, double deviation);
    /// Returns a normally distributed number.

    double exponential(double mean);
    /// Returns an exponentially distributed number with the given mean (the
    /// gap between events of a Poisson process).

private:
    static const int STATE_WORDS = 4;
    std::uint64_t _state[STATE_WORDS];
};

} // namespace LoRaSim

#endif // Sim_Random_INCLUDED
