//
// ListenConstants.h
//
// The fixed values of the consumer tool lorawan-listen: its socket's
// permissions, the frame limits, the read size and its exit statuses. What it
// shares with the service (the socket path, the frame end, the document's
// names) is in contract/ConsumerContract.h.
//

#ifndef LoRaWANListen_ListenConstants_INCLUDED
#define LoRaWANListen_ListenConstants_INCLUDED

#include <cstddef>
#include <cstdint>

namespace LoRaWANListen
{

/// Permission bits of the socket file unless --mode says otherwise: the owner
/// and its group may connect, nobody else.
inline constexpr unsigned DefaultSocketMode = 0660;

/// The largest permission value that --mode accepts (no set-id or sticky bits).
inline constexpr unsigned MaxSocketMode = 0777;

/// The longest document, without its terminator, that a frame may carry.
/// The service's documents are a few hundred bytes; anything longer than this
/// is a broken stream, and the connection is dropped rather than buffered.
inline constexpr std::size_t MaxFrameSize = 64 * 1024;

/// How many bytes one read from the connection asks for.
inline constexpr std::size_t ReadChunkSize = 64 * 1024;

/// How many bytes of standard output are gathered before they are written.
inline constexpr std::size_t OutputBufferSize = 64 * 1024;

/// Pending connections the kernel queues while the tool serves another one.
inline constexpr int ListenBacklog = 4;

/// How far back a count_us may lie behind this machine's monotonic clock, in
/// microseconds, for the automatic latency rule to accept it as a stamp of
/// that clock.
inline constexpr std::uint32_t LatencyPlausibilityWindowUs = 10 * 1000 * 1000;

/// How many bytes of a rejected frame the error report quotes.
inline constexpr std::size_t InvalidFramePreviewSize = 40;

/// Exit status after the requested frames, a termination signal or the end of
/// the standard output's reader.
inline constexpr int ExitSuccess = 0;

/// Exit status when the socket cannot be set up or the tool fails at run time.
inline constexpr int ExitFailure = 1;

/// Exit status for a command line that cannot be used.
inline constexpr int ExitUsage = 2;

/// Exit status when --timeout runs out before --count frames have arrived.
inline constexpr int ExitTimeout = 3;

} // namespace LoRaWANListen

#endif // LoRaWANListen_ListenConstants_INCLUDED
