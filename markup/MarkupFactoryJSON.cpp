//
// MarkupFactoryJSON.cpp
//
// Implementation of the MarkupFactoryJSON class.
//

#include "markup/MarkupFactoryJSON.h"

#include "markup/TextStream.h"

#include <Poco/NumericString.h>

#include <algorithm>
#include <climits>
#include <cxxabi.h>
#include <exception>
#include <iterator>
#include <optional>
#include <ostream>
#include <string_view>

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
constexpr char BACKSLASH = '\\';
constexpr std::string_view KEY_END = "\":";
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
constexpr std::string_view UNICODE_ESCAPE = "u00";
constexpr unsigned NIBBLE_BITS = 4;
constexpr unsigned char NIBBLE_MASK = 0x0F;
constexpr char HEX_DIGITS[] = "0123456789abcdef";
constexpr unsigned short DECIMAL = 10;

constexpr std::size_t TEXT_CAPACITY = 256;
constexpr std::size_t LONGEST_ESCAPE = 6; // \u00XX

constexpr MarkupFactory::BaseType CONSTRUCTED_BASE_TYPES[] = {
    MarkupFactory::BT_OBJECT,       MarkupFactory::BT_COMPOSITION,
    MarkupFactory::BT_LIST,         MarkupFactory::BT_SEQUENCE,
    MarkupFactory::BT_ARRAY,        MarkupFactory::BT_SEQUENCE_OF,
    MarkupFactory::BT_CHOICE,       MarkupFactory::BT_COLLECTION,
    MarkupFactory::BT_NAMED_VALUES, MarkupFactory::BT_MEMBER_TYPE_DEFINITION,
    MarkupFactory::BT_CHOICES,      MarkupFactory::BT_NAMED_BITS};

// Whether each base type is constructed, indexed by BaseType.
struct ConstructedTable
{
    constexpr ConstructedTable() : constructed()
    {
        for (MarkupFactory::BaseType baseType : CONSTRUCTED_BASE_TYPES)
            constructed[baseType] = true;
    }
    bool constructed[MarkupFactory::BASE_TYPE_TEXTS];
};
constexpr ConstructedTable CONSTRUCTED_TABLE;

// Whether a character must be escaped inside a JSON string: the control
// characters, the quotation mark and the backslash.
struct EscapeTable
{
    constexpr EscapeTable() : needed()
    {
        for (unsigned c = 0; c < FIRST_PLAIN_CHARACTER; ++c)
            needed[c] = true;
        needed[static_cast<unsigned char>(QUOTE)] = true;
        needed[static_cast<unsigned char>(BACKSLASH)] = true;
    }
    bool needed[UCHAR_MAX + 1];
};
constexpr EscapeTable ESCAPE_TABLE;

// The letter of the two-character escape JSON has for some characters, or 0:
// every other control character becomes \u00XX.
char shortEscapeLetter(char c)
{
    switch (c)
    {
        case '"':
            return '"';
        case '\\':
            return '\\';
        case '\b':
            return 'b';
        case '\f':
            return 'f';
        case '\n':
            return 'n';
        case '\r':
            return 'r';
        case '\t':
            return 't';
        default:
            return 0;
    }
}

// Places the escape of c at pOut and returns the end of it.
char* placeEscape(char c, char* pOut)
{
    *pOut++ = BACKSLASH;
    if (const char letter = shortEscapeLetter(c))
    {
        *pOut++ = letter;
        return pOut;
    }
    const unsigned char code = static_cast<unsigned char>(c);
    pOut = std::copy(UNICODE_ESCAPE.begin(), UNICODE_ESCAPE.end(), pOut);
    *pOut++ = HEX_DIGITS[code >> NIBBLE_BITS];
    *pOut++ = HEX_DIGITS[code & NIBBLE_MASK];
    return pOut;
}

// Writes text to pOut, which has room for LONGEST_ESCAPE characters for each
// of its characters, with every character that needs it escaped, and returns
// the end of what it wrote.
char* copyWithEscapes(std::string_view text, char* pOut)
{
    for (char c : text)
    {
        if (ESCAPE_TABLE.needed[static_cast<unsigned char>(c)])
            pOut = placeEscape(c, pOut);
        else
            *pOut++ = c;
    }
    return pOut;
}

// As copyWithEscapes(), for texts that mostly need no escape: copies first,
// noting whether any character needed one, and writes again with the escapes
// only if so.
inline char* copyEscaped(std::string_view text, char* pOut)
{
    bool needed = false;
    // Names and values are short: the loop's own counting costs as much as
    // the copy, four characters a round halve it.
#pragma GCC unroll 4
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        pOut[i] = text[i];
        needed |= ESCAPE_TABLE.needed[static_cast<unsigned char>(text[i])];
    }
    return needed ? copyWithEscapes(text, pOut) : pOut + text.size();
}

} // namespace

