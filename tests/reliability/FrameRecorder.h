//
// FrameRecorder.h
//
// A consumer for fault tests: serves one connection after another on a
// thread of its own and keeps the frames each brought; it can stall (accept,
// never read) and drop connections.
//

#ifndef LoRaWANServer_FrameRecorder_INCLUDED
#define LoRaWANServer_FrameRecorder_INCLUDED

#include "TestSupport.h"

#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace TestSupport
{

class FrameRecorder
/// Listens at a path and reads whatever connects, until finished.
{
public:
    struct Connection
    /// What one connection brought.
    {
        std::vector<std::string> frames; /// Each without its 0x0C.
        std::string rest;                /// The bytes after the last frame end.
    };

    explicit FrameRecorder(const std::string& path);
    /// Listens at path (a stale socket file is replaced) and starts serving.

    ~FrameRecorder();
    /// Stops serving, closes everything and removes the socket file.

    void stall(bool stalled) { _stalled = stalled; }
    /// While stalled, a connection is accepted but nothing is read from it,
    /// so that the sender's socket buffer fills up.

    void readSlowly(bool slowly) { _slowly = slowly; }
    /// While slow, the recorder reads about one frame every 10 ms, a few
    /// hundred bytes at a time.

    void dropConnection() { _drop = true; }
    /// Closes the current connection at once, whatever it still holds unread.

    std::size_t frameCount() const { return _frames; }
    /// Returns the number of frames received so far, on all connections.

    std::size_t connectionCount() const;
    /// Returns the number of connections accepted so far.

    std::vector<Connection> finish();
    /// Stops serving, reads what the sender left to the end of its stream and
    /// returns every connection in order of acceptance. Call it once the
    /// sender has ended.

private:
    static const std::size_t FRAMES_PER_BATCH = 256;

    void serve();
    void acceptNext();
    std::size_t readBatch(Milliseconds limit, std::size_t count = FRAMES_PER_BATCH);
    void readToTheEnd();

    ConsumerSocket _socket;
    bool _connected = false;
    std::atomic<bool> _stop{false};
    std::atomic<bool> _stalled{false};
    std::atomic<bool> _drop{false};
    std::atomic<bool> _slowly{false};
    std::atomic<std::size_t> _frames{0};
    mutable std::mutex _mutex;
    std::vector<Connection> _connections;
    std::thread _thread;
};

} // namespace TestSupport

#endif // LoRaWANServer_FrameRecorder_INCLUDED
