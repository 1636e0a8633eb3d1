//
// LogHelper.cpp
//
// Implementation of the LogHelper class.
//

#include "utility/LogHelper.h"

#include <cctype>
#include <cstdio>
#include <ctime>
#include <iostream>

namespace Zel
{
namespace Utility
{

std::string LogHelper::timeStamp(bool utc)
{
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    struct tm parts;
    if (utc)
        gmtime_r(&now.tv_sec, &parts);
    else
        localtime_r(&now.tv_sec, &parts);

    char text[40];
    const int length = std::snprintf(text, sizeof(text), "%04d-%02d-%02d %02d:%02d:%02d.%03ld",
                                     parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour,
                                     parts.tm_min, parts.tm_sec, now.tv_nsec / 1000000L);
    return std::string(text, static_cast<std::size_t>(length));
}

std::string LogHelper::withoutTimeStamp(const std::string& text)
{
    // "YYYY-MM-DD hh:mm:ss.mmm": digits, with these separators in between.
    static const std::string PATTERN = "0000-00-00 00:00:00.000";
    if (text.size() < PATTERN.size())
        return text;
    for (std::size_t i = 0; i < PATTERN.size(); ++i)
    {
        const bool digit = std::isdigit(static_cast<unsigned char>(text[i])) != 0;
        if (PATTERN[i] == '0' ? !digit : text[i] != PATTERN[i])
            return text;
    }
    const std::size_t start = text.find_first_not_of(' ', PATTERN.size());
    return start == std::string::npos ? std::string() : text.substr(start);
}

void LogHelper::log(const std::string& message)
{
    writeLine(timeStamp(false) + message);
}

void LogHelper::writeLine(const std::string& text)
{
    std::string line;
    line.reserve(text.size() + 1);
    line.append(text).push_back('\n');
    std::cout.write(line.data(), static_cast<std::streamsize>(line.size()));
    std::cout.flush();
}

} // namespace Utility
} // namespace Zel
