//
// ListenApp.cpp
//
// Implementation of the ListenApp class.
//

#include "tools/listen/ListenApp.h"

#include "tools/listen/DocumentValidator.h"
#include "tools/listen/PrintableText.h"
#include "tools/listen/TableFormatter.h"
#include "tools/listen/UnixListener.h"

#include <Poco/Exception.h>
#include <Poco/LocalDateTime.h>

#include <cerrno>
#include <cinttypes>
#include <csignal>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <unistd.h>

namespace LoRaWANListen
{

namespace
{

const std::uint64_t MICROSECONDS_PER_SECOND = 1000000;
const long NANOSECONDS_PER_MICROSECOND = 1000;
const std::size_t MAX_QUOTED_ERROR_SIZE = 200;
const char* const PROGRAM_NAME = "lorawan-listen";
const std::uint64_t WAIT_FOREVER = UINT64_MAX;

volatile std::sig_atomic_t stopSignal = 0;

extern "C" void onStopSignal(int signalNumber)
{
    stopSignal = signalNumber;
}

class SignalScope
/// Catches the signals that ask the tool to stop and keeps them blocked except
/// while it waits, so that none can slip in between a check and the wait.
/// Ignores SIGPIPE. Restores everything when it ends.
{
public:
    SignalScope()
    {
        stopSignal = 0;
        struct sigaction action
        {
        };
        action.sa_handler = onStopSignal;
        sigemptyset(&action.sa_mask);
        sigemptyset(&_stopSignals);
        for (std::size_t index = 0; index < STOP_SIGNAL_COUNT; ++index)
        {
            sigaddset(&_stopSignals, STOP_SIGNALS[index]);
            sigaction(STOP_SIGNALS[index], &action, &_previous[index]);
        }
        struct sigaction ignore
        {
        };
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        sigaction(SIGPIPE, &ignore, &_previousPipe);
        sigprocmask(SIG_BLOCK, &_stopSignals, &_previousMask);
        _waitMask = _previousMask;
        for (int signalNumber : STOP_SIGNALS)
        {
            sigdelset(&_waitMask, signalNumber);
        }
    }

    ~SignalScope()
    {
        sigprocmask(SIG_SETMASK, &_previousMask, nullptr);
        for (std::size_t index = 0; index < STOP_SIGNAL_COUNT; ++index)
        {
            sigaction(STOP_SIGNALS[index], &_previous[index], nullptr);
        }
        // SIGPIPE stays ignored: the last flush of standard output comes after.
    }

    SignalScope(const SignalScope&) = delete;
    SignalScope& operator=(const SignalScope&) = delete;

    const sigset_t* waitMask() const { return &_waitMask; }

private:
    static constexpr std::size_t STOP_SIGNAL_COUNT = 3;
    static constexpr int STOP_SIGNALS[STOP_SIGNAL_COUNT] = {SIGINT, SIGTERM, SIGHUP};

    sigset_t _stopSignals;
    sigset_t _previousMask;
    sigset_t _waitMask;
    struct sigaction _previous[STOP_SIGNAL_COUNT];
    struct sigaction _previousPipe;
};

std::uint64_t monotonicUs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * MICROSECONDS_PER_SECOND +
           static_cast<std::uint64_t>(now.tv_nsec / NANOSECONDS_PER_MICROSECOND);
}

std::uint64_t secondsToUs(double seconds)
{
    return static_cast<std::uint64_t>(seconds * MICROSECONDS_PER_SECOND);
}

// Standard error is unbuffered; one write per report keeps lines whole.
void report(const std::string& message)
{
    const std::string line = std::string(PROGRAM_NAME) + ": " + message + "\n";
    const ssize_t ignored = ::write(STDERR_FILENO, line.data(), line.size());
    (void)ignored;
}

std::string connectionAt(std::uint64_t connection, std::uint64_t offset)
{
    return "connection " + std::to_string(connection) + ", byte offset " + std::to_string(offset);
}

} // namespace

ListenApp::ListenApp(const ListenOptions& options, bool outputIsTerminal)
    : _options(options), _table(options.format == ListenOptions::Format::Table ||
                                (options.format == ListenOptions::Format::Auto && outputIsTerminal)),
      _flushEachPacket(outputIsTerminal), _output(STDOUT_FILENO),
      _headers(outputIsTerminal ? STDOUT_FILENO : -1), _statistics(options.latency), _chunk(READ_CHUNK_SIZE)
{
}

