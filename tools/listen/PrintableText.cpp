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

constexpr unsigned char FirstPrintable = 0x20;
constexpr unsigned char LastPrintable = 0x7E;
const char HexDigits[] = "0123456789ABCDEF";

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
        else if (byte >= FirstPrintable && byte <= LastPrintable)
        {
            text += static_cast<char>(byte);
        }
        else
        {
            text += "\\x";
            text += HexDigits[byte >> 4];
            text += HexDigits[byte & 0x0F];
        }
    }
    if (bytes.size() > maxBytes)
    {
        text += "...";
    }
    return text;
}

} // namespace LoRaWANListen
