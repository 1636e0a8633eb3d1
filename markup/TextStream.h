//
// TextStream.h
//
// Definition of the TextStream class, an in-memory output stream whose text
// is read in place and which can be emptied for the next document.
//

#ifndef Markup_TextStream_INCLUDED
#define Markup_TextStream_INCLUDED

#include <climits>
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

class TextStream final : public std::ostream
/// Collects what is written to it in memory, like std::ostringstream, with
/// two differences that matter to a caller writing one short document after
/// another: text() shows the text in place instead of copying it, and
/// rewind() empties the stream for the next document while it keeps its
/// storage and its locale set-up, which a new stream would have to make anew.
///
/// The class is final, so that the checks of its state in the writer's
/// element loop need no lookup of where its std::ios part lies.
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

    bool acceptsDirectWrites() const;
    /// Returns true when characters may be placed with room() and commit()
    /// instead of the stream's output functions: the stream is good, writes
    /// to its own buffer and has no tied stream to flush first, which is all
    /// the output functions would check.

    char* room(std::size_t size);
    /// Makes room for at least size more characters and returns where the
    /// next one goes. The pointer is valid until the next write, rewind() or
    /// destruction. Throws std::bad_alloc when the room cannot be had.

    char* roomEnd();
    /// Returns the end of the room the last room() made, which may be more
    /// than it was asked for. Valid as long as the pointer room() returned.

    void commit(std::size_t count);
    /// Takes the count characters placed at room() as written. count must not
    /// exceed the room there is (roomEnd() minus room()).

private:
    class Buffer : public std::streambuf
    {
    public:
        Buffer();
        std::string_view text() const;
        void rewind();

        char* room(std::size_t size)
        {
            if (static_cast<std::size_t>(epptr() - pptr()) < size)
                reserve(size);
            return pptr();
        }

        char* roomEnd() const { return epptr(); }

        void commit(std::size_t count)
        {
            if (count <= static_cast<std::size_t>(INT_MAX))
                pbump(static_cast<int>(count));
            else
                advance(count);
        }

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
inline bool TextStream::acceptsDirectWrites() const
{
    return good() && rdbuf() == &_buffer && !tie();
}

inline char* TextStream::room(std::size_t size)
{
    return _buffer.room(size);
}

inline char* TextStream::roomEnd()
{
    return _buffer.roomEnd();
}

inline void TextStream::commit(std::size_t count)
{
    _buffer.commit(count);
}

} // namespace WS
} // namespace BACnet
} // namespace Zel

#endif // Markup_TextStream_INCLUDED
