//
// ConfigDiscoveryTest.cpp
//
// Which configuration files the service reads, in which order, with which
// lines, and how it fails, through the real binary and the simulated
// concentrator's record of the calls it received.
//

#include "ServiceSetup.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

using namespace TestSupport;

namespace
{

const char* const GLOBAL = "global_conf.json";
const char* const LOCAL = "local_conf.json";
const char* const DEBUG = "debug_conf.json";
const int NOBODY = 65534;

/// Stdout lines without their time stamps, and only those of the discovery.
std::vector<std::string> discoveryLines(const ChildProcess& service)
{
    std::vector<std::string> found;
    for (const std::string& line : lines(service.out()))
    {
        if (line.find(" INFO: found ") != std::string::npos)
        {
            EXPECT_TRUE(hasTimeStamp(line)) << line;
            found.push_back(withoutTimeStamp(line));
        }
    }
    return found;
}

std::vector<std::string> matching(const std::vector<std::string>& all, const std::string& part)
{
    std::vector<std::string> found;
    for (const std::string& line : all)
    {
        if (line.find(part) != std::string::npos)
            found.push_back(line);
    }
    return found;
}

std::vector<std::string> parsedFiles(const ChildProcess& service)
{
    std::vector<std::string> files;
    for (const std::string& line : lines(service.err()))
    {
        const std::string::size_type tail = line.find(" does contain a JSON object named SX1301_conf");
        if (line.compare(0, 7, " INFO: ") == 0 && tail != std::string::npos)
            files.push_back(line.substr(7, tail - 7));
    }
    return files;
}

void expectOnlyTheGlobalFileRead(const ChildProcess& service, const std::string& path)
{
    EXPECT_EQ(
        (std::vector<std::string>{" INFO: found global configuration file " + path + ", trying to parse it"}),
        discoveryLines(service));
    EXPECT_EQ((std::vector<std::string>{path}), parsedFiles(service));
}

class ConfigDiscoveryTest : public ::testing::Test
{
protected:
    /// Runs the service until the concentrator has started (or the service
    /// has ended), then stops it.
    std::unique_ptr<ChildProcess> runOnce(const std::map<std::string, std::string>& extra = {})
    {
        auto pService = _setup.start({}, extra);
        waitFor(
            [&]
            {
                return pService->err().find("concentrator started") != std::string::npos ||
                       pService->out().find("shuts down") != std::string::npos ||
                       pService->waitForExit(Milliseconds(0));
            });
        pService->signal(SIGTERM);
        EXPECT_TRUE(pService->waitForExit());
        return pService;
    }

    std::string path(const char* name) const { return _setup.configPath(name); }

