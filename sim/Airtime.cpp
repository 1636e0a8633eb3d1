//
// Airtime.cpp
//
// Implementation of the Airtime class.
//

#include "sim/Airtime.h"

#include "sim/RadioCodes.h"

#include <algorithm>
#include <cmath>

namespace LoRaSim
{

namespace
{

const double MICROS_PER_SECOND = 1e6;
const double BITS_PER_BYTE = 8.0;

const double LORA_PREAMBLE_SYMBOLS = 8.0;
const double LORA_SYNC_SYMBOLS = 4.25;
const double LORA_FIXED_PAYLOAD_SYMBOLS = 8.0;
const double LORA_CRC_BITS = 16.0;
const double LORA_HEADER_BITS = 28.0; // explicit header
const unsigned LORA_CODING_BASE = 4;  // coding rate 4/(4 + CR)
const unsigned LOW_DATARATE_SF = 11;

const double FSK_PREAMBLE_BYTES = 5.0;
const double FSK_SYNC_WORD_BYTES = 3.0;
const double FSK_LENGTH_BYTES = 1.0;
const double FSK_CRC_BYTES = 2.0;

double loraSeconds(const lgw_pkt_rx_s& packet)
{
    const unsigned sf = RadioCodes::spreadingFactor(packet.datarate);
    const double bandwidth = RadioCodes::bandwidthHz(packet.bandwidth);
    if (sf == 0 || bandwidth <= 0.0)
        return 0.0;
    const double symbolSeconds = std::ldexp(1.0, static_cast<int>(sf)) / bandwidth;
    const bool lowDatarate = sf >= LOW_DATARATE_SF && packet.bandwidth == BW_125KHZ;
    const double bitsPerSymbolBlock = LORA_CODING_BASE * (sf - (lowDatarate ? 2 : 0));
    const unsigned coding = std::max<unsigned>(packet.coderate, CR_LORA_4_5);
    const double payloadBits =
        BITS_PER_BYTE * packet.size - LORA_CODING_BASE * sf + LORA_HEADER_BITS + LORA_CRC_BITS;
    const double blocks = std::max(std::ceil(payloadBits / bitsPerSymbolBlock), 0.0);
    const double symbols = LORA_PREAMBLE_SYMBOLS + LORA_SYNC_SYMBOLS + LORA_FIXED_PAYLOAD_SYMBOLS +
                           blocks * (LORA_CODING_BASE + coding);
    return symbols * symbolSeconds;
}

double fskSeconds(const lgw_pkt_rx_s& packet)
{
    if (packet.datarate == 0)
        return 0.0;
    const double bytes =
        FSK_PREAMBLE_BYTES + FSK_SYNC_WORD_BYTES + FSK_LENGTH_BYTES + packet.size + FSK_CRC_BYTES;
    return bytes * BITS_PER_BYTE / packet.datarate;
}

} // namespace

std::uint64_t Airtime::micros(const lgw_pkt_rx_s& packet)
{
    double seconds = 0.0;
    if (packet.modulation == MOD_LORA)
        seconds = loraSeconds(packet);
    else if (packet.modulation == MOD_FSK)
        seconds = fskSeconds(packet);
    return static_cast<std::uint64_t>(std::llround(seconds * MICROS_PER_SECOND));
}

} // namespace LoRaSim