class MarkupFactoryJSON::Output
/// Collects the text of one element and passes it on as the stream's own
/// output functions do for theirs: a stream that is not good takes nothing, a
/// tied stream is flushed first, a unit-buffered one after, a buffer that
/// refuses part of the text marks the stream bad and ends the element's text,
/// and an exception from the buffer marks the stream bad and is rethrown only
/// when the stream's exception mask asks for it.
///
/// On a TextStream the text is placed straight into the stream's memory and
/// becomes part of its text when the element is finished; on any other stream
/// it gathers in a small array that goes to the stream's buffer whenever it is
/// full and at finish(). Either way there is no allocation per element.
{
public:
    Output(std::ostream& ostr, TextStream* pTextStream)
        : _ostr(ostr), _pBuffer(nullptr), _pTextStream(nullptr), _pNext(_text), _pEnd(std::end(_text))
    {
        // The stream's sentry does nothing for a good stream that is neither
        // tied nor unit-buffered, and it is not inlined: an element would pay
        // a tenth of its cost for it.
        const bool ok = ostr.tie() || (ostr.flags() & std::ios::unitbuf) || !ostr.good()
                            ? static_cast<bool>(_sentry.emplace(ostr))
                            : true;
        _pBuffer = ok ? ostr.rdbuf() : nullptr;
        if (ok && pTextStream && pTextStream->holdsText())
        {
            _pTextStream = pTextStream;
            openRoom();
        }
    }

    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    void put(char c)
    {
        makeRoom(1);
        *_pNext++ = c;
    }

    void write(std::string_view literal)
    {
        // The dialect's literals are far shorter than the room.
        makeRoom(literal.size());
        _pNext = std::copy(literal.begin(), literal.end(), _pNext);
    }

    void writeEscaped(std::string_view text)
    {
        // In parts that fit however many of their characters need an escape.
        while (text.size() * LONGEST_ESCAPE > room())
        {
            const std::string_view part = text.substr(0, room() / LONGEST_ESCAPE);
            _pNext = copyEscaped(part, _pNext);
            text.remove_prefix(part.size());
            handOver();
        }
        _pNext = copyEscaped(text, _pNext);
    }

    void writeQuoted(std::string_view text)
    {
        put(QUOTE);
        writeEscaped(text);
        put(QUOTE);
    }

    void writeKey(std::string_view name)
    {
        put(QUOTE);
        writeEscaped(name);
        write(KEY_END);
    }

    void writeAttribute(std::string_view literal, const std::string& text)
    {
        if (text.empty())
            return;
        write(literal);
        writeEscaped(text);
        put(QUOTE);
    }

    void finish()
    /// Passes on the rest of the text; the last call for an element.
    {
        if (_pTextStream)
            _pTextStream->commit(_pNext);
        else
            handOver();
    }

private:
    std::size_t room() const { return static_cast<std::size_t>(_pEnd - _pNext); }

    void makeRoom(std::size_t size)
    {
        if (room() < size)
            handOver();
    }

    void handOver();
    void openRoom();
    void fail();
    void failUnwinding();
    void failWith(const std::exception_ptr& pException);

    std::ostream& _ostr;
    std::optional<std::ostream::sentry> _sentry;
    std::streambuf* _pBuffer;
    TextStream* _pTextStream;
    char* _pNext;
    char* _pEnd;
    char _text[TEXT_CAPACITY];
};

void MarkupFactoryJSON::Output::handOver()
{
    if (_pTextStream)
    {
        _pTextStream->commit(_pNext);
        openRoom();
        return;
    }
    const std::streamsize size = _pNext - _text;
    _pNext = _text;
    if (!_pBuffer || size == 0)
        return;
    try
    {
        if (_pBuffer->sputn(_text, size) != size)
            fail();
    }
    catch (abi::__forced_unwind&)
    {
        failUnwinding();
        throw;
    }
    catch (...)
    {
        failWith(std::current_exception());
    }
}

inline void MarkupFactoryJSON::Output::openRoom()
{
    try
    {
        _pNext = _pTextStream->room(TEXT_CAPACITY);
        _pEnd = _pNext + TEXT_CAPACITY;
    }
    catch (abi::__forced_unwind&)
    {
        failUnwinding();
        throw;
    }
    catch (...)
    {
        failWith(std::current_exception());
    }
}

void MarkupFactoryJSON::Output::fail()
{
    // What follows gathers in the array and goes nowhere.
    _pBuffer = nullptr;
    _pTextStream = nullptr;
    _pNext = _text;
    _pEnd = std::end(_text);
    _ostr.setstate(std::ios::badbit);
}

void MarkupFactoryJSON::Output::failUnwinding()
{
    // A thread being cancelled must go on unwinding, whatever the mask.
    try
    {
        fail();
    }
    catch (const std::ios::failure&)
    {
    }
}

void MarkupFactoryJSON::Output::failWith(const std::exception_ptr& pException)
{
    // Like the stream's own functions: bad first, then the buffer's own
    // exception, and that only when the mask asks for failures on bad.
    try
    {
        fail();
    }
    catch (const std::ios::failure&)
    {
        std::rethrow_exception(pException);
    }
}

