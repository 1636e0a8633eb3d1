//
// Sx1301.cpp
//
// Implementation of the Sx1301 class.
//

#include "tools/picogw-emu/Sx1301.h"

namespace PicoGwEmu
{

Sx1301::Sx1301()
{
    powerOn();
}

void Sx1301::powerOn()
{
    _radioEnabled.fill(false);
    softReset();
}

void Sx1301::softReset()
{
    _registers.reset();
    _agc.reset();
}

void Sx1301::setRadioEnabled(unsigned rfChain, bool enabled)
{
    _radioEnabled.at(rfChain) = enabled;
}

bool Sx1301::radioEnabled(unsigned rfChain) const
{
    return _radioEnabled.at(rfChain);
}

unsigned Sx1301::page() const
{
    return _registers.page();
}

bool Sx1301::started() const
{
    return _agc.running();
}

bool Sx1301::inPage(unsigned page) const
{
    return _registers.page() == page;
}

std::uint8_t Sx1301::readRegister(std::uint8_t address)
{
    if (address == PAGE_REGISTER)
        return static_cast<std::uint8_t>(_registers.page());
    if (address == VERSION_REGISTER)
        return CHIP_VERSION;
    if (address == AGC_STATUS_REGISTER)
        return agcStatus();
    if (inPage(RADIO_PAGE))
    {
        switch (address)
        {
            case RADIO_A_READBACK_REGISTER:
                return radioReadback(0);
            case RADIO_B_READBACK_REGISTER:
                return radioReadback(1);
            case ARB_RAM_DATA_REGISTER:
                return _registers.read(ARB_RAM_ADDRESS_REGISTER) == FIRMWARE_VERSION_ADDRESS
                           ? ARB_FIRMWARE_VERSION
                           : 0;
            case AGC_RAM_DATA_REGISTER:
                if (_registers.read(AGC_RAM_ADDRESS_REGISTER) != FIRMWARE_VERSION_ADDRESS)
                    return 0;
                return arbiterRunning() ? AGC_FIRMWARE_VERSION : CALIBRATION_FIRMWARE_VERSION;
            default:
                break;
        }
    }
    return _registers.read(address);
}

void Sx1301::writeRegister(std::uint8_t address, std::uint8_t value)
{
    if (address == PAGE_REGISTER)
    {
        if (value & SOFT_RESET_BIT)
            softReset();
        _registers.selectPage(value & PAGE_MASK);
        return;
    }
    if (address == VERSION_REGISTER)
        return;

    const std::uint8_t previous = _registers.read(address);
    _registers.write(address, value);
    if (inPage(MCU_CONTROL_PAGE) && address == MCU_CONTROL_REGISTER)
        onMcuControl(previous, value);
    else if (inPage(RADIO_SELECT_PAGE) && address == RADIO_SELECT_REGISTER)
        _agc.onRadioSelect(value);
}

void Sx1301::onMcuControl(std::uint8_t previous, std::uint8_t value)
{
    const bool agcReleased = (previous & AGC_RESET_BIT) && !(value & AGC_RESET_BIT);
    if (agcReleased && arbiterRunning())
        _agc.start();
    else if (value & AGC_RESET_BIT)
        _agc.reset();
}

bool Sx1301::arbiterRunning() const
{
    // Calibration runs on the AGC alone; the arbiter leaves reset only when the
    // host starts the concentrator proper. So a running arbiter tells the main
    // AGC firmware from the calibration firmware (the program memories are not
    // modelled, and the host goes on even when their read-back differs).
    return !(_registers.readAt(MCU_CONTROL_PAGE, MCU_CONTROL_REGISTER) & ARB_RESET_BIT);
}

std::uint8_t Sx1301::agcStatus() const
{
    if (_agc.phase() != AgcHandshake::Phase::Idle)
        return _agc.status();
    const bool agcRunning = !(_registers.readAt(MCU_CONTROL_PAGE, MCU_CONTROL_REGISTER) & AGC_RESET_BIT);
    if (agcRunning && !arbiterRunning())
        return calibrationStatus();
    return 0;
}

std::uint8_t Sx1301::calibrationStatus() const
{
    std::uint8_t status = CALIBRATION_DONE;
    if (_radioEnabled[0])
        status |= CALIBRATION_RADIO_A;
    if (_radioEnabled[1])
        status |= CALIBRATION_RADIO_B;
    return status;
}

std::uint8_t Sx1301::radioReadback(unsigned rfChain) const
{
    return _radioEnabled[rfChain] ? RADIO_PLL_LOCKED : 0;
}

bool Sx1301::isDataPort(std::uint8_t address)
{
    return address == RX_DATA_BUFFER_PORT || address == TX_DATA_BUFFER_PORT || address == CAPTURE_RAM_PORT ||
           address == MCU_PROGRAM_PORT;
}

bool Sx1301::fitsInPage(std::uint8_t address, std::size_t size) const
{
    return std::size_t(address) + size <= PAGE_SIZE;
}

bool Sx1301::readBurst(std::uint8_t address, std::size_t size, std::vector<std::uint8_t>& data)
{
    if (isDataPort(address))
    {
        data.insert(data.end(), size, 0);
        return true;
    }
    if (!fitsInPage(address, size))
        return false;
    for (std::size_t i = 0; i < size; ++i)
        data.push_back(readRegister(static_cast<std::uint8_t>(address + i)));
    return true;
}

bool Sx1301::writeBurst(std::uint8_t address, const std::vector<std::uint8_t>& data)
{
    if (isDataPort(address))
        return true;
    if (!fitsInPage(address, data.size()))
        return false;
    for (std::size_t i = 0; i < data.size(); ++i)
        writeRegister(static_cast<std::uint8_t>(address + i), data[i]);
    return true;
}

} // namespace PicoGwEmu
