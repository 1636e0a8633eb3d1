//
// ForwardingTest.cpp
//
// Packets from the concentrator to the consumer, through the real binary, the
// simulated concentrator's scenarios and a real listening socket.
//

#include "ServiceSetup.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <csignal>

using namespace TestSupport;

namespace
{

const char* const CONSUMER_SOCKET = "/dev/shm/LoRaWANGatewayUnixSocket";

const std::string EXAMPLE_PACKET =
    R"({"freq_hz": 868100000, "if_chain": 0, "status": 16, "count_us": 2208947364,
    "rf_chain": 0, "modulation": 16, "bandwidth": 3, "datarate": 2, "coderate": 1, "rssi": -57.0, "snr": 9.5,
    "snr_min": 7.25, "snr_max": 11.75, "crc": 4660, "size": 4, "payload": "40123456"})";

const std::string EXAMPLE_DOCUMENT =
    R"({"type":"message_upstream","data":{"freq_hz":"868100000","if_chain":"0","status":"16",)"
    R"("count_us":"2208947364","rf_chain":"0","modulation":"16","bandwidth":"3","datarate":"2",)"
    R"("coderate":"1","rssi":"-57","snr":"9.5","snr_min":"7.25","snr_max":"11.75","crc":"4660",)"
    R"("size":"4","payload":"40123456"}})";

std::string packetWithCount(unsigned countUs)
{
    return packetJson(868100000, 0, "40AABBCCDD", ", \"count_us\": " + std::to_string(countUs));
}

std::string countOf(const std::string& frame)
{
    return nlohmann::json::parse(frame).at("data").at("count_us");
}

std::vector<std::string> failureLines(const ChildProcess& service)
{
    std::vector<std::string> found;
    const std::vector<std::string> out = lines(service.out());
    for (std::size_t i = 0; i < out.size(); ++i)
    {
        if (out[i].find(" in WorkerThread::work(): ") != std::string::npos)
        {
            found.push_back(out[i]);
            if (i + 1 < out.size())
                found.push_back(out[i + 1]);
        }
    }
    return found;
}

class ForwardingTest : public ::testing::Test
{
protected:
    void stopService(ChildProcess& service)
    {
        service.signal(SIGTERM);
        ASSERT_TRUE(service.waitForExit());
        EXPECT_EQ(0, service.exitStatus());
    }

    FixedPathsLock _lock;
    ServiceSetup _setup;
};

TEST_F(ForwardingTest, NoConnectionIsMadeBeforeTheFirstPacket)
{
    ConsumerSocket consumer(CONSUMER_SOCKET);
    auto pService = _setup.startAndWait();
    EXPECT_FALSE(consumer.hasPendingConnection(Milliseconds(1000)));
    stopService(*pService);
    EXPECT_FALSE(consumer.hasPendingConnection(Milliseconds(0)));
}

TEST_F(ForwardingTest, PacketsOfOneFetchArriveAsFramesInArrayOrder)
{
    ConsumerSocket consumer(CONSUMER_SOCKET);
    _setup.writeScenario("{\"batches\": [[" + packetWithCount(1) + "," + packetWithCount(2) + "," +
                         packetWithCount(3) + "], [], [" + packetWithCount(4) + "]]}");
    auto pService = _setup.startAndWait();
    ASSERT_TRUE(consumer.accept());
    const std::vector<std::string> frames = consumer.readFrames(4);
    ASSERT_EQ(4u, frames.size());
    for (std::size_t i = 0; i < frames.size(); ++i)
    {
        EXPECT_EQ(std::to_string(i + 1), countOf(frames[i]));
        EXPECT_EQ(std::string::npos, frames[i].find_first_of(" \n\t")) << frames[i];
        EXPECT_EQ('{', frames[i].front());
        EXPECT_EQ('}', frames[i].back());
    }
    // One connection for all passes: nothing else waits to be accepted.
    EXPECT_FALSE(consumer.hasPendingConnection(Milliseconds(200)));
    stopService(*pService);
}

