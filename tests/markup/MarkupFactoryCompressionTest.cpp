//
// MarkupFactoryCompressionTest.cpp
//
// Compressed mode: the inflated output equals the plain text, in both stream
// types and in pretty mode.
//

#include "MarkupTestWriter.h"

#include <Poco/InflatingStream.h>
#include <Poco/StreamCopier.h>
#include <gtest/gtest.h>

#include <sstream>

using namespace MarkupTest;
using Poco::DeflatingStreamBuf;

namespace
{

void writeDocuments(MarkupTestWriter& writer)
{
    for (int document = 0; document < 50; ++document)
    {
        writer.write(opened(MarkupFactory::BT_SEQUENCE, ""));
        writer.write(leaf(MarkupFactory::BT_STRING, "type", "message_upstream"));
        writer.write(opened(MarkupFactory::BT_SEQUENCE, "data"));
        writer.write(leaf(MarkupFactory::BT_UNSIGNED, "n", std::to_string(document)));
        writer.write(leaf(MarkupFactory::BT_OCTET_STRING, "payload", std::string(document, 'A')));
        writer.closeAllOpenMarkups();
    }
}

std::string plainText(bool format)
{
    std::ostringstream out;
    MarkupTestWriter writer(out, format, false);
    writeDocuments(writer);
    return out.str();
}

std::string inflate(const std::string& compressed, DeflatingStreamBuf::StreamType streamType)
{
    std::istringstream in(compressed);
    Poco::InflatingInputStream inflater(in, streamType == DeflatingStreamBuf::STREAM_GZIP
                                                ? Poco::InflatingStreamBuf::STREAM_GZIP
                                                : Poco::InflatingStreamBuf::STREAM_ZLIB);
    std::string text;
    Poco::StreamCopier::copyToString(inflater, text);
    return text;
}

class MarkupCompression : public ::testing::TestWithParam<DeflatingStreamBuf::StreamType>
{
protected:
    std::string compressedText(bool format)
    {
        std::ostringstream out;
        MarkupTestWriter writer(out, GetParam(), format, false);
        writeDocuments(writer);
        writer.flush();
        return out.str();
    }
};

} // namespace

TEST_P(MarkupCompression, InflatesToThePlainText)
{
    const std::string compressed = compressedText(false);
    EXPECT_LT(compressed.size(), plainText(false).size());
    EXPECT_EQ(inflate(compressed, GetParam()), plainText(false));
}

TEST_P(MarkupCompression, PrettyModeInflatesToThePlainPrettyText)
{
    EXPECT_EQ(inflate(compressedText(true), GetParam()), plainText(true));
}

TEST_P(MarkupCompression, UsesTheFramingOfItsStreamType)
{
    const std::string compressed = compressedText(false);
    ASSERT_GE(compressed.size(), 2u);
    const bool gzipMagic = static_cast<unsigned char>(compressed[0]) == 0x1f &&
                           static_cast<unsigned char>(compressed[1]) == 0x8b;
    EXPECT_EQ(gzipMagic, GetParam() == DeflatingStreamBuf::STREAM_GZIP);
}

INSTANTIATE_TEST_SUITE_P(BothStreamTypes, MarkupCompression,
                         ::testing::Values(DeflatingStreamBuf::STREAM_ZLIB, DeflatingStreamBuf::STREAM_GZIP),
                         [](const ::testing::TestParamInfo<DeflatingStreamBuf::StreamType>& info)
                         { return info.param == DeflatingStreamBuf::STREAM_GZIP ? "gzip" : "zlib"; });

TEST(MarkupPlainMode, SetsUpNoCompressorAndWritesNothingBeyondTheMarkup)
{
    std::ostringstream out;
    {
        MarkupTestWriter writer(out, false, false);
        EXPECT_FALSE(writer.hasCompressor());
        writer.write(leaf(MarkupFactory::BT_STRING, "a", "x"));
        writer.flush();
    }
    EXPECT_EQ(out.str(), R"("a":"x")");
}
