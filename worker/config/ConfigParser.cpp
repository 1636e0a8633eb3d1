//
// ConfigParser.cpp
//
// The configuration parsers of WorkerThread: from one JSON configuration file
// to the concentrator's board, radio and channel settings and the gateway
// identifier. Everything is reported on standard error, one plain line per
// item, so that an operator can compare the file with what the HAL was given.
//

#include "utility/ProcessExit.h"
#include "worker/WorkerThread.h"
#include "worker/config/ConfigConstants.h"
#include "worker/config/ConfigDocument.h"
#include "worker/config/NumberConversion.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace LoRaWANServer
{

namespace
{

const char* const SX1301_SECTION = "SX1301_conf";
const char* const GATEWAY_SECTION = "gateway_conf";
const char* const GATEWAY_ID_KEY = "gateway_ID";
const char* const LORA_STD_CHANNEL = "chan_Lora_std";
const char* const FSK_CHANNEL = "chan_FSK";

const int LORA_STD_IF_CHAIN = 8;
const int FSK_IF_CHAIN = 9;

/// Radio types are recognised by their first six characters.
const std::size_t RADIO_TYPE_LENGTH = 6;

/// Shown for an enabled radio whose type is missing or not a string.
const char* const NO_RADIO_TYPE = "(none)";

std::string indexedKey(const char* prefix, int index)
{
    return prefix + std::to_string(index);
}

/// Parses the file; a file that is not a JSON object ends the process.
std::unique_ptr<ConfigDocument> readConfiguration(const char* path)
{
    std::unique_ptr<ConfigDocument> pDocument = ConfigDocument::parseFile(path);
    if (!pDocument)
    {
        std::fprintf(stderr, " ERROR: %s id not a valid JSON file\n", path);
        Zel::Utility::ProcessExit::exitProcess(EXIT_BAD_CONFIGURATION);
    }
    return pDocument;
}

bool isTrue(const ConfigValue& value)
{
    return value.isBoolean() && value.boolean();
}

bool configureBoard(Concentrator& concentrator, const ConfigValue& conf)
{
    lgw_conf_board_s board;
    std::memset(&board, 0, sizeof(board));

    const ConfigValue lorawanPublic = conf.member("lorawan_public");
    if (lorawanPublic.isBoolean())
        board.lorawan_public = lorawanPublic.boolean();
    else
        std::fprintf(stderr, " WARNING: Data type for lorawan_public seems wrong, please check\n");

    const ConfigValue clockSource = conf.member("clksrc");
    if (clockSource.isNumber())
        board.clksrc = NumberConversion::toUInt8(clockSource.number());
    else
        std::fprintf(stderr, " WARNING: Data type for clksrc seems wrong, please check\n");

    std::fprintf(stderr, " INFO: lorawan_public %d, clksrc %d\n", board.lorawan_public ? 1 : 0, board.clksrc);
    if (!concentrator.setBoard(board))
    {
        std::fprintf(stderr, " ERROR: Failed to configure board\n");
        return false;
    }
    return true;
}

enum lgw_radio_type_e radioType(const std::string* pText)
{
    if (pText && pText->compare(0, RADIO_TYPE_LENGTH, "SX1255") == 0)
        return LGW_RADIO_TYPE_SX1255;
    if (pText && pText->compare(0, RADIO_TYPE_LENGTH, "SX1257") == 0)
        return LGW_RADIO_TYPE_SX1257;
    std::fprintf(stderr, " WARNING: invalid radio type: %s (should be SX1255 or SX1257)\n",
                 pText ? pText->c_str() : NO_RADIO_TYPE);
    return LGW_RADIO_TYPE_NONE;
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

/// Returns false when the radio was refused; a radio without an object is skipped.
bool configureRadio(Concentrator& concentrator, const ConfigValue& conf, int chain)
{
    const std::string key = indexedKey("radio_", chain);
    lgw_conf_rxrf_s radio;
    std::memset(&radio, 0, sizeof(radio));
    if (!conf.member(key).isObject())
    {
        std::fprintf(stderr, " INFO: no configuration for radio %i\n", chain);
        return true;
    }
    if (isTrue(conf.at(key + ".enable")))
    {
        radio.enable = true;
        radio.freq_hz = NumberConversion::toUInt32(conf.at(key + ".freq").number());
        radio.rssi_offset = NumberConversion::toFloat(conf.at(key + ".rssi_offset").number());
        const std::string* pType = conf.at(key + ".type").string();
        radio.type = radioType(pType);
        radio.tx_enable = isTrue(conf.at(key + ".tx_enable"));
        std::fprintf(
            stderr, " INFO: radio %i enabled (type %s), center frequency %u, RSSI offset %f, tx enabled %d\n",
            chain, pType ? pType->c_str() : NO_RADIO_TYPE, radio.freq_hz,
            static_cast<double>(radio.rssi_offset), radio.tx_enable ? 1 : 0);
    }
    else
    {
        radio.type = disabledRadioType(conf.at(key + ".type").string());
        std::fprintf(stderr, " INFO: radio %i disabled\n", chain);
    }
    if (!concentrator.setRadio(chain, radio))
    {
        std::fprintf(stderr, " ERROR: invalid configuration for radio %i\n", chain);
        return false;
    }
    return true;
}

/// Sets what every kind of channel has: enabled, its radio and its IF offset.
void readEnabledChannel(const ConfigValue& conf, const std::string& key, lgw_conf_rxif_s& channel)
{
    channel.enable = true;
    channel.rf_chain = NumberConversion::toUInt8(conf.at(key + ".radio").number());
    channel.freq_hz = NumberConversion::toInt32(conf.at(key + ".if").number());
}

/// Hands channel to IF chain; a refusal writes refusalLine and returns false.
bool handOverChannel(Concentrator& concentrator, int chain, const lgw_conf_rxif_s& channel,
                     const std::string& refusalLine)
{
    if (concentrator.setChannel(chain, channel))
        return true;
    std::fputs(refusalLine.c_str(), stderr);
    return false;
}

bool configureMultiSFChannel(Concentrator& concentrator, const ConfigValue& conf, int chain)
{
    const std::string key = indexedKey("chan_multiSF_", chain);
    lgw_conf_rxif_s channel;
    std::memset(&channel, 0, sizeof(channel));
    if (!conf.member(key).isObject())
    {
        std::fprintf(stderr, " INFO: no configuration for LoRa multi-SF channel %i\n", chain);
        return true;
    }
    if (isTrue(conf.at(key + ".enable")))
    {
        readEnabledChannel(conf, key, channel);
        std::fprintf(
            stderr,
            " INFO: LoRa multi-SF channel %i enabled, radio %i selected, IF %i Hz, 125 kHz bandwidth, SF 7 "
            "to 12\n",
            chain, channel.rf_chain, channel.freq_hz);
    }
    else
    {
        std::fprintf(stderr, " INFO: LoRa multi-SF channel %i disabled\n", chain);
    }
    return handOverChannel(concentrator, chain, channel,
                           " ERROR: invalid configuration for Lora multi-SF channel " +
                               std::to_string(chain) + "\n");
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

bool configureLoraStandardChannel(Concentrator& concentrator, const ConfigValue& conf)
{
    const std::string key = LORA_STD_CHANNEL;
    lgw_conf_rxif_s channel;
    std::memset(&channel, 0, sizeof(channel));
    if (!conf.member(key).isObject())
    {
        std::fprintf(stderr, " INFO: no configuration for LoRa standard channel\n");
        return true;
    }
    if (isTrue(conf.at(key + ".enable")))
    {
        readEnabledChannel(conf, key, channel);
        const Poco::UInt32 bandwidth = NumberConversion::toUInt32(conf.at(key + ".bandwidth").number());
        const Poco::UInt32 spreadingFactor =
            NumberConversion::toUInt32(conf.at(key + ".spread_factor").number());
        channel.bandwidth = loraBandwidthCode(bandwidth);
        channel.datarate = spreadingFactorCode(spreadingFactor);
        std::fprintf(
            stderr,
            " INFO: LoRa standard channel enabled, radio %i selected, IF %i Hz, %u Hz bandwidth, SF %u\n",
            channel.rf_chain, channel.freq_hz, bandwidth, spreadingFactor);
    }
    else
    {
        std::fprintf(stderr, " INFO: LoRa standard channel %i disabled\n", LORA_STD_IF_CHAIN);
    }
    return handOverChannel(concentrator, LORA_STD_IF_CHAIN, channel,
                           " ERROR: invalid configuration for Lora standard channel\n");
}

bool configureFskChannel(Concentrator& concentrator, const ConfigValue& conf)
{
    const std::string key = FSK_CHANNEL;
    lgw_conf_rxif_s channel;
    std::memset(&channel, 0, sizeof(channel));
    if (!conf.member(key).isObject())
    {
        std::fprintf(stderr, " INFO: no configuration for FSK channel\n");
        return true;
    }
    if (isTrue(conf.at(key + ".enable")))
    {
        readEnabledChannel(conf, key, channel);
        const Poco::UInt32 bandwidth = NumberConversion::toUInt32(conf.at(key + ".bandwidth").number());
        channel.bandwidth = fskBandwidthCode(bandwidth);
        channel.datarate = NumberConversion::toUInt32(conf.at(key + ".datarate").number());
        std::fprintf(
            stderr,
            " INFO: FSK channel enabled, radio %i selected, IF %i Hz, %u Hz bandwidth, %u bps datarate\n",
            channel.rf_chain, channel.freq_hz, bandwidth, channel.datarate);
    }
    else
    {
        std::fprintf(stderr, " INFO: FSK channel %i disabled\n", FSK_IF_CHAIN);
    }
    return handOverChannel(concentrator, FSK_IF_CHAIN, channel,
                           " ERROR: invalid configuration for FSK channel\n");
}

} // namespace

int WorkerThread::parse_SX1301_configuration(const char* path)
{
    const std::unique_ptr<ConfigDocument> pDocument = readConfiguration(path);
    const ConfigValue conf = pDocument->root().member(SX1301_SECTION);
    if (!conf.isObject())
    {
        std::fprintf(stderr, " INFO: %s does not contain a JSON object named %s\n", path, SX1301_SECTION);
        return -1;
    }
    std::fprintf(stderr, " INFO: %s does contain a JSON object named %s, parsing SX1301 parameters\n", path,
                 SX1301_SECTION);

    if (!configureBoard(_concentrator, conf))
        return -1;
    for (int chain = 0; chain < LGW_RF_CHAIN_NB; ++chain)
    {
        if (!configureRadio(_concentrator, conf, chain))
            return -1;
    }
    for (int chain = 0; chain < LGW_MULTI_NB; ++chain)
    {
        if (!configureMultiSFChannel(_concentrator, conf, chain))
            return -1;
    }
    if (!configureLoraStandardChannel(_concentrator, conf) || !configureFskChannel(_concentrator, conf))
        return -1;
    return 0;
}

int WorkerThread::parse_gateway_configuration(const char* path)
{
    const std::unique_ptr<ConfigDocument> pDocument = readConfiguration(path);
    const ConfigValue conf = pDocument->root().member(GATEWAY_SECTION);
    if (!conf.isObject())
    {
        std::fprintf(stderr, " INFO: %s does not contain a JSON object named %s\n", path, GATEWAY_SECTION);
        return -1;
    }
    std::fprintf(stderr, " INFO: %s does contain a JSON object named %s, parsing gateway parameters\n", path,
                 GATEWAY_SECTION);

    if (const std::string* pId = conf.member(GATEWAY_ID_KEY).string())
    {
        // As "%llx" scans: leading blanks, a sign and a 0x prefix are allowed, the
        // digits end at the first other character, no digit gives 0, and too many
        // digits saturate (strtoull is defined where sscanf is not).
        _gatewayId = std::strtoull(pId->c_str(), nullptr, 16);
        std::fprintf(stderr, " INFO: gateway MAC address is configured to %016llX\n",
                     static_cast<unsigned long long>(_gatewayId));
    }
    return 0;
}

} // namespace LoRaWANServer
