//
// ProtocolTest.cpp
//
// The emulator's serial protocol as a host sees it: frames and padding, the
// firmware check, registers and pages, bursts, the start-up values, receive,
// the trigger counter, the MCU reset, and a host that closes and comes back.
//

#include "EmulatorProcess.h"
#include "HostClient.h"

#include "tools/picogw-emu/Constants.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <memory>
#include <sstream>

using namespace PicoGwEmu;
using namespace PicoGwEmuTest;

namespace
{

constexpr std::chrono::milliseconds SETTLE{300};
const std::vector<std::uint8_t> FIRMWARE_VERSION_BYTES{0x01, 0x0A, 0x00, 0x06};

std::string packetLine(unsigned payloadSize, unsigned tag = 0)
{
    std::ostringstream line;
    line << "{\"freq_hz\":" << 868100000 + tag << ",\"count_us\":" << tag << ",\"payload\":\"";
    for (unsigned i = 0; i < payloadSize; ++i)
        line << "A5";
    line << "\"}\n";
    return line.str();
}

std::uint32_t le32(const std::vector<std::uint8_t>& data, std::size_t at)
{
    return std::uint32_t(data[at]) | (std::uint32_t(data[at + 1]) << 8) |
           (std::uint32_t(data[at + 2]) << 16) | (std::uint32_t(data[at + 3]) << 24);
}

std::uint16_t le16(const std::vector<std::uint8_t>& data, std::size_t at)
{
    return static_cast<std::uint16_t>(data[at] | (data[at + 1] << 8));
}

float leFloat(const std::vector<std::uint8_t>& data, std::size_t at)
{
    const std::uint32_t bits = le32(data, at);
    float value;
    std::memcpy(&value, &bits, sizeof(value));
    return value;
}

class ProtocolTest : public ::testing::Test
{
protected:
    void startEmulator(const std::string& packets = std::string())
    {
        std::vector<std::string> arguments{"--link", _dir.file("dev")};
        if (!packets.empty())
            arguments.insert(arguments.end(), {"--packets", _dir.write("packets.jsonl", packets)});
        _pEmulator = std::make_unique<EmulatorProcess>(arguments);
        ASSERT_FALSE(_pEmulator->waitReady().empty());
        _pHost = std::make_unique<HostClient>(_dir.file("dev"));
    }

    void TearDown() override
    {
        _pHost.reset();
        if (_pEmulator)
        {
            EXPECT_EQ(_pEmulator->stop(SIGTERM), 0) << _pEmulator->err();
        }
    }

    Reply receivePackets(unsigned maxPackets)
    {
        return _pHost->exchange('b', 0, {static_cast<std::uint8_t>(maxPackets)});
    }

