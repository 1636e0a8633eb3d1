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

constexpr char QUOTE = '"';
constexpr char SEPARATOR = ',';
constexpr char OPEN_OBJECT = '{';
constexpr char CLOSE_OBJECT = '}';
constexpr std::string_view KEY_END = "\":";
constexpr std::string_view KEY_END_OPEN_OBJECT = "\":{";
constexpr std::string_view VALUE_KEY = "\"$value\":";
constexpr std::string_view NAMELESS_KEY_START = "\"$";
constexpr std::string_view BASE_KEY = "\"$base\":";
constexpr std::string_view VALUE_MEMBER = ",\"$value\":\"";
constexpr std::string_view DISPLAY_NAME_MEMBER = ",\"$displayName\":\"";
constexpr std::string_view MEMBER_TYPE_MEMBER = ",\"$memberType\":\"";
constexpr std::string_view TYPE_MEMBER = ",\"$type\":\"";
constexpr std::string_view PROPERTY_IDENTIFIER_MEMBER = ",\"$propertyIdentifier\":\"";
constexpr std::string_view MAXIMUM_SIZE_MEMBER = ",\"$maximumSize\":\"";
constexpr std::string_view MAXIMUM_MEMBER = ",\"$maximum\":\"";
constexpr std::string_view MINIMUM_SIZE_MEMBER = ",\"$minimumSize\":\"";
constexpr std::string_view MINIMUM_MEMBER = ",\"$minimum\":\"";
constexpr std::string_view CONTEXT_TAG_MEMBER = ",\"$contextTag\":\"";
constexpr std::string_view WRITABLE_MEMBER = ",\"$writable\":\"";
constexpr std::string_view DESCRIPTION_MEMBER = ",\"$description\":\"";
constexpr std::string_view ERROR_MEMBER = ",\"$error\":\"";
constexpr std::string_view ERROR_TEXT_MEMBER = ",\"$errorText\":\"";
constexpr std::string_view COMMENT_MEMBER = ",\"$comment\":\"";
constexpr std::string_view TRUNCATED_MEMBER = ",\"$truncated\":\"True\"";

constexpr unsigned char FIRST_PLAIN_CHARACTER = 0x20;
constexpr std::string_view UNICODE_ESCAPE_START = "\\u00";
constexpr unsigned char NIBBLE_MASK = 0x0F;
constexpr unsigned NIBBLE_BITS = 4;
constexpr char HEX_DIGITS[] = "0123456789abcdef";
constexpr unsigned short DECIMAL = 10;

const MarkupFactory::BaseType CONSTRUCTED_BASE_TYPES[] = {
    MarkupFactory::BT_OBJECT,       MarkupFactory::BT_COMPOSITION,
    MarkupFactory::BT_LIST,         MarkupFactory::BT_SEQUENCE,
    MarkupFactory::BT_ARRAY,        MarkupFactory::BT_SEQUENCE_OF,
    MarkupFactory::BT_CHOICE,       MarkupFactory::BT_COLLECTION,
    MarkupFactory::BT_NAMED_VALUES, MarkupFactory::BT_MEMBER_TYPE_DEFINITION,
    MarkupFactory::BT_CHOICES,      MarkupFactory::BT_NAMED_BITS};

