//
// FrameSplitter.cpp
//
// Implementation of the FrameSplitter class.
//

#include "tools/listen/FrameSplitter.h"

#include "contract/ConsumerContract.h"

#include <algorithm>
#include <cstring>

namespace LoRaWANListen
{

FrameSplitter::FrameSplitter(std::size_t maxFrameSize) : _maxFrameSize(maxFrameSize) {}

void FrameSplitter::append(const char* data, std::size_t length)
{
    if (_oversize)
    {
        return; // the stream is unusable; keeping its bytes would only grow the buffer
    }
    compact();
    _buffer.append(data, length);
}

FrameSplitter::Result FrameSplitter::next(Frame& frame)
{
    if (_oversize)
    {
        return Result::Oversize;
    }
    const char* begin = _buffer.data() + _start;
    const std::size_t available = _buffer.size() - _start;
    // A frame of exactly the limit has its terminator at index _maxFrameSize.
    const std::size_t searchEnd = std::min(available, _maxFrameSize + 1);
    if (_scanned < searchEnd)
    {
        const void* found =
            std::memchr(begin + _scanned, LoRaWANServer::ConsumerContract::FRAME_END, searchEnd - _scanned);
        if (found != nullptr)
        {
            const std::size_t length = static_cast<const char*>(found) - begin;
            frame.text = std::string_view(begin, length);
            frame.offset = _bufferOffset + _start;
            _start += length + 1;
            _scanned = 0;
            return Result::Frame;
        }
        _scanned = searchEnd;
    }
    if (available > _maxFrameSize)
    {
        _oversize = true;
        return Result::Oversize;
    }
    return Result::NeedMore;
}

std::size_t FrameSplitter::pending() const
{
    return _buffer.size() - _start;
}

std::uint64_t FrameSplitter::pendingOffset() const
{
    return _bufferOffset + _start;
}

std::uint64_t FrameSplitter::streamSize() const
{
    return _bufferOffset + _buffer.size();
}

void FrameSplitter::reset()
{
    _buffer.clear();
    _start = 0;
    _scanned = 0;
    _bufferOffset = 0;
    _oversize = false;
}

void FrameSplitter::compact()
{
    // Only the unfinished frame is moved; the frames handed out are gone.
    if (_start > 0)
    {
        _buffer.erase(0, _start);
        _bufferOffset += _start;
        _start = 0;
    }
}

} // namespace LoRaWANListen
