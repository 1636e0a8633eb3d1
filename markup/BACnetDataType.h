//
// BACnetDataType.h
//
// Definition of the BACnetDataType enumeration.
//

#ifndef Markup_BACnetDataType_INCLUDED
#define Markup_BACnetDataType_INCLUDED

#include <cstdint>

namespace Zel
{
namespace BACnet
{

/// The BACnet application data types, numbered like their application tags.
/// The markup writer only carries a data type along: it forms the upper half of
/// a value-name cache key and is otherwise not consulted.
enum BACnetDataType : std::uint32_t
{
    BACNET_DT_NULL = 0,
    BACNET_DT_BOOLEAN = 1,
    BACNET_DT_UNSIGNED = 2,
    BACNET_DT_SIGNED = 3,
    BACNET_DT_REAL = 4,
    BACNET_DT_DOUBLE = 5,
    BACNET_DT_OCTET_STRING = 6,
    BACNET_DT_CHARACTER_STRING = 7,
    BACNET_DT_BIT_STRING = 8,
    BACNET_DT_ENUMERATED = 9,
    BACNET_DT_DATE = 10,
    BACNET_DT_TIME = 11,
    BACNET_DT_OBJECT_IDENTIFIER = 12
};

} // namespace BACnet
} // namespace Zel

#endif // Markup_BACnetDataType_INCLUDED
