//
// TextStreamTest.cpp
//
// The in-memory stream the service renders each frame into: it must keep
// every character in order, however the text is written and however long it
// grows, and must take the next document after rewind() as a new stream would.
//

#include "markup/TextStream.h"
#include "MarkupTestWriter.h"

#include <gtest/gtest.h>

#include <iomanip>
#include <sstream>
#include <string>

using namespace MarkupTest;
using Zel::BACnet::WS::TextStream;

namespace
{

// A text of the given length whose characters differ from their neighbours,
// so that a lost, doubled or moved character shows.
std::string patternText(std::size_t length)
{
    std::string text(length, ' ');
    for (std::size_t i = 0; i < length; ++i)
        text[i] = static_cast<char>('!' + (i * 7) % 90);
    return text;
}

// Writes text in pieces of growing size, one character, a few, many.
void writeInPieces(std::ostream& out, const std::string& text)
{
    std::size_t at = 0;
    for (std::size_t piece = 1; at < text.size(); piece = piece * 3 + 1)
    {
        const std::size_t size = std::min(piece, text.size() - at);
        if (size == 1)
            out.put(text[at]);
        else
            out.write(text.data() + at, static_cast<std::streamsize>(size));
        at += size;
    }
}

} // namespace

TEST(TextStream, KeepsCharactersPiecesAndFormattedOutputInOrder)
{
    TextStream text;
    text.put('a');
    text.write("bcd", 3);
    text << 42 << ' ' << std::setw(4) << std::setfill('0') << 7 << std::string("xyz");
    EXPECT_EQ("abcd42 0007xyz", text.text());
    EXPECT_TRUE(text.good());
}

TEST(TextStream, GrowsBeyondItsInlineCapacityWithoutLosingTextAndRewindStartsItAfresh)
{
    // One stream for all lengths: each rewind() must empty it and clear its
    // state, however far it has grown, and the next text must grow it further.
    TextStream text;
    for (std::size_t length :
         {TextStream::INLINE_CAPACITY - 1, TextStream::INLINE_CAPACITY, TextStream::INLINE_CAPACITY + 1,
          3 * TextStream::INLINE_CAPACITY + 17, std::size_t(100000)})
    {
        const std::string expected = patternText(length);
        writeInPieces(text, expected); // soon one piece is more than twice all before it
        EXPECT_EQ(expected, text.text()) << length;
        EXPECT_TRUE(text.good()) << length;
        text.setstate(std::ios::badbit);
        text.rewind();
        EXPECT_TRUE(text.text().empty()) << length;
        EXPECT_TRUE(text.good()) << length;
    }
    text << "short";
    EXPECT_EQ("short", text.text());
}

TEST(TextStream, AWriterGivesTheSameDocumentAsOnAStringStreamDocumentAfterDocument)
{
    TextStream text;
    for (int document = 0; document < 3; ++document)
    {
        std::ostringstream reference;
        MarkupTestWriter referenceWriter(reference, false, false);
        text.rewind();
        MarkupTestWriter writer(text, false, false);
        for (MarkupTestWriter* pWriter : {&referenceWriter, &writer})
            pWriter->run({opened(MarkupFactory::BT_SEQUENCE, ""),
                          leaf(MarkupFactory::BT_STRING, "n", std::to_string(document)),
                          leaf(MarkupFactory::BT_OCTET_STRING, "p", patternText(700 * document)),
                          Step::CloseAll});
        EXPECT_EQ(reference.str(), text.text()) << document;
    }
}

TEST(TextStream, AWriterFollowsABufferPutInPlaceOfTheStreamsOwn)
{
    std::stringbuf other;
    TextStream text;
    text << "own";
    std::streambuf* pOwn = text.rdbuf(&other);
    MarkupTestWriter writer(text, false, false);
    writer.write(opened(MarkupFactory::BT_SEQUENCE, ""));
    writer.write(leaf(MarkupFactory::BT_STRING, "n", "v"));
    writer.closeAllOpenMarkups();
    EXPECT_EQ("{\"n\":\"v\"}", other.str());
    EXPECT_EQ("own", text.text());

    text.rdbuf(pOwn);
    writer.write(leaf(MarkupFactory::BT_STRING, "m", "w"));
    EXPECT_EQ("own,\"m\":\"w\"", text.text());
}

TEST(TextStream, AWriterLeavesAStreamThatIsNotGoodAsAStringStream)
{
    for (const std::ios::iostate state : {std::ios::badbit, std::ios::failbit, std::ios::eofbit})
    {
        std::ostringstream reference;
        TextStream text;
        reference << "before";
        text << "before";
        reference.setstate(state);
        text.setstate(state);
        MarkupTestWriter referenceWriter(reference, false, false);
        MarkupTestWriter writer(text, false, false);
        for (MarkupTestWriter* pWriter : {&referenceWriter, &writer})
        {
            pWriter->write(opened(MarkupFactory::BT_SEQUENCE, ""));
            pWriter->write(leaf(MarkupFactory::BT_STRING, "n", "v"));
            pWriter->closeAllOpenMarkups();
        }
        EXPECT_EQ(reference.str(), text.text()) << state;
        EXPECT_EQ(reference.rdstate(), text.rdstate()) << state;
    }
}

TEST(TextStream, AWriterFlushesATiedStreamFirst)
{
    struct SyncCounter : std::stringbuf
    {
        int sync() override
        {
            ++syncs;
            return 0;
        }
        int syncs = 0;
    };
    SyncCounter counter;
    std::ostream tied(&counter);
    TextStream text;
    text.tie(&tied);
    MarkupTestWriter writer(text, false, false);
    writer.write(leaf(MarkupFactory::BT_STRING, "", "v"));
    EXPECT_EQ("{\"$value\":\"v\"}", text.text());
    EXPECT_GT(counter.syncs, 0);
}
