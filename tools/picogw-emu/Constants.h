//
// Constants.h
//
// The fixed values of the emulated picoGW concentrator: the serial protocol of
// its USB MCU, the SX1301 register map the host relies on, and the layout of
// received packets.
//

#ifndef PicoGwEmu_Constants_INCLUDED
#define PicoGwEmu_Constants_INCLUDED

#include <cstddef>
#include <cstdint>

namespace PicoGwEmu
{

// --- Serial frames -----------------------------------------------------------

/// Host to MCU: command letter, length (big-endian), address; then the data.
constexpr std::size_t REQUEST_HEADER_SIZE = 4;
/// MCU to host: command letter, length (big-endian), status; then the data.
constexpr std::size_t ANSWER_HEADER_SIZE = 4;
/// Largest data part of a host command (the host splits longer bursts).
constexpr std::size_t MAX_REQUEST_DATA = 600;
/// Largest single burst read the host asks for.
constexpr std::size_t MAX_READ_BURST = 900;
/// The host's answer buffer: a longer answer (padding byte included) is refused.
constexpr std::size_t MAX_ANSWER_DATA = 1024 + 16 * 44;
/// The USB packet size: an answer filling whole packets gets one padding byte.
constexpr std::size_t USB_PACKET_SIZE = 64;
/// Answer status: command accepted.
constexpr std::uint8_t ACK_OK = 1;
/// Answer status: command refused.
constexpr std::uint8_t ACK_KO = 0;

/// MCU firmware version the host insists on, and that this board runs.
constexpr std::uint32_t MCU_FIRMWARE_VERSION = 0x010A0006;
/// The MCU's unique identifier as reported to the firmware check.
constexpr std::uint8_t MCU_UNIQUE_ID[] = {0x50, 0x69, 0x63, 0x6F, 0x45, 0x6D, 0x75, 0x01};

/// The command letters of the protocol.
namespace Command
{
constexpr char READ_REGISTER = 'r';
constexpr char READ_BURST_FIRST = 's';
constexpr char READ_BURST_MIDDLE = 't';
constexpr char READ_BURST_END = 'u';
constexpr char READ_BURST_ATOMIC = 'p';
constexpr char WRITE_REGISTER = 'w';
constexpr char WRITE_BURST_FIRST = 'x';
constexpr char WRITE_BURST_MIDDLE = 'y';
constexpr char WRITE_BURST_END = 'z';
constexpr char WRITE_BURST_ATOMIC = 'a';
constexpr char RECEIVE = 'b';
constexpr char RXRF_SETCONF = 'c';
constexpr char RXIF_SETCONF = 'd';
constexpr char SEND = 'f';
constexpr char TXGAIN_SETCONF = 'h';
constexpr char TRIGGER_COUNTER = 'q';
constexpr char BOARD_SETCONF = 'i';
constexpr char COMMIT_CALIBRATION = 'j';
constexpr char CHECK_FIRMWARE = 'l';
constexpr char RESET_MCU = 'm';
constexpr char BOOTLOADER = 'n';
} // namespace Command

/// Data sizes of the fixed-size commands.
constexpr std::size_t REGISTER_REQUEST_SIZE = 1;
constexpr std::size_t READ_BURST_REQUEST_SIZE = 2;
constexpr std::size_t FIRMWARE_CHECK_SIZE = 4;
constexpr std::size_t BOARD_CONF_SIZE = 4;
constexpr std::size_t RXRF_CONF_SIZE = 20;
constexpr std::size_t RXIF_CONF_SIZE = 32;
constexpr std::size_t TXGAIN_CONF_SIZE = 16 * 5 + 1;
constexpr std::size_t CALIBRATION_COMMIT_SIZE = 2;
constexpr std::size_t RECEIVE_REQUEST_SIZE = 1;
constexpr std::size_t TRIGGER_COUNTER_SIZE = 4;

// --- SX1301 registers --------------------------------------------------------

constexpr unsigned PAGE_COUNT = 4;
constexpr unsigned PAGE_SIZE = 128;
/// Addresses up to this one, and from FIRST_SHARED_HIGH_ADDRESS on, are the same
/// register in every page.
constexpr std::uint8_t LAST_SHARED_LOW_ADDRESS = 32;
constexpr std::uint8_t FIRST_SHARED_HIGH_ADDRESS = 125;

/// Register 0: page select in the low bits, soft reset in the top bit.
constexpr std::uint8_t PAGE_REGISTER = 0;
constexpr std::uint8_t PAGE_MASK = 0x03;
constexpr std::uint8_t SOFT_RESET_BIT = 0x80;
/// Register 1: the chip version, read-only.
constexpr std::uint8_t VERSION_REGISTER = 1;
constexpr std::uint8_t CHIP_VERSION = 103;
/// Data ports: bursts to these stream through memories, not through registers.
constexpr std::uint8_t RX_DATA_BUFFER_PORT = 4;
constexpr std::uint8_t TX_DATA_BUFFER_PORT = 6;
constexpr std::uint8_t CAPTURE_RAM_PORT = 8;
constexpr std::uint8_t MCU_PROGRAM_PORT = 10;
/// The AGC MCU's status word (calibration result, then the AGC handshake).
constexpr std::uint8_t AGC_STATUS_REGISTER = 32;

/// Page 0: the value the host hands to the AGC firmware.
constexpr std::uint8_t RADIO_SELECT_PAGE = 0;
constexpr std::uint8_t RADIO_SELECT_REGISTER = 35;
/// Page 0: the reset bits of the two chip MCUs (arbiter and AGC).
constexpr std::uint8_t MCU_CONTROL_PAGE = 0;
constexpr std::uint8_t MCU_CONTROL_REGISTER = 106;
constexpr std::uint8_t ARB_RESET_BIT = 0x01;
constexpr std::uint8_t AGC_RESET_BIT = 0x02;
/// Both MCUs are held in reset after a soft reset.
constexpr std::uint8_t MCU_CONTROL_RESET_VALUE = ARB_RESET_BIT | AGC_RESET_BIT;

/// Page 2: the radios' SPI read-back, and the MCUs' data memory debug window.
constexpr std::uint8_t RADIO_PAGE = 2;
constexpr std::uint8_t RADIO_A_READBACK_REGISTER = 34;
constexpr std::uint8_t RADIO_B_READBACK_REGISTER = 39;
constexpr std::uint8_t ARB_RAM_DATA_REGISTER = 64;
constexpr std::uint8_t AGC_RAM_DATA_REGISTER = 65;
constexpr std::uint8_t ARB_RAM_ADDRESS_REGISTER = 80;
constexpr std::uint8_t AGC_RAM_ADDRESS_REGISTER = 81;

/// A running radio reports its PLL as locked through the read-back register.
constexpr std::uint8_t RADIO_PLL_LOCKED = 0x02;

/// Where the MCU firmwares keep their version in data memory, and the versions.
constexpr std::uint8_t FIRMWARE_VERSION_ADDRESS = 0x20;
constexpr std::uint8_t CALIBRATION_FIRMWARE_VERSION = 2;
constexpr std::uint8_t AGC_FIRMWARE_VERSION = 4;
constexpr std::uint8_t ARB_FIRMWARE_VERSION = 1;

/// Calibration status: finished and chip reachable; radio A, radio B reachable.
constexpr std::uint8_t CALIBRATION_DONE = 0x81;
constexpr std::uint8_t CALIBRATION_RADIO_A = 0x02;
constexpr std::uint8_t CALIBRATION_RADIO_B = 0x04;

/// The AGC firmware's start-up handshake.
constexpr std::uint8_t AGC_STATUS_READY = 0x10;
constexpr std::uint8_t AGC_STATUS_ACK_BASE = 0x30;
constexpr std::uint8_t AGC_STATUS_RUNNING = 0x40;
constexpr std::uint8_t AGC_STATUS_VALUE_MASK = 0x0F;
constexpr std::uint8_t AGC_CMD_WAIT = 16;
constexpr std::uint8_t AGC_CMD_ABORT = 17;
constexpr unsigned TX_GAIN_LUT_SIZE_MAX = 16;

// --- Received packets --------------------------------------------------------

constexpr unsigned RF_CHAIN_COUNT = 2;
/// The most packets one receive answer carries.
constexpr unsigned PKT_FIFO_SIZE = 16;
/// Metadata of a packet in a receive answer, laid out as the host's record.
constexpr std::size_t PACKET_METADATA_SIZE = 44;
/// The host steps from packet to packet by the low byte of the size only.
constexpr std::size_t MAX_PAYLOAD_SIZE = 255;

/// Metadata offsets (little-endian fields).
namespace PacketOffset
{
constexpr std::size_t FREQ_HZ = 0;
constexpr std::size_t IF_CHAIN = 4;
constexpr std::size_t STATUS = 5;
constexpr std::size_t COUNT_US = 8;
constexpr std::size_t RF_CHAIN = 12;
constexpr std::size_t MODULATION = 13;
constexpr std::size_t BANDWIDTH = 14;
constexpr std::size_t DATARATE = 16;
constexpr std::size_t CODERATE = 20;
constexpr std::size_t RSSI = 24;
constexpr std::size_t SNR = 28;
constexpr std::size_t SNR_MIN = 32;
constexpr std::size_t SNR_MAX = 36;
constexpr std::size_t CRC = 40;
constexpr std::size_t SIZE = 42;
} // namespace PacketOffset

// --- Tool --------------------------------------------------------------------

/// The host copies the device path into a buffer of this size.
constexpr std::size_t MAX_DEVICE_PATH_LENGTH = 49;
/// Longest control line accepted before the client is dropped.
constexpr std::size_t MAX_CONTROL_LINE = 64 * 1024;
/// How often a disconnected pseudo-terminal is checked for a new host, in ms.
constexpr int RECONNECT_POLL_MS = 50;

} // namespace PicoGwEmu

#endif // PicoGwEmu_Constants_INCLUDED
