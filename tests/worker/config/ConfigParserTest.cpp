//
// ConfigParserTest.cpp
//
// From one configuration file to the concentrator's settings: the key table,
// the section rules and the gateway identifier, checked against what the
// simulated concentrator was handed.
//

#include "ServiceSetup.h"
#include "TestSupport.h"
#include "sim/SimControl.h"
#include "worker/WorkerThread.h"

#include <Poco/NotificationQueue.h>

#include <gtest/gtest.h>

#include <algorithm>

using TestSupport::lines;
using TestSupport::withoutCallTimes;

namespace
{

struct Parsed
{
    int result = 0;
    std::vector<std::string> err;
    Poco::UInt64 gatewayId = 0;
};

class ConfigParserTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        LoRaSim::reset();
        ASSERT_EQ(0, lgw_connect("/dev/ttyACM0"));
    }

    void TearDown() override { LoRaSim::reset(); }

    Parsed parse(const std::string& json, bool gatewaySection)
    {
        TestSupport::writeFile(path(), json);
        Parsed parsed;
        testing::internal::CaptureStderr();
        parsed.result = gatewaySection ? _worker.parse_gateway_configuration(path().c_str())
                                       : _worker.parse_SX1301_configuration(path().c_str());
        parsed.err = lines(testing::internal::GetCapturedStderr());
        parsed.gatewayId = _worker.gatewayId();
        return parsed;
    }

    Parsed parseSX1301(const std::string& json) { return parse(json, false); }

    Parsed parseGateway(const std::string& json) { return parse(json, true); }

    /// The lines of a file whose section holds just body.
    Parsed parseSection(const std::string& body) { return parseSX1301("{\"SX1301_conf\": {" + body + "}}"); }

    std::string path() const { return _dir.file("conf.json"); }

    TestSupport::TempDir _dir;
    Poco::NotificationQueue _queue;
    LoRaWANServer::WorkerThread _worker{&_queue};
};

bool contains(const std::vector<std::string>& haystack, const std::string& line)
{
    return std::find(haystack.begin(), haystack.end(), line) != haystack.end();
}

// ---- the board keys -------------------------------------------------------

TEST_F(ConfigParserTest, EmptySectionGivesBothWarningsOneBoardCallAndEveryNoConfigurationLine)
{
    const Parsed parsed = parseSection("");
    EXPECT_EQ(0, parsed.result);
    std::vector<std::string> expected = {
        " INFO: " + path() + " does contain a JSON object named SX1301_conf, parsing SX1301 parameters",
        " WARNING: Data type for lorawan_public seems wrong, please check",
        " WARNING: Data type for clksrc seems wrong, please check",
        " INFO: lorawan_public 0, clksrc 0",
        " INFO: no configuration for radio 0",
        " INFO: no configuration for radio 1",
    };
    for (int i = 0; i < LGW_MULTI_NB; ++i)
        expected.push_back(" INFO: no configuration for LoRa multi-SF channel " + std::to_string(i));
    expected.push_back(" INFO: no configuration for LoRa standard channel");
    expected.push_back(" INFO: no configuration for FSK channel");
    EXPECT_EQ(expected, parsed.err);
    const std::vector<std::string> calls = withoutCallTimes(LoRaSim::recordedCalls());
    ASSERT_EQ(2u, calls.size()); // the connect of the fixture and the board
    EXPECT_EQ(R"({"call":"lgw_board_setconf","lorawan_public":false,"clksrc":0,"result":0})", calls[1]);
}

TEST_F(ConfigParserTest, ClockSourceKeepsTheLowEightBitsOfItsWholePartAndOtherTypesCountAsZero)
{
    const struct
    {
        const char* clksrc;
        int expected;
    } cases[] = {{"1.9", 1}, {"257", 1}, {"true", 0}};
    for (const auto& c : cases)
    {
        const Parsed parsed = parseSection(std::string(R"("lorawan_public": true, "clksrc": )") + c.clksrc);
        EXPECT_TRUE(contains(parsed.err, " INFO: lorawan_public 1, clksrc " + std::to_string(c.expected)))
            << c.clksrc;
        EXPECT_EQ(c.expected, LoRaSim::state().board.clksrc) << c.clksrc;
        EXPECT_EQ(c.clksrc == std::string("true"),
                  contains(parsed.err, " WARNING: Data type for clksrc seems wrong, please check"));
    }
}

