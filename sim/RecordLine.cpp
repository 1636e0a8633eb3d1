//
// RecordLine.cpp
//
// Implementation of the RecordLine class.
//

#include "sim/RecordLine.h"

#include "sim/MonotonicClock.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace LoRaSim
{

namespace
{

// Nine significant digits always tell two floats apart.
const int MAX_FLOAT_DIGITS = 9;
const int FLOAT_TEXT_SIZE = 32;
const unsigned char FIRST_PRINTABLE = 0x20;
// Plain decimal notation for exponents in this range, scientific beyond it.
const int MIN_PLAIN_EXPONENT = -4;
const int MAX_PLAIN_EXPONENT = 15;
const int EXPONENT_TEXT_SIZE = 16;

// Places the decimal point in significant digits d1d2d3... worth
// d1.d2d3... x 10^exponent: "-166.0", "0.0001", "1.5e-07", "1e+16".
std::string layOut(const std::string& digits, int exponent)
{
    if (exponent < MIN_PLAIN_EXPONENT || exponent > MAX_PLAIN_EXPONENT)
    {
        std::string text = digits.substr(0, 1);
        if (digits.size() > 1)
            text += "." + digits.substr(1);
        char exponentText[EXPONENT_TEXT_SIZE];
        std::snprintf(exponentText, sizeof exponentText, "e%c%02d", exponent < 0 ? '-' : '+',
                      std::abs(exponent));
        return text + exponentText;
    }
    if (exponent < 0)
        return "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    const std::size_t integerDigits = static_cast<std::size_t>(exponent) + 1;
    if (digits.size() <= integerDigits)
        return digits + std::string(integerDigits - digits.size(), '0') + ".0";
    return digits.substr(0, integerDigits) + "." + digits.substr(integerDigits);
}

void appendEscaped(std::string& out, const char* value)
{
    out += '"';
    for (const char* p = value; *p != '\0'; ++p)
    {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c == '"' || c == '\\')
        {
            out += '\\';
            out += static_cast<char>(c);
        }
        else if (c < FIRST_PRINTABLE)
        {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        }
        else
        {
            out += static_cast<char>(c);
        }
    }
    out += '"';
}

} // namespace

RecordLine::RecordLine(const char* call) : RecordLine(call, MonotonicClock::nowMicros()) {}

RecordLine::RecordLine(const char* call, std::uint64_t timeMicros) : RecordLine("call", call, timeMicros) {}

RecordLine::RecordLine(const char* key, const char* name, std::uint64_t timeMicros)
    : _line("{"), _timeMicros(timeMicros)
{
    appendEscaped(_line, key);
    _line += ':';
    appendEscaped(_line, name);
}

RecordLine RecordLine::event(const char* name, std::uint64_t timeMicros)
{
    return RecordLine("event", name, timeMicros);
}

std::uint64_t RecordLine::timeMicros() const
{
    return _timeMicros;
}

RecordLine& RecordLine::flag(const char* name, bool value)
{
    this->name(name);
    _line += value ? "true" : "false";
    return *this;
}

RecordLine& RecordLine::number(const char* name, std::int64_t value)
{
    this->name(name);
    _line += std::to_string(value);
    return *this;
}

RecordLine& RecordLine::real(const char* name, float value)
{
    this->name(name);
    _line += shortestText(value);
    return *this;
}

RecordLine& RecordLine::text(const char* name, const char* value)
{
    this->name(name);
    if (value == nullptr)
        _line += "null";
    else
        appendEscaped(_line, value);
    return *this;
}

std::string RecordLine::finish(int result)
{
    number("result", result);
    return close();
}

std::string RecordLine::finishHung()
{
    flag("hung", true);
    return close();
}

std::string RecordLine::finishEvent()
{
    return close();
}

std::string RecordLine::shortestText(float value)
{
    if (!std::isfinite(value))
        return "null";
    char text[FLOAT_TEXT_SIZE];
    for (int digits = 1; digits <= MAX_FLOAT_DIGITS; ++digits)
    {
        std::snprintf(text, sizeof text, "%.*e", digits - 1, static_cast<double>(value));
        if (std::strtof(text, nullptr) == value)
            break;
    }
    // text is now "[-]d[.ddd]e<exponent>" with the fewest digits that read back.
    const std::string scientific(text);
    const bool negative = scientific[0] == '-';
    const std::size_t exponentAt = scientific.find('e');
    std::string digits;
    for (std::size_t i = negative ? 1 : 0; i < exponentAt; ++i)
    {
        if (scientific[i] != '.')
            digits += scientific[i];
    }
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    const int exponent = std::atoi(scientific.c_str() + exponentAt + 1);
    return (negative ? "-" : "") + layOut(digits, exponent);
}

std::string RecordLine::close()
{
    number("time_us", static_cast<std::int64_t>(_timeMicros));
    _line += '}';
    return _line;
}

void RecordLine::name(const char* name)
{
    _line += ',';
    appendEscaped(_line, name);
    _line += ':';
}

} // namespace LoRaSim
