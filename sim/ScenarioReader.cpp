//
// ScenarioReader.cpp
//
// Implementation of the ScenarioReader class: the simulated concentrator's
// only use of the JSON library.
//

#include "sim/ScenarioReader.h"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace LoRaSim
{

namespace
{

using Json = nlohmann::json;

const std::size_t READ_CHUNK = 4096;
const std::size_t MAX_PAYLOAD_BYTES = sizeof(lgw_pkt_rx_s::payload);
const unsigned HEX_DIGITS_PER_BYTE = 2;
const unsigned HEX_DIGIT_BITS = 4;
const unsigned DECIMAL_BASE = 10;
const unsigned MAX_BUFFER_BYTES = 1U << 24;

[[noreturn]] void fail(const std::string& where, const std::string& what)
{
    throw std::runtime_error(where + ": " + what);
}

std::string member(const std::string& where, const std::string& name)
{
    return where.empty() ? name : where + "." + name;
}

std::string element(const std::string& where, std::size_t index)
{
    return where + "[" + std::to_string(index) + "]";
}

void requireKnownMembers(const Json& object, const std::string& where,
                         std::initializer_list<const char*> known)
{
    for (auto item = object.begin(); item != object.end(); ++item)
    {
        bool isKnown = false;
        for (const char* name : known)
            isKnown = isKnown || item.key() == name;
        if (!isKnown)
            fail(member(where, item.key()), "unknown member");
    }
}

const Json& requireObject(const Json& value, const std::string& where)
{
    if (!value.is_object())
        fail(where, "must be an object");
    return value;
}

const Json& requireArray(const Json& value, const std::string& where)
{
    if (!value.is_array())
        fail(where, "must be an array");
    return value;
}

long double wholeNumber(const Json& value, const std::string& where)
{
    if (value.is_number_unsigned())
        return static_cast<long double>(value.get<std::uint64_t>());
    if (value.is_number_integer())
        return static_cast<long double>(value.get<std::int64_t>());
    if (value.is_number_float())
    {
        const double number = value.get<double>();
        if (std::isfinite(number) && number == std::floor(number))
            return number;
    }
    fail(where, "must be a whole number");
}

template <typename Integer>
Integer integer(const Json& value, const std::string& where,
                Integer low = std::numeric_limits<Integer>::min(),
                Integer high = std::numeric_limits<Integer>::max())
{
    const long double number = wholeNumber(value, where);
    if (number < static_cast<long double>(low) || number > static_cast<long double>(high))
        fail(where, "must lie between " + std::to_string(low) + " and " + std::to_string(high));
    if (value.is_number_unsigned())
        return static_cast<Integer>(value.get<std::uint64_t>());
    if (value.is_number_integer())
        return static_cast<Integer>(value.get<std::int64_t>());
    return static_cast<Integer>(number);
}

double real(const Json& value, const std::string& where, double low, double high, const char* range)
{
    if (!value.is_number())
        fail(where, "must be a number");
    const double number = value.get<double>();
    if (!(number >= low && number <= high))
        fail(where, std::string("must be ") + range);
    return number;
}

float singlePrecision(const Json& value, const std::string& where)
{
    const double limit = std::numeric_limits<float>::max();
    return static_cast<float>(real(value, where, -limit, limit, "a number within single precision"));
}

bool boolean(const Json& value, const std::string& where)
{
    if (!value.is_boolean())
        fail(where, "must be true or false");
    return value.get<bool>();
}

const std::string& text(const Json& value, const std::string& where)
{
    if (!value.is_string())
        fail(where, "must be a text");
    return value.get_ref<const std::string&>();
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + DECIMAL_BASE;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + DECIMAL_BASE;
    return -1;
}

std::size_t readPayload(const Json& value, const std::string& where, std::uint8_t* pPayload)
{
    const std::string& hex = text(value, where);
    if (hex.size() % HEX_DIGITS_PER_BYTE != 0)
        fail(where, "has an odd number of hexadecimal digits");
    const std::size_t length = hex.size() / HEX_DIGITS_PER_BYTE;
    if (length > MAX_PAYLOAD_BYTES)
        fail(where, "holds " + std::to_string(length) + " bytes, more than the " +
                        std::to_string(MAX_PAYLOAD_BYTES) + " of a packet");
    for (std::size_t i = 0; i < length; ++i)
    {
        const int high = hexDigit(hex[HEX_DIGITS_PER_BYTE * i]);
        const int low = hexDigit(hex[HEX_DIGITS_PER_BYTE * i + 1]);
        if (high < 0 || low < 0)
            fail(where, "is not hexadecimal text");
        pPayload[i] = static_cast<std::uint8_t>((high << HEX_DIGIT_BITS) | low);
    }
    return length;
}

ScriptedPacket readPacket(const Json& value, const std::string& where)
{
    requireObject(value, where);
    requireKnownMembers(value, where,
                        {"freq_hz", "if_chain", "status", "count_us", "rf_chain", "modulation", "bandwidth",
                         "datarate", "coderate", "rssi", "snr", "snr_min", "snr_max", "crc", "size",
                         "payload"});
    ScriptedPacket packet{};
    lgw_pkt_rx_s& record = packet.record;
    std::size_t payloadLength = 0;
    bool sizeGiven = false;
    packet.stampOnRelease = true;
    for (auto item = value.begin(); item != value.end(); ++item)
    {
        const std::string& key = item.key();
        const std::string at = member(where, key);
        const Json& field = item.value();
        if (key == "freq_hz")
            record.freq_hz = integer<std::uint32_t>(field, at);
        else if (key == "if_chain")
            record.if_chain = integer<std::uint8_t>(field, at);
        else if (key == "status")
            record.status = integer<std::uint8_t>(field, at);
        else if (key == "count_us")
        {
            record.count_us = integer<std::uint32_t>(field, at);
            packet.stampOnRelease = false;
        }
        else if (key == "rf_chain")
            record.rf_chain = integer<std::uint8_t>(field, at);
        else if (key == "modulation")
            record.modulation = integer<std::uint8_t>(field, at);
        else if (key == "bandwidth")
            record.bandwidth = integer<std::uint8_t>(field, at);
        else if (key == "datarate")
            record.datarate = integer<std::uint32_t>(field, at);
        else if (key == "coderate")
            record.coderate = integer<std::uint8_t>(field, at);
        else if (key == "rssi")
            record.rssi = singlePrecision(field, at);
        else if (key == "snr")
            record.snr = singlePrecision(field, at);
        else if (key == "snr_min")
            record.snr_min = singlePrecision(field, at);
        else if (key == "snr_max")
            record.snr_max = singlePrecision(field, at);
        else if (key == "crc")
            record.crc = integer<std::uint16_t>(field, at);
        else if (key == "size")
        {
            record.size = integer<std::uint16_t>(field, at);
            sizeGiven = true;
        }
        else
            payloadLength = readPayload(field, at, record.payload);
    }
    if (!sizeGiven)
        record.size = static_cast<std::uint16_t>(payloadLength);
    return packet;
}

std::vector<ScriptedPacket> readPackets(const Json& value, const std::string& where)
{
    requireArray(value, where);
    std::vector<ScriptedPacket> packets;
    for (std::size_t i = 0; i < value.size(); ++i)
        packets.push_back(readPacket(value[i], element(where, i)));
    return packets;
}

ScriptedBatch readBatch(const Json& value, const std::string& where)
{
    ScriptedBatch batch;
    if (value.is_array())
    {
        batch.packets = readPackets(value, where);
        return batch;
    }
    if (!value.is_object())
        fail(where, "must be an array of packets or an object with \"after_ms\" and \"packets\"");
    requireKnownMembers(value, where, {"after_ms", "packets"});
    if (!value.contains("after_ms"))
        fail(member(where, "after_ms"), "is missing");
    batch.afterMs = integer<std::uint32_t>(value["after_ms"], member(where, "after_ms"));
    if (value.contains("packets"))
        batch.packets = readPackets(value["packets"], member(where, "packets"));
    return batch;
}

std::set<unsigned> readChains(const Json& value, const std::string& where)
{
    requireArray(value, where);
    std::set<unsigned> chains;
    for (std::size_t i = 0; i < value.size(); ++i)
        chains.insert(integer<std::uint8_t>(value[i], element(where, i)));
    return chains;
}

void readRefusals(const Json& value, Scenario& scenario)
{
    const std::string where = "refuse";
    requireObject(value, where);
    requireKnownMembers(value, where, {"board", "rxrf", "rxif"});
    if (value.contains("board"))
        scenario.refuseBoard = boolean(value["board"], member(where, "board"));
    if (value.contains("rxrf"))
        scenario.refuseRxrf = readChains(value["rxrf"], member(where, "rxrf"));
    if (value.contains("rxif"))
        scenario.refuseRxif = readChains(value["rxif"], member(where, "rxif"));
}

std::map<std::uint64_t, int> readReceiveResults(const Json& value)
{
    const std::string where = "receive_results";
    requireArray(value, where);
    std::map<std::uint64_t, int> results;
    for (std::size_t i = 0; i < value.size(); ++i)
    {
        const std::string at = element(where, i);
        requireObject(value[i], at);
        requireKnownMembers(value[i], at, {"call", "result"});
        for (const char* name : {"call", "result"})
        {
            if (!value[i].contains(name))
                fail(member(at, name), "is missing");
        }
        const auto call = integer<std::uint64_t>(value[i]["call"], member(at, "call"), 1);
        if (results.count(call) != 0)
            fail(member(at, "call"), "names call " + std::to_string(call) + " a second time");
        results[call] = integer<int>(value[i]["result"], member(at, "result"));
    }
    return results;
}

const double LOWEST_NOISE_DBM = -180.0;
const double HIGHEST_NOISE_DBM = 0.0;

double noiseLevel(const Json& value, const std::string& where)
{
    return real(value, where, LOWEST_NOISE_DBM, HIGHEST_NOISE_DBM, "between -180 and 0 dBm");
}

// A level for every channel, or an object of levels by IF chain ("0" to "9").
void readNoise(const Json& value, const std::string& where, GeneratorSettings& settings)
{
    if (value.is_number())
    {
        settings.noiseDbm = noiseLevel(value, where);
        return;
    }
    if (!value.is_object())
        fail(where, "must be a level in dBm or an object of levels by IF chain");
    for (auto item = value.begin(); item != value.end(); ++item)
    {
        const std::string at = member(where, item.key());
        const std::string& key = item.key();
        const bool isChain =
            key.size() == 1 && key[0] >= '0' && key[0] < static_cast<char>('0' + LGW_IF_CHAIN_NB);
        if (!isChain)
            fail(at, "is not an IF chain (0 to " + std::to_string(LGW_IF_CHAIN_NB - 1) + ")");
        settings.chainNoiseDbm[static_cast<unsigned>(key[0] - '0')] = noiseLevel(item.value(), at);
    }
}

GeneratorSettings readGenerator(const Json& value)
{
    const std::string where = "generator";
    requireObject(value, where);
    requireKnownMembers(value, where,
                        {"rate", "seed", "count", "burst", "crc_error_ratio", "noise_dbm", "payload_bytes"});
    GeneratorSettings settings;
    if (value.contains("rate"))
        settings.rate = real(value["rate"], member(where, "rate"), 0.0, std::numeric_limits<double>::max(),
                             "0 or more packets a second");
    if (value.contains("seed"))
        settings.seed = integer<std::uint64_t>(value["seed"], member(where, "seed"));
    if (value.contains("count"))
        settings.count = integer<std::uint64_t>(value["count"], member(where, "count"));
    if (value.contains("burst"))
        settings.burst = integer<unsigned>(value["burst"], member(where, "burst"), 1, LGW_PKT_FIFO_SIZE);
    if (value.contains("crc_error_ratio"))
        settings.crcErrorRatio =
            real(value["crc_error_ratio"], member(where, "crc_error_ratio"), 0.0, 1.0, "between 0 and 1");
    if (value.contains("noise_dbm"))
        readNoise(value["noise_dbm"], member(where, "noise_dbm"), settings);
    if (value.contains("payload_bytes"))
        settings.payloadBytes = integer<unsigned>(value["payload_bytes"], member(where, "payload_bytes"),
                                                  MIN_FRAME_SIZE, MAX_PAYLOAD_SIZE);
    return settings;
}

Scenario readScenario(const Json& root)
{
    if (!root.is_object())
        throw std::runtime_error("the top level is not a JSON object");
    requireKnownMembers(root, "",
                        {"connect", "start", "stop", "refuse", "receive_error_after", "receive_results",
                         "stall_after_ms", "unplug_after_ms", "batches", "generator", "buffer_bytes",
                         "record"});
    Scenario scenario;
    if (root.contains("connect"))
        scenario.connectResult = integer<int>(root["connect"], "connect");
    if (root.contains("start"))
        scenario.startResult = integer<int>(root["start"], "start");
    if (root.contains("stop"))
        scenario.stopResult = integer<int>(root["stop"], "stop");
    if (root.contains("refuse"))
        readRefusals(root["refuse"], scenario);
    if (root.contains("receive_error_after"))
        scenario.receiveErrorAfter =
            integer<std::uint64_t>(root["receive_error_after"], "receive_error_after");
    if (root.contains("receive_results"))
        scenario.receiveResults = readReceiveResults(root["receive_results"]);
    if (root.contains("stall_after_ms"))
        scenario.stallAfterMs = integer<std::uint32_t>(root["stall_after_ms"], "stall_after_ms");
    if (root.contains("unplug_after_ms"))
        scenario.unplugAfterMs = integer<std::uint32_t>(root["unplug_after_ms"], "unplug_after_ms");
    if (root.contains("batches"))
    {
        const Json& batches = requireArray(root["batches"], "batches");
        for (std::size_t i = 0; i < batches.size(); ++i)
            scenario.batches.push_back(readBatch(batches[i], element("batches", i)));
    }
    if (root.contains("generator"))
        scenario.generator = readGenerator(root["generator"]);
    if (root.contains("buffer_bytes"))
        scenario.bufferBytes = integer<unsigned>(root["buffer_bytes"], "buffer_bytes", 0, MAX_BUFFER_BYTES);
    if (root.contains("record"))
    {
        scenario.recordPath = text(root["record"], "record");
        if (scenario.recordPath.empty())
            fail("record", "must name a file");
    }
    return scenario;
}

// The library's messages begin with an exception tag such as
// "[json.exception.parse_error.101] "; the reader of ours needs only the rest.
std::string withoutTag(const char* message)
{
    std::string text(message);
    const std::size_t tagEnd = text.find("] ");
    if (!text.empty() && text[0] == '[' && tagEnd != std::string::npos)
        text.erase(0, tagEnd + 2);
    return text;
}

std::string readWholeFile(const std::string& path)
{
    std::FILE* pFile = std::fopen(path.c_str(), "re");
    if (pFile == nullptr)
        throw std::runtime_error(std::strerror(errno));
    std::string content;
    char chunk[READ_CHUNK];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, pFile)) > 0)
        content.append(chunk, got);
    const bool failed = std::ferror(pFile) != 0;
    const int error = errno;
    std::fclose(pFile);
    if (failed)
        throw std::runtime_error(std::strerror(error));
    return content;
}

} // namespace

Scenario ScenarioReader::readFile(const std::string& path)
{
    const std::string name = "scenario file \"" + path + "\"";
    std::string content;
    try
    {
        content = readWholeFile(path);
    }
    catch (const std::runtime_error& error)
    {
        throw std::runtime_error(name + " cannot be read: " + error.what());
    }
    try
    {
        return parse(content);
    }
    catch (const std::runtime_error& error)
    {
        throw std::runtime_error(name + ": " + error.what());
    }
}

Scenario ScenarioReader::parse(const std::string& text)
{
    Json root;
    try
    {
        root = Json::parse(text, nullptr, true, /*ignore_comments=*/true);
    }
    catch (const Json::exception& error)
    {
        throw std::runtime_error("not valid JSON: " + withoutTag(error.what()));
    }
    return readScenario(root);
}

} // namespace LoRaSim
