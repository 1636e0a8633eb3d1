//
// NumberConversionTest.cpp
//
// Conversions of configuration numbers to the HAL's field types.
//

#include "worker/config/NumberConversion.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>

using LoRaWANServer::NumberConversion;

TEST(NumberConversionTest, UnsignedTruncatesTowardZeroAndSaturates)
{
    EXPECT_EQ(1u, NumberConversion::toUInt32(1.9));
    EXPECT_EQ(0u, NumberConversion::toUInt32(0.99));
    EXPECT_EQ(0u, NumberConversion::toUInt32(-0.5));
    EXPECT_EQ(0u, NumberConversion::toUInt32(-868100000.0));
    EXPECT_EQ(0u, NumberConversion::toUInt32(-1e300));
    EXPECT_EQ(868100000u, NumberConversion::toUInt32(868100000.0));
    EXPECT_EQ(4294967295u, NumberConversion::toUInt32(4294967295.0));
    EXPECT_EQ(4294967295u, NumberConversion::toUInt32(4294967295.9));
    EXPECT_EQ(4294967295u, NumberConversion::toUInt32(4294967296.0));
    EXPECT_EQ(4294967295u, NumberConversion::toUInt32(1e300));
    EXPECT_EQ(0u, NumberConversion::toUInt32(std::nan("")));
}

TEST(NumberConversionTest, SignedTruncatesTowardZeroAndClamps)
{
    EXPECT_EQ(-400000, NumberConversion::toInt32(-400000.0));
    EXPECT_EQ(-1, NumberConversion::toInt32(-1.9));
    EXPECT_EQ(1, NumberConversion::toInt32(1.9));
    EXPECT_EQ(2147483647, NumberConversion::toInt32(2147483647.5));
    EXPECT_EQ(2147483647, NumberConversion::toInt32(1e300));
    EXPECT_EQ(std::numeric_limits<int32_t>::min(), NumberConversion::toInt32(-2147483648.9));
    EXPECT_EQ(std::numeric_limits<int32_t>::min(), NumberConversion::toInt32(-1e300));
    EXPECT_EQ(0, NumberConversion::toInt32(std::nan("")));
}

TEST(NumberConversionTest, EightBitsKeepTheLowByteOfTheUnsignedValue)
{
    EXPECT_EQ(1, NumberConversion::toUInt8(1.9));
    EXPECT_EQ(0, NumberConversion::toUInt8(256.0));
    EXPECT_EQ(1, NumberConversion::toUInt8(257.0));
    EXPECT_EQ(0, NumberConversion::toUInt8(-1.0));
    EXPECT_EQ(255, NumberConversion::toUInt8(1e300));
}

TEST(NumberConversionTest, SinglePrecisionIsTheNearestValueAndStaysFinite)
{
    EXPECT_EQ(-166.0f, NumberConversion::toFloat(-166.0));
    EXPECT_EQ(0.1f, NumberConversion::toFloat(0.1));
    EXPECT_EQ(FLT_MAX, NumberConversion::toFloat(1e300));
    EXPECT_EQ(-FLT_MAX, NumberConversion::toFloat(-1e300));
    EXPECT_EQ(0.0f, NumberConversion::toFloat(1e-300));
}
