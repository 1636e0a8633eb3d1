//
// ChannelRules.cpp
//
// Implementation of the ChannelRules class.
//

#include "hal/ChannelRules.h"

#include "hal/RadioCodes.h"

#include <cstdlib>

namespace LoRaHal
{

namespace
{

const unsigned LORA_STANDARD_CHAIN = LGW_MULTI_NB; // chains 0-7 are multi-SF, then the standard one

const std::uint8_t LORA_STANDARD_DEFAULT_BANDWIDTH = BW_250KHZ;
const std::uint32_t LORA_STANDARD_DEFAULT_DATARATE = DR_LORA_SF9;
const std::uint8_t FSK_DEFAULT_BANDWIDTH = BW_250KHZ;
const std::uint32_t FSK_DEFAULT_DATARATE = 64000;

// The band of the radio a channel must fit in, by channel bandwidth; the IF
// check takes an undefined bandwidth as 125 kHz.
const double NARROW_CHANNEL_RADIO_BAND_HZ = 925000.0;  // channels up to 125 kHz
const double MEDIUM_CHANNEL_RADIO_BAND_HZ = 1000000.0; // 250 kHz channels
const double WIDE_CHANNEL_RADIO_BAND_HZ = 1100000.0;   // 500 kHz channels
const double UNDEFINED_CHANNEL_BANDWIDTH_HZ = 125000.0;

double radioBandHz(double channelBandwidthHz)
{
    if (channelBandwidthHz > 250000.0)
        return WIDE_CHANNEL_RADIO_BAND_HZ;
    if (channelBandwidthHz > 125000.0)
        return MEDIUM_CHANNEL_RADIO_BAND_HZ;
    return NARROW_CHANNEL_RADIO_BAND_HZ;
}

std::string number(long long value)
{
    return std::to_string(value);
}

} // namespace

std::string ChannelRules::checkRadio(unsigned rfChain, const lgw_conf_rxrf_s& conf)
{
    if (rfChain >= LGW_RF_CHAIN_NB)
        return "RF chain " + number(rfChain) + " does not exist";
    if (conf.type != LGW_RADIO_TYPE_SX1255 && conf.type != LGW_RADIO_TYPE_SX1257)
        return "radio type " + number(conf.type) + " of RF chain " + number(rfChain) +
               " is not supported (only SX1255 and SX1257)";
    return "";
}

std::string ChannelRules::completeChannel(unsigned ifChain, lgw_conf_rxif_s& conf)
{
    if (ifChain >= LGW_IF_CHAIN_NB)
        return "IF chain " + number(ifChain) + " does not exist";
    if (!conf.enable)
        return "";
    if (conf.rf_chain >= LGW_RF_CHAIN_NB)
        return "IF chain " + number(ifChain) + " names RF chain " + number(conf.rf_chain) +
               ", which does not exist";
    std::string refusal = checkBand(conf);
    if (!refusal.empty())
        return "IF chain " + number(ifChain) + ": " + refusal;

    lgw_conf_rxif_s completed = conf;
    if (ifChain < LORA_STANDARD_CHAIN)
        refusal = completeMultiSf(completed);
    else if (ifChain == LORA_STANDARD_CHAIN)
        refusal = completeLoRaStandard(completed);
    else
        refusal = completeFsk(completed);
    if (!refusal.empty())
        return "IF chain " + number(ifChain) + ": " + refusal;
    conf = completed;
    return "";
}

double ChannelRules::maxIfOffsetHz(std::uint8_t bandwidthCode)
{
    double bandwidth = UNDEFINED_CHANNEL_BANDWIDTH_HZ;
    if (bandwidthCode != BW_UNDEFINED)
        bandwidth = RadioCodes::bandwidthHz(bandwidthCode);
    if (bandwidth <= 0.0)
        return 0.0;
    return radioBandHz(bandwidth) / 2 - bandwidth / 2;
}

std::string ChannelRules::checkBand(const lgw_conf_rxif_s& conf)
{
    const double limit = maxIfOffsetHz(conf.bandwidth);
    if (limit <= 0.0)
        return "bandwidth code " + number(conf.bandwidth) + " is not valid";
    const double offset = static_cast<double>(std::llabs(static_cast<long long>(conf.freq_hz)));
    if (offset > limit)
        return "IF offset " + number(conf.freq_hz) + " Hz puts the channel outside the radio's band";
    return "";
}

std::string ChannelRules::completeMultiSf(lgw_conf_rxif_s& conf)
{
    if (conf.bandwidth == BW_UNDEFINED)
        conf.bandwidth = BW_125KHZ;
    if (conf.datarate == DR_UNDEFINED)
        conf.datarate = DR_LORA_MULTI;
    if (conf.bandwidth != BW_125KHZ)
        return "a LoRa multi-SF channel has a bandwidth of 125 kHz, not code " + number(conf.bandwidth);
    if ((conf.datarate & ~static_cast<std::uint32_t>(DR_LORA_MULTI)) != 0)
        return "datarate " + number(conf.datarate) + " is not a set of LoRa spreading factors";
    return "";
}

std::string ChannelRules::completeLoRaStandard(lgw_conf_rxif_s& conf)
{
    if (conf.bandwidth == BW_UNDEFINED)
        conf.bandwidth = LORA_STANDARD_DEFAULT_BANDWIDTH;
    if (conf.datarate == DR_UNDEFINED)
        conf.datarate = LORA_STANDARD_DEFAULT_DATARATE;
    if (conf.bandwidth != BW_125KHZ && conf.bandwidth != BW_250KHZ && conf.bandwidth != BW_500KHZ)
        return "the LoRa standard channel has 125, 250 or 500 kHz, not bandwidth code " +
               number(conf.bandwidth);
    if (RadioCodes::spreadingFactor(conf.datarate) == 0)
        return "datarate " + number(conf.datarate) + " is not one LoRa spreading factor";
    return "";
}

std::string ChannelRules::completeFsk(lgw_conf_rxif_s& conf)
{
    if (conf.bandwidth == BW_UNDEFINED)
        conf.bandwidth = FSK_DEFAULT_BANDWIDTH;
    if (conf.datarate == DR_UNDEFINED)
        conf.datarate = FSK_DEFAULT_DATARATE;
    if (RadioCodes::bandwidthHz(conf.bandwidth) <= 0.0)
        return "bandwidth code " + number(conf.bandwidth) + " is not valid";
    if (conf.datarate < DR_FSK_MIN || conf.datarate > DR_FSK_MAX)
        return "FSK datarate " + number(conf.datarate) + " bit/s is outside 500 to 250000";
    return "";
}

} // namespace LoRaHal
