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
    ScratchFolder _folder;

    std::string write(const std::string& content) { return _folder.write("scenario.json", content); }

    // The message of the failure to load the scenario, or "" when it loads.
    std::string loadFailure(const std::string& content)
    {
        try
        {
            LoRaSim::loadScenario(write(content));
        }
        catch (const std::runtime_error& error)
        {
            return error.what();
        }
        return "";
    }
};

class BadScenarioFile : public ScenarioFile
{
};

// lgw_connect reading LORAGW_SIM, as in a process that never called reset().
class ScenarioVariable : public ScenarioFile
{
protected:
    void SetUp() override
    {
        ScenarioFile::SetUp();
        LoRaSim::resetToStartup();
    }

    void TearDown() override
    {
        unsetenv("LORAGW_SIM");
        ScenarioFile::TearDown();
    }
};

} // namespace

TEST_F(ScenarioFile, EveryMemberTogetherWithComments)
{
    const std::string recordPath = _folder.path("calls.jsonl");
    LoRaSim::loadScenario(write(R"({
        // results and refusals
        "connect": 0, "start": 0, "stop": 7,
        "refuse": {"board": false, "rxrf": [1], "rxif": [3, 9]},
        "receive_error_after": 100,
        /* two batches, then 2 generated packets */
        "batches": [[{"freq_hz": 868100000, "payload": "0102"}], {"after_ms": 0, "packets": []}],
        "generator": {"rate": 0, "seed": 1, "count": 2, "burst": 2, "crc_error_ratio": 0.1},
        "record": ")" + recordPath +
                                R"("
    })"));
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
    EXPECT_EQ(9u, readLines(recordPath).size());
    EXPECT_EQ(LoRaSim::recordedCalls(), readLines(recordPath));
}

TEST_F(ScenarioFile, RefusalsOfTheFileApply)
{
    LoRaSim::loadScenario(write(R"({"refuse": {"board": true, "rxrf": [0], "rxif": [8]}})"));
    ASSERT_EQ(LGW_REG_SUCCESS, lgw_connect("/dev/ttyACM0"));
    EXPECT_EQ(LGW_HAL_ERROR, lgw_board_setconf(lgw_conf_board_s{true, 1}));
    EXPECT_EQ(LGW_HAL_ERROR, lgw_rxrf_setconf(0, radio(true, RADIO_0_HZ)));
    EXPECT_EQ(LGW_HAL_SUCCESS, lgw_rxrf_setconf(1, radio(true, RADIO_1_HZ)));
    EXPECT_EQ(LGW_HAL_ERROR, lgw_rxif_setconf(8, channel(true, 1, 0)));
}

TEST_F(ScenarioFile, ResultsOfTheFileApply)
{
    LoRaSim::loadScenario(write(R"({"connect": -1})"));
    EXPECT_EQ(LGW_REG_ERROR, lgw_connect("/dev/ttyACM0"));
    LoRaSim::loadScenario(write(R"({"start": -1})"));
    connectAndConfigure(false);
    EXPECT_EQ(LGW_HAL_ERROR, lgw_start());
}

TEST_F(ScenarioFile, LoadingCountsReceiveCallsAfresh)
{
    connectAndConfigure();
    std::vector<lgw_pkt_rx_s> packets;
    receive(packets);
    receive(packets);
    LoRaSim::loadScenario(write(R"({"receive_error_after": 1})"));
    EXPECT_EQ(0u, LoRaSim::receiveCalls());
    EXPECT_EQ(0, receive(packets));
    EXPECT_EQ(LGW_HAL_ERROR, receive(packets));
}

TEST_F(ScenarioFile, EmptyObjectIsTheQuietScenario)
{
    LoRaSim::loadScenario(write("{}"));
    connectAndConfigure();
    std::vector<lgw_pkt_rx_s> packets;
    EXPECT_EQ(0, receive(packets));
    EXPECT_EQ(LGW_HAL_SUCCESS, lgw_stop());
}

TEST_F(BadScenarioFile, MissingFileNamesThePathAndTheReason)
{
    const std::string missing = _folder.path("nowhere.json");
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
}

TEST_F(BadScenarioFile, FolderCannotBeRead)
{
    EXPECT_THROW(LoRaSim::loadScenario(_folder.path("")), std::runtime_error);
}

TEST_F(BadScenarioFile, SyntaxErrorsAreReportedWithTheirPlace)
{
    EXPECT_NE(std::string::npos, loadFailure("").find("not valid JSON"));
    EXPECT_NE(std::string::npos, loadFailure("{\"connect\": }").find("line 1"));
    EXPECT_NE(std::string::npos, loadFailure("{\"connect\": 0,}").find("not valid JSON"));
    EXPECT_NE(std::string::npos, loadFailure("{} trailing").find("not valid JSON"));
}

TEST_F(BadScenarioFile, TopLevelMustBeAnObject)
{
    EXPECT_NE(std::string::npos, loadFailure("[]").find("not a JSON object"));
    EXPECT_NE(std::string::npos, loadFailure("42").find("not a JSON object"));
}

TEST_F(BadScenarioFile, MisspelledMembersAreNamed)
{
    EXPECT_NE(std::string::npos, loadFailure(R"({"batchs": []})").find("batchs: unknown member"));
    EXPECT_NE(std::string::npos, loadFailure(R"({"generator": {"rte": 1}})").find("generator.rte"));
    EXPECT_NE(std::string::npos, loadFailure(R"({"refuse": {"rxfr": []}})").find("refuse.rxfr"));
    EXPECT_NE(std::string::npos,
              loadFailure(R"({"batches": [[{"frequency": 1}]]})").find("batches[0][0].frequency"));
}

