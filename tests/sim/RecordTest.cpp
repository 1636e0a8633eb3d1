//
// RecordTest.cpp
//
// The record of HAL calls: its exact lines, in the file and in memory.
//

#include "SimTestSupport.h"

#include "sim/RecordLine.h"

using namespace SimTests;

namespace
{

class CallRecord : public SimTest
{
protected:
    std::string recordTo(const std::string& name)
    {
        const std::string recordPath = _dir.file(name);
        loadScenario("{\"record\": \"" + recordPath + "\"}");
        return recordPath;
    }
};

std::vector<std::string> fileLines(const std::string& path)
{
    return TestSupport::lines(TestSupport::readFile(path));
}

/// The whole-number member name of a record line.
std::uint64_t member(const std::string& line, const std::string& name)
{
    const std::string key = "\"" + name + "\":";
    const std::size_t at = line.find(key);
    return at == std::string::npos ? 0 : std::stoull(line.substr(at + key.size()));
}

} // namespace

TEST_F(CallRecord, FileHoldsOneExactLinePerCallWithItsTimeAndOneLinePerRunOfEmptyReceives)
{
    const std::string recordPath = recordTo("calls.jsonl");
    LoRaSim::queueBatch({packet(868100000, 1, 1), packet(868100000, 1, 2), packet(868100000, 1, 3)});

    const std::uint64_t before = monotonicMicros();
    ASSERT_EQ(0, lgw_connect("/dev/ttyACM0"));
    lgw_board_setconf(lgw_conf_board_s{true, 1});
    lgw_rxrf_setconf(0, radio(true, 867500000));
    lgw_conf_rxif_s multiSf = channel(true, 1, -400000);
    lgw_rxif_setconf(0, multiSf);
    lgw_start();
    lgw_pkt_rx_s array[LGW_PKT_FIFO_SIZE];
    lgw_receive(LGW_PKT_FIFO_SIZE, array);
    for (int call = 0; call < 3; ++call)
        lgw_receive(LGW_PKT_FIFO_SIZE, array); // return 0: one line for the three
    lgw_stop();
    const std::uint64_t after = monotonicMicros();

    const std::vector<std::string> expected = {
        R"({"call":"lgw_connect","com_path":"/dev/ttyACM0","result":0})",
        R"({"call":"lgw_board_setconf","lorawan_public":true,"clksrc":1,"result":0})",
        R"({"call":"lgw_rxrf_setconf","rf_chain":0,"enable":true,"freq_hz":867500000,"rssi_offset":-166.0,"type":2,"tx_enable":false,"result":0})",
        R"({"call":"lgw_rxif_setconf","if_chain":0,"enable":true,"rf_chain":1,"freq_hz":-400000,"bandwidth":0,"datarate":0,"result":0})",
        R"({"call":"lgw_start","result":0})",
        R"({"call":"lgw_receive","result":3})",
        "RUN",
        R"({"call":"lgw_stop","result":0})",
    };
    const std::vector<std::string> recorded = fileLines(recordPath);
    EXPECT_EQ(recorded, LoRaSim::recordedCalls());
    ASSERT_EQ(expected.size(), recorded.size());
    std::uint64_t previous = before;
    for (std::size_t i = 0; i < recorded.size(); ++i)
    {
        if (expected[i] != "RUN")
        {
            EXPECT_EQ(expected[i], TestSupport::withoutCallTimes({recorded[i]})[0]);
        }
        const std::uint64_t time = member(recorded[i], "time_us");
        EXPECT_LE(previous, time) << recorded[i];
        previous = time;
    }
    EXPECT_LE(previous, after);
    const std::string& run = recorded[6];
    EXPECT_EQ(0u, run.find(R"({"call":"lgw_receive","calls":3,"last_us":)")) << run;
    EXPECT_NE(std::string::npos, run.find(R"(,"result":0,"time_us":)")) << run;
    const std::uint64_t first = member(run, "time_us");
    const std::uint64_t last = member(run, "last_us");
    EXPECT_LE(first, last);
    EXPECT_LE(member(run, "gap_max_us"), last - first);
    EXPECT_GE(2 * member(run, "gap_max_us"), last - first);
}

TEST_F(CallRecord, RefusedCallsAreRecordedWithTheirFieldsAsHandedOverAndTextsEscaped)
{
    lgw_connect("/dev/tty\"x\\\n");
    lgw_connect(nullptr);
    lgw_conf_rxrf_s disabled{};
    lgw_rxrf_setconf(1, disabled);
    lgw_rxif_setconf(8, channel(true, 0, 0, 9, 3));
    lgw_receive(0, nullptr);
    lgw_disconnect();
    const std::vector<std::string> expected = {
        R"({"call":"lgw_connect","com_path":"/dev/tty\"x\\\u000a","result":0})",
        R"({"call":"lgw_connect","com_path":null,"result":0})",
        R"({"call":"lgw_rxrf_setconf","rf_chain":1,"enable":false,"freq_hz":0,"rssi_offset":0.0,"type":0,"tx_enable":false,"result":-1})",
        R"({"call":"lgw_rxif_setconf","if_chain":8,"enable":true,"rf_chain":0,"freq_hz":0,"bandwidth":9,"datarate":3,"result":-1})",
        R"({"call":"lgw_receive","result":-1})",
        R"({"call":"lgw_disconnect","result":0})",
    };
    EXPECT_EQ(expected, TestSupport::withoutCallTimes(LoRaSim::recordedCalls()));
}

TEST_F(CallRecord, RecordFileIsAppendedTo)
{
    TestSupport::writeFile(_dir.file("calls.jsonl"), "earlier line\n");
    const std::string recordPath = recordTo("calls.jsonl");
    lgw_start();
    const std::vector<std::string> lines = fileLines(recordPath);
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ("earlier line", lines[0]);
    EXPECT_EQ(R"({"call":"lgw_start","result":-1})", TestSupport::withoutCallTimes(lines)[1]);
}

TEST_F(CallRecord, UnwritableRecordFileMakesTheScenarioInvalid)
{
    EXPECT_THROW(recordTo("missing/calls.jsonl"), std::runtime_error);
}

TEST(ShortestFloatText, IsTheShortestTextThatReadsBackWithJsonsLimits)
{
    // Whole numbers keep a point, tiny and huge values are scientific, and
    // what JSON cannot hold is null.
    const std::pair<float, const char*> cases[] = {
        {-166.0f, "-166.0"},
        {0.0f, "0.0"},
        {100000.0f, "100000.0"},
        {-164.5f, "-164.5"},
        {0.1f, "0.1"},
        {-158.3f, "-158.3"},
        {16777216.0f, "16777216.0"},
        {0.0001f, "0.0001"},
        {1e-7f, "1e-07"},
        {-2.5e-5f, "-2.5e-05"},
        {1e16f, "1e+16"},
        {std::numeric_limits<float>::max(), "3.4028235e+38"},
        {std::numeric_limits<float>::infinity(), "null"},
        {std::numeric_limits<float>::quiet_NaN(), "null"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.second, LoRaSim::RecordLine::shortestText(c.first)) << c.second;
    const float awkward = 0.3f + 0.6f;
    EXPECT_EQ(awkward, std::strtof(LoRaSim::RecordLine::shortestText(awkward).c_str(), nullptr));
}
