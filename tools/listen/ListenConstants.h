//
// ListenConstants.h
//
// Library: LoRaWANServer_Listen
// Package: Listen
// Module:  ListenConstants
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
const unsigned DEFAULT_SOCKET_MODE = 0660;

/// The largest permission value that --mode accepts (no set-id or sticky bits).
const unsigned MAX_SOCKET_MODE = 0777;

/// The longest document, without its terminator, that a frame may carry.
/// The service's documents are a few hundred bytes; anything longer than this
/// is a broken stream, and the connection is dropped rather than buffered.
const std::size_t MAX_FRAME_SIZE = 64 * 1024;

/// How many bytes one read from the connection asks for.
const std::size_t READ_CHUNK_SIZE = 64 * 1024;

/// How many bytes of standard output are gathered before they are written.
const std::size_t OUTPUT_BUFFER_SIZE = 64 * 1024;

/// Pending connections the kernel queues while the tool serves another one.
const int LISTEN_BACKLOG = 4;

/// How far back a count_us may lie behind this machine's monotonic clock, in
/// microseconds, for the automatic latency rule to accept it as a stamp of
/// that clock.
const std::uint32_t LATENCY_PLAUSIBILITY_WINDOW_US = 10 * 1000 * 1000;

/// Lines of a terminal whose height cannot be told, for the table's header
/// row that comes again every screenful.
const unsigned DEFAULT_SCREEN_ROWS = 24;

/// How many bytes of a rejected frame the error report quotes.
const std::size_t INVALID_FRAME_PREVIEW_SIZE = 40;

/// Exit status after the requested frames, a termination signal or the end of
/// the standard output's reader.
const int EXIT_NORMAL = 0;

/// Exit status when the socket cannot be set up or the tool fails at run time.
const int EXIT_RUN_FAILURE = 1;

/// Exit status for a command line that cannot be used.
const int EXIT_USAGE = 2;

/// Exit status when --timeout runs out before --count frames have arrived.
const int EXIT_TIMEOUT = 3;

} // namespace LoRaWANListen

#endif // LoRaWANListen_ListenConstants_INCLUDED