TEST_F(ConfigParserTest, RefusedBoardEndsTheFile)
{
    LoRaSim::refuseBoard(true);
    // A radio the concentrator would take shows whether the file went on.
    const Parsed parsed = parseSection(
        R"("lorawan_public": true, "clksrc": 1, "radio_0": {"enable": true, "type": "SX1257", "freq": 867500000})");
    EXPECT_EQ(-1, parsed.result);
    EXPECT_EQ(" ERROR: Failed to configure board", parsed.err.back());
    EXPECT_FALSE(LoRaSim::state().rxrfSet[0]);
}

// ---- the radios -------------------------------------------------------------

TEST_F(ConfigParserTest, RadioIsHandedOverWithEveryFieldConvertedAndSaturated)
{
    // An "enable" that is not a boolean disables the radio and zeroes the
    // whole record; frequencies and offsets out of range saturate.
    const struct
    {
        const char* radio;
        const char* line;
        const char* record;
    } cases[] = {
        {R"("enable": true, "type": "SX1257", "freq": 867500000, "rssi_offset": -166, "tx_enable": true)",
         " INFO: radio 0 enabled (type SX1257), center frequency 867500000, RSSI offset -166.000000, tx "
         "enabled 1",
         R"("enable":true,"freq_hz":867500000,"rssi_offset":-166.0,"type":2,"tx_enable":true,"result":0)"},
        {R"("enable": "true", "type": "SX1255", "freq": 867500000)", " INFO: radio 0 disabled",
         R"("enable":false,"freq_hz":0,"rssi_offset":0.0,"type":1,"tx_enable":false,"result":0)"},
        {R"("enable": true, "type": "SX1257", "freq": -867500000)", nullptr,
         R"("enable":true,"freq_hz":0,"rssi_offset":0.0,"type":2,"tx_enable":false,"result":0)"},
        {R"("enable": true, "type": "SX1257", "freq": 1e300, "rssi_offset": 1e300)", nullptr,
         R"("enable":true,"freq_hz":4294967295,"rssi_offset":3.4028235e+38,"type":2,"tx_enable":false,"result":0)"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.radio);
        const Parsed parsed = parseSection(std::string(R"("radio_0": {)") + c.radio + "}");
        if (c.line)
        {
            EXPECT_TRUE(contains(parsed.err, c.line));
        }
        EXPECT_TRUE(contains(withoutCallTimes(LoRaSim::recordedCalls()),
                             std::string(R"({"call":"lgw_rxrf_setconf","rf_chain":0,)") + c.record + "}"));
    }
}

TEST_F(ConfigParserTest, RadioTypeIsRecognisedByItsFirstSixCharactersAndOthersWarn)
{
    const struct
    {
        const char* type;
        lgw_radio_type_e expected;
        const char* shownAs; // in the warning, when the type is not recognised
    } cases[] = {{R"("SX1257-rev-B")", LGW_RADIO_TYPE_SX1257, nullptr},
                 {R"("SX1255")", LGW_RADIO_TYPE_SX1255, nullptr},
                 {R"("sx1257")", LGW_RADIO_TYPE_NONE, "sx1257"},
                 {"1257", LGW_RADIO_TYPE_NONE, "(none)"}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.type);
        const Parsed parsed = parseSection(
            std::string(R"("radio_1": {"enable": true, "freq": 868500000, "type": )") + c.type + "}");
        if (!c.shownAs)
        {
            EXPECT_EQ(c.expected, LoRaSim::state().rxrf[1].type);
        }
        else
        {
            EXPECT_NE(std::string::npos,
                      withoutCallTimes(LoRaSim::recordedCalls()).back().find(R"("type":0,)"));
            EXPECT_TRUE(contains(parsed.err, std::string(" WARNING: invalid radio type: ") + c.shownAs +
                                                 " (should be SX1255 or SX1257)"));
            EXPECT_TRUE(contains(parsed.err,
                                 std::string(" INFO: radio 1 enabled (type ") + c.shownAs +
                                     "), center frequency 868500000, RSSI offset 0.000000, tx enabled 0"));
            // The concentrator refuses the radio and the file ends there.
            EXPECT_EQ(" ERROR: invalid configuration for radio 1", parsed.err.back());
            EXPECT_EQ(-1, parsed.result);
        }
    }
}

