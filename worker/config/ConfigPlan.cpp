//
// ConfigPlan.cpp
//
// Implementation of the ConfigPlan struct.
//

#include "worker/config/ConfigPlan.h"

#include "hal/RadioCodes.h"

#include <cstdio>

namespace LoRaWANServer
{

namespace
{
const double HZ_PER_MHZ = 1e6;
} // namespace

bool ConfigPlan::channelEnabled(int chain) const
{
    return channels[chain].set && channels[chain].record.enable;
}

bool ConfigPlan::radioEnabled(int chain) const
{
    return chain >= 0 && chain < LGW_RF_CHAIN_NB && radios[chain].set && radios[chain].record.enable;
}

std::optional<long long> ConfigPlan::channelCentreHz(int chain) const
{
    if (!channelEnabled(chain))
        return std::nullopt;
    const lgw_conf_rxif_s& channel = channels[chain].record;
    if (!radioEnabled(channel.rf_chain))
        return std::nullopt;
    return static_cast<long long>(radios[channel.rf_chain].record.freq_hz) + channel.freq_hz;
}

double ConfigPlan::channelBandwidthHz(int chain) const
{
    return LoRaHal::RadioCodes::bandwidthHz(channels[chain].record.bandwidth);
}

std::string ConfigPlan::Gateway::idText() const
{
    char text[32];
    std::snprintf(text, sizeof(text), "%016llX", static_cast<unsigned long long>(id));
    return text;
}

std::string ConfigPlan::megahertz(double hertz)
{
    // Hz resolution, without trailing zeros: 868.1 MHz, 865.0625 MHz, 868 MHz.
    char text[32];
    std::snprintf(text, sizeof(text), "%.6f", hertz / HZ_PER_MHZ);
    std::string result = text;
    while (result.back() == '0')
        result.pop_back();
    if (result.back() == '.')
        result.pop_back();
    return result + " MHz";
}

} // namespace LoRaWANServer
