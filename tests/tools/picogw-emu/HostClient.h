//
// HostClient.h
//
// Test helper: a host speaking the serial protocol to the emulator's device.
//

#ifndef PicoGwEmuTest_HostClient_INCLUDED
#define PicoGwEmuTest_HostClient_INCLUDED

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

namespace PicoGwEmuTest
{

struct Reply
/// One answer frame as received by the host.
{
    char command = 0;
    std::uint8_t status = 0;
    std::vector<std::uint8_t> data;
    std::size_t padding = 0;
};

class HostClient
/// Opens the device as the HAL does (raw, 8N1) and exchanges frames.
{
public:
    explicit HostClient(const std::string& device);
    ~HostClient();
    HostClient(const HostClient&) = delete;
    HostClient& operator=(const HostClient&) = delete;

    void send(char command, std::uint8_t address, const std::vector<std::uint8_t>& data = {});
    /// Writes one command frame.

    void sendRaw(const std::vector<std::uint8_t>& bytes);
    /// Writes bytes as they are.

    Reply receive();
    /// Reads one answer frame, with the padding byte when the padding rule asks
    /// for one; fails the test on a time-out.

    Reply exchange(char command, std::uint8_t address, const std::vector<std::uint8_t>& data = {});
    /// Sends a command and returns its answer.

    bool quiet(std::chrono::milliseconds wait);
    /// Returns true if no byte arrives within wait.

    ssize_t readBlocking();
    /// Reads one byte the way the HAL does, waiting without limit, and returns
    /// what read returned.

    bool unplugged();
    /// Returns true when the device reads end of file and refuses writes, as
    /// after the board is pulled out.

    void close();
    /// Closes the device.

    void selectPage(unsigned page);
    std::uint8_t read(unsigned page, std::uint8_t address);
    void write(unsigned page, std::uint8_t address, std::uint8_t value);
    /// Register access with the page switch the HAL makes before each access.

    void configureRadio(unsigned rfChain, bool enabled);
    /// Sends the radio configuration command.

    void startConcentrator();
    /// Walks through the HAL's start at register level: soft reset, calibration
    /// with the AGC alone, then both MCUs released and the AGC handshake for a
    /// two-entry gain table. Fails the test if any status is not as expected.

private:
    void readExactly(std::uint8_t* buffer, std::size_t size);

    int _fd;
};

std::vector<std::uint8_t> bigEndian16(unsigned value);
/// Returns the two bytes of a burst-read size.

} // namespace PicoGwEmuTest

#endif // PicoGwEmuTest_HostClient_INCLUDED