    FixedPathsLock _lock;
    ServiceSetup _setup;
};

TEST_F(ConfigDiscoveryTest, ReadableDebugFileAloneOrElseGlobalThenLocalFileIsRead)
{
    const std::string global =
        " INFO: found global configuration file " + path(GLOBAL) + ", trying to parse it";
    const std::string local = " INFO: found local configuration file " + path(LOCAL);
    const struct
    {
        std::vector<const char*> files;
        std::vector<std::string> announced;
        std::vector<std::string> parsed;
    } cases[] = {
        {{GLOBAL, LOCAL, DEBUG},
         {" INFO: found debug configuration file " + path(DEBUG) +
          ", other configuration files will be ignored"},
         {path(DEBUG)}},
        {{GLOBAL}, {global}, {path(GLOBAL)}},
        // After a global file the local one is announced with a blank before the comma.
        {{GLOBAL, LOCAL}, {global, local + " , trying to parse it"}, {path(GLOBAL), path(LOCAL)}},
        {{LOCAL}, {local + ", trying to parse it"}, {path(LOCAL)}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.parsed.back());
        for (const char* name : {GLOBAL, LOCAL, DEBUG})
            _setup.removeConfig(name);
        for (const char* name : c.files)
            _setup.writeConfig(name, EU868_CONFIGURATION);
        auto pService = runOnce();
        EXPECT_EQ(c.announced, discoveryLines(*pService));
        EXPECT_EQ(c.parsed, parsedFiles(*pService));
        // Standard error ends with the start, after the files' lines.
        const std::vector<std::string> err = lines(pService->err());
        ASSERT_FALSE(err.empty());
        const std::string& last = err.back();
        ASSERT_EQ(' ', last[0]);
        EXPECT_TRUE(hasTimeStamp(last.substr(1)));
        EXPECT_EQ(" INFO: concentrator started, packet can now be received",
                  withoutTimeStamp(last.substr(1)));
    }
}

TEST_F(ConfigDiscoveryTest, NoFileAtAllIsReportedNamingTheThreePathsFromTheRootWhenTheBaseIsEmpty)
{
    _setup.removeConfig(GLOBAL);
    for (const std::string& base : {_setup.baseDir(), std::string()})
    {
        SCOPED_TRACE("MIREL_RUN=" + base);
        auto pService = runOnce({{"MIREL_RUN", base}});
        const std::string text = " ERROR: failed to find any configuration file named " + base + "/lorawan/" +
                                 GLOBAL + ", " + base + "/lorawan/" + LOCAL + " or " + base + "/lorawan/" +
                                 DEBUG;
        const std::vector<std::string> err = lines(pService->err());
        ASSERT_EQ(1u, err.size()) << pService->err();
        EXPECT_TRUE(hasTimeStamp(err[0]));
        EXPECT_EQ(text, withoutTimeStamp(err[0]));
        // The exception carries the same text to the error handler.
        EXPECT_NE(std::string::npos, pService->out().find("Poco::FileExistsException"));
        EXPECT_NE(std::string::npos, pService->out().find(text));
        EXPECT_EQ(0, pService->exitStatus());
    }
}

TEST_F(ConfigDiscoveryTest, TrailingSlashInTheBaseIsKeptAsIsAndAnUnreadableDebugFileCountsAsAbsent)
{
    auto pService = runOnce({{"MIREL_RUN", _setup.baseDir() + "/"}});
    expectOnlyTheGlobalFileRead(*pService, _setup.baseDir() + "//lorawan/global_conf.json");

    _setup.writeConfig(DEBUG, EU868_CONFIGURATION);
    ::chmod(path(DEBUG).c_str(), 0);
    if (::geteuid() == 0)
        _setup.runAs(NOBODY); // root reads everything
    pService = runOnce();
    expectOnlyTheGlobalFileRead(*pService, path(GLOBAL));
}

TEST_F(ConfigDiscoveryTest, LocalSettingsReplaceGlobalOnesChainByChain)
{
    _setup.writeScenario("{\"batches\": [], \"record\": \"" + _setup.recordPath() + "\"}");
    _setup.writeConfig(LOCAL, R"({
        "SX1301_conf": {
            "radio_1": {"enable": true, "type": "SX1257", "freq": 869000000},
            "chan_FSK": {"enable": false}
        },
        "gateway_conf": {"gateway_ID": "0x0102030405060708"}
    })");
    auto pService = runOnce();
    const std::vector<std::string> calls = withoutCallTimes(lines(readFile(_setup.recordPath())));
    const std::vector<std::string> boards = matching(calls, "lgw_board_setconf");
    const std::vector<std::string> radio1 = matching(calls, R"("call":"lgw_rxrf_setconf","rf_chain":1,)");
    const std::vector<std::string> fsk = matching(calls, R"("call":"lgw_rxif_setconf","if_chain":9,)");
    ASSERT_EQ(2u, boards.size());
    EXPECT_EQ(R"({"call":"lgw_board_setconf","lorawan_public":true,"clksrc":1,"result":0})", boards[0]);
    // The local section replaces the board settings, missing keys included.
    EXPECT_EQ(R"({"call":"lgw_board_setconf","lorawan_public":false,"clksrc":0,"result":0})", boards[1]);
    ASSERT_EQ(2u, radio1.size());
    EXPECT_NE(std::string::npos, radio1[1].find(R"("freq_hz":869000000)"));
    ASSERT_EQ(2u, fsk.size());
    EXPECT_NE(std::string::npos, fsk[1].find(R"("enable":false)"));
    // Then the line of the empty receive calls and the stop.
    EXPECT_EQ(R"({"call":"lgw_start","result":0})", calls[calls.size() - 3]);
    EXPECT_EQ((std::vector<std::string>{" INFO: gateway MAC address is configured to AA555A0000000101",
                                        " INFO: gateway MAC address is configured to 0102030405060708"}),
              matching(lines(pService->err()), "gateway MAC address"));
}

TEST_F(ConfigDiscoveryTest, FileThatIsNotJsonOrIsADirectoryEndsTheProcessWithStatusOne)
{
    for (const bool directory : {false, true})
    {
        SCOPED_TRACE(directory ? "directory" : "file");
        _setup.removeConfig(GLOBAL);
        if (directory)
            makeDirectories(path(GLOBAL));
        else
            _setup.writeConfig(GLOBAL, "{ \"SX1301_conf\": ");
        auto pService = _setup.start();
        ASSERT_TRUE(pService->waitForExit());
        EXPECT_EQ(1, pService->exitStatus());
        EXPECT_FALSE(pService->exitedBySignal());
        EXPECT_EQ(" ERROR: " + path(GLOBAL) + " id not a valid JSON file\n", pService->err());
        // Everything written before the exit has reached its file.
        EXPECT_NE(std::string::npos, pService->out().find(" INFO: found global configuration file"));
        EXPECT_NE(std::string::npos, pService->out().find(" LoRaWAN server, version: 200105A starting"));
    }
    ::rmdir(path(GLOBAL).c_str());
}

} // namespace
