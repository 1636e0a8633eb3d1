//
// OctetBufferTest.cpp
//

#include "utility/OctetBuffer.h"

#include <gtest/gtest.h>

#include <vector>

using Zel::Utility::OctetBuffer;

TEST(OctetBufferTest, HexTextHasTwoDigitsPerByteInTheRequestedCaseReplacingTheGivenString)
{
    unsigned char bytes[] = {0x00, 0x0F, 0xA5, 0xFF, 0x40};
    const OctetBuffer buffer(bytes, sizeof(bytes));
    bytes[0] = 0xEE; // the buffer keeps its own copy
    std::string text = "previous content";
    std::string& result = buffer.getHexString(text, true);
    EXPECT_EQ(&text, &result);
    EXPECT_EQ("000FA5FF40", text);
    EXPECT_EQ("000fa5ff40", buffer.getHexString(text, false));
    EXPECT_EQ("", OctetBuffer(nullptr, 0).getHexString(text, true));

    // A run longer than the inline capacity.
    std::vector<unsigned char> run(1000);
    for (std::size_t i = 0; i < run.size(); ++i)
        run[i] = static_cast<unsigned char>(i);
    OctetBuffer(run.data(), static_cast<unsigned int>(run.size())).getHexString(text, true);
    ASSERT_EQ(2000u, text.size());
    EXPECT_EQ("000102", text.substr(0, 6));
    EXPECT_EQ("E5E6E7", text.substr(text.size() - 6));
}
