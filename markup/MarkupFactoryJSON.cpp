//
// MarkupFactoryJSON.cpp
//
// Implementation of the MarkupFactoryJSON class.
//

#include "markup/MarkupFactoryJSON.h"

#include "markup/TextStream.h"

#include <Poco/NumericString.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <cxxabi.h>
#include <exception>
#include <new>
#include <ostream>
#include <string_view>
#include <typeinfo>

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
constexpr std::string_view KEY_END_QUOTE = "\":\"";
constexpr std::string_view SEPARATOR_QUOTE = ",\"";
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
constexpr std::size_t SHORT_PIECE = 4;
constexpr std::size_t MEMBER_SYNTAX = 6; // ,"":""

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

// Texts are searched for characters to escape a machine word at a time: a
// word holds one exactly when it holds a byte below 0x20, a quotation mark or
// a backslash; the byte tests are the exact "has a byte less than n" and "has
// a zero byte" tests of bit twiddling. Bytes from 0x80 up never match.
using Word = std::uint64_t;
constexpr std::size_t WORD_SIZE = sizeof(Word);
constexpr unsigned char HIGH_BIT = 0x80;

template <class W>
constexpr W everyByte()
{
    return ~W(0) / UCHAR_MAX; // 0x0101...01
}

template <class W>
constexpr W hasByteBelow(W word, unsigned char limit)
{
    return (word - everyByte<W>() * limit) & ~word & (everyByte<W>() * HIGH_BIT);
}

template <class W>
constexpr W hasByte(W word, unsigned char value)
{
    // The bytes equal to value are the zero bytes of the exclusive or.
    return hasByteBelow<W>(word ^ (everyByte<W>() * value), 1);
}

template <class W>
bool wordNeedsEscape(W word)
{
    return (hasByteBelow(word, FIRST_PLAIN_CHARACTER) | hasByte(word, '"') | hasByte(word, '\\')) != 0;
}

template <class W>
W loadWord(const char* pText)
{
    W word;
    std::memcpy(&word, pText, sizeof word);
    return word;
}

// For the characters a word test cannot take: the short texts and tails.
struct EscapeTable
{
    constexpr EscapeTable() : needed()
    {
        for (unsigned c = 0; c < FIRST_PLAIN_CHARACTER; ++c)
            needed[c] = true;
        needed[static_cast<unsigned char>('"')] = true;
        needed[static_cast<unsigned char>('\\')] = true;
    }
    bool needed[UCHAR_MAX + 1];
};
constexpr EscapeTable ESCAPE_TABLE;

// Returns the position of the first character of text at or after from that
// needs an escape, or the size of text when none does.
std::size_t findEscape(std::string_view text, std::size_t from)
{
    const char* pText = text.data();
    std::size_t i = from;
    for (; i + WORD_SIZE <= text.size(); i += WORD_SIZE)
    {
        if (wordNeedsEscape(loadWord<Word>(pText + i)))
            break;
    }
    for (; i < text.size(); ++i)
    {
        if (ESCAPE_TABLE.needed[static_cast<unsigned char>(pText[i])])
            return i;
    }
    return text.size();
}

// The escape of one character, to any output with put() and write().
template <class Out>
void writeEscape(Out& out, unsigned char c)
{
    const std::string_view escape = shortEscape(c);
    if (!escape.empty())
    {
        out.write(escape);
        return;
    }
    out.write(UNICODE_ESCAPE_START);
    out.put(HEX_DIGITS[c >> NIBBLE_BITS]);
    out.put(HEX_DIGITS[c & NIBBLE_MASK]);
}

// Text with every character that needs it replaced by its escape: plain runs
// go out in one piece.
template <class Out>
void writeEscapedRuns(Out& out, std::string_view text)
{
    std::size_t runStart = 0;
    for (std::size_t i = findEscape(text, 0); i < text.size(); i = findEscape(text, runStart))
    {
        out.write(text.substr(runStart, i - runStart));
        writeEscape(out, static_cast<unsigned char>(text[i]));
        runStart = i + 1;
    }
    out.write(text.substr(runStart));
}

