//
// ChannelTable.cpp
//
// Implementation of the ChannelTable class.
//

#include "tools/listen/ChannelTable.h"

#include "hal/HalApi.h"
#include "hal/RadioCodes.h"
#include "hal/TimeOnAir.h"
#include "tools/listen/FormattedText.h"

#include <algorithm>
#include <cinttypes>
#include <limits>

namespace LoRaWANListen
{

namespace
{

// The levels a concentrator reports, with room to spare.
const double LOWEST_RSSI_DBM = -200.0;
const double HIGHEST_RSSI_DBM = 50.0;
const double LOWEST_SNR_DB = -50.0;
const double HIGHEST_SNR_DB = 50.0;

const double HZ_PER_MHZ = 1e6;
const double HZ_PER_KHZ = 1e3;
const double MICROSECONDS_PER_SECOND = 1e6;
const double PERCENT = 100.0;
const char* const NONE = "-";
const char* const TITLES =
    "    frequency   modulation    packets  CRC bad  RSSI median  RSSI lowest  SNR median  "
    " airtime      noise\n";

bool byteValue(const PacketDocument& document, PacketDocument::Field field, std::uint8_t& value)
{
    std::uint32_t wide = 0;
    if (!document.unsignedValue(field, wide) || wide > std::numeric_limits<std::uint8_t>::max())
    {
        return false;
    }
    value = static_cast<std::uint8_t>(wide);
    return true;
}

double airtimeSeconds(const PacketDocument& document, std::uint32_t modulation, std::uint32_t bandwidth)
{
    std::uint32_t datarate = 0;
    std::uint32_t size = 0;
    std::uint8_t coderate = CR_UNDEFINED;
    if (modulation > std::numeric_limits<std::uint8_t>::max() ||
        bandwidth > std::numeric_limits<std::uint8_t>::max() ||
        !document.unsignedValue(PacketDocument::Datarate, datarate) ||
        !document.unsignedValue(PacketDocument::Size, size) ||
        (modulation == MOD_LORA && !byteValue(document, PacketDocument::Coderate, coderate)))
    {
        return 0.0;
    }
    return LoRaHal::TimeOnAir::packetSeconds(static_cast<std::uint8_t>(modulation),
                                             static_cast<std::uint8_t>(bandwidth), datarate, coderate, size);
}

std::string modulationText(std::uint32_t modulation, std::uint32_t bandwidth)
{
    const char* name = modulation == MOD_LORA ? "LoRa" : modulation == MOD_FSK ? "FSK" : nullptr;
    const double hertz = bandwidth <= std::numeric_limits<std::uint8_t>::max()
                             ? LoRaHal::RadioCodes::bandwidthHz(static_cast<std::uint8_t>(bandwidth))
                             : 0.0;
    const std::string width = hertz > 0.0 ? formattedText("%g kHz", hertz / HZ_PER_KHZ) : "?";
    return name ? std::string(name) + " " + width
                : formattedText("%" PRIu32 " %s", modulation, width.c_str());
}

std::string levelText(const LevelDistribution& levels, double value)
{
    return levels.count() == 0 ? NONE : formattedText("%.2f", value);
}

} // namespace

ChannelTable::Channel::Channel(std::uint32_t freqHz, std::uint32_t modulation, std::uint32_t bandwidth)
    : freqHz(freqHz), modulation(modulation), bandwidth(bandwidth), rssi(LOWEST_RSSI_DBM, HIGHEST_RSSI_DBM),
      snr(LOWEST_SNR_DB, HIGHEST_SNR_DB)
{
}

void ChannelTable::record(const PacketDocument& document)
{
    std::uint32_t freqHz = 0;
    std::uint32_t modulation = 0;
    std::uint32_t bandwidth = BW_UNDEFINED;
    if (!document.unsignedValue(PacketDocument::FreqHz, freqHz) ||
        !document.unsignedValue(PacketDocument::Modulation, modulation))
    {
        ++_unreadable;
        return;
    }
    document.unsignedValue(PacketDocument::Bandwidth, bandwidth);
    Channel* pChannel = find(freqHz, modulation, bandwidth);
    if (!pChannel)
    {
        ++_further;
        return;
    }
    ++pChannel->packets;
    pChannel->airtimeSeconds += airtimeSeconds(document, modulation, bandwidth);
    std::uint32_t status = STAT_UNDEFINED;
    document.unsignedValue(PacketDocument::Status, status);
    if (status == STAT_CRC_BAD)
    {
        ++pChannel->crcBad;
    }
    // A bad CRC may come from a damaged header: only valid packets give levels.
    double rssi = 0.0;
    if (status != STAT_CRC_OK || !document.realValue(PacketDocument::Rssi, rssi))
    {
        return;
    }
    pChannel->rssi.add(rssi);
    double snr = 0.0;
    if (modulation != MOD_LORA || !document.realValue(PacketDocument::Snr, snr))
    {
        return;
    }
    pChannel->snr.add(snr);
    if (LoRaHal::NoiseFloor::isSample(static_cast<float>(snr)))
    {
        pChannel->noise[pChannel->noiseSamples % pChannel->noise.size()] =
            LoRaHal::NoiseFloor::levelDbm(static_cast<float>(rssi), static_cast<float>(snr));
        ++pChannel->noiseSamples;
    }
}

std::string ChannelTable::text(std::uint64_t elapsedUs) const
{
    if (_channels.empty() && _unreadable == 0 && _further == 0)
    {
        return "  channels: none\n";
    }
    std::string text =
        "  channels (levels of the CRC-valid packets, airtime as a share of the time elapsed):\n";
    text += TITLES;
    for (const Channel& channel : _channels)
    {
        text += row(channel, elapsedUs / MICROSECONDS_PER_SECOND);
    }
    if (_further != 0)
    {
        text += formattedText("    and %" PRIu64 " packets on further channels\n", _further);
    }
    if (_unreadable != 0)
    {
        text += formattedText("    and %" PRIu64 " packets without a readable frequency or modulation\n",
                              _unreadable);
    }
    return text;
}

ChannelTable::Channel* ChannelTable::find(std::uint32_t freqHz, std::uint32_t modulation,
                                          std::uint32_t bandwidth)
{
    const auto before = [](const Channel& channel, const std::array<std::uint32_t, 3>& key) {
        return std::array<std::uint32_t, 3>{channel.freqHz, channel.modulation, channel.bandwidth} < key;
    };
    const std::array<std::uint32_t, 3> key{freqHz, modulation, bandwidth};
    const auto place = std::lower_bound(_channels.begin(), _channels.end(), key, before);
    if (place != _channels.end() && place->freqHz == freqHz && place->modulation == modulation &&
        place->bandwidth == bandwidth)
    {
        return &*place;
    }
    if (_channels.size() >= MAX_CHANNELS)
    {
        return nullptr;
    }
    return &*_channels.emplace(place, freqHz, modulation, bandwidth);
}

std::string ChannelTable::row(const Channel& channel, double elapsedSeconds)
{
    std::string noise = NONE;
    if (channel.noiseSamples != 0)
    {
        std::array<double, LoRaHal::NoiseFloor::WINDOW> levels = channel.noise;
        const std::size_t count = std::min<std::uint64_t>(channel.noiseSamples, levels.size());
        noise = formattedText("%.2f", LoRaHal::NoiseFloor::median(levels.data(), count));
    }
    const std::string airtime =
        elapsedSeconds > 0.0 ? formattedText("%.2f %%", PERCENT * channel.airtimeSeconds / elapsedSeconds)
                             : NONE;
    return formattedText(
        "  %11.6f   %-12s %8" PRIu64 "  %5.1f %%  %11s  %11s  %10s  %8s  %9s\n", channel.freqHz / HZ_PER_MHZ,
        modulationText(channel.modulation, channel.bandwidth).c_str(), channel.packets,
        PERCENT * channel.crcBad / channel.packets, levelText(channel.rssi, channel.rssi.median()).c_str(),
        levelText(channel.rssi, channel.rssi.lowest()).c_str(),
        levelText(channel.snr, channel.snr.median()).c_str(), airtime.c_str(), noise.c_str());
}

} // namespace LoRaWANListen
