//
// PrintableText.cpp
//
// Implementation of the PrintableText class.
//

#include "tools/listen/PrintableText.h"

namespace LoRaWANListen
{

namespace
{

const unsigned char FIRST_PRINTABLE = 0x20;
const unsigned char LAST_PRINTABLE = 0x7E;
const char HEX_DIGITS[] = "0123456789ABCDEF";

} // namespace

std::string PrintableText::escape(std::string_view bytes, std::size_t maxBytes)
{
    std::string text;
    const std::size_t count = bytes.size() < maxBytes ? bytes.size() : maxBytes;
    text.reserve(count);
    for (std::size_t index = 0; index < count; ++index)
    {
        const unsigned char byte = static_cast<unsigned char>(bytes[index]);
        if (byte == '\\')
        {
            text += "\\\\";
        }
        else if (byte >= FIRST_PRINTABLE && byte <= LAST_PRINTABLE)
        {
            text += static_cast<char>(byte);
        }
        else
        {
            text += "\\x";
            text += HEX_DIGITS[byte >> 4];
            text += HEX_DIGITS[byte & 0x0F];
        }
    }
    if (bytes.size() > maxBytes)
    {
        text += "...";
    }
    return text;
}

} // namespace LoRaWANListen
