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

// Real uplinks: a US915 PicoCell capture and two RU864 frames from one device.
TEST(LoRaWANHeaderDecoder, RealUnconfirmedUplinkGivesDevAddrFCntAndPortInEitherCase)
{
    for (const char* payload : {"40C325022680BF03027A2A9402189674EF834E23F7CB6196",
                                "40c325022680bf03027a2a9402189674ef834e23f7cb6196"})
    {
        SCOPED_TRACE(payload);
        const LoRaWANHeader header = LoRaWANHeaderDecoder::decode(payload);
        ASSERT_EQ(header.status, Status::Decoded);
        EXPECT_EQ(header.type, Type::UnconfirmedDataUp);
        EXPECT_EQ(header.length, 24u);
        EXPECT_EQ(header.devAddr, 0x260225C3u) << "DevAddr is sent least significant byte first";
        EXPECT_EQ(header.fCtrl, 0x80) << "ADR";
        EXPECT_EQ(header.fCnt, 959) << "FCnt is sent least significant byte first";
        EXPECT_TRUE(header.hasFPort);
        EXPECT_EQ(header.fPort, 2);
    }
}

TEST(LoRaWANHeaderDecoder, RealUplinkWithoutPayloadHasNoPort)
{
    const LoRaWANHeader header = LoRaWANHeaderDecoder::decode("403003450180D000D6D154F2");
    ASSERT_EQ(header.status, Status::Decoded);
    EXPECT_EQ(header.devAddr, 0x01450330u);
    EXPECT_EQ(header.fCnt, 208);
    EXPECT_FALSE(header.hasFPort);
    const LoRaWANHeader next = LoRaWANHeaderDecoder::decode(
        "4030034501800A00028F5C845B9A266B9D86BDBC60E7FC94F56E4C7E0E59FFBD100725A735");
    EXPECT_EQ(next.devAddr, 0x01450330u);
    EXPECT_EQ(next.fCnt, 10);
    EXPECT_EQ(next.fPort, 2);
}

TEST(LoRaWANHeaderDecoder, FOptsAreSkippedToReachThePortIfAnyAndDownlinksDecodeLikeUplinks)
{
    // Confirmed up, DevAddr 04030201, FCtrl with FOptsLen 3, FCnt 0x0102, FOpts, FPort 10, one byte, MIC.
    const LoRaWANHeader header = LoRaWANHeaderDecoder::decode("8001020304230201AABBCC0A55DEADBEEF");
    ASSERT_EQ(header.status, Status::Decoded);
    EXPECT_EQ(header.type, Type::ConfirmedDataUp);
    EXPECT_EQ(header.devAddr, 0x04030201u);
    EXPECT_EQ(header.fOptsLength, 3);
    EXPECT_EQ(header.fCnt, 0x0102);
    EXPECT_TRUE(header.hasFPort);
    EXPECT_EQ(header.fPort, 10);
    // FOptsLen 2, FOpts 0203 (LinkCheckReq-like MAC commands), then only the MIC.
    const LoRaWANHeader packed = LoRaWANHeaderDecoder::decode("40010203040205000203DEADBEEF");
    ASSERT_EQ(packed.status, Status::Decoded);
    EXPECT_EQ(packed.fOptsLength, 2);
    EXPECT_EQ(packed.fCnt, 5);
    EXPECT_FALSE(packed.hasFPort);
    const LoRaWANHeader down = LoRaWANHeaderDecoder::decode("60785634122007000101020304");
    ASSERT_EQ(down.status, Status::Decoded);
    EXPECT_EQ(down.type, Type::UnconfirmedDataDown);
    EXPECT_EQ(down.devAddr, 0x12345678u);
    EXPECT_EQ(down.fCnt, 7);
    EXPECT_EQ(down.fPort, 1);
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
        {std::string("40\0"
                     "0",
                     4),
         Status::NotHex},
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

TEST(LoRaWANHeaderDecoder, LargestPayloadIsDecodedFromItsHeaderOnly)
{
    // 256 bytes: the port comes right after an FHDR without FOpts.
    const std::string payload = "40"
                                "78563412"
                                "00"
                                "FFFF"
                                "E0" +
                                std::string(2 * 247, 'C');
    const LoRaWANHeader header = LoRaWANHeaderDecoder::decode(payload);
    ASSERT_EQ(header.status, Status::Decoded);
    EXPECT_EQ(header.length, 256u);
    EXPECT_EQ(header.fCnt, 65535);
    EXPECT_EQ(header.fPort, 0xE0);
}
