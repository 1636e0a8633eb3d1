//
// ChannelMetricsText.cpp
//
// The per-channel families of the metrics file.
//

#include "worker/statistics/ChannelMetricsText.h"

#include "hal/RadioCodes.h"

#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <vector>

namespace LoRaWANServer
{

namespace
{

const char* const PACKETS = "lorawanserver_channel_packets_total";
const char* const RSSI = "lorawanserver_channel_rssi_dbm";
const char* const SNR = "lorawanserver_channel_snr_db";
const char* const AIRTIME = "lorawanserver_channel_airtime_seconds_total";
const char* const NOISE = "lorawanserver_channel_noise_estimate_dbm";
const char* const CRC_LABELS[ChannelStatistics::CRC_KINDS] = {"ok", "bad", "none"};
const Poco::UInt64 NANOSECONDS_PER_SECOND = 1000000000;
const double HERTZ_PER_KILOHERTZ = 1000.0;
const std::size_t NUMBER_TEXT_SIZE = 64;

std::string number(const char* format, ...) __attribute__((format(printf, 1, 2)));

std::string number(const char* format, ...)
{
    char text[NUMBER_TEXT_SIZE];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    return text;
}

// Sums of levels in as many digits as reading them back needs.
std::string real(double value)
{
    return number("%.17g", value);
}

std::string datarateLabel(const ChannelStatistics::Chain& chain, unsigned rate)
{
    if (rate == ChannelStatistics::FSK_RATE)
        return number("%" PRIu32, chain.datarate);
    return number("SF%uBW%g", ChannelStatistics::spreadingFactor(rate),
                  LoRaHal::RadioCodes::bandwidthHz(chain.bandwidth) / HERTZ_PER_KILOHERTZ);
}

std::string chainLabels(unsigned chain, const ChannelStatistics::Chain& named)
{
    return number("chain=\"%u\",freq_hz=\"%" PRIu32 "\"", chain, named.freqHz);
}

// The rates of chain that the plan enables or that have received.
void readRows(const ChannelStatistics& channels, unsigned chain, std::vector<ChannelMetricsText::Row>& rows)
{
    rows.clear();
    const ChannelStatistics::Chain named = channels.chain(chain);
    for (unsigned rate = 0; rate < ChannelStatistics::RATES; ++rate)
    {
        const ChannelStatistics::Rate values = channels.rate(chain, rate);
        if (values.received() == 0 && !channels.isPlanned(chain, rate))
            continue;
        const char* modulation = rate == ChannelStatistics::FSK_RATE ? "FSK" : "LORA";
        rows.push_back({rate,
                        chainLabels(chain, named) + ",modulation=\"" + modulation + "\",datarate=\"" +
                            datarateLabel(named, rate) + "\"",
                        values});
    }
}

void appendFamily(std::string& text, const char* name, const char* type, const char* help)
{
    text.append("# HELP ").append(name).append(" ").append(help).append("\n");
    text.append("# TYPE ").append(name).append(" ").append(type).append("\n");
}

void appendSample(std::string& text, const char* name, const std::string& labels, const std::string& value)
{
    text.append(name).append("{").append(labels).append("} ").append(value).append("\n");
}

void appendSample(std::string& text, const std::string& name, const std::string& labels,
                  const std::string& value)
{
    appendSample(text, name.c_str(), labels, value);
}

template <typename Histogram>
void appendHistogram(std::string& text, const char* name, const std::string& labels,
                     const typename Histogram::Values& values)
{
    const std::string bucket = std::string(name) + "_bucket";
    Poco::UInt64 cumulative = 0;
    for (unsigned i = 0; i < Histogram::BUCKETS; ++i)
    {
        cumulative += values.buckets[i];
        const std::string bound = i + 1 < Histogram::BUCKETS ? number("%g", Histogram::bound(i)) : "+Inf";
        appendSample(text, bucket, labels + ",le=\"" + bound + "\"", number("%" PRIu64, cumulative));
    }
    appendSample(text, std::string(name) + "_sum", labels, real(values.sum));
    appendSample(text, std::string(name) + "_count", labels, number("%" PRIu64, cumulative));
}

} // namespace

ChannelMetricsText::ChannelMetricsText(const ChannelStatistics& channels) : _channels(channels) {}

bool ChannelMetricsText::next(std::string& piece)
{
    piece.clear();
    if (_family == FAMILIES)
        return false;
    if (_family == NOISE_FAMILY)
    {
        appendNoise(piece);
        _family = FAMILIES;
        return true;
    }
    if (!_begun)
    {
        appendHeader(piece);
        _begun = true;
        _chain = 0;
        _row = 0;
        readRows(_channels, _chain, _rows);
    }
    // On to the next chain with a rate to show, or to the next family.
    while (_row == _rows.size())
    {
        _row = 0;
        if (++_chain == ChannelStatistics::CHAINS)
        {
            ++_family;
            _begun = false;
            return true;
        }
        readRows(_channels, _chain, _rows);
    }
    appendRow(piece, _rows[_row++]);
    return true;
}

void ChannelMetricsText::appendHeader(std::string& piece) const
{
    switch (_family)
    {
        case PACKETS_FAMILY:
            appendFamily(piece, PACKETS, "counter", "Packets received, by IF chain, rate and CRC status.");
            break;
        case RSSI_FAMILY:
            appendFamily(piece, RSSI, "histogram", "Signal strength of the CRC-valid packets, in dBm.");
            break;
        case SNR_FAMILY:
            appendFamily(piece, SNR, "histogram",
                         "Signal-to-noise ratio of the CRC-valid LoRa packets, in dB.");
            break;
        default:
            appendFamily(piece, AIRTIME, "counter",
                         "Time the received packets took on the air, in seconds; its rate is the channel's "
                         "occupancy.");
            break;
    }
}

void ChannelMetricsText::appendRow(std::string& piece, const Row& row) const
{
    // Planned rates have their histograms at zero from the start, so that a
    // rate over the first packets of one counts them.
    switch (_family)
    {
        case PACKETS_FAMILY:
            for (unsigned crc = 0; crc < ChannelStatistics::CRC_KINDS; ++crc)
                appendSample(piece, PACKETS, row.labels + ",crc=\"" + CRC_LABELS[crc] + "\"",
                             number("%" PRIu64, row.values.packets[crc]));
            break;
        case RSSI_FAMILY:
            appendHistogram<ChannelStatistics::RssiHistogram>(piece, RSSI, row.labels, row.values.rssi);
            break;
        case SNR_FAMILY:
            if (row.rate != ChannelStatistics::FSK_RATE)
                appendHistogram<ChannelStatistics::SnrHistogram>(piece, SNR, row.labels, row.values.snr);
            break;
        default:
            appendSample(piece, AIRTIME, row.labels,
                         number("%" PRIu64 ".%09" PRIu64, row.values.airtimeNs / NANOSECONDS_PER_SECOND,
                                row.values.airtimeNs % NANOSECONDS_PER_SECOND));
            break;
    }
}

void ChannelMetricsText::appendNoise(std::string& piece) const
{
    appendFamily(piece, NOISE, "gauge",
                 "Noise level of the IF chain in dBm: the median of its last 64 CRC-valid LoRa packets at or "
                 "below the noise, each RSSI - 10 log10(1 + 10^(SNR/10)).");
    for (unsigned chain = 0; chain < ChannelStatistics::CHAINS; ++chain)
    {
        const std::optional<double> noise = _channels.noiseEstimateDbm(chain);
        if (noise)
            appendSample(piece, NOISE, chainLabels(chain, _channels.chain(chain)), number("%.2f", *noise));
    }
}

std::string channelMetricsText(const ChannelStatistics& channels)
{
    ChannelMetricsText source(channels);
    std::string text;
    std::string piece;
    while (source.next(piece))
        text += piece;
    return text;
}

} // namespace LoRaWANServer
