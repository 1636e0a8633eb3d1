//
// RadioCodes.h
//
// Library: LoRaWANServer_Hal
// Package: Hal
// Module:  RadioCodes
//
// Definition of the RadioCodes class: the HAL's bandwidth and datarate codes
// in physical units.
//

#ifndef LoRaWANServer_RadioCodes_INCLUDED
#define LoRaWANServer_RadioCodes_INCLUDED

#include <cstdint>

namespace LoRaHal
{

class RadioCodes
/// Translations between the HAL's codes (BW_*, DR_LORA_*) and the physical
/// quantities behind them.
{
public:
    static const unsigned MIN_SPREADING_FACTOR = 7;
    static const unsigned MAX_SPREADING_FACTOR = 12;

    static double bandwidthHz(std::uint8_t bandwidthCode);
    /// Returns the bandwidth in Hz of a BW_* code (BW_7K8HZ is 7812.5 Hz);
    /// 0 for BW_UNDEFINED and for a value that is no bandwidth code.

    static unsigned spreadingFactor(std::uint32_t datarateCode);
    /// Returns 7 to 12 for DR_LORA_SF7 to DR_LORA_SF12; 0 for anything else,
    /// including a combination of several spreading factors.

    static std::uint32_t datarateCode(unsigned spreadingFactor);
    /// Returns DR_LORA_SF7 to DR_LORA_SF12 for 7 to 12; DR_UNDEFINED otherwise.
};

} // namespace LoRaHal

#endif // LoRaWANServer_RadioCodes_INCLUDED
