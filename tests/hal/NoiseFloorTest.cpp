//
// NoiseFloorTest.cpp
//
// The noise a packet reveals, which packets are samples of it, and the median
// of the samples.
//

#include "hal/NoiseFloor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using LoRaHal::NoiseFloor;

TEST(NoiseFloor, TheRssiIsSignalPlusNoise)
{
    // Signal and noise of equal power read 3 dB above the noise.
    EXPECT_NEAR(-117.0, NoiseFloor::levelDbm(-117.0f + 10 * std::log10(2.0f), 0.0f), 1e-5);
    // Far below the noise the RSSI is the noise itself; RSSI - SNR would be 20 dB off.
    EXPECT_NEAR(-117.0432, NoiseFloor::levelDbm(-117.0f, -20.0f), 1e-4);
    EXPECT_NEAR(-112.4139, NoiseFloor::levelDbm(-112.0f, -10.0f), 1e-4);
}

TEST(NoiseFloor, OnlyPacketsAtOrBelowTheNoiseAreSamples)
{
    const float quietNaN = std::numeric_limits<float>::quiet_NaN();
    const struct
    {
        float snr;
        bool isSample;
    } cases[] = {{-20.0f, true}, {0.0f, true}, {0.25f, false}, {11.0f, false}, {quietNaN, false}};
    for (const auto& item : cases)
        EXPECT_EQ(item.isSample, NoiseFloor::isSample(item.snr)) << item.snr;
}

TEST(NoiseFloor, MedianOfOddAndEvenCounts)
{
    std::vector<double> odd = {-110, -118, -117, -90, -116};
    EXPECT_EQ(-116, NoiseFloor::median(odd.data(), odd.size()));
    std::vector<double> even = {-110, -118, -117, -116};
    EXPECT_EQ(-116.5, NoiseFloor::median(even.data(), even.size()));
    double one = -100;
    EXPECT_EQ(-100, NoiseFloor::median(&one, 1));
}