// The two-character escapes JSON has for some characters; every other control
// character becomes \u00XX.
std::string_view shortEscape(unsigned char c)
{
    switch (c)
    {
        case '"':
            return "\\\"";
        case '\\':
            return "\\\\";
        case '\b':
            return "\\b";
        case '\f':
            return "\\f";
        case '\n':
            return "\\n";
        case '\r':
            return "\\r";
        case '\t':
            return "\\t";
        default:
            return {};
    }
}

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
        _pOstr->put(SEPARATOR);
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
    _pOstr->put(CLOSE_OBJECT);
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
        _pOstr->put(QUOTE);
        writeEscaped(name);
        writeLiteral(KEY_END);
        writeQuoted(value);
        return;
    }
    if (anonymous)
    {
        _pOstr->put(OPEN_OBJECT);
    }
    else
    {
        _pOstr->put(QUOTE);
        writeEscaped(name);
        writeLiteral(KEY_END_OPEN_OBJECT);
    }
    _firstMember = true;
    if (!constructed && !(omitEmptyValue && value.empty()))
    {
        writeLiteral(VALUE_KEY);
        writeQuoted(value);
        _firstMember = false;
    }
    if (closeImmediately)
    {
        _pOstr->put(CLOSE_OBJECT);
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
    if (isArrayElement)
    {
        _pOstr->put(OPEN_OBJECT);
    }
    else if (name.empty())
    {
        writeLiteral(NAMELESS_KEY_START);
        writeEscaped(baseTypeName);
        writeLiteral(KEY_END_OPEN_OBJECT);
    }
    else
    {
        _pOstr->put(QUOTE);
        writeEscaped(name);
        writeLiteral(KEY_END_OPEN_OBJECT);
    }
    writeLiteral(BASE_KEY);
    writeQuoted(baseTypeName);
    if (!name.empty())
    {
        if (!isConstructed(baseTypeName) && !(omitEmptyValue && value.empty()))
        {
            writeLiteral(VALUE_MEMBER);
            writeEscaped(value);
            _pOstr->put(QUOTE);
        }
        writeAttribute(DISPLAY_NAME_MEMBER, displayName);
        writeAttribute(isListLike(baseTypeName) ? MEMBER_TYPE_MEMBER : TYPE_MEMBER, type);
        writeAttribute(PROPERTY_IDENTIFIER_MEMBER, propertyIdentifier);
        writeAttribute(isArrayType(baseTypeName) ? MAXIMUM_SIZE_MEMBER : MAXIMUM_MEMBER, maximum);
        writeAttribute(isArrayType(baseTypeName) ? MINIMUM_SIZE_MEMBER : MINIMUM_MEMBER, minimum);
        writeAttribute(CONTEXT_TAG_MEMBER, contextTag);
        writeAttribute(WRITABLE_MEMBER, writable);
        writeAttribute(DESCRIPTION_MEMBER, description);
        if (error != 0)
        {
            std::string errorDigits;
            Poco::intToStr(error, DECIMAL, errorDigits);
            writeAttribute(ERROR_MEMBER, errorDigits);
        }
        writeAttribute(ERROR_TEXT_MEMBER, errorText);
        writeAttribute(COMMENT_MEMBER, comment);
        if (truncated)
            writeLiteral(TRUNCATED_MEMBER);
    }
    if (closeImmediately)
        _pOstr->put(CLOSE_OBJECT);
}

void MarkupFactoryJSON::writeLiteral(std::string_view literal)
{
    _pOstr->write(literal.data(), static_cast<std::streamsize>(literal.size()));
}

void MarkupFactoryJSON::writeAttribute(std::string_view literal, const std::string& text)
{
    if (text.empty())
        return;
    writeLiteral(literal);
    writeEscaped(text);
    _pOstr->put(QUOTE);
}

void MarkupFactoryJSON::writeQuoted(std::string_view text)
{
    _pOstr->put(QUOTE);
    writeEscaped(text);
    _pOstr->put(QUOTE);
}

void MarkupFactoryJSON::writeEscaped(std::string_view text)
{
    // Plain runs go out in one write; only the characters that need it are replaced.
    std::size_t runStart = 0;
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= FIRST_PLAIN_CHARACTER && c != '"' && c != '\\')
            continue;
        writeLiteral(text.substr(runStart, i - runStart));
        writeEscape(c);
        runStart = i + 1;
    }
    writeLiteral(text.substr(runStart));
}

void MarkupFactoryJSON::writeEscape(unsigned char c)
{
    const std::string_view escape = shortEscape(c);
    if (!escape.empty())
    {
        writeLiteral(escape);
        return;
    }
    writeLiteral(UNICODE_ESCAPE_START);
    _pOstr->put(HEX_DIGITS[c >> NIBBLE_BITS]);
    _pOstr->put(HEX_DIGITS[c & NIBBLE_MASK]);
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
