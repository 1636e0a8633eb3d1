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

namespace
{

constexpr std::size_t DIGITS_PER_BYTE = 2;
constexpr unsigned BYTE_VALUES = 256;
constexpr unsigned NIBBLE_BITS = 4;
constexpr unsigned NIBBLE_MASK = 0x0F;
constexpr std::size_t HEX_DIGIT_COUNT = 16;

// The two digits of every byte value, so that a byte costs one lookup.
struct HexPairs
{
    constexpr explicit HexPairs(const char (&digits)[HEX_DIGIT_COUNT + 1]) : text()
    {
        for (unsigned byte = 0; byte < BYTE_VALUES; ++byte)
        {
            text[DIGITS_PER_BYTE * byte] = digits[byte >> NIBBLE_BITS];
            text[DIGITS_PER_BYTE * byte + 1] = digits[byte & NIBBLE_MASK];
        }
    }
    char text[DIGITS_PER_BYTE * BYTE_VALUES];
};

} // namespace

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
    static constexpr HexPairs UPPER_PAIRS("0123456789ABCDEF");
    static constexpr HexPairs LOWER_PAIRS("0123456789abcdef");
    const char* pPairs = upperCase ? UPPER_PAIRS.text : LOWER_PAIRS.text;

    const unsigned char* pBytes = data();
    result.resize(DIGITS_PER_BYTE * static_cast<std::size_t>(_length));
    char* pText = result.empty() ? nullptr : &result[0];
    for (unsigned int i = 0; i < _length; ++i)
        std::memcpy(pText + DIGITS_PER_BYTE * i, pPairs + DIGITS_PER_BYTE * pBytes[i], DIGITS_PER_BYTE);
    return result;
}

} // namespace Utility
} // namespace Zel