TEST_F(ConfigParserTest, DisabledRadioIsTakenWithATypeAndTheChannelsOnTheOtherFollow)
{
    // Whatever the file says of a disabled radio, the concentrator gets a type
    // it takes: a refusal would end the file before any channel.
    const char* const types[] = {R"(, "type": "SX1257")", R"(, "type": "SX1255x")", R"(, "type": "SX9999")",
                                 R"(, "type": 1257)", ""};
    const int expected[] = {LGW_RADIO_TYPE_SX1257, LGW_RADIO_TYPE_SX1255, LGW_RADIO_TYPE_SX1257,
                            LGW_RADIO_TYPE_SX1257, LGW_RADIO_TYPE_SX1257};
    for (int i = 0; i < 5; ++i)
    {
        SCOPED_TRACE(types[i]);
        const Parsed parsed =
            parseSection(std::string(R"("lorawan_public": true, "clksrc": 1,)") +
                         R"("radio_0": {"enable": true, "type": "SX1257", "freq": 867500000},)" +
                         R"("radio_1": {"enable": false, "freq": 868500000)" + types[i] +
                         R"(}, "chan_multiSF_0": {"enable": true, "radio": 0, "if": -400000})");
        EXPECT_EQ(0, parsed.result);
        EXPECT_TRUE(contains(parsed.err, " INFO: radio 1 disabled"));
        for (const std::string& line : parsed.err)
            EXPECT_EQ(std::string::npos, line.find("WARNING")) << line;
        EXPECT_TRUE(contains(withoutCallTimes(LoRaSim::recordedCalls()),
                             R"({"call":"lgw_rxrf_setconf","rf_chain":1,"enable":false,"freq_hz":0,)"
                             R"("rssi_offset":0.0,"type":)" +
                                 std::to_string(expected[i]) + R"(,"tx_enable":false,"result":0})"));
        EXPECT_TRUE(LoRaSim::state().rxifSet[0]);
    }
}

TEST_F(ConfigParserTest, RadiosBeyondTheSecondAreNeverLookedUp)
{
    const Parsed parsed = parseSection(R"("radio_2": {"enable": true}, "chan_multiSF_8": {"enable": true})");
    for (const std::string& line : parsed.err)
    {
        EXPECT_EQ(std::string::npos, line.find("radio 2")) << line;
        EXPECT_EQ(std::string::npos, line.find("channel 8")) << line;
    }
}

// ---- the channels -----------------------------------------------------------

TEST_F(ConfigParserTest, MultiSFChannelHandsOverRadioAndOffsetOnly)
{
    const Parsed parsed = parseSection(R"("radio_0": {"enable": true, "type": "SX1257", "freq": 867500000},
        "chan_multiSF_3": {"enable": true, "radio": 256, "if": -400000.7, "bandwidth": 250000, "spread_factor": 9})");
    EXPECT_TRUE(contains(parsed.err,
                         " INFO: LoRa multi-SF channel 3 enabled, radio 0 selected, IF -400000 Hz, "
                         "125 kHz bandwidth, SF 7 to 12"));
    EXPECT_TRUE(
        contains(withoutCallTimes(LoRaSim::recordedCalls()),
                 R"({"call":"lgw_rxif_setconf","if_chain":3,"enable":true,"rf_chain":0,"freq_hz":-400000,)"
                 R"("bandwidth":0,"datarate":0,"result":0})"));
}

TEST_F(ConfigParserTest, LoraStandardChannelMapsOnlyExactBandwidthsAndSpreadingFactors)
{
    // The line shows the values of the file; what is not mapped is handed
    // over as 0.
    const struct
    {
        int hertz;
        int spreadingFactor;
        int bandwidth;
        int datarate;
    } cases[] = {{250000, 7, BW_250KHZ, DR_LORA_SF7},
                 {500000, 8, BW_500KHZ, DR_LORA_SF8},
                 {200000, 6, 0, 0},
                 {125000, 9, BW_125KHZ, DR_LORA_SF9},
                 {125000, 10, BW_125KHZ, DR_LORA_SF10},
                 {125000, 11, BW_125KHZ, DR_LORA_SF11},
                 {125000, 12, BW_125KHZ, DR_LORA_SF12}};
    for (const auto& c : cases)
    {
        const std::string hertz = std::to_string(c.hertz);
        const std::string sf = std::to_string(c.spreadingFactor);
        SCOPED_TRACE(hertz + " Hz, SF " + sf);
        const Parsed parsed = parseSection(
            R"("radio_1": {"enable": true, "type": "SX1257", "freq": 868500000}, "chan_Lora_std": {"enable": true,)"
            R"( "radio": 1, "if": -200000, "bandwidth": )" +
            hertz + R"(, "spread_factor": )" + sf + "}");
        EXPECT_TRUE(
            contains(parsed.err, " INFO: LoRa standard channel enabled, radio 1 selected, IF -200000 Hz, " +
                                     hertz + " Hz bandwidth, SF " + sf));
        EXPECT_TRUE(contains(withoutCallTimes(LoRaSim::recordedCalls()),
                             R"({"call":"lgw_rxif_setconf","if_chain":8,"enable":true,"rf_chain":1,)"
                             R"("freq_hz":-200000,"bandwidth":)" +
                                 std::to_string(c.bandwidth) + R"(,"datarate":)" +
                                 std::to_string(c.datarate) + R"(,"result":0})"));
    }
}

