//
// ListenApp.h
//
// Library: LoRaWANServer_Listen
// Package: Listen
// Module:  ListenApp
//
// Definition of the ListenApp class, the run of lorawan-listen: the socket,
// the connections, the frames and what is shown of them.
//

#ifndef LoRaWANListen_ListenApp_INCLUDED
#define LoRaWANListen_ListenApp_INCLUDED

#include "tools/listen/FrameSplitter.h"
#include "tools/listen/HeaderSchedule.h"
#include "tools/listen/ListenOptions.h"
#include "tools/listen/OutputWriter.h"
#include "tools/listen/PacketDocument.h"
#include "tools/listen/Statistics.h"

#include <Poco/Timestamp.h>

#include <csignal>
#include <cstdint>
#include <string>
#include <vector>

namespace LoRaWANListen
{

class UnixListener;

class ListenApp
/// Listens on the socket, serves one connection after another, splits each
/// stream into frames, validates every frame and prints every valid document
/// as a table line or unchanged JSON on standard output; the table's header
/// row comes first and, on a terminal, again every screenful. Invalid, oversize and
/// unfinished frames are reported on standard error and counted; an oversize
/// frame also ends its connection. Stops after the requested number of frames,
/// at the time-out, on SIGINT, SIGTERM or SIGHUP, or when standard output's
/// reader goes away; SIGPIPE never ends it.
{
public:
    ListenApp(const ListenOptions& options, bool outputIsTerminal);
    /// Prepares a run with options; outputIsTerminal says whether standard
    /// output is a terminal, which picks the default format and makes every
    /// packet's line be flushed at once.

    ~ListenApp();
    /// Closes the connection being served, if any.

    ListenApp(const ListenApp&) = delete;
    ListenApp& operator=(const ListenApp&) = delete;

    int run();
    /// Sets up the socket and serves connections until a reason to stop, then
    /// removes the socket file and returns the exit status (see ListenConstants.h).
    /// Throws Poco::Exception when the socket cannot be set up or waiting for
    /// input fails; the socket file is removed then too.

private:
    enum class Stop
    {
        None,
        CountReached,
        Signal,
        Timeout,
        OutputClosed,
        OutputFailed
    };

    void serve(UnixListener& listener, const sigset_t* pWaitMask);
    bool keepTime(std::uint64_t nowUs);
    std::uint64_t timeToWait(std::uint64_t nowUs) const;
    void acceptConnection(UnixListener& listener);
    bool readConnection();
    void processFrames(std::uint64_t arrivalUs);
    void handleFrame(const FrameSplitter::Frame& frame, std::uint64_t arrivalUs);
    void printDocument(std::string_view text);
    void checkOutput();
    void endConnection();
    void closeConnection();
    void printStatistics();
    int finish();

    ListenOptions _options;
    bool _table;
    bool _flushEachPacket;
    OutputWriter _output;
    HeaderSchedule _headers;
    FrameSplitter _splitter;
    PacketDocument _document;
    Statistics _statistics;
    std::uint64_t _startUs = 0;
    /// When the tool began to listen: the channels' airtime is a share of the time since.
    std::vector<char> _chunk;
    std::string _line;
    std::string _error;
    Poco::Timestamp _arrivalTime;
    int _connection = -1;
    std::uint64_t _connectionNumber = 0;
    std::uint64_t _frames = 0;
    std::uint64_t _deadlineUs = 0;      // 0: no time-out
    std::uint64_t _statsIntervalUs = 0; // 0: no periodic statistics
    std::uint64_t _nextStatsUs = 0;
    Stop _stop = Stop::None;
};

} // namespace LoRaWANListen

#endif // LoRaWANListen_ListenApp_INCLUDED
