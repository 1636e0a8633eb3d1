//
// PacketReader.cpp
//
// Implementation of the PacketReader class. The one place that knows the JSON
// library.
//

#include "tools/picogw-emu/PacketReader.h"

#include "tools/picogw-emu/Constants.h"

#include <Poco/Exception.h>
#include <Poco/Format.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <limits>

namespace PicoGwEmu
{

namespace
{

using Json = nlohmann::json;

template <typename T>
T unsignedField(const Json& value, const std::string& name)
{
    if (!value.is_number_unsigned())
        throw Poco::DataFormatException(Poco::format("\"%s\" must be a non-negative integer", name));
    const auto number = value.get<std::uint64_t>();
    if (number > std::numeric_limits<T>::max())
        throw Poco::DataFormatException(Poco::format(
            "\"%s\" is %Lu, above its largest value %Lu", name, static_cast<Poco::UInt64>(number),
            static_cast<Poco::UInt64>(std::numeric_limits<T>::max())));
    return static_cast<T>(number);
}

float floatField(const Json& value, const std::string& name)
{
    if (!value.is_number())
        throw Poco::DataFormatException(Poco::format("\"%s\" must be a number", name));
    return value.get<float>();
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::vector<std::uint8_t> hexField(const Json& value, const std::string& name)
{
    if (!value.is_string())
        throw Poco::DataFormatException(Poco::format("\"%s\" must be hexadecimal text", name));
    const std::string& text = value.get_ref<const std::string&>();
    if (text.size() % 2 != 0)
        throw Poco::DataFormatException(Poco::format("\"%s\" has an odd number of hexadecimal digits", name));
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() / 2);
    for (std::size_t i = 0; i < text.size(); i += 2)
    {
        const int high = hexDigit(text[i]);
        const int low = hexDigit(text[i + 1]);
        if (high < 0 || low < 0)
            throw Poco::DataFormatException(Poco::format("\"%s\" is not hexadecimal text", name));
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    return bytes;
}

void setField(Packet& packet, std::optional<std::uint16_t>& size, const std::string& name, const Json& value)
{
    if (name == "freq_hz")
        packet.freqHz = unsignedField<std::uint32_t>(value, name);
    else if (name == "if_chain")
        packet.ifChain = unsignedField<std::uint8_t>(value, name);
    else if (name == "status")
        packet.status = unsignedField<std::uint8_t>(value, name);
    else if (name == "count_us")
        packet.countUs = unsignedField<std::uint32_t>(value, name);
    else if (name == "rf_chain")
        packet.rfChain = unsignedField<std::uint8_t>(value, name);
    else if (name == "modulation")
        packet.modulation = unsignedField<std::uint8_t>(value, name);
    else if (name == "bandwidth")
        packet.bandwidth = unsignedField<std::uint8_t>(value, name);
    else if (name == "datarate")
        packet.datarate = unsignedField<std::uint32_t>(value, name);
    else if (name == "coderate")
        packet.coderate = unsignedField<std::uint8_t>(value, name);
    else if (name == "rssi")
        packet.rssi = floatField(value, name);
    else if (name == "snr")
        packet.snr = floatField(value, name);
    else if (name == "snr_min")
        packet.snrMin = floatField(value, name);
    else if (name == "snr_max")
        packet.snrMax = floatField(value, name);
    else if (name == "crc")
        packet.crc = unsignedField<std::uint16_t>(value, name);
    else if (name == "size")
        size = unsignedField<std::uint16_t>(value, name);
    else if (name == "payload")
        packet.payload = hexField(value, name);
    else
        throw Poco::DataFormatException(Poco::format("unknown field \"%s\"", name));
}

bool isBlank(const std::string& line)
{
    return line.find_first_not_of(" \t\r\n") == std::string::npos;
}

} // namespace

std::optional<Packet> PacketReader::parseLine(const std::string& line)
{
    if (isBlank(line))
        return std::nullopt;

    const Json object = Json::parse(line, nullptr, false);
    if (object.is_discarded())
        throw Poco::SyntaxException("not valid JSON");
    if (!object.is_object())
        throw Poco::SyntaxException("not a JSON object");

    Packet packet;
    std::optional<std::uint16_t> size;
    for (const auto& [name, value] : object.items())
        setField(packet, size, name, value);

    packet.size = size.value_or(static_cast<std::uint16_t>(
        std::min<std::size_t>(packet.payload.size(), std::numeric_limits<std::uint16_t>::max())));
    if (packet.size > MAX_PAYLOAD_SIZE)
        throw Poco::DataFormatException(Poco::format("size %u is above the largest payload of %z bytes",
                                                     unsigned(packet.size), MAX_PAYLOAD_SIZE));
    return packet;
}

std::vector<Packet> PacketReader::read(std::istream& input, const std::string& sourceName)
{
    std::vector<Packet> packets;
    std::string line;
    for (unsigned lineNumber = 1; std::getline(input, line); ++lineNumber)
    {
        try
        {
            if (auto packet = parseLine(line))
                packets.push_back(std::move(*packet));
        }
        catch (const Poco::SyntaxException& exc)
        {
            throw Poco::SyntaxException(Poco::format("%s:%u: %s", sourceName, lineNumber, exc.message()));
        }
        catch (const Poco::DataFormatException& exc)
        {
            throw Poco::DataFormatException(Poco::format("%s:%u: %s", sourceName, lineNumber, exc.message()));
        }
    }
    return packets;
}

std::vector<Packet> PacketReader::readFile(const std::string& path)
{
    std::ifstream input(path);
    if (!input)
        throw Poco::OpenFileException("cannot open packet file", path);
    return read(input, path);
}

} // namespace PicoGwEmu
