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
const std::uint32_t MODULATION_LORA = 16;
const std::uint32_t MODULATION_FSK = 32;
const std::uint32_t STATUS_CRC_OK = 0x10;
const std::uint32_t STATUS_CRC_BAD = 0x11;
const std::uint32_t STATUS_NO_CRC = 0x01;
const std::uint32_t STATUS_UNDEFINED = 0x00;
const std::uint32_t CODING_RATE_OFF = 0;
const std::uint32_t LOWEST_SPREADING_FACTOR = 7;
const std::uint32_t HIGHEST_SPREADING_FACTOR = 12;

// Bandwidth codes 1 to 7, in kHz.
const std::array<const char*, 8> BANDWIDTH_KHZ = {nullptr, "500",  "250",  "125",
                                                  "62.5",  "31.2", "15.6", "7.8"};

const std::uint32_t HZ_PER_MHZ = 1000000;
const int FRACTION_DIGITS = 6;
const int MIN_FRACTION_DIGITS = 3;

const char* const TIME_FORMAT = "%Y-%m-%d %H:%M:%S.%i";
const char* const UNKNOWN = "?";
const char* const NOT_APPLICABLE = "-";
const std::size_t MAX_NUMBER_TEXT = 12;
const std::size_t MAX_TYPE_TEXT = 64;

// TIME MHZ IF RF MODULATION CR RSSI SNR CRC SIZE LORAWAN
const char* const LINE_FORMAT = "%-23s %9s %3s %2s %-16s %-3s %6s %6s %-9s %4s %s\n";

std::string frequencyText(const PacketDocument& document)
{
    std::uint32_t hz = 0;
    if (!document.unsignedValue(PacketDocument::FreqHz, hz))
    {
        return UNKNOWN;
    }
    char fraction[FRACTION_DIGITS + 1];
    std::snprintf(fraction, sizeof fraction, "%06" PRIu32, hz % HZ_PER_MHZ);
    int digits = FRACTION_DIGITS;
    while (digits > MIN_FRACTION_DIGITS && fraction[digits - 1] == '0')
    {
        --digits;
    }
    fraction[digits] = '\0';
    return std::to_string(hz / HZ_PER_MHZ) + "." + fraction;
}

std::string unsignedText(const PacketDocument& document, PacketDocument::Field field)
{
    std::uint32_t value = 0;
    return document.unsignedValue(field, value) ? std::to_string(value) : UNKNOWN;
}

