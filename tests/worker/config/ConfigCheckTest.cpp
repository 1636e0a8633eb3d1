//
// ConfigCheckTest.cpp
//
// lorawanserver --check-config through the real binary: one small
// configuration per finding, the plan after global and local files, the
// real-world configurations, and a check beside a running instance.
//

#include "ServiceSetup.h"
#include "TestSupport.h"
#include "worker/config/ConfigDocument.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <dirent.h>

using namespace TestSupport;
using LoRaWANServer::ConfigDocument;
using LoRaWANServer::ConfigValue;

namespace
{

const char* const GLOBAL = "global_conf.json";
const char* const LOCAL = "local_conf.json";
const int CLEAN = 0;
const int ERRORS = 1;
const int WARNINGS = 2;

/// EU868_CONFIGURATION with the first occurrence of each "from" replaced.
std::string edited(const std::vector<std::pair<std::string, std::string>>& edits)
{
    std::string text = EU868_CONFIGURATION;
    for (const auto& edit : edits)
    {
        const std::string::size_type at = text.find(edit.first);
        EXPECT_NE(std::string::npos, at) << edit.first;
        if (at != std::string::npos)
            text.replace(at, edit.first.size(), edit.second);
    }
    return text;
}

const std::string RADIO_0 = R"("radio_0": {"enable": true, "type": "SX1257", "freq": 867500000)";
const std::string RADIO_1 = R"("radio_1": {"enable": true, "type": "SX1257", "freq": 868500000)";
const std::string RSSI_0 = R"("freq": 867500000, "rssi_offset": -166.0)";
const std::string MULTI_SF_1 = R"("chan_multiSF_1": {"enable": true, "radio": 1, "if": -200000})";
const std::string LORA_STD =
    R"("chan_Lora_std": {"enable": true, "radio": 1, "if": -200000, "bandwidth": 250000)";
const std::string FSK =
    R"("chan_FSK": {"enable": true, "radio": 1, "if": 300000, "bandwidth": 125000, "datarate": 50000})";
const std::string BOARD = R"("lorawan_public": true,)";
const std::string GATEWAY = R"("gateway_ID": "AA555A0000000101")";

class ConfigCheckTest : public ::testing::Test
{
protected:
    std::unique_ptr<ChildProcess> check(const std::vector<std::string>& args = {},
                                        const std::map<std::string, std::string>& extra = {})
    {
        std::vector<std::string> all = {"--check-config"};
        all.insert(all.end(), args.begin(), args.end());
        auto pCheck = _setup.start(all, extra);
        EXPECT_TRUE(pCheck->waitForExit());
        return pCheck;
    }

    /// The check's JSON object, which lives as long as the fixture.
    ConfigValue checkJson()
    {
        auto pCheck = check({"--format", "json"});
        _pDocument = ConfigDocument::parseText(pCheck->out());
        EXPECT_TRUE(_pDocument) << pCheck->out();
        return _pDocument ? _pDocument->root() : ConfigValue();
    }

