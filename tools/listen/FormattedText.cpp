//
// FormattedText.cpp
//
// Implementation of formattedText().
//

#include "tools/listen/FormattedText.h"

#include <cstdarg>
#include <cstdio>

namespace LoRaWANListen
{

namespace
{

const std::size_t LONGEST_TEXT = 256;

} // namespace

std::string formattedText(const char* pattern, ...)
{
    char text[LONGEST_TEXT];
    va_list arguments;
    va_start(arguments, pattern);
    std::vsnprintf(text, sizeof text, pattern, arguments);
    va_end(arguments);
    return text;
}

} // namespace LoRaWANListen
