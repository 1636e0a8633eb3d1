//
// ScenarioTest.cpp
//
// Scenario files: what each member does, and what a bad file does.
//

#include "SimTestSupport.h"

#include <cstdlib>

using namespace SimTests;

namespace
{

class ScenarioFile : public SimTest
{
protected:
    // The message of the failure to load the scenario, or "" when it loads.
    std::string loadFailure(const std::string& content)
    {
        try
        {
            loadScenario(content);
        }
        catch (const std::runtime_error& error)
        {
            return error.what();
        }
        return "";
    }
};

using BadScenarioFile = ScenarioFile;

// lgw_connect reading LORAGW_SIM, as in a process that never called reset().
class ScenarioVariable : public SimTest
{
protected:
    void SetUp() override
    {
        SimTest::SetUp();
        LoRaSim::resetToStartup();
    }

    void TearDown() override
    {
        unsetenv("LORAGW_SIM");
        SimTest::TearDown();
    }

    // Connects with LORAGW_SIM naming path and returns what it wrote on
    // standard error.
    std::string connectWith(const std::string& path, int expectedResult)
    {
        setenv("LORAGW_SIM", path.c_str(), 1);
        testing::internal::CaptureStderr();
        EXPECT_EQ(expectedResult, lgw_connect("/dev/ttyACM0"));
        return testing::internal::GetCapturedStderr();
    }
};

} // namespace

TEST_F(ScenarioFile, EveryMemberTogetherWithComments)
{
    const std::string recordPath = _dir.file("calls.jsonl");
    loadScenario(R"({
        // results and refusals
        "connect": 0, "start": 0, "stop": 7,
        "refuse": {"board": false, "rxrf": [1], "rxif": [3, 9]},
        "receive_error_after": 100, "receive_results": [{"call": 50, "result": 17}],
        "stall_after_ms": 3600000, "unplug_after_ms": 3600000,
        /* two batches, then 2 generated packets */
        "batches": [[{"freq_hz": 868100000, "payload": "0102"}], {"after_ms": 0, "packets": []}],
        "generator": {"rate": 0, "seed": 1, "count": 2, "burst": 2, "crc_error_ratio": 0.1, "noise_dbm": {"0": -100}},
        "buffer_bytes": 512,
        "record": ")" +
                 recordPath +
                 R"("
    })");
    ASSERT_EQ(LGW_REG_SUCCESS, lgw_connect("/dev/ttyACM0"));
    EXPECT_EQ(LGW_HAL_SUCCESS, lgw_rxrf_setconf(0, radio(true, RADIO_0_HZ)));
    EXPECT_EQ(LGW_HAL_ERROR, lgw_rxrf_setconf(1, radio(true, RADIO_1_HZ)));
    EXPECT_EQ(LGW_HAL_SUCCESS, lgw_rxif_setconf(0, channel(true, 0, 0)));
    EXPECT_EQ(LGW_HAL_ERROR, lgw_rxif_setconf(3, channel(true, 0, 0)));
    EXPECT_EQ(LGW_HAL_SUCCESS, lgw_start());
    std::vector<lgw_pkt_rx_s> packets;
    EXPECT_EQ(1, receive(packets));
    EXPECT_EQ(0, receive(packets));
    EXPECT_EQ(2, receive(packets));
    EXPECT_EQ(0, receive(packets));
    EXPECT_EQ(7, lgw_stop());
    const std::vector<std::string> recorded = TestSupport::lines(TestSupport::readFile(recordPath));
    EXPECT_EQ(11u, recorded.size()); // each receive call that returned 0 is a run of one
    EXPECT_EQ(LoRaSim::recordedCalls(), recorded);
}

TEST_F(ScenarioFile, RefusalsAndResultsOfTheFileApplyUntilTheNextLoad)
{
    loadScenario(R"({"refuse": {"board": true, "rxrf": [0], "rxif": [8]}, "connect": 2, "start": -1})");
    ASSERT_EQ(2, lgw_connect("/dev/ttyACM0"));
    EXPECT_EQ(LGW_HAL_ERROR, lgw_board_setconf(lgw_conf_board_s{true, 1}));
    EXPECT_EQ(LGW_HAL_ERROR, lgw_rxrf_setconf(0, radio(true, RADIO_0_HZ)));
    EXPECT_EQ(LGW_HAL_SUCCESS, lgw_rxrf_setconf(1, radio(true, RADIO_1_HZ)));
    EXPECT_EQ(LGW_HAL_ERROR, lgw_rxif_setconf(8, channel(true, 1, 0)));
    EXPECT_EQ(LGW_HAL_ERROR, lgw_start());
    loadScenario(R"({"connect": -1})");
    EXPECT_EQ(LGW_REG_ERROR, lgw_connect("/dev/ttyACM0"));
    // The empty object is the quiet scenario: nothing refused, nothing received.
    loadScenario("{}");
    connectAndConfigure();
    std::vector<lgw_pkt_rx_s> packets;
    EXPECT_EQ(0, receive(packets));
    EXPECT_EQ(LGW_HAL_SUCCESS, lgw_stop());
}

