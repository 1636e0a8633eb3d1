//
// FrameRecorder.h
//
// A consumer for fault tests: listens on a Unix-domain socket, serves one
// connection after another on a thread of its own and keeps every byte each
// connection brought; it can stall (accept, never read) and drop connections.
//

#ifndef LoRaWANServer_FrameRecorder_INCLUDED
#define LoRaWANServer_FrameRecorder_INCLUDED

#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace TestSupport
{

class FrameRecorder
/// Listens at a path and reads whatever connects, until destroyed.
{
public:
    explicit FrameRecorder(const std::string& path);
    /// Listens at path (a stale socket file is replaced) and starts serving.

    ~FrameRecorder();
    /// Stops serving, closes everything and removes the socket file.

    void stall(bool stalled);
    /// While stalled, connections are accepted but nothing is read from them,
    /// so that the sender's socket buffer fills up.

    void dropConnection();
    /// Closes the current connection at once, whatever it still holds unread.

    std::size_t frameCount() const;
    /// Returns the number of frame ends (0x0C) received so far, on all connections.

    std::size_t connectionCount() const;
    /// Returns the number of connections accepted so far.

    bool connectionOpen() const;
    /// Returns true while a connection is being served (or stalled on).

    std::vector<std::string> connections() const;
    /// Returns the bytes of every connection so far, in order of acceptance.

private:
    void serve();
    bool waitReadable(int fd) const;
    void readFrom(int fd);

    std::string _path;
    int _listenFd;
    std::atomic<bool> _stop;
    std::atomic<bool> _stalled;
    std::atomic<bool> _drop;
    std::atomic<bool> _open;
    std::atomic<std::size_t> _frames;
    mutable std::mutex _mutex;
    std::vector<std::string> _connections;
    std::thread _thread;
};

} // namespace TestSupport

#endif // LoRaWANServer_FrameRecorder_INCLUDED
