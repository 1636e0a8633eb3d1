//
// MarkupFactoryJSON.cpp
//
// Implementation of the MarkupFactoryJSON class.
//

#include "markup/MarkupFactoryJSON.h"

#include <Poco/NumericString.h>

namespace Zel
{
namespace BACnet
{
namespace WS
{

namespace
{
constexpr unsigned char FIRST_PLAIN_CHARACTER = 0x20;
constexpr unsigned char NIBBLE_MASK = 0x0F;
constexpr unsigned NIBBLE_BITS = 4;
constexpr const char* HEX_DIGITS = "0123456789abcdef";
constexpr unsigned short DECIMAL = 10;

const MarkupFactory::BaseType CONSTRUCTED_BASE_TYPES[] = {
    MarkupFactory::BT_OBJECT,       MarkupFactory::BT_COMPOSITION,
    MarkupFactory::BT_LIST,         MarkupFactory::BT_SEQUENCE,
    MarkupFactory::BT_ARRAY,        MarkupFactory::BT_SEQUENCE_OF,
    MarkupFactory::BT_CHOICE,       MarkupFactory::BT_COLLECTION,
    MarkupFactory::BT_NAMED_VALUES, MarkupFactory::BT_MEMBER_TYPE_DEFINITION,
    MarkupFactory::BT_CHOICES,      MarkupFactory::BT_NAMED_BITS};
} // namespace

MarkupFactoryJSON::MarkupFactoryJSON(std::ostream& ostr, bool format, bool auxFlag)
    : MarkupFactory(ostr, format, auxFlag), _firstMember(true)
{
}

MarkupFactoryJSON::MarkupFactoryJSON(std::ostream& ostr, Poco::DeflatingStreamBuf::StreamType streamType,
                                     bool format, bool auxFlag)
    : MarkupFactory(ostr, streamType, format, auxFlag), _firstMember(true)
{
}

MarkupFactoryJSON::~MarkupFactoryJSON() = default;

bool MarkupFactoryJSON::allowArrays()
{
    return true;
}

void MarkupFactoryJSON::descMarkup(const char* baseTypeName, const std::string& name,
                                   const std::string& value, bool closeImmediately, bool /*isArray*/,
                                   bool isArrayElement, const std::string& comment, int error,
                                   const std::string& errorText, const std::string& displayName,
                                   const std::string& type, bool truncated, const std::string& maximum,
                                   const std::string& minimum, const std::string& contextTag,
                                   const std::string& propertyIdentifier, const std::string& writable,
                                   const std::string& description, bool omitEmptyValue)
{
    if (_firstMember)
        _firstMember = false;
    else
        *_pOstr << ",";
    if (_fullFormScopes.empty())
        descCompactMarkup(baseTypeName, name, value, closeImmediately, isArrayElement, omitEmptyValue);
    else
        descFullMarkup(baseTypeName, name, value, closeImmediately, isArrayElement, comment, error, errorText,
                       displayName, type, truncated, maximum, minimum, contextTag, propertyIdentifier,
                       writable, description, omitEmptyValue);
}

void MarkupFactoryJSON::descCloseOpenMarkup(const std::string& /*baseTypeName*/, bool arrayMarker)
{
    if (arrayMarker)
        return;
    *_pOstr << "}";
    if (_fullFormScopes.empty())
        _firstMember = false;
}

void MarkupFactoryJSON::descCompactMarkup(const char* baseTypeName, const std::string& name,
                                          const std::string& value, bool closeImmediately,
                                          bool isArrayElement, bool omitEmptyValue)
{
    const bool anonymous = isArrayElement || name.empty();
    const bool constructed = isConstructed(baseTypeName);
    if (!constructed && !anonymous && closeImmediately)
    {
        *_pOstr << "\"";
        writeEscaped(name.data(), name.size());
        *_pOstr << "\":";
        writeQuoted(value.data(), value.size());
        return;
    }
    if (anonymous)
    {
        *_pOstr << "{";
    }
    else
    {
        *_pOstr << "\"";
        writeEscaped(name.data(), name.size());
        *_pOstr << "\":{";
    }
    _firstMember = true;
    if (!constructed && !(omitEmptyValue && value.empty()))
    {
        *_pOstr << "\"$value\":";
        writeQuoted(value.data(), value.size());
        _firstMember = false;
    }
    if (closeImmediately)
    {
        *_pOstr << "}";
        _firstMember = false;
    }
}

void MarkupFactoryJSON::descFullMarkup(const char* baseTypeName, const std::string& name,
                                       const std::string& value, bool closeImmediately, bool isArrayElement,
                                       const std::string& comment, int error, const std::string& errorText,
                                       const std::string& displayName, const std::string& type,
                                       bool truncated, const std::string& maximum, const std::string& minimum,
                                       const std::string& contextTag, const std::string& propertyIdentifier,
                                       const std::string& writable, const std::string& description,
                                       bool omitEmptyValue)
{
    const std::size_t baseTypeLength = std::char_traits<char>::length(baseTypeName);
    if (isArrayElement)
    {
        *_pOstr << "{";
    }
    else if (name.empty())
    {
        *_pOstr << "\"$";
        writeEscaped(baseTypeName, baseTypeLength);
        *_pOstr << "\":{";
    }
    else
    {
        *_pOstr << "\"";
        writeEscaped(name.data(), name.size());
        *_pOstr << "\":{";
    }
    *_pOstr << "\"$base\":";
    writeQuoted(baseTypeName, baseTypeLength);
    if (!name.empty())
    {
        if (!isConstructed(baseTypeName) && !(omitEmptyValue && value.empty()))
        {
            *_pOstr << ",\"$value\":\"";
            writeEscaped(value.data(), value.size());
            *_pOstr << "\"";
        }
        writeAttribute(",\"$displayName\":\"", displayName);
        writeAttribute(isListLike(baseTypeName) ? ",\"$memberType\":\"" : ",\"$type\":\"", type);
        writeAttribute(",\"$propertyIdentifier\":\"", propertyIdentifier);
        writeAttribute(isArrayType(baseTypeName) ? ",\"$maximumSize\":\"" : ",\"$maximum\":\"", maximum);
        writeAttribute(isArrayType(baseTypeName) ? ",\"$minimumSize\":\"" : ",\"$minimum\":\"", minimum);
        writeAttribute(",\"$contextTag\":\"", contextTag);
        writeAttribute(",\"$writable\":\"", writable);
        writeAttribute(",\"$description\":\"", description);
        if (error != 0)
        {
            std::string errorDigits;
            Poco::intToStr(error, DECIMAL, errorDigits);
            writeAttribute(",\"$error\":\"", errorDigits);
        }
        writeAttribute(",\"$errorText\":\"", errorText);
        writeAttribute(",\"$comment\":\"", comment);
        if (truncated)
            *_pOstr << ",\"$truncated\":\"True\"";
    }
    if (closeImmediately)
        *_pOstr << "}";
}

void MarkupFactoryJSON::writeAttribute(const char* literal, const std::string& text)
{
    if (text.empty())
        return;
    *_pOstr << literal;
    writeEscaped(text.data(), text.size());
    *_pOstr << "\"";
}

void MarkupFactoryJSON::writeQuoted(const char* text, std::size_t length)
{
    *_pOstr << '"';
    writeEscaped(text, length);
    *_pOstr << '"';
}

void MarkupFactoryJSON::writeEscaped(const char* text, std::size_t length)
{
    const char* runStart = text;
    const char* const end = text + length;
    for (const char* p = text; p != end; ++p)
    {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c >= FIRST_PLAIN_CHARACTER && c != '"' && c != '\\')
            continue;
        _pOstr->write(runStart, p - runStart);
        writeEscape(c);
        runStart = p + 1;
    }
    _pOstr->write(runStart, end - runStart);
}

void MarkupFactoryJSON::writeEscape(unsigned char c)
{
    switch (c)
    {
        case '"':
            *_pOstr << "\\\"";
            break;
        case '\\':
            *_pOstr << "\\\\";
            break;
        case '\b':
            *_pOstr << "\\b";
            break;
        case '\f':
            *_pOstr << "\\f";
            break;
        case '\n':
            *_pOstr << "\\n";
            break;
        case '\r':
            *_pOstr << "\\r";
            break;
        case '\t':
            *_pOstr << "\\t";
            break;
        default:
            *_pOstr << "\\u00" << HEX_DIGITS[c >> NIBBLE_BITS] << HEX_DIGITS[c & NIBBLE_MASK];
            break;
    }
}

bool MarkupFactoryJSON::isConstructed(const char* baseTypeName)
{
    for (MarkupFactory::BaseType constructed : CONSTRUCTED_BASE_TYPES)
    {
        if (_bts[constructed] == baseTypeName)
            return true;
    }
    return false;
}

bool MarkupFactoryJSON::isListLike(const char* baseTypeName)
{
    return baseTypeName == _bts[BT_ARRAY] || baseTypeName == _bts[BT_LIST] ||
           baseTypeName == _bts[BT_SEQUENCE_OF];
}

bool MarkupFactoryJSON::isArrayType(const char* baseTypeName)
{
    return baseTypeName == _bts[BT_ARRAY];
}

} // namespace WS
} // namespace BACnet
} // namespace Zel
