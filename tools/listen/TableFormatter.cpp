//
// TableFormatter.cpp
//
// Implementation of the TableFormatter class.
//

#include "tools/listen/TableFormatter.h"

#include "tools/listen/LoRaWANHeaderDecoder.h"
#include "tools/listen/PrintableText.h"

#include <Poco/DateTimeFormatter.h>

#include <array>
#include <cinttypes>
#include <cstdio>

namespace LoRaWANListen
{

namespace
{

// The HAL's codes.
constexpr std::uint32_t ModulationLoRa = 16;
constexpr std::uint32_t ModulationFsk = 32;
constexpr std::uint32_t StatusCrcOk = 0x10;
constexpr std::uint32_t StatusCrcBad = 0x11;
constexpr std::uint32_t StatusNoCrc = 0x01;
constexpr std::uint32_t StatusUndefined = 0x00;
constexpr std::uint32_t CodingRateOff = 0;
constexpr std::uint32_t LowestSpreadingFactor = 7;
constexpr std::uint32_t HighestSpreadingFactor = 12;

// Bandwidth codes 1 to 7, in kHz.
const std::array<const char*, 8> BandwidthKHz = {nullptr, "500", "250", "125", "62.5", "31.2", "15.6", "7.8"};

constexpr std::uint32_t HzPerMHz = 1000000;
constexpr int FractionDigits = 6;
constexpr int MinFractionDigits = 3;

constexpr const char* TimeFormat = "%Y-%m-%d %H:%M:%S.%i";
constexpr const char* Unknown = "?";
constexpr const char* NotApplicable = "-";
constexpr std::size_t MaxNumberText = 12;
constexpr std::size_t MaxTypeText = 64;

// TIME MHZ IF RF MODULATION CR RSSI SNR CRC SIZE LORAWAN
constexpr const char* LineFormat = "%-23s %9s %3s %2s %-16s %-3s %6s %6s %-9s %4s %s\n";

std::string frequencyText(const PacketDocument& document)
{
    std::uint32_t hz = 0;
    if (!document.unsignedValue(PacketDocument::FreqHz, hz))
    {
        return Unknown;
    }
    char fraction[FractionDigits + 1];
    std::snprintf(fraction, sizeof fraction, "%06" PRIu32, hz % HzPerMHz);
    int digits = FractionDigits;
    while (digits > MinFractionDigits && fraction[digits - 1] == '0')
    {
        --digits;
    }
    fraction[digits] = '\0';
    return std::to_string(hz / HzPerMHz) + "." + fraction;
}

std::string unsignedText(const PacketDocument& document, PacketDocument::Field field)
{
    std::uint32_t value = 0;
    return document.unsignedValue(field, value) ? std::to_string(value) : Unknown;
}

// The HAL writes the floats as plain decimal text; anything else is not shown.
std::string numberText(const PacketDocument& document, PacketDocument::Field field)
{
    const std::string& text = document.text(field);
    if (text.empty() || text.size() > MaxNumberText)
    {
        return Unknown;
    }
    for (char c : text)
    {
        const bool allowed =
            (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E';
        if (!allowed)
        {
            return Unknown;
        }
    }
    return text;
}

std::uint32_t spreadingFactor(std::uint32_t code)
{
    // SF7 to SF12 are the codes 2 to 64, one bit each.
    for (std::uint32_t sf = LowestSpreadingFactor; sf <= HighestSpreadingFactor; ++sf)
    {
        if (code == (1u << (sf - LowestSpreadingFactor + 1)))
        {
            return sf;
        }
    }
    return 0;
}

std::string modulationText(const PacketDocument& document, std::uint32_t modulation)
{
    std::uint32_t datarate = 0;
    const bool hasDatarate = document.unsignedValue(PacketDocument::Datarate, datarate);
    if (modulation == ModulationLoRa)
    {
        std::uint32_t bandwidth = 0;
        const std::uint32_t sf = hasDatarate ? spreadingFactor(datarate) : 0;
        const bool knownBandwidth = document.unsignedValue(PacketDocument::Bandwidth, bandwidth) &&
                                    bandwidth < BandwidthKHz.size() && BandwidthKHz[bandwidth] != nullptr;
        return std::string("LoRa SF") + (sf != 0 ? std::to_string(sf) : Unknown) + " BW" +
               (knownBandwidth ? BandwidthKHz[bandwidth] : Unknown);
    }
    if (modulation == ModulationFsk)
    {
        return std::string("FSK ") + (hasDatarate ? std::to_string(datarate) : Unknown) + " b/s";
    }
    return "mod " + std::to_string(modulation);
}

std::string codingRateText(const PacketDocument& document)
{
    std::uint32_t code = 0;
    if (!document.unsignedValue(PacketDocument::Coderate, code))
    {
        return Unknown;
    }
    if (code == CodingRateOff)
    {
        return "off";
    }
    // Codes 1 to 4 stand for 4/5 to 4/8.
    constexpr std::uint32_t HighestCode = 4;
    constexpr std::uint32_t DenominatorOffset = 4;
    return code <= HighestCode ? "4/" + std::to_string(code + DenominatorOffset) : Unknown;
}

std::string crcText(const PacketDocument& document)
{
    std::uint32_t status = 0;
    if (!document.unsignedValue(PacketDocument::Status, status))
    {
        return Unknown;
    }
    switch (status)
    {
        case StatusCrcOk:
            return "ok";
        case StatusCrcBad:
            return "bad";
        case StatusNoCrc:
            return "none";
        case StatusUndefined:
            return "undefined";
        default:
            return "status " + std::to_string(status);
    }
}

std::string hexText(std::uint64_t value, int digits)
{
    char text[17];
    std::snprintf(text, sizeof text, "%0*" PRIX64, digits, value);
    return text;
}

std::string loRaWANText(const PacketDocument& document)
{
    if (!document.has(PacketDocument::Payload))
    {
        return Unknown;
    }
    const LoRaWANHeader header = LoRaWANHeaderDecoder::decode(document.text(PacketDocument::Payload));
    switch (header.status)
    {
        case LoRaWANHeader::Status::Empty:
            return "(no payload)";
        case LoRaWANHeader::Status::NotHex:
            return "(payload not hexadecimal)";
        case LoRaWANHeader::Status::TooShort:
            return std::string(LoRaWANHeader::messageTypeName(header.type)) +
                   " (too short: " + std::to_string(header.length) + " bytes)";
        case LoRaWANHeader::Status::Decoded:
            break;
    }
    std::string text = LoRaWANHeader::messageTypeName(header.type);
    if (header.isDataFrame())
    {
        constexpr int DevAddrDigits = 8;
        text += " DevAddr " + hexText(header.devAddr, DevAddrDigits) + " FCnt " +
                std::to_string(header.fCnt) + " FPort " +
                (header.hasFPort ? std::to_string(header.fPort) : NotApplicable);
    }
    else if (header.type == LoRaWANHeader::MessageType::JoinRequest)
    {
        constexpr int EuiDigits = 16;
        constexpr int DevNonceDigits = 4;
        text += " JoinEUI " + hexText(header.joinEui, EuiDigits) + " DevEUI " +
                hexText(header.devEui, EuiDigits) + " DevNonce " + hexText(header.devNonce, DevNonceDigits);
    }
    return text;
}

} // namespace

std::string TableFormatter::header()
{
    char line[160];
    std::snprintf(line, sizeof line, LineFormat, "TIME", "MHZ", "IF", "RF", "MODULATION", "CR", "RSSI", "SNR",
                  "CRC", "SIZE", "LORAWAN");
    return line;
}

void TableFormatter::appendLine(std::string& out, const PacketDocument& document,
                                const Poco::LocalDateTime& arrival)
{
    const std::string time = Poco::DateTimeFormatter::format(arrival, TimeFormat);
    if (!document.isUpstream())
    {
        out += time + " message of type \"" + PrintableText::escape(document.type(), MaxTypeText) + "\"\n";
        return;
    }
    std::uint32_t modulation = 0;
    const bool hasModulation = document.unsignedValue(PacketDocument::Modulation, modulation);
    const bool isLoRa = hasModulation && modulation == ModulationLoRa;
    const bool isFsk = hasModulation && modulation == ModulationFsk;

    const std::string fields[] = {
        time,
        frequencyText(document),
        unsignedText(document, PacketDocument::IfChain),
        unsignedText(document, PacketDocument::RfChain),
        hasModulation ? modulationText(document, modulation) : Unknown,
        isFsk ? NotApplicable : codingRateText(document),
        numberText(document, PacketDocument::Rssi),
        isFsk ? NotApplicable : numberText(document, PacketDocument::Snr),
        crcText(document),
        unsignedText(document, PacketDocument::Size),
        isLoRa ? loRaWANText(document) : NotApplicable,
    };
    // Every field above is bounded (numbers of at most 32 bits, checked or
    // fixed texts), so the line fits; a cut one still ends its line.
    char line[512];
    const int length =
        std::snprintf(line, sizeof line, LineFormat, fields[0].c_str(), fields[1].c_str(), fields[2].c_str(),
                      fields[3].c_str(), fields[4].c_str(), fields[5].c_str(), fields[6].c_str(),
                      fields[7].c_str(), fields[8].c_str(), fields[9].c_str(), fields[10].c_str());
    if (length < 0)
    {
        return;
    }
    if (static_cast<std::size_t>(length) < sizeof line)
    {
        out.append(line, static_cast<std::size_t>(length));
        return;
    }
    out.append(line, sizeof line - 2);
    out += '\n';
}

} // namespace LoRaWANListen