TEST_F(ConfigParserTest, FskBandwidthTakesTheFirstBoundItDoesNotExceed)
{
    const std::string radio = R"("radio_1": {"enable": true, "type": "SX1257", "freq": 868500000}, )";
    const std::vector<std::pair<unsigned, int>> cases = {{7800, 7},   {7801, 6},   {15600, 6},
                                                         {31200, 5},  {62500, 4},  {125000, 3},
                                                         {250000, 2}, {500000, 1}, {500001, 0}};
    for (const auto& entry : cases)
    {
        const std::string hertz = std::to_string(entry.first);
        const Parsed parsed = parseSection(radio +
                                           R"("chan_FSK": {"enable": true, "radio": 1, "if": 300000, )"
                                           R"("bandwidth": )" +
                                           hertz + R"(, "datarate": 50000})");
        EXPECT_TRUE(contains(parsed.err, " INFO: FSK channel enabled, radio 1 selected, IF 300000 Hz, " +
                                             hertz + " Hz bandwidth, 50000 bps datarate"));
        EXPECT_TRUE(contains(withoutCallTimes(LoRaSim::recordedCalls()),
                             R"({"call":"lgw_rxif_setconf","if_chain":9,"enable":true,)"
                             R"("rf_chain":1,"freq_hz":300000,"bandwidth":)" +
                                 std::to_string(entry.second) + R"(,"datarate":50000,"result":0})"))
            << hertz;
    }
}

TEST_F(ConfigParserTest, DisabledChannelsNameTheirChainNumberAndARefusedOneStopsTheFile)
{
    const std::string section = R"("chan_multiSF_2": {"enable": false}, "chan_Lora_std": {},
                                   "chan_FSK": {"enable": 1})";
    const Parsed parsed = parseSection(section);
    EXPECT_TRUE(contains(parsed.err, " INFO: LoRa multi-SF channel 2 disabled"));
    EXPECT_TRUE(contains(parsed.err, " INFO: LoRa standard channel 8 disabled"));
    EXPECT_TRUE(contains(parsed.err, " INFO: FSK channel 9 disabled"));
    EXPECT_EQ(0, parsed.result);

    const std::pair<std::uint8_t, const char*> cases[] = {
        {2, "Lora multi-SF channel 2"}, {8, "Lora standard channel"}, {9, "FSK channel"}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.second);
        LoRaSim::reset();
        ASSERT_EQ(0, lgw_connect("/dev/ttyACM0"));
        LoRaSim::refuseRxif(c.first);
        const Parsed refused = parseSection(section);
        EXPECT_EQ(-1, refused.result);
        EXPECT_EQ(std::string(" ERROR: invalid configuration for ") + c.second, refused.err.back());
        if (c.first == 8)
        {
            EXPECT_FALSE(LoRaSim::state().rxifSet[9]);
        }
    }
}

TEST_F(ConfigParserTest, FullConfigurationHandsBothRadiosAndAllTenChainsTheirOwnSettings)
{
    ASSERT_EQ(0, parseSX1301(TestSupport::EU868_CONFIGURATION).result);
    std::vector<std::string> settings;
    for (const std::string& call : withoutCallTimes(LoRaSim::recordedCalls()))
    {
        if (call.find("_setconf\"") != std::string::npos)
            settings.push_back(call);
    }
    const auto radio = [](int rfChain, const char* freqHz, bool txEnable)
    {
        return R"({"call":"lgw_rxrf_setconf","rf_chain":)" + std::to_string(rfChain) +
               R"(,"enable":true,"freq_hz":)" + freqHz + R"(,"rssi_offset":-166.0,"type":)" +
               std::to_string(LGW_RADIO_TYPE_SX1257) + R"(,"tx_enable":)" + (txEnable ? "true" : "false") +
               R"(,"result":0})";
    };
    const auto chain = [](int ifChain, int rfChain, int ifHz, int bandwidth, int datarate)
    {
        return R"({"call":"lgw_rxif_setconf","if_chain":)" + std::to_string(ifChain) +
               R"(,"enable":true,"rf_chain":)" + std::to_string(rfChain) + R"(,"freq_hz":)" +
               std::to_string(ifHz) + R"(,"bandwidth":)" + std::to_string(bandwidth) + R"(,"datarate":)" +
               std::to_string(datarate) + R"(,"result":0})";
    };
    // Multi-SF chains get their radio and offset only; bandwidth and data rate stay 0.
    const std::vector<std::string> expected = {
        R"({"call":"lgw_board_setconf","lorawan_public":true,"clksrc":1,"result":0})",
        radio(0, "867500000", true),
        radio(1, "868500000", false),
        chain(0, 1, -400000, 0, 0),
        chain(1, 1, -200000, 0, 0),
        chain(2, 1, 0, 0, 0),
        chain(3, 0, -400000, 0, 0),
        chain(4, 0, -200000, 0, 0),
        chain(5, 0, 0, 0, 0),
        chain(6, 0, 200000, 0, 0),
        chain(7, 0, 400000, 0, 0),
        chain(8, 1, -200000, BW_250KHZ, DR_LORA_SF7),
        chain(9, 1, 300000, BW_125KHZ, 50000),
    };
    EXPECT_EQ(expected, settings);
}