    ServiceSetup _setup;
    std::unique_ptr<ConfigDocument> _pDocument;
};

TEST_F(ConfigCheckTest, EachMistakeIsOneFindingWithItsSeverityPathAdviceAndStatus)
{
    const struct
    {
        std::vector<std::pair<std::string, std::string>> edits;
        std::string local;
        const char* severity;
        const char* file;
        std::string path;
        std::string says;
        int status;
    } cases[] = {
        // Members the service passes over in silence.
        {{{RADIO_0, R"("radio_0": {"enabled": true, "type": "SX1257", "freq": 867500000)"}},
         "",
         "warning",
         GLOBAL,
         "SX1301_conf.radio_0.enabled",
         R"(did you mean "enable"?)",
         ERRORS},
        {{{"\"freq\": 868500000", "\"Freq\": 868500000"}},
         "",
         "warning",
         GLOBAL,
         "SX1301_conf.radio_1.Freq",
         R"(did you mean "freq"?)",
         ERRORS},
        {{{"\"freq\": 868500000", "\"frequency\": 868500000"}},
         "",
         "error",
         GLOBAL,
         "SX1301_conf.radio_1.freq",
         "outside what an SX1257 can tune",
         ERRORS},
        {{{MULTI_SF_1, R"("chan_multiSF_1": {"enable": "true", "radio": 1, "if": -200000})"}},
         "",
         "warning",
         GLOBAL,
         "SX1301_conf.chan_multiSF_1.enable",
         "takes it as false, so chan_multiSF_1 is disabled",
         WARNINGS},
        {{{RSSI_0, R"("freq": 867500000, "rssi_offset": "-166")"}},
         "",
         "warning",
         GLOBAL,
         "SX1301_conf.radio_0.rssi_offset",
         "the service reads 0; write it without quotes",
         WARNINGS},
        {{{BOARD, R"("lorawan_public": "true",)"}},
         "",
         "warning",
         GLOBAL,
         "SX1301_conf.lorawan_public",
         "public LoRaWAN devices are not heard",
         WARNINGS},
        // What the concentrator would refuse, or could not hear.
        {{{MULTI_SF_1, R"("chan_multiSF_1": {"enable": true, "radio": 1, "if": -450000})"}},
         "",
         "error",
         GLOBAL,
         "SX1301_conf.chan_multiSF_1",
         "keep \"if\" within 400000 Hz",
         ERRORS},
        {{{LORA_STD, R"("chan_Lora_std": {"enable": true, "radio": 1, "if": -400000, "bandwidth": 500000)"}},
         "",
         "error",
         GLOBAL,
         "SX1301_conf.chan_Lora_std",
         "keep \"if\" within 300000 Hz",
         ERRORS},
        {{{RADIO_0, R"("radio_0": {"enable": false, "type": "SX1257", "freq": 867500000)"}},
         "",
         "error",
         GLOBAL,
         "SX1301_conf.chan_multiSF_3.radio",
         "radio 0, which is disabled",
         ERRORS},
        {{{RADIO_1, R"("radio_1": {"enable": true, "type": "SX1255", "freq": 868500000)"}},
         "",
         "error",
         GLOBAL,
         "SX1301_conf.radio_1.freq",
         "an SX1255 can tune (400 to 510 MHz)",
         ERRORS},
        {{{"\"clksrc\": 1", "\"clksrc\": 2"}},
         "",
         "error",
         GLOBAL,
         "SX1301_conf.clksrc",
         "clksrc 2 is not an enabled radio",
         ERRORS},
        {{}, "[1, 2]", "error", LOCAL, "", "its root is an array, not an object", ERRORS},
        {{},
         "{\"SX1301_conf\": {\n  \"radio_1\": {\"enable\": true,,}}}",
         "error",
         LOCAL,
         "",
         "line 2, column 30",
         ERRORS},
        // What makes it hear less, or twice.
        {{{MULTI_SF_1, R"("chan_multiSF_1": {"enable": true, "radio": 1, "if": -350000})"}},
         "",
         "warning",
         GLOBAL,
         "SX1301_conf.chan_multiSF_1",
         "overlaps chan_multiSF_0 (868.1 MHz)",
         WARNINGS},
        {{{R"("bandwidth": 250000, "spread_factor": 7)", R"("bandwidth": 125000, "spread_factor": 7)"}},
         "",
         "warning",
         GLOBAL,
         "SX1301_conf.chan_Lora_std",
         "has the modulation and bandwidth of chan_multiSF_1",
         WARNINGS},
        {{{RSSI_0, R"("freq": 867500000)"}},
         "",
         "warning",
         GLOBAL,
         "SX1301_conf.radio_0.rssi_offset",
         "160 dB too high",
         WARNINGS},
        {{{RSSI_0, R"("freq": 867500000, "rssi_offset": -16.6)"}},
         "",
         "warning",
         GLOBAL,
         "SX1301_conf.radio_0.rssi_offset",
         "outside -180 to -140 dB",
         WARNINGS},
        {{{BOARD, R"("lorawan_public": false,)"}},
         "",
         "warning",
         GLOBAL,
         "SX1301_conf.lorawan_public",
         "private sync word",
         WARNINGS},
        {{{FSK, R"("chan_FSK": {"enable": true, "radio": 1, "if": 300000, "bandwidth": 125000})"}},
         "",
         "warning",
         GLOBAL,
         "SX1301_conf.chan_FSK.datarate",
         "takes its default, 64000 bit/s",
         WARNINGS},
        {{{"\"freq\": 867500000", "\"freq\": 950000000"}},
         "",
         "warning",
         GLOBAL,
         "SX1301_conf.chan_multiSF_3",
         "outside every known regional band",
         WARNINGS},
        {{{GATEWAY, ""}},
         "",
         "warning",
         GLOBAL,
         "gateway_conf.gateway_ID",
         "no file sets gateway_ID",
         WARNINGS},
        {{{GATEWAY, R"("gateway_ID": "0000000000000000")"}},
         "",
         "warning",
         GLOBAL,
         "gateway_conf.gateway_ID",
         "all zeros",
         WARNINGS},
        {{{GATEWAY, R"("gateway_ID": "AA555A01")"}},
         "",
         "warning",
         GLOBAL,
         "gateway_conf.gateway_ID",
         "not 16 hexadecimal digits",
         WARNINGS},
        {{},
         R"({"SX1301_conf": {"lorawan_public": true, "clksrc": 1, "radio_1": {"enable": true, "type": "SX1257"}}})",
         "warning",
         LOCAL,
         "SX1301_conf.radio_1.rssi_offset",
         "which the global file sets to -166.0",
         ERRORS},
        {{},
         R"({"SX1301_conf": {"radio_1": {"enable": false}}})",
         "warning",
         LOCAL,
         "SX1301_conf.lorawan_public",
         "the local SX1301_conf replaces the board settings",
         ERRORS},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.path + ": " + c.says);
        _setup.writeConfig(GLOBAL, edited(c.edits));
        _setup.removeConfig(LOCAL);
        if (!c.local.empty())
            _setup.writeConfig(LOCAL, c.local);
        const auto pCheck = check();
        EXPECT_EQ(c.status, pCheck->exitStatus()) << pCheck->out();
        // One line per finding: "SEVERITY: FILE: PATH: MESSAGE".
        const std::string head = std::string(c.severity) + ": " + _setup.configPath(c.file) + ": " +
                                 (c.path.empty() ? "" : c.path + ": ");
        const std::vector<std::string> all = lines(pCheck->out());
        const auto line =
            std::find_if(all.begin(), all.end(),
                         [&](const std::string& text) { return text.compare(0, head.size(), head) == 0; });
        if (line == all.end())
            ADD_FAILURE() << pCheck->out();
        else
            EXPECT_NE(std::string::npos, line->find(c.says, head.size())) << *line;
    }
}

