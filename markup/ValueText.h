//
// ValueText.h
//
// Definition of the ValueText class: the texts of the numbers of a packet
// document.
//

#ifndef Markup_ValueText_INCLUDED
#define Markup_ValueText_INCLUDED

#include <Poco/Types.h>

#include <cstddef>

namespace Zel
{
namespace BACnet
{
namespace WS
{

class ValueText
/// Writes the number texts of a packet document into a caller's buffer,
/// without allocating: Poco's unsigned decimal formatting, and the text of
/// Poco::floatToStr() with plain notation from 10^-6 up to below 10^6. The
/// floats a concentrator reports (whole numbers, halves and quarters of a dB)
/// are written as the decimal text of their quarters, the same text at a
/// fraction of the cost; any other float is written by Poco.
{
public:
    static constexpr std::size_t DECIMAL_CAPACITY = 11;
    /// Characters that decimal() may write: those of 4294967295 and a NUL.

    static constexpr std::size_t FLOAT_CAPACITY = 780;
    /// Characters that shortestFloat() may need, as Poco::floatToStr() is given.

    static std::size_t decimal(Poco::UInt32 value, char* pText);
    /// Writes the decimal digits of value (no sign, no leading zeros, "0" for
    /// zero) and a terminating NUL to pText, which has room for
    /// DECIMAL_CAPACITY characters, and returns the number of digits.

    static std::size_t shortestFloat(float value, char* pText);
    /// Writes the shortest text that reads back as value, as
    /// Poco::floatToStr(pText, FLOAT_CAPACITY, value, -6, 6) writes it ("-57",
    /// "9.5", "1e+7", "0" for both zeros, "nan", "inf"), to pText, which has
    /// room for FLOAT_CAPACITY characters, and returns its length. No
    /// terminating NUL is promised.
};

} // namespace WS
} // namespace BACnet
} // namespace Zel

#endif // Markup_ValueText_INCLUDED
