//
// ConfigParser.cpp
//
// Implementation of the ConfigParser class.
//

#include "worker/config/ConfigParser.h"

#include "worker/config/ConfigKeys.h"
#include "worker/config/NumberConversion.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>

namespace LoRaWANServer
{

namespace
{

/// Radio types are recognised by their first six characters.
const std::size_t RADIO_TYPE_LENGTH = 6;

/// Shown for an enabled radio whose type is missing or not a string.
const char* const NO_RADIO_TYPE = "(none)";

/// The gateway identifier is hexadecimal text.
const int GATEWAY_ID_BASE = 16;

std::string memberPath(const std::string& key, const char* member)
{
    return key + "." + member;
}

bool isTrue(const ConfigValue& value)
{
    return value.isBoolean() && value.boolean();
}

/// The type handed over with a disabled radio. The HAL refuses a radio of no
/// type even when it is disabled, and a refused radio ends the file before
/// any channel: the file's type when it names one, otherwise the SX1257 of
/// most boards. Nothing is reported, since the radio is not used.
enum lgw_radio_type_e disabledRadioType(const std::string* pText)
{
    if (pText && pText->compare(0, RADIO_TYPE_LENGTH, "SX1255") == 0)
        return LGW_RADIO_TYPE_SX1255;
    return LGW_RADIO_TYPE_SX1257;
}

/// Sets what every kind of channel has: enabled, its radio and its IF offset.
void readEnabledChannel(const ConfigValue& conf, const std::string& key, lgw_conf_rxif_s& channel)
{
    channel.enable = true;
    channel.rf_chain = NumberConversion::toUInt8(conf.at(memberPath(key, ConfigKeys::RADIO)).number());
    channel.freq_hz = NumberConversion::toInt32(conf.at(memberPath(key, ConfigKeys::IF_OFFSET)).number());
}

uint8_t loraBandwidthCode(Poco::UInt32 hertz)
{
    switch (hertz)
    {
        case 125000:
            return BW_125KHZ;
        case 250000:
            return BW_250KHZ;
        case 500000:
            return BW_500KHZ;
        default:
            return BW_UNDEFINED;
    }
}

Poco::UInt32 spreadingFactorCode(Poco::UInt32 spreadingFactor)
{
    switch (spreadingFactor)
    {
        case 7:
            return DR_LORA_SF7;
        case 8:
            return DR_LORA_SF8;
        case 9:
            return DR_LORA_SF9;
        case 10:
            return DR_LORA_SF10;
        case 11:
            return DR_LORA_SF11;
        case 12:
            return DR_LORA_SF12;
        default:
            return DR_UNDEFINED;
    }
}

/// The narrowest FSK bandwidth that holds hertz; 0 (undefined) above 500 kHz.
uint8_t fskBandwidthCode(Poco::UInt32 hertz)
{
    struct Bound
    {
        Poco::UInt32 hertz;
        uint8_t code;
    };
    static const Bound BOUNDS[] = {{7800, BW_7K8HZ},   {15600, BW_15K6HZ},  {31200, BW_31K2HZ},
                                   {62500, BW_62K5HZ}, {125000, BW_125KHZ}, {250000, BW_250KHZ},
                                   {500000, BW_500KHZ}};
    for (const Bound& bound : BOUNDS)
    {
        if (hertz <= bound.hertz)
            return bound.code;
    }
    return BW_UNDEFINED;
}

} // namespace

ConfigParser::ConfigParser(ConfigTarget& target, std::FILE* pReport) : _target(target), _pReport(pReport) {}

int ConfigParser::parseSX1301(const std::string& path, const ConfigDocument& document)
{
    const char* const section = ConfigKeys::SX1301_SECTION;
    const ConfigValue conf = document.root().member(section);
    if (!conf.isObject())
    {
        report(" INFO: %s does not contain a JSON object named %s\n", path.c_str(), section);
        return -1;
    }
    report(" INFO: %s does contain a JSON object named %s, parsing SX1301 parameters\n", path.c_str(),
           section);

    if (!configureBoard(conf))
        return -1;
    for (int chain = 0; chain < LGW_RF_CHAIN_NB; ++chain)
    {
        if (!configureRadio(conf, chain))
            return -1;
    }
    for (int chain = 0; chain < LGW_MULTI_NB; ++chain)
    {
        if (!configureMultiSFChannel(conf, chain))
            return -1;
    }
    if (!configureLoraStandardChannel(conf) || !configureFskChannel(conf))
        return -1;
    return 0;
}

int ConfigParser::parseGateway(const std::string& path, const ConfigDocument& document)
{
    const char* const section = ConfigKeys::GATEWAY_SECTION;
    const ConfigValue conf = document.root().member(section);
    if (!conf.isObject())
    {
        report(" INFO: %s does not contain a JSON object named %s\n", path.c_str(), section);
        return -1;
    }
    report(" INFO: %s does contain a JSON object named %s, parsing gateway parameters\n", path.c_str(),
           section);

    if (const std::string* pId = conf.member(ConfigKeys::GATEWAY_ID).string())
    {
        // As "%llx" scans: leading blanks, a sign and a 0x prefix are allowed, the
        // digits end at the first other character, no digit gives 0, and too many
        // digits saturate (strtoull is defined where sscanf is not).
        const Poco::UInt64 id = std::strtoull(pId->c_str(), nullptr, GATEWAY_ID_BASE);
        _target.setGatewayId(id, *pId);
        report(" INFO: gateway MAC address is configured to %016llX\n", static_cast<unsigned long long>(id));
    }
    return 0;
}

void ConfigParser::report(const char* format, ...) const
{
    if (!_pReport)
        return;
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(_pReport, format, arguments);
    va_end(arguments);
}

bool ConfigParser::configureBoard(const ConfigValue& conf)
{
    lgw_conf_board_s board;
    std::memset(&board, 0, sizeof(board));

    const ConfigValue lorawanPublic = conf.member(ConfigKeys::LORAWAN_PUBLIC);
    if (lorawanPublic.isBoolean())
        board.lorawan_public = lorawanPublic.boolean();
    else
        report(" WARNING: Data type for lorawan_public seems wrong, please check\n");

    const ConfigValue clockSource = conf.member(ConfigKeys::CLOCK_SOURCE);
    if (clockSource.isNumber())
        board.clksrc = NumberConversion::toUInt8(clockSource.number());
    else
        report(" WARNING: Data type for clksrc seems wrong, please check\n");

    report(" INFO: lorawan_public %d, clksrc %d\n", board.lorawan_public ? 1 : 0, board.clksrc);
    if (!_target.setBoard(board))
    {
        report(" ERROR: Failed to configure board\n");
        return false;
    }
    return true;
}

enum lgw_radio_type_e ConfigParser::radioType(const std::string* pText) const
{
    if (pText && pText->compare(0, RADIO_TYPE_LENGTH, "SX1255") == 0)
        return LGW_RADIO_TYPE_SX1255;
    if (pText && pText->compare(0, RADIO_TYPE_LENGTH, "SX1257") == 0)
        return LGW_RADIO_TYPE_SX1257;
    report(" WARNING: invalid radio type: %s (should be SX1255 or SX1257)\n",
           pText ? pText->c_str() : NO_RADIO_TYPE);
    return LGW_RADIO_TYPE_NONE;
}

/// Returns false when the radio was refused; a radio without an object is skipped.
bool ConfigParser::configureRadio(const ConfigValue& conf, int chain)
{
    const std::string key = ConfigKeys::radioKey(chain);
    lgw_conf_rxrf_s radio;
    std::memset(&radio, 0, sizeof(radio));
    if (!conf.member(key).isObject())
    {
        report(" INFO: no configuration for radio %i\n", chain);
        return true;
    }
    const std::string* pType = conf.at(memberPath(key, ConfigKeys::RADIO_TYPE)).string();
    if (isTrue(conf.at(memberPath(key, ConfigKeys::ENABLE))))
    {
        radio.enable = true;
        radio.freq_hz = NumberConversion::toUInt32(conf.at(memberPath(key, ConfigKeys::FREQUENCY)).number());
        radio.rssi_offset =
            NumberConversion::toFloat(conf.at(memberPath(key, ConfigKeys::RSSI_OFFSET)).number());
        radio.type = radioType(pType);
        radio.tx_enable = isTrue(conf.at(memberPath(key, ConfigKeys::TX_ENABLE)));
        report(" INFO: radio %i enabled (type %s), center frequency %u, RSSI offset %f, tx enabled %d\n",
               chain, pType ? pType->c_str() : NO_RADIO_TYPE, radio.freq_hz,
               static_cast<double>(radio.rssi_offset), radio.tx_enable ? 1 : 0);
    }
    else
    {
        radio.type = disabledRadioType(pType);
        report(" INFO: radio %i disabled\n", chain);
    }
    if (!_target.setRadio(chain, radio))
    {
        report(" ERROR: invalid configuration for radio %i\n", chain);
        return false;
    }
    return true;
}

/// Hands channel to IF chain; a refusal writes refusalLine and returns false.
bool ConfigParser::handOverChannel(int chain, const lgw_conf_rxif_s& channel, const std::string& refusalLine)
{
    if (_target.setChannel(chain, channel))
        return true;
    report("%s", refusalLine.c_str());
    return false;
}

bool ConfigParser::configureMultiSFChannel(const ConfigValue& conf, int chain)
{
    const std::string key = ConfigKeys::channelKey(chain);
    lgw_conf_rxif_s channel;
    std::memset(&channel, 0, sizeof(channel));
    if (!conf.member(key).isObject())
    {
        report(" INFO: no configuration for LoRa multi-SF channel %i\n", chain);
        return true;
    }
    if (isTrue(conf.at(memberPath(key, ConfigKeys::ENABLE))))
    {
        readEnabledChannel(conf, key, channel);
        report(
            " INFO: LoRa multi-SF channel %i enabled, radio %i selected, IF %i Hz, 125 kHz bandwidth, SF 7 "
            "to 12\n",
            chain, channel.rf_chain, channel.freq_hz);
    }
    else
    {
        report(" INFO: LoRa multi-SF channel %i disabled\n", chain);
    }
    return handOverChannel(chain, channel,
                           " ERROR: invalid configuration for Lora multi-SF channel " +
                               std::to_string(chain) + "\n");
}

bool ConfigParser::configureLoraStandardChannel(const ConfigValue& conf)
{
    const std::string key = ConfigKeys::channelKey(ConfigKeys::LORA_STD_IF_CHAIN);
    lgw_conf_rxif_s channel;
    std::memset(&channel, 0, sizeof(channel));
    if (!conf.member(key).isObject())
    {
        report(" INFO: no configuration for LoRa standard channel\n");
        return true;
    }
    if (isTrue(conf.at(memberPath(key, ConfigKeys::ENABLE))))
    {
        readEnabledChannel(conf, key, channel);
        const Poco::UInt32 bandwidth =
            NumberConversion::toUInt32(conf.at(memberPath(key, ConfigKeys::BANDWIDTH)).number());
        const Poco::UInt32 spreadingFactor =
            NumberConversion::toUInt32(conf.at(memberPath(key, ConfigKeys::SPREAD_FACTOR)).number());
        channel.bandwidth = loraBandwidthCode(bandwidth);
        channel.datarate = spreadingFactorCode(spreadingFactor);
        report(" INFO: LoRa standard channel enabled, radio %i selected, IF %i Hz, %u Hz bandwidth, SF %u\n",
               channel.rf_chain, channel.freq_hz, bandwidth, spreadingFactor);
    }
    else
    {
        report(" INFO: LoRa standard channel %i disabled\n", ConfigKeys::LORA_STD_IF_CHAIN);
    }
    return handOverChannel(ConfigKeys::LORA_STD_IF_CHAIN, channel,
                           " ERROR: invalid configuration for Lora standard channel\n");
}

bool ConfigParser::configureFskChannel(const ConfigValue& conf)
{
    const std::string key = ConfigKeys::channelKey(ConfigKeys::FSK_IF_CHAIN);
    lgw_conf_rxif_s channel;
    std::memset(&channel, 0, sizeof(channel));
    if (!conf.member(key).isObject())
    {
        report(" INFO: no configuration for FSK channel\n");
        return true;
    }
    if (isTrue(conf.at(memberPath(key, ConfigKeys::ENABLE))))
    {
        readEnabledChannel(conf, key, channel);
        const Poco::UInt32 bandwidth =
            NumberConversion::toUInt32(conf.at(memberPath(key, ConfigKeys::BANDWIDTH)).number());
        channel.bandwidth = fskBandwidthCode(bandwidth);
        channel.datarate =
            NumberConversion::toUInt32(conf.at(memberPath(key, ConfigKeys::DATARATE)).number());
        report(" INFO: FSK channel enabled, radio %i selected, IF %i Hz, %u Hz bandwidth, %u bps datarate\n",
               channel.rf_chain, channel.freq_hz, bandwidth, channel.datarate);
    }
    else
    {
        report(" INFO: FSK channel %i disabled\n", ConfigKeys::FSK_IF_CHAIN);
    }
    return handOverChannel(ConfigKeys::FSK_IF_CHAIN, channel,
                           " ERROR: invalid configuration for FSK channel\n");
}

} // namespace LoRaWANServer
