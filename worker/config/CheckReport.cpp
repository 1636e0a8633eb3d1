//
// CheckReport.cpp
//
// Implementation of the CheckReport class.
//

#include "worker/config/CheckReport.h"

#include "hal/RadioCodes.h"
#include "worker/config/ConfigKeys.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace LoRaWANServer
{

namespace
{

using Rows = std::vector<std::vector<std::string>>;

const char* const COLUMN_GAP = "  ";
const char* const NOTHING = "-";
const double HZ_PER_KHZ = 1000.0;
const unsigned char JSON_CONTROL_LIMIT = 0x20;
const unsigned char UTF8_MULTIBYTE = 0x80;
const char* const REPLACEMENT_CHARACTER = "\\ufffd";

std::string roleOf(const ConfigCheck::Result& result, const std::string& path)
{
    for (const ConfigDiscovery::File& file : result.files)
    {
        if (file.path == path)
            return ConfigDiscovery::roleName(file.role);
    }
    return path;
}

std::string number(double value)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%g", value);
    return text;
}

const char* radioTypeName(enum lgw_radio_type_e type)
{
    switch (type)
    {
        case LGW_RADIO_TYPE_SX1255:
            return "SX1255";
        case LGW_RADIO_TYPE_SX1257:
            return "SX1257";
        default:
            return "none";
    }
}

const char* chainKind(int chain)
{
    if (chain == ConfigKeys::LORA_STD_IF_CHAIN)
        return "LoRa std";
    if (chain == ConfigKeys::FSK_IF_CHAIN)
        return "FSK";
    return "multi-SF";
}

std::vector<unsigned> spreadingFactors(Poco::UInt32 datarate)
{
    std::vector<unsigned> factors;
    for (unsigned sf = LoRaHal::RadioCodes::MIN_SPREADING_FACTOR;
         sf <= LoRaHal::RadioCodes::MAX_SPREADING_FACTOR; ++sf)
    {
        if (datarate & LoRaHal::RadioCodes::datarateCode(sf))
            factors.push_back(sf);
    }
    return factors;
}

std::string dataRateText(int chain, const lgw_conf_rxif_s& channel)
{
    if (chain == ConfigKeys::FSK_IF_CHAIN)
        return std::to_string(channel.datarate) + " bit/s";
    const std::vector<unsigned> factors = spreadingFactors(channel.datarate);
    if (factors.empty())
        return NOTHING;
    const bool range = factors.size() > 1 && factors.back() - factors.front() + 1 == factors.size();
    if (range)
        return "SF" + std::to_string(factors.front()) + "-SF" + std::to_string(factors.back());
    std::string text;
    for (unsigned sf : factors)
        text += (text.empty() ? "SF" : ",SF") + std::to_string(sf);
    return text;
}

void writeRows(std::ostream& out, const Rows& rows)
{
    std::vector<std::size_t> widths;
    for (const std::vector<std::string>& row : rows)
    {
        widths.resize(std::max(widths.size(), row.size()));
        for (std::size_t column = 0; column < row.size(); ++column)
            widths[column] = std::max(widths[column], row[column].size());
    }
    for (const std::vector<std::string>& row : rows)
    {
        std::string line;
        for (std::size_t column = 0; column < row.size(); ++column)
        {
            line += row[column];
            if (column + 1 < row.size())
                line += std::string(widths[column] - row[column].size(), ' ') + COLUMN_GAP;
        }
        out << line << "\n";
    }
}

void writeBoardAndGateway(std::ostream& out, const ConfigCheck::Result& result)
{
    const ConfigPlan& plan = result.plan;
    Rows rows;
    if (plan.board.set)
    {
        const lgw_conf_board_s& board = plan.board.record;
        rows.push_back({"Board",
                        std::string(board.lorawan_public ? "public network (LoRaWAN sync word)"
                                                         : "private network (private sync word)") +
                            ", clock from radio " + std::to_string(board.clksrc),
                        roleOf(result, plan.board.file)});
    }
    else
    {
        rows.push_back({"Board", "not set (private network, clock from radio 0)", NOTHING});
    }
    if (plan.gateway.set)
        rows.push_back({"Gateway", plan.gateway.idText(), roleOf(result, plan.gateway.file)});
    else
        rows.push_back({"Gateway", "not set (0)", NOTHING});
    writeRows(out, rows);
}

void writeRadios(std::ostream& out, const ConfigCheck::Result& result)
{
    Rows rows = {{"Radio", "Enabled", "Type", "Centre", "RSSI offset", "File"}};
    for (int chain = 0; chain < LGW_RF_CHAIN_NB; ++chain)
    {
        const ConfigPlan::Item<lgw_conf_rxrf_s>& radio = result.plan.radios[chain];
        const std::string file = radio.set ? roleOf(result, radio.file) : NOTHING;
        if (!radio.set || !radio.record.enable)
        {
            rows.push_back(
                {std::to_string(chain), radio.set ? "no" : "not set", NOTHING, NOTHING, NOTHING, file});
            continue;
        }
        rows.push_back({std::to_string(chain), "yes", radioTypeName(radio.record.type),
                        ConfigPlan::megahertz(radio.record.freq_hz),
                        number(static_cast<double>(radio.record.rssi_offset)) + " dB", file});
    }
    writeRows(out, rows);
}

void writeChannels(std::ostream& out, const ConfigCheck::Result& result)
{
    const ConfigPlan& plan = result.plan;
    Rows rows = {{"IF chain", "Enabled", "Radio", "IF Hz", "Centre", "Bandwidth", "Data rate", "File"}};
    for (int chain = 0; chain < LGW_IF_CHAIN_NB; ++chain)
    {
        const ConfigPlan::Item<lgw_conf_rxif_s>& channel = plan.channels[chain];
        const std::string name = std::to_string(chain) + " " + chainKind(chain);
        const std::string file = channel.set ? roleOf(result, channel.file) : NOTHING;
        if (!plan.channelEnabled(chain))
        {
            rows.push_back(
                {name, channel.set ? "no" : "not set", NOTHING, NOTHING, NOTHING, NOTHING, NOTHING, file});
            continue;
        }
        const std::optional<long long> centre = plan.channelCentreHz(chain);
        rows.push_back({name, "yes", std::to_string(channel.record.rf_chain),
                        std::to_string(channel.record.freq_hz),
                        centre ? ConfigPlan::megahertz(static_cast<double>(*centre)) : NOTHING,
                        number(plan.channelBandwidthHz(chain) / HZ_PER_KHZ) + " kHz",
                        dataRateText(chain, channel.record), file});
    }
    writeRows(out, rows);
}

const char* severityName(ConfigFinding::Severity severity)
{
    return severity == ConfigFinding::SEVERITY_ERROR ? "error" : "warning";
}

std::size_t countOf(const ConfigFindings& findings, ConfigFinding::Severity severity)
{
    return static_cast<std::size_t>(std::count_if(findings.begin(), findings.end(),
                                                  [&](const ConfigFinding& finding)
                                                  { return finding.severity == severity; }));
}

std::string counted(std::size_t count, const char* noun)
{
    return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

void writeFindings(std::ostream& out, const ConfigFindings& findings)
{
    if (findings.empty())
    {
        out << "No findings.\n";
        return;
    }
    out << counted(countOf(findings, ConfigFinding::SEVERITY_ERROR), "error") << ", "
        << counted(countOf(findings, ConfigFinding::SEVERITY_WARNING), "warning") << ":\n";
    for (const ConfigFinding& finding : findings)
    {
        out << severityName(finding.severity) << ": ";
        if (!finding.file.empty())
            out << finding.file << ": ";
        if (!finding.path.empty())
            out << finding.path << ": ";
        out << finding.message << "\n";
    }
}

/// The length of the well-formed UTF-8 sequence at text[start], 0 when
/// there is none (RFC 3629: no overlong forms, no surrogates, at most
/// U+10FFFF).
std::size_t utf8Length(const std::string& text, std::size_t start)
{
    struct Lead
    {
        unsigned char low, high;             // lead byte range
        unsigned char secondLow, secondHigh; // range of the byte after it
        std::size_t length;
    };
    static const Lead LEADS[] = {{0xC2, 0xDF, 0x80, 0xBF, 2}, {0xE0, 0xE0, 0xA0, 0xBF, 3},
                                 {0xE1, 0xEC, 0x80, 0xBF, 3}, {0xED, 0xED, 0x80, 0x9F, 3},
                                 {0xEE, 0xEF, 0x80, 0xBF, 3}, {0xF0, 0xF0, 0x90, 0xBF, 4},
                                 {0xF1, 0xF3, 0x80, 0xBF, 4}, {0xF4, 0xF4, 0x80, 0x8F, 4}};
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    for (const Lead& lead : LEADS)
    {
        if (byte(start) < lead.low || byte(start) > lead.high)
            continue;
        if (start + lead.length > text.size() || byte(start + 1) < lead.secondLow ||
            byte(start + 1) > lead.secondHigh)
            return 0;
        for (std::size_t i = start + 2; i < start + lead.length; ++i)
        {
            if ((byte(i) & 0xC0) != 0x80)
                return 0;
        }
        return lead.length;
    }
    return 0;
}

/// text as a JSON string: quoted, escaped, and with every byte that is not
/// part of well-formed UTF-8 (a file name can hold any) as U+FFFD.
std::string jsonString(const std::string& text)
{
    std::string quoted = "\"";
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\')
        {
            quoted += '\\';
            quoted += static_cast<char>(c);
        }
        else if (c < JSON_CONTROL_LIMIT)
        {
            char escape[8];
            std::snprintf(escape, sizeof(escape), "\\u%04x", static_cast<unsigned>(c));
            quoted += escape;
        }
        else if (c < UTF8_MULTIBYTE)
        {
            quoted += static_cast<char>(c);
        }
        else if (const std::size_t length = utf8Length(text, i))
        {
            quoted.append(text, i, length);
            i += length - 1;
        }
        else
        {
            quoted += REPLACEMENT_CHARACTER;
        }
    }
    return quoted + "\"";
}

const char* jsonBool(bool value)
{
    return value ? "true" : "false";
}

class JsonObject
/// Members of one JSON object, written as they are added.
{
public:
    explicit JsonObject(std::ostream& out) : _out(out), _first(true) { _out << "{"; }
    ~JsonObject() { _out << "}"; }

    std::ostream& member(const char* name)
    {
        _out << (_first ? "" : ",") << jsonString(name) << ":";
        _first = false;
        return _out;
    }

private:
    std::ostream& _out;
    bool _first;
};

void writeJsonFile(std::ostream& out, const std::string& file)
{
    out << (file.empty() ? "null" : jsonString(file));
}

void writeJsonRadio(std::ostream& out, int chain, const ConfigPlan::Item<lgw_conf_rxrf_s>& radio)
{
    JsonObject object(out);
    object.member("chain") << chain;
    object.member("set") << jsonBool(radio.set);
    if (!radio.set)
        return;
    object.member("enable") << jsonBool(radio.record.enable);
    object.member("type") << jsonString(radioTypeName(radio.record.type));
    object.member("freq_hz") << radio.record.freq_hz;
    object.member("rssi_offset") << number(static_cast<double>(radio.record.rssi_offset));
    object.member("tx_enable") << jsonBool(radio.record.tx_enable);
    writeJsonFile(object.member("file"), radio.file);
}

void writeJsonChannel(std::ostream& out, const ConfigPlan& plan, int chain)
{
    const ConfigPlan::Item<lgw_conf_rxif_s>& channel = plan.channels[chain];
    JsonObject object(out);
    object.member("chain") << chain;
    object.member("set") << jsonBool(channel.set);
    if (!channel.set)
        return;
    object.member("enable") << jsonBool(channel.record.enable);
    if (channel.record.enable)
    {
        const std::optional<long long> centre = plan.channelCentreHz(chain);
        object.member("radio") << static_cast<unsigned>(channel.record.rf_chain);
        object.member("if_hz") << channel.record.freq_hz;
        if (centre)
            object.member("freq_hz") << *centre;
        else
            object.member("freq_hz") << "null";
        object.member("bandwidth_hz") << number(plan.channelBandwidthHz(chain));
        if (chain == ConfigKeys::FSK_IF_CHAIN)
        {
            object.member("datarate") << channel.record.datarate;
        }
        else
        {
            std::string list;
            for (unsigned sf : spreadingFactors(channel.record.datarate))
                list += (list.empty() ? "" : ",") + std::to_string(sf);
            object.member("spreading_factors") << "[" << list << "]";
        }
    }
    writeJsonFile(object.member("file"), channel.file);
}

template <typename WriteElement>
void writeJsonArray(std::ostream& out, std::size_t count, WriteElement writeElement)
{
    out << "[";
    for (std::size_t i = 0; i < count; ++i)
    {
        out << (i == 0 ? "" : ",");
        writeElement(i);
    }
    out << "]";
}

} // namespace

