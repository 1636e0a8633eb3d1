//
// NumberConversion.h
//
// Library: LoRaWANServer_Worker
// Package: Configuration
// Module:  NumberConversion
//
// Conversions of configuration numbers (read as doubles) to the HAL's field types.
//

#ifndef LoRaWANServer_NumberConversion_INCLUDED
#define LoRaWANServer_NumberConversion_INCLUDED

#include <Poco/Types.h>

namespace LoRaWANServer
{

class NumberConversion
/// Saturating conversions: every double, however large, small or odd, has a
/// defined result (a plain cast of an out-of-range double is undefined).
{
public:
    static Poco::UInt32 toUInt32(double value);
    /// Truncates toward zero; negative values give 0, values above the
    /// unsigned 32-bit range give its largest value, NaN gives 0.

    static Poco::Int32 toInt32(double value);
    /// Truncates toward zero and clamps to the signed 32-bit range; NaN gives 0.

    static Poco::UInt8 toUInt8(double value);
    /// The low 8 bits of toUInt32(value): 256 gives 0, 257 gives 1.

    static float toFloat(double value);
    /// The nearest single-precision value; magnitudes beyond the largest
    /// finite single-precision value give that value with the sign kept.
};

} // namespace LoRaWANServer

#endif // LoRaWANServer_NumberConversion_INCLUDED
