//
// PacketDocument.cpp
//
// Implementation of the PacketDocument class.
//

#include "tools/listen/PacketDocument.h"

#include "contract/ConsumerContract.h"

#include <charconv>

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

} // namespace LoRaWANListen
