//
// PlanCheck.cpp
//
// Implementation of the PlanCheck class.
//

#include "worker/config/PlanCheck.h"

#include "worker/config/ConfigConstants.h"
#include "worker/config/ConfigKeys.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace LoRaWANServer
{

namespace
{

const double MULTI_SF_BANDWIDTH_HZ = 125000.0;
const std::size_t GATEWAY_ID_DIGITS = 16;
const char* const HEX_PREFIX = "0x";

struct ChipRange
{
    const char* name;
    long long lowHz;
    long long highHz;
};

ChipRange chipRange(enum lgw_radio_type_e type)
{
    if (type == LGW_RADIO_TYPE_SX1255)
        return {"an SX1255", SX1255_MIN_HZ, SX1255_MAX_HZ};
    return {"an SX1257", SX1257_MIN_HZ, SX1257_MAX_HZ};
}

std::string megahertz(double hertz)
{
    return ConfigPlan::megahertz(hertz);
}

std::string sectionPath(const std::string& key)
{
    return std::string(ConfigKeys::SX1301_SECTION) + "." + key;
}

std::string memberPath(const std::string& key, const char* member)
{
    return sectionPath(key) + "." + member;
}

class Checker
{
public:
    Checker(const ConfigPlan& plan, const std::string& lastFile, ConfigFindings& findings)
        : _plan(plan), _lastFile(lastFile), _findings(findings)
    {
    }

    void run()
    {
        checkRadios();
        checkChannels();
        checkClockSource();
        checkDoubleReception();
        checkBoard();
        checkRegionBands();
        checkGatewayId();
    }

private:
    void add(ConfigFinding::Severity severity, const std::string& file, const std::string& path,
             const std::string& message)
    {
        _findings.push_back({severity, file, path, message});
    }

    std::string channelLabel(int chain) const
    {
        const std::optional<long long> centre = _plan.channelCentreHz(chain);
        const std::string key = ConfigKeys::channelKey(chain);
        return centre ? key + " (" + megahertz(static_cast<double>(*centre)) + ")" : key;
    }

    static std::string rangeText(const ChipRange& range)
    {
        const std::string low = megahertz(static_cast<double>(range.lowHz));
        return low.substr(0, low.find(' ')) + " to " + megahertz(static_cast<double>(range.highHz));
    }

    void checkRadios()
    {
        for (int chain = 0; chain < LGW_RF_CHAIN_NB; ++chain)
        {
            if (!_plan.radioEnabled(chain))
                continue;
            const lgw_conf_rxrf_s& radio = _plan.radios[chain].record;
            const ChipRange range = chipRange(radio.type);
            const long long centre = radio.freq_hz;
            if (centre >= range.lowHz && centre <= range.highHz)
                continue;
            _radioUnheard[chain] = true;
            add(ConfigFinding::SEVERITY_ERROR, _plan.radios[chain].file,
                memberPath(ConfigKeys::radioKey(chain), ConfigKeys::FREQUENCY),
                "radio " + std::to_string(chain) + " is centred on " +
                    megahertz(static_cast<double>(centre)) + ", outside what " + range.name + " can tune (" +
                    rangeText(range) +
                    "), and hears nothing; set \"freq\" to its centre in Hz, or \"type\" to the board's "
                    "radio");
        }
    }

    void checkChannels()
    {
        bool anyEnabled = false;
        for (int chain = 0; chain < LGW_IF_CHAIN_NB; ++chain)
        {
            if (!_plan.channelEnabled(chain))
                continue;
            anyEnabled = true;
            // The concentrator takes no channel on a radio that does not exist.
            const int radio = _plan.channels[chain].record.rf_chain;
            const std::string key = ConfigKeys::channelKey(chain);
            if (!_plan.radioEnabled(radio))
            {
                _channelUnheard[chain] = true;
                const std::string state = _plan.radios[radio].set ? "disabled" : "configured by no file";
                add(ConfigFinding::SEVERITY_ERROR, _plan.channels[chain].file,
                    memberPath(key, ConfigKeys::RADIO),
                    key + " is on radio " + std::to_string(radio) + ", which is " + state +
                        ", and hears nothing; enable radio_" + std::to_string(radio) +
                        " or set \"radio\" to an enabled one");
            }
            else if (_radioUnheard[radio])
            {
                _channelUnheard[chain] = true;
            }
            else
            {
                checkChannelInRadioRange(chain);
            }
        }
        if (!anyEnabled)
        {
            add(ConfigFinding::SEVERITY_ERROR, _lastFile, ConfigKeys::SX1301_SECTION,
                "no channel is enabled, so the concentrator hears nothing; enable the region's channels "
                "(\"enable\": true)");
        }
    }

    void checkChannelInRadioRange(int chain)
    {
        const lgw_conf_rxif_s& channel = _plan.channels[chain].record;
        const ChipRange range = chipRange(_plan.radios[channel.rf_chain].record.type);
        const double centre = static_cast<double>(*_plan.channelCentreHz(chain));
        const double half = _plan.channelBandwidthHz(chain) / 2;
        if (centre - half >= static_cast<double>(range.lowHz) &&
            centre + half <= static_cast<double>(range.highHz))
            return;
        _channelUnheard[chain] = true;
        add(ConfigFinding::SEVERITY_ERROR, _plan.channels[chain].file,
            sectionPath(ConfigKeys::channelKey(chain)),
            channelLabel(chain) + " lies outside what radio " + std::to_string(channel.rf_chain) + ", " +
                range.name + ", can receive (" + rangeText(range) +
                "), and hears nothing; move the radio's \"freq\" or the channel's \"if\"");
    }

    void checkClockSource()
    {
        if (!_plan.board.set)
            return;
        const int clock = _plan.board.record.clksrc;
        if (_plan.radioEnabled(clock))
            return;
        add(ConfigFinding::SEVERITY_ERROR, _plan.board.file, sectionPath(ConfigKeys::CLOCK_SOURCE),
            "clksrc " + std::to_string(clock) +
                " is not an enabled radio, and the concentrator takes its clock from that radio: set it to "
                "the "
                "enabled radio that clocks the board (radio 1 on most boards)");
    }

    /// Two enabled multi-SF channels whose bands overlap, or two channels of
    /// the same modulation and bandwidth on one frequency, demodulate the
    /// same transmission. The LoRa standard channel laid over multi-SF ones
    /// with a wider bandwidth is the regional plans' own design.
    void checkDoubleReception()
    {
        for (int second = 0; second < LGW_IF_CHAIN_NB; ++second)
        {
            for (int first = 0; first < second; ++first)
            {
                const std::optional<long long> a = _plan.channelCentreHz(first);
                const std::optional<long long> b = _plan.channelCentreHz(second);
                if (!a || !b)
                    continue;
                const bool bothMultiSF = second < LGW_MULTI_NB;
                const double distance = static_cast<double>(std::llabs(*a - *b));
                const bool overlap = bothMultiSF && distance < MULTI_SF_BANDWIDTH_HZ;
                const bool sameChannel = !bothMultiSF && *a == *b && sameKind(first, second);
                if (!overlap && !sameChannel)
                    continue;
                add(ConfigFinding::SEVERITY_WARNING, _plan.channels[second].file,
                    sectionPath(ConfigKeys::channelKey(second)),
                    channelLabel(second) +
                        (overlap ? " overlaps " : " has the modulation and bandwidth of ") +
                        channelLabel(first) +
                        ", so each transmission there arrives twice; move or disable one of them");
            }
        }
    }

    bool sameKind(int first, int second) const
    {
        const bool firstFsk = first == ConfigKeys::FSK_IF_CHAIN;
        const bool secondFsk = second == ConfigKeys::FSK_IF_CHAIN;
        return firstFsk == secondFsk && _plan.channelBandwidthHz(first) == _plan.channelBandwidthHz(second);
    }

    void checkBoard()
    {
        if (!_plan.board.set || _plan.board.record.lorawan_public)
            return;
        add(ConfigFinding::SEVERITY_WARNING, _plan.board.file, sectionPath(ConfigKeys::LORAWAN_PUBLIC),
            "lorawan_public is false: the concentrator listens for the private sync word, and public LoRaWAN "
            "devices are not heard; set it to true unless the network is private");
    }

    void checkRegionBands()
    {
        for (int chain = 0; chain < LGW_IF_CHAIN_NB; ++chain)
        {
            const std::optional<long long> centre = _plan.channelCentreHz(chain);
            if (!centre || _channelUnheard[chain])
                continue;
            const RegionBands::Channel channel = {*centre, _plan.channelBandwidthHz(chain),
                                                  RegionBands::LORA_125};
            if (RegionBands::inAnyBand(channel))
                continue;
            add(ConfigFinding::SEVERITY_WARNING, _plan.channels[chain].file,
                sectionPath(ConfigKeys::channelKey(chain)),
                channelLabel(chain) + " lies outside every known regional band (" + RegionBands::bandList() +
                    "); check its radio's \"freq\" and its \"if\"");
        }
    }

    void checkGatewayId()
    {
        const std::string path = std::string(ConfigKeys::GATEWAY_SECTION) + "." + ConfigKeys::GATEWAY_ID;
        const ConfigPlan::Gateway& gateway = _plan.gateway;
        if (!gateway.set)
        {
            add(ConfigFinding::SEVERITY_WARNING, _lastFile, path,
                "no file sets gateway_ID, so the gateway's identifier is 0; set the 16 hexadecimal digits of "
                "its "
                "EUI (in local_conf.json, beside the global file)");
        }
        else if (!isSixteenHexDigits(gateway.text))
        {
            add(ConfigFinding::SEVERITY_WARNING, gateway.file, path,
                "gateway_ID \"" + gateway.text.substr(0, GATEWAY_ID_DIGITS * 2) +
                    "\" is not 16 hexadecimal digits; the service reads it as " + gateway.idText() +
                    "; write the gateway's EUI, such as \"B827EBFFFE6C2A01\"");
        }
        else if (gateway.id == 0)
        {
            add(ConfigFinding::SEVERITY_WARNING, gateway.file, path,
                "gateway_ID is all zeros, a placeholder; set the 16 hexadecimal digits of the gateway's EUI");
        }
    }

    static bool isSixteenHexDigits(const std::string& text)
    {
        const std::size_t start = text.compare(0, 2, HEX_PREFIX) == 0 ? 2 : 0;
        if (text.size() != start + GATEWAY_ID_DIGITS)
            return false;
        for (std::size_t i = start; i < text.size(); ++i)
        {
            if (!std::isxdigit(static_cast<unsigned char>(text[i])))
                return false;
        }
        return true;
    }

    const ConfigPlan& _plan;
    const std::string& _lastFile;
    ConfigFindings& _findings;
    bool _radioUnheard[LGW_RF_CHAIN_NB] = {};
    bool _channelUnheard[LGW_IF_CHAIN_NB] = {};
    /// Items already found to hear nothing, which no further finding needs.
};

RegionBands::Modulation modulation(const ConfigPlan& plan, int chain)
{
    if (chain == ConfigKeys::FSK_IF_CHAIN)
        return RegionBands::FSK;
    const lgw_conf_rxif_s& channel = plan.channels[chain].record;
    if (channel.bandwidth == BW_500KHZ)
        return RegionBands::LORA_500;
    if (channel.bandwidth == BW_250KHZ)
        return RegionBands::LORA_250;
    return RegionBands::LORA_125;
}

} // namespace

void PlanCheck::check(const ConfigPlan& plan, const std::string& lastFile, ConfigFindings& findings)
{
    Checker(plan, lastFile, findings).run();
}

std::vector<RegionBands::Channel> PlanCheck::enabledChannels(const ConfigPlan& plan)
{
    std::vector<RegionBands::Channel> channels;
    for (int chain = 0; chain < LGW_IF_CHAIN_NB; ++chain)
    {
        const std::optional<long long> centre = plan.channelCentreHz(chain);
        if (centre && plan.radioEnabled(plan.channels[chain].record.rf_chain))
            channels.push_back({*centre, plan.channelBandwidthHz(chain), modulation(plan, chain)});
    }
    return channels;
}

} // namespace LoRaWANServer
