//
// ChannelStatistics.cpp
//
// Implementation of the ChannelStatistics class.
//

#include "worker/statistics/ChannelStatistics.h"

#include "hal/ChannelRules.h"
#include "hal/NoiseFloor.h"
#include "hal/RadioCodes.h"
#include "hal/TimeOnAir.h"

#include <cstring>

namespace LoRaWANServer
{

namespace
{

const double NANOSECONDS_PER_SECOND = 1e9;
const double ROUNDING = 0.5;

const unsigned FSK_CHAIN = ChannelStatistics::CHAINS - 1;
const unsigned NO_RATE = ChannelStatistics::RATES;

// DR_LORA_SF7 is bit 1 of the datarate, DR_LORA_SF12 bit 6: one bit, shifted
// down to the rate, marks a single spreading factor.
unsigned rateOfLoRa(std::uint32_t datarate)
{
    if (datarate == 0 || (datarate & (datarate - 1)) != 0 || (datarate & DR_LORA_MULTI) == 0)
        return NO_RATE;
    return static_cast<unsigned>(__builtin_ctz(datarate)) - 1;
}

ChannelStatistics::Crc crcKind(std::uint8_t status)
{
    if (status == STAT_CRC_OK)
        return ChannelStatistics::CRC_OK;
    if (status == STAT_CRC_BAD)
        return ChannelStatistics::CRC_BAD;
    return ChannelStatistics::CRC_NONE;
}

} // namespace

ChannelStatistics::ChannelStatistics()
{
    std::memset(_radios.data(), 0, sizeof(_radios));
    std::memset(_channels.data(), 0, sizeof(_channels));
    for (unsigned bandwidth = 0; bandwidth < BANDWIDTH_CODES; ++bandwidth)
    {
        const double hertz = LoRaHal::RadioCodes::bandwidthHz(static_cast<std::uint8_t>(bandwidth));
        for (unsigned rate = 0; rate < LORA_RATES; ++rate)
            _loraRates[bandwidth][rate] = LoRaHal::TimeOnAir::loraRate(spreadingFactor(rate), hertz);
    }
}

void ChannelStatistics::acceptRadio(unsigned rfChain, const lgw_conf_rxrf_s& radio)
{
    if (rfChain >= _radios.size())
        return;
    _radios[rfChain] = radio;
    updatePlanned();
}

void ChannelStatistics::acceptChannel(unsigned ifChain, const lgw_conf_rxif_s& channel)
{
    if (ifChain >= CHAINS)
        return;
    // The HAL fills in the defaults of its chain; the plan names what it uses.
    lgw_conf_rxif_s completed = channel;
    LoRaHal::ChannelRules::completeChannel(ifChain, completed);
    _channels[ifChain] = completed;
    updatePlanned();
}

void ChannelStatistics::updatePlanned()
{
    for (unsigned ifChain = 0; ifChain < CHAINS; ++ifChain)
    {
        const lgw_conf_rxif_s& channel = _channels[ifChain];
        _planned[ifChain] =
            channel.enable && channel.rf_chain < _radios.size() && _radios[channel.rf_chain].enable;
    }
}

void ChannelStatistics::count(const lgw_pkt_rx_s* packets, int count)
{
    for (int i = 0; i < count; ++i)
        countPacket(packets[i]);
}

void ChannelStatistics::countPacket(const lgw_pkt_rx_s& packet)
{
    if (packet.if_chain >= CHAINS)
        return;
    unsigned rate = NO_RATE;
    double airtime = 0.0;
    if (packet.modulation == MOD_LORA)
    {
        rate = rateOfLoRa(packet.datarate);
        if (rate == NO_RATE)
            return;
        if (packet.bandwidth < BANDWIDTH_CODES)
            airtime = LoRaHal::TimeOnAir::loraSeconds(_loraRates[packet.bandwidth][rate], packet.coderate,
                                                      packet.size);
    }
    else if (packet.modulation == MOD_FSK)
    {
        rate = FSK_RATE;
        airtime = LoRaHal::TimeOnAir::fskSeconds(packet.datarate, packet.size);
    }
    else
    {
        return;
    }

    ChainCells& chain = _chains[packet.if_chain];
    // A chain of the plan is named by it.
    if (!_planned[packet.if_chain])
    {
        chain.seenFreqHz.store(packet.freq_hz, std::memory_order_relaxed);
        chain.seenBandwidth.store(packet.bandwidth, std::memory_order_relaxed);
        if (rate == FSK_RATE)
            chain.seenFskDatarate.store(packet.datarate, std::memory_order_relaxed);
    }

    RateCells& cells = chain.rates[rate];
    const Crc crc = crcKind(packet.status);
    cells.packets[crc].add(1);
    // Through a signed integer, which one instruction converts to.
    cells.airtimeNs.add(
        static_cast<Poco::UInt64>(static_cast<Poco::Int64>(airtime * NANOSECONDS_PER_SECOND + ROUNDING)));
    // A bad CRC may come from a damaged header: its levels are not trusted.
    if (crc != CRC_OK)
        return;
    cells.rssi.add(packet.rssi);
    if (rate == FSK_RATE)
        return;
    cells.snr.add(packet.snr);
    if (LoRaHal::NoiseFloor::isSample(packet.snr) && std::isfinite(packet.rssi))
        chain.noise.add(packet.rssi, packet.snr);
}

ChannelStatistics::Chain ChannelStatistics::chain(unsigned ifChain) const
{
    const lgw_conf_rxif_s& channel = _channels[ifChain];
    Chain named;
    if (_planned[ifChain])
    {
        named.enabled = true;
        named.freqHz = static_cast<std::uint32_t>(
            static_cast<Poco::Int64>(_radios[channel.rf_chain].freq_hz) + channel.freq_hz);
        named.bandwidth = channel.bandwidth;
        named.datarate = channel.datarate;
        return named;
    }
    const ChainCells& cells = _chains[ifChain];
    named.freqHz = cells.seenFreqHz.load(std::memory_order_relaxed);
    named.bandwidth = cells.seenBandwidth.load(std::memory_order_relaxed);
    named.datarate = cells.seenFskDatarate.load(std::memory_order_relaxed);
    return named;
}

bool ChannelStatistics::isPlanned(unsigned ifChain, unsigned rate) const
{
    const Chain named = chain(ifChain);
    if (!named.enabled)
        return false;
    if (ifChain == FSK_CHAIN)
        return rate == FSK_RATE;
    return rate < LORA_RATES &&
           (named.datarate & LoRaHal::RadioCodes::datarateCode(spreadingFactor(rate))) != 0;
}

ChannelStatistics::Rate ChannelStatistics::rate(unsigned ifChain, unsigned rate) const
{
    const RateCells& cells = _chains[ifChain].rates[rate];
    Rate values;
    for (unsigned crc = 0; crc < CRC_KINDS; ++crc)
        values.packets[crc] = cells.packets[crc].value();
    values.rssi = cells.rssi.values();
    values.snr = cells.snr.values();
    values.airtimeNs = cells.airtimeNs.value();
    return values;
}

std::optional<double> ChannelStatistics::noiseEstimateDbm(unsigned ifChain) const
{
    return _chains[ifChain].noise.estimateDbm();
}

unsigned ChannelStatistics::spreadingFactor(unsigned rate)
{
    return LoRaHal::RadioCodes::MIN_SPREADING_FACTOR + rate;
}

} // namespace LoRaWANServer
