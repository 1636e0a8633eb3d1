//
// MarkupFactoryCompressionTest.cpp
//
// Compressed mode: the inflated output equals the plain text, in both stream
// types and in pretty mode; plain mode sets up no compressor.
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
        writer.run({opened(MarkupFactory::BT_SEQUENCE, ""), leaf(MarkupFactory::BT_STRING, "type", "up"),
                    opened(MarkupFactory::BT_SEQUENCE, "data"),
                    leaf(MarkupFactory::BT_UNSIGNED, "n", std::to_string(document)),
                    leaf(MarkupFactory::BT_OCTET_STRING, "payload", std::string(document, 'A')),
                    Step::CloseAll});
    }
}

// The documents in plain mode, read after the writer has gone: neither flush()
// nor the end of a writer without a compressor may add a byte.
std::string plainText(bool pretty)
{
    std::ostringstream plain;
    {
        MarkupTestWriter writer(plain, pretty, false);
        EXPECT_FALSE(writer.hasCompressor());
        writeDocuments(writer);
        writer.flush();
    }
    return plain.str();
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

} // namespace

TEST(MarkupCompression, BothStreamTypesInflateToThePlainTextInBothForms)
{
    for (const auto streamType : {DeflatingStreamBuf::STREAM_ZLIB, DeflatingStreamBuf::STREAM_GZIP})
    {
        for (const bool pretty : {false, true})
        {
            SCOPED_TRACE(std::string(streamType == DeflatingStreamBuf::STREAM_GZIP ? "gzip" : "zlib") +
                         (pretty ? ", pretty" : ", compact"));
            const std::string plain = plainText(pretty);
            std::ostringstream compressed;
            MarkupTestWriter writer(compressed, streamType, pretty, false);
            writeDocuments(writer);
            writer.flush();

            EXPECT_LT(compressed.str().size(), plain.size());
            EXPECT_EQ(inflate(compressed.str(), streamType), plain);
            const bool gzipMagic = compressed.str().compare(0, 2, "\x1f\x8b") == 0;
            EXPECT_EQ(gzipMagic, streamType == DeflatingStreamBuf::STREAM_GZIP);
        }
    }
}