// The HAL writes the floats as plain decimal text; anything else is not shown.
std::string numberText(const PacketDocument& document, PacketDocument::Field field)
{
    const std::string& text = document.text(field);
    if (text.empty() || text.size() > MAX_NUMBER_TEXT)
    {
        return UNKNOWN;
    }
    for (char c : text)
    {
        const bool allowed =
            (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E';
        if (!allowed)
        {
            return UNKNOWN;
        }
    }
    return text;
}

std::uint32_t spreadingFactor(std::uint32_t code)
{
    // SF7 to SF12 are the codes 2 to 64, one bit each.
    for (std::uint32_t sf = LOWEST_SPREADING_FACTOR; sf <= HIGHEST_SPREADING_FACTOR; ++sf)
    {
        if (code == (1u << (sf - LOWEST_SPREADING_FACTOR + 1)))
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
    if (modulation == MODULATION_LORA)
    {
        std::uint32_t bandwidth = 0;
        const std::uint32_t sf = hasDatarate ? spreadingFactor(datarate) : 0;
        const bool knownBandwidth = document.unsignedValue(PacketDocument::Bandwidth, bandwidth) &&
                                    bandwidth < BANDWIDTH_KHZ.size() && BANDWIDTH_KHZ[bandwidth] != nullptr;
        return std::string("LoRa SF") + (sf != 0 ? std::to_string(sf) : UNKNOWN) + " BW" +
               (knownBandwidth ? BANDWIDTH_KHZ[bandwidth] : UNKNOWN);
    }
    if (modulation == MODULATION_FSK)
    {
        return std::string("FSK ") + (hasDatarate ? std::to_string(datarate) : UNKNOWN) + " b/s";
    }
    return "mod " + std::to_string(modulation);
}

std::string codingRateText(const PacketDocument& document)
{
    std::uint32_t code = 0;
    if (!document.unsignedValue(PacketDocument::Coderate, code))
    {
        return UNKNOWN;
    }
    if (code == CODING_RATE_OFF)
    {
        return "off";
    }
    // Codes 1 to 4 stand for 4/5 to 4/8.
    const std::uint32_t HIGHEST_CODE = 4;
    const std::uint32_t DENOMINATOR_OFFSET = 4;
    return code <= HIGHEST_CODE ? "4/" + std::to_string(code + DENOMINATOR_OFFSET) : UNKNOWN;
}

std::string crcText(const PacketDocument& document)
{
    std::uint32_t status = 0;
    if (!document.unsignedValue(PacketDocument::Status, status))
    {
        return UNKNOWN;
    }
    switch (status)
    {
        case STATUS_CRC_OK:
            return "ok";
        case STATUS_CRC_BAD:
            return "bad";
        case STATUS_NO_CRC:
            return "none";
        case STATUS_UNDEFINED:
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
        return UNKNOWN;
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
        const int DEV_ADDR_DIGITS = 8;
        text += " DevAddr " + hexText(header.devAddr, DEV_ADDR_DIGITS) + " FCnt " +
                std::to_string(header.fCnt) + " FPort " +
                (header.hasFPort ? std::to_string(header.fPort) : NOT_APPLICABLE);
    }
    else if (header.type == LoRaWANHeader::MessageType::JoinRequest)
    {
        const int EUI_DIGITS = 16;
        const int DEV_NONCE_DIGITS = 4;
        text += " JoinEUI " + hexText(header.joinEui, EUI_DIGITS) + " DevEUI " +
                hexText(header.devEui, EUI_DIGITS) + " DevNonce " +
                hexText(header.devNonce, DEV_NONCE_DIGITS);
    }
    return text;
}

} // namespace

std::string TableFormatter::header()
{
    char line[160];
    std::snprintf(line, sizeof line, LINE_FORMAT, "TIME", "MHZ", "IF", "RF", "MODULATION", "CR", "RSSI",
                  "SNR", "CRC", "SIZE", "LORAWAN");
    return line;
}

void TableFormatter::appendLine(std::string& out, const PacketDocument& document,
                                const Poco::LocalDateTime& arrival)
{
    const std::string time = Poco::DateTimeFormatter::format(arrival, TIME_FORMAT);
    if (!document.isUpstream())
    {
        out += time + " message of type \"" + PrintableText::escape(document.type(), MAX_TYPE_TEXT) + "\"\n";
        return;
    }
    std::uint32_t modulation = 0;
    const bool hasModulation = document.unsignedValue(PacketDocument::Modulation, modulation);
    const bool isLoRa = hasModulation && modulation == MODULATION_LORA;
    const bool isFsk = hasModulation && modulation == MODULATION_FSK;

    const std::string fields[] = {
        time,
        frequencyText(document),
        unsignedText(document, PacketDocument::IfChain),
        unsignedText(document, PacketDocument::RfChain),
        hasModulation ? modulationText(document, modulation) : UNKNOWN,
        isFsk ? NOT_APPLICABLE : codingRateText(document),
        numberText(document, PacketDocument::Rssi),
        isFsk ? NOT_APPLICABLE : numberText(document, PacketDocument::Snr),
        crcText(document),
        unsignedText(document, PacketDocument::Size),
        isLoRa ? loRaWANText(document) : NOT_APPLICABLE,
    };
    // Every field above is bounded (numbers of at most 32 bits, checked or
    // fixed texts), so the line fits; a cut one still ends its line.
    char line[512];
    const int length =
        std::snprintf(line, sizeof line, LINE_FORMAT, fields[0].c_str(), fields[1].c_str(), fields[2].c_str(),
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
