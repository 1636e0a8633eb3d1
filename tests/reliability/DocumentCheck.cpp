//
// DocumentCheck.cpp
//
// Implementation of the checks of what reached a consumer.
//

#include "DocumentCheck.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>

namespace TestSupport
{

namespace
{

using OrderedJson = nlohmann::ordered_json;

const char FRAME_END = '\x0C';
const char* const MESSAGE_TYPE = "message_upstream";
const char* const FIELDS[] = {"freq_hz",   "if_chain", "status",   "count_us", "rf_chain", "modulation",
                              "bandwidth", "datarate", "coderate", "rssi",     "snr",      "snr_min",
                              "snr_max",   "crc",      "size",     "payload"};
const char* const REAL_FIELDS[] = {"rssi", "snr", "snr_min", "snr_max"};
const std::size_t PAYLOAD_CAPACITY = 256;
const std::size_t HEX_DIGITS_PER_BYTE = 2;

bool isReal(const std::string& name)
{
    return std::find(std::begin(REAL_FIELDS), std::end(REAL_FIELDS), name) != std::end(REAL_FIELDS);
}

bool allOf(const std::string& text, int (*test)(int))
{
    return std::all_of(text.begin(), text.end(),
                       [test](char c) { return test(static_cast<unsigned char>(c)) != 0; });
}

std::string dataProblem(const OrderedJson& data)
{
    if (!data.is_object() || data.size() != std::size(FIELDS))
        return "\"data\" is not an object of sixteen members";
    std::size_t index = 0;
    for (auto member = data.begin(); member != data.end(); ++member, ++index)
    {
        if (member.key() != FIELDS[index])
            return "member " + std::to_string(index) + " of \"data\" is \"" + member.key() + "\"";
        if (!member->is_string())
            return "\"" + member.key() + "\" is not a string";
        const std::string text = member->get<std::string>();
        if (member.key() == "payload")
            continue;
        if (text.empty() || (!isReal(member.key()) && !allOf(text, ::isdigit)))
            return "\"" + member.key() + "\" is \"" + text + "\"";
    }
    const std::size_t size = std::stoul(data.at("size").get<std::string>());
    const std::string payload = data.at("payload").get<std::string>();
    if (payload.size() != std::min(size, PAYLOAD_CAPACITY) * HEX_DIGITS_PER_BYTE ||
        !allOf(payload, ::isxdigit))
        return "payload \"" + payload + "\" does not match size " + std::to_string(size);
    return std::string();
}

} // namespace

std::vector<std::string> splitFrames(const std::string& bytes, std::string& rest)
{
    std::vector<std::string> frames;
    std::string::size_type start = 0;
    for (std::string::size_type end = bytes.find(FRAME_END); end != std::string::npos;
         end = bytes.find(FRAME_END, start))
    {
        frames.push_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    rest = bytes.substr(start);
    return frames;
}

std::string documentProblem(const std::string& frame)
{
    const OrderedJson document = OrderedJson::parse(frame, nullptr, false);
    if (document.is_discarded())
        return "not JSON: " + frame;
    if (!document.is_object() || document.size() != 2 || document.begin().key() != "type")
        return "not an object of \"type\" and \"data\": " + frame;
    if (document.at("type") != MESSAGE_TYPE)
        return "type is " + document.at("type").dump();
    if (!document.contains("data"))
        return "no \"data\": " + frame;
    const std::string problem = dataProblem(document.at("data"));
    return problem.empty() ? problem : problem + " in " + frame;
}

std::string streamProblem(const std::string& bytes, bool mayEndInsideAFrame)
{
    std::string rest;
    const std::vector<std::string> frames = splitFrames(bytes, rest);
    for (std::size_t i = 0; i < frames.size(); ++i)
    {
        const std::string problem = documentProblem(frames[i]);
        if (!problem.empty())
            return "frame " + std::to_string(i) + ": " + problem;
    }
    if (rest.empty())
        return std::string();
    if (!mayEndInsideAFrame)
        return "the stream ends inside a frame: " + rest;
    // What came of the last frame must be the beginning of a document.
    const std::string start = "{\"type\":\"";
    if (rest.compare(0, std::min(rest.size(), start.size()), start, 0, std::min(rest.size(), start.size())) !=
        0)
        return "the stream ends with something that is no document's beginning: " + rest;
    return std::string();
}

} // namespace TestSupport
