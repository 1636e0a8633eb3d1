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
/// Texts of up to INLINE_CAPACITY characters (any packet document, with the
/// room a writer asks for beyond it) are kept inside the object; longer ones
/// move to the heap, which the stream keeps until it is destroyed.
{
public:
    static constexpr std::size_t INLINE_CAPACITY = 1536;
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

    bool holdsText() const;
    /// Returns true while what is written to the stream goes to its own text,
    /// that is, unless rdbuf() was given another buffer.

    char* room(std::size_t size);
    /// Makes room for size characters (at most INT_MAX) after the text and
    /// returns where it begins, for a writer that places characters directly.
    /// They become part of the text only through commit(). Throws
    /// std::bad_alloc when the room cannot be made; the text stays as it was.

    void commit(const char* pEnd);
    /// Makes the characters placed from the start of the last room() up to
    /// pEnd part of the text.

private:
    class Buffer : public std::streambuf
    {
    public:
        Buffer();
        std::string_view text() const;
        void rewind();
        char* room(std::size_t size);
        void commit(const char* pEnd);

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

//
// inlines
//
// A writer that places its text directly calls these for every element.
inline bool TextStream::holdsText() const
{
    return rdbuf() == &_buffer;
}

inline char* TextStream::room(std::size_t size)
{
    return _buffer.room(size);
}

inline void TextStream::commit(const char* pEnd)
{
    _buffer.commit(pEnd);
}

inline char* TextStream::Buffer::room(std::size_t size)
{
    if (static_cast<std::size_t>(epptr() - pptr()) < size)
        reserve(size);
    return pptr();
}

inline void TextStream::Buffer::commit(const char* pEnd)
{
    // Within the last room, which is at most INT_MAX characters.
    pbump(static_cast<int>(pEnd - pptr()));
}

} // namespace WS
} // namespace BACnet
} // namespace Zel

#endif // Markup_TextStream_INCLUDED
