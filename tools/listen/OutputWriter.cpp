//
// OutputWriter.cpp
//
// Implementation of the OutputWriter class.
//

#include "tools/listen/OutputWriter.h"

#include <cerrno>
#include <poll.h>
#include <unistd.h>

namespace LoRaWANListen
{

OutputWriter::OutputWriter(int fd, std::size_t capacity) : _fd(fd), _capacity(capacity), _error(0)
{
    _buffer.reserve(_capacity);
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
    while (length > 0 && _error == 0)
    {
        const ssize_t written = ::write(_fd, data, length);
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

} // namespace LoRaWANListen
