//
// DaemonModeTest.cpp
//
// The service as a daemon: its standard streams go to the log file, which is
// appended to and never truncated.
//

#include "Isolation.h"
#include "ReliabilityTestSupport.h"
#include "ServiceSetup.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using namespace TestSupport;

namespace
{

const std::string LOG_FILE = std::string(LOG_DIRECTORY) + "/lorawanserver.log";

/// The daemon is not our child: once it has ended it may linger as a zombie
/// until init reaps it.
bool processAlive(pid_t pid)
{
    const std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
    const std::string::size_type close = stat.rfind(')');
    return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] != 'Z';
}

bool isTheService(pid_t pid)
{
    return readFile("/proc/" + std::to_string(pid) + "/cmdline").find("lorawanserver") != std::string::npos;
}

std::string linkTarget(const std::string& path)
{
    char target[4096];
    const ssize_t length = ::readlink(path.c_str(), target, sizeof(target) - 1);
    return length < 0 ? std::string() : std::string(target, static_cast<std::size_t>(length));
}

class DaemonModeTest : public ::testing::Test
/// Every daemon writes a pidfile, by which the tear-down ends it, whatever
/// the test found. Where the log folder is not the program's own, whatever a
/// real installation has there is moved aside and put back afterwards.
{
protected:
    void SetUp() override
    {
        if (!std::filesystem::exists(LOG_DIRECTORY))
        {
            makeDirectories(LOG_DIRECTORY);
            _createdDirectory = true;
        }
        if (!std::filesystem::exists(LOG_DIRECTORY))
            GTEST_SKIP() << "cannot create " << LOG_DIRECTORY;
        if (std::filesystem::exists(LOG_FILE))
        {
            _savedLog = LOG_FILE + ".saved-by-test";
            std::rename(LOG_FILE.c_str(), _savedLog.c_str());
        }
    }

    void TearDown() override
    {
        for (const std::string& pidFile : _pidFiles)
        {
            const std::string text = readFile(pidFile);
            const pid_t daemon = text.empty() ? -1 : static_cast<pid_t>(std::stol(text));
            if (daemon > 0 && processAlive(daemon) && isTheService(daemon))
                ::kill(daemon, SIGKILL);
        }
        ::unlink(LOG_FILE.c_str());
        if (!_savedLog.empty())
            std::rename(_savedLog.c_str(), LOG_FILE.c_str());
        if (_createdDirectory)
        {
            ::rmdir(LOG_DIRECTORY);
            ::rmdir("/opt/Halvane/Mirel/bin");
            ::rmdir("/opt/Halvane/Mirel");
            ::rmdir("/opt/Halvane");
        }
    }

    /// The arguments of a daemon start with a pidfile of its own.
    std::vector<std::string> daemonArguments()
    {
        _pidFiles.push_back(_pidDir.file("daemon-" + std::to_string(_pidFiles.size()) + ".pid"));
        return {"--daemon", "--pidfile=" + _pidFiles.back()};
    }

    /// Runs the daemon until it has started, checks its streams, stops it.
    void runDaemon(const std::vector<std::string>& extraArgs = {})
    {
        // An earlier run may have left its own lines in the log.
        const std::size_t startsBefore = countOf(readFile(LOG_FILE), "concentrator started");
        std::vector<std::string> args = daemonArguments();
        const std::string pidFile = _pidFiles.back();
        args.insert(args.end(), extraArgs.begin(), extraArgs.end());
        auto pLauncher = _setup.start(args);
        ASSERT_TRUE(pLauncher->waitForExit());
        ASSERT_EQ(0, pLauncher->exitStatus());

        ASSERT_TRUE(
            waitFor([&] { return countOf(readFile(LOG_FILE), "concentrator started") > startsBefore; }))
            << readFile(LOG_FILE);
        ASSERT_TRUE(waitFor([&] { return !readFile(pidFile).empty(); }));
        const pid_t daemon = static_cast<pid_t>(std::stol(readFile(pidFile)));

        for (const char* fd : {"0", "1", "2"})
            EXPECT_EQ(LOG_FILE, linkTarget("/proc/" + std::to_string(daemon) + "/fd/" + fd))
                << "descriptor " << fd;

        ::kill(daemon, SIGTERM);
        ASSERT_TRUE(waitFor([&] { return !processAlive(daemon); }));
    }

    FixedPathsLock _lock;
    ServiceSetup _setup;
    TempDir _pidDir;
    std::vector<std::string> _pidFiles;
    bool _createdDirectory = false;
    std::string _savedLog;
};

TEST_F(DaemonModeTest, CreatesTheLogFileOwnerOnlyWritesAllStreamsThereAndEveryRunAppends)
{
    // Owner-only even under a umask that would let everyone read it.
    runDaemon({"--umask=000"});
    struct stat info;
    ASSERT_EQ(0, ::stat(LOG_FILE.c_str(), &info));
    EXPECT_EQ(0600u, info.st_mode & 0777u);
    const std::string first = readFile(LOG_FILE);
    // standard output: the service's log lines; standard error: the configuration parser's
    EXPECT_NE(std::string::npos, first.find(" LoRaWAN server, version: 200105A starting"));
    EXPECT_NE(std::string::npos, first.find(" INFO: lorawan_public 1, clksrc 1"));

    runDaemon();
    const std::string both = readFile(LOG_FILE);
    EXPECT_EQ(first, both.substr(0, first.size()));
    std::size_t shutdowns = 0;
    for (const std::string& line : lines(both))
        shutdowns += withoutTimeStamp(line) == " LoRaWAN server shuts down" ? 1 : 0;
    EXPECT_EQ(2u, shutdowns);
}

TEST_F(DaemonModeTest, SecondDaemonReportsTheRunningInstanceInTheLog)
{
    auto pFirst = _setup.startAndWait();
    ASSERT_TRUE(pFirst->waitForOut("starting"));

    auto pLauncher = _setup.start(daemonArguments());
    ASSERT_TRUE(pLauncher->waitForExit());
    ASSERT_TRUE(waitFor([&] { return readFile(LOG_FILE).find("Other PID: ") != std::string::npos; }));
    EXPECT_NE(std::string::npos, readFile(LOG_FILE).find("  Other PID: " + std::to_string(pFirst->pid())));

    pFirst->signal(SIGTERM);
    ASSERT_TRUE(pFirst->waitForExit());
}

TEST_F(DaemonModeTest, InteractiveModeLeavesTheLogFileAlone)
{
    auto pService = _setup.startAndWait();
    ASSERT_TRUE(pService->waitForOut("starting"));
    for (const char* fd : {"0", "1", "2"})
        EXPECT_NE(LOG_FILE, linkTarget("/proc/" + std::to_string(pService->pid()) + "/fd/" + fd));
    pService->signal(SIGTERM);
    ASSERT_TRUE(pService->waitForExit());
    EXPECT_FALSE(std::filesystem::exists(LOG_FILE));
}

} // namespace
