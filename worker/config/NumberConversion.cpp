//
// NumberConversion.cpp
//
// Implementation of the NumberConversion class.
//

#include "worker/config/NumberConversion.h"

#include <cfloat>
#include <cmath>
#include <limits>

namespace LoRaWANServer
{

Poco::UInt32 NumberConversion::toUInt32(double value)
{
    if (std::isnan(value) || value <= 0.0)
        return 0;
    // 2^32 and above cannot be represented; everything below truncates into range.
    if (value >= 4294967296.0)
        return std::numeric_limits<Poco::UInt32>::max();
    return static_cast<Poco::UInt32>(value);
}

Poco::Int32 NumberConversion::toInt32(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= 2147483648.0)
        return std::numeric_limits<Poco::Int32>::max();
    // Down to -2^31 - 1 (exclusive) the truncated value still fits.
    if (value <= -2147483649.0)
        return std::numeric_limits<Poco::Int32>::min();
    return static_cast<Poco::Int32>(value);
}

Poco::UInt8 NumberConversion::toUInt8(double value)
{
    return static_cast<Poco::UInt8>(toUInt32(value) & 0xFFu);
}

float NumberConversion::toFloat(double value)
{
    if (value > static_cast<double>(FLT_MAX))
        return FLT_MAX;
    if (value < -static_cast<double>(FLT_MAX))
        return -FLT_MAX;
    return static_cast<float>(value);
}

} // namespace LoRaWANServer