TEST_F(ScenarioFile, ReceiveFailsForGoodFromTheCallAfterTheLimitCountedFromTheLoad)
{
    connectAndConfigure();
    std::vector<lgw_pkt_rx_s> packets;
    receive(packets);
    receive(packets);
    loadScenario(R"({"receive_error_after": 1})");
    EXPECT_EQ(0u, LoRaSim::receiveCalls());
    EXPECT_EQ(0, receive(packets));
    EXPECT_EQ(LGW_HAL_ERROR, receive(packets));
    EXPECT_EQ(LGW_HAL_ERROR, receive(packets));
}

TEST_F(ScenarioFile, ReceiveResultsAreReturnedAtTheirCallsTakingNoMoreThanMaxPkt)
{
    std::string sixteen;
    for (int i = 0; i < LGW_PKT_FIFO_SIZE; ++i)
    {
        char packet[32];
        std::snprintf(packet, sizeof packet, "%s{\"payload\": \"%02x\"}", i > 0 ? "," : "", i);
        sixteen += packet;
    }
    loadScenario(R"({"receive_results": [{"call": 2, "result": 17}, {"call": 3, "result": -2},
                                         {"call": 5, "result": 2}, {"call": 6, "result": 0}],
                     "batches": [[{"payload": "aa"}], [)" +
                 sixteen +
                 R"(], [{"payload": "bb"}], [{"payload": "cc"}, {"payload": "dd"}, {"payload": "ee"}]]})");
    connectAndConfigure();
    lgw_pkt_rx_s array[LGW_PKT_FIFO_SIZE + 1];
    std::vector<lgw_pkt_rx_s> packets;
    EXPECT_EQ(1, receive(packets));
    // 17 fills the sixteen records the array holds and not one more.
    array[LGW_PKT_FIFO_SIZE].size = 999;
    EXPECT_EQ(17, lgw_receive(LGW_PKT_FIFO_SIZE, array));
    EXPECT_EQ(LGW_PKT_FIFO_SIZE - 1, array[LGW_PKT_FIFO_SIZE - 1].payload[0]);
    EXPECT_EQ(999, array[LGW_PKT_FIFO_SIZE].size);
    // A negative result takes nothing: the next call has the packet.
    EXPECT_EQ(-2, receive(packets));
    EXPECT_EQ(1, receive(packets));
    EXPECT_EQ(0xBB, packets[0].payload[0]);
    EXPECT_EQ(2, receive(packets));
    EXPECT_EQ(0, receive(packets));
    EXPECT_EQ(1, receive(packets));
    EXPECT_EQ(0xEE, packets[0].payload[0]);
    const std::vector<std::string> expected = {
        R"({"call":"lgw_receive","result":1})",  R"({"call":"lgw_receive","result":17})",
        R"({"call":"lgw_receive","result":-2})", R"({"call":"lgw_receive","result":1})",
        R"({"call":"lgw_receive","result":2})",
    };
    // The call that returned 0 is the run line before the last.
    const std::vector<std::string> recorded = TestSupport::withoutCallTimes(LoRaSim::recordedCalls());
    ASSERT_GE(recorded.size(), 7u);
    EXPECT_EQ(expected, std::vector<std::string>(recorded.end() - 7, recorded.end() - 2));
    EXPECT_EQ(0u, recorded[recorded.size() - 2].find(R"({"call":"lgw_receive","calls":1,)"));
    EXPECT_EQ(R"({"call":"lgw_receive","result":1})", recorded.back());
}

TEST_F(BadScenarioFile, MissingFileOrFolderIsRefusedNamingThePathAndTheReason)
{
    const std::string missing = _dir.file("nowhere.json");
    try
    {
        LoRaSim::loadScenario(missing);
        FAIL() << "a missing file was accepted";
    }
    catch (const std::runtime_error& error)
    {
        EXPECT_NE(std::string::npos, std::string(error.what()).find(missing));
        EXPECT_NE(std::string::npos, std::string(error.what()).find("No such file"));
    }
    EXPECT_THROW(LoRaSim::loadScenario(_dir.path()), std::runtime_error);
}

