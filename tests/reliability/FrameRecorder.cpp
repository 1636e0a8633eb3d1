//
// FrameRecorder.cpp
//
// Implementation of the FrameRecorder class.
//

#include "FrameRecorder.h"

namespace TestSupport
{

namespace
{

/// How long the serving thread waits for something before it looks at its flags again.
const Milliseconds POLL_INTERVAL{10};
/// What each read of a slow reader takes, one frame every POLL_INTERVAL: less
/// than most frames of the generator.
const std::size_t SLOW_READ_BYTES = 200;

} // namespace

FrameRecorder::FrameRecorder(const std::string& path) : _socket(path), _thread([this] { serve(); }) {}

FrameRecorder::~FrameRecorder()
{
    _stop = true;
    if (_thread.joinable())
        _thread.join();
}

std::size_t FrameRecorder::connectionCount() const
{
    std::lock_guard<std::mutex> lock(_mutex);
    return _connections.size();
}

std::vector<FrameRecorder::Connection> FrameRecorder::finish()
{
    _stop = true;
    _thread.join();
    // The sender has ended: every connection it left reaches its end at once.
    for (;;)
    {
        readToTheEnd();
        if (!_socket.hasPendingConnection(Milliseconds(0)))
            break;
        acceptNext();
    }
    std::lock_guard<std::mutex> lock(_mutex);
    return _connections;
}

void FrameRecorder::serve()
{
    while (!_stop)
    {
        if (_drop.exchange(false) && _connected)
        {
            std::lock_guard<std::mutex> lock(_mutex);
            _connections.back().rest = _socket.pending();
            _socket.closeConnection();
            _connected = false;
        }
        // The sender connects anew only after it gave up the connection before.
        if ((!_connected || !_stalled) && _socket.hasPendingConnection(Milliseconds(0)))
        {
            readToTheEnd();
            acceptNext();
        }
        _socket.limitReads(_slowly ? SLOW_READ_BYTES : 0);
        if (_connected && !_stalled && _slowly)
        {
            readBatch(POLL_INTERVAL, 1);
            std::this_thread::sleep_for(POLL_INTERVAL);
        }
        // Nothing to read, or the end of a stream that has not been replaced yet.
        else if (!_connected || _stalled || readBatch(POLL_INTERVAL) == 0)
            std::this_thread::sleep_for(POLL_INTERVAL);
    }
}

void FrameRecorder::acceptNext()
{
    _socket.accept(Milliseconds(0));
    _connected = true;
    std::lock_guard<std::mutex> lock(_mutex);
    _connections.emplace_back();
}

std::size_t FrameRecorder::readBatch(Milliseconds limit, std::size_t count)
{
    const std::vector<std::string> frames = _socket.readFrames(count, limit);
    std::lock_guard<std::mutex> lock(_mutex);
    Connection& current = _connections.back();
    current.frames.insert(current.frames.end(), frames.begin(), frames.end());
    current.rest = _socket.pending();
    _frames += frames.size();
    return frames.size();
}

void FrameRecorder::readToTheEnd()
{
    _socket.limitReads(0);
    // A batch short of full ends at the end of the stream (or after the patience).
    while (_connected && readBatch(PATIENCE) == FRAMES_PER_BATCH)
    {
    }
}

} // namespace TestSupport
