//
// AgcHandshake.cpp
//
// Implementation of the AgcHandshake class.
//

#include "tools/picogw-emu/AgcHandshake.h"

#include "tools/picogw-emu/Constants.h"

namespace PicoGwEmu
{

AgcHandshake::AgcHandshake()
{
    reset();
}

void AgcHandshake::reset()
{
    _phase = Phase::Idle;
    _armed = false;
    _gainEntries = 0;
    _status = 0;
}

void AgcHandshake::start()
{
    reset();
    _phase = Phase::GainTable;
    _status = AGC_STATUS_READY;
}

void AgcHandshake::onRadioSelect(std::uint8_t value)
{
    if (_phase == Phase::Idle || _phase == Phase::Running)
        return;
    // The value after the wait command is data, even when it equals the wait
    // command itself (a radio-select word may well be 16).
    if (!_armed)
    {
        _armed = value == AGC_CMD_WAIT;
        return;
    }
    _armed = false;
    acknowledge(value);
}

void AgcHandshake::acknowledge(std::uint8_t value)
{
    switch (_phase)
    {
        case Phase::GainTable:
            if (value == AGC_CMD_ABORT)
            {
                _status = AGC_STATUS_ACK_BASE;
                _phase = Phase::TxFrequency;
                break;
            }
            _status = static_cast<std::uint8_t>(AGC_STATUS_ACK_BASE + _gainEntries);
            if (++_gainEntries == TX_GAIN_LUT_SIZE_MAX)
                _phase = Phase::TxFrequency;
            break;
        case Phase::TxFrequency:
            _status = static_cast<std::uint8_t>(AGC_STATUS_ACK_BASE | (value & AGC_STATUS_VALUE_MASK));
            _phase = Phase::ChanSelect;
            break;
        case Phase::ChanSelect:
            _status = static_cast<std::uint8_t>(AGC_STATUS_ACK_BASE | (value & AGC_STATUS_VALUE_MASK));
            _phase = Phase::RadioSelect;
            break;
        case Phase::RadioSelect:
            _status = AGC_STATUS_RUNNING;
            _phase = Phase::Running;
            break;
        case Phase::Idle:
        case Phase::Running:
            break;
    }
}

std::uint8_t AgcHandshake::status() const
{
    return _status;
}

AgcHandshake::Phase AgcHandshake::phase() const
{
    return _phase;
}

bool AgcHandshake::running() const
{
    return _phase == Phase::Running;
}

} // namespace PicoGwEmu
