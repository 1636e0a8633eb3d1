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

// One chain at one rate, as read at the start of the text: every family
// shows the same moment.
struct Row
{
    unsigned chain;
    unsigned rate;
    std::string labels;
    ChannelStatistics::Rate values;
};

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

std::vector<Row> rowsOf(const ChannelStatistics& channels)
{
    std::vector<Row> rows;
    for (unsigned chain = 0; chain < ChannelStatistics::CHAINS; ++chain)
    {
        const ChannelStatistics::Chain named = channels.chain(chain);
        for (unsigned rate = 0; rate < ChannelStatistics::RATES; ++rate)
        {
            const ChannelStatistics::Rate values = channels.rate(chain, rate);
            if (values.received() == 0 && !channels.isPlanned(chain, rate))
                continue;
            const char* modulation = rate == ChannelStatistics::FSK_RATE ? "FSK" : "LORA";
            rows.push_back({chain, rate,
                            chainLabels(chain, named) + ",modulation=\"" + modulation + "\",datarate=\"" +
                                datarateLabel(named, rate) + "\"",
                            values});
        }
    }
    return rows;
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

std::string channelMetricsText(const ChannelStatistics& channels)
{
    const std::vector<Row> rows = rowsOf(channels);
    std::string text;

    appendFamily(text, PACKETS, "counter", "Packets received, by IF chain, rate and CRC status.");
    for (const Row& row : rows)
    {
        for (unsigned crc = 0; crc < ChannelStatistics::CRC_KINDS; ++crc)
            appendSample(text, PACKETS, row.labels + ",crc=\"" + CRC_LABELS[crc] + "\"",
                         number("%" PRIu64, row.values.packets[crc]));
    }

    // Planned rates are there at zero from the start, so that a rate over the
    // first packets of one counts them.
    appendFamily(text, RSSI, "histogram", "Signal strength of the CRC-valid packets, in dBm.");
    for (const Row& row : rows)
        appendHistogram<ChannelStatistics::RssiHistogram>(text, RSSI, row.labels, row.values.rssi);

    appendFamily(text, SNR, "histogram", "Signal-to-noise ratio of the CRC-valid LoRa packets, in dB.");
    for (const Row& row : rows)
    {
        if (row.rate != ChannelStatistics::FSK_RATE)
            appendHistogram<ChannelStatistics::SnrHistogram>(text, SNR, row.labels, row.values.snr);
    }

    appendFamily(
        text, AIRTIME, "counter",
        "Time the received packets took on the air, in seconds; its rate is the channel's occupancy.");
    for (const Row& row : rows)
        appendSample(text, AIRTIME, row.labels,
                     number("%" PRIu64 ".%09" PRIu64, row.values.airtimeNs / NANOSECONDS_PER_SECOND,
                            row.values.airtimeNs % NANOSECONDS_PER_SECOND));

    appendFamily(text, NOISE, "gauge",
                 "Noise level of the IF chain in dBm: the median of its last 64 CRC-valid LoRa packets at or "
                 "below the noise, each RSSI - 10 log10(1 + 10^(SNR/10)).");
    for (unsigned chain = 0; chain < ChannelStatistics::CHAINS; ++chain)
    {
        const std::optional<double> noise = channels.noiseEstimateDbm(chain);
        if (noise)
            appendSample(text, NOISE, chainLabels(chain, channels.chain(chain)), number("%.2f", *noise));
    }
    return text;
}

} // namespace LoRaWANServer
