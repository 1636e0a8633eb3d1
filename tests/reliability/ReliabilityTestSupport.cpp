//
// ReliabilityTestSupport.cpp
//
// Implementation of what the fault tests share.
//

#include "ReliabilityTestSupport.h"

#include "DocumentCheck.h"

#include <gtest/gtest.h>

#include <csignal>

namespace TestSupport
{

const char* const CONSUMER_SOCKET = "/dev/shm/LoRaWANGatewayUnixSocket";
const char* const HEAVY_TRAFFIC = R"({"generator": {"rate": 0, "burst": 16, "seed": 11}})";
const char* const STEADY_TRAFFIC = R"({"generator": {"rate": 2000, "burst": 4, "seed": 5}})";

std::size_t countOf(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (std::string::size_type at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
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

void waitUntilConnectionsEnd(const FrameRecorder& recorder)
{
    EXPECT_TRUE(waitFor([&] { return !recorder.connectionOpen(); })) << "a connection stayed open";
}

void expectWholeDocuments(const FrameRecorder& recorder)
{
    const std::vector<std::string> connections = recorder.connections();
    for (std::size_t i = 0; i < connections.size(); ++i)
    {
        const bool last = i + 1 == connections.size();
        // A connection the recorder dropped may end in the middle of a frame;
        // the one the service closed at its shutdown may not.
        EXPECT_EQ("", streamProblem(connections[i], !last)) << "connection " << i;
    }
}

} // namespace TestSupport
