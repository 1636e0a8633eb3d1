//
// Statistics.cpp
//
// Implementation of the Statistics class.
//

#include "tools/listen/Statistics.h"

#include "tools/listen/FormattedText.h"
#include "tools/listen/ListenConstants.h"

#include <cinttypes>

namespace LoRaWANListen
{

namespace
{

const std::uint32_t STATUS_CRC_OK = 0x10;
const std::uint32_t STATUS_CRC_BAD = 0x11;
const std::uint32_t STATUS_NO_CRC = 0x01;
const std::uint32_t STATUS_UNDEFINED = 0x00;

const double MICROSECONDS_PER_SECOND = 1e6;
const double MICROSECONDS_PER_MILLISECOND = 1e3;
const double MEDIAN = 0.5;
const double NINETY_NINTH_PERCENTILE = 0.99;

double milliseconds(std::uint32_t microseconds)
{
    return microseconds / MICROSECONDS_PER_MILLISECOND;
}

} // namespace

Statistics::Statistics(LatencyMode latencyMode) : _latencyMode(latencyMode) {}

void Statistics::recordConnection()
{
    ++_connections;
}

void Statistics::recordFrame(std::uint64_t arrivalUs)
{
    if (_frames == 0)
    {
        _firstArrivalUs = arrivalUs;
    }
    _lastArrivalUs = arrivalUs;
    ++_frames;
}

void Statistics::recordInvalid()
{
    ++_invalid;
}

void Statistics::recordDocument(const PacketDocument& document, std::uint64_t arrivalUs)
{
    if (!document.isUpstream())
    {
        ++_otherTypes;
        return;
    }
    ++_packets;
    std::uint32_t ifChain = 0;
    if (document.unsignedValue(PacketDocument::IfChain, ifChain) && ifChain < IF_CHAIN_COUNT)
    {
        ++_perIfChain[ifChain];
    }
    else
    {
        ++_unknownIfChain;
    }
    std::uint32_t status = 0;
    CrcCategory category = CrcOther;
    if (document.unsignedValue(PacketDocument::Status, status))
    {
        category = status == STATUS_CRC_OK      ? CrcOk
                   : status == STATUS_CRC_BAD   ? CrcBad
                   : status == STATUS_NO_CRC    ? CrcNone
                   : status == STATUS_UNDEFINED ? CrcUndefined
                                                : CrcOther;
    }
    ++_perCrc[category];
    recordLatency(document, arrivalUs);
    _channels.record(document);
}

void Statistics::recordOversize()
{
    ++_oversize;
}

void Statistics::recordPartial(std::size_t bytes)
{
    ++_partialFrames;
    _partialBytes += bytes;
}

std::uint64_t Statistics::frames() const
{
    return _frames;
}

const LatencyHistogram& Statistics::latency() const
{
    return _latency;
}

const ChannelTable& Statistics::channels() const
{
    return _channels;
}

std::string Statistics::report() const
{
    std::string text = "lorawan-listen statistics:\n";
    text += frameLine();
    text += formattedText("  packets: %" PRIu64 "; documents of other types: %" PRIu64 "\n", _packets,
                          _otherTypes);
    text += ifChainLine();
    text += formattedText("  CRC: ok %" PRIu64 ", bad %" PRIu64 ", none %" PRIu64 ", undefined %" PRIu64
                          ", other %" PRIu64 "\n",
                          _perCrc[CrcOk], _perCrc[CrcBad], _perCrc[CrcNone], _perCrc[CrcUndefined],
                          _perCrc[CrcOther]);
    text += formattedText("  connections: %" PRIu64 "; oversize frames: %" PRIu64
                          "; unfinished frames: %" PRIu64 " (%" PRIu64 " bytes dropped)\n",
                          _connections, _oversize, _partialFrames, _partialBytes);
    text += latencyLine();
    return text;
}

void Statistics::recordLatency(const PacketDocument& document, std::uint64_t arrivalUs)
{
    if (_latencyMode == LatencyMode::Off)
    {
        return;
    }
    std::uint32_t countUs = 0;
    if (!document.unsignedValue(PacketDocument::CountUs, countUs))
    {
        ++_noCountUs;
        return;
    }
    // Both clocks wrap at 32 bits together, so the difference is right across a wrap.
    const std::uint32_t latencyUs = static_cast<std::uint32_t>(arrivalUs) - countUs;
    if (_latencyMode == LatencyMode::Auto && latencyUs >= LATENCY_PLAUSIBILITY_WINDOW_US)
    {
        ++_implausibleLatency;
        return;
    }
    _latency.add(latencyUs);
}

std::string Statistics::frameLine() const
{
    std::string line = formattedText("  frames: %" PRIu64 " (%" PRIu64 " valid, %" PRIu64 " invalid)",
                                     _frames, _frames - _invalid, _invalid);
    const std::uint64_t spanUs = _lastArrivalUs - _firstArrivalUs;
    if (_frames >= 2 && spanUs > 0)
    {
        const double seconds = spanUs / MICROSECONDS_PER_SECOND;
        line += formattedText("; %.3f s from first to last, %.1f frames/s", seconds, (_frames - 1) / seconds);
    }
    return line + "\n";
}

std::string Statistics::ifChainLine() const
{
    std::string line = "  IF chains:";
    bool any = false;
    for (std::size_t chain = 0; chain < IF_CHAIN_COUNT; ++chain)
    {
        if (_perIfChain[chain] != 0)
        {
            line += formattedText(" %zu:%" PRIu64, chain, _perIfChain[chain]);
            any = true;
        }
    }
    if (_unknownIfChain != 0)
    {
        line += formattedText(" ?:%" PRIu64, _unknownIfChain);
        any = true;
    }
    return line + (any ? "\n" : " none\n");
}

std::string Statistics::latencyLine() const
{
    if (_latencyMode == LatencyMode::Off)
    {
        return "  latency: off\n";
    }
    if (_latency.count() == 0)
    {
        if (_latencyMode == LatencyMode::On)
        {
            return "  latency: not measured (no packet carried count_us)\n";
        }
        return formattedText(
            "  latency: not measured (no count_us within %.0f s of this machine's monotonic clock)\n",
            LATENCY_PLAUSIBILITY_WINDOW_US / MICROSECONDS_PER_SECOND);
    }
    return formattedText(
        "  latency: p50 %.3f ms, p99 %.3f ms, max %.3f ms (%" PRIu64 " of %" PRIu64 " packets)\n",
        milliseconds(_latency.percentile(MEDIAN)), milliseconds(_latency.percentile(NINETY_NINTH_PERCENTILE)),
        milliseconds(_latency.maximum()), _latency.count(), _packets);
}

} // namespace LoRaWANListen
