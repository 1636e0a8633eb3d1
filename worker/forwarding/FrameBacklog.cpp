//
// FrameBacklog.cpp
//
// Implementation of the FrameBacklog class.
//

#include "worker/forwarding/FrameBacklog.h"

#include "worker/forwarding/ForwardingConstants.h"

#include <algorithm>

namespace LoRaWANServer
{

FrameBacklog::FrameBacklog(std::size_t capacity, std::optional<Clock::duration> maxAge)
    : _capacity(std::max<std::size_t>(capacity, 1)), _maxAge(maxAge)
{
}

std::size_t FrameBacklog::push(std::string_view frame, Clock::time_point queued)
{
    std::size_t dropped = 0;
    if (_frames.size() >= _capacity)
    {
        const std::size_t oldestUnsent = firstUnsentFrame();
        if (oldestUnsent == _frames.size())
            return 1;
        erase(oldestUnsent);
        dropped = 1;
    }
    std::string bytes;
    if (!_spares.empty())
    {
        bytes = std::move(_spares.back());
        _spares.pop_back();
    }
    bytes.assign(frame);
    _frames.push_back(Frame{std::move(bytes), queued, false});
    return dropped;
}

std::size_t FrameBacklog::expire(Clock::time_point now)
{
    if (!_maxAge)
        return 0;
    const std::size_t oldestUnsent = firstUnsentFrame();
    std::size_t dropped = 0;
    while (oldestUnsent < _frames.size() && now - _frames[oldestUnsent].queued > *_maxAge)
    {
        erase(oldestUnsent);
        ++dropped;
    }
    return dropped;
}

int FrameBacklog::unsentPieces(iovec* pPieces, int maxPieces) const
{
    int pieces = 0;
    std::size_t offset = _wireOffset;
    for (std::size_t index = _wireFrames; index < _frames.size() && pieces < maxPieces; ++index)
    {
        const std::string& bytes = _frames[index].bytes;
        pPieces[pieces].iov_base = const_cast<char*>(bytes.data() + offset);
        pPieces[pieces].iov_len = bytes.size() - offset;
        ++pieces;
        offset = 0;
    }
    return pieces;
}

std::size_t FrameBacklog::sent(std::size_t bytes)
{
    std::size_t resent = 0;
    while (bytes > 0 && _wireFrames < _frames.size())
    {
        Frame& frame = _frames[_wireFrames];
        if (_wireOffset == 0)
        {
            resent += frame.sentBefore ? 1 : 0;
            frame.sentBefore = true;
        }
        const std::size_t taken = std::min(bytes, frame.bytes.size() - _wireOffset);
        _wireOffset += taken;
        bytes -= taken;
        if (_wireOffset == frame.bytes.size())
        {
            ++_wireFrames;
            _wireOffset = 0;
        }
    }
    return resent;
}

std::size_t FrameBacklog::read(std::size_t bytes)
{
    _readBytes += bytes;
    std::size_t delivered = 0;
    while (_wireFrames > 0 && _frames.front().bytes.size() <= _readBytes)
    {
        _readBytes -= _frames.front().bytes.size();
        recycle(_frames.front().bytes);
        _frames.pop_front();
        --_wireFrames;
        ++delivered;
    }
    return delivered;
}

void FrameBacklog::rewind()
{
    _wireFrames = 0;
    _wireOffset = 0;
    _readBytes = 0;
}

std::size_t FrameBacklog::size() const
{
    return _frames.size();
}

bool FrameBacklog::empty() const
{
    return _frames.empty();
}

bool FrameBacklog::hasUnsent() const
{
    return _wireFrames < _frames.size();
}

std::size_t FrameBacklog::wholeOnWire() const
{
    return _wireFrames;
}

std::size_t FrameBacklog::capacity() const
{
    return _capacity;
}

std::size_t FrameBacklog::firstUnsentFrame() const
{
    return _wireFrames + (_wireOffset > 0 ? 1 : 0);
}

void FrameBacklog::erase(std::size_t index)
{
    recycle(_frames[index].bytes);
    _frames.erase(_frames.begin() + static_cast<std::ptrdiff_t>(index));
}

void FrameBacklog::recycle(std::string& bytes)
{
    if (_spares.size() >= SPARE_FRAME_TEXTS)
        return;
    bytes.clear();
    _spares.push_back(std::move(bytes));
}

} // namespace LoRaWANServer