    TestSupport::TempDir _dir;
    std::unique_ptr<EmulatorProcess> _pEmulator;
    std::unique_ptr<HostClient> _pHost;
};

// --- Frames and the firmware check -------------------------------------------

TEST_F(ProtocolTest, FirmwareCheckAcceptsOnlyTheHalsVersionGivesAnEightByteIdAndStrayBytesAreSkipped)
{
    startEmulator();
    const Reply reply = _pHost->exchange('l', 0, FIRMWARE_VERSION_BYTES);
    EXPECT_EQ(reply.command, 'l');
    EXPECT_NE(reply.status, ACK_KO);
    EXPECT_EQ(reply.data.size(), 8u);
    EXPECT_EQ(_pHost->exchange('l', 0, {0x01, 0x0A, 0x00, 0x05}).status, ACK_KO);
    // Bytes that start no command are skipped up to the next one.
    _pHost->sendRaw({0xFF, 0x00, 'Q', 'l', 0, 4, 0, 0x01, 0x0A, 0x00, 0x06});
    EXPECT_EQ(_pHost->receive().command, 'l');
    EXPECT_TRUE(_pEmulator->waitForErr("skipped 3 byte(s)"));
}

TEST_F(ProtocolTest, OnlyAnswersFillingWholeUsbPacketsCarryAPaddingByte)
{
    startEmulator();
    // Data + 4 header bytes = 64 or 128: padded. A missing or extra byte
    // would break the framing of the answers that follow.
    for (unsigned size : {59u, 60u, 61u, 123u, 124u})
    {
        const Reply reply = _pHost->exchange('p', 0, bigEndian16(size));
        EXPECT_EQ(reply.data.size(), size);
        EXPECT_EQ(reply.padding, size == 60u || size == 124u ? 1u : 0u) << size;
    }
    EXPECT_TRUE(_pHost->quiet(SETTLE));
    EXPECT_EQ(_pHost->exchange('r', VERSION_REGISTER, {0}).data.at(0), CHIP_VERSION);
}

TEST_F(ProtocolTest, CommandsAreRefusedOutsideTheirSizesAndAddresses)
{
    struct Case
    {
        char command;
        std::uint8_t address;
        std::vector<std::uint8_t> data;
        std::uint8_t status;
    };
    const Case cases[] = {
        {'r', 1, {0, 0}, ACK_KO},
        {'c', 0, std::vector<std::uint8_t>(19), ACK_KO},
        {'d', 0, std::vector<std::uint8_t>(32), ACK_OK},
        {'i', 0, std::vector<std::uint8_t>(4), ACK_OK},
        {'h', 0, std::vector<std::uint8_t>(81), ACK_OK},
        {'j', 0, {5, 8}, ACK_OK},
        {'f', 0, std::vector<std::uint8_t>(30 + 256), ACK_KO}, // transmit
        {'n', 0, {}, ACK_KO},                                  // bootloader
        {'r', 128, {0}, ACK_KO},                               // beyond the page
        {'w', 200, {1}, ACK_KO},
        {'p', 126, bigEndian16(4), ACK_KO}, // bursts past the end of the page
        {'a', 127, {1, 2}, ACK_KO},
        {'p', 124, bigEndian16(4), ACK_OK},
        {'p', MCU_PROGRAM_PORT, bigEndian16(901), ACK_KO},
        {'p', MCU_PROGRAM_PORT, bigEndian16(0), ACK_KO},
    };
    startEmulator();
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::string(1, c.command) + " at " + std::to_string(c.address) + " with " +
                     std::to_string(c.data.size()) + " bytes");
        EXPECT_EQ(_pHost->exchange(c.command, c.address, c.data).status, c.status);
    }
}

// --- Registers and bursts ------------------------------------------------------

TEST_F(ProtocolTest, RegistersArePagedExceptTheSharedOnesAndSoftResetClearsThem)
{
    startEmulator();
    _pHost->write(1, 40, 0x5A);
    _pHost->write(2, 40, 0xC3);
    _pHost->write(1, 20, 0x11);
    _pHost->write(3, 126, 0x22);
    _pHost->write(0, VERSION_REGISTER, 7);
    _pHost->write(0, MCU_CONTROL_REGISTER, 0);
    EXPECT_EQ(_pHost->read(3, 40), 0);
    EXPECT_EQ(_pHost->read(1, 40), 0x5A);
    EXPECT_EQ(_pHost->read(2, 40), 0xC3);
    EXPECT_EQ(_pHost->read(1, PAGE_REGISTER), 1);
    EXPECT_EQ(_pHost->read(0, 20), 0x11);
    EXPECT_EQ(_pHost->read(2, 126), 0x22);
    EXPECT_EQ(_pHost->read(2, VERSION_REGISTER), CHIP_VERSION) << "fixed, whatever is written";

    EXPECT_EQ(_pHost->exchange('w', PAGE_REGISTER, {0x80}).status, ACK_OK);
    EXPECT_EQ(_pHost->exchange('r', PAGE_REGISTER, {0}).data.at(0), 0);
    EXPECT_EQ(_pHost->read(0, MCU_CONTROL_REGISTER), 0x03) << "both MCUs held in reset";
    EXPECT_EQ(_pHost->read(1, 40), 0);
    EXPECT_EQ(_pHost->read(0, 20), 0);
}