TEST_F(BadScenarioFile, ValuesOfTheWrongKindAreNamed)
{
    EXPECT_NE(std::string::npos, loadFailure(R"({"connect": "0"})").find("connect"));
    EXPECT_NE(std::string::npos, loadFailure(R"({"start": 0.5})").find("start: must be a whole number"));
    EXPECT_NE(std::string::npos, loadFailure(R"({"refuse": {"board": 1}})").find("refuse.board"));
    EXPECT_NE(std::string::npos, loadFailure(R"({"refuse": {"rxif": [256]}})").find("refuse.rxif[0]"));
    EXPECT_NE(std::string::npos, loadFailure(R"({"receive_error_after": -1})").find("receive_error_after"));
    EXPECT_NE(std::string::npos, loadFailure(R"({"batches": {}})").find("batches: must be an array"));
    EXPECT_NE(std::string::npos, loadFailure(R"({"batches": [7]})").find("batches[0]"));
    EXPECT_NE(std::string::npos, loadFailure(R"({"batches": [{"packets": []}]})").find("after_ms"));
    EXPECT_NE(std::string::npos, loadFailure(R"({"record": ""})").find("record"));
}

TEST_F(BadScenarioFile, PacketFieldsOutOfRangeAreNamed)
{
    EXPECT_NE(std::string::npos,
              loadFailure(R"({"batches": [[{"if_chain": 256}]]})").find("batches[0][0].if_chain"));
    EXPECT_NE(std::string::npos, loadFailure(R"({"batches": [[{"size": 65536}]]})").find("size"));
    EXPECT_NE(std::string::npos, loadFailure(R"({"batches": [[{"freq_hz": -1}]]})").find("freq_hz"));
    EXPECT_NE(std::string::npos, loadFailure(R"({"batches": [[{"rssi": "x"}]]})").find("rssi"));
    EXPECT_NE(std::string::npos, loadFailure(R"({"batches": [[{"snr": 1e39}]]})").find("snr"));
}

TEST_F(BadScenarioFile, PayloadMustBeHexOfAtMost256Bytes)
{
    EXPECT_NE(std::string::npos, loadFailure(R"({"batches": [[{"payload": "123"}]]})").find("odd number"));
    EXPECT_NE(std::string::npos,
              loadFailure(R"({"batches": [[{"payload": "zz"}]]})").find("not hexadecimal"));
    EXPECT_NE(
        std::string::npos,
        loadFailure(R"({"batches": [[{"payload": ")" + std::string(514, 'a') + R"("}]]})").find("257 bytes"));
    EXPECT_EQ("", loadFailure(R"({"batches": [[{"payload": ")" + std::string(512, 'A') + R"("}]]})"));
}

TEST_F(BadScenarioFile, GeneratorSettingsOutOfRangeAreNamed)
{
    EXPECT_NE(std::string::npos, loadFailure(R"({"generator": {"rate": -1}})").find("generator.rate"));
    EXPECT_NE(std::string::npos, loadFailure(R"({"generator": {"burst": 0}})").find("generator.burst"));
    EXPECT_NE(std::string::npos, loadFailure(R"({"generator": {"burst": 17}})").find("generator.burst"));
    EXPECT_NE(std::string::npos,
              loadFailure(R"({"generator": {"crc_error_ratio": 1.5}})").find("generator.crc_error_ratio"));
    EXPECT_NE(std::string::npos, loadFailure(R"({"generator": {"count": -3}})").find("generator.count"));
}

TEST_F(BadScenarioFile, FailedLoadChangesNothing)
{
    LoRaSim::setStartResult(5);
    EXPECT_NE("", loadFailure(R"({"start": 0, "connect": "x"})"));
    connectAndConfigure(false);
    EXPECT_EQ(5, lgw_start());
}

TEST_F(ScenarioVariable, ConnectReadsTheNamedFile)
{
    setenv("LORAGW_SIM", write(R"({"connect": 3})").c_str(), 1);
    EXPECT_EQ(3, lgw_connect("/dev/ttyACM0"));
}

TEST_F(ScenarioVariable, BadFileFailsTheConnectWithAMessageOnStandardError)
{
    const std::string path = write("{\"connect\": ");
    setenv("LORAGW_SIM", path.c_str(), 1);
    testing::internal::CaptureStderr();
    const int result = lgw_connect("/dev/ttyACM0");
    const std::string message = testing::internal::GetCapturedStderr();
    EXPECT_EQ(LGW_REG_ERROR, result);
    EXPECT_FALSE(LoRaSim::state().connected);
    EXPECT_NE(std::string::npos, message.find(path)) << message;
    EXPECT_NE(std::string::npos, message.find("not valid JSON")) << message;
}

TEST_F(ScenarioVariable, MissingFileFailsTheConnect)
{
    setenv("LORAGW_SIM", _folder.path("absent.json").c_str(), 1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(LGW_REG_ERROR, lgw_connect("/dev/ttyACM0"));
    EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find("absent.json"));
}

TEST_F(ScenarioVariable, EveryConnectReadsTheFileAgain)
{
    const std::string path = write(R"({"batches": [[{"payload": "01"}]]})");
    setenv("LORAGW_SIM", path.c_str(), 1);
    std::vector<lgw_pkt_rx_s> packets;
    for (int run = 0; run < 2; ++run)
    {
        connectAndConfigure();
        EXPECT_EQ(1, receive(packets));
        EXPECT_EQ(0, receive(packets));
        ASSERT_EQ(LGW_HAL_SUCCESS, lgw_stop());
    }
}

TEST_F(ScenarioVariable, ControlledModeIgnoresTheVariable)
{
    setenv("LORAGW_SIM", _folder.path("absent.json").c_str(), 1);
    LoRaSim::reset();
    EXPECT_EQ(LGW_REG_SUCCESS, lgw_connect("/dev/ttyACM0"));
}
