//
// MarkupWriterFuzzer.cpp
//
// libFuzzer target: arbitrary sequences of markup(), closeOpenMarkup(),
// closeAllOpenMarkups() and reset() with arbitrary texts on the JSON markup
// writer, in the compact form the service writes and in the full form.
//
// A model follows the same calls: the open-element stack as the writer keeps
// it, and, in the compact form, the JSON value the text must stand for. After
// every call the writer's stack must equal the model's. When a sequence keeps
// to the service's rules and closes every element, its text must parse as
// JSON: in the compact form exactly the model's value, in the full form (whose
// elements are object members) a valid object once wrapped in braces.
//
// The service's rules: one document per writer, opened by a nameless element
// (the root); every element inside it named and not an array element; no
// reset() while an element is open; texts in UTF-8 (the writer escapes what
// JSON requires and passes other bytes unchanged). Array markers, base types
// that are never written, attributes, pretty-printing and omitEmptyValue are
// all allowed.
//

#include "fuzz/FuzzCheck.h"
#include "markup/MarkupFactoryJSON.h"
#include "markup/TextStream.h"

#include <fuzzer/FuzzedDataProvider.h>
#include <nlohmann/json.hpp>

#include <array>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

namespace
{

using Json = nlohmann::json;
using Zel::BACnet::BACnetDataType;
using Zel::BACnet::WS::MarkupFactory;
using Zel::BACnet::WS::MarkupFactoryJSON;
using Zel::BACnet::WS::TextStream;

/// Base types drawn: a little below and above the table, so that the ones that
/// are never written come up too.
const int LOWEST_BASE_TYPE = -1;
const int HIGHEST_BASE_TYPE = MarkupFactory::BASE_TYPE_TEXTS;

const std::size_t MAX_NAME_LENGTH = 12;
const std::size_t MAX_VALUE_LENGTH = 24;
const std::size_t MAX_ATTRIBUTE_LENGTH = 8;
const std::size_t ATTRIBUTE_COUNT = 10;

const char* const VALUE_KEY = "$value";

enum class Call
{
    Markup,
    CloseOpenMarkup,
    CloseAllOpenMarkups,
    Reset,
    kMaxValue = Reset
};

bool isConstructed(MarkupFactory::BaseType baseType)
{
    switch (baseType)
    {
        case MarkupFactory::BT_OBJECT:
        case MarkupFactory::BT_COMPOSITION:
        case MarkupFactory::BT_LIST:
        case MarkupFactory::BT_SEQUENCE:
        case MarkupFactory::BT_ARRAY:
        case MarkupFactory::BT_SEQUENCE_OF:
        case MarkupFactory::BT_CHOICE:
        case MarkupFactory::BT_COLLECTION:
        case MarkupFactory::BT_NAMED_VALUES:
        case MarkupFactory::BT_MEMBER_TYPE_DEFINITION:
        case MarkupFactory::BT_CHOICES:
        case MarkupFactory::BT_NAMED_BITS:
            return true;
        default:
            return false;
    }
}

bool isWritable(MarkupFactory::BaseType baseType)
{
    return baseType >= MarkupFactory::BT_NULL && baseType <= MarkupFactory::BT_BIT;
}

bool isUtf8(const std::string& text)
{
    try
    {
        (void)Json(text).dump();
        return true;
    }
    catch (const Json::type_error&)
    {
        return false;
    }
}

struct Element
/// The arguments of one markup() call.
{
    MarkupFactory::BaseType baseType = MarkupFactory::BT_NULL;
    std::string name;
    std::string value;
    bool closeImmediately = false;
    bool isArray = false;
    BACnetDataType dataType = Zel::BACnet::BACNET_DT_NULL;
    bool isArrayElement = false;
    bool truncated = false;
    bool omitEmptyValue = false;
    int error = 0;
    std::array<std::string, ATTRIBUTE_COUNT> attributes;

    static Element draw(FuzzedDataProvider& input)
    {
        Element element;
        element.baseType = static_cast<MarkupFactory::BaseType>(
            input.ConsumeIntegralInRange<int>(LOWEST_BASE_TYPE, HIGHEST_BASE_TYPE));
        element.name = input.ConsumeBool() ? std::string() : input.ConsumeRandomLengthString(MAX_NAME_LENGTH);
        element.value = input.ConsumeRandomLengthString(MAX_VALUE_LENGTH);
        element.closeImmediately = input.ConsumeBool();
        element.isArray = input.ConsumeBool();
        element.isArrayElement = input.ConsumeBool();
        element.omitEmptyValue = input.ConsumeBool();
        if (input.ConsumeBool())
        {
            element.dataType = static_cast<BACnetDataType>(input.ConsumeIntegral<std::uint8_t>());
            element.truncated = input.ConsumeBool();
            element.error = input.ConsumeIntegral<int>();
            for (std::string& attribute : element.attributes)
                attribute = input.ConsumeRandomLengthString(MAX_ATTRIBUTE_LENGTH);
        }
        return element;
    }

    bool textsAreUtf8() const
    {
        if (!isUtf8(name) || !isUtf8(value))
            return false;
        for (const std::string& attribute : attributes)
        {
            if (!isUtf8(attribute))
                return false;
        }
        return true;
    }

    void writeTo(MarkupFactory& writer) const
    {
        writer.markup(baseType, name, value, closeImmediately, isArray, dataType, isArrayElement,
                      attributes[0], error, attributes[1], attributes[2], attributes[3], truncated,
                      attributes[4], attributes[5], attributes[6], attributes[7], attributes[8],
                      attributes[9], omitEmptyValue);
    }
};

class InspectedWriter : public MarkupFactoryJSON
/// The JSON writer with its stack in view, in either form.
{
public:
    InspectedWriter(std::ostream& ostr, bool format, bool fullForm) : MarkupFactoryJSON(ostr, format, false)
    {
        if (fullForm)
            _fullFormScopes.push_back("fuzz");
    }

    const decltype(_openMarkups)& openMarkups() const { return _openMarkups; }
    std::uint32_t arrayMarkers() const { return _arrayMarkers; }
};

class Model
/// What the writer must hold and, in the compact form, what its text must say.
{
public:
    explicit Model(bool fullForm) : _fullForm(fullForm) {}

    void markup(const Element& element)
    {
        if (!isWritable(element.baseType))
            return;
        if (!_stack.empty() && _stack.back().marker && _stack.back().baseType != element.baseType)
            _stack.pop_back();
        if (!element.textsAreUtf8())
            _conforming = false;
        Json* pObject = _fullForm ? checkFullElement(element) : writeCompactElement(element);
        if (element.isArray)
            _stack.push_back({element.baseType, true, nullptr});
        if (!element.closeImmediately)
            _stack.push_back({element.baseType, false, pObject});
    }

    void closeOpenMarkup()
    {
        while (!_stack.empty())
        {
            const Entry top = _stack.back();
            _stack.pop_back();
            if (!top.marker)
            {
                if (_state == State::InRoot && !elementOpen())
                    _state = State::AfterRoot;
                return;
            }
        }
    }

    void closeAllOpenMarkups()
    {
        while (!_stack.empty())
            closeOpenMarkup();
    }

    void reset()
    {
        if (elementOpen())
            _conforming = false; // the open elements would never be closed
        _stack.clear();
    }

    void checkStack(const InspectedWriter& writer) const
    {
        const auto& entries = writer.openMarkups();
        FUZZ_CHECK(entries.size() == _stack.size(), "stack of " + std::to_string(entries.size()) +
                                                        " entries, expected " +
                                                        std::to_string(_stack.size()));
        std::uint32_t markers = 0;
        for (std::size_t i = 0; i < entries.size(); ++i)
        {
            FUZZ_CHECK(entries[i].baseType == _stack[i].baseType &&
                           entries[i].arrayMarker == _stack[i].marker,
                       "stack entry " + std::to_string(i) + " differs");
            markers += entries[i].arrayMarker ? 1 : 0;
        }
        FUZZ_CHECK(writer.arrayMarkers() == markers, "the count of array markers is off");
    }

    void checkText(const std::string& text) const
    {
        if (!_conforming || elementOpen())
            return;
        if (_fullForm)
        {
            // Full-form elements are object members: within braces they form an object.
            const Json parsed = Json::parse("{" + text + "}", nullptr, false);
            FUZZ_CHECK(!parsed.is_discarded() && parsed.is_object(), "full form is not valid JSON: " + text);
            return;
        }
        if (_state != State::AfterRoot)
            return; // nothing was written
        const Json parsed = Json::parse(text, nullptr, false);
        FUZZ_CHECK(!parsed.is_discarded(), "compact form is not valid JSON: " + text);
        FUZZ_CHECK(parsed == _root,
                   "compact form " + text + " stands for " + parsed.dump() + ", expected " + _root.dump());
    }

private:
    struct Entry
    {
        MarkupFactory::BaseType baseType;
        bool marker;
        Json* pObject; // compact form: the object the element's members go to
    };

    enum class State
    {
        BeforeRoot,
        InRoot,
        AfterRoot
    };

    bool elementOpen() const
    {
        for (const Entry& entry : _stack)
        {
            if (!entry.marker)
                return true;
        }
        return false;
    }

    Json* innermostObject()
    {
        for (auto entry = _stack.rbegin(); entry != _stack.rend(); ++entry)
        {
            if (!entry->marker)
                return entry->pObject;
        }
        return nullptr;
    }

    Json* checkFullElement(const Element& element)
    {
        if (element.isArrayElement)
            _conforming = false; // an anonymous object cannot be a member
        return nullptr;
    }

    /// The value of an element that the compact form writes as an object: a
    /// primitive one carries its value as "$value".
    static Json objectOf(const Element& element)
    {
        Json object = Json::object();
        if (!isConstructed(element.baseType) && !(element.omitEmptyValue && element.value.empty()))
            object[VALUE_KEY] = element.value;
        return object;
    }

    Json* writeCompactElement(const Element& element)
    {
        const bool anonymous = element.isArrayElement || element.name.empty();
        if (!_conforming || _state == State::AfterRoot)
        {
            _conforming = false; // a second document on one writer
            return nullptr;
        }
        if (_state == State::BeforeRoot)
        {
            if (!anonymous)
            {
                _conforming = false; // a named root is a member, not a document
                return nullptr;
            }
            _root = objectOf(element);
            _state = element.closeImmediately ? State::AfterRoot : State::InRoot;
            return &_root;
        }
        Json* pParent = innermostObject();
        if (anonymous || !pParent)
        {
            _conforming = false;
            return nullptr;
        }
        if (!isConstructed(element.baseType) && element.closeImmediately)
        {
            (*pParent)[element.name] = element.value;
            return nullptr;
        }
        Json& child = (*pParent)[element.name];
        child = objectOf(element);
        return &child;
    }

    bool _fullForm;
    bool _conforming = true;
    State _state = State::BeforeRoot;
    Json _root;
    std::vector<Entry> _stack;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const bool fullForm = input.ConsumeBool();
    const bool format = input.ConsumeBool();

    std::ostringstream text;
    InspectedWriter writer(text, format, fullForm);
    // The service's own stream, reused for every frame: it must come to the
    // very same text.
    TextStream frameText;
    InspectedWriter textStreamWriter(frameText, format, fullForm);
    Model model(fullForm);
    while (input.remaining_bytes() > 0)
    {
        switch (input.ConsumeEnum<Call>())
        {
            case Call::Markup:
            {
                const Element element = Element::draw(input);
                element.writeTo(writer);
                element.writeTo(textStreamWriter);
                model.markup(element);
                break;
            }
            case Call::CloseOpenMarkup:
                writer.closeOpenMarkup();
                textStreamWriter.closeOpenMarkup();
                model.closeOpenMarkup();
                break;
            case Call::CloseAllOpenMarkups:
                writer.closeAllOpenMarkups();
                textStreamWriter.closeAllOpenMarkups();
                model.closeAllOpenMarkups();
                break;
            case Call::Reset:
                writer.reset();
                textStreamWriter.reset();
                model.reset();
                break;
        }
        model.checkStack(writer);
    }
    FUZZ_CHECK(frameText.text() == text.str(),
               "on a text stream: " + std::string(frameText.text()) + ", on a string stream: " + text.str());
    model.checkText(text.str());
    return 0;
}
