//
// OutputWriter.h
//
// Library: LoRaWANServer_Listen
// Package: Listen
// Module:  OutputWriter
//
// Definition of the OutputWriter class, the buffered standard output of
// lorawan-listen.
//

#ifndef LoRaWANListen_OutputWriter_INCLUDED
#define LoRaWANListen_OutputWriter_INCLUDED

#include "tools/listen/ListenConstants.h"

#include <csignal>
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
    explicit OutputWriter(int fd, std::size_t capacity = OUTPUT_BUFFER_SIZE);
    /// Writes to fd, which the caller keeps open and owns, in pieces of up to
    /// capacity bytes.

    void setInterruption(const sigset_t* pWaitMask, const volatile std::sig_atomic_t* pStopFlag);
    /// Makes every wait for fd to take more output one that the signals absent
    /// from pWaitMask can interrupt: after such a signal, if *pStopFlag is not 0,
    /// the output is given up with the error EINTR; while *pStopFlag is not 0,
    /// output that fd cannot take at once is given up so too. Without this (or with null
    /// pointers), writes block as long as fd makes them. The pointers must stay
    /// valid while the writer writes.

    void write(std::string_view text);
    /// Adds text; writes out the gathered text first when text would not fit.

    void flush();
    /// Writes out everything gathered so far, waiting while fd cannot take it.

    bool failed() const;
    /// Returns true once a write has failed.

    int error() const;
    /// Returns the errno of the failed write (EPIPE when the reader went away,
    /// EINTR when a stop signal ended a wait), 0 before any failure.

private:
    void writeAll(const char* data, std::size_t length);
    bool waitUntilWritable();

    int _fd;
    const sigset_t* _pWaitMask = nullptr;
    const volatile std::sig_atomic_t* _pStopFlag = nullptr;
    std::size_t _capacity;
    std::string _buffer;
    int _error = 0;
};

} // namespace LoRaWANListen

#endif // LoRaWANListen_OutputWriter_INCLUDED