MarkupFactoryJSON::MarkupFactoryJSON(std::ostream& ostr, bool format, bool auxFlag)
    : MarkupFactory(ostr, format, auxFlag), _firstMember(true), _pTextStream(nullptr)
{
}

MarkupFactoryJSON::MarkupFactoryJSON(TextStream& ostr, bool format, bool auxFlag)
    : MarkupFactory(ostr, format, auxFlag), _firstMember(true), _pTextStream(&ostr)
{
}

MarkupFactoryJSON::MarkupFactoryJSON(std::ostream& ostr, Poco::DeflatingStreamBuf::StreamType streamType,
                                     bool format, bool auxFlag)
    : MarkupFactory(ostr, streamType, format, auxFlag), _firstMember(true), _pTextStream(nullptr)
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
    Output out(*_pOstr, _pTextStream);
    if (_firstMember)
        _firstMember = false;
    else
        out.put(SEPARATOR);
    const bool anonymous = isArrayElement || name.empty();
    const bool constructed = isConstructed(baseTypeName);
    if (!_fullFormScopes.empty())
    {
        descFullMarkup(out, baseTypeName, name, value, closeImmediately, isArrayElement, comment, error,
                       errorText, displayName, type, truncated, maximum, minimum, contextTag,
                       propertyIdentifier, writable, description, omitEmptyValue);
    }
    else if (!constructed && !anonymous && closeImmediately)
    {
        out.writeKey(name);
        out.writeQuoted(value);
    }
    else
    {
        descCompactObject(out, name, value, constructed, anonymous, closeImmediately, omitEmptyValue);
    }
    out.finish();
}

void MarkupFactoryJSON::descCompactObject(Output& out, const std::string& name, const std::string& value,
                                          bool constructed, bool anonymous, bool closeImmediately,
                                          bool omitEmptyValue)
{
    // Any element but a named primitive one closed at once is an object, so
    // that its closing brace always has an opening one; a primitive one holds
    // its value as "$value".
    if (anonymous)
    {
        out.put(OPEN_OBJECT);
    }
    else
    {
        out.writeKey(name);
        out.put(OPEN_OBJECT);
    }
    _firstMember = true;
    if (!constructed && !(omitEmptyValue && value.empty()))
    {
        out.write(VALUE_KEY);
        out.writeQuoted(value);
        _firstMember = false;
    }
    if (closeImmediately)
    {
        out.put(CLOSE_OBJECT);
        _firstMember = false;
    }
}

void MarkupFactoryJSON::descFullMarkup(Output& out, const char* baseTypeName, const std::string& name,
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
        out.put(OPEN_OBJECT);
    }
    else if (name.empty())
    {
        out.write(NAMELESS_KEY_START);
        out.writeEscaped(baseTypeName);
        out.write(KEY_END);
        out.put(OPEN_OBJECT);
    }
    else
    {
        out.writeKey(name);
        out.put(OPEN_OBJECT);
    }
    out.write(BASE_KEY);
    out.writeQuoted(baseTypeName);
    if (!name.empty())
    {
        if (!isConstructed(baseTypeName) && !(omitEmptyValue && value.empty()))
        {
            out.write(VALUE_MEMBER);
            out.writeEscaped(value);
            out.put(QUOTE);
        }
        out.writeAttribute(DISPLAY_NAME_MEMBER, displayName);
        out.writeAttribute(isListLike(baseTypeName) ? MEMBER_TYPE_MEMBER : TYPE_MEMBER, type);
        out.writeAttribute(PROPERTY_IDENTIFIER_MEMBER, propertyIdentifier);
        out.writeAttribute(isArrayType(baseTypeName) ? MAXIMUM_SIZE_MEMBER : MAXIMUM_MEMBER, maximum);
        out.writeAttribute(isArrayType(baseTypeName) ? MINIMUM_SIZE_MEMBER : MINIMUM_MEMBER, minimum);
        out.writeAttribute(CONTEXT_TAG_MEMBER, contextTag);
        out.writeAttribute(WRITABLE_MEMBER, writable);
        out.writeAttribute(DESCRIPTION_MEMBER, description);
        if (error != 0)
        {
            std::string errorDigits;
            Poco::intToStr(error, DECIMAL, errorDigits);
            out.writeAttribute(ERROR_MEMBER, errorDigits);
        }
        out.writeAttribute(ERROR_TEXT_MEMBER, errorText);
        out.writeAttribute(COMMENT_MEMBER, comment);
        if (truncated)
            out.write(TRUNCATED_MEMBER);
    }
    if (closeImmediately)
        out.put(CLOSE_OBJECT);
}

void MarkupFactoryJSON::descCloseOpenMarkup(const std::string& /*baseTypeName*/, bool arrayMarker)
{
    if (arrayMarker)
        return;
    _pOstr->put(CLOSE_OBJECT);
    if (_fullFormScopes.empty())
        _firstMember = false;
}

bool MarkupFactoryJSON::isConstructed(const char* baseTypeName) const
{
    if (baseTypeName == _bts[_markupBaseType])
        return CONSTRUCTED_TABLE.constructed[_markupBaseType];
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
