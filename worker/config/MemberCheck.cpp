//
// MemberCheck.cpp
//
// Implementation of the MemberCheck class.
//

#include "worker/config/MemberCheck.h"

#include "hal/ChannelRules.h"
#include "hal/RadioCodes.h"
#include "worker/config/ConfigConstants.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace LoRaWANServer
{

namespace
{

using Kind = ConfigKeys::ObjectKind;

/// Names are compared up to this length; a longer one is no typing slip.
const std::size_t MAX_COMPARED_NAME = 64;
/// A name this short is close to another only when they differ in case...
const std::size_t SHORT_NAME = 2;
/// ...one this short when one letter differs, a longer one when two do.
const std::size_t MEDIUM_NAME = 5;
const std::size_t MEDIUM_NAME_EDITS = 1;
const std::size_t LONG_NAME_EDITS = 2;
/// A name that begins with a read one ("frequency", "freq") is close to it
/// when the common beginning has at least this many characters.
const std::size_t MIN_COMMON_PREFIX = 4;
/// Values quoted in a message are cut to this many characters.
const std::size_t MAX_SHOWN_VALUE = 40;

const double HZ_PER_KHZ = 1000.0;
const double LORA_STD_BANDWIDTHS_HZ[] = {125000, 250000, 500000};
const double MAX_FSK_BANDWIDTH_HZ = 500000.0;

/// Members the service knows but does not read: never findings.
const char* const KNOWN_UNREAD[] = {"desc",        "lbt_cfg",     "antenna_gain",
                                    "tx_freq_min", "tx_freq_max", "tx_notch_freq"};
const char* const DESCRIPTION_SUFFIX = "_desc";
const char* const TX_GAIN_TABLE_PREFIX = "tx_lut_";

std::string lowered(const std::string& text)
{
    std::string result = text;
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

bool startsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool endsWith(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

/// The Levenshtein distance of a and b, or limit + 1 once it exceeds limit.
std::size_t editDistance(const std::string& a, const std::string& b, std::size_t limit)
{
    if ((a.size() > b.size() ? a.size() - b.size() : b.size() - a.size()) > limit)
        return limit + 1;
    std::vector<std::size_t> previous(b.size() + 1);
    std::vector<std::size_t> current(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        previous[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i)
    {
        current[0] = i;
        std::size_t rowMinimum = current[0];
        for (std::size_t j = 1; j <= b.size(); ++j)
        {
            const std::size_t substitution = previous[j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1);
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1, substitution});
            rowMinimum = std::min(rowMinimum, current[j]);
        }
        if (rowMinimum > limit)
            return limit + 1;
        previous.swap(current);
    }
    return previous[b.size()];
}

std::size_t allowedEdits(const std::string& name)
{
    if (name.size() <= SHORT_NAME)
        return 0;
    return name.size() <= MEDIUM_NAME ? MEDIUM_NAME_EDITS : LONG_NAME_EDITS;
}

/// Whether unknown looks like a slip for the read member name.
bool isClose(const std::string& unknown, const std::string& name)
{
    if (unknown.size() > MAX_COMPARED_NAME)
        return false;
    const std::string a = lowered(unknown);
    const std::string b = lowered(name);
    if (editDistance(a, b, allowedEdits(name)) <= allowedEdits(name))
        return true;
    return (b.size() >= MIN_COMMON_PREFIX && startsWith(a, b)) ||
           (a.size() >= MIN_COMMON_PREFIX && startsWith(b, a));
}

bool isKnownUnread(const std::string& name)
{
    if (endsWith(name, DESCRIPTION_SUFFIX) || startsWith(name, TX_GAIN_TABLE_PREFIX))
        return true;
    return std::find(std::begin(KNOWN_UNREAD), std::end(KNOWN_UNREAD), name) != std::end(KNOWN_UNREAD);
}

const ConfigKeys::Member* readMember(Kind kind, const std::string& name)
{
    for (const ConfigKeys::Member& member : ConfigKeys::membersRead(kind))
    {
        if (member.name == name)
            return &member;
    }
    return nullptr;
}

std::string quoted(const std::string& name)
{
    return "\"" + name + "\"";
}

std::string shown(const ConfigValue& value)
{
    const std::string text = value.text();
    return text.size() > MAX_SHOWN_VALUE ? text.substr(0, MAX_SHOWN_VALUE) + "..." : text;
}

std::string joinPath(const std::string& path, const std::string& name)
{
    return path.empty() ? name : path + "." + name;
}

std::string kilohertz(double hertz)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%g kHz", hertz / HZ_PER_KHZ);
    return text;
}

/// The settings the concentrator fills in for an enabled IF chain that has
/// none: its own rules, asked with an empty record.
lgw_conf_rxif_s channelDefaults(int chain)
{
    lgw_conf_rxif_s probe{};
    probe.enable = true;
    (void)LoRaHal::ChannelRules::completeChannel(static_cast<unsigned>(chain), probe);
    return probe;
}

std::string loraStandardDefault(const char* member)
{
    const lgw_conf_rxif_s defaults = channelDefaults(ConfigKeys::LORA_STD_IF_CHAIN);
    if (std::string(member) == ConfigKeys::BANDWIDTH)
        return "the concentrator takes its default, " +
               kilohertz(LoRaHal::RadioCodes::bandwidthHz(defaults.bandwidth));
    return "the concentrator takes its default, SF" +
           std::to_string(LoRaHal::RadioCodes::spreadingFactor(defaults.datarate));
}

/// What the service makes of an object that lacks member, or whose member
/// it cannot read as its type (which it reads as false, 0 or nothing).
std::string absenceConsequence(Kind kind, const std::string& member, const std::string& label)
{
    if (member == ConfigKeys::ENABLE)
        return label + " is disabled";
    if (member == ConfigKeys::TX_ENABLE)
        return label + " is handed over with transmission off";
    if (member == ConfigKeys::FREQUENCY)
        return "the radio is tuned to 0 Hz and hears nothing";
    if (member == ConfigKeys::RSSI_OFFSET)
        return "the service hands 0 dB, and every RSSI reads some 160 dB too high";
    if (member == ConfigKeys::RADIO_TYPE)
        return "the concentrator refuses the radio, and everything after it in the file";
    if (member == ConfigKeys::RADIO)
        return "the channel is on radio 0";
    if (member == ConfigKeys::IF_OFFSET)
        return "the channel lies at its radio's centre";
    if (kind == ConfigKeys::KIND_LORA_STD &&
        (member == ConfigKeys::BANDWIDTH || member == ConfigKeys::SPREAD_FACTOR))
        return loraStandardDefault(member.c_str());
    if (kind == ConfigKeys::KIND_FSK && member == ConfigKeys::BANDWIDTH)
        return "the service reads 0 Hz and hands the narrowest FSK bandwidth, 7.8 kHz";
    if (kind == ConfigKeys::KIND_FSK && member == ConfigKeys::DATARATE)
        return "the concentrator takes its default, " +
               std::to_string(channelDefaults(ConfigKeys::FSK_IF_CHAIN).datarate) + " bit/s";
    if (member == ConfigKeys::LORAWAN_PUBLIC)
        return "the concentrator listens for the private sync word, and public LoRaWAN devices are not heard";
    if (member == ConfigKeys::CLOCK_SOURCE)
        return "radio 0 is taken as the clock source";
    if (member == ConfigKeys::GATEWAY_ID)
        return "the gateway keeps the identifier it had (0 unless an earlier file set one)";
    if (member == ConfigKeys::SX1301_SECTION)
        return "the file sets nothing on the concentrator";
    if (member == ConfigKeys::GATEWAY_SECTION)
        return "the file sets no gateway identifier";
    return member + " keeps what an earlier file set, or stays off";
}

/// What to write instead of a value of the wrong type.
std::string typeRemedy(const ConfigKeys::Member& member, const ConfigValue& value)
{
    if (member.name == ConfigKeys::RADIO_TYPE)
        return "write \"SX1257\" or \"SX1255\"";
    if (member.name == ConfigKeys::GATEWAY_ID)
        return "write the 16 hexadecimal digits in quotes";
    if (value.isString())
        return "write it without quotes";
    return std::string("write ") + ConfigValue::typeName(member.type);
}

bool isEnabled(const ConfigValue& object)
{
    const ConfigValue enable = object.member(ConfigKeys::ENABLE);
    return enable.isBoolean() && enable.boolean();
}

} // namespace

MemberCheck::MemberCheck(const ConfigPlan& plan, ConfigFindings& findings) : _plan(plan), _findings(findings)
{
}

void MemberCheck::checkFile(const std::string& file, const ConfigDocument& document)
{
    _file = file;
    const ConfigValue root = document.root();
    checkNames(root, ConfigKeys::KIND_ROOT, "", "the file");
    for (const ConfigKeys::Member& member : ConfigKeys::membersRead(ConfigKeys::KIND_ROOT))
    {
        const ConfigValue section = root.member(member.name);
        if (section.type() == ConfigValue::TYPE_NONE)
            continue;
        checkType(section, member, ConfigKeys::KIND_ROOT, member.name, member.name);
        if (!section.isObject())
            continue;
        if (member.name == ConfigKeys::GATEWAY_SECTION)
        {
            checkObject(section, ConfigKeys::KIND_GATEWAY, member.name, member.name);
            continue;
        }
        checkObject(section, ConfigKeys::KIND_SX1301, member.name, member.name);
        if (_plan.board.file == file)
            checkBoardValues(section, member.name);
        for (int chain = 0; chain < LGW_RF_CHAIN_NB; ++chain)
        {
            const std::string key = ConfigKeys::radioKey(chain);
            const ConfigValue radio = section.member(key);
            if (!radio.isObject() || _plan.radios[chain].file != file)
                continue;
            checkObject(radio, ConfigKeys::KIND_RADIO, joinPath(member.name, key), key);
            checkRadioValues(radio, joinPath(member.name, key), key);
        }
        for (int chain = 0; chain < LGW_IF_CHAIN_NB; ++chain)
        {
            const std::string key = ConfigKeys::channelKey(chain);
            const ConfigValue channel = section.member(key);
            if (!channel.isObject() || _plan.channels[chain].file != file)
                continue;
            checkObject(channel, ConfigKeys::channelKind(chain), joinPath(member.name, key), key);
            checkChannelValues(channel, ConfigKeys::channelKind(chain), joinPath(member.name, key), key);
        }
    }
}

void MemberCheck::checkOverride(const std::string& localFile, const ConfigDocument& local,
                                const ConfigDocument& global)
{
    _file = localFile;
    const std::string section = ConfigKeys::SX1301_SECTION;
    const ConfigValue localSection = local.root().member(section);
    const ConfigValue globalSection = global.root().member(section);
    if (!localSection.isObject() || !globalSection.isObject())
        return;
    for (const char* member : {ConfigKeys::LORAWAN_PUBLIC, ConfigKeys::CLOCK_SOURCE})
    {
        if (globalSection.member(member).type() != ConfigValue::TYPE_NONE &&
            localSection.member(member).type() == ConfigValue::TYPE_NONE)
        {
            warn(joinPath(section, member),
                 "the local " + section + " replaces the board settings and has no " + quoted(member) +
                     ", which the global file sets to " + shown(globalSection.member(member)) + ": " +
                     absenceConsequence(ConfigKeys::KIND_SX1301, member, section) +
                     "; copy it into the local " + section);
        }
    }
    for (int chain = 0; chain < LGW_RF_CHAIN_NB; ++chain)
    {
        const std::string key = ConfigKeys::radioKey(chain);
        checkDropped(localSection.member(key), globalSection.member(key), ConfigKeys::KIND_RADIO,
                     joinPath(section, key), key);
    }
    for (int chain = 0; chain < LGW_IF_CHAIN_NB; ++chain)
    {
        const std::string key = ConfigKeys::channelKey(chain);
        checkDropped(localSection.member(key), globalSection.member(key), ConfigKeys::channelKind(chain),
                     joinPath(section, key), key);
    }
}

void MemberCheck::checkObject(const ConfigValue& object, Kind kind, const std::string& path,
                              const std::string& label)
{
    checkNames(object, kind, path, label);
    // Of a disabled radio or channel only "enable" is read.
    const bool hasEnable = readMember(kind, ConfigKeys::ENABLE) != nullptr;
    const bool readsAll = !hasEnable || isEnabled(object);
    for (const ConfigKeys::Member& member : ConfigKeys::membersRead(kind))
    {
        const ConfigValue value = object.member(member.name);
        if (value.type() == ConfigValue::TYPE_NONE || (!readsAll && member.name != ConfigKeys::ENABLE))
            continue;
        checkType(value, member, kind, joinPath(path, member.name), label);
    }
}

void MemberCheck::checkNames(const ConfigValue& object, Kind kind, const std::string& path,
                             const std::string& label)
{
    for (const std::string& name : object.memberNames())
    {
        if (readMember(kind, name) || isKnownUnread(name))
            continue;
        for (const ConfigKeys::Member& member : ConfigKeys::membersRead(kind))
        {
            if (!isClose(name, member.name))
                continue;
            std::string message =
                "the service does not read " + quoted(name) + " (did you mean " + quoted(member.name) + "?)";
            if (object.member(member.name).type() == ConfigValue::TYPE_NONE)
                message += ": without " + quoted(member.name) + ", " +
                           absenceConsequence(kind, member.name, label) + "; rename it to " +
                           quoted(member.name);
            else
                message += " and ignores it; remove it";
            warn(joinPath(path, name), message);
            break;
        }
    }
}

void MemberCheck::checkType(const ConfigValue& value, const ConfigKeys::Member& member, Kind kind,
                            const std::string& path, const std::string& label)
{
    if (value.type() == member.type)
        return;
    const std::string what =
        value.isString() ? "the string " + shown(value) : ConfigValue::typeName(value.type());
    std::string consequence;
    if (member.type == ConfigValue::TYPE_BOOLEAN)
        consequence = "the service takes it as false, so " + absenceConsequence(kind, member.name, label);
    else if (member.type == ConfigValue::TYPE_NUMBER)
        consequence = "the service reads 0";
    else
        consequence = absenceConsequence(kind, member.name, label);
    warn(path, quoted(member.name) + " is " + what + ", not " + ConfigValue::typeName(member.type) + ": " +
                   consequence + "; " + typeRemedy(member, value));
}

void MemberCheck::checkChannelValues(const ConfigValue& object, Kind kind, const std::string& path,
                                     const std::string& label)
{
    if (kind == ConfigKeys::KIND_MULTI_SF || !isEnabled(object))
        return;
    const char* const rateMember =
        kind == ConfigKeys::KIND_FSK ? ConfigKeys::DATARATE : ConfigKeys::SPREAD_FACTOR;
    for (const char* member : {ConfigKeys::BANDWIDTH, rateMember})
    {
        if (object.member(member).type() == ConfigValue::TYPE_NONE)
            warn(joinPath(path, member), label + " has no " + quoted(member) + ": " +
                                             absenceConsequence(kind, member, label) + "; set it");
    }
    const ConfigValue bandwidth = object.member(ConfigKeys::BANDWIDTH);
    if (!bandwidth.isNumber())
        return;
    const double hertz = bandwidth.number();
    if (kind == ConfigKeys::KIND_FSK && hertz > MAX_FSK_BANDWIDTH_HZ)
    {
        warn(joinPath(path, ConfigKeys::BANDWIDTH),
             "an FSK bandwidth of " + shown(bandwidth) + " Hz is above 500000: the service hands none, and " +
                 "the concentrator takes its default, " +
                 kilohertz(
                     LoRaHal::RadioCodes::bandwidthHz(channelDefaults(ConfigKeys::FSK_IF_CHAIN).bandwidth)) +
                 "; set at most 500000");
    }
    if (kind != ConfigKeys::KIND_LORA_STD)
        return;
    const bool exact = std::any_of(std::begin(LORA_STD_BANDWIDTHS_HZ), std::end(LORA_STD_BANDWIDTHS_HZ),
                                   [&](double allowed) { return hertz == allowed; });
    if (!exact)
        warn(joinPath(path, ConfigKeys::BANDWIDTH),
             "a bandwidth of " + shown(bandwidth) +
                 " Hz is not 125000, 250000 or 500000: the service hands none, and " +
                 loraStandardDefault(ConfigKeys::BANDWIDTH) + "; set one of the three");
    const ConfigValue spreadingFactor = object.member(ConfigKeys::SPREAD_FACTOR);
    const double sf = spreadingFactor.number();
    if (spreadingFactor.isNumber() &&
        !(sf == static_cast<unsigned>(sf) &&
          LoRaHal::RadioCodes::datarateCode(static_cast<unsigned>(sf)) != DR_UNDEFINED))
        warn(joinPath(path, ConfigKeys::SPREAD_FACTOR),
             "spreading factor " + shown(spreadingFactor) + " is not 7 to 12: the service hands none, and " +
                 loraStandardDefault(ConfigKeys::SPREAD_FACTOR) + "; set 7 to 12");
}

void MemberCheck::checkRadioValues(const ConfigValue& object, const std::string& path,
                                   const std::string& label)
{
    if (!isEnabled(object))
        return;
    const ConfigValue offset = object.member(ConfigKeys::RSSI_OFFSET);
    const std::string offsetPath = joinPath(path, ConfigKeys::RSSI_OFFSET);
    if (offset.type() == ConfigValue::TYPE_NONE)
        warn(offsetPath, label + " has no \"rssi_offset\": " +
                             absenceConsequence(ConfigKeys::KIND_RADIO, ConfigKeys::RSSI_OFFSET, label) +
                             "; set the board's calibrated offset (its reference configuration gives it)");
    else if (offset.isNumber() && (offset.number() < MIN_PLAUSIBLE_RSSI_OFFSET_DB ||
                                   offset.number() > MAX_PLAUSIBLE_RSSI_OFFSET_DB))
        warn(offsetPath,
             "an RSSI offset of " + shown(offset) +
                 " dB is outside -180 to -140 dB, where SX1301 boards' calibrations lie, so every RSSI "
                 "is off; set the board's calibrated offset (its reference configuration gives it)");
}

void MemberCheck::checkBoardValues(const ConfigValue& object, const std::string& path)
{
    for (const char* member : {ConfigKeys::LORAWAN_PUBLIC, ConfigKeys::CLOCK_SOURCE})
    {
        if (object.member(member).type() == ConfigValue::TYPE_NONE)
            warn(joinPath(path, member), path + " has no " + quoted(member) + ": " +
                                             absenceConsequence(ConfigKeys::KIND_SX1301, member, path) +
                                             "; set it");
    }
}

void MemberCheck::checkDropped(const ConfigValue& local, const ConfigValue& global, Kind kind,
                               const std::string& path, const std::string& label)
{
    if (!local.isObject() || !global.isObject())
        return;
    const ConfigValue enable = local.member(ConfigKeys::ENABLE);
    if (enable.isBoolean() && !enable.boolean())
        return; // a disabled object needs nothing else
    for (const ConfigKeys::Member& member : ConfigKeys::membersRead(kind))
    {
        // The service never transmits: a lost tx_enable changes nothing.
        const ConfigValue globalValue = global.member(member.name);
        if (globalValue.type() == ConfigValue::TYPE_NONE ||
            local.member(member.name).type() != ConfigValue::TYPE_NONE ||
            member.name == ConfigKeys::TX_ENABLE)
            continue;
        warn(joinPath(path, member.name),
             "the local " + label + " replaces the global one whole and has no " + quoted(member.name) +
                 ", which the global file sets to " + shown(globalValue) + ": " +
                 absenceConsequence(kind, member.name, label) + "; copy it into the local " + label);
    }
}

void MemberCheck::warn(const std::string& path, const std::string& message)
{
    _findings.push_back({ConfigFinding::SEVERITY_WARNING, _file, path, message});
}

} // namespace LoRaWANServer
