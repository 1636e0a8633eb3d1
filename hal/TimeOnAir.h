//
// TimeOnAir.h
//
// Library: LoRaWANServer_Hal
// Package: Hal
// Module:  TimeOnAir
//
// Definition of the TimeOnAir class: how long a received packet occupied the
// air.
//

#ifndef LoRaWANServer_TimeOnAir_INCLUDED
#define LoRaWANServer_TimeOnAir_INCLUDED

#include <cstdint>

namespace LoRaHal
{

class TimeOnAir
/// The time a packet takes on the air, from the LoRa modem's formula in the
/// SX1272/SX1276 datasheets and from the FSK frame of a LoRaWAN uplink. An
/// uplink as the concentrator receives it: 8 preamble symbols, explicit
/// header and payload CRC for LoRa; for FSK a 5-byte preamble, a 3-byte sync
/// word, the length byte, the payload and a 2-byte CRC.
{
public:
    static constexpr unsigned LORA_PREAMBLE_SYMBOLS = 8;
    static constexpr unsigned FSK_PREAMBLE_BYTES = 5;
    static constexpr unsigned FSK_SYNC_WORD_BYTES = 3;
    static constexpr unsigned FSK_LENGTH_BYTES = 1;
    static constexpr unsigned FSK_CRC_BYTES = 2;

    static double loraSeconds(unsigned spreadingFactor, double bandwidthHz, unsigned codingRate,
                              unsigned payloadBytes);
    /// Returns the seconds of a LoRa packet with spreading factor 7 to 12,
    /// bandwidthHz, coding rate 4/(4 + codingRate) (codingRate 1 to 4, the
    /// HAL's CR_LORA_* codes) and payloadBytes. The low data rate
    /// optimisation is on for SF11 and SF12 at 125 kHz and below, as the
    /// concentrator sets it. Returns 0 for a spreading factor, bandwidth or
    /// coding rate outside those ranges.

    struct LoRaRate
    /// What a spreading factor at a bandwidth fixes of a packet's time on
    /// air. A caller that times many packets keeps one for each rate.
    {
        unsigned spreadingFactor = 0;
        /// 0 for no LoRa rate: its packets take no time.
        double symbolSeconds = 0.0;
        int bitsPerBlock = 0;
        /// The payload bits a block of symbols carries.
        std::uint64_t perBlock = 0;
        /// 2^32 / bitsPerBlock, rounded up: the division by bitsPerBlock as a
        /// multiplication, exact for every payload a packet can have.
    };

    static LoRaRate loraRate(unsigned spreadingFactor, double bandwidthHz);
    /// Returns what loraSeconds() needs of spreading factor and bandwidth.

    static double loraSeconds(const LoRaRate& rate, unsigned codingRate, unsigned payloadBytes);
    /// As loraSeconds() above, for the rate that loraRate() gave.

    static double fskSeconds(double bitRate, unsigned payloadBytes);
    /// Returns the seconds of an FSK packet of payloadBytes at bitRate bits
    /// per second; 0 for a bit rate that is not positive.

    static double packetSeconds(std::uint8_t modulation, std::uint8_t bandwidthCode, std::uint32_t datarate,
                                std::uint8_t coderateCode, unsigned payloadBytes);
    /// Returns the seconds of a packet described by the HAL's codes, as a
    /// received-packet record carries them (MOD_*, BW_*, DR_LORA_* or the FSK
    /// bit rate, CR_LORA_*); 0 when a code is not one the HAL reports for
    /// the modulation.
};

} // namespace LoRaHal

#endif // LoRaWANServer_TimeOnAir_INCLUDED