// Text in quotation marks, escaped.
template <class Out>
void writeQuoted(Out& out, std::string_view text)
{
    out.put(QUOTE);
    out.writeEscaped(text);
    out.put(QUOTE);
}

// Long texts (a payload's hexadecimal digits) are looked at sixteen bytes at
// a time, with the compiler's vector types: SSE2 on x86-64, NEON on ARM.
using Block = unsigned char __attribute__((vector_size(16)));
constexpr std::size_t BLOCK_SIZE = sizeof(Block);

bool blockNeedsEscape(Block block)
{
    // Each comparison gives a lane of all ones where it holds.
    const auto found = (block < FIRST_PLAIN_CHARACTER) | (block == '"') | (block == '\\');
    Word halves[BLOCK_SIZE / WORD_SIZE];
    std::memcpy(halves, &found, sizeof halves);
    return (halves[0] | halves[1]) != 0;
}

Block loadBlock(const char* pText)
{
    Block block;
    std::memcpy(&block, pText, sizeof block);
    return block;
}

// copyPlainWords() for texts of a block or more.
bool copyPlainBlocks(const char* pText, std::size_t size, char* pOut)
{
    std::size_t i = 0;
    for (; i + BLOCK_SIZE < size; i += BLOCK_SIZE)
    {
        const Block block = loadBlock(pText + i);
        if (blockNeedsEscape(block))
            return false;
        std::memcpy(pOut + i, &block, sizeof block);
    }
    const Block last = loadBlock(pText + size - BLOCK_SIZE);
    if (blockNeedsEscape(last))
        return false;
    std::memcpy(pOut + size - BLOCK_SIZE, &last, sizeof last);
    return true;
}

// Copies text to pOut, which has room for it, when none of its characters
// needs an escape, and returns whether it did; what it copied of a text that
// needs one is left to be overwritten. Texts of a word or more are
// looked at and copied in words; the last word may overlap the one before it.
// This and copyPlain() are inlined into the element code: a call would cost
// about as much as copying a name.
[[gnu::always_inline]] inline bool copyPlainWords(const char* pText, std::size_t size, char* pOut)
{
    if (size >= BLOCK_SIZE)
        return copyPlainBlocks(pText, size, pOut);
    std::size_t i = 0;
    for (; i + WORD_SIZE < size; i += WORD_SIZE)
    {
        const Word word = loadWord<Word>(pText + i);
        if (wordNeedsEscape(word))
            return false;
        std::memcpy(pOut + i, &word, sizeof word);
    }
    const Word last = loadWord<Word>(pText + size - WORD_SIZE);
    if (wordNeedsEscape(last))
        return false;
    std::memcpy(pOut + size - WORD_SIZE, &last, sizeof last);
    return true;
}

[[gnu::always_inline]] inline bool copyPlain(std::string_view text, char* pOut)
{
    const char* pText = text.data();
    const std::size_t size = text.size();
    if (size >= WORD_SIZE)
        return copyPlainWords(pText, size, pOut);
    // Copied whatever they are and looked at all at once: cheaper than a
    // test and a branch per character.
    bool needed = false;
    for (std::size_t i = 0; i < size; ++i)
    {
        const unsigned char c = static_cast<unsigned char>(pText[i]);
        needed |= ESCAPE_TABLE.needed[c];
        pOut[i] = static_cast<char>(c);
    }
    return !needed;
}

} // namespace

