//
// TimeOnAir.cpp
//
// Implementation of the TimeOnAir class.
//

#include "hal/TimeOnAir.h"

#include "hal/HalApi.h"
#include "hal/RadioCodes.h"

#include <algorithm>

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

} // namespace

double TimeOnAir::loraSeconds(unsigned spreadingFactor, double bandwidthHz, unsigned codingRate,
                              unsigned payloadBytes)
{
    return loraSymbols(spreadingFactor, lowDataRateOptimisation(spreadingFactor, bandwidthHz), codingRate,
                       payloadBytes) *
           symbolSeconds(spreadingFactor, bandwidthHz);
}

double TimeOnAir::loraSymbols(unsigned spreadingFactor, bool lowDataRate, unsigned codingRate,
                              unsigned payloadBytes)
{
    if (spreadingFactor < RadioCodes::MIN_SPREADING_FACTOR ||
        spreadingFactor > RadioCodes::MAX_SPREADING_FACTOR || codingRate < 1 || codingRate > MAX_CODING_RATE)
        return 0.0;
    const int sf = static_cast<int>(spreadingFactor);
    const int explicitHeader = 0; // the datasheet's IH: 0 for an explicit header
    const int bits = BITS_PER_BYTE * static_cast<int>(payloadBytes) - SF_BITS * sf + FIXED_BITS + CRC_BITS -
                     HEADER_BITS * explicitHeader;
    const int bitsPerBlock = SF_BITS * (sf - (lowDataRate ? LOW_DATA_RATE_SHRINK : 0));
    // Rounded up to whole blocks, never below none.
    const int blocks = std::max((bits + bitsPerBlock - 1) / bitsPerBlock, 0);
    const int payloadSymbols =
        PAYLOAD_FIRST_SYMBOLS + blocks * (CODED_SYMBOLS + static_cast<int>(codingRate));
    return LORA_PREAMBLE_SYMBOLS + PREAMBLE_EXTRA_SYMBOLS + payloadSymbols;
}

bool TimeOnAir::lowDataRateOptimisation(unsigned spreadingFactor, double bandwidthHz)
{
    return static_cast<int>(spreadingFactor) >= LOW_DATA_RATE_SPREADING_FACTOR &&
           bandwidthHz <= LOW_DATA_RATE_MAX_BANDWIDTH_HZ;
}

double TimeOnAir::symbolSeconds(unsigned spreadingFactor, double bandwidthHz)
{
    if (spreadingFactor > RadioCodes::MAX_SPREADING_FACTOR || !(bandwidthHz > 0.0))
        return 0.0;
    return static_cast<double>(1U << spreadingFactor) / bandwidthHz;
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
