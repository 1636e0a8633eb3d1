//
// AgcHandshakeTest.cpp
//
// The AGC firmware's start-up dialogue as a sequence.
//

#include "tools/picogw-emu/AgcHandshake.h"

#include <gtest/gtest.h>

using PicoGwEmu::AgcHandshake;

namespace
{

constexpr std::uint8_t WAIT = 16;

std::uint8_t step(AgcHandshake& agc, std::uint8_t value)
{
    agc.onRadioSelect(WAIT);
    agc.onRadioSelect(value);
    return agc.status();
}

TEST(AgcHandshake, IgnoresRadioSelectWritesUntilStartedAndValuesWithoutWait)
{
    AgcHandshake agc;
    EXPECT_EQ(step(agc, 0x3A), 0);
    agc.start();
    EXPECT_EQ(agc.status(), 0x10);
    agc.onRadioSelect(0x3A);
    EXPECT_EQ(agc.status(), 0x10);
    EXPECT_EQ(step(agc, 0x3A), 0x30);
}

TEST(AgcHandshake, FullGainTableThenTheRemainingSteps)
{
    AgcHandshake agc;
    agc.start();
    for (unsigned i = 0; i < 16; ++i)
        EXPECT_EQ(step(agc, 0x3A), 0x30 + i);
    EXPECT_EQ(step(agc, 3), 0x33);
    EXPECT_EQ(step(agc, 0), 0x30);
    EXPECT_FALSE(agc.running());
    EXPECT_EQ(step(agc, 0xFF), 0x40);
    EXPECT_TRUE(agc.running());
}

TEST(AgcHandshake, ShortGainTableIsAbortedAndARadioSelectEqualToWaitIsData)
{
    AgcHandshake agc;
    agc.start();
    EXPECT_EQ(step(agc, 0x3A), 0x30);
    EXPECT_EQ(step(agc, 17), 0x30);
    EXPECT_EQ(step(agc, 3), 0x33);
    EXPECT_EQ(step(agc, 0), 0x30);
    EXPECT_EQ(step(agc, WAIT), 0x40);
}

} // namespace
