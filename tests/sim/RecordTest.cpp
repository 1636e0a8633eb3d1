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
    ScratchFolder _folder;

    std::string recordTo(const std::string& name)
    {
        const std::string recordPath = _folder.path(name);
        LoRaSim::loadScenario(_folder.write("scenario.json", "{\"record\": \"" + recordPath + "\"}"));
        return recordPath;
    }
};

class ShortestFloatText : public ::testing::Test
{
};

} // namespace

TEST_F(CallRecord, FileHoldsOneExactLinePerCall)
{
    const std::string recordPath = recordTo("calls.jsonl");
    LoRaSim::queueBatch({packet(868100000, 1, 1), packet(868100000, 1, 2), packet(868100000, 1, 3)});

    ASSERT_EQ(0, lgw_connect("/dev/ttyACM0"));
    lgw_board_setconf(lgw_conf_board_s{true, 1});
    lgw_rxrf_setconf(0, radio(true, 867500000));
    lgw_conf_rxif_s multiSf = channel(true, 1, -400000);
    lgw_rxif_setconf(0, multiSf);
    lgw_start();
    lgw_pkt_rx_s array[LGW_PKT_FIFO_SIZE];
    lgw_receive(LGW_PKT_FIFO_SIZE, array);
    lgw_receive(LGW_PKT_FIFO_SIZE, array); // returns 0: not recorded
    lgw_stop();

    const std::vector<std::string> expected = {
        R"({"call":"lgw_connect","com_path":"/dev/ttyACM0","result":0})",
        R"({"call":"lgw_board_setconf","lorawan_public":true,"clksrc":1,"result":0})",
        R"({"call":"lgw_rxrf_setconf","rf_chain":0,"enable":true,"freq_hz":867500000,"rssi_offset":-166.0,"type":2,"tx_enable":false,"result":0})",
        R"({"call":"lgw_rxif_setconf","if_chain":0,"enable":true,"rf_chain":1,"freq_hz":-400000,"bandwidth":0,"datarate":0,"result":0})",
        R"({"call":"lgw_start","result":0})",
        R"({"call":"lgw_receive","result":3})",
        R"({"call":"lgw_stop","result":0})",
    };
    EXPECT_EQ(expected, readLines(recordPath));
    EXPECT_EQ(expected, LoRaSim::recordedCalls());
}

TEST_F(CallRecord, RefusedCallsAreRecordedWithTheirFieldsAsHandedOver)
{
    ASSERT_EQ(0, lgw_connect("/dev/ttyACM0"));
    lgw_conf_rxrf_s disabled{};
    lgw_rxrf_setconf(1, disabled);
    lgw_rxif_setconf(8, channel(true, 0, 0, 9, 3));
    lgw_receive(0, nullptr);
    lgw_disconnect();
    const std::vector<std::string> expected = {
        R"({"call":"lgw_connect","com_path":"/dev/ttyACM0","result":0})",
        R"({"call":"lgw_rxrf_setconf","rf_chain":1,"enable":false,"freq_hz":0,"rssi_offset":0.0,"type":0,"tx_enable":false,"result":-1})",
        R"({"call":"lgw_rxif_setconf","if_chain":8,"enable":true,"rf_chain":0,"freq_hz":0,"bandwidth":9,"datarate":3,"result":-1})",
        R"({"call":"lgw_receive","result":-1})",
        R"({"call":"lgw_disconnect","result":0})",
    };
    EXPECT_EQ(expected, LoRaSim::recordedCalls());
}

TEST_F(CallRecord, ComPathIsEscapedAndAbsentPathIsNull)
{
    lgw_connect("/dev/tty\"x\\\n");
    lgw_connect(nullptr);
    const std::vector<std::string> expected = {
        R"({"call":"lgw_connect","com_path":"/dev/tty\"x\\\u000a","result":0})",
        R"({"call":"lgw_connect","com_path":null,"result":0})",
    };
    EXPECT_EQ(expected, LoRaSim::recordedCalls());
}

TEST_F(CallRecord, RecordFileIsAppendedTo)
{
    const std::string recordPath = _folder.write("calls.jsonl", "earlier line\n");
    LoRaSim::loadScenario(_folder.write("scenario.json", "{\"record\": \"" + recordPath + "\"}"));
    lgw_start();
    const std::vector<std::string> lines = readLines(recordPath);
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ("earlier line", lines[0]);
    EXPECT_EQ(R"({"call":"lgw_start","result":-1})", lines[1]);
}

TEST_F(CallRecord, UnwritableRecordFileMakesTheScenarioInvalid)
{
    const std::string scenario =
        _folder.write("scenario.json", "{\"record\": \"" + _folder.path("missing/calls.jsonl") + "\"}");
    EXPECT_THROW(LoRaSim::loadScenario(scenario), std::runtime_error);
}

TEST_F(ShortestFloatText, WholeNumbersKeepAPoint)
{
    EXPECT_EQ("-166.0", LoRaSim::RecordLine::shortestText(-166.0f));
    EXPECT_EQ("0.0", LoRaSim::RecordLine::shortestText(0.0f));
    EXPECT_EQ("100000.0", LoRaSim::RecordLine::shortestText(100000.0f));
}

TEST_F(ShortestFloatText, FractionsAreTheShortestThatReadBack)
{
    EXPECT_EQ("-164.5", LoRaSim::RecordLine::shortestText(-164.5f));
    EXPECT_EQ("0.1", LoRaSim::RecordLine::shortestText(0.1f));
    EXPECT_EQ("-158.3", LoRaSim::RecordLine::shortestText(-158.3f));
    EXPECT_EQ("16777216.0", LoRaSim::RecordLine::shortestText(16777216.0f));
    EXPECT_EQ("0.0001", LoRaSim::RecordLine::shortestText(0.0001f));
    const float awkward = 0.3f + 0.6f;
    EXPECT_EQ(awkward, std::strtof(LoRaSim::RecordLine::shortestText(awkward).c_str(), nullptr));
}

TEST_F(ShortestFloatText, TinyAndHugeValuesAreScientific)
{
    EXPECT_EQ("1e-07", LoRaSim::RecordLine::shortestText(1e-7f));
    EXPECT_EQ("-2.5e-05", LoRaSim::RecordLine::shortestText(-2.5e-5f));
    EXPECT_EQ("1e+16", LoRaSim::RecordLine::shortestText(1e16f));
    EXPECT_EQ("3.4028235e+38", LoRaSim::RecordLine::shortestText(std::numeric_limits<float>::max()));
}

TEST_F(ShortestFloatText, ValuesJsonCannotHoldAreNull)
{
    EXPECT_EQ("null", LoRaSim::RecordLine::shortestText(std::numeric_limits<float>::infinity()));
    EXPECT_EQ("null", LoRaSim::RecordLine::shortestText(std::numeric_limits<float>::quiet_NaN()));
}
