//
// MarkupFactory.h
//
// Definition of the MarkupFactory class, the dialect-neutral CSML markup writer.
//

#ifndef Markup_MarkupFactory_INCLUDED
#define Markup_MarkupFactory_INCLUDED

#include "markup/BACnetDataType.h"
#include "markup/InlineArena.h"

#include <Poco/DeflatingStream.h>
#include <Poco/HashMap.h>
#include <Poco/Mutex.h>
#include <Poco/Types.h>

#include <cstdint>
#include <deque>
#include <iosfwd>
#include <list>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace Zel
{
namespace BACnet
{
namespace WS
{

class MarkupFactory
/// Turns a sequence of element calls into markup text on an output stream.
///
/// The writer keeps the stack of open elements, the optional tab indentation
/// and the optional compression of the output; every character of the element
/// syntax comes from a dialect, which implements the pure virtual operations.
///
/// A writer is used by one thread at a time. It raises no errors of its own: a
/// failing target stream records the failure in its own state flags.
{
public:
    enum BaseType : std::int32_t
    /// The CSML base types; the value indexes the table of their texts (_bts).
    /// Only BT_NULL to BT_BIT are written; every other value is ignored.
    {
        BT_NULL = 0,
        BT_BOOLEAN = 1,
        BT_UNSIGNED = 2,
        BT_INTEGER = 3,
        BT_REAL = 4,
        BT_DOUBLE = 5,
        BT_OCTET_STRING = 6,
        BT_STRING = 7,
        BT_BIT_STRING = 8,
        BT_ENUMERATED = 9,
        BT_DATE = 10,
        BT_TIME = 11,
        BT_OBJECT_IDENTIFIER = 12,
        BT_DATE_PATTERN = 13,
        BT_DATE_TIME = 14,
        BT_DATE_TIME_PATTERN = 15,
        BT_TIME_PATTERN = 16,
        BT_STRING_SET = 17,
        BT_OBJECT = 18,
        BT_INTERFACE = 19,
        BT_COMPOSITION = 20,
        BT_LIST = 21,
        BT_SEQUENCE = 22,
        BT_ARRAY = 23,
        BT_SEQUENCE_OF = 24,
        BT_CHOICE = 25,
        BT_ANY = 26,
        BT_LINK = 27,
        BT_COLLECTION = 28,
        BT_TAG = 29,
        BT_OBJECT_IDENTIFIER_PATTERN = 30,
        BT_WEEK_N_DAY = 31,
        BT_NAMED_VALUES = 32,
        BT_MEMBER_TYPE_DEFINITION = 33,
        BT_CHOICES = 34,
        BT_NAMED_BITS = 35,
        BT_BIT = 36,
        BT_NONE = 37 /// Carries the empty text; never written.
    };

    static constexpr int WRITABLE_BASE_TYPES = BT_BIT + 1;
    /// The number of base types that are written (BT_NULL to BT_BIT).

    static constexpr int BASE_TYPE_TEXTS = BT_NONE + 1;
    /// The number of entries in the table of base type texts.

    struct OpenMarkup
    /// One entry of the open-element stack.
    {
        OpenMarkup();
        /// Creates an entry for an open BT_NULL element.

        OpenMarkup(BaseType baseType, bool arrayMarker);
        /// Creates an entry with the given base type and marker flag.

        void set(BaseType baseType, bool arrayMarker);
        /// Assigns both fields.

        BaseType baseType;
        /// The base type of the open element or of the run the marker stands for.

        bool arrayMarker;
        /// False for an open element, closed with the dialect's closing text;
        /// true for an array marker, which stands for a run of like siblings.
    };

    MarkupFactory(std::ostream& ostr, bool format, bool auxFlag);
    /// Creates a writer that writes plain text to ostr.
    ///
    /// With format true every element and every closing is indented by tabs and
    /// ends its line (which flushes ostr). auxFlag is stored and not consulted.
    /// The caller keeps ostr alive for the whole life of the writer.

    MarkupFactory(std::ostream& ostr, Poco::DeflatingStreamBuf::StreamType streamType, bool format,
                  bool auxFlag);
    /// Creates a writer that compresses its text with zlib's default level and
    /// writes the compressed bytes, framed as streamType (zlib or gzip), to ostr.
    /// flush() must be called after the last document to end the compressed
    /// stream. The caller keeps ostr alive for the whole life of the writer.

    MarkupFactory(const MarkupFactory&) = delete;
    MarkupFactory& operator=(const MarkupFactory&) = delete;

    virtual ~MarkupFactory();
    /// Destroys the writer without writing any markup: open elements stay
    /// unclosed and, in plain mode, the target stream is not flushed.

    void header();
    /// Writes the document header of the dialect.

    void markup(BaseType baseType, const std::string& name, const std::string& value, bool closeImmediately,
                bool isArray, BACnetDataType dataType, bool isArrayElement, const std::string& comment,
                int error, const std::string& errorText, const std::string& displayName,
                const std::string& type, bool truncated, const std::string& maximum,
                const std::string& minimum, const std::string& contextTag,
                const std::string& propertyIdentifier, const std::string& writable,
                const std::string& description, bool omitEmptyValue);
    /// Writes one element.
    ///
    /// A base type outside BT_NULL to BT_BIT is ignored: nothing is written and
    /// the stack stays as it was. An array marker of another base type on top
    /// of the stack is closed and removed first (only that one). Unless
    /// closeImmediately is true the element stays open until closeOpenMarkup();
    /// with isArray true (and a dialect that allows arrays) an array marker is
    /// pushed beneath it. dataType is not used. An empty string is an absent
    /// attribute; an error of 0 is no error.

    void closeOpenMarkup();
    /// Closes the innermost open element together with every array marker
    /// above it. Does nothing on an empty stack.

    void closeAllOpenMarkups();
    /// Closes every open element and array marker.

    void closeOpenMarkup(const OpenMarkup& entry);
    /// Writes the closing text of the given entry without touching the stack.
    /// An entry whose base type is not written is passed over.

    void reset();
    /// Abandons every open element and array marker without writing anything.

    void flush();
    /// Flushes the output; in compressed mode also ends the compressed stream,
    /// after which nothing more can be written.

    void formatBefore(bool opening);
    /// In pretty mode, writes the indentation of an opening (opening true) or
    /// of a closing whose entry is still on the stack (opening false).

    void formatAfter();
    /// In pretty mode, ends the line and flushes the output.

    void markupEnumOrBitStringValue(BACnetDataType dataType, int value, std::string& result) const;
    /// Replaces result by the decimal text of value ("-" before negative values).

    static Poco::UInt64 getBnDataTypeValueNameKey(BACnetDataType dataType, int value);
    /// Returns the value-name cache key: dataType in bits 63 to 32, OR-ed with
    /// value sign-extended to 64 bits (so a negative value sets all upper bits).

protected:
    virtual void descHeader();
    /// Writes the document header. The default writes nothing.

    virtual bool allowArrays() = 0;
    /// Returns whether array markers are kept on the stack.

    virtual void descMarkup(const char* baseTypeName, const std::string& name, const std::string& value,
                            bool closeImmediately, bool isArray, bool isArrayElement,
                            const std::string& comment, int error, const std::string& errorText,
                            const std::string& displayName, const std::string& type, bool truncated,
                            const std::string& maximum, const std::string& minimum,
                            const std::string& contextTag, const std::string& propertyIdentifier,
                            const std::string& writable, const std::string& description,
                            bool omitEmptyValue) = 0;
    /// Writes the opening text of one element. baseTypeName is always an entry
    /// of _bts itself, so it may be compared by address with table entries.

    virtual void descCloseOpenMarkup(const std::string& baseTypeName, bool arrayMarker) = 0;
    /// Writes the closing text of one stack entry.

    std::size_t depth() const;
    /// Returns the indentation depth: open entries that are not array markers.

    static bool isWritable(BaseType baseType);
    /// Returns whether baseType lies in BT_NULL to BT_BIT.

    std::list<std::string> _fullFormScopes;
    /// While it holds any entry, a dialect writes its full form. The service
    /// never adds to it.

    bool _deflate;
    /// True in compressed mode.

    std::unique_ptr<Poco::DeflatingOutputStream> _pDeflatingOstr;
    /// The compressor; exists in compressed mode only, so that a plain writer
    /// sets up no zlib stream.

    std::unique_ptr<std::ofstream> _pOfstr;
    /// Compressed mode only: the internal stream, never opened as a file, whose
    /// buffer is the compressor's.

    std::ostream* _pOstr;
    /// Where every character of the markup goes (not owned).

    bool _format;
    /// Pretty-printing with tabs and line ends.

    bool _auxFlag;
    /// Stored and not consulted.

    InlineArena _stackArena;
    /// The first blocks of _openMarkups, so that a new writer's stack costs no
    /// heap allocation.

    std::deque<OpenMarkup, InlineArena::Allocator<OpenMarkup>> _openMarkups;
    /// The open-element stack; its back is the innermost entry.

    std::uint32_t _arrayMarkers;
    /// The number of array markers on the stack.

    BaseType _markupBaseType;
    /// The base type of the element markup() was last given (BT_NONE before
    /// the first), so that a dialect can look up what it knows of the type
    /// instead of searching _bts for the name descMarkup() gets: when that
    /// name is _bts[_markupBaseType], it is this type's.

    static const char* const _bts[BASE_TYPE_TEXTS];
    /// The texts of the base types, indexed by BaseType.

    static const char* const _pEmbeddedText;
    /// The CSML 1.2 namespace URI.

    static Poco::HashMap<Poco::UInt64, std::string> _bnDataTypeValueName;
    /// Process-wide cache from getBnDataTypeValueNameKey() to the name of a
    /// value of a BACnet data type; guarded by _mutexBnDataTypeValueName.

    static Poco::FastMutex _mutexBnDataTypeValueName;
    /// Held for the whole of any lookup in or insertion into the cache.

private:
    void closeForeignArrayMarker(BaseType baseType);
    void pushEntries(BaseType baseType, bool isArray, bool closeImmediately);
    void removeTop();
    void writeClosing(const OpenMarkup& entry);

    static const std::string& baseTypeString(BaseType baseType);

    static const std::vector<std::string> _baseTypeStrings;
    /// The texts of _bts as strings, so that a closing hands its base type
    /// over without making a string.
};

//
// inlines
//
// markup() is inlined into its callers: an element costs a few hundred
// instructions, and a call that hands its twenty arguments on to
// descMarkup() would add a good part of that again.
inline void MarkupFactory::markup(BaseType baseType, const std::string& name, const std::string& value,
                                  bool closeImmediately, bool isArray, BACnetDataType /*dataType*/,
                                  bool isArrayElement, const std::string& comment, int error,
                                  const std::string& errorText, const std::string& displayName,
                                  const std::string& type, bool truncated, const std::string& maximum,
                                  const std::string& minimum, const std::string& contextTag,
                                  const std::string& propertyIdentifier, const std::string& writable,
                                  const std::string& description, bool omitEmptyValue)
{
    if (!isWritable(baseType))
        return;
    if (_arrayMarkers != 0)
        closeForeignArrayMarker(baseType);
    if (_format)
        formatBefore(true);
    _markupBaseType = baseType;
    descMarkup(_bts[baseType], name, value, closeImmediately, isArray, isArrayElement, comment, error,
               errorText, displayName, type, truncated, maximum, minimum, contextTag, propertyIdentifier,
               writable, description, omitEmptyValue);
    if (_format)
        formatAfter();
    if (isArray || !closeImmediately)
        pushEntries(baseType, isArray, closeImmediately);
}

inline bool MarkupFactory::isWritable(BaseType baseType)
{
    return baseType >= BT_NULL && baseType < WRITABLE_BASE_TYPES;
}

} // namespace WS
} // namespace BACnet
} // namespace Zel

#endif // Markup_MarkupFactory_INCLUDED
