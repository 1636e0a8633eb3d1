//
// ValueTextTest.cpp
//
// The number texts of a packet document must be exactly Poco's: the decimal
// text of its unsigned formatting and the text of Poco::floatToStr() with
// plain notation from 10^-6 to below 10^6, also where they are written
// without Poco.
//

#include "markup/ValueText.h"

#include <Poco/NumericString.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

using Zel::BACnet::WS::ValueText;

namespace
{

const int POCO_DECIMAL_BUFFER = 65;

std::string pocoDecimal(Poco::UInt32 value)
{
    char text[POCO_DECIMAL_BUFFER];
    std::size_t size = sizeof(text);
    Poco::uIntToStr(value, 10, text, size);
    return std::string(text, size);
}

std::string decimal(Poco::UInt32 value)
{
    char text[ValueText::DECIMAL_CAPACITY];
    return std::string(text, ValueText::decimal(value, text));
}

std::string pocoFloat(float value)
{
    char text[ValueText::FLOAT_CAPACITY];
    Poco::floatToStr(text, static_cast<int>(ValueText::FLOAT_CAPACITY), value, -6, 6);
    return text;
}

std::string shortestFloat(float value)
{
    char text[ValueText::FLOAT_CAPACITY];
    return std::string(text, ValueText::shortestFloat(value, text));
}

float floatFromBits(std::uint32_t bits)
{
    float value;
    std::memcpy(&value, &bits, sizeof(value));
    return value;
}

} // namespace

TEST(ValueTextDecimal, MatchesPocoAtEveryPowerOfTenAndTwoForAllSmallAndManyRandomValues)
{
    // Both sides of every power of ten and of two, where a digit count goes wrong.
    std::vector<Poco::UInt64> powers;
    for (Poco::UInt64 power = 1; power <= std::numeric_limits<Poco::UInt32>::max(); power *= 10)
        powers.push_back(power);
    for (unsigned bits = 1; bits < 32; ++bits)
        powers.push_back(Poco::UInt64(1) << bits);
    for (Poco::UInt64 power : powers)
    {
        for (Poco::UInt64 value : {power - 1, power, power + 1})
            EXPECT_EQ(pocoDecimal(static_cast<Poco::UInt32>(value)),
                      decimal(static_cast<Poco::UInt32>(value)));
    }
    EXPECT_EQ("4294967295", decimal(std::numeric_limits<Poco::UInt32>::max()));
    for (Poco::UInt32 value = 0; value < 100000; ++value)
        ASSERT_EQ(pocoDecimal(value), decimal(value));
    std::mt19937 random(7);
    for (int i = 0; i < 100000; ++i)
    {
        const Poco::UInt32 value = random();
        ASSERT_EQ(pocoDecimal(value), decimal(value));
    }
}

TEST(ValueTextFloat, MatchesPocoForEveryWholeNumberOfQuartersWrittenDirectly)
{
    // Every float k/4 below 2^17, the whole range the direct way takes.
    const int largest = (1 << 19) - 1;
    for (int quarters = -largest; quarters <= largest; ++quarters)
    {
        const float value = static_cast<float>(quarters) / 4.0f;
        ASSERT_EQ(pocoFloat(value), shortestFloat(value)) << quarters;
    }
}

TEST(ValueTextFloat, MatchesPocoAroundTheLimitOfTheDirectWayForZerosNonFiniteValuesAndOddFractions)
{
    const float infinity = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float values[] = {131071.75f, 131072.0f, -131072.0f, 131072.25f, 131073.0f,
                            999999.0f,  1e6f,      1048576.5f, 0.0f,       -0.0f,
                            0.1f,       -0.1f,     0.125f,     7.2f,       -57.3f,
                            1e-6f,      1e-7f,     1e7f,       3.4e38f,    -1.17549435e-38f,
                            1.4e-45f,   nan,       infinity,   -infinity};
    for (float value : values)
        EXPECT_EQ(pocoFloat(value), shortestFloat(value)) << value;
    EXPECT_EQ("0", shortestFloat(-0.0f));
    EXPECT_EQ("-0.25", shortestFloat(-0.25f));
    EXPECT_EQ("0.1", shortestFloat(0.1f));
    EXPECT_EQ("1e+7", shortestFloat(1e7f));
    EXPECT_EQ("1e-7", shortestFloat(1e-7f));
    EXPECT_EQ("-inf", shortestFloat(-infinity));
    EXPECT_EQ("nan", shortestFloat(nan));
}

TEST(ValueTextFloat, MatchesPocoForRandomBitPatterns)
{
    std::mt19937 random(11);
    for (int i = 0; i < 200000; ++i)
    {
        const float value = floatFromBits(static_cast<std::uint32_t>(random()));
        ASSERT_EQ(pocoFloat(value), shortestFloat(value)) << i;
    }
}
