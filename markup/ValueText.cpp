//
// ValueText.cpp
//
// Implementation of the ValueText class.
//

#include "markup/ValueText.h"

#include <Poco/NumericString.h>

#include <cmath>
#include <cstring>

namespace LoRaWANServer
{

namespace
{

constexpr Poco::UInt32 BASE = 10;
constexpr Poco::UInt32 PAIR_BASE = BASE * BASE;

const int LOWEST_PLAIN_EXPONENT = -6;
const int HIGHEST_PLAIN_EXPONENT = 6;

// A float that is a whole number of quarters below this magnitude has the
// exact decimal text (at most two decimals) as its shortest text: half the
// spacing of floats there is at most 2^-8, far less than the 0.05 by which
// any text with fewer digits would miss the value. Its text is also plain.
constexpr float QUARTERS_LIMIT = 131072.0f; // 2^17
constexpr float QUARTERS_PER_UNIT = 4.0f;
constexpr int QUARTERS_PER_UNIT_INT = 4;
// Each fraction padded to FRACTION_ROOM characters, so that it is copied in
// one fixed-size move: the buffer has room for far more.
constexpr std::size_t FRACTION_ROOM = 4;
struct QuarterFraction
{
    char text[FRACTION_ROOM];
    std::size_t length;
};
constexpr QuarterFraction QUARTER_FRACTIONS[QUARTERS_PER_UNIT_INT] = {
    {"", 0}, {".25", 3}, {".5", 2}, {".75", 3}};

// "00" to "99": two digits per division.
struct DigitPairs
{
    constexpr DigitPairs() : text()
    {
        for (Poco::UInt32 i = 0; i < PAIR_BASE; ++i)
        {
            text[2 * i] = static_cast<char>('0' + i / BASE);
            text[2 * i + 1] = static_cast<char>('0' + i % BASE);
        }
    }
    char text[2 * PAIR_BASE];
};
constexpr DigitPairs DIGIT_PAIRS;

std::size_t digitCount(Poco::UInt32 value)
{
    std::size_t count = 1;
    for (Poco::UInt32 limit = BASE; count < ValueText::DECIMAL_CAPACITY && value >= limit; limit *= BASE)
        ++count;
    return count;
}

} // namespace

std::size_t ValueText::decimal(Poco::UInt32 value, char* pText)
{
    const std::size_t count = digitCount(value);
    char* pDigit = pText + count;
    while (value >= PAIR_BASE)
    {
        pDigit -= 2;
        std::memcpy(pDigit, DIGIT_PAIRS.text + 2 * (value % PAIR_BASE), 2);
        value /= PAIR_BASE;
    }
    if (value >= BASE)
    {
        pDigit -= 2;
        std::memcpy(pDigit, DIGIT_PAIRS.text + 2 * value, 2);
    }
    else
    {
        *--pDigit = static_cast<char>('0' + value);
    }
    return count;
}

std::size_t ValueText::shortestFloat(float value, char* pText)
{
    const float quarters = value * QUARTERS_PER_UNIT;
    // Below the limit the quarters fit an int, so that the cast tells whether
    // they are whole (NaN fails the first test).
    if (std::fabs(value) < QUARTERS_LIMIT && quarters == static_cast<float>(static_cast<int>(quarters)))
    {
        const int wholeQuarters = static_cast<int>(quarters);
        const Poco::UInt32 magnitude =
            static_cast<Poco::UInt32>(wholeQuarters < 0 ? -wholeQuarters : wholeQuarters);
        std::size_t length = 0;
        if (wholeQuarters < 0)
            pText[length++] = '-';
        length += decimal(magnitude / QUARTERS_PER_UNIT_INT, pText + length);
        const QuarterFraction& fraction = QUARTER_FRACTIONS[magnitude % QUARTERS_PER_UNIT_INT];
        std::memcpy(pText + length, fraction.text, FRACTION_ROOM);
        return length + fraction.length;
    }
    Poco::floatToStr(pText, static_cast<int>(FLOAT_CAPACITY), value, LOWEST_PLAIN_EXPONENT,
                     HIGHEST_PLAIN_EXPONENT);
    return std::strlen(pText);
}

} // namespace LoRaWANServer
