//
// LoRaWANHeaderDecoderTest.cpp
//
// Tests of LoRaWANHeaderDecoder on payloads captured from real gateways and on
// made-up frames of every message type.
//

#include "tools/listen/LoRaWANHeaderDecoder.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

using LoRaWANListen::LoRaWANHeader;
using LoRaWANListen::LoRaWANHeaderDecoder;
using Type = LoRaWANHeader::MessageType;
using Status = LoRaWANHeader::Status;

TEST(LoRaWANHeaderDecoder, DataFramesGiveDevAddrFCtrlFCntAndThePortAfterFOptsIfAny)
{
    struct Case
    {
        std::string payload;
        Type type;
        std::size_t length;
        std::uint32_t devAddr; // sent least significant byte first, as FCnt
        std::uint8_t fCtrl;
        std::uint16_t fCnt;
        int fPort; // -1: none
    };
    const Case cases[] = {
        // Real uplinks: a US915 PicoCell capture in either case (ADR set), two RU864 frames of one device.
        {"40C325022680BF03027A2A9402189674EF834E23F7CB6196", Type::UnconfirmedDataUp, 24, 0x260225C3, 0x80,
         959, 2},
        {"40c325022680bf03027a2a9402189674ef834e23f7cb6196", Type::UnconfirmedDataUp, 24, 0x260225C3, 0x80,
         959, 2},
        {"403003450180D000D6D154F2", Type::UnconfirmedDataUp, 12, 0x01450330, 0x80, 208, -1},
        {"4030034501800A00028F5C845B9A266B9D86BDBC60E7FC94F56E4C7E0E59FFBD100725A735",
         Type::UnconfirmedDataUp, 37, 0x01450330, 0x80, 10, 2},
        // FOptsLen 3, FOpts AABBCC, FPort 10, one byte, MIC.
        {"8001020304230201AABBCC0A55DEADBEEF", Type::ConfirmedDataUp, 17, 0x04030201, 0x23, 0x0102, 10},
        // FOptsLen 2, FOpts 0203 (MAC commands), then only the MIC.
        {"40010203040205000203DEADBEEF", Type::UnconfirmedDataUp, 14, 0x04030201, 0x02, 5, -1},
        {"60785634122007000101020304", Type::UnconfirmedDataDown, 13, 0x12345678, 0x20, 7, 1},
        // The largest payload, 256 bytes, is decoded from its header only: FCtrl 0, FCnt FFFF, FPort E0.
        {"407856341200FFFFE0" + std::string(2 * 247, 'C'), Type::UnconfirmedDataUp, 256, 0x12345678, 0x00,
         65535, 0xE0},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.payload.substr(0, 40));
        const LoRaWANHeader header = LoRaWANHeaderDecoder::decode(c.payload);
        ASSERT_EQ(header.status, Status::Decoded);
        EXPECT_EQ(header.type, c.type);
        EXPECT_EQ(header.length, c.length);
        EXPECT_EQ(header.devAddr, c.devAddr);
        EXPECT_EQ(header.fCtrl, c.fCtrl);
        EXPECT_EQ(header.fOptsLength, c.fCtrl & 0x0F);
        EXPECT_EQ(header.fCnt, c.fCnt);
        EXPECT_EQ(header.hasFPort, c.fPort >= 0);
        if (c.fPort >= 0)
        {
            EXPECT_EQ(header.fPort, c.fPort);
        }
    }
}

TEST(LoRaWANHeaderDecoder, PayloadsTooShortForTheirTypeOrNotHexAreNotDecoded)
{
    const std::string encrypted(32, 'A');
    const std::pair<std::string, Status> cases[] = {
        {"40", Status::TooShort}, // data frames shorter than header and MIC
        {"4001020304", Status::TooShort},
        {"4001020304000500DEADBE", Status::TooShort},
        {"40010203040F0500DEADBEEF", Status::TooShort}, // FOptsLen 15, four bytes after FHDR
        {"00010000D07ED5B37030051C000BA304003412AABBCC", Status::TooShort}, // join request
        {"20" + encrypted.substr(2), Status::TooShort},                     // join accept
        {"", Status::Empty},
        {"4", Status::NotHex},
        {"40C32502268", Status::NotHex},
        {"4G", Status::NotHex},
        {"40C3250226 80BF03027A2A9402189674EF834E23F7CB619", Status::NotHex},
        {std::string{'4', '0', '\0', '0'}, Status::NotHex},
    };
    for (const auto& [payload, status] : cases)
    {
        SCOPED_TRACE(payload);
        const LoRaWANHeader header = LoRaWANHeaderDecoder::decode(payload);
        EXPECT_EQ(header.status, status);
        EXPECT_EQ(header.devAddr, 0u);
    }
    // Short, but still named by its type and length.
    const LoRaWANHeader header = LoRaWANHeaderDecoder::decode("40010203040F0500DEADBEEF");
    EXPECT_EQ(header.type, Type::UnconfirmedDataUp);
    EXPECT_EQ(header.length, 12u);
}

TEST(LoRaWANHeaderDecoder, JoinRequestGivesBothEuisAndTheNonceAndJoinAcceptIsNotOpened)
{
    const LoRaWANHeader joinRequest =
        LoRaWANHeaderDecoder::decode("00010000D07ED5B37030051C000BA304003412AABBCCDD");
    ASSERT_EQ(joinRequest.status, Status::Decoded);
    EXPECT_EQ(joinRequest.type, Type::JoinRequest);
    EXPECT_EQ(joinRequest.joinEui, 0x70B3D57ED0000001u);
    EXPECT_EQ(joinRequest.devEui, 0x0004A30B001C0530u);
    EXPECT_EQ(joinRequest.devNonce, 0x1234);
    const LoRaWANHeader joinAccept = LoRaWANHeaderDecoder::decode("20" + std::string(32, 'A'));
    ASSERT_EQ(joinAccept.status, Status::Decoded);
    EXPECT_EQ(joinAccept.type, Type::JoinAccept);
    EXPECT_EQ(joinAccept.devAddr, 0u);
}

TEST(LoRaWANHeaderDecoder, EveryMessageTypeIsNamedFromTheTopThreeBits)
{
    struct Case
    {
        const char* mhdr;
        Type type;
        const char* name;
    };
    const Case cases[] = {
        {"00", Type::JoinRequest, "JoinReq"},        {"20", Type::JoinAccept, "JoinAcc"},
        {"40", Type::UnconfirmedDataUp, "UnconfUp"}, {"60", Type::UnconfirmedDataDown, "UnconfDn"},
        {"80", Type::ConfirmedDataUp, "ConfUp"},     {"A0", Type::ConfirmedDataDown, "ConfDn"},
        {"C0", Type::RejoinRequest, "RejoinReq"},    {"FF", Type::Proprietary, "Propr"}};
    for (const Case& c : cases)
    {
        const LoRaWANHeader header = LoRaWANHeaderDecoder::decode(std::string(c.mhdr) + std::string(64, '0'));
        EXPECT_EQ(header.status, Status::Decoded) << c.mhdr;
        EXPECT_EQ(header.type, c.type) << c.mhdr;
        EXPECT_STREQ(LoRaWANHeader::messageTypeName(header.type), c.name);
    }
}
