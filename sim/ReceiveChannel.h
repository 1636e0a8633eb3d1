//
// ReceiveChannel.h
//
// Definition of the ReceiveChannel struct: a demodulator channel that
// receives.
//

#ifndef Sim_ReceiveChannel_INCLUDED
#define Sim_ReceiveChannel_INCLUDED

#include <cstdint>

namespace LoRaSim
{

struct ReceiveChannel
/// An IF chain that was enabled, on an enabled radio, when the concentrator
/// started: what a packet received on it carries.
{
    std::uint8_t ifChain;
    std::uint8_t rfChain;
    std::uint32_t freqHz;    /// the radio's centre frequency plus the IF offset
    std::uint8_t modulation; /// MOD_LORA for chains 0 to 8, MOD_FSK for chain 9
    std::uint8_t bandwidth;  /// the chain's bandwidth code after defaults
    std::uint32_t datarate;  /// the chain's datarate after defaults (a set of SFs on multi-SF chains)
    float rssiOffset;        /// the radio's RSSI correction
};

} // namespace LoRaSim

#endif // Sim_ReceiveChannel_INCLUDED