ListenApp::~ListenApp()
{
    closeConnection();
}

int ListenApp::run()
{
    SignalScope signals;
    _output.setInterruption(signals.waitMask(), &stopSignal);
    UnixListener listener(_options.socketPath, _options.socketMode);
    if (_table)
    {
        _output.write(TableFormatter::header());
        _headers.headerWritten();
    }
    const std::uint64_t startUs = monotonicUs();
    _startUs = startUs;
    _deadlineUs = _options.timeoutSeconds > 0 ? startUs + secondsToUs(_options.timeoutSeconds) : 0;
    _statsIntervalUs = secondsToUs(_options.statsIntervalSeconds);
    _nextStatsUs = _statsIntervalUs > 0 ? startUs + _statsIntervalUs : 0;
    serve(listener, signals.waitMask());
    closeConnection();
    return finish();
}

void ListenApp::serve(UnixListener& listener, const sigset_t* pWaitMask)
{
    bool moreDataLikely = false;
    while (_stop == Stop::None)
    {
        const std::uint64_t nowUs = monotonicUs();
        if (!keepTime(nowUs))
        {
            return;
        }
        std::uint64_t waitUs = 0;
        if (!moreDataLikely)
        {
            // About to wait: whatever was gathered reaches the reader now.
            _output.flush();
            checkOutput();
            if (_stop != Stop::None)
            {
                return;
            }
            waitUs = timeToWait(nowUs);
        }
        timespec timeout{};
        timeout.tv_sec = static_cast<time_t>(waitUs / MICROSECONDS_PER_SECOND);
        timeout.tv_nsec = static_cast<long>(waitUs % MICROSECONDS_PER_SECOND) * NANOSECONDS_PER_MICROSECOND;
        pollfd ready{_connection >= 0 ? _connection : listener.fd(), POLLIN, 0};
        const int count = ::ppoll(&ready, 1, waitUs == WAIT_FOREVER ? nullptr : &timeout, pWaitMask);
        if (count < 0 && errno != EINTR)
        {
            throw Poco::IOException(std::string("waiting for input failed: ") + std::strerror(errno), 0);
        }
        if (count < 0 && stopSignal != 0)
        {
            _stop = Stop::Signal;
        }
        if (count <= 0)
        {
            moreDataLikely = false;
        }
        else if (_connection < 0)
        {
            acceptConnection(listener);
            moreDataLikely = false;
        }
        else
        {
            moreDataLikely = readConnection();
        }
    }
}

bool ListenApp::keepTime(std::uint64_t nowUs)
{
    if (_deadlineUs != 0 && nowUs >= _deadlineUs)
    {
        _stop = Stop::Timeout;
        return false;
    }
    if (_nextStatsUs != 0 && nowUs >= _nextStatsUs)
    {
        printStatistics();
        while (_nextStatsUs <= nowUs)
        {
            _nextStatsUs += _statsIntervalUs;
        }
    }
    return true;
}

std::uint64_t ListenApp::timeToWait(std::uint64_t nowUs) const
{
    std::uint64_t waitUs = WAIT_FOREVER;
    if (_deadlineUs != 0)
    {
        waitUs = _deadlineUs - nowUs;
    }
    if (_nextStatsUs != 0 && _nextStatsUs - nowUs < waitUs)
    {
        waitUs = _nextStatsUs - nowUs;
    }
    return waitUs;
}

void ListenApp::acceptConnection(UnixListener& listener)
{
    _connection = listener.acceptConnection();
    if (_connection >= 0)
    {
        ++_connectionNumber;
        _statistics.recordConnection();
        _splitter.reset();
    }
}

