//
// OutputWriter.cpp
//
// Implementation of the OutputWriter class.
//

#include "tools/listen/OutputWriter.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <poll.h>
#include <unistd.h>

namespace LoRaWANListen
{

OutputWriter::OutputWriter(int fd, std::size_t capacity) : _fd(fd), _capacity(capacity)
{
    _buffer.reserve(_capacity);
}

void OutputWriter::setInterruption(const sigset_t* pWaitMask, const volatile std::sig_atomic_t* pStopFlag)
{
    _pWaitMask = pWaitMask;
    _pStopFlag = pStopFlag;
}

void OutputWriter::write(std::string_view text)
{
    if (_error != 0)
    {
        return;
    }
    if (_buffer.size() + text.size() > _capacity)
    {
        flush();
        if (text.size() > _capacity)
        {
            writeAll(text.data(), text.size());
            return;
        }
    }
    _buffer.append(text);
}

void OutputWriter::flush()
{
    if (_error == 0 && !_buffer.empty())
    {
        writeAll(_buffer.data(), _buffer.size());
    }
    _buffer.clear();
}

bool OutputWriter::failed() const
{
    return _error != 0;
}

int OutputWriter::error() const
{
    return _error;
}

void OutputWriter::writeAll(const char* data, std::size_t length)
{
    const bool interruptible = _pWaitMask != nullptr && _pStopFlag != nullptr;
    while (length > 0 && _error == 0)
    {
        // A blocking write into a full pipe would wait with the stop signals
        // blocked; waiting here instead lets them through, and a piece of at
        // most PIPE_BUF bytes then fits without blocking.
        if (interruptible && !waitUntilWritable())
        {
            return;
        }
        const std::size_t piece = interruptible ? std::min<std::size_t>(length, PIPE_BUF) : length;
        const ssize_t written = ::write(_fd, data, piece);
        if (written > 0)
        {
            data += written;
            length -= static_cast<std::size_t>(written);
        }
        else if (written < 0 && errno == EINTR)
        {
            continue;
        }
        else if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
        {
            // Standard output may have been handed over non-blocking.
            pollfd ready{_fd, POLLOUT, 0};
            ::poll(&ready, 1, -1);
        }
        else
        {
            _error = written < 0 ? errno : EIO;
        }
    }
}

bool OutputWriter::waitUntilWritable()
{
    // Once a stop has been asked for, output that cannot go at once is given
    // up rather than waited for.
    const timespec noWait{0, 0};
    for (;;)
    {
        pollfd ready{_fd, POLLOUT, 0};
        const int count = ::ppoll(&ready, 1, *_pStopFlag != 0 ? &noWait : nullptr, _pWaitMask);
        if (count > 0)
        {
            return true; // an error condition shows in the write that follows
        }
        if (count < 0 && errno != EINTR)
        {
            _error = errno;
            return false;
        }
        if (*_pStopFlag != 0)
        {
            _error = EINTR;
            return false;
        }
    }
}

} // namespace LoRaWANListen