// ---- sections and files -------------------------------------------------------

TEST_F(ConfigParserTest, MissingSectionOrOneThatIsNotAnObjectIsReportedAndChangesNothing)
{
    const Parsed noRadio = parseSX1301(R"({"gateway_conf": {"gateway_ID": "1"}})");
    EXPECT_EQ(-1, noRadio.result);
    EXPECT_EQ(
        (std::vector<std::string>{" INFO: " + path() + " does not contain a JSON object named SX1301_conf"}),
        noRadio.err);
    EXPECT_FALSE(LoRaSim::state().boardSet);
    const Parsed noGateway = parseGateway(R"({"SX1301_conf": {}})");
    EXPECT_EQ(-1, noGateway.result);
    EXPECT_EQ(
        (std::vector<std::string>{" INFO: " + path() + " does not contain a JSON object named gateway_conf"}),
        noGateway.err);
    EXPECT_EQ(-1, parseSX1301(R"({"SX1301_conf": [1, 2]})").result);
    EXPECT_EQ(-1, parseGateway(R"({"gateway_conf": "AA555A0000000000"})").result);
}

// ---- the gateway identifier ----------------------------------------------------

TEST_F(ConfigParserTest, GatewayIdIsReadAsHexadecimalAndPrintedInUpperCase)
{
    const Parsed parsed = parseGateway(R"({"gateway_conf": {"gateway_ID": "aa555a0000000101"}})");
    EXPECT_EQ(0, parsed.result);
    EXPECT_EQ(0xAA555A0000000101ull, parsed.gatewayId);
    EXPECT_EQ(
        (std::vector<std::string>{
            " INFO: " + path() + " does contain a JSON object named gateway_conf, parsing gateway parameters",
            " INFO: gateway MAC address is configured to AA555A0000000101"}),
        parsed.err);

    // Leading blanks and a 0x prefix are skipped, reading stops at the first
    // other character, and too many digits saturate.
    const std::pair<const char*, Poco::UInt64> cases[] = {{"0x1234", 0x1234u},
                                                          {"  ABzz", 0xABu},
                                                          {"12", 0x12u},
                                                          {"xyz", 0u},
                                                          {"1FFFFFFFFFFFFFFFF", 0xFFFFFFFFFFFFFFFFull}};
    for (const auto& c : cases)
    {
        parseGateway(R"({"gateway_conf": {"gateway_ID": "77"}})");
        const Parsed other =
            parseGateway(std::string(R"({"gateway_conf": {"gateway_ID": ")") + c.first + "\"}}");
        EXPECT_EQ(c.second, other.gatewayId) << c.first;
        char shown[17];
        std::snprintf(shown, sizeof shown, "%016llX", static_cast<unsigned long long>(c.second));
        EXPECT_EQ(std::string(" INFO: gateway MAC address is configured to ") + shown, other.err.back());
    }

    // An identifier that is not a string, or none, leaves the last one alone.
    for (const char* section : {R"({"gateway_ID": 1234})", "{}"})
    {
        parseGateway(R"({"gateway_conf": {"gateway_ID": "77"}})");
        const Parsed kept = parseGateway(std::string(R"({"gateway_conf": )") + section + "}");
        EXPECT_EQ(0, kept.result) << section;
        EXPECT_EQ(0x77u, kept.gatewayId) << section;
        EXPECT_EQ(1u, kept.err.size()) << section;
    }
}

} // namespace