TEST_F(BadScenarioFile, EveryFaultIsRefusedNamingItsPlace)
{
    const std::pair<std::string, const char*> cases[] = {
        // syntax, and a top level that is not an object
        {"", "not valid JSON"},
        {R"({"connect": })", "line 1"},
        {R"({"connect": 0,})", "not valid JSON"},
        {"{} trailing", "not valid JSON"},
        {"[]", "not a JSON object"},
        {"42", "not a JSON object"},
        // misspelled members
        {R"({"batchs": []})", "batchs: unknown member"},
        {R"({"generator": {"rte": 1}})", "generator.rte"},
        {R"({"refuse": {"rxfr": []}})", "refuse.rxfr"},
        {R"({"batches": [[{"frequency": 1}]]})", "batches[0][0].frequency"},
        // values of the wrong kind
        {R"({"connect": "0"})", "connect"},
        {R"({"start": 0.5})", "start: must be a whole number"},
        {R"({"refuse": {"board": 1}})", "refuse.board"},
        {R"({"refuse": {"rxif": [256]}})", "refuse.rxif[0]"},
        {R"({"receive_error_after": -1})", "receive_error_after"},
        {R"({"receive_results": {}})", "receive_results: must be an array"},
        {R"({"receive_results": [{"call": 0, "result": 17}]})", "receive_results[0].call"},
        {R"({"receive_results": [{"call": 1}]})", "receive_results[0].result: is missing"},
        {R"({"receive_results": [{"call": 1, "result": 1}, {"call": 1, "result": 2}]})", "a second time"},
        {R"({"stall_after_ms": -1})", "stall_after_ms"},
        {R"({"unplug_after_ms": "1"})", "unplug_after_ms"},
        {R"({"batches": {}})", "batches: must be an array"},
        {R"({"batches": [7]})", "batches[0]"},
        {R"({"batches": [{"packets": []}]})", "after_ms"},
        {R"({"record": ""})", "record"},
        {R"({"buffer_bytes": -1})", "buffer_bytes: must lie between 0 and"},
        // packet fields out of range
        {R"({"batches": [[{"if_chain": 256}]]})", "batches[0][0].if_chain"},
        {R"({"batches": [[{"size": 65536}]]})", "size"},
        {R"({"batches": [[{"freq_hz": -1}]]})", "freq_hz"},
        {R"({"batches": [[{"rssi": "x"}]]})", "rssi"},
        {R"({"batches": [[{"snr": 1e39}]]})", "snr"},
        // payloads: hexadecimal, at most 256 bytes
        {R"({"batches": [[{"payload": "123"}]]})", "odd number"},
        {R"({"batches": [[{"payload": "zz"}]]})", "not hexadecimal"},
        {R"({"batches": [[{"payload": ")" + std::string(514, 'a') + R"("}]]})", "257 bytes"},
        // generator settings out of range
        {R"({"generator": {"rate": -1}})", "generator.rate"},
        {R"({"generator": {"burst": 0}})", "generator.burst"},
        {R"({"generator": {"burst": 17}})", "generator.burst"},
        {R"({"generator": {"crc_error_ratio": 1.5}})", "generator.crc_error_ratio"},
        {R"({"generator": {"count": -3}})", "generator.count"},
        {R"({"generator": {"payload_bytes": 11}})", "generator.payload_bytes"},
        {R"({"generator": {"payload_bytes": 256}})", "generator.payload_bytes"},
        {R"({"generator": {"noise_dbm": 3}})", "generator.noise_dbm: must be between -180 and 0 dBm"},
        {R"({"generator": {"noise_dbm": "-117"}})", "generator.noise_dbm: must be a level"},
        {R"({"generator": {"noise_dbm": {"10": -117}}})", "generator.noise_dbm.10: is not an IF chain"},
        {R"({"generator": {"noise_dbm": {"3": -190}}})", "generator.noise_dbm.3: must be between"},
    };
    for (const auto& c : cases)
    {
        const std::string failure = loadFailure(c.first);
        EXPECT_NE(std::string::npos, failure.find(c.second)) << c.first << " gave: " << failure;
    }
    EXPECT_EQ("", loadFailure(R"({"batches": [[{"payload": ")" + std::string(512, 'A') + R"("}]]})"));
}

TEST_F(BadScenarioFile, FailedLoadChangesNothing)
{
    LoRaSim::setStartResult(5);
    EXPECT_NE("", loadFailure(R"({"start": 0, "connect": "x"})"));
    connectAndConfigure(false);
    EXPECT_EQ(5, lgw_start());
}

TEST_F(ScenarioVariable, EveryConnectReadsTheNamedFileAgain)
{
    setenv("LORAGW_SIM", writeScenario(R"({"connect": 3})").c_str(), 1);
    EXPECT_EQ(3, lgw_connect("/dev/ttyACM0"));
    writeScenario(R"({"batches": [[{"payload": "01"}]]})");
    std::vector<lgw_pkt_rx_s> packets;
    for (int run = 0; run < 2; ++run)
    {
        connectAndConfigure();
        EXPECT_EQ(1, receive(packets));
        EXPECT_EQ(0, receive(packets));
        ASSERT_EQ(LGW_HAL_SUCCESS, lgw_stop());
    }
}

TEST_F(ScenarioVariable, BadOrMissingFileFailsTheConnectWithAMessageUnlessInControlledMode)
{
    const std::string path = writeScenario("{\"connect\": ");
    const std::string message = connectWith(path, LGW_REG_ERROR);
    EXPECT_FALSE(LoRaSim::state().connected);
    EXPECT_NE(std::string::npos, message.find(path)) << message;
    EXPECT_NE(std::string::npos, message.find("not valid JSON")) << message;
    EXPECT_NE(std::string::npos, connectWith(_dir.file("absent.json"), LGW_REG_ERROR).find("absent.json"));
    // Controlled mode ignores the variable, still naming the absent file.
    LoRaSim::reset();
    EXPECT_EQ(LGW_REG_SUCCESS, lgw_connect("/dev/ttyACM0"));
}
