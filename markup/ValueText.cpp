//
// ValueText.cpp
//
// Implementation of the ValueText class.
//

#include "markup/ValueText.h"

#include <Poco/NumericString.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>

namespace Zel
{
namespace BACnet
{
namespace WS
{

namespace
{

const int LOWEST_PLAIN_EXPONENT = -6;
const int HIGHEST_PLAIN_EXPONENT = 6;

// A float that is a whole number of quarters below this magnitude has the
// exact decimal text (at most two decimals) as its shortest text: half the
// spacing of floats there is at most 2^-8, far less than the 0.05 by which
// any text with fewer digits would miss the value. Its text is also plain.
// Signal qualities are such numbers, and written so they cost a fraction of
// the shortest-text search.
constexpr float QUARTERS_LIMIT = 131072.0f; // 2^17
constexpr float QUARTERS_PER_UNIT = 4.0f;
constexpr Poco::UInt32 QUARTERS_PER_UNIT_INT = 4;
constexpr std::string_view QUARTER_FRACTIONS[QUARTERS_PER_UNIT_INT] = {"", ".25", ".5", ".75"};
constexpr char MINUS = '-';

} // namespace

std::size_t ValueText::decimal(Poco::UInt32 value, char* pText)
{
    return static_cast<std::size_t>(std::to_chars(pText, pText + DECIMAL_CAPACITY, value).ptr - pText);
}

std::size_t ValueText::shortestFloat(float value, char* pText)
{
    const float quarters = value * QUARTERS_PER_UNIT;
    if (std::fabs(value) < QUARTERS_LIMIT && std::trunc(quarters) == quarters)
    {
        const Poco::UInt32 magnitude = static_cast<Poco::UInt32>(std::fabs(quarters));
        std::size_t length = 0;
        if (value < 0)
            pText[length++] = MINUS;
        length += decimal(magnitude / QUARTERS_PER_UNIT_INT, pText + length);
        const std::string_view fraction = QUARTER_FRACTIONS[magnitude % QUARTERS_PER_UNIT_INT];
        return length + fraction.copy(pText + length, fraction.size());
    }
    Poco::floatToStr(pText, static_cast<int>(FLOAT_CAPACITY), value, LOWEST_PLAIN_EXPONENT,
                     HIGHEST_PLAIN_EXPONENT);
    return std::strlen(pText);
}

} // namespace WS
} // namespace BACnet
} // namespace Zel
