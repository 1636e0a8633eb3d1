//
// MarkupFactoryValueTest.cpp
//
// The value-name cache key and the text of enumerated and bit-string values.
//

#include "MarkupTestWriter.h"

#include <gtest/gtest.h>

#include <climits>
#include <sstream>

using namespace MarkupTest;
using Zel::BACnet::BACnetDataType;

TEST(MarkupCacheKey, HoldsTheDataTypeAboveTheValue)
{
    EXPECT_EQ(MarkupFactory::getBnDataTypeValueNameKey(static_cast<BACnetDataType>(5), 7),
              0x0000000500000007ull);
    EXPECT_EQ(MarkupFactory::getBnDataTypeValueNameKey(static_cast<BACnetDataType>(0xFFFFFFFF), INT_MAX),
              0xFFFFFFFF7FFFFFFFull);
}

TEST(MarkupCacheKey, NegativeValueSetsTheWholeUpperHalf)
{
    EXPECT_EQ(MarkupFactory::getBnDataTypeValueNameKey(static_cast<BACnetDataType>(5), -1), ~0ull);
    EXPECT_EQ(MarkupFactory::getBnDataTypeValueNameKey(Zel::BACnet::BACNET_DT_NULL, INT_MIN),
              0xFFFFFFFF80000000ull);
}

TEST(MarkupValueText, IsTheDecimalTextReplacingTheResult)
{
    std::ostringstream out;
    MarkupTestWriter writer(out, false, false);
    std::string result = "previous content";
    writer.markupEnumOrBitStringValue(Zel::BACnet::BACNET_DT_ENUMERATED, -42, result);
    EXPECT_EQ(result, "-42");
    writer.markupEnumOrBitStringValue(Zel::BACnet::BACNET_DT_BIT_STRING, 0, result);
    EXPECT_EQ(result, "0");
    writer.markupEnumOrBitStringValue(Zel::BACnet::BACNET_DT_ENUMERATED, INT_MIN, result);
    EXPECT_EQ(result, "-2147483648");
    writer.markupEnumOrBitStringValue(Zel::BACnet::BACNET_DT_ENUMERATED, 1234567, result);
    EXPECT_EQ(result, "1234567");
    EXPECT_EQ(out.str(), "");
}
