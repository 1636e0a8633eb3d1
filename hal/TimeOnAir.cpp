//
// TimeOnAir.cpp
//
// Implementation of the TimeOnAir class.
//

#include "hal/TimeOnAir.h"

#include "hal/HalApi.h"
#include "hal/RadioCodes.h"

namespace LoRaHal
{

namespace
{

// The datasheet's formula counts the preamble's fixed part and the payload's
// first block in symbols of their own.
const double PREAMBLE_EXTRA_SYMBOLS = 4.25;
const int PAYLOAD_FIRST_SYMBOLS = 8;
const int BITS_PER_BYTE = 8;
const int SF_BITS = 4;       // each spreading factor step removes 4 bits of the first block
const int HEADER_BITS = 20;  // the explicit header
const int CRC_BITS = 16;     // the payload CRC
const int FIXED_BITS = 28;   // the remainder of the first block
const int CODED_SYMBOLS = 4; // symbols per block before coding: 4/(4 + CR)
const int MAX_CODING_RATE = 4;
const int LOW_DATA_RATE_SPREADING_FACTOR = 11;
const double LOW_DATA_RATE_MAX_BANDWIDTH_HZ = 125000.0;
const int LOW_DATA_RATE_SHRINK = 2; // bits per symbol fewer with the optimisation on
// n * ceil(2^32 / d) / 2^32 rounds down to n / d for every n below 2^32 / d,
// which with d at most 48 is far above the 524 000 bits of 65535 bytes.
const unsigned RECIPROCAL_BITS = 32;

} // namespace

double TimeOnAir::loraSeconds(unsigned spreadingFactor, double bandwidthHz, unsigned codingRate,
                              unsigned payloadBytes)
{
    return loraSeconds(loraRate(spreadingFactor, bandwidthHz), codingRate, payloadBytes);
}

TimeOnAir::LoRaRate TimeOnAir::loraRate(unsigned spreadingFactor, double bandwidthHz)
{
    LoRaRate rate;
    if (spreadingFactor < RadioCodes::MIN_SPREADING_FACTOR ||
        spreadingFactor > RadioCodes::MAX_SPREADING_FACTOR || !(bandwidthHz > 0.0))
        return rate;
    const int sf = static_cast<int>(spreadingFactor);
    const bool lowDataRate =
        sf >= LOW_DATA_RATE_SPREADING_FACTOR && bandwidthHz <= LOW_DATA_RATE_MAX_BANDWIDTH_HZ;
    rate.spreadingFactor = spreadingFactor;
    rate.symbolSeconds = static_cast<double>(1U << spreadingFactor) / bandwidthHz;
    rate.bitsPerBlock = SF_BITS * (sf - (lowDataRate ? LOW_DATA_RATE_SHRINK : 0));
    rate.perBlock = ((std::uint64_t(1) << RECIPROCAL_BITS) + rate.bitsPerBlock - 1) / rate.bitsPerBlock;
    return rate;
}

double TimeOnAir::loraSeconds(const LoRaRate& rate, unsigned codingRate, unsigned payloadBytes)
{
    if (rate.spreadingFactor == 0 || codingRate < 1 || codingRate > MAX_CODING_RATE)
        return 0.0;
    const int explicitHeader = 0; // the datasheet's IH: 0 for an explicit header
    const int bits = BITS_PER_BYTE * static_cast<int>(payloadBytes) -
                     SF_BITS * static_cast<int>(rate.spreadingFactor) + FIXED_BITS + CRC_BITS -
                     HEADER_BITS * explicitHeader;
    // Rounded up to whole blocks, never below none.
    const std::uint64_t blocks =
        bits <= 0
            ? 0
            : (static_cast<std::uint64_t>(bits + rate.bitsPerBlock - 1) * rate.perBlock) >> RECIPROCAL_BITS;
    const double payloadSymbols =
        PAYLOAD_FIRST_SYMBOLS + static_cast<double>(blocks) * (CODED_SYMBOLS + static_cast<int>(codingRate));
    return (LORA_PREAMBLE_SYMBOLS + PREAMBLE_EXTRA_SYMBOLS + payloadSymbols) * rate.symbolSeconds;
}

double TimeOnAir::fskSeconds(double bitRate, unsigned payloadBytes)
{
    if (!(bitRate > 0.0))
        return 0.0;
    const unsigned bytes =
        FSK_PREAMBLE_BYTES + FSK_SYNC_WORD_BYTES + FSK_LENGTH_BYTES + payloadBytes + FSK_CRC_BYTES;
    return BITS_PER_BYTE * bytes / bitRate;
}

double TimeOnAir::packetSeconds(std::uint8_t modulation, std::uint8_t bandwidthCode, std::uint32_t datarate,
                                std::uint8_t coderateCode, unsigned payloadBytes)
{
    if (modulation == MOD_LORA)
        return loraSeconds(RadioCodes::spreadingFactor(datarate), RadioCodes::bandwidthHz(bandwidthCode),
                           coderateCode, payloadBytes);
    if (modulation == MOD_FSK && datarate >= DR_FSK_MIN && datarate <= DR_FSK_MAX)
        return fskSeconds(datarate, payloadBytes);
    return 0.0;
}

} // namespace LoRaHal
