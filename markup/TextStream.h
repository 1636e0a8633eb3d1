//
// TextStream.h
//
// Definition of the TextStream class, an in-memory output stream whose text
// is read in place and which can be emptied for the next document.
//

#ifndef Markup_TextStream_INCLUDED
#define Markup_TextStream_INCLUDED

#include <cstddef>
#include <memory>
#include <ostream>
#include <streambuf>
#include <string_view>

namespace Zel
{
namespace BACnet
{
namespace WS
{

class TextStream : public std::ostream
/// Collects what is written to it in memory, like std::ostringstream, with
/// two differences that matter to a caller writing one short document after
/// another: text() shows the text in place instead of copying it, and
/// rewind() empties the stream for the next document while it keeps its
/// storage and its locale set-up, which a new stream would have to make anew.
///
/// Texts of up to INLINE_CAPACITY characters (any packet document) are kept
/// inside the object; longer ones move to the heap, which the stream keeps
/// until it is destroyed.
{
public:
    static constexpr std::size_t INLINE_CAPACITY = 1024;
    /// Characters held without a heap allocation.

    TextStream();
    /// Creates an empty stream in the good state.

    TextStream(const TextStream&) = delete;
    TextStream& operator=(const TextStream&) = delete;

    ~TextStream() override;

    std::string_view text() const;
    /// Returns the text written since construction or the last rewind(). The
    /// view stays valid until the next write, rewind() or destruction.

    void rewind();
    /// Empties the text and clears the state flags, so that the stream takes
    /// the next document as a new one would. Formatting settings stay.

private:
    class Buffer : public std::streambuf
    {
    public:
        Buffer();
        std::string_view text() const;
        void rewind();

    protected:
        int_type overflow(int_type c) override;
        std::streamsize xsputn(const char* pText, std::streamsize count) override;

    private:
        void reserve(std::size_t size);
        void advance(std::size_t count);

        char _inline[INLINE_CAPACITY];
        std::unique_ptr<char[]> _pHeap;
    };

    Buffer _buffer;
};

} // namespace WS
} // namespace BACnet
} // namespace Zel

#endif // Markup_TextStream_INCLUDED
