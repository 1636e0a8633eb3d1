//
// MarkupTestWriter.h
//
// Definition of MarkupTestWriter, a JSON markup writer that lets tests add a
// full-form scope and look at the stack, and of Element, one markup() call.
//

#ifndef Tests_Markup_MarkupTestWriter_INCLUDED
#define Tests_Markup_MarkupTestWriter_INCLUDED

#include "markup/MarkupFactoryJSON.h"

#include <ostream>
#include <string>
#include <vector>

namespace MarkupTest
{

using Zel::BACnet::WS::MarkupFactory;

/// The 20 arguments of one markup() call, with the values the service uses.
struct Element
{
    MarkupFactory::BaseType baseType = MarkupFactory::BT_STRING;
    std::string name;
    std::string value;
    bool closeImmediately = true;
    bool isArray = false;
    Zel::BACnet::BACnetDataType dataType = Zel::BACnet::BACNET_DT_NULL;
    bool isArrayElement = false;
    std::string comment;
    int error = 0;
    std::string errorText;
    std::string displayName;
    std::string type;
    bool truncated = false;
    std::string maximum;
    std::string minimum;
    std::string contextTag;
    std::string propertyIdentifier;
    std::string writable;
    std::string description;
    bool omitEmptyValue = false;
};

/// A complete element (closed at once).
inline Element leaf(MarkupFactory::BaseType baseType, const std::string& name, const std::string& value)
{
    Element e;
    e.baseType = baseType;
    e.name = name;
    e.value = value;
    return e;
}

/// An element left open until closeOpenMarkup().
inline Element opened(MarkupFactory::BaseType baseType, const std::string& name)
{
    Element e = leaf(baseType, name, "");
    e.closeImmediately = false;
    return e;
}

class MarkupTestWriter : public Zel::BACnet::WS::MarkupFactoryJSON
{
public:
    using MarkupFactoryJSON::MarkupFactoryJSON;

    void write(const Element& e)
    {
        markup(e.baseType, e.name, e.value, e.closeImmediately, e.isArray, e.dataType, e.isArrayElement,
               e.comment, e.error, e.errorText, e.displayName, e.type, e.truncated, e.maximum, e.minimum,
               e.contextTag, e.propertyIdentifier, e.writable, e.description, e.omitEmptyValue);
    }

    /// Switches to the full form, which the service never does.
    void addFullFormScope() { _fullFormScopes.push_back("test"); }

    std::vector<OpenMarkup> stack() const { return {_openMarkups.begin(), _openMarkups.end()}; }

    unsigned arrayMarkers() const { return _arrayMarkers; }

    unsigned markersOnStack() const
    {
        unsigned markers = 0;
        for (const OpenMarkup& entry : _openMarkups)
            markers += entry.arrayMarker ? 1 : 0;
        return markers;
    }

    bool firstMember() const { return _firstMember; }

    bool hasCompressor() const { return _pDeflatingOstr != nullptr; }
};

} // namespace MarkupTest

namespace Zel
{
namespace BACnet
{
namespace WS
{

inline bool operator==(const MarkupFactory::OpenMarkup& a, const MarkupFactory::OpenMarkup& b)
{
    return a.baseType == b.baseType && a.arrayMarker == b.arrayMarker;
}

inline void PrintTo(const MarkupFactory::OpenMarkup& entry, std::ostream* os)
{
    *os << (entry.arrayMarker ? "marker " : "element ") << entry.baseType;
}

} // namespace WS
} // namespace BACnet
} // namespace Zel

#endif // Tests_Markup_MarkupTestWriter_INCLUDED
