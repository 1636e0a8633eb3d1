//
// FaultTest.cpp
//
// The faults of a real board, set off through the control socket: an MCU that
// hangs, a board pulled out, and one plugged in again.
//

#include "EmulatorProcess.h"
#include "HostClient.h"

#include "tools/picogw-emu/Constants.h"
#include "tools/picogw-emu/ControlClient.h"

#include <gtest/gtest.h>

#include <csignal>
#include <future>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using namespace PicoGwEmu;
using namespace PicoGwEmuTest;

namespace
{

constexpr std::chrono::milliseconds SETTLE{300};
const std::string PACKET = "{\"freq_hz\":868100000,\"payload\":\"0102\"}";

class FaultTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        _pEmulator = std::make_unique<EmulatorProcess>(
            std::vector<std::string>{"--verbose", "--link", device(), "--control", _dir.file("ctl")});
        ASSERT_FALSE(_pEmulator->waitReady().empty());
        _pControl = std::make_unique<ControlClient>(_dir.file("ctl"));
    }

    std::string device() const { return _dir.file("dev"); }

    std::string control(const std::string& line) { return _pControl->send(line); }

    bool linkExists() const
    {
        struct stat status
        {
        };
        return ::lstat(device().c_str(), &status) == 0;
    }

    std::string linkTarget() const
    {
        char buffer[256] = {};
        const ssize_t length = ::readlink(device().c_str(), buffer, sizeof(buffer) - 1);
        return length > 0 ? std::string(buffer, static_cast<std::size_t>(length)) : std::string();
    }

    TestSupport::TempDir _dir;
    std::unique_ptr<EmulatorProcess> _pEmulator;
    std::unique_ptr<ControlClient> _pControl;
};

TEST_F(FaultTest, MutedMcuReadsCommandsAndAnswersNoHostUntilAReplug)
{
    HostClient host(device());
    EXPECT_EQ(host.exchange('r', VERSION_REGISTER, {0}).data.at(0), CHIP_VERSION);
    EXPECT_EQ(control("mute"), "OK");
    host.send('r', VERSION_REGISTER, {0});
    EXPECT_TRUE(host.quiet(SETTLE));
    EXPECT_TRUE(_pEmulator->waitForErr("'r' page 0 addr 1 len 1 -> no answer (muted)"));

    host.close();
    ASSERT_TRUE(_pEmulator->waitForErr("host closed the device"));
    HostClient next(device());
    next.send('q', 0);
    EXPECT_TRUE(next.quiet(SETTLE));
    EXPECT_TRUE(_pEmulator->waitForErr("'q' page 0 addr 0 len 0 -> no answer (muted)"));

    EXPECT_EQ(control("replug"), "OK");
    EXPECT_TRUE(next.unplugged()) << "a replug pulls the old device out first";
    HostClient fresh(device());
    EXPECT_EQ(fresh.exchange('r', VERSION_REGISTER, {0}).data.at(0), CHIP_VERSION);
    EXPECT_EQ(_pEmulator->stop(SIGTERM), 0);
}

TEST_F(FaultTest, UnpluggedBoardLeavesNoDeviceAndComesBackPoweredUpWithItsPackets)
{
    HostClient host(device());
    host.startConcentrator();
    EXPECT_EQ(control("unplug"), "OK");
    EXPECT_TRUE(host.unplugged());
    EXPECT_FALSE(linkExists());
    EXPECT_EQ(control("unplug"), "ERROR the device is already unplugged");
    EXPECT_EQ(control("mute"), "ERROR the device is unplugged");
    EXPECT_EQ(control("shake"), "ERROR unknown command \"shake\"");
    EXPECT_EQ(control(PACKET), "OK");

    EXPECT_EQ(control("replug"), "OK");
    const std::vector<std::string> devices = TestSupport::lines(_pEmulator->out());
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_NE(devices[1], devices[0]);
    EXPECT_EQ(linkTarget(), devices[1]);
    HostClient fresh(device());
    EXPECT_EQ(fresh.exchange('b', 0, {PKT_FIFO_SIZE}).data, std::vector<std::uint8_t>{0})
        << "the concentrator must be stopped after the power-up";
    fresh.startConcentrator();
    EXPECT_EQ(fresh.exchange('b', 0, {PKT_FIFO_SIZE}).data.at(0), 1);

    // A board pulled out at the end leaves nothing behind either.
    EXPECT_EQ(control("unplug"), "OK");
    EXPECT_EQ(_pEmulator->stop(SIGTERM), 0);
    EXPECT_FALSE(linkExists());
}

TEST_F(FaultTest, UnplugWakesAHostBlockedInAReadWithEndOfFileAsAUsbDisconnectDoes)
{
    HostClient host(device());
    EXPECT_EQ(control("mute"), "OK");
    host.send('q', 0);
    auto read = std::async(std::launch::async, [&host] { return host.readBlocking(); });
    EXPECT_EQ(read.wait_for(SETTLE), std::future_status::timeout);
    EXPECT_EQ(control("unplug"), "OK");
    if (_pEmulator->err().find("could not be hung up") != std::string::npos)
        GTEST_SKIP() << "the emulator may not hang devices up here";
    EXPECT_EQ(read.get(), 0) << "end of file, not an error";
    EXPECT_EQ(_pEmulator->stop(SIGTERM), 0);
}

} // namespace