TEST_F(ForwardingTest, ExampleEmptyAndFullPacketsArriveAsTheirDocumentsEachWithOneFormFeed)
{
    ConsumerSocket consumer(CONSUMER_SOCKET);
    std::string full; // every byte value once
    for (int i = 0; i < 256; ++i)
        full += {"0123456789ABCDEF"[i >> 4], "0123456789ABCDEF"[i & 15]};
    _setup.writeScenario("{\"batches\": [[" + EXAMPLE_PACKET + "," + packetJson(868300000, 1, "") + "," +
                         packetJson(868300000, 1, full) + "]]}");
    auto pService = _setup.startAndWait();
    ASSERT_TRUE(consumer.accept());
    const std::vector<std::string> frames = consumer.readFrames(3);
    ASSERT_EQ(3u, frames.size());
    EXPECT_EQ(EXAMPLE_DOCUMENT, frames[0]);
    // A second form feed would have made an empty frame; nothing follows the last.
    EXPECT_EQ("", consumer.pending() + consumer.readAvailable(Milliseconds(500)));
    const nlohmann::json empty = nlohmann::json::parse(frames[1]).at("data");
    const nlohmann::json whole = nlohmann::json::parse(frames[2]).at("data");
    EXPECT_EQ("0", empty.at("size"));
    EXPECT_EQ("", empty.at("payload"));
    EXPECT_EQ("256", whole.at("size"));
    EXPECT_EQ(full, whole.at("payload"));
    stopService(*pService);
}

TEST_F(ForwardingTest, AbsentConsumerCostsFourLinesPerPassAndTheNextPassDelivers)
{
    _setup.writeScenario("{\"batches\": [[" + packetWithCount(1) + "], {\"after_ms\": 3000, \"packets\": [" +
                         packetWithCount(2) + "]}, {\"after_ms\": 8000, \"packets\": [" + packetWithCount(3) +
                         "]}]}");
    auto pService = _setup.startAndWait();
    ASSERT_TRUE(pService->waitForOut("Error Code is: "));
    ConsumerSocket consumer(CONSUMER_SOCKET);
    ASSERT_TRUE(consumer.accept(Milliseconds(15000)));
    const std::vector<std::string> frames = consumer.readFrames(1);
    ASSERT_EQ(1u, frames.size());
    // The first packet was dropped; whichever later one came first after the
    // consumer appeared is delivered.
    EXPECT_NE("1", countOf(frames[0]));

    const std::vector<std::string> failures = failureLines(*pService);
    ASSERT_FALSE(failures.empty());
    EXPECT_EQ(0u, failures.size() % 4) << pService->out();
    for (std::size_t i = 0; i < failures.size(); i += 2)
    {
        EXPECT_FALSE(hasTimeStamp(failures[i]));
        EXPECT_EQ(" in WorkerThread::work(): ", failures[i].substr(failures[i].size() - 26)) << failures[i];
        EXPECT_EQ("  ", failures[i + 1].substr(0, 2));
        EXPECT_NE(std::string::npos, failures[i + 1].find(", Error Code is: ")) << failures[i + 1];
    }
    stopService(*pService);
}

TEST_F(ForwardingTest, ConsumerThatWentAwayGetsTheWholePassAgainOnANewConnection)
{
    ConsumerSocket consumer(CONSUMER_SOCKET);
    std::string second;
    for (unsigned i = 11; i <= 15; ++i)
        second += (i > 11 ? "," : "") + packetWithCount(i);
    _setup.writeScenario("{\"batches\": [[" + packetWithCount(1) + "], {\"after_ms\": 1500, \"packets\": [" +
                         second + "]}]}");
    auto pService = _setup.startAndWait();
    ASSERT_TRUE(consumer.accept());
    ASSERT_EQ(1u, consumer.readFrames(1).size());
    consumer.closeConnection();

    ASSERT_TRUE(consumer.accept());
    const std::vector<std::string> frames = consumer.readFrames(5);
    ASSERT_EQ(5u, frames.size());
    for (std::size_t i = 0; i < frames.size(); ++i)
        EXPECT_EQ(std::to_string(11 + i), countOf(frames[i]));
    const std::vector<std::string> failures = failureLines(*pService);
    ASSERT_EQ(2u, failures.size()) << pService->out();
    EXPECT_NE(std::string::npos, failures[1].find("Error Code is: 32")) << failures[1]; // EPIPE
    stopService(*pService);
}

} // namespace
