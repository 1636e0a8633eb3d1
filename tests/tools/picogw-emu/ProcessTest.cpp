//
// ProcessTest.cpp
//
// The emulator as a program: its device link, its exit on termination
// requests, the packet file, the control socket and the inject client.
//

#include "EmulatorProcess.h"
#include "HostClient.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace PicoGwEmuTest;

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

int runInject(const TempDir& dir, const std::string& socket, const std::string& lines)
{
    dir.write("inject.jsonl", lines);
    const std::string command = std::string(LORAWAN_BIN_DIR) + "/picogw-emu --inject '" + socket + "' < '" +
                                dir.file("inject.jsonl") + "' 2> '" + dir.file("inject.err") + "'";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string fileContent(const std::string& path)
{
    std::ifstream input(path);
    return std::string(std::istreambuf_iterator<char>(input), std::istreambuf_iterator<char>());
}

// --- Device link and termination ------------------------------------------------

TEST(EmulatorProgram, LinkPointsToThePseudoTerminalAndGoesAwayOnSigterm)
{
    TempDir dir;
    EmulatorProcess emulator(dir, {"--link", dir.file("dev")});
    const std::string device = emulator.waitReady();
    EXPECT_EQ(device.rfind("/dev/pts/", 0), 0u) << device;
    EXPECT_TRUE(isSymlinkTo(dir.file("dev"), device));
    EXPECT_EQ(emulator.stop(SIGTERM), 0);
    EXPECT_FALSE(exists(dir.file("dev")));
}

TEST(EmulatorProgram, SigintEndsItCleanlyEvenWithAHostConnected)
{
    TempDir dir;
    EmulatorProcess emulator(dir, {"--link", dir.file("dev"), "--control", dir.file("ctl")});
    emulator.waitReady();
    HostClient host(dir.file("dev"));
    EXPECT_EQ(host.exchange('r', 1, {0}).data.at(0), 103);
    EXPECT_EQ(emulator.stop(SIGINT), 0);
    EXPECT_FALSE(exists(dir.file("dev")));
    EXPECT_FALSE(exists(dir.file("ctl")));
}

TEST(EmulatorProgram, ReplacesAnExistingSymlink)
{
    TempDir dir;
    ASSERT_EQ(::symlink("/dev/null", dir.file("dev").c_str()), 0);
    EmulatorProcess emulator(dir, {"--link", dir.file("dev")});
    const std::string device = emulator.waitReady();
    EXPECT_TRUE(isSymlinkTo(dir.file("dev"), device));
    EXPECT_EQ(emulator.stop(SIGTERM), 0);
}

TEST(EmulatorProgram, RefusesToReplaceAFileThatIsNoSymlink)
{
    TempDir dir;
    dir.write("dev", "keep me");
    EmulatorProcess emulator(dir, {"--link", dir.file("dev")});
    EXPECT_EQ(emulator.waitExit(), EXIT_FAILURE);
    EXPECT_NE(emulator.errors().find("not a symbolic link"), std::string::npos) << emulator.errors();
    EXPECT_EQ(fileContent(dir.file("dev")), "keep me");
}

TEST(EmulatorProgram, UnknownOptionIsAUsageError)
{
    TempDir dir;
    EmulatorProcess emulator(dir, {"--baud", "9600"});
    EXPECT_EQ(emulator.waitExit(), 2);
    EXPECT_NE(emulator.errors().find("usage:"), std::string::npos);
}

// --- Packet file ---------------------------------------------------------------

TEST(EmulatorProgram, BadPacketFileStopsItWithTheLineNamed)
{
    TempDir dir;
    dir.write("packets.jsonl", GOOD_PACKET + "\n\n{\"freq_hz\":-1}\n");
    EmulatorProcess emulator(dir, {"--packets", dir.file("packets.jsonl")});
    EXPECT_EQ(emulator.waitExit(), EXIT_FAILURE);
    EXPECT_NE(emulator.errors().find("packets.jsonl:3:"), std::string::npos) << emulator.errors();
}

TEST(EmulatorProgram, MissingPacketFileStopsIt)
{
    TempDir dir;
    EmulatorProcess emulator(dir, {"--packets", dir.file("none.jsonl")});
    EXPECT_EQ(emulator.waitExit(), EXIT_FAILURE);
    EXPECT_NE(emulator.errors().find("none.jsonl"), std::string::npos) << emulator.errors();
}

// --- Control socket and inject client ----------------------------------------------

TEST(EmulatorProgram, InjectedPacketsReachTheHostAfterStart)
{
    TempDir dir;
    EmulatorProcess emulator(dir, {"--link", dir.file("dev"), "--control", dir.file("ctl")});
    emulator.waitReady();
    HostClient host(dir.file("dev"));
    host.startConcentrator();
    EXPECT_EQ(host.exchange('b', 0, {16}).data, std::vector<std::uint8_t>{0});

    EXPECT_EQ(runInject(dir, dir.file("ctl"), GOOD_PACKET + "\n\n" + GOOD_PACKET + "\n"), 0);
    const Reply reply = host.exchange('b', 0, {16});
    ASSERT_FALSE(reply.data.empty());
    EXPECT_EQ(reply.data[0], 2);
    EXPECT_EQ(reply.data.size(), 1 + 2 * (44 + 2u));
    EXPECT_EQ(emulator.stop(SIGTERM), 0);
}

TEST(EmulatorProgram, InjectReportsRefusedLinesAndKeepsTheGoodOnes)
{
    TempDir dir;
    EmulatorProcess emulator(dir, {"--link", dir.file("dev"), "--control", dir.file("ctl")});
    emulator.waitReady();
    EXPECT_EQ(runInject(dir, dir.file("ctl"), "{\"freq\":1}\n" + GOOD_PACKET + "\nnot json\n"), 1);
    const std::string errors = fileContent(dir.file("inject.err"));
    EXPECT_NE(errors.find("line 1: ERROR unknown field \"freq\""), std::string::npos) << errors;
    EXPECT_NE(errors.find("line 3: ERROR"), std::string::npos) << errors;
    EXPECT_EQ(errors.find("line 2"), std::string::npos) << errors;
    EXPECT_TRUE(emulator.waitForLog("1 queued"));
    EXPECT_EQ(emulator.stop(SIGTERM), 0);
}

TEST(EmulatorProgram, InjectWithoutEmulatorFails)
{
    TempDir dir;
    EXPECT_EQ(runInject(dir, dir.file("ctl"), GOOD_PACKET + "\n"), 1);
}

TEST(EmulatorProgram, RefusesAControlPathThatIsNoSocket)
{
    TempDir dir;
    dir.write("ctl", "keep me");
    EmulatorProcess emulator(dir, {"--control", dir.file("ctl")});
    EXPECT_EQ(emulator.waitExit(), EXIT_FAILURE);
    EXPECT_EQ(fileContent(dir.file("ctl")), "keep me");
}

} // namespace
