//
// FrameSplitter.h
//
// Library: LoRaWANServer_Listen
// Package: Frames
// Module:  FrameSplitter
//
// Definition of the FrameSplitter class, which cuts one connection's byte
// stream into the frames the service sends: a document, then one 0x0C byte.
//

#ifndef LoRaWANListen_FrameSplitter_INCLUDED
#define LoRaWANListen_FrameSplitter_INCLUDED

#include "tools/listen/ListenConstants.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace LoRaWANListen
{

class FrameSplitter
/// Gathers the bytes read from one connection, in whatever pieces they come,
/// and hands out the complete frames they contain, in order. A frame is the
/// text before a terminator byte (0x0C); an empty text between two
/// terminators is a frame too. A frame whose text grows beyond the size limit
/// is refused as soon as the limit is passed, whether or not its terminator
/// has arrived, so the outcome never depends on how the stream was cut.
{
public:
    enum class Result
    {
        Frame,    /// next() filled in a complete frame.
        NeedMore, /// No complete frame is buffered; append more bytes.
        Oversize  /// The frame being gathered exceeds the limit; the stream is unusable.
    };

    struct Frame
    /// One complete frame.
    {
        std::string_view text; /// The frame without its terminator. Valid until the next append() or reset().
        std::uint64_t offset;  /// Offset of the frame's first byte in the connection's stream.
    };

    explicit FrameSplitter(std::size_t maxFrameSize = MAX_FRAME_SIZE);
    /// Creates a splitter for a fresh stream that refuses frames longer than
    /// maxFrameSize bytes (terminator not counted).

    void append(const char* data, std::size_t length);
    /// Adds the next length bytes of the stream. Invalidates the text of every
    /// frame handed out before. Call next() until it returns NeedMore between
    /// two appends, so that the buffer never holds more than one read beyond
    /// the size limit. Bytes appended after Oversize are discarded.

    Result next(Frame& frame);
    /// Takes the next complete frame out of the buffer. Returns Frame and fills
    /// in frame, or NeedMore when the buffered bytes end inside a frame, or
    /// Oversize (from then on always) when the frame being gathered is longer
    /// than the limit.

    std::size_t pending() const;
    /// Returns the number of buffered bytes after the last complete frame: the
    /// part of a frame whose terminator has not arrived.

    std::uint64_t pendingOffset() const;
    /// Returns the stream offset of the first pending byte.

    std::uint64_t streamSize() const;
    /// Returns the number of bytes appended since the stream began.

    void reset();
    /// Forgets everything, ready for a new stream that starts at offset 0.

private:
    void compact();

    std::string _buffer;
    std::size_t _start = 0;          // first byte of the frame being gathered, in _buffer
    std::size_t _scanned = 0;        // bytes after _start already searched for the terminator
    std::uint64_t _bufferOffset = 0; // stream offset of _buffer[0]
    std::size_t _maxFrameSize;
    bool _oversize = false;
};

} // namespace LoRaWANListen

#endif // LoRaWANListen_FrameSplitter_INCLUDED
