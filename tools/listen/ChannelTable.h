//
// ChannelTable.h
//
// Library: LoRaWANServer_Listen
// Package: Statistics
// Module:  ChannelTable
//
// Definition of the ChannelTable class, the per-channel table of --stats.
//

#ifndef LoRaWANListen_ChannelTable_INCLUDED
#define LoRaWANListen_ChannelTable_INCLUDED

#include "hal/NoiseFloor.h"
#include "tools/listen/LevelDistribution.h"
#include "tools/listen/PacketDocument.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace LoRaWANListen
{

class ChannelTable
/// What each channel heard, computed from the documents alone, so that it
/// works against any build of the service: by frequency, modulation and
/// bandwidth, the packets, the share with a bad CRC, the median and lowest
/// RSSI and the median SNR of the CRC-valid ones, the time on air as a share
/// of the time elapsed, and the noise estimate of the service's metrics
/// (LoRaHal::NoiseFloor). At most MAX_CHANNELS channels have a row; the
/// packets of further ones, and of documents without a readable frequency or
/// modulation, are counted apart.
{
public:
    static constexpr std::size_t MAX_CHANNELS = 32;

    void record(const PacketDocument& document);
    /// Counts the packet of an upstream document.

    std::string text(std::uint64_t elapsedUs) const;
    /// Returns the table, a line of titles and a line per channel in order of
    /// frequency, each ended by a line end; elapsedUs is the time the airtime
    /// is a share of (0: not known).

private:
    struct Channel
    {
        std::uint32_t freqHz;
        std::uint32_t modulation;
        std::uint32_t bandwidth;
        std::uint64_t packets = 0;
        std::uint64_t crcBad = 0;
        double airtimeSeconds = 0.0;
        LevelDistribution rssi;
        LevelDistribution snr;
        std::array<double, LoRaHal::NoiseFloor::WINDOW> noise{};
        std::uint64_t noiseSamples = 0;

        Channel(std::uint32_t freqHz, std::uint32_t modulation, std::uint32_t bandwidth);
    };

    Channel* find(std::uint32_t freqHz, std::uint32_t modulation, std::uint32_t bandwidth);
    static std::string row(const Channel& channel, double elapsedSeconds);

    std::vector<Channel> _channels;
    std::uint64_t _unreadable = 0;
    std::uint64_t _further = 0;
};

} // namespace LoRaWANListen

#endif // LoRaWANListen_ChannelTable_INCLUDED