class MarkupFactoryJSON::Output
/// Puts the pieces of one element straight into the stream's buffer, under
/// one sentry for all of them, as the stream's own output functions do for
/// theirs: a stream that is not good takes nothing, a piece that the buffer
/// refuses marks the stream bad and ends the element's text, and an exception
/// from the buffer marks the stream bad and is rethrown only when the stream's
/// exception mask asks for it.
{
public:
    explicit Output(std::ostream& ostr)
        : _ostr(ostr), _sentry(ostr), _pBuffer(_sentry ? ostr.rdbuf() : nullptr)
    {
    }

    void put(char c)
    {
        toBuffer(
            [c](std::streambuf& buffer) {
                return !std::ostream::traits_type::eq_int_type(buffer.sputc(c),
                                                               std::ostream::traits_type::eof());
            });
    }

    void write(std::string_view text)
    {
        if (text.size() <= SHORT_PIECE)
        {
            // Character by character is cheaper than a call to the buffer's
            // bulk write for the short names, values and literals of a document.
            for (char c : text)
                put(c);
            return;
        }
        toBuffer(
            [text](std::streambuf& buffer)
            {
                const std::streamsize size = static_cast<std::streamsize>(text.size());
                return buffer.sputn(text.data(), size) == size;
            });
    }

    void writeEscaped(std::string_view text)
    {
        if (text.size() <= SHORT_PIECE)
        {
            // Most names and values are short: looked at and put in one go.
            for (char c : text)
            {
                if (ESCAPE_TABLE.needed[static_cast<unsigned char>(c)])
                    writeEscape(*this, static_cast<unsigned char>(c));
                else
                    put(c);
            }
            return;
        }
        writeEscapedRuns(*this, text);
    }

    void writeAttribute(std::string_view literal, const std::string& text)
    {
        if (text.empty())
            return;
        write(literal);
        writeEscaped(text);
        put(QUOTE);
    }

private:
    // Hands a piece to the buffer unless an earlier piece failed; a piece the
    // buffer refuses or an exception from it fails the element's text.
    template <class Piece>
    void toBuffer(Piece piece)
    {
        if (!_pBuffer)
            return;
        try
        {
            if (!piece(*_pBuffer))
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

    void fail()
    {
        _pBuffer = nullptr;
        _ostr.setstate(std::ios::badbit);
    }

    void failUnwinding()
    {
        // A thread being cancelled must go on unwinding, whatever the mask.
        _pBuffer = nullptr;
        try
        {
            _ostr.setstate(std::ios::badbit);
        }
        catch (const std::ios::failure&)
        {
        }
    }

    void failWith(const std::exception_ptr& pException)
    {
        // Like the stream's own functions: bad first, then the buffer's own
        // exception, and that only when the mask asks for failures on bad.
        _pBuffer = nullptr;
        try
        {
            _ostr.setstate(std::ios::badbit);
        }
        catch (const std::ios::failure&)
        {
            std::rethrow_exception(pException);
        }
    }

    std::ostream& _ostr;
    std::ostream::sentry _sentry;
    std::streambuf* _pBuffer;
};

class MarkupFactoryJSON::TextOutput
/// Places the pieces of one element straight into the memory of a TextStream
/// that accepts direct writes: the characters Output would write, without a
/// call to the stream's buffer for each piece. What is placed counts as
/// written when the TextOutput is destroyed, also when the room it asks for
/// cannot be had: then std::bad_alloc ends the element's text, and the caller
/// handles it as a failing buffer.
{
public:
    explicit TextOutput(TextStream& text)
        : _text(text), _pBegin(text.room(0)), _pNext(_pBegin), _pEnd(text.roomEnd())
    {
    }

    ~TextOutput() { _text.commit(static_cast<std::size_t>(_pNext - _pBegin)); }

    TextOutput(const TextOutput&) = delete;
    TextOutput& operator=(const TextOutput&) = delete;

    void put(char c)
    {
        ensure(1);
        *_pNext++ = c;
    }

    void write(std::string_view piece)
    {
        ensure(piece.size());
        if (!piece.empty())
            std::memcpy(_pNext, piece.data(), piece.size());
        _pNext += piece.size();
    }

    void writeEscaped(std::string_view text)
    {
        ensure(text.size());
        if (copyPlain(text, _pNext))
        {
            _pNext += text.size();
            return;
        }
        writeEscapedRuns(*this, text);
    }

private:
    void ensure(std::size_t size)
    {
        if (static_cast<std::size_t>(_pEnd - _pNext) < size)
            grow(size);
    }

    void grow(std::size_t size)
    {
        _text.commit(static_cast<std::size_t>(_pNext - _pBegin));
        // Should room() throw, the destructor finds nothing more to commit.
        _pBegin = _pNext;
        _pBegin = _text.room(size);
        _pNext = _pBegin;
        _pEnd = _text.roomEnd();
    }

    TextStream& _text;
    char* _pBegin;
    char* _pNext;
    char* _pEnd;
};

MarkupFactoryJSON::MarkupFactoryJSON(std::ostream& ostr, bool format, bool auxFlag)
    : MarkupFactory(ostr, format, auxFlag), _firstMember(true), _pText(textStreamOf(*_pOstr))
{
}

MarkupFactoryJSON::MarkupFactoryJSON(std::ostream& ostr, Poco::DeflatingStreamBuf::StreamType streamType,
                                     bool format, bool auxFlag)
    : MarkupFactory(ostr, streamType, format, auxFlag), _firstMember(true), _pText(textStreamOf(*_pOstr))
{
}

MarkupFactoryJSON::~MarkupFactoryJSON() = default;

bool MarkupFactoryJSON::allowArrays()
{
    return true;
}

inline bool MarkupFactoryJSON::placePlainMemberOrFail(const std::string& name, const std::string& value)
{
    // Nearly every element is a member whose name and value need no escape:
    // one look at the room and straight copies write it.
    try
    {
        char* const pStart = _pText->room(name.size() + value.size() + MEMBER_SYNTAX);
        char* pOut = pStart;
        *pOut = SEPARATOR;
        pOut += _firstMember ? 0 : 1;
        *pOut++ = QUOTE;
        if (!copyPlain(name, pOut))
            return false;
        pOut += name.size();
        std::memcpy(pOut, KEY_END_QUOTE.data(), KEY_END_QUOTE.size());
        pOut += KEY_END_QUOTE.size();
        if (!copyPlain(value, pOut))
            return false;
        pOut += value.size();
        *pOut++ = QUOTE;
        _pText->commit(static_cast<std::size_t>(pOut - pStart));
        _firstMember = false;
        return true;
    }
    catch (const std::bad_alloc&)
    {
        _firstMember = false;
        failText();
        return true;
    }
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
    if (_fullFormScopes.empty() && _pText && _pText->acceptsDirectWrites())
    {
        if (closeImmediately && !isArrayElement && !name.empty() && !isConstructed(baseTypeName) &&
            placePlainMemberOrFail(name, value))
            return;
        descCompactMarkupToText(baseTypeName, name, value, closeImmediately, isArrayElement, omitEmptyValue);
        return;
    }
    // Called through a function of its own, never inlined and kept with the
    // rarely run code: with the call right here, the compiler loads all its
    // arguments on every entry, for the compact path too, which is nearly
    // every element.
    const auto writeToStream = [&]() __attribute__((noinline, cold))
    {
        descMarkupToStream(baseTypeName, name, value, closeImmediately, isArrayElement, comment, error,
                           errorText, displayName, type, truncated, maximum, minimum, contextTag,
                           propertyIdentifier, writable, description, omitEmptyValue);
    };
    writeToStream();
}

void MarkupFactoryJSON::descMarkupToStream(
    const char* baseTypeName, const std::string& name, const std::string& value, bool closeImmediately,
    bool isArrayElement, const std::string& comment, int error, const std::string& errorText,
    const std::string& displayName, const std::string& type, bool truncated, const std::string& maximum,
    const std::string& minimum, const std::string& contextTag, const std::string& propertyIdentifier,
    const std::string& writable, const std::string& description, bool omitEmptyValue)
{
    Output out(*_pOstr);
    if (!_fullFormScopes.empty())
    {
        if (_firstMember)
            _firstMember = false;
        else
            out.put(SEPARATOR);
        descFullMarkup(out, baseTypeName, name, value, closeImmediately, isArrayElement, comment, error,
                       errorText, displayName, type, truncated, maximum, minimum, contextTag,
                       propertyIdentifier, writable, description, omitEmptyValue);
        return;
    }
    descCompactMarkup(out, baseTypeName, name, value, closeImmediately, isArrayElement, omitEmptyValue);
}

void MarkupFactoryJSON::descCompactMarkupToText(const char* baseTypeName, const std::string& name,
                                                const std::string& value, bool closeImmediately,
                                                bool isArrayElement, bool omitEmptyValue)
{
    try
    {
        TextOutput out(*_pText);
        descCompactMarkup(out, baseTypeName, name, value, closeImmediately, isArrayElement, omitEmptyValue);
    }
    catch (const std::bad_alloc&)
    {
        failText();
    }
}

void MarkupFactoryJSON::failText()
{
    // As when the stream's own buffer fails: the stream turns bad, the
    // element's text ends, and the failure is thrown only when the stream's
    // exception mask asks for it.
    try
    {
        _pText->setstate(std::ios::badbit);
    }
    catch (const std::ios::failure&)
    {
        throw std::bad_alloc();
    }
}

template <class Out>
void MarkupFactoryJSON::descCompactMarkup(Out& out, const char* baseTypeName, const std::string& name,
                                          const std::string& value, bool closeImmediately,
                                          bool isArrayElement, bool omitEmptyValue)
{
    const bool separated = !_firstMember;
    _firstMember = false;
    const bool anonymous = isArrayElement || name.empty();
    const bool constructed = isConstructed(baseTypeName);
    if (!constructed && !anonymous && closeImmediately)
    {
        // The pieces around the name and the value go out two and three at a time.
        if (separated)
            out.write(SEPARATOR_QUOTE);
        else
            out.put(QUOTE);
        out.writeEscaped(name);
        out.write(KEY_END_QUOTE);
        out.writeEscaped(value);
        out.put(QUOTE);
        return;
    }
    if (separated)
        out.put(SEPARATOR);
    if (anonymous)
    {
        out.put(OPEN_OBJECT);
    }
    else
    {
        out.put(QUOTE);
        out.writeEscaped(name);
        out.write(KEY_END_OPEN_OBJECT);
    }
    _firstMember = true;
    if (!constructed && !(omitEmptyValue && value.empty()))
    {
        out.write(VALUE_KEY);
        writeQuoted(out, value);
        _firstMember = false;
    }
    if (closeImmediately)
    {
        out.put(CLOSE_OBJECT);
        _firstMember = false;
    }
}

void MarkupFactoryJSON::descCloseOpenMarkup(const std::string& /*baseTypeName*/, bool arrayMarker)
{
    if (arrayMarker)
        return;
    if (_pText && _pText->acceptsDirectWrites())
    {
        try
        {
            TextOutput(*_pText).put(CLOSE_OBJECT);
        }
        catch (const std::bad_alloc&)
        {
            failText();
        }
    }
    else
    {
        _pOstr->put(CLOSE_OBJECT);
    }
    if (_fullFormScopes.empty())
        _firstMember = false;
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
        out.write(KEY_END_OPEN_OBJECT);
    }
    else
    {
        out.put(QUOTE);
        out.writeEscaped(name);
        out.write(KEY_END_OPEN_OBJECT);
    }
    out.write(BASE_KEY);
    writeQuoted(out, baseTypeName);
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

TextStream* MarkupFactoryJSON::textStreamOf(std::ostream& ostr)
{
    // TextStream is final: comparing the exact type is all a cast would do.
    return typeid(ostr) == typeid(TextStream) ? static_cast<TextStream*>(&ostr) : nullptr;
}

} // namespace WS
} // namespace BACnet
} // namespace Zel
