//
// BacklogSender.h
//
// Library: LoRaWANServer_Worker
// Package: Forwarding
// Module:  BacklogSender
//
// Definition of the BacklogSender class: the non-blocking connection that
// delivers a FrameBacklog to the consumer.
//

#ifndef LoRaWANServer_BacklogSender_INCLUDED
#define LoRaWANServer_BacklogSender_INCLUDED

#include "worker/forwarding/FrameBacklog.h"

#include <chrono>
#include <cstddef>
#include <deque>
#include <string>

namespace LoRaWANServer
{

class BacklogSender
/// Hands the frames of a FrameBacklog to the consumer over a non-blocking
/// Unix-domain stream socket, and tells the backlog which of them the
/// consumer has read, so that a frame leaves it only then. Nothing ever
/// waits for the consumer.
///
/// Linux counts what a Unix stream socket has sent and the peer has not read
/// yet (ioctl SIOCOUTQ) in the kernel's size of each send, and frees a send
/// only when it has been read to its end. The sender keeps its sends in
/// order with their kernel size, measured by the count's growth at each
/// send; a count that shrinks tells how many of the oldest sends have been
/// read. A measure is never too large (the peer may read meanwhile, and a
/// send never takes less than its bytes), so a frame is never taken for read
/// before it is. The count shrinks to nothing when the peer goes, too, which
/// is why every look at it is followed by one at the connection: a peer
/// still there after the count was read had read what the count says.
{
public:
    using Clock = std::chrono::steady_clock;

    struct Step
    /// What one pump() did.
    {
        std::size_t delivered = 0;
        /// Frames the consumer has read whole, which left the backlog.

        std::size_t resent = 0;
        /// Frames begun again on a new connection.

        bool connected = false;
        /// A connection was made.

        std::string failure;
        /// Not empty: the connection was lost or connecting failed, and how
        /// (the first failure of the step).
    };

    explicit BacklogSender(const std::string& socketPath);
    /// Creates the sender to the consumer's socket at socketPath; connects
    /// at the first pump() that has something to send.

    ~BacklogSender();
    /// Closes the connection.

    Step pump(FrameBacklog& backlog, Clock::time_point now);
    /// Learns what the consumer has read since the last pump (the frames it
    /// read whole leave backlog); connects when frames wait and no attempt
    /// failed within the last RECONNECT_INTERVAL_MS; and hands the socket
    /// the unsent bytes it takes at once, FRAMES_PER_SEND frames a call. A
    /// lost connection puts every frame still in backlog back to unsent; the
    /// next pump connects anew. A step that connects and then fails reports
    /// both.

    Step settle(FrameBacklog& backlog);
    /// Learns what the consumer has read, as pump() does, and sends nothing.

    void disconnect(FrameBacklog& backlog);
    /// Closes the connection; the frames on it are unsent again.

    void leave();
    /// Closes the connection and leaves what is on it to the consumer, which
    /// can still read it: the frames stay on the wire in the backlog.

    bool connected() const;

private:
    struct Send
    {
        std::size_t bytes;
        std::size_t kernelBytes;
        /// What the kernel counts for it while unread; never more.
    };

    BacklogSender(const BacklogSender&) = delete;
    BacklogSender& operator=(const BacklogSender&) = delete;

    void learnWhatWasRead(FrameBacklog& backlog, Step& step);
    void connect(Clock::time_point now, Step& step);
    void sendWhatFits(FrameBacklog& backlog, Step& step);
    void lose(FrameBacklog& backlog, const std::string& how, Step& step);
    static void fail(const std::string& how, Step& step);
    bool unreadBytes(std::size_t& bytes) const;

    std::string _socketPath;
    int _fd = -1;
    std::deque<Send> _sends;
    /// The sends not known to be read, oldest first.
    std::size_t _unread = 0;
    /// The kernel's count at the last look.
    Clock::time_point _nextAttempt;
};

inline bool BacklogSender::connected() const
{
    return _fd >= 0;
}

} // namespace LoRaWANServer

#endif // LoRaWANServer_BacklogSender_INCLUDED
