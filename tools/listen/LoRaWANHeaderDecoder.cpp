//
// LoRaWANHeaderDecoder.cpp
//
// Implementation of the LoRaWANHeaderDecoder class.
//

#include "tools/listen/LoRaWANHeaderDecoder.h"

#include <array>
#include <cstdint>

namespace LoRaWANListen
{

namespace
{

const unsigned MESSAGE_TYPE_SHIFT = 5;
const std::uint8_t FOPTS_LENGTH_MASK = 0x0F;

const std::size_t MHDR_SIZE = 1;
const std::size_t DEV_ADDR_SIZE = 4;
const std::size_t FCTRL_SIZE = 1;
const std::size_t FCNT_SIZE = 2;
const std::size_t FHDR_MIN_SIZE = DEV_ADDR_SIZE + FCTRL_SIZE + FCNT_SIZE;
const std::size_t MAX_FOPTS_SIZE = 15;
const std::size_t FPORT_SIZE = 1;
const std::size_t MIC_SIZE = 4;
const std::size_t EUI_SIZE = 8;
const std::size_t DEV_NONCE_SIZE = 2;
const std::size_t JOIN_REQUEST_SIZE = MHDR_SIZE + EUI_SIZE + EUI_SIZE + DEV_NONCE_SIZE + MIC_SIZE;
const std::size_t JOIN_ACCEPT_MIN_SIZE = MHDR_SIZE + 16;
const std::size_t REJOIN_REQUEST_MIN_SIZE = 19;

// Enough for every field the decoder reads; the rest of a payload only counts.
const std::size_t DECODED_PREFIX_SIZE = MHDR_SIZE + FHDR_MIN_SIZE + MAX_FOPTS_SIZE + FPORT_SIZE;
static_assert(DECODED_PREFIX_SIZE >= JOIN_REQUEST_SIZE, "the prefix must hold a join request");

int hexDigitValue(char digit)
{
    if (digit >= '0' && digit <= '9')
    {
        return digit - '0';
    }
    if (digit >= 'A' && digit <= 'F')
    {
        return digit - 'A' + 10;
    }
    if (digit >= 'a' && digit <= 'f')
    {
        return digit - 'a' + 10;
    }
    return -1;
}

std::uint64_t littleEndian(const std::uint8_t* bytes, std::size_t count)
{
    std::uint64_t value = 0;
    for (std::size_t index = count; index > 0; --index)
    {
        value = (value << 8) | bytes[index - 1];
    }
    return value;
}

void decodeDataFrame(const std::uint8_t* bytes, LoRaWANHeader& header)
{
    if (header.length < MHDR_SIZE + FHDR_MIN_SIZE + MIC_SIZE)
    {
        header.status = LoRaWANHeader::Status::TooShort;
        return;
    }
    const std::uint8_t* fhdr = bytes + MHDR_SIZE;
    const std::uint8_t fCtrl = fhdr[DEV_ADDR_SIZE];
    const std::size_t fOptsLength = fCtrl & FOPTS_LENGTH_MASK;
    const std::size_t portOffset = MHDR_SIZE + FHDR_MIN_SIZE + fOptsLength;
    if (header.length < portOffset + MIC_SIZE)
    {
        header.status = LoRaWANHeader::Status::TooShort;
        return;
    }
    header.devAddr = static_cast<std::uint32_t>(littleEndian(fhdr, DEV_ADDR_SIZE));
    header.fCtrl = fCtrl;
    header.fOptsLength = static_cast<std::uint8_t>(fOptsLength);
    header.fCnt = static_cast<std::uint16_t>(littleEndian(fhdr + DEV_ADDR_SIZE + FCTRL_SIZE, FCNT_SIZE));
    header.hasFPort = header.length > portOffset + MIC_SIZE;
    if (header.hasFPort)
    {
        header.fPort = bytes[portOffset];
    }
    header.status = LoRaWANHeader::Status::Decoded;
}

void decodeJoinRequest(const std::uint8_t* bytes, LoRaWANHeader& header)
{
    if (header.length < JOIN_REQUEST_SIZE)
    {
        header.status = LoRaWANHeader::Status::TooShort;
        return;
    }
    const std::uint8_t* field = bytes + MHDR_SIZE;
    header.joinEui = littleEndian(field, EUI_SIZE);
    field += EUI_SIZE;
    header.devEui = littleEndian(field, EUI_SIZE);
    field += EUI_SIZE;
    header.devNonce = static_cast<std::uint16_t>(littleEndian(field, DEV_NONCE_SIZE));
    header.status = LoRaWANHeader::Status::Decoded;
}

void requireLength(std::size_t minimum, LoRaWANHeader& header)
{
    header.status =
        header.length < minimum ? LoRaWANHeader::Status::TooShort : LoRaWANHeader::Status::Decoded;
}

} // namespace

LoRaWANHeader LoRaWANHeaderDecoder::decode(std::string_view hexPayload)
{
    LoRaWANHeader header;
    if (hexPayload.size() % 2 != 0)
    {
        header.status = LoRaWANHeader::Status::NotHex;
        return header;
    }
    std::array<std::uint8_t, DECODED_PREFIX_SIZE> bytes{};
    const std::size_t length = hexPayload.size() / 2;
    for (std::size_t index = 0; index < length; ++index)
    {
        const int high = hexDigitValue(hexPayload[2 * index]);
        const int low = hexDigitValue(hexPayload[2 * index + 1]);
        if (high < 0 || low < 0)
        {
            header.status = LoRaWANHeader::Status::NotHex;
            return header;
        }
        if (index < bytes.size())
        {
            bytes[index] = static_cast<std::uint8_t>((high << 4) | low);
        }
    }
    header.length = length;
    if (length == 0)
    {
        header.status = LoRaWANHeader::Status::Empty;
        return header;
    }
    header.mhdr = bytes[0];
    header.type = static_cast<LoRaWANHeader::MessageType>(header.mhdr >> MESSAGE_TYPE_SHIFT);
    switch (header.type)
    {
        case LoRaWANHeader::MessageType::JoinRequest:
            decodeJoinRequest(bytes.data(), header);
            break;
        case LoRaWANHeader::MessageType::JoinAccept:
            requireLength(JOIN_ACCEPT_MIN_SIZE, header);
            break;
        case LoRaWANHeader::MessageType::RejoinRequest:
            requireLength(REJOIN_REQUEST_MIN_SIZE, header);
            break;
        case LoRaWANHeader::MessageType::Proprietary:
            requireLength(MHDR_SIZE, header);
            break;
        default:
            decodeDataFrame(bytes.data(), header);
            break;
    }
    return header;
}

} // namespace LoRaWANListen
