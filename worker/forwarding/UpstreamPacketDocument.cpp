//
// UpstreamPacketDocument.cpp
//
// Implementation of markupUpstreamPacket().
//

#include "worker/forwarding/UpstreamPacketDocument.h"

#include "contract/ConsumerContract.h"
#include "markup/MarkupFactory.h"
#include "markup/ValueText.h"
#include "utility/OctetBuffer.h"

#include <array>

namespace LoRaWANServer
{

namespace
{

using Zel::BACnet::WS::MarkupFactory;
using Zel::BACnet::WS::ValueText;
using namespace ConsumerContract;

const unsigned int PAYLOAD_CAPACITY = sizeof(lgw_pkt_rx_s::payload);

// The element names, made once rather than for every packet.
const std::string EMPTY;
const std::string TYPE = TYPE_KEY;
const std::string DATA = DATA_KEY;

std::array<std::string, FIELD_COUNT> makeFieldNames()
{
    std::array<std::string, FIELD_COUNT> names;
    for (int field = 0; field < FIELD_COUNT; ++field)
        names[field] = FIELD_NAMES[field];
    return names;
}

const std::array<std::string, FIELD_COUNT> NAME = makeFieldNames();

inline void markupElement(MarkupFactory& writer, MarkupFactory::BaseType baseType, const std::string& name,
                          const std::string& value, bool closeImmediately)
{
    writer.markup(baseType, name, value, closeImmediately, false, Zel::BACnet::BACNET_DT_NULL, false, EMPTY,
                  0, EMPTY, EMPTY, EMPTY, false, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, false);
}

inline void markupUnsigned(MarkupFactory& writer, Field field, Poco::UInt32 value)
{
    char text[ValueText::DECIMAL_CAPACITY];
    markupElement(writer, MarkupFactory::BT_UNSIGNED, NAME[field],
                  std::string(text, ValueText::decimal(value, text)), true);
}

inline void markupReal(MarkupFactory& writer, Field field, float value)
{
    char text[ValueText::FLOAT_CAPACITY];
    markupElement(writer, MarkupFactory::BT_REAL, NAME[field],
                  std::string(text, ValueText::shortestFloat(value, text)), true);
}

} // namespace

void markupUpstreamPacket(const lgw_pkt_rx_s& packet, MarkupFactory& writer, const std::string& messageType,
                          std::string& payloadText)
{
    markupElement(writer, MarkupFactory::BT_SEQUENCE, EMPTY, EMPTY, false);
    markupElement(writer, MarkupFactory::BT_STRING, TYPE, messageType, true);
    markupElement(writer, MarkupFactory::BT_SEQUENCE, DATA, EMPTY, false);

    markupUnsigned(writer, FIELD_FREQ_HZ, packet.freq_hz);
    markupUnsigned(writer, FIELD_IF_CHAIN, packet.if_chain);
    markupUnsigned(writer, FIELD_STATUS, packet.status);
    markupUnsigned(writer, FIELD_COUNT_US, packet.count_us);
    markupUnsigned(writer, FIELD_RF_CHAIN, packet.rf_chain);
    markupUnsigned(writer, FIELD_MODULATION, packet.modulation);
    markupUnsigned(writer, FIELD_BANDWIDTH, packet.bandwidth);
    markupUnsigned(writer, FIELD_DATARATE, packet.datarate);
    markupUnsigned(writer, FIELD_CODERATE, packet.coderate);
    markupReal(writer, FIELD_RSSI, packet.rssi);
    markupReal(writer, FIELD_SNR, packet.snr);
    markupReal(writer, FIELD_SNR_MIN, packet.snr_min);
    markupReal(writer, FIELD_SNR_MAX, packet.snr_max);
    markupUnsigned(writer, FIELD_CRC, packet.crc);
    markupUnsigned(writer, FIELD_SIZE, packet.size);

    // A size beyond the payload array is outside the HAL's contract; never read past the array.
    const unsigned int size = packet.size > PAYLOAD_CAPACITY ? PAYLOAD_CAPACITY : packet.size;
    const Zel::Utility::OctetBuffer payload(packet.payload, size);
    markupElement(writer, MarkupFactory::BT_OCTET_STRING, NAME[FIELD_PAYLOAD],
                  payload.getHexString(payloadText, true), true);

    writer.closeAllOpenMarkups();
}

} // namespace LoRaWANServer
