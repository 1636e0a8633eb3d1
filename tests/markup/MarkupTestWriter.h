//
// MarkupTestWriter.h
//
// Definition of MarkupTestWriter, a JSON markup writer that lets tests add a
// full-form scope, look at the stack and play scripts of calls; of Element,
// one markup() call, and of Step, one call of a script.
//

#ifndef Tests_Markup_MarkupTestWriter_INCLUDED
#define Tests_Markup_MarkupTestWriter_INCLUDED

#include "markup/MarkupFactoryJSON.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace MarkupTest
{

using Zel::BACnet::WS::MarkupFactory;
using OpenMarkup = MarkupFactory::OpenMarkup;

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

/// An element that opens a run of like siblings (and so an array marker).
inline Element arrayOpening(MarkupFactory::BaseType baseType, const std::string& name, bool closeImmediately)
{
    Element e = leaf(baseType, name, "");
    e.isArray = true;
    e.closeImmediately = closeImmediately;
    return e;
}

/// A complete element of an array.
inline Element arrayElement(MarkupFactory::BaseType baseType, const std::string& value)
{
    Element e = leaf(baseType, "item", value);
    e.isArrayElement = true;
    return e;
}

/// e after change(e): for the few arguments a case sets beyond the builders'.
template <typename Change>
Element with(Element e, Change change)
{
    change(e);
    return e;
}

/// One call of a script: markup() with an element, or a call without arguments.
struct Step
{
    enum Kind
    {
        Write,
        Close,
        CloseAll,
        Reset
    };
    Kind kind;
    Element element;

    Step(const Element& e) : kind(Write), element(e) {}
    Step(Kind k) : kind(k) {}
};

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

    /// Calls the dialect itself, without markup(), as a derived dialect may.
    void describe(const Element& e)
    {
        descMarkup(_bts[e.baseType], e.name, e.value, e.closeImmediately, e.isArray, e.isArrayElement,
                   e.comment, e.error, e.errorText, e.displayName, e.type, e.truncated, e.maximum, e.minimum,
                   e.contextTag, e.propertyIdentifier, e.writable, e.description, e.omitEmptyValue);
    }

    /// Plays steps in order; after each, the marker count must equal the
    /// markers on the stack.
    void run(const std::vector<Step>& steps)
    {
        for (std::size_t i = 0; i < steps.size(); ++i)
        {
            switch (steps[i].kind)
            {
                case Step::Write:
                    write(steps[i].element);
                    break;
                case Step::Close:
                    closeOpenMarkup();
                    break;
                case Step::CloseAll:
                    closeAllOpenMarkups();
                    break;
                case Step::Reset:
                    reset();
                    break;
            }
            ASSERT_EQ(markersOnStack(), _arrayMarkers) << "after step " << i;
        }
    }

    /// Switches to the full form, which the service never does.
    void addFullFormScope() { _fullFormScopes.push_back("test"); }

    std::vector<OpenMarkup> stack() const { return {_openMarkups.begin(), _openMarkups.end()}; }

    unsigned markersOnStack() const
    {
        unsigned markers = 0;
        for (const OpenMarkup& entry : _openMarkups)
            markers += entry.arrayMarker ? 1 : 0;
        return markers;
    }

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
