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

constexpr Poco::UInt32 POWERS_OF_BASE[] = {1,      10,      100,      1000,      10000,
                                           100000, 1000000, 10000000, 100000000, 1000000000};

// For a value of bits binary digits, (bits * 1233) >> 12 is the number of
// decimal digits of 2^bits minus one, and the value itself has that many or
// one more: a count without a loop over the powers of ten.
constexpr Poco::UInt32 LOG10_2_SCALED = 1233; // log10(2) * 4096
constexpr unsigned LOG10_2_SHIFT = 12;
constexpr unsigned VALUE_BITS = 32;

std::size_t digitCount(Poco::UInt32 value)
{
    if (value < BASE)
        return 1;
    const unsigned bits = VALUE_BITS - static_cast<unsigned>(__builtin_clz(value));
    const unsigned guess = (bits * LOG10_2_SCALED) >> LOG10_2_SHIFT;
    return guess + (value >= POWERS_OF_BASE[guess] ? 1 : 0);
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
