//
// MarkupFactoryJSONStreamTest.cpp
//
// What the writer does to its target stream: the text reaches the stream's
// buffer in order, a stream that is not good takes nothing, and a buffer that
// fills up or throws leaves the text written so far and a bad stream, as the
// stream's own output functions would.
//

#include "MarkupTestWriter.h"

#include <gtest/gtest.h>

#include <ostream>
#include <sstream>
#include <stdexcept>
#include <streambuf>
#include <string>

using namespace MarkupTest;

namespace
{

// Takes at most a given number of characters; beyond them it refuses (by
// end-of-file) or throws.
class LimitedBuffer : public std::streambuf
{
public:
    LimitedBuffer(std::size_t limit, bool throws) : _limit(limit), _throws(throws) {}

    const std::string& text() const { return _text; }

protected:
    int_type overflow(int_type c) override
    {
        if (traits_type::eq_int_type(c, traits_type::eof()))
            return traits_type::not_eof(c);
        if (_text.size() >= _limit && _throws)
            throw std::runtime_error("buffer full");
        if (_text.size() >= _limit)
            return traits_type::eof();
        _text.push_back(traits_type::to_char_type(c));
        return c;
    }

private:
    std::size_t _limit;
    bool _throws;
    std::string _text;
};

void writePacketLikeDocument(std::ostream& out)
{
    MarkupTestWriter writer(out, false, false);
    writer.run(
        {opened(MarkupFactory::BT_SEQUENCE, ""), leaf(MarkupFactory::BT_STRING, "type", "message_upstream"),
         opened(MarkupFactory::BT_SEQUENCE, "data"), leaf(MarkupFactory::BT_UNSIGNED, "freq_hz", "868100000"),
         leaf(MarkupFactory::BT_REAL, "snr", "9.5"),
         leaf(MarkupFactory::BT_OCTET_STRING, "payload", "40123456789ABCDEF0"),
         leaf(MarkupFactory::BT_STRING, "quoted", "a\"b\\c\nd"), Step::CloseAll});
}

std::string wholeDocument()
{
    std::ostringstream out;
    writePacketLikeDocument(out);
    return out.str();
}

} // namespace

TEST(MarkupStream, AStreamThatIsNotGoodTakesNothing)
{
    std::ostringstream out;
    out.setstate(std::ios::failbit);
    writePacketLikeDocument(out);
    EXPECT_EQ("", out.str());
    EXPECT_TRUE(out.fail());
}

TEST(MarkupStream, ABufferThatFillsUpOrThrowsKeepsTheTextUpToItsLimitAndTheStreamGoesBad)
{
    const std::string whole = wholeDocument();
    for (const bool throws : {false, true})
    {
        for (std::size_t limit = 0; limit <= whole.size(); ++limit)
        {
            SCOPED_TRACE((throws ? "throwing at " : "refusing at ") + std::to_string(limit));
            LimitedBuffer buffer(limit, throws);
            std::ostream out(&buffer);
            EXPECT_NO_THROW(writePacketLikeDocument(out));
            EXPECT_EQ(whole.substr(0, limit), buffer.text());
            EXPECT_EQ(limit < whole.size(), out.bad());
        }
    }
}

TEST(MarkupStream, WithBadInTheExceptionMaskTheFailureComesThrough)
{
    // A throwing buffer's own exception, a refusing one's stream failure.
    for (const bool throws : {false, true})
    {
        SCOPED_TRACE(throws ? "throwing" : "refusing");
        LimitedBuffer buffer(20, throws);
        std::ostream out(&buffer);
        out.exceptions(std::ios::badbit);
        if (throws)
            EXPECT_THROW(writePacketLikeDocument(out), std::runtime_error);
        else
            EXPECT_THROW(writePacketLikeDocument(out), std::ios::failure);
        EXPECT_TRUE(out.bad());
        EXPECT_EQ(wholeDocument().substr(0, 20), buffer.text());
    }
}
