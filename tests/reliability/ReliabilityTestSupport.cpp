//
// ReliabilityTestSupport.cpp
//
// Implementation of what the fault tests share.
//

#include "ReliabilityTestSupport.h"
#include "ServiceSetup.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <csignal>

namespace TestSupport
{

namespace
{

using OrderedJson = nlohmann::ordered_json;

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

// Written out on purpose: the service must use exactly this path.
const char* const CONSUMER_SOCKET = "/dev/shm/LoRaWANGatewayUnixSocket";
const char* const HEAVY_TRAFFIC = R"({"buffer_bytes": 0, "generator": {"rate": 0, "burst": 16, "seed": 11}})";

std::size_t countOf(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (std::string::size_type at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

std::string numberedBatches(int calls, int perCall)
{
    std::string batches;
    for (int call = 0; call < calls; ++call)
    {
        batches += call > 0 ? ",[" : "[";
        for (int i = 0; i < perCall; ++i)
            batches +=
                (i > 0 ? "," : "") +
                packetJson(868100000, 0, "40", ", \"count_us\": " + std::to_string(call * perCall + i));
        batches += "]";
    }
    return "\"batches\": [" + batches + "]";
}

void expectCleanEnd(ChildProcess& service)
{
    service.signal(SIGTERM);
    ASSERT_TRUE(service.waitForExit()) << "the service did not end after SIGTERM";
    EXPECT_FALSE(service.exitedBySignal()) << "ended by signal " << service.exitStatus() - 128;
    EXPECT_EQ(0, service.exitStatus());
    const std::vector<std::string> out = lines(service.out());
    ASSERT_GE(out.size(), 2u) << service.out();
    EXPECT_EQ(" LoRaWANServer Worker thread terminates", withoutTimeStamp(out[out.size() - 2]));
    EXPECT_EQ(" LoRaWAN server shuts down", withoutTimeStamp(out.back()));
    EXPECT_EQ(std::string::npos, service.out().find("Thread is frozen!"));
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

void expectWholeDocuments(const std::vector<FrameRecorder::Connection>& connections)
{
    const std::string documentStart = "{\"type\":\"";
    for (std::size_t i = 0; i < connections.size(); ++i)
    {
        SCOPED_TRACE("connection " + std::to_string(i));
        for (const std::string& frame : connections[i].frames)
            ASSERT_EQ("", documentProblem(frame));
        // A connection the recorder dropped may end in the middle of a frame,
        // the beginning of a document; the one the service closed may not.
        const std::string& rest = connections[i].rest;
        if (i + 1 == connections.size())
            EXPECT_EQ("", rest);
        else
            EXPECT_EQ(0, rest.compare(0, documentStart.size(), documentStart, 0, rest.size())) << rest;
    }
}

} // namespace TestSupport