void CheckReport::writeTable(std::ostream& out, const ConfigCheck::Result& result)
{
    if (!result.base.empty() || !result.files.empty())
    {
        out << "Configuration files below MIREL_RUN=" << result.base
            << ", in the order the service reads them:\n";
        Rows rows;
        for (const ConfigDiscovery::File& file : result.files)
            rows.push_back({std::string("  ") + ConfigDiscovery::roleName(file.role), file.path});
        writeRows(out, rows);
    }
    if (!result.files.empty())
    {
        out << "\n";
        writeBoardAndGateway(out, result);
        out << "\n";
        writeRadios(out, result);
        out << "\n";
        writeChannels(out, result);
        out << "\nRegion: " << result.region << "\n\n";
    }
    writeFindings(out, result.findings);
}

void CheckReport::writeJson(std::ostream& out, const ConfigCheck::Result& result)
{
    const ConfigPlan& plan = result.plan;
    {
        JsonObject top(out);
        top.member("base") << jsonString(result.base);
        writeJsonArray(top.member("files"), result.files.size(),
                       [&](std::size_t i)
                       {
                           JsonObject file(out);
                           file.member("role") << jsonString(ConfigDiscovery::roleName(result.files[i].role));
                           file.member("path") << jsonString(result.files[i].path);
                       });
        {
            JsonObject board(top.member("board"));
            board.member("set") << jsonBool(plan.board.set);
            board.member("lorawan_public") << jsonBool(plan.board.record.lorawan_public);
            board.member("clksrc") << static_cast<unsigned>(plan.board.record.clksrc);
            writeJsonFile(board.member("file"), plan.board.file);
        }
        {
            JsonObject gateway(top.member("gateway"));
            gateway.member("set") << jsonBool(plan.gateway.set);
            gateway.member("id") << jsonString(plan.gateway.idText());
            writeJsonFile(gateway.member("file"), plan.gateway.file);
        }
        {
            JsonObject radios(top.member("radios"));
            for (int chain = 0; chain < LGW_RF_CHAIN_NB; ++chain)
                writeJsonRadio(radios.member(ConfigKeys::radioKey(chain).c_str()), chain, plan.radios[chain]);
        }
        {
            JsonObject channels(top.member("channels"));
            for (int chain = 0; chain < LGW_IF_CHAIN_NB; ++chain)
                writeJsonChannel(channels.member(ConfigKeys::channelKey(chain).c_str()), plan, chain);
        }
        top.member("region") << jsonString(result.region);
        writeJsonArray(top.member("findings"), result.findings.size(),
                       [&](std::size_t i)
                       {
                           const ConfigFinding& finding = result.findings[i];
                           JsonObject object(out);
                           object.member("severity") << jsonString(severityName(finding.severity));
                           writeJsonFile(object.member("file"), finding.file);
                           object.member("path") << jsonString(finding.path);
                           object.member("message") << jsonString(finding.message);
                       });
        top.member("errors") << countOf(result.findings, ConfigFinding::SEVERITY_ERROR);
        top.member("warnings") << countOf(result.findings, ConfigFinding::SEVERITY_WARNING);
        top.member("status") << result.exitStatus();
    }
    out << "\n";
}

} // namespace LoRaWANServer
