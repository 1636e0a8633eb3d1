//
// FrameDecoder.cpp
//
// Implementation of the FrameDecoder class.
//

#include "tools/picogw-emu/FrameDecoder.h"

#include "tools/picogw-emu/Constants.h"

#include <cstring>

namespace PicoGwEmu
{

void FrameDecoder::feed(const std::uint8_t* bytes, std::size_t count)
{
    _buffer.insert(_buffer.end(), bytes, bytes + count);
}

std::optional<Request> FrameDecoder::next()
{
    std::size_t start = 0;
    while (start < _buffer.size() && !startsFrame(start))
        ++start;
    _skipped += start;
    _buffer.erase(_buffer.begin(), _buffer.begin() + static_cast<std::ptrdiff_t>(start));

    if (_buffer.size() < REQUEST_HEADER_SIZE)
        return std::nullopt;
    const std::size_t length = (std::size_t(_buffer[1]) << 8) | _buffer[2];
    const std::size_t frameSize = REQUEST_HEADER_SIZE + length;
    if (_buffer.size() < frameSize)
        return std::nullopt;

    Request request;
    request.command = static_cast<char>(_buffer[0]);
    request.address = _buffer[3];
    request.data.assign(_buffer.begin() + REQUEST_HEADER_SIZE,
                        _buffer.begin() + static_cast<std::ptrdiff_t>(frameSize));
    _buffer.erase(_buffer.begin(), _buffer.begin() + static_cast<std::ptrdiff_t>(frameSize));
    return request;
}

bool FrameDecoder::startsFrame(std::size_t at) const
{
    if (!isKnownCommand(static_cast<char>(_buffer[at])))
        return false;
    // A header not yet complete may still turn out to start a frame.
    if (_buffer.size() - at < REQUEST_HEADER_SIZE)
        return true;
    const std::size_t length = (std::size_t(_buffer[at + 1]) << 8) | _buffer[at + 2];
    return length <= MAX_REQUEST_DATA;
}

std::size_t FrameDecoder::takeSkipped()
{
    const std::size_t skipped = _skipped;
    _skipped = 0;
    return skipped;
}

void FrameDecoder::reset()
{
    _buffer.clear();
}

std::size_t FrameDecoder::buffered() const
{
    return _buffer.size();
}

bool FrameDecoder::isKnownCommand(char command)
{
    static const char commands[] = {Command::READ_REGISTER,     Command::READ_BURST_FIRST,
                                    Command::READ_BURST_MIDDLE, Command::READ_BURST_END,
                                    Command::READ_BURST_ATOMIC, Command::WRITE_REGISTER,
                                    Command::WRITE_BURST_FIRST, Command::WRITE_BURST_MIDDLE,
                                    Command::WRITE_BURST_END,   Command::WRITE_BURST_ATOMIC,
                                    Command::RECEIVE,           Command::RXRF_SETCONF,
                                    Command::RXIF_SETCONF,      Command::SEND,
                                    Command::TXGAIN_SETCONF,    Command::TRIGGER_COUNTER,
                                    Command::BOARD_SETCONF,     Command::COMMIT_CALIBRATION,
                                    Command::CHECK_FIRMWARE,    Command::RESET_MCU,
                                    Command::BOOTLOADER};
    return command != 0 && std::memchr(commands, command, sizeof(commands)) != nullptr;
}

} // namespace PicoGwEmu