TEST_F(ProtocolTest, BurstsWriteAndReadConsecutiveRegistersAndReadUpTo900Bytes)
{
    startEmulator();
    _pHost->selectPage(1);
    EXPECT_EQ(_pHost->exchange('a', 50, {1, 2, 3, 4}).status, ACK_OK);
    EXPECT_EQ(_pHost->exchange('p', 50, bigEndian16(4)).data, (std::vector<std::uint8_t>{1, 2, 3, 4}));
    EXPECT_EQ(_pHost->read(1, 52), 3);
    for (char command : {'p', 's', 't', 'u'})
    {
        const Reply full = _pHost->exchange(command, MCU_PROGRAM_PORT, bigEndian16(900));
        EXPECT_EQ(full.command, command);
        EXPECT_EQ(full.status, ACK_OK);
        EXPECT_EQ(full.data.size(), 900u);
    }
    EXPECT_EQ(_pHost->exchange('p', MCU_PROGRAM_PORT, bigEndian16(1)).data.size(), 1u);
}

TEST_F(ProtocolTest, FirmwareSizedBurstsToTheProgramPortAreTaken)
{
    startEmulator();
    // 8 KB in the HAL's chunks: 13 x 600 then 392.
    const std::vector<std::uint8_t> chunk(MAX_REQUEST_DATA, 0x5A);
    EXPECT_EQ(_pHost->exchange('x', MCU_PROGRAM_PORT, chunk).status, ACK_OK);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(_pHost->exchange('y', MCU_PROGRAM_PORT, chunk).status, ACK_OK);
    EXPECT_EQ(_pHost->exchange('z', MCU_PROGRAM_PORT, std::vector<std::uint8_t>(392, 1)).status, ACK_OK);
    // A longer frame than the host ever sends starts no command.
    _pHost->send('a', MCU_PROGRAM_PORT, std::vector<std::uint8_t>(MAX_REQUEST_DATA + 1, 0));
    EXPECT_EQ(_pHost->exchange('r', VERSION_REGISTER, {0}).data.at(0), CHIP_VERSION);
}

// --- Start-up values ---------------------------------------------------------

TEST_F(ProtocolTest, ReadbackCalibrationAndFirmwareVersionsFollowTheRadiosAndTheMcus)
{
    startEmulator();
    _pHost->configureRadio(0, false);
    _pHost->configureRadio(1, true);
    EXPECT_EQ(_pHost->read(2, RADIO_A_READBACK_REGISTER) & RADIO_PLL_LOCKED, 0);
    EXPECT_EQ(_pHost->read(2, RADIO_B_READBACK_REGISTER) & RADIO_PLL_LOCKED, RADIO_PLL_LOCKED);
    EXPECT_EQ(_pHost->read(0, RADIO_B_READBACK_REGISTER), 0) << "read-back lives in page 2 only";
    EXPECT_EQ(_pHost->exchange('w', PAGE_REGISTER, {0x80}).status, ACK_OK);
    _pHost->write(0, MCU_CONTROL_REGISTER, 0x01);
    _pHost->write(2, AGC_RAM_ADDRESS_REGISTER, FIRMWARE_VERSION_ADDRESS);
    EXPECT_EQ(_pHost->read(2, AGC_RAM_DATA_REGISTER), CALIBRATION_FIRMWARE_VERSION);
    EXPECT_EQ(_pHost->read(3, AGC_STATUS_REGISTER), 0x85) << "calibration done with radio B";

    // The main firmware shows once the arbiter runs.
    _pHost->write(0, MCU_CONTROL_REGISTER, 0x02);
    _pHost->write(2, ARB_RAM_ADDRESS_REGISTER, FIRMWARE_VERSION_ADDRESS);
    _pHost->write(2, AGC_RAM_ADDRESS_REGISTER, FIRMWARE_VERSION_ADDRESS);
    EXPECT_EQ(_pHost->read(2, ARB_RAM_DATA_REGISTER), ARB_FIRMWARE_VERSION);
    EXPECT_EQ(_pHost->read(2, AGC_RAM_DATA_REGISTER), AGC_FIRMWARE_VERSION);
    _pHost->write(2, AGC_RAM_ADDRESS_REGISTER, 0xA0);
    EXPECT_EQ(_pHost->read(2, AGC_RAM_DATA_REGISTER), 0) << "other data memory reads 0";
}

// --- Receive -----------------------------------------------------------------

