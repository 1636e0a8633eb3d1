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

TEST(MarkupCacheKey, HoldsTheDataTypeAboveTheValueAndANegativeValueSetsTheWholeUpperHalf)
{
    const auto key = [](unsigned dataType, int value)
    { return MarkupFactory::getBnDataTypeValueNameKey(static_cast<BACnetDataType>(dataType), value); };
    EXPECT_EQ(key(5, 7), 0x0000000500000007ull);
    EXPECT_EQ(key(0xFFFFFFFF, INT_MAX), 0xFFFFFFFF7FFFFFFFull);
    EXPECT_EQ(key(5, -1), ~0ull);
    EXPECT_EQ(key(Zel::BACnet::BACNET_DT_NULL, INT_MIN), 0xFFFFFFFF80000000ull);
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
    EXPECT_EQ(out.str(), "");
}
