//
// PlanCollector.cpp
//
// Implementation of the PlanCollector class.
//

#include "worker/config/PlanCollector.h"

#include "hal/ChannelRules.h"
#include "worker/config/ConfigConstants.h"
#include "worker/config/ConfigKeys.h"

#include <cstdlib>

namespace LoRaWANServer
{

PlanCollector::PlanCollector(ConfigPlan& plan, ConfigFindings& findings) : _plan(plan), _findings(findings) {}

void PlanCollector::beginFile(const std::string& path)
{
    _file = path;
}

bool PlanCollector::setBoard(const lgw_conf_board_s& board)
{
    // The HAL takes any board settings before the start.
    _plan.board = {true, _file, board};
    return true;
}

bool PlanCollector::setRadio(int chain, const lgw_conf_rxrf_s& radio)
{
    const std::string refusal = LoRaHal::ChannelRules::checkRadio(static_cast<unsigned>(chain), radio);
    if (!refusal.empty())
    {
        refuse(ConfigKeys::radioKey(chain), refusal,
               "set \"type\" to \"SX1257\" or \"SX1255\", as the board has");
        return false;
    }
    _plan.radios[chain] = {true, _file, radio};
    return true;
}

bool PlanCollector::setChannel(int chain, const lgw_conf_rxif_s& channel)
{
    lgw_conf_rxif_s completed = channel;
    const std::string refusal =
        LoRaHal::ChannelRules::completeChannel(static_cast<unsigned>(chain), completed);
    if (!refusal.empty())
    {
        refuse(ConfigKeys::channelKey(chain), refusal, channelChange(chain, channel));
        return false;
    }
    _plan.channels[chain] = {true, _file, completed};
    return true;
}

void PlanCollector::setGatewayId(Poco::UInt64 id, const std::string& text)
{
    _plan.gateway = {true, _file, id, text};
}

void PlanCollector::refuse(const std::string& key, const std::string& reason, const std::string& change)
{
    _findings.push_back({ConfigFinding::SEVERITY_ERROR, _file,
                         std::string(ConfigKeys::SX1301_SECTION) + "." + key,
                         "the concentrator would refuse " + key + " (" + reason +
                             "), and nothing after it in this file would reach it: " + change});
}

/// What makes the HAL take a channel it refused, in the order it checks.
std::string PlanCollector::channelChange(int chain, const lgw_conf_rxif_s& channel)
{
    if (channel.rf_chain >= LGW_RF_CHAIN_NB)
        return "set \"radio\" to 0 or 1";
    const double limit = LoRaHal::ChannelRules::maxIfOffsetHz(channel.bandwidth);
    if (std::llabs(static_cast<long long>(channel.freq_hz)) > limit)
    {
        return "keep \"if\" within " + std::to_string(static_cast<long long>(limit)) +
               " Hz of the radio's centre either way, or move radio " + std::to_string(channel.rf_chain) +
               "'s \"freq\" nearer to the channel";
    }
    if (chain == ConfigKeys::FSK_IF_CHAIN)
        return "set \"datarate\" to 500 to 250000 bit/s";
    return "set \"bandwidth\" to 125000, 250000 or 500000 and \"spread_factor\" to 7 to 12";
}

} // namespace LoRaWANServer