TEST_F(ProtocolTest, ReceiveLaysMetadataOutAtTheRecordOffsets)
{
    startEmulator(
        "{\"freq_hz\":868300000,\"if_chain\":1,\"status\":16,\"count_us\":305419896,\"rf_chain\":1,"
        "\"modulation\":16,\"bandwidth\":3,\"datarate\":32,\"coderate\":4,\"rssi\":-101.25,\"snr\":-7.5,"
        "\"snr_min\":-9.75,\"snr_max\":-3.5,\"crc\":51966,\"size\":5,\"payload\":\"0102030405\"}\n");
    _pHost->startConcentrator();
    const Reply reply = receivePackets(16);
    ASSERT_EQ(reply.data.size(), 1 + PACKET_METADATA_SIZE + 5);
    EXPECT_EQ(reply.data[0], 1);
    const std::vector<std::uint8_t> record(reply.data.begin() + 1, reply.data.end());
    EXPECT_EQ(le32(record, 0), 868300000u);
    EXPECT_EQ(record[4], 1);
    EXPECT_EQ(record[5], 16);
    EXPECT_EQ(le32(record, 8), 305419896u);
    EXPECT_EQ(record[12], 1);
    EXPECT_EQ(record[13], 16);
    EXPECT_EQ(record[14], 3);
    EXPECT_EQ(le32(record, 16), 32u);
    EXPECT_EQ(record[20], 4);
    EXPECT_EQ(leFloat(record, 24), -101.25f);
    EXPECT_EQ(leFloat(record, 28), -7.5f);
    EXPECT_EQ(leFloat(record, 32), -9.75f);
    EXPECT_EQ(leFloat(record, 36), -3.5f);
    EXPECT_EQ(le16(record, 40), 51966u);
    EXPECT_EQ(le16(record, 42), 5u);
    EXPECT_EQ(std::vector<std::uint8_t>(record.begin() + 44, record.end()),
              (std::vector<std::uint8_t>{1, 2, 3, 4, 5}));
}

TEST_F(ProtocolTest, ReceiveHandsOverAtMostSixteenPacketsInOrder)
{
    std::string packets;
    for (unsigned i = 0; i < 17; ++i)
        packets += packetLine(i % 3, i);
    startEmulator(packets);
    _pHost->configureRadio(0, true);
    _pHost->configureRadio(1, true);
    _pHost->startConcentrator();
    EXPECT_TRUE(_pEmulator->waitForErr("concentrator started"));

    const Reply first = receivePackets(16);
    ASSERT_EQ(first.data.at(0), 16);
    std::size_t at = 1;
    for (unsigned i = 0; i < 16; ++i)
    {
        EXPECT_EQ(le32(first.data, at + PacketOffset::COUNT_US), i);
        const std::uint16_t size = le16(first.data, at + PacketOffset::SIZE);
        EXPECT_EQ(size, i % 3);
        at += PACKET_METADATA_SIZE + size;
    }
    EXPECT_EQ(at, first.data.size());
    const Reply second = receivePackets(16);
    EXPECT_EQ(second.data.at(0), 1);
    EXPECT_EQ(le32(second.data, 1 + PacketOffset::COUNT_US), 16u);
    EXPECT_EQ(receivePackets(16).data, std::vector<std::uint8_t>{0});
}

TEST_F(ProtocolTest, ReceiveRespectsTheHostsMaximumPadsAndWaitsForTheStart)
{
    std::string packets = packetLine(15);
    for (unsigned i = 0; i < 5; ++i)
        packets += packetLine(1, i);
    startEmulator(packets);
    const Reply beforeStart = receivePackets(16);
    EXPECT_EQ(beforeStart.status, ACK_OK);
    EXPECT_EQ(beforeStart.data, std::vector<std::uint8_t>{0});
    _pHost->startConcentrator();
    const Reply padded = receivePackets(1); // 1 + 44 + 15 = 60 bytes
    EXPECT_EQ(padded.data.size(), 60u);
    EXPECT_EQ(padded.padding, 1u);
    EXPECT_EQ(receivePackets(3).data.at(0), 3);
    EXPECT_EQ(receivePackets(0).data, std::vector<std::uint8_t>{0});
    EXPECT_EQ(receivePackets(16).data.at(0), 2);
}

