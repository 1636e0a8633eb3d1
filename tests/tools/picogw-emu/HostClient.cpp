//
// HostClient.cpp
//
// Implementation of the HostClient test helper.
//

#include "HostClient.h"

#include "TestSupport.h"
#include "tools/picogw-emu/Constants.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

using namespace PicoGwEmu;

namespace PicoGwEmuTest
{

HostClient::HostClient(const std::string& device) : _fd(::open(device.c_str(), O_RDWR | O_NOCTTY))
{
    if (_fd < 0)
        throw std::runtime_error("cannot open " + device + ": " + std::strerror(errno));
    termios tty{};
    tcgetattr(_fd, &tty);
    cfmakeraw(&tty);
    cfsetispeed(&tty, B115200);
    cfsetospeed(&tty, B115200);
    tty.c_cc[VMIN] = 1;
    tty.c_cc[VTIME] = 1;
    tcsetattr(_fd, TCSANOW, &tty);
}

HostClient::~HostClient()
{
    close();
}

void HostClient::close()
{
    if (_fd >= 0)
        ::close(_fd);
    _fd = -1;
}

void HostClient::sendRaw(const std::vector<std::uint8_t>& bytes)
{
    ASSERT_EQ(::write(_fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

void HostClient::send(char command, std::uint8_t address, const std::vector<std::uint8_t>& data)
{
    std::vector<std::uint8_t> frame{static_cast<std::uint8_t>(command),
                                    static_cast<std::uint8_t>(data.size() >> 8),
                                    static_cast<std::uint8_t>(data.size() & 0xFF), address};
    frame.insert(frame.end(), data.begin(), data.end());
    sendRaw(frame);
}

void HostClient::readExactly(std::uint8_t* buffer, std::size_t size)
{
    std::size_t done = 0;
    const auto deadline = std::chrono::steady_clock::now() + TestSupport::PATIENCE;
    while (done < size)
    {
        pollfd ready{_fd, POLLIN, 0};
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) <= 0)
            throw std::runtime_error("no answer from the emulator");
        const ssize_t count = ::read(_fd, buffer + done, size - done);
        if (count <= 0)
            throw std::runtime_error("lost the emulator");
        done += static_cast<std::size_t>(count);
    }
}

Reply HostClient::receive()
{
    std::uint8_t header[ANSWER_HEADER_SIZE];
    readExactly(header, sizeof(header));
    Reply reply;
    reply.command = static_cast<char>(header[0]);
    reply.status = header[3];
    const std::size_t length = (std::size_t(header[1]) << 8) | header[2];
    // The host's own rule, restated here rather than taken from the emulator.
    reply.padding = (length > 0 && (length + 4) % 64 == 0) ? 1 : 0;
    std::vector<std::uint8_t> rest(length + reply.padding);
    if (!rest.empty())
        readExactly(rest.data(), rest.size());
    reply.data.assign(rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(length));
    return reply;
}

Reply HostClient::exchange(char command, std::uint8_t address, const std::vector<std::uint8_t>& data)
{
    send(command, address, data);
    return receive();
}

bool HostClient::quiet(std::chrono::milliseconds wait)
{
    pollfd ready{_fd, POLLIN, 0};
    return ::poll(&ready, 1, static_cast<int>(wait.count())) == 0;
}

ssize_t HostClient::readBlocking()
{
    std::uint8_t byte = 0;
    return ::read(_fd, &byte, 1);
}

bool HostClient::unplugged()
{
    std::uint8_t byte = 0;
    const bool endOfFile = ::read(_fd, &byte, 1) == 0;
    return endOfFile && ::write(_fd, &byte, 1) < 0 && errno == EIO;
}

void HostClient::selectPage(unsigned page)
{
    EXPECT_EQ(exchange('w', PAGE_REGISTER, {static_cast<std::uint8_t>(page)}).status, ACK_OK);
}

std::uint8_t HostClient::read(unsigned page, std::uint8_t address)
{
    selectPage(page);
    const Reply reply = exchange('r', address, {0});
    EXPECT_EQ(reply.status, ACK_OK);
    EXPECT_EQ(reply.data.size(), 1u);
    return reply.data.empty() ? 0 : reply.data[0];
}

void HostClient::write(unsigned page, std::uint8_t address, std::uint8_t value)
{
    selectPage(page);
    EXPECT_EQ(exchange('w', address, {value}).status, ACK_OK);
}

void HostClient::configureRadio(unsigned rfChain, bool enabled)
{
    std::vector<std::uint8_t> conf(RXRF_CONF_SIZE, 0);
    conf[0] = enabled ? 1 : 0;
    EXPECT_EQ(exchange('c', static_cast<std::uint8_t>(rfChain), conf).status, ACK_OK);
}

void HostClient::startConcentrator()
{
    constexpr std::uint8_t SOFT_RESET = 0x80;
    constexpr std::uint8_t BOTH_IN_RESET = 0x03, AGC_ONLY_RUNS = 0x01, ARB_ONLY_RUNS = 0x02, BOTH_RUN = 0x00;
    constexpr std::uint8_t GAIN_ENTRY_0 = 0x3A, GAIN_ENTRY_1 = 0x3E, TX_FREQ = 3, CHAN_SELECT = 0,
                           RADIO_SELECT = 7;

    EXPECT_EQ(exchange('w', PAGE_REGISTER, {SOFT_RESET}).status, ACK_OK);
    write(0, MCU_CONTROL_REGISTER, AGC_ONLY_RUNS);
    write(2, AGC_RAM_ADDRESS_REGISTER, FIRMWARE_VERSION_ADDRESS);
    EXPECT_EQ(read(2, AGC_RAM_DATA_REGISTER), CALIBRATION_FIRMWARE_VERSION);
    EXPECT_EQ(read(3, AGC_STATUS_REGISTER) & CALIBRATION_DONE, CALIBRATION_DONE);

    write(0, MCU_CONTROL_REGISTER, BOTH_IN_RESET);
    write(0, MCU_CONTROL_REGISTER, ARB_ONLY_RUNS);
    write(0, MCU_CONTROL_REGISTER, BOTH_RUN);
    write(2, AGC_RAM_ADDRESS_REGISTER, FIRMWARE_VERSION_ADDRESS);
    EXPECT_EQ(read(2, AGC_RAM_DATA_REGISTER), AGC_FIRMWARE_VERSION);
    EXPECT_EQ(read(0, AGC_STATUS_REGISTER), AGC_STATUS_READY);

    const std::pair<std::uint8_t, std::uint8_t> steps[] = {{GAIN_ENTRY_0, 0x30},  {GAIN_ENTRY_1, 0x31},
                                                           {AGC_CMD_ABORT, 0x30}, {TX_FREQ, 0x33},
                                                           {CHAN_SELECT, 0x30},   {RADIO_SELECT, 0x40}};
    for (const auto& [value, status] : steps)
    {
        write(0, RADIO_SELECT_REGISTER, AGC_CMD_WAIT);
        write(0, RADIO_SELECT_REGISTER, value);
        EXPECT_EQ(read(0, AGC_STATUS_REGISTER), status) << "after AGC value " << unsigned(value);
    }
}

std::vector<std::uint8_t> bigEndian16(unsigned value)
{
    return {static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value & 0xFF)};
}

} // namespace PicoGwEmuTest
