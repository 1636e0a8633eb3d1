//
// FrameBacklog.h
//
// Library: LoRaWANServer_Worker
// Package: Forwarding
// Module:  FrameBacklog
//
// Definition of the FrameBacklog class: the bounded queue of whole frames
// that carries packets across the consumer's absence.
//

#ifndef LoRaWANServer_FrameBacklog_INCLUDED
#define LoRaWANServer_FrameBacklog_INCLUDED

#include <chrono>
#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <sys/uio.h>

namespace LoRaWANServer
{

class FrameBacklog
/// Whole frames in the order received, oldest first, waiting until the
/// consumer has read them. The frames at the front are on the wire: their
/// bytes, or the first part of the last of them, have been handed to the
/// current connection. The rest is unsent. A frame leaves the queue only when
/// the consumer has read it to its end (read()); when a connection is lost,
/// every frame still in the queue is unsent again, from its first byte
/// (rewind()), so that a new connection always begins with a whole frame.
///
/// The queue holds at most its capacity: a frame pushed into a full queue
/// drops the oldest frame not on the wire (frames on the wire cannot be taken
/// back). With a maximum age, unsent frames older than that are dropped too.
/// Knows nothing of the HAL or of sockets; used by one thread.
{
public:
    using Clock = std::chrono::steady_clock;

    FrameBacklog(std::size_t capacity, std::optional<Clock::duration> maxAge);
    /// Creates an empty queue of at most capacity frames (at least 1), whose
    /// unsent frames expire after maxAge (none: never).

    std::size_t push(std::string_view frame, Clock::time_point queued);
    /// Adds a copy of frame, queued at queued, behind the others. Returns the
    /// frames dropped to make room: 0 or 1 (the new frame itself when every
    /// frame held is on the wire).

    std::size_t expire(Clock::time_point now);
    /// Drops the unsent frames queued before now minus the maximum age and
    /// returns how many.

    int unsentPieces(iovec* pPieces, int maxPieces) const;
    /// Fills pPieces with up to maxPieces pieces of the unsent bytes, in
    /// order (the rest of a frame begun on the wire first), and returns their
    /// number; 0 when nothing is unsent.

    std::size_t sent(std::size_t bytes);
    /// Moves bytes unsent bytes onto the wire. Returns how many frames were
    /// begun that had been on the wire of an earlier connection: frames sent
    /// again.

    std::size_t read(std::size_t bytes);
    /// The consumer has read bytes more of the bytes on the wire: the frames
    /// it has now read to their end leave the queue. Returns how many.

    void rewind();
    /// The connection is lost: every frame is unsent again, from its first
    /// byte, and the bytes read of a frame not read whole count no more.

    std::size_t size() const;
    /// Returns the frames held, on the wire or not.

    bool empty() const;

    bool hasUnsent() const;
    /// Returns true when some bytes are not on the wire yet.

    std::size_t wholeOnWire() const;
    /// Returns the frames at the front that are wholly on the wire.

    std::size_t capacity() const;

    template <typename Visitor>
    void forEach(Visitor visit, std::size_t first = 0) const
    /// Calls visit(frame) for every frame held from the first on, oldest
    /// first.
    {
        for (std::size_t index = first; index < _frames.size(); ++index)
            visit(std::string_view(_frames[index].bytes));
    }

private:
    struct Frame
    {
        std::string bytes;
        Clock::time_point queued;
        bool sentBefore;
        /// Begun on the wire of this or an earlier connection.
    };

    std::size_t firstUnsentFrame() const;
    void erase(std::size_t index);
    void recycle(std::string& bytes);

    std::deque<Frame> _frames;
    std::size_t _capacity;
    std::optional<Clock::duration> _maxAge;
    std::size_t _wireFrames = 0;
    /// Frames wholly on the wire, at the front.
    std::size_t _wireOffset = 0;
    /// Bytes on the wire of the frame after them.
    std::size_t _readBytes = 0;
    /// Bytes the consumer has read of the front frame.
    std::vector<std::string> _spares;
    /// Texts of frames that left, whose storage the next frames take: a
    /// frame then costs no allocation.
};

} // namespace LoRaWANServer

#endif // LoRaWANServer_FrameBacklog_INCLUDED
