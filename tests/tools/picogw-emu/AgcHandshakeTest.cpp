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

TEST(AgcHandshake, IgnoresRadioSelectWritesUntilStarted)
{
    AgcHandshake agc;
    EXPECT_EQ(step(agc, 0x3A), 0);
    agc.start();
    EXPECT_EQ(agc.status(), 0x10);
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

TEST(AgcHandshake, ShortGainTableIsAborted)
{
    AgcHandshake agc;
    agc.start();
    EXPECT_EQ(step(agc, 0x3A), 0x30);
    EXPECT_EQ(step(agc, 17), 0x30);
    EXPECT_EQ(step(agc, 3), 0x33);
}

TEST(AgcHandshake, RadioSelectWordEqualToTheWaitCommandIsData)
{
    AgcHandshake agc;
    agc.start();
    step(agc, 17);
    step(agc, 3);
    step(agc, 0);
    EXPECT_EQ(step(agc, WAIT), 0x40);
}

TEST(AgcHandshake, ValueWithoutWaitCommandIsIgnored)
{
    AgcHandshake agc;
    agc.start();
    agc.onRadioSelect(0x3A);
    EXPECT_EQ(agc.status(), 0x10);
    EXPECT_EQ(step(agc, 0x3A), 0x30);
}

} // namespace
