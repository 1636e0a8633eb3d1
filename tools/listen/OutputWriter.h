//
// OutputWriter.h
//
// Definition of the OutputWriter class, the buffered standard output of
// lorawan-listen.
//

#ifndef LoRaWANListen_OutputWriter_INCLUDED
#define LoRaWANListen_OutputWriter_INCLUDED

#include "tools/listen/ListenConstants.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace LoRaWANListen
{

class OutputWriter
/// Gathers text and writes it to a file descriptor in large pieces, so that a
/// high packet rate costs few system calls. A failed write is remembered, not
/// thrown: after it, everything is discarded and failed() tells the caller
/// to stop. A reader that has gone away gives EPIPE, never SIGPIPE, provided
/// the process ignores that signal.
{
public:
    explicit OutputWriter(int fd, std::size_t capacity = OutputBufferSize);
    /// Writes to fd, which the caller keeps open and owns, in pieces of up to
    /// capacity bytes.

    void write(std::string_view text);
    /// Adds text; writes out the gathered text first when text would not fit.

    void flush();
    /// Writes out everything gathered so far, waiting while fd cannot take it.

    bool failed() const;
    /// Returns true once a write has failed.

    int error() const;
    /// Returns the errno of the failed write (EPIPE when the reader went away),
    /// 0 before any failure.

private:
    void writeAll(const char* data, std::size_t length);

    int _fd;
    std::size_t _capacity;
    std::string _buffer;
    int _error;
};

} // namespace LoRaWANListen

#endif // LoRaWANListen_OutputWriter_INCLUDED