TEST_F(ConfigCheckTest, PlanShowsEachItemFromTheLastFileThatSetItAndNothingElse)
{
    _setup.writeConfig(LOCAL, R"({
        "SX1301_conf": {"lorawan_public": true, "clksrc": 1,
            "radio_1": {"enable": true, "type": "SX1257", "freq": 868500000, "rssi_offset": -164.5},
            "chan_FSK": {"enable": false}},
        "gateway_conf": {"gateway_ID": "B827EBFFFE6C2A01"}})");
    const ConfigValue plan = checkJson();
    const std::string global = _setup.configPath(GLOBAL);
    const std::string local = _setup.configPath(LOCAL);
    EXPECT_EQ(0, plan.member("status").number());
    EXPECT_EQ("EU868", *plan.member("region").string());
    EXPECT_EQ(local, *plan.at("board.file").string());
    EXPECT_EQ("B827EBFFFE6C2A01", *plan.at("gateway.id").string());
    EXPECT_EQ(local, *plan.at("gateway.file").string());
    EXPECT_EQ(global, *plan.at("radios.radio_0.file").string());
    EXPECT_EQ(local, *plan.at("radios.radio_1.file").string());
    EXPECT_EQ(-164.5, plan.at("radios.radio_1.rssi_offset").number());
    EXPECT_EQ(global, *plan.at("channels.chan_multiSF_0.file").string());
    EXPECT_EQ(868100000, plan.at("channels.chan_multiSF_0.freq_hz").number());
    EXPECT_EQ(local, *plan.at("channels.chan_FSK.file").string());
    EXPECT_FALSE(plan.at("channels.chan_FSK.enable").boolean());
    // The HAL's defaults fill in what the file leaves to it.
    EXPECT_EQ(125000, plan.at("channels.chan_multiSF_0.bandwidth_hz").number());
}

