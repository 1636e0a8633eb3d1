//
// OctetBuffer.cpp
//
// Implementation of the OctetBuffer class.
//

#include "utility/OctetBuffer.h"

#include <cstring>

namespace Zel
{
namespace Utility
{

OctetBuffer::OctetBuffer(const unsigned char* pData, unsigned int length) : _length(length)
{
    unsigned char* pTarget = _inline;
    if (length > INLINE_CAPACITY)
    {
        _pHeap.reset(new unsigned char[length]);
        pTarget = _pHeap.get();
    }
    if (length > 0)
        std::memcpy(pTarget, pData, length);
}

OctetBuffer::~OctetBuffer() = default;

std::string& OctetBuffer::getHexString(std::string& result, bool upperCase) const
{
    static const char UPPER_DIGITS[] = "0123456789ABCDEF";
    static const char LOWER_DIGITS[] = "0123456789abcdef";
    const char* digits = upperCase ? UPPER_DIGITS : LOWER_DIGITS;

    const unsigned char* pBytes = data();
    result.resize(2 * static_cast<std::size_t>(_length));
    char* pText = result.empty() ? nullptr : &result[0];
    for (unsigned int i = 0; i < _length; ++i)
    {
        pText[2 * i] = digits[pBytes[i] >> 4];
        pText[2 * i + 1] = digits[pBytes[i] & 0x0F];
    }
    return result;
}

} // namespace Utility
} // namespace Zel
