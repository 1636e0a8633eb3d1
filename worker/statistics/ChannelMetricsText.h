//
// ChannelMetricsText.h
//
// Library: LoRaWANServer_Worker
// Package: Statistics
// Module:  ChannelMetricsText
//
// Definition of the ChannelMetricsText class: the per-channel accounting as
// metrics text, piece by piece.
//

#ifndef LoRaWANServer_ChannelMetricsText_INCLUDED
#define LoRaWANServer_ChannelMetricsText_INCLUDED

#include "worker/statistics/ChannelStatistics.h"
#include "worker/statistics/MetricsFile.h"

#include <string>
#include <vector>

namespace LoRaWANServer
{

class ChannelMetricsText : public MetricsFile::Source
/// The per-channel families in Prometheus' text exposition format (version
/// 0.0.4), each with HELP and TYPE lines, every line ended by a line feed:
///     lorawanserver_channel_packets_total{chain,freq_hz,modulation,datarate,crc}
///     lorawanserver_channel_rssi_dbm (histogram, CRC-valid packets)
///     lorawanserver_channel_snr_db (histogram, CRC-valid LoRa packets)
///     lorawanserver_channel_airtime_seconds_total
///     lorawanserver_channel_noise_estimate_dbm{chain,freq_hz}
/// A chain and rate appear when the channel plan enables them or when they
/// have received; a noise estimate once the chain has a sample. modulation
/// is "LORA" or "FSK", datarate "SF7BW125" and the like for LoRa and the bit
/// rate for FSK, crc "ok", "bad" or "none".
///
/// With traffic on every rate of every chain the text is a few hundred KiB:
/// it comes in pieces of one family and one rate of a chain, so that it
/// never lies whole in memory. The counts of a chain are read as each family
/// comes to it; a histogram's buckets, sum and count are read together.
{
public:
    struct Row
    /// One rate of a chain.
    {
        unsigned rate;
        std::string labels;
        ChannelStatistics::Rate values;
    };

    explicit ChannelMetricsText(const ChannelStatistics& channels);
    /// Creates the text of channels (not owned, to outlive it).

    bool next(std::string& piece) override;

private:
    enum Family
    {
        PACKETS_FAMILY,
        RSSI_FAMILY,
        SNR_FAMILY,
        AIRTIME_FAMILY,
        NOISE_FAMILY,
        FAMILIES
    };

    void appendHeader(std::string& piece) const;
    void appendRow(std::string& piece, const Row& row) const;
    void appendNoise(std::string& piece) const;

    const ChannelStatistics& _channels;
    std::vector<Row> _rows;
    /// The rates of the chain at hand.
    unsigned _family = PACKETS_FAMILY;
    bool _begun = false;
    /// The family's HELP and TYPE lines are written.
    unsigned _chain = 0;
    std::size_t _row = 0;
};

std::string channelMetricsText(const ChannelStatistics& channels);
/// Returns the whole text of ChannelMetricsText at once.

} // namespace LoRaWANServer

#endif // LoRaWANServer_ChannelMetricsText_INCLUDED