TEST_F(ConfigCheckTest, JsonReportStaysJsonWhateverTheFileNameHolds)
{
    // A folder name is bytes, not necessarily UTF-8, and may hold quotes.
    TempDir dir;
    const std::string base = dir.path() + "/\"odd\xd2\"";
    makeDirectories(base + "/lorawan");
    writeFile(base + "/lorawan/" + GLOBAL, "{\"SX1301_conf\": {\"radio_0\": 1}}");
    auto pCheck = check({"--format=json"}, {{"MIREL_RUN", base}});
    const std::unique_ptr<ConfigDocument> pReport = ConfigDocument::parseText(pCheck->out());
    ASSERT_TRUE(pReport) << pCheck->out();
    EXPECT_EQ(ERRORS, pReport->root().member("status").number());
    EXPECT_EQ(dir.path() + "/\"odd\xef\xbf\xbd\"", *pReport->root().member("base").string());
}

TEST_F(ConfigCheckTest, NoBaseFolderOrNoFileIsAnErrorThatSaysWhatToDo)
{
    auto pCheck = check({}, {{"MIREL_RUN", "<unset>"}});
    EXPECT_EQ(ERRORS, pCheck->exitStatus());
    EXPECT_NE(std::string::npos,
              pCheck->out().find("error: MIREL_RUN is not set; set MIREL_RUN to the folder that holds "
                                 "lorawan/global_conf.json"))
        << pCheck->out();
    _setup.removeConfig(GLOBAL);
    pCheck = check();
    EXPECT_EQ(ERRORS, pCheck->exitStatus());
    EXPECT_NE(std::string::npos, pCheck->out().find("error: failed to find any configuration file named " +
                                                    _setup.configPath(GLOBAL)))
        << pCheck->out();
}

TEST_F(ConfigCheckTest, ExamplesDrawNoFindingAndRealConfigurationsNoError)
{
    const std::string examples = std::string(LORAWAN_SOURCE_DIR) + "/examples/";
    for (const char* region : {"eu868", "us915"})
    {
        SCOPED_TRACE(region);
        auto pCheck = check({}, {{"MIREL_RUN", examples + region}});
        EXPECT_EQ(CLEAN, pCheck->exitStatus()) << pCheck->out();
    }
    // Gateway configurations from the field, where the project's shared data is at hand.
    const std::string folder = std::string(LORAWAN_SOURCE_DIR) + "/../shared/data/real-configs/";
    DIR* pDir = ::opendir(folder.c_str());
    if (!pDir)
        GTEST_SKIP() << "no real-world configurations in " << folder;
    int checked = 0;
    while (const dirent* pEntry = ::readdir(pDir))
    {
        const std::string name = pEntry->d_name;
        if (name.size() < 5 || name.compare(name.size() - 5, 5, ".json") != 0)
            continue;
        SCOPED_TRACE(name);
        _setup.writeConfig(GLOBAL, readFile(folder + name));
        auto pCheck = check();
        EXPECT_NE(ERRORS, pCheck->exitStatus()) << pCheck->out();
        EXPECT_EQ(std::string::npos, pCheck->out().find("Region: no known region")) << pCheck->out();
        ++checked;
    }
    ::closedir(pDir);
    EXPECT_EQ(10, checked);
}

TEST_F(ConfigCheckTest, CheckBesideARunningInstanceTouchesNeitherItNorTheConcentrator)
{
    FixedPathsLock lock;
    _setup.writeScenario("{\"batches\": [], \"record\": \"" + _setup.recordPath() + "\"}");
    auto pService = _setup.startAndWait();
    const std::string calls = readFile(_setup.recordPath());
    const std::string serviceOut = pService->out();

    auto pCheck = check();
    EXPECT_EQ(CLEAN, pCheck->exitStatus()) << pCheck->out();
    EXPECT_EQ("", pCheck->err());
    EXPECT_EQ(std::string::npos, pCheck->out().find("already running"));
    EXPECT_EQ(calls, readFile(_setup.recordPath()));
    EXPECT_FALSE(pService->waitForExit(Milliseconds(0)));
    EXPECT_EQ(serviceOut, pService->out());
}

} // namespace
