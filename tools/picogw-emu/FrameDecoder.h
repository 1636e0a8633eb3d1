//
// FrameDecoder.h
//
// Definition of the FrameDecoder class: cuts the host's byte stream into
// command frames.
//

#ifndef PicoGwEmu_FrameDecoder_INCLUDED
#define PicoGwEmu_FrameDecoder_INCLUDED

#include "tools/picogw-emu/Request.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace PicoGwEmu
{

class FrameDecoder
/// Collects the bytes the host writes and hands out complete command frames
/// ([command, length high, length low, address] + length data bytes), in order.
{
public:
    void feed(const std::uint8_t* bytes, std::size_t count);
    /// Appends bytes read from the host.

    std::optional<Request> next();
    /// Returns the next complete frame and removes it, or nothing while the frame
    /// is still incomplete. Bytes that cannot start a frame (not a command
    /// letter, or a header announcing more data than a host command carries) are
    /// skipped one at a time until a frame can start, and counted.

    std::size_t takeSkipped();
    /// Returns the number of bytes skipped since the last call, and restarts the
    /// count.

    void reset();
    /// Drops every buffered byte.

    std::size_t buffered() const;
    /// Returns the number of bytes waiting to form a frame.

    static bool isKnownCommand(char command);
    /// Returns true for the command letters of the protocol.

private:
    bool startsFrame(std::size_t at) const;

    std::vector<std::uint8_t> _buffer;
    std::size_t _skipped = 0;
};

} // namespace PicoGwEmu

#endif // PicoGwEmu_FrameDecoder_INCLUDED