TEST_F(ProtocolTest, ReceiveAnswersNeverExceedTheHostsBuffer)
{
    std::string packets;
    for (unsigned i = 0; i < 7; ++i)
        packets += packetLine(255, i);
    startEmulator(packets);
    _pHost->startConcentrator();
    // 1 + 5 x (44 + 255) = 1496 fits in 1728 bytes, a sixth would not.
    const Reply first = receivePackets(16);
    EXPECT_EQ(first.data.at(0), 5);
    EXPECT_EQ(first.data.size(), 1496u);
    EXPECT_EQ(receivePackets(16).data.at(0), 2);
}

TEST_F(ProtocolTest, PacketsWithoutTimeStampGetTheConcentratorCounter)
{
    startEmulator("{\"freq_hz\":868100000,\"payload\":\"00\"}\n");
    _pHost->startConcentrator();
    const Reply before = _pHost->exchange('q', 0);
    const Reply packet = receivePackets(16);
    const Reply after = _pHost->exchange('q', 0);
    ASSERT_EQ(before.data.size(), TRIGGER_COUNTER_SIZE);
    auto bigEndian32 = [](const std::vector<std::uint8_t>& d)
    { return (std::uint32_t(d[0]) << 24) | (std::uint32_t(d[1]) << 16) | (std::uint32_t(d[2]) << 8) | d[3]; };
    const std::uint32_t stamp = le32(packet.data, 1 + PacketOffset::COUNT_US);
    // Modular: the counter may wrap between the readings.
    EXPECT_LE(stamp - bigEndian32(before.data), bigEndian32(after.data) - bigEndian32(before.data));
}

// --- MCU reset and reconnection ------------------------------------------------

TEST_F(ProtocolTest, McuResetReturnsToPowerOnAndTheNextHostIsServed)
{
    startEmulator(packetLine(4) + packetLine(5));
    _pHost->configureRadio(0, true);
    _pHost->startConcentrator();
    EXPECT_EQ(receivePackets(1).data.at(0), 1);
    _pHost->write(1, 40, 0x5A);
    EXPECT_EQ(_pHost->exchange('m', 0).status, ACK_OK);
    EXPECT_TRUE(_pEmulator->waitForErr("concentrator stopped"));
    EXPECT_EQ(_pHost->read(1, 40), 0);
    EXPECT_EQ(_pHost->read(2, RADIO_A_READBACK_REGISTER), 0);
    EXPECT_EQ(receivePackets(16).data, std::vector<std::uint8_t>{0}) << "not started any more";
    // What the HAL's stop does: soft reset, MCU reset, close.
    EXPECT_EQ(_pHost->exchange('w', PAGE_REGISTER, {0x80}).status, ACK_OK);
    EXPECT_EQ(_pHost->exchange('m', 0).status, ACK_OK);
    _pHost->close();
    ASSERT_TRUE(_pEmulator->waitForErr("host closed the device"));

    _pHost = std::make_unique<HostClient>(_dir.file("dev"));
    EXPECT_EQ(_pHost->exchange('l', 0, FIRMWARE_VERSION_BYTES).data.size(), 8u);
    EXPECT_EQ(receivePackets(16).data, std::vector<std::uint8_t>{0});
    _pHost->startConcentrator();
    const Reply reply = receivePackets(16);
    EXPECT_EQ(reply.data.at(0), 1);
    EXPECT_EQ(le16(reply.data, 1 + PacketOffset::SIZE), 5u);
}

TEST_F(ProtocolTest, HostThatClosesAndReopensFindsNoStaleAnswers)
{
    startEmulator(packetLine(4));
    _pHost->startConcentrator();
    // Ask, then leave without reading the answer, as a killed host would.
    _pHost->send('b', 0, {16});
    ASSERT_TRUE(_pEmulator->waitForErr("handed over 1 packet(s)"));
    _pHost->close();
    ASSERT_TRUE(_pEmulator->waitForErr("host closed the device"));

    _pHost = std::make_unique<HostClient>(_dir.file("dev"));
    const Reply reply = _pHost->exchange('l', 0, FIRMWARE_VERSION_BYTES);
    EXPECT_EQ(reply.command, 'l');
    EXPECT_EQ(reply.data.size(), 8u);
    EXPECT_EQ(_pHost->exchange('r', VERSION_REGISTER, {0}).data.at(0), CHIP_VERSION);
}

} // namespace
