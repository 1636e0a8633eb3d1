//
// MarkupFactory.cpp
//
// Implementation of the MarkupFactory class.
//

#include "markup/MarkupFactory.h"

#include <Poco/NumericString.h>

#include <fstream>
#include <iterator>
#include <vector>

namespace Zel
{
namespace BACnet
{
namespace WS
{

namespace
{
constexpr int DEFAULT_COMPRESSION_LEVEL = -1;
constexpr unsigned DATA_TYPE_SHIFT = 32;
constexpr unsigned short DECIMAL = 10;
constexpr char INDENT = '\t';
constexpr char LINE_END = '\n';
} // namespace

const char* const MarkupFactory::_bts[MarkupFactory::BASE_TYPE_TEXTS] = {
    "Null",
    "Boolean",
    "Unsigned",
    "Integer",
    "Real",
    "Double",
    "OctetString",
    "String",
    "BitString",
    "Enumerated",
    "Date",
    "Time",
    "ObjectIdentifier",
    "DatePattern",
    "DateTime",
    "DateTimePattern",
    "TimePattern",
    "StringSet",
    "Object",
    "Interface",
    "Composition",
    "List",
    "Sequence",
    "Array",
    "SequenceOf",
    "Choice",
    "Any",
    "Link",
    "Collection",
    "Tag",
    "ObjectIdentifierPattern",
    "WeekNDay",
    "NamedValues",
    "MemberTypeDefinition",
    "Choices",
    "NamedBits",
    "Bit",
    "",
};

// Made when the program starts, not at the first closing: a closing must not
// allocate, as it could then fail in the middle of a document.
const std::vector<std::string> MarkupFactory::_baseTypeStrings(std::begin(_bts), std::end(_bts));

const char* const MarkupFactory::_pEmbeddedText = "http://bacnet.org/csml/1.2";

Poco::HashMap<Poco::UInt64, std::string> MarkupFactory::_bnDataTypeValueName;

Poco::FastMutex MarkupFactory::_mutexBnDataTypeValueName;

MarkupFactory::OpenMarkup::OpenMarkup() : baseType(BT_NULL), arrayMarker(false) {}

MarkupFactory::OpenMarkup::OpenMarkup(BaseType baseType, bool arrayMarker)
    : baseType(baseType), arrayMarker(arrayMarker)
{
}

void MarkupFactory::OpenMarkup::set(BaseType baseType, bool arrayMarker)
{
    this->baseType = baseType;
    this->arrayMarker = arrayMarker;
}

MarkupFactory::MarkupFactory(std::ostream& ostr, bool format, bool auxFlag)
    : _deflate(false), _pOstr(&ostr), _format(format), _auxFlag(auxFlag),
      _openMarkups(InlineArena::Allocator<OpenMarkup>(&_stackArena)), _arrayMarkers(0),
      _markupBaseType(BT_NONE)
{
}

MarkupFactory::MarkupFactory(std::ostream& ostr, Poco::DeflatingStreamBuf::StreamType streamType, bool format,
                             bool auxFlag)
    : _deflate(true), _pDeflatingOstr(std::make_unique<Poco::DeflatingOutputStream>(
                          ostr, streamType, DEFAULT_COMPRESSION_LEVEL)),
      _pOfstr(std::make_unique<std::ofstream>()), _pOstr(_pOfstr.get()), _format(format), _auxFlag(auxFlag),
      _openMarkups(InlineArena::Allocator<OpenMarkup>(&_stackArena)), _arrayMarkers(0),
      _markupBaseType(BT_NONE)
{
    _pOfstr->std::ostream::rdbuf(_pDeflatingOstr->rdbuf());
}

MarkupFactory::~MarkupFactory() = default;

void MarkupFactory::header()
{
    formatBefore(true);
    descHeader();
    formatAfter();
}

void MarkupFactory::closeForeignArrayMarker(BaseType baseType)
{
    // Only the top entry counts: an array marker beneath an open element stays.
    const OpenMarkup& top = _openMarkups.back();
    if (top.arrayMarker && top.baseType != baseType)
    {
        closeOpenMarkup(top);
        removeTop();
    }
}

void MarkupFactory::pushEntries(BaseType baseType, bool isArray, bool closeImmediately)
{
    if (isArray && allowArrays())
    {
        _openMarkups.emplace_back(baseType, true);
        ++_arrayMarkers;
    }
    if (!closeImmediately)
        _openMarkups.emplace_back(baseType, false);
}

void MarkupFactory::closeOpenMarkup()
{
    while (!_openMarkups.empty())
    {
        const OpenMarkup top = _openMarkups.back();
        writeClosing(top);
        removeTop();
        if (!top.arrayMarker)
            return;
    }
}

void MarkupFactory::closeAllOpenMarkups()
{
    while (!_openMarkups.empty())
        closeOpenMarkup();
}

void MarkupFactory::closeOpenMarkup(const OpenMarkup& entry)
{
    writeClosing(entry);
}

void MarkupFactory::reset()
{
    while (!_openMarkups.empty())
        removeTop();
}

void MarkupFactory::flush()
{
    _pOstr->flush();
    if (_deflate)
        _pDeflatingOstr->close();
}

void MarkupFactory::formatBefore(bool opening)
{
    if (!_format)
        return;
    std::size_t tabs = depth();
    if (!opening && tabs > 0)
        --tabs;
    for (std::size_t i = 0; i < tabs; ++i)
        _pOstr->put(INDENT);
}

void MarkupFactory::formatAfter()
{
    if (!_format)
        return;
    _pOstr->put(_pOstr->widen(LINE_END));
    _pOstr->flush();
}

void MarkupFactory::markupEnumOrBitStringValue(BACnetDataType /*dataType*/, int value,
                                               std::string& result) const
{
    Poco::intToStr(value, DECIMAL, result);
}

Poco::UInt64 MarkupFactory::getBnDataTypeValueNameKey(BACnetDataType dataType, int value)
{
    return (static_cast<Poco::UInt64>(dataType) << DATA_TYPE_SHIFT) |
           static_cast<Poco::UInt64>(static_cast<Poco::Int64>(value));
}

void MarkupFactory::descHeader() {}

std::size_t MarkupFactory::depth() const
{
    return _openMarkups.size() - _arrayMarkers;
}

void MarkupFactory::writeClosing(const OpenMarkup& entry)
{
    if (!isWritable(entry.baseType))
        return;
    formatBefore(false);
    descCloseOpenMarkup(baseTypeString(entry.baseType), entry.arrayMarker);
    formatAfter();
}

const std::string& MarkupFactory::baseTypeString(BaseType baseType)
{
    return _baseTypeStrings[baseType];
}

void MarkupFactory::removeTop()
{
    if (_openMarkups.back().arrayMarker)
        --_arrayMarkers;
    _openMarkups.pop_back();
}

} // namespace WS
} // namespace BACnet
} // namespace Zel
