//
// TextStream.cpp
//
// Implementation of the TextStream class.
//

#include "markup/TextStream.h"

#include <climits>
#include <cstring>

namespace Zel
{
namespace BACnet
{
namespace WS
{

namespace
{
constexpr std::size_t GROWTH_FACTOR = 2;
} // namespace

TextStream::TextStream() : std::ostream(nullptr)
{
    // The buffer is a member, so it exists only once the base is built.
    rdbuf(&_buffer);
}

TextStream::~TextStream() = default;

std::string_view TextStream::text() const
{
    return _buffer.text();
}

void TextStream::rewind()
{
    _buffer.rewind();
    clear();
}

TextStream::Buffer::Buffer()
{
    setp(_inline, _inline + INLINE_CAPACITY);
}

std::string_view TextStream::Buffer::text() const
{
    return std::string_view(pbase(), static_cast<std::size_t>(pptr() - pbase()));
}

void TextStream::Buffer::rewind()
{
    setp(pbase(), epptr());
}

TextStream::Buffer::int_type TextStream::Buffer::overflow(int_type c)
{
    if (traits_type::eq_int_type(c, traits_type::eof()))
        return traits_type::not_eof(c);
    reserve(1);
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    return c;
}

std::streamsize TextStream::Buffer::xsputn(const char* pText, std::streamsize count)
{
    if (count <= 0)
        return 0;
    const std::size_t size = static_cast<std::size_t>(count);
    std::memcpy(room(size), pText, size);
    advance(size);
    return count;
}

void TextStream::Buffer::reserve(std::size_t size)
{
    const std::size_t used = static_cast<std::size_t>(pptr() - pbase());
    const std::size_t capacity = static_cast<std::size_t>(epptr() - pbase());
    if (capacity - used >= size)
        return;
    std::size_t newCapacity = capacity * GROWTH_FACTOR;
    if (newCapacity - used < size)
        newCapacity = used + size;
    std::unique_ptr<char[]> pStorage(new char[newCapacity]);
    std::memcpy(pStorage.get(), pbase(), used);
    _pHeap = std::move(pStorage);
    setp(_pHeap.get(), _pHeap.get() + newCapacity);
    advance(used);
}

void TextStream::Buffer::advance(std::size_t count)
{
    // pbump() takes an int; a longer step goes in parts.
    while (count > 0)
    {
        const int step = count > INT_MAX ? INT_MAX : static_cast<int>(count);
        pbump(step);
        count -= static_cast<std::size_t>(step);
    }
}

} // namespace WS
} // namespace BACnet
} // namespace Zel
