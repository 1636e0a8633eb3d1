//
// TimeOnAirTest.cpp
//
// The time on air against published values: the LoRa modem's figures for a
// LoRaWAN uplink (8 preamble symbols, explicit header, CRC on) as the Semtech
// LoRa calculator gives them, and the FSK frame of LoRaWAN.
//

#include "hal/TimeOnAir.h"
#include "hal/HalApi.h"

#include <gtest/gtest.h>

using LoRaHal::TimeOnAir;

namespace
{

struct Published
{
    std::uint8_t modulation;
    std::uint8_t bandwidth;
    std::uint32_t datarate;
    std::uint8_t coderate;
    unsigned size;
    double milliseconds;
};

const Published PUBLISHED[] = {
    // The 13 bytes of a LoRaWAN frame without payload, SF7 to SF12 at 125 kHz
    // (SF11 and SF12 with the low data rate optimisation).
    {MOD_LORA, BW_125KHZ, DR_LORA_SF7, CR_LORA_4_5, 13, 46.336},
    {MOD_LORA, BW_125KHZ, DR_LORA_SF8, CR_LORA_4_5, 13, 82.432},
    {MOD_LORA, BW_125KHZ, DR_LORA_SF9, CR_LORA_4_5, 13, 164.864},
    {MOD_LORA, BW_125KHZ, DR_LORA_SF10, CR_LORA_4_5, 13, 288.768},
    {MOD_LORA, BW_125KHZ, DR_LORA_SF11, CR_LORA_4_5, 13, 577.536},
    {MOD_LORA, BW_125KHZ, DR_LORA_SF12, CR_LORA_4_5, 13, 1155.072},
    // EU868 DR6.
    {MOD_LORA, BW_250KHZ, DR_LORA_SF7, CR_LORA_4_5, 13, 23.168},
    // The largest frames of EU868 DR0 and DR5: 59 and 230 bytes of MAC payload.
    {MOD_LORA, BW_125KHZ, DR_LORA_SF12, CR_LORA_4_5, 64, 2793.472},
    {MOD_LORA, BW_125KHZ, DR_LORA_SF7, CR_LORA_4_5, 235, 368.896},
    // US915 DR4 (SF8 at 500 kHz) and the other coding rates.
    {MOD_LORA, BW_500KHZ, DR_LORA_SF8, CR_LORA_4_5, 13, 20.608},
    {MOD_LORA, BW_125KHZ, DR_LORA_SF7, CR_LORA_4_8, 13, 61.696},
    {MOD_LORA, BW_125KHZ, DR_LORA_SF9, CR_LORA_4_6, 20, 205.824},
    // No payload at all: the header block alone.
    {MOD_LORA, BW_125KHZ, DR_LORA_SF7, CR_LORA_4_5, 0, 25.856},
    // FSK at 50 kbit/s: 5 bytes preamble, 3 sync word, 1 length, 2 CRC.
    {MOD_FSK, BW_125KHZ, 50000, CR_UNDEFINED, 13, 3.84},
    {MOD_FSK, BW_125KHZ, 50000, CR_UNDEFINED, 0, 1.76},
};

TEST(TimeOnAir, MatchesThePublishedValues)
{
    for (const Published& item : PUBLISHED)
        EXPECT_NEAR(item.milliseconds / 1000.0,
                    TimeOnAir::packetSeconds(item.modulation, item.bandwidth, item.datarate, item.coderate,
                                             item.size),
                    1e-12)
            << "modulation " << int(item.modulation) << ", datarate " << item.datarate << ", coderate "
            << int(item.coderate) << ", " << item.size << " bytes";
}

TEST(TimeOnAir, CodesTheHalDoesNotReportTakeNoTime)
{
    const Published unknown[] = {
        {MOD_UNDEFINED, BW_125KHZ, DR_LORA_SF7, CR_LORA_4_5, 13, 0},
        {MOD_LORA, BW_UNDEFINED, DR_LORA_SF7, CR_LORA_4_5, 13, 0},
        {MOD_LORA, BW_125KHZ, DR_LORA_MULTI, CR_LORA_4_5, 13, 0},
        {MOD_LORA, BW_125KHZ, DR_LORA_SF7, CR_UNDEFINED, 13, 0},
        {MOD_LORA, BW_125KHZ, DR_LORA_SF7, 5, 13, 0},
        {MOD_FSK, BW_125KHZ, DR_FSK_MIN - 1, CR_UNDEFINED, 13, 0},
        {MOD_FSK, BW_125KHZ, DR_FSK_MAX + 1, CR_UNDEFINED, 13, 0},
    };
    for (const Published& item : unknown)
        EXPECT_EQ(0.0, TimeOnAir::packetSeconds(item.modulation, item.bandwidth, item.datarate, item.coderate,
                                                item.size))
            << "modulation " << int(item.modulation) << ", bandwidth " << int(item.bandwidth) << ", datarate "
            << item.datarate << ", coderate " << int(item.coderate);
}

} // namespace
