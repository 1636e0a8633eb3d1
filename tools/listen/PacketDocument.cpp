//
// PacketDocument.cpp
//
// Implementation of the PacketDocument class.
//

#include "tools/listen/PacketDocument.h"

#include "contract/ConsumerContract.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace LoRaWANListen
{

namespace
{

using LoRaWANServer::ConsumerContract::FIELD_NAMES;

static_assert(static_cast<int>(PacketDocument::FieldCount) ==
                  static_cast<int>(LoRaWANServer::ConsumerContract::FIELD_COUNT),
              "one field of the document per field the service writes");

} // namespace

const char* PacketDocument::fieldName(Field field)
{
    return FIELD_NAMES[field];
}

bool PacketDocument::findField(std::string_view name, Field& field)
{
    for (std::size_t index = 0; index < PacketDocument::FieldCount; ++index)
    {
        if (name == FIELD_NAMES[index])
        {
            field = static_cast<Field>(index);
            return true;
        }
    }
    return false;
}

void PacketDocument::clear()
{
    _type.clear();
    for (std::string& text : _fields)
    {
        text.clear();
    }
    _present.fill(false);
}

void PacketDocument::setType(std::string_view type)
{
    _type.assign(type);
}

const std::string& PacketDocument::type() const
{
    return _type;
}

bool PacketDocument::isUpstream() const
{
    return _type == LoRaWANServer::ConsumerContract::MESSAGE_TYPE_UPSTREAM;
}

void PacketDocument::setField(Field field, std::string_view text)
{
    _fields[field].assign(text);
    _present[field] = true;
}

bool PacketDocument::has(Field field) const
{
    return _present[field];
}

const std::string& PacketDocument::text(Field field) const
{
    return _fields[field];
}

bool PacketDocument::unsignedValue(Field field, std::uint32_t& value) const
{
    if (!_present[field])
    {
        return false;
    }
    const std::string& text = _fields[field];
    // from_chars stops quietly at the first non-digit: demand that it consumed everything.
    std::uint32_t parsed = 0;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, parsed, 10);
    if (text.empty() || result.ec != std::errc() || result.ptr != end)
    {
        return false;
    }
    value = parsed;
    return true;
}

bool PacketDocument::realValue(Field field, double& value) const
{
    if (!_present[field])
    {
        return false;
    }
    const std::string& text = _fields[field];
    // strtod would also take blanks, hexadecimal and "inf": only what a float's text may hold passes.
    const bool plain = !text.empty() && text.find_first_not_of("0123456789+-.eE") == std::string::npos;
    char* pEnd = nullptr;
    const double parsed = plain ? std::strtod(text.c_str(), &pEnd) : 0.0;
    if (!plain || pEnd != text.c_str() + text.size() || !std::isfinite(parsed))
    {
        return false;
    }
    value = parsed;
    return true;
}

} // namespace LoRaWANListen
