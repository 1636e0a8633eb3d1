//
// LoRaWANHeader.h
//
// Library: LoRaWANServer_Listen
// Package: Table
// Module:  LoRaWANHeader
//
// Definition of the LoRaWANHeader class, the header fields of one LoRaWAN
// frame as the LoRaWANHeaderDecoder reads them from a received payload.
//

#ifndef LoRaWANListen_LoRaWANHeader_INCLUDED
#define LoRaWANListen_LoRaWANHeader_INCLUDED

#include <cstddef>
#include <cstdint>

namespace LoRaWANListen
{

struct LoRaWANHeader
/// What the plain-text part of a LoRaWAN frame says: the message type from
/// MHDR and, for data frames, the frame header and port; for join requests
/// the two EUIs and the nonce. Join accepts are encrypted, so only their type
/// is known. Fields that the frame's type or length does not provide keep
/// their zero values.
{
    enum class Status
    {
        Decoded, /// Every field that the message type has was read.
        Empty,   /// The payload has no byte.
        NotHex,  /// The payload text is not an even number of hexadecimal digits.
        TooShort /// The payload ends before the fields its message type needs; only type and mhdr are set.
    };

    enum class MessageType
    {
        JoinRequest = 0,
        JoinAccept = 1,
        UnconfirmedDataUp = 2,
        UnconfirmedDataDown = 3,
        ConfirmedDataUp = 4,
        ConfirmedDataDown = 5,
        RejoinRequest = 6,
        Proprietary = 7
    };

    static const char* messageTypeName(MessageType type);
    /// Returns the short name shown in the table ("JoinReq", "UnconfUp", ...).

    bool isDataFrame() const;
    /// Returns true for the four data message types.

    Status status = Status::Empty;
    MessageType type = MessageType::Proprietary;
    std::uint8_t mhdr = 0;
    std::size_t length = 0;       /// Payload length in bytes.
    std::uint32_t devAddr = 0;    /// Data frames: DevAddr, as a number (sent least significant byte first).
    std::uint8_t fCtrl = 0;       /// Data frames: FCtrl.
    std::uint8_t fOptsLength = 0; /// Data frames: FOptsLen, the low four bits of FCtrl.
    std::uint16_t fCnt = 0;       /// Data frames: the 16 bits of FCnt sent on air.
    bool hasFPort = false;        /// Data frames: true if a port (and so FRMPayload) follows FOpts.
    std::uint8_t fPort = 0;       /// Data frames: FPort when hasFPort.
    std::uint64_t joinEui = 0;    /// Join requests: JoinEUI (AppEUI).
    std::uint64_t devEui = 0;     /// Join requests: DevEUI.
    std::uint16_t devNonce = 0;   /// Join requests: DevNonce.
};

} // namespace LoRaWANListen

#endif // LoRaWANListen_LoRaWANHeader_INCLUDED
