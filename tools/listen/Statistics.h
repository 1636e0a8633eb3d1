//
// Statistics.h
//
// Library: LoRaWANServer_Listen
// Package: Statistics
// Module:  Statistics
//
// Definition of the Statistics class, the counts and the latency the tool
// reports with --stats.
//

#ifndef LoRaWANListen_Statistics_INCLUDED
#define LoRaWANListen_Statistics_INCLUDED

#include "tools/listen/ChannelTable.h"
#include "tools/listen/LatencyHistogram.h"
#include "tools/listen/PacketDocument.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace LoRaWANListen
{

enum class LatencyMode
/// When a packet's count_us is taken for a stamp of this machine's monotonic
/// clock (low 32 bits, in microseconds), so that arrival minus count_us is the
/// packet's latency.
{
    Auto, /// Only when the difference is below the plausibility window (10 s).
    On,   /// Always: the producer is known to stamp this machine's clock.
    Off   /// Never: no latency is measured.
};

class Statistics
/// Counts what arrived: frames, valid and invalid documents, packets per IF
/// chain and per CRC status, connections, oversize and unfinished frames, the
/// time from the first to the last frame, the latency of the packets, and
/// what each channel heard.
/// Times are this machine's monotonic clock in microseconds, given by the
/// caller.
{
public:
    explicit Statistics(LatencyMode latencyMode);
    /// Creates empty statistics that measure latency by the given rule.

    void recordConnection();
    /// Counts one accepted connection.

    void recordFrame(std::uint64_t arrivalUs);
    /// Counts one complete frame, valid or not, that arrived at arrivalUs.

    void recordInvalid();
    /// Counts one frame whose text was not a valid document.

    void recordDocument(const PacketDocument& document, std::uint64_t arrivalUs);
    /// Counts one valid document that arrived at arrivalUs; for a packet, its
    /// IF chain, its CRC status and, by the latency rule, its latency.

    void recordOversize();
    /// Counts one frame that exceeded the size limit (its connection was dropped).

    void recordPartial(std::size_t bytes);
    /// Counts one connection that ended inside a frame, and the bytes lost.

    std::uint64_t frames() const;
    /// Returns the number of frames counted.

    const LatencyHistogram& latency() const;
    /// Returns the latency samples, in microseconds.

    std::string report() const;
    /// Returns the statistics as a few lines of text, each ended by a line end.

    const ChannelTable& channels() const;
    /// Returns the per-channel table of the packets counted.

private:
    enum CrcCategory
    {
        CrcOk,
        CrcBad,
        CrcNone,
        CrcUndefined,
        CrcOther,
        CrcCategoryCount
    };

    static constexpr std::size_t IF_CHAIN_COUNT = 256;

    void recordLatency(const PacketDocument& document, std::uint64_t arrivalUs);
    std::string frameLine() const;
    std::string ifChainLine() const;
    std::string latencyLine() const;

    LatencyMode _latencyMode;
    std::uint64_t _connections = 0;
    std::uint64_t _frames = 0;
    std::uint64_t _invalid = 0;
    std::uint64_t _packets = 0;
    std::uint64_t _otherTypes = 0;
    std::uint64_t _oversize = 0;
    std::uint64_t _partialFrames = 0;
    std::uint64_t _partialBytes = 0;
    std::uint64_t _firstArrivalUs = 0;
    std::uint64_t _lastArrivalUs = 0;
    std::array<std::uint64_t, IF_CHAIN_COUNT> _perIfChain{};
    std::uint64_t _unknownIfChain = 0;
    std::array<std::uint64_t, CrcCategoryCount> _perCrc{};
    std::uint64_t _implausibleLatency = 0;
    std::uint64_t _noCountUs = 0;
    LatencyHistogram _latency;
    ChannelTable _channels;
};

} // namespace LoRaWANListen

#endif // LoRaWANListen_Statistics_INCLUDED
