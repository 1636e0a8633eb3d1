//
// ListenOptionsTest.cpp
//
// Tests of ListenOptions: the command line, its defaults and its refusals.
//

#include "tools/listen/ListenOptions.h"

#include <Poco/Exception.h>

#include <gtest/gtest.h>

using LoRaWANListen::LatencyMode;
using LoRaWANListen::ListenOptions;

TEST(ListenOptions, DefaultsListenOnTheServiceSocketWithGroupAccess)
{
    const ListenOptions options = ListenOptions::parse({});
    EXPECT_EQ(options.socketPath, "/dev/shm/LoRaWANGatewayUnixSocket");
    EXPECT_EQ(options.socketMode, 0660u);
    EXPECT_EQ(options.format, ListenOptions::Format::Auto);
    EXPECT_EQ(options.count, 0u);
    EXPECT_EQ(options.timeoutSeconds, 0);
    EXPECT_FALSE(options.stats);
    EXPECT_EQ(options.latency, LatencyMode::Auto);
}

TEST(ListenOptions, EveryOptionIsReadInBothForms)
{
    const ListenOptions options =
        ListenOptions::parse({"--socket", "/tmp/x.sock", "--mode=0600", "--format", "json", "--count=25",
                              "--timeout", "2.5", "--stats-interval=30", "--latency", "off"});
    EXPECT_EQ(options.socketPath, "/tmp/x.sock");
    EXPECT_EQ(options.socketMode, 0600u);
    EXPECT_EQ(options.format, ListenOptions::Format::Json);
    EXPECT_EQ(options.count, 25u);
    EXPECT_DOUBLE_EQ(options.timeoutSeconds, 2.5);
    EXPECT_TRUE(options.stats) << "--stats-interval implies --stats";
    EXPECT_DOUBLE_EQ(options.statsIntervalSeconds, 30);
    EXPECT_EQ(options.latency, LatencyMode::Off);
}

TEST(ListenOptions, UnusableValuesAreRefused)
{
    const std::vector<std::vector<std::string>> bad = {
        {"--mode", "0660x"}, {"--mode", "1777"},   {"--mode", "9"},
        {"--count", "0"},    {"--count", "-3"},    {"--count", "1e3"},
        {"--timeout", "0"},  {"--timeout", "nan"}, {"--stats-interval", "0.0001"},
        {"--timeout", "-1"}, {"--format", "xml"},  {"--latency", "maybe"},
        {"--socket", ""},    {"--count"},          {"--stats=yes"},
        {"--frobnicate"},    {"positional"}};
    for (const auto& arguments : bad)
        EXPECT_THROW(ListenOptions::parse(arguments), Poco::InvalidArgumentException) << arguments[0];
}
