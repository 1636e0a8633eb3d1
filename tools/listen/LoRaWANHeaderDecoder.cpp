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

constexpr unsigned MessageTypeShift = 5;
constexpr std::uint8_t FOptsLengthMask = 0x0F;

constexpr std::size_t MhdrSize = 1;
constexpr std::size_t DevAddrSize = 4;
constexpr std::size_t FCtrlSize = 1;
constexpr std::size_t FCntSize = 2;
constexpr std::size_t FHdrMinSize = DevAddrSize + FCtrlSize + FCntSize;
constexpr std::size_t MaxFOptsSize = 15;
constexpr std::size_t FPortSize = 1;
constexpr std::size_t MicSize = 4;
constexpr std::size_t EuiSize = 8;
constexpr std::size_t DevNonceSize = 2;
constexpr std::size_t JoinRequestSize = MhdrSize + EuiSize + EuiSize + DevNonceSize + MicSize;
constexpr std::size_t JoinAcceptMinSize = MhdrSize + 16;
constexpr std::size_t RejoinRequestMinSize = 19;

// Enough for every field the decoder reads; the rest of a payload only counts.
constexpr std::size_t DecodedPrefixSize = MhdrSize + FHdrMinSize + MaxFOptsSize + FPortSize;
static_assert(DecodedPrefixSize >= JoinRequestSize, "the prefix must hold a join request");

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
    if (header.length < MhdrSize + FHdrMinSize + MicSize)
    {
        header.status = LoRaWANHeader::Status::TooShort;
        return;
    }
    const std::uint8_t* fhdr = bytes + MhdrSize;
    const std::uint8_t fCtrl = fhdr[DevAddrSize];
    const std::size_t fOptsLength = fCtrl & FOptsLengthMask;
    const std::size_t portOffset = MhdrSize + FHdrMinSize + fOptsLength;
    if (header.length < portOffset + MicSize)
    {
        header.status = LoRaWANHeader::Status::TooShort;
        return;
    }
    header.devAddr = static_cast<std::uint32_t>(littleEndian(fhdr, DevAddrSize));
    header.fCtrl = fCtrl;
    header.fOptsLength = static_cast<std::uint8_t>(fOptsLength);
    header.fCnt = static_cast<std::uint16_t>(littleEndian(fhdr + DevAddrSize + FCtrlSize, FCntSize));
    header.hasFPort = header.length > portOffset + MicSize;
    if (header.hasFPort)
    {
        header.fPort = bytes[portOffset];
    }
    header.status = LoRaWANHeader::Status::Decoded;
}

void decodeJoinRequest(const std::uint8_t* bytes, LoRaWANHeader& header)
{
    if (header.length < JoinRequestSize)
    {
        header.status = LoRaWANHeader::Status::TooShort;
        return;
    }
    const std::uint8_t* field = bytes + MhdrSize;
    header.joinEui = littleEndian(field, EuiSize);
    field += EuiSize;
    header.devEui = littleEndian(field, EuiSize);
    field += EuiSize;
    header.devNonce = static_cast<std::uint16_t>(littleEndian(field, DevNonceSize));
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
    std::array<std::uint8_t, DecodedPrefixSize> bytes{};
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
    header.type = static_cast<LoRaWANHeader::MessageType>(header.mhdr >> MessageTypeShift);
    switch (header.type)
    {
        case LoRaWANHeader::MessageType::JoinRequest:
            decodeJoinRequest(bytes.data(), header);
            break;
        case LoRaWANHeader::MessageType::JoinAccept:
            requireLength(JoinAcceptMinSize, header);
            break;
        case LoRaWANHeader::MessageType::RejoinRequest:
            requireLength(RejoinRequestMinSize, header);
            break;
        case LoRaWANHeader::MessageType::Proprietary:
            requireLength(MhdrSize, header);
            break;
        default:
            decodeDataFrame(bytes.data(), header);
            break;
    }
    return header;
}

} // namespace LoRaWANListen