bool ListenApp::readConnection()
{
    const ssize_t length = ::read(_connection, _chunk.data(), _chunk.size());
    if (length > 0)
    {
        const std::uint64_t arrivalUs = monotonicUs();
        if (_table)
        {
            _arrivalTime.update();
        }
        _splitter.append(_chunk.data(), static_cast<std::size_t>(length));
        processFrames(arrivalUs);
        return static_cast<std::size_t>(length) == _chunk.size() && _connection >= 0;
    }
    if (length < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
    {
        return false;
    }
    if (length < 0 && errno != ECONNRESET)
    {
        report(connectionAt(_connectionNumber, _splitter.streamSize()) +
               ": read failed: " + std::strerror(errno));
    }
    endConnection();
    return false;
}

void ListenApp::processFrames(std::uint64_t arrivalUs)
{
    FrameSplitter::Frame frame;
    while (_stop == Stop::None)
    {
        const FrameSplitter::Result result = _splitter.next(frame);
        if (result == FrameSplitter::Result::NeedMore)
        {
            return;
        }
        if (result == FrameSplitter::Result::Oversize)
        {
            report(connectionAt(_connectionNumber, _splitter.pendingOffset()) + ": frame longer than " +
                   std::to_string(MAX_FRAME_SIZE) + " bytes without a form feed; dropping the connection");
            _statistics.recordOversize();
            closeConnection();
            return;
        }
        handleFrame(frame, arrivalUs);
    }
}

void ListenApp::handleFrame(const FrameSplitter::Frame& frame, std::uint64_t arrivalUs)
{
    ++_frames;
    _statistics.recordFrame(arrivalUs);
    if (DocumentValidator::validate(frame.text, _document, _error))
    {
        _statistics.recordDocument(_document, arrivalUs);
        printDocument(frame.text);
    }
    else
    {
        _statistics.recordInvalid();
        report(connectionAt(_connectionNumber, frame.offset) + ": invalid frame of " +
               std::to_string(frame.text.size()) + " bytes (" +
               PrintableText::escape(_error, MAX_QUOTED_ERROR_SIZE) + "), beginning \"" +
               PrintableText::escape(frame.text, INVALID_FRAME_PREVIEW_SIZE) + "\"");
    }
    if (_options.count != 0 && _frames >= _options.count)
    {
        _stop = Stop::CountReached;
    }
}

void ListenApp::printDocument(std::string_view text)
{
    if (_table)
    {
        _line.clear();
        if (_headers.headerDueBefore())
        {
            _line = TableFormatter::header();
        }
        TableFormatter::appendLine(_line, _document, Poco::LocalDateTime(_arrivalTime));
        _output.write(_line);
    }
    else
    {
        _output.write(text);
        _output.write("\n");
    }
    if (_flushEachPacket)
    {
        _output.flush();
    }
    checkOutput();
}

void ListenApp::checkOutput()
{
    if (_output.failed() && _stop == Stop::None)
    {
        switch (_output.error())
        {
            case EPIPE:
                _stop = Stop::OutputClosed;
                break;
            case EINTR:
                _stop = Stop::Signal;
                break;
            default:
                _stop = Stop::OutputFailed;
                break;
        }
    }
}

void ListenApp::endConnection()
{
    if (_splitter.pending() > 0)
    {
        report(connectionAt(_connectionNumber, _splitter.pendingOffset()) +
               ": connection ended inside a frame; " + std::to_string(_splitter.pending()) +
               " bytes dropped");
        _statistics.recordPartial(_splitter.pending());
    }
    closeConnection();
}

void ListenApp::closeConnection()
{
    if (_connection >= 0)
    {
        ::close(_connection);
        _connection = -1;
    }
    _splitter.reset();
}

void ListenApp::printStatistics()
{
    const std::string text = _statistics.report() + _statistics.channels().text(monotonicUs() - _startUs);
    const ssize_t ignored = ::write(STDERR_FILENO, text.data(), text.size());
    (void)ignored;
}

int ListenApp::finish()
{
    _output.flush();
    checkOutput();
    int status = EXIT_NORMAL;
    switch (_stop)
    {
        case Stop::Timeout:
            report("timed out after " + std::to_string(_options.timeoutSeconds) + " s with " +
                   std::to_string(_frames) +
                   (_options.count != 0 ? " of " + std::to_string(_options.count) : std::string()) +
                   " frames");
            status = EXIT_TIMEOUT;
            break;
        case Stop::OutputFailed:
            report(std::string("cannot write to standard output: ") + std::strerror(_output.error()));
            status = EXIT_RUN_FAILURE;
            break;
        default:
            break;
    }
    if (_options.stats)
    {
        printStatistics();
    }
    return status;
}

} // namespace LoRaWANListen
