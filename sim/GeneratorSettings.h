//
// GeneratorSettings.h
//
// Definition of the GeneratorSettings struct: what a scenario asks of the
// traffic generator.
//

#ifndef Sim_GeneratorSettings_INCLUDED
#define Sim_GeneratorSettings_INCLUDED

#include "sim/SimConstants.h"

#include <cstdint>
#include <map>
#include <optional>

namespace LoRaSim
{

struct GeneratorSettings
/// The "generator" member of a scenario; the defaults are those of the
/// default scenario.
{
    double rate = DEFAULT_RATE;
    /// Packets per second on average; 0 releases a burst at every call.

    std::optional<std::uint64_t> seed;
    /// Names the traffic; without it, every run differs.

    std::optional<std::uint64_t> count;
    /// How many packets in all; without it, the traffic never ends.

    unsigned burst = DEFAULT_BURST;
    /// Packets released together when the rate allows (1 to LGW_PKT_FIFO_SIZE).

    double crcErrorRatio = DEFAULT_CRC_ERROR_RATIO;
    /// The share of packets with status STAT_CRC_BAD (0 to 1).

    std::optional<unsigned> payloadBytes;
    /// The size of every uplink frame (MIN_FRAME_SIZE to MAX_PAYLOAD_SIZE);
    /// without it, each device has a size of its own and some frames carry
    /// MAC commands only.

    double noiseDbm = DEFAULT_NOISE_DBM;
    /// The noise floor of every channel, as its power in 125 kHz (a 250 kHz
    /// channel has 3 dB more).

    std::map<unsigned, double> chainNoiseDbm;
    /// The noise floor of single IF chains, in place of noiseDbm.

    double noiseOf(unsigned ifChain) const
    /// Returns the noise floor of IF chain ifChain, as its power in 125 kHz.
    {
        const auto found = chainNoiseDbm.find(ifChain);
        return found == chainNoiseDbm.end() ? noiseDbm : found->second;
    }
};

} // namespace LoRaSim

#endif // Sim_GeneratorSettings_INCLUDED
