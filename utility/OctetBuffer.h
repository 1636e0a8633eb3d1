//
// OctetBuffer.h
//
// Library: Zel_Utility
// Package: Data
// Module:  OctetBuffer
//
// Definition of the OctetBuffer class: a copy of a run of bytes and its
// hexadecimal text.
//

#ifndef Zel_Utility_OctetBuffer_INCLUDED
#define Zel_Utility_OctetBuffer_INCLUDED

#include <cstddef>
#include <memory>
#include <string>

namespace Zel
{
namespace Utility
{

class OctetBuffer
/// Holds a copy of a run of bytes. Runs of up to INLINE_CAPACITY bytes (a
/// radio payload) are kept inside the object, so that the common case costs
/// no heap allocation.
{
public:
    static const std::size_t INLINE_CAPACITY = 256;

    OctetBuffer(const unsigned char* pData, unsigned int length);
    /// Copies length bytes from pData (which may be null when length is 0).

    ~OctetBuffer();

    OctetBuffer(const OctetBuffer&) = delete;
    OctetBuffer& operator=(const OctetBuffer&) = delete;

    const unsigned char* data() const;
    unsigned int size() const;

    std::string& getHexString(std::string& result, bool upperCase) const;
    /// Replaces the content of result with two hexadecimal digits per byte,
    /// without separators, in upper case when upperCase is true and in lower
    /// case otherwise, and returns result. No bytes give an empty text.

private:
    unsigned int _length;
    std::unique_ptr<unsigned char[]> _pHeap;
    unsigned char _inline[INLINE_CAPACITY];
};

inline const unsigned char* OctetBuffer::data() const
{
    return _pHeap ? _pHeap.get() : _inline;
}

inline unsigned int OctetBuffer::size() const
{
    return _length;
}

} // namespace Utility
} // namespace Zel

#endif // Zel_Utility_OctetBuffer_INCLUDED
