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
    enum class Beyond
    {
        Refuse,
        Throw
    };

    LimitedBuffer(std::size_t limit, Beyond beyond) : _limit(limit), _beyond(beyond) {}

    const std::string& text() const { return _text; }

protected:
    int_type overflow(int_type c) override
    {
        if (traits_type::eq_int_type(c, traits_type::eof()))
            return traits_type::not_eof(c);
        if (_text.size() >= _limit)
        {
            if (_beyond == Beyond::Throw)
                throw std::runtime_error("buffer full");
            return traits_type::eof();
        }
        _text.push_back(traits_type::to_char_type(c));
        return c;
    }

private:
    std::size_t _limit;
    Beyond _beyond;
    std::string _text;
};

void writePacketLikeDocument(MarkupTestWriter& writer)
{
    writer.write(opened(MarkupFactory::BT_SEQUENCE, ""));
    writer.write(leaf(MarkupFactory::BT_STRING, "type", "message_upstream"));
    writer.write(opened(MarkupFactory::BT_SEQUENCE, "data"));
    writer.write(leaf(MarkupFactory::BT_UNSIGNED, "freq_hz", "868100000"));
    writer.write(leaf(MarkupFactory::BT_REAL, "snr", "9.5"));
    writer.write(leaf(MarkupFactory::BT_OCTET_STRING, "payload", "40123456789ABCDEF0"));
    writer.write(leaf(MarkupFactory::BT_STRING, "quoted", "a\"b\\c\nd"));
    writer.closeAllOpenMarkups();
}

std::string wholeDocument()
{
    std::ostringstream out;
    MarkupTestWriter writer(out, false, false);
    writePacketLikeDocument(writer);
    return out.str();
}

} // namespace

TEST(MarkupStream, AStreamThatIsNotGoodTakesNothing)
{
    std::ostringstream out;
    out.setstate(std::ios::failbit);
    MarkupTestWriter writer(out, false, false);
    writePacketLikeDocument(writer);
    EXPECT_EQ("", out.str());
    EXPECT_TRUE(out.fail());
}

TEST(MarkupStream, ABufferThatFillsUpKeepsTheTextUpToItsLimitAndTheStreamGoesBad)
{
    const std::string whole = wholeDocument();
    for (std::size_t limit = 0; limit <= whole.size(); ++limit)
    {
        LimitedBuffer buffer(limit, LimitedBuffer::Beyond::Refuse);
        std::ostream out(&buffer);
        MarkupTestWriter writer(out, false, false);
        writePacketLikeDocument(writer);
        EXPECT_EQ(whole.substr(0, limit), buffer.text()) << limit;
        EXPECT_EQ(limit < whole.size(), out.bad()) << limit;
    }
}

TEST(MarkupStream, ABufferThatThrowsLeavesABadStreamAndNoException)
{
    const std::string whole = wholeDocument();
    for (std::size_t limit = 0; limit < whole.size(); limit += 7)
    {
        LimitedBuffer buffer(limit, LimitedBuffer::Beyond::Throw);
        std::ostream out(&buffer);
        MarkupTestWriter writer(out, false, false);
        EXPECT_NO_THROW(writePacketLikeDocument(writer)) << limit;
        EXPECT_EQ(whole.substr(0, limit), buffer.text()) << limit;
        EXPECT_TRUE(out.bad()) << limit;
    }
}

TEST(MarkupStream, WithBadInTheExceptionMaskTheBuffersOwnExceptionComesThrough)
{
    LimitedBuffer buffer(20, LimitedBuffer::Beyond::Throw);
    std::ostream out(&buffer);
    out.exceptions(std::ios::badbit);
    MarkupTestWriter writer(out, false, false);
    EXPECT_THROW(writePacketLikeDocument(writer), std::runtime_error);
    EXPECT_TRUE(out.bad());
    EXPECT_EQ(wholeDocument().substr(0, 20), buffer.text());
}

TEST(MarkupStream, ARefusingBufferWithBadInTheMaskRaisesTheStreamsFailure)
{
    LimitedBuffer buffer(20, LimitedBuffer::Beyond::Refuse);
    std::ostream out(&buffer);
    out.exceptions(std::ios::badbit);
    MarkupTestWriter writer(out, false, false);
    EXPECT_THROW(writePacketLikeDocument(writer), std::ios::failure);
    EXPECT_TRUE(out.bad());
}
