//
// Mcu.cpp
//
// Implementation of the Mcu class.
//

#include "tools/picogw-emu/Mcu.h"

#include "tools/picogw-emu/ConcentratorClock.h"
#include "tools/picogw-emu/Constants.h"
#include "tools/picogw-emu/PacketEncoder.h"

#include <iterator>

namespace PicoGwEmu
{

namespace
{

std::uint32_t bigEndian32(const std::vector<std::uint8_t>& data)
{
    return (std::uint32_t(data[0]) << 24) | (std::uint32_t(data[1]) << 16) | (std::uint32_t(data[2]) << 8) |
           std::uint32_t(data[3]);
}

bool validAddress(std::uint8_t address)
{
    return address < PAGE_SIZE;
}

} // namespace

Mcu::Mcu(std::deque<Packet>& packets) : _packets(packets) {}

const Sx1301& Mcu::chip() const
{
    return _chip;
}

Answer Mcu::handle(const Request& request)
{
    switch (request.command)
    {
        case Command::CHECK_FIRMWARE:
            return checkFirmware(request);
        case Command::READ_REGISTER:
            return readRegister(request);
        case Command::WRITE_REGISTER:
            return writeRegister(request);
        case Command::READ_BURST_ATOMIC:
        case Command::READ_BURST_FIRST:
        case Command::READ_BURST_MIDDLE:
        case Command::READ_BURST_END:
            return readBurst(request);
        case Command::WRITE_BURST_ATOMIC:
        case Command::WRITE_BURST_FIRST:
        case Command::WRITE_BURST_MIDDLE:
        case Command::WRITE_BURST_END:
            return writeBurst(request);
        case Command::RXRF_SETCONF:
            return configureRadio(request);
        case Command::RXIF_SETCONF:
            return acceptSized(request, RXIF_CONF_SIZE);
        case Command::BOARD_SETCONF:
            return acceptSized(request, BOARD_CONF_SIZE);
        case Command::TXGAIN_SETCONF:
            return acceptSized(request, TXGAIN_CONF_SIZE);
        case Command::COMMIT_CALIBRATION:
            return acceptSized(request, CALIBRATION_COMMIT_SIZE);
        case Command::RECEIVE:
            return receive(request);
        case Command::TRIGGER_COUNTER:
            return triggerCounter(request);
        case Command::RESET_MCU:
            return resetMcu(request);
        default:
            return Answer::refused(request.command);
    }
}

Answer Mcu::checkFirmware(const Request& request)
{
    if (request.data.size() != FIRMWARE_CHECK_SIZE || bigEndian32(request.data) != MCU_FIRMWARE_VERSION)
        return Answer::refused(request.command);
    return Answer::ok(request.command,
                      std::vector<std::uint8_t>(std::begin(MCU_UNIQUE_ID), std::end(MCU_UNIQUE_ID)));
}

Answer Mcu::readRegister(const Request& request)
{
    if (request.data.size() != REGISTER_REQUEST_SIZE || !validAddress(request.address))
        return Answer::refused(request.command);
    return Answer::ok(request.command, {_chip.readRegister(request.address)});
}

Answer Mcu::writeRegister(const Request& request)
{
    if (request.data.size() != REGISTER_REQUEST_SIZE || !validAddress(request.address))
        return Answer::refused(request.command);
    _chip.writeRegister(request.address, request.data[0]);
    return Answer::ok(request.command);
}

Answer Mcu::readBurst(const Request& request)
{
    if (request.data.size() != READ_BURST_REQUEST_SIZE || !validAddress(request.address))
        return Answer::refused(request.command);
    const std::size_t size = (std::size_t(request.data[0]) << 8) | request.data[1];
    if (size == 0 || size > MAX_READ_BURST)
        return Answer::refused(request.command);
    std::vector<std::uint8_t> data;
    data.reserve(size);
    if (!_chip.readBurst(request.address, size, data))
        return Answer::refused(request.command);
    return Answer::ok(request.command, std::move(data));
}

Answer Mcu::writeBurst(const Request& request)
{
    if (request.data.empty() || !validAddress(request.address))
        return Answer::refused(request.command);
    if (!_chip.writeBurst(request.address, request.data))
        return Answer::refused(request.command);
    return Answer::ok(request.command);
}

Answer Mcu::configureRadio(const Request& request)
{
    if (request.data.size() != RXRF_CONF_SIZE || request.address >= RF_CHAIN_COUNT)
        return Answer::refused(request.command);
    // The first byte of the radio configuration is its enable flag.
    _chip.setRadioEnabled(request.address, request.data[0] != 0);
    return Answer::ok(request.command);
}

Answer Mcu::receive(const Request& request)
{
    if (request.data.size() != RECEIVE_REQUEST_SIZE)
        return Answer::refused(request.command);
    if (!_chip.started())
        return Answer::ok(request.command, {0});
    return Answer::ok(request.command,
                      PacketEncoder::encodeReceive(_packets, request.data[0], ConcentratorClock::now()));
}

Answer Mcu::triggerCounter(const Request& request)
{
    if (!request.data.empty())
        return Answer::refused(request.command);
    const std::uint32_t counter = ConcentratorClock::now();
    return Answer::ok(request.command,
                      {static_cast<std::uint8_t>(counter >> 24), static_cast<std::uint8_t>(counter >> 16),
                       static_cast<std::uint8_t>(counter >> 8), static_cast<std::uint8_t>(counter)});
}

void Mcu::powerOn()
{
    _chip.powerOn();
}

Answer Mcu::resetMcu(const Request& request)
{
    // Back to power-on, configuration included; the host closes the link right
    // after the answer, as the real board drops off USB to restart.
    powerOn();
    return Answer::ok(request.command);
}

Answer Mcu::acceptSized(const Request& request, std::size_t size)
{
    if (request.data.size() != size)
        return Answer::refused(request.command);
    return Answer::ok(request.command);
}

} // namespace PicoGwEmu
