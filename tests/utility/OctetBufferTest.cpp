//
// OctetBufferTest.cpp
//

#include "utility/OctetBuffer.h"

#include <gtest/gtest.h>

#include <vector>

using Zel::Utility::OctetBuffer;

TEST(OctetBufferTest, HexTextHasTwoDigitsPerByteInTheRequestedCase)
{
    const unsigned char bytes[] = {0x00, 0x0F, 0xA5, 0xFF, 0x40};
    const OctetBuffer buffer(bytes, sizeof(bytes));
    std::string text;
    EXPECT_EQ("000FA5FF40", buffer.getHexString(text, true));
    EXPECT_EQ("000fa5ff40", buffer.getHexString(text, false));
}

TEST(OctetBufferTest, NoBytesGiveAnEmptyText)
{
    const OctetBuffer buffer(nullptr, 0);
    std::string text = "left over";
    EXPECT_EQ("", buffer.getHexString(text, true));
    EXPECT_EQ(0u, buffer.size());
}

TEST(OctetBufferTest, ReturnsTheStringItWasGivenWithItsContentReplaced)
{
    const unsigned char bytes[] = {0x12};
    const OctetBuffer buffer(bytes, 1);
    std::string text = "previous content";
    std::string& result = buffer.getHexString(text, true);
    EXPECT_EQ(&text, &result);
    EXPECT_EQ("12", text);
}

TEST(OctetBufferTest, KeepsItsOwnCopyOfTheBytes)
{
    unsigned char bytes[] = {0x01, 0x02};
    const OctetBuffer buffer(bytes, 2);
    bytes[0] = 0xEE;
    std::string text;
    EXPECT_EQ("0102", buffer.getHexString(text, true));
}

TEST(OctetBufferTest, HoldsRunsLongerThanItsInlineCapacity)
{
    std::vector<unsigned char> bytes(1000);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<unsigned char>(i);
    const OctetBuffer buffer(bytes.data(), static_cast<unsigned int>(bytes.size()));
    std::string text;
    buffer.getHexString(text, true);
    ASSERT_EQ(2000u, text.size());
    EXPECT_EQ("000102", text.substr(0, 6));
    EXPECT_EQ("E5E6E7", text.substr(text.size() - 6));
}
