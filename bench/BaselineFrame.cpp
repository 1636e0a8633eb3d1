//
// BaselineFrame.cpp
//
// Implementation of the BaselineFrame class.
//

#include "bench/BaselineFrame.h"

#include "contract/ConsumerContract.h"

#include <Poco/NumericString.h>

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace LoRaWANBench
{

namespace
{

// Everything but the values, the payload's hexadecimal text and the message type.
constexpr std::size_t FIXED_TEXT = 320;
constexpr std::size_t FLOAT_TEXT = 32;
constexpr std::size_t FLOAT_FIELDS = 4;
constexpr std::size_t DECIMAL_TEXT = 10;
constexpr std::size_t DECIMAL_FIELDS = 11;
constexpr std::size_t PAYLOAD_CAPACITY = sizeof(lgw_pkt_rx_s::payload);
constexpr std::size_t FRAME_CAPACITY = FIXED_TEXT + FLOAT_FIELDS * FLOAT_TEXT +
                                       DECIMAL_FIELDS * DECIMAL_TEXT + 2 * PAYLOAD_CAPACITY +
                                       BaselineFrame::MAX_MESSAGE_TYPE;

// Poco's float text for the service: plain notation between these magnitudes,
// exponent notation (which the baseline leaves to Poco) outside them.
constexpr float LOWEST_PLAIN = 1e-6f;
constexpr float HIGHEST_PLAIN = 1e6f;
constexpr int POCO_FLOAT_BUFFER = 780;
constexpr int POCO_LOWEST_PLAIN_EXPONENT = -6;
constexpr int POCO_HIGHEST_PLAIN_EXPONENT = 6;

constexpr char FRAME_END = LoRaWANServer::ConsumerContract::FRAME_END;

constexpr unsigned BASE = 10;
constexpr unsigned PAIR_BASE = BASE * BASE;
constexpr unsigned BYTE_VALUES = 256;
constexpr unsigned NIBBLE_BITS = 4;
constexpr unsigned NIBBLE_MASK = 0x0F;

// "00" to "99": two decimal digits per table lookup.
struct DigitPairs
{
    constexpr DigitPairs() : text()
    {
        for (unsigned i = 0; i < PAIR_BASE; ++i)
        {
            text[2 * i] = static_cast<char>('0' + i / BASE);
            text[2 * i + 1] = static_cast<char>('0' + i % BASE);
        }
    }
    char text[2 * PAIR_BASE];
};
constexpr DigitPairs DIGIT_PAIRS;

// "00" to "FF": the hexadecimal text of a byte per table lookup.
struct HexPairs
{
    constexpr HexPairs() : text()
    {
        const char digits[] = "0123456789ABCDEF";
        for (unsigned i = 0; i < BYTE_VALUES; ++i)
        {
            text[2 * i] = digits[i >> NIBBLE_BITS];
            text[2 * i + 1] = digits[i & NIBBLE_MASK];
        }
    }
    char text[2 * BYTE_VALUES];
};
constexpr HexPairs HEX_PAIRS;

class Cursor
{
public:
    explicit Cursor(char* pStart) : _pNext(pStart) {}

    template <std::size_t N>
    void literal(const char (&text)[N])
    {
        std::memcpy(_pNext, text, N - 1);
        _pNext += N - 1;
    }

    void text(std::string_view text)
    {
        std::memcpy(_pNext, text.data(), text.size());
        _pNext += text.size();
    }

    void put(char c) { *_pNext++ = c; }

    void decimal(std::uint32_t value)
    {
        char digits[DECIMAL_TEXT];
        char* pDigit = digits + DECIMAL_TEXT;
        while (value >= PAIR_BASE)
        {
            pDigit -= 2;
            std::memcpy(pDigit, DIGIT_PAIRS.text + 2 * (value % PAIR_BASE), 2);
            value /= PAIR_BASE;
        }
        if (value >= BASE)
        {
            pDigit -= 2;
            std::memcpy(pDigit, DIGIT_PAIRS.text + 2 * value, 2);
        }
        else
        {
            *--pDigit = static_cast<char>('0' + value);
        }
        text(std::string_view(pDigit, static_cast<std::size_t>(digits + DECIMAL_TEXT - pDigit)));
    }

    void shortestFloat(float value)
    {
        if (value == 0.0f)
        {
            put('0'); // also for -0, as Poco writes it
            return;
        }
        const float magnitude = std::fabs(value);
        if (magnitude >= LOWEST_PLAIN && magnitude < HIGHEST_PLAIN)
        {
            _pNext = std::to_chars(_pNext, _pNext + FLOAT_TEXT, value, std::chars_format::fixed).ptr;
            return;
        }
        char poco[POCO_FLOAT_BUFFER];
        Poco::floatToStr(poco, POCO_FLOAT_BUFFER, value, POCO_LOWEST_PLAIN_EXPONENT,
                         POCO_HIGHEST_PLAIN_EXPONENT);
        text(poco);
    }

    void hex(const std::uint8_t* pBytes, std::size_t count)
    {
        for (std::size_t i = 0; i < count; ++i)
        {
            std::memcpy(_pNext, HEX_PAIRS.text + 2 * pBytes[i], 2);
            _pNext += 2;
        }
    }

    char* next() const { return _pNext; }

private:
    char* _pNext;
};

} // namespace

BaselineFrame::BaselineFrame() : _buffer(FRAME_CAPACITY, '\0') {}

std::string_view BaselineFrame::write(const lgw_pkt_rx_s& packet, std::string_view messageType)
{
    char* pStart = &_buffer[0];
    Cursor out(pStart);
    out.literal("{\"type\":\"");
    out.text(messageType);
    out.literal("\",\"data\":{\"freq_hz\":\"");
    out.decimal(packet.freq_hz);
    out.literal("\",\"if_chain\":\"");
    out.decimal(packet.if_chain);
    out.literal("\",\"status\":\"");
    out.decimal(packet.status);
    out.literal("\",\"count_us\":\"");
    out.decimal(packet.count_us);
    out.literal("\",\"rf_chain\":\"");
    out.decimal(packet.rf_chain);
    out.literal("\",\"modulation\":\"");
    out.decimal(packet.modulation);
    out.literal("\",\"bandwidth\":\"");
    out.decimal(packet.bandwidth);
    out.literal("\",\"datarate\":\"");
    out.decimal(packet.datarate);
    out.literal("\",\"coderate\":\"");
    out.decimal(packet.coderate);
    out.literal("\",\"rssi\":\"");
    out.shortestFloat(packet.rssi);
    out.literal("\",\"snr\":\"");
    out.shortestFloat(packet.snr);
    out.literal("\",\"snr_min\":\"");
    out.shortestFloat(packet.snr_min);
    out.literal("\",\"snr_max\":\"");
    out.shortestFloat(packet.snr_max);
    out.literal("\",\"crc\":\"");
    out.decimal(packet.crc);
    out.literal("\",\"size\":\"");
    out.decimal(packet.size);
    out.literal("\",\"payload\":\"");
    out.hex(packet.payload, packet.size > PAYLOAD_CAPACITY ? PAYLOAD_CAPACITY : packet.size);
    out.literal("\"}}");
    out.put(FRAME_END);
    return std::string_view(pStart, static_cast<std::size_t>(out.next() - pStart));
}

} // namespace LoRaWANBench
