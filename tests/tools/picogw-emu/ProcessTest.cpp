//
// ProcessTest.cpp
//
// The emulator as a program: its device link, its exit on termination
// requests and on unusable arguments, the control socket and the inject client.
//

#include "EmulatorProcess.h"
#include "HostClient.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace PicoGwEmuTest;
using TestSupport::readFile;
using TestSupport::TempDir;

namespace
{

const std::string GOOD_PACKET = "{\"freq_hz\":868100000,\"count_us\":7,\"payload\":\"0102\"}";

bool isSymlinkTo(const std::string& path, const std::string& target)
{
    char buffer[256] = {};
    const ssize_t length = ::readlink(path.c_str(), buffer, sizeof(buffer) - 1);
    return length > 0 && std::string(buffer, static_cast<std::size_t>(length)) == target;
}

bool exists(const std::string& path)
{
    struct stat status
    {
    };
    return ::lstat(path.c_str(), &status) == 0;
}

// The inject client reads its lines from standard input.
int runInject(const TempDir& dir, const std::string& socket, const std::string& lines)
{
    const std::string command = TestSupport::binaryPath("picogw-emu") + " --inject '" + socket + "' < '" +
                                dir.write("inject.jsonl", lines) + "' 2> '" + dir.file("inject.err") + "'";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// --- Device link and termination ------------------------------------------------

TEST(EmulatorProgram, LinkReplacesAStaleSymlinkAndSigtermOrSigintEndItCleanlyWithAHostConnected)
{
    TempDir dir;
    ASSERT_EQ(::symlink("/dev/null", dir.file("dev").c_str()), 0);
    for (int signalNumber : {SIGTERM, SIGINT})
    {
        SCOPED_TRACE(signalNumber);
        EmulatorProcess emulator({"--link", dir.file("dev"), "--control", dir.file("ctl")});
        const std::string device = emulator.waitReady();
        EXPECT_EQ(device.rfind("/dev/pts/", 0), 0u) << device;
        EXPECT_TRUE(isSymlinkTo(dir.file("dev"), device));
        HostClient host(dir.file("dev"));
        EXPECT_EQ(host.exchange('r', 1, {0}).data.at(0), 103);
        EXPECT_EQ(emulator.stop(signalNumber), 0);
        EXPECT_FALSE(exists(dir.file("dev")));
        EXPECT_FALSE(exists(dir.file("ctl")));
    }
}

TEST(EmulatorProgram, UnusableArgumentsStopItAndLeaveOtherFilesAlone)
{
    TempDir dir;
    const std::string keep = dir.write("keep", "keep me");
    const std::string packets = dir.write("packets.jsonl", GOOD_PACKET + "\n\n{\"freq_hz\":-1}\n");
    struct Case
    {
        std::vector<std::string> arguments;
        int status;
        std::string error;
    };
    const Case cases[] = {
        {{"--link", keep}, EXIT_FAILURE, "not a symbolic link"},
        {{"--control", keep}, EXIT_FAILURE, "refusing to replace what is not a socket"},
        {{"--packets", packets}, EXIT_FAILURE, "packets.jsonl:3:"},
        {{"--packets", dir.file("none.jsonl")}, EXIT_FAILURE, "none.jsonl"},
        {{"--baud", "9600"}, 2, "usage:"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.arguments[0] + " " + c.arguments[1]);
        EmulatorProcess emulator(c.arguments);
        EXPECT_EQ(emulator.waitExit(), c.status);
        EXPECT_NE(emulator.err().find(c.error), std::string::npos) << emulator.err();
        EXPECT_EQ(readFile(keep), "keep me");
    }
}

// --- Control socket and inject client ----------------------------------------------

TEST(EmulatorProgram, InjectedPacketsReachTheHostAndRefusedLinesAreReported)
{
    TempDir dir;
    EXPECT_EQ(runInject(dir, dir.file("ctl"), GOOD_PACKET + "\n"), 1) << "nobody listens yet";
    EmulatorProcess emulator({"--link", dir.file("dev"), "--control", dir.file("ctl")});
    emulator.waitReady();
    HostClient host(dir.file("dev"));
    host.startConcentrator();
    EXPECT_EQ(host.exchange('b', 0, {16}).data, std::vector<std::uint8_t>{0});

    EXPECT_EQ(runInject(dir, dir.file("ctl"), "{\"freq\":1}\n" + GOOD_PACKET + "\nnot json\n"), 1);
    const std::string errors = readFile(dir.file("inject.err"));
    EXPECT_NE(errors.find("line 1: ERROR unknown field \"freq\""), std::string::npos) << errors;
    EXPECT_NE(errors.find("line 3: ERROR"), std::string::npos) << errors;
    EXPECT_EQ(errors.find("line 2"), std::string::npos) << errors;
    EXPECT_TRUE(emulator.waitForErr("1 queued"));
    EXPECT_EQ(runInject(dir, dir.file("ctl"), GOOD_PACKET + "\n\n" + GOOD_PACKET + "\n"), 0);
    const Reply reply = host.exchange('b', 0, {16});
    ASSERT_FALSE(reply.data.empty());
    EXPECT_EQ(reply.data[0], 3);
    EXPECT_EQ(reply.data.size(), 1 + 3 * (44 + 2u));
    EXPECT_EQ(emulator.stop(SIGTERM), 0);
}

} // namespace
