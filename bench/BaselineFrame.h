//
// BaselineFrame.h
//
// Definition of the BaselineFrame class: the leanest hand-written formatter of
// an upstream frame, the yardstick of the markup writer's benchmark.
//

#ifndef Bench_BaselineFrame_INCLUDED
#define Bench_BaselineFrame_INCLUDED

#include "hal/HalApi.h"

#include <string>
#include <string_view>

namespace LoRaWANBench
{

class BaselineFrame
/// Writes the frame of one received packet (its document and the form feed)
/// in one pass into a buffer it keeps: digits from a two-digit table,
/// hexadecimal from a byte table, floats as their shortest text.
///
/// The text is meant to be byte for byte the service's frame; the benchmark
/// checks that before it measures anything.
{
public:
    BaselineFrame();
    /// Creates the formatter with a buffer large enough for any frame.

    std::string_view write(const lgw_pkt_rx_s& packet, std::string_view messageType);
    /// Returns the frame of packet with messageType as its "type". The text
    /// stays valid until the next call. messageType is written unescaped and
    /// must be shorter than MAX_MESSAGE_TYPE.

    static constexpr std::size_t MAX_MESSAGE_TYPE = 64;
    /// The longest message type the buffer has room for.

private:
    std::string _buffer;
};

} // namespace LoRaWANBench

#endif // Bench_BaselineFrame_INCLUDED
