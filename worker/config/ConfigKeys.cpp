//
// ConfigKeys.cpp
//
// Implementation of the ConfigKeys class.
//

#include "worker/config/ConfigKeys.h"

#include "hal/HalApi.h"

namespace LoRaWANServer
{

namespace
{

const char* const RADIO_PREFIX = "radio_";
const char* const MULTI_SF_PREFIX = "chan_multiSF_";
const char* const LORA_STD_CHANNEL = "chan_Lora_std";
const char* const FSK_CHANNEL = "chan_FSK";

using Member = ConfigKeys::Member;

std::vector<Member> sx1301Members()
{
    std::vector<Member> members = {{ConfigKeys::LORAWAN_PUBLIC, ConfigValue::TYPE_BOOLEAN},
                                   {ConfigKeys::CLOCK_SOURCE, ConfigValue::TYPE_NUMBER}};
    for (int chain = 0; chain < LGW_RF_CHAIN_NB; ++chain)
        members.push_back({ConfigKeys::radioKey(chain), ConfigValue::TYPE_OBJECT});
    for (int chain = 0; chain < LGW_IF_CHAIN_NB; ++chain)
        members.push_back({ConfigKeys::channelKey(chain), ConfigValue::TYPE_OBJECT});
    return members;
}

} // namespace

const char* const ConfigKeys::SX1301_SECTION = "SX1301_conf";
const char* const ConfigKeys::GATEWAY_SECTION = "gateway_conf";
const char* const ConfigKeys::GATEWAY_ID = "gateway_ID";
const char* const ConfigKeys::LORAWAN_PUBLIC = "lorawan_public";
const char* const ConfigKeys::CLOCK_SOURCE = "clksrc";
const char* const ConfigKeys::ENABLE = "enable";
const char* const ConfigKeys::TX_ENABLE = "tx_enable";
const char* const ConfigKeys::FREQUENCY = "freq";
const char* const ConfigKeys::RSSI_OFFSET = "rssi_offset";
const char* const ConfigKeys::RADIO_TYPE = "type";
const char* const ConfigKeys::RADIO = "radio";
const char* const ConfigKeys::IF_OFFSET = "if";
const char* const ConfigKeys::BANDWIDTH = "bandwidth";
const char* const ConfigKeys::SPREAD_FACTOR = "spread_factor";
const char* const ConfigKeys::DATARATE = "datarate";

std::string ConfigKeys::radioKey(int chain)
{
    return RADIO_PREFIX + std::to_string(chain);
}

std::string ConfigKeys::channelKey(int chain)
{
    if (chain == LORA_STD_IF_CHAIN)
        return LORA_STD_CHANNEL;
    if (chain == FSK_IF_CHAIN)
        return FSK_CHANNEL;
    return MULTI_SF_PREFIX + std::to_string(chain);
}

ConfigKeys::ObjectKind ConfigKeys::channelKind(int chain)
{
    if (chain == LORA_STD_IF_CHAIN)
        return KIND_LORA_STD;
    if (chain == FSK_IF_CHAIN)
        return KIND_FSK;
    return KIND_MULTI_SF;
}

const std::vector<Member>& ConfigKeys::membersRead(ObjectKind kind)
{
    static const std::vector<Member> ROOT = {{SX1301_SECTION, ConfigValue::TYPE_OBJECT},
                                             {GATEWAY_SECTION, ConfigValue::TYPE_OBJECT}};
    static const std::vector<Member> SX1301 = sx1301Members();
    static const std::vector<Member> GATEWAY = {{GATEWAY_ID, ConfigValue::TYPE_STRING}};
    static const std::vector<Member> RADIO_MEMBERS = {{ENABLE, ConfigValue::TYPE_BOOLEAN},
                                                      {FREQUENCY, ConfigValue::TYPE_NUMBER},
                                                      {RSSI_OFFSET, ConfigValue::TYPE_NUMBER},
                                                      {RADIO_TYPE, ConfigValue::TYPE_STRING},
                                                      {TX_ENABLE, ConfigValue::TYPE_BOOLEAN}};
    static const std::vector<Member> MULTI_SF = {{ENABLE, ConfigValue::TYPE_BOOLEAN},
                                                 {RADIO, ConfigValue::TYPE_NUMBER},
                                                 {IF_OFFSET, ConfigValue::TYPE_NUMBER}};
    static const std::vector<Member> LORA_STD = {{ENABLE, ConfigValue::TYPE_BOOLEAN},
                                                 {RADIO, ConfigValue::TYPE_NUMBER},
                                                 {IF_OFFSET, ConfigValue::TYPE_NUMBER},
                                                 {BANDWIDTH, ConfigValue::TYPE_NUMBER},
                                                 {SPREAD_FACTOR, ConfigValue::TYPE_NUMBER}};
    static const std::vector<Member> FSK = {{ENABLE, ConfigValue::TYPE_BOOLEAN},
                                            {RADIO, ConfigValue::TYPE_NUMBER},
                                            {IF_OFFSET, ConfigValue::TYPE_NUMBER},
                                            {BANDWIDTH, ConfigValue::TYPE_NUMBER},
                                            {DATARATE, ConfigValue::TYPE_NUMBER}};
    switch (kind)
    {
        case KIND_ROOT:
            return ROOT;
        case KIND_SX1301:
            return SX1301;
        case KIND_GATEWAY:
            return GATEWAY;
        case KIND_RADIO:
            return RADIO_MEMBERS;
        case KIND_MULTI_SF:
            return MULTI_SF;
        case KIND_LORA_STD:
            return LORA_STD;
        default:
            return FSK;
    }
}

} // namespace LoRaWANServer
