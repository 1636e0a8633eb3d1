//
// UpstreamPacketDocument.cpp
//
// WorkerThread::markupUpstreamPkt(): one received packet as one document.
//
// The document is a nameless root object holding "type" and "data"; "data"
// holds every field of the HAL's record, in the record's order, each value as
// text: integers in decimal, the signal-quality floats in their shortest
// notation (ValueText), the payload in hexadecimal.
//

#include "markup/MarkupFactory.h"
#include "markup/ValueText.h"
#include "utility/OctetBuffer.h"
#include "worker/WorkerThread.h"

#include <string>

namespace LoRaWANServer
{

namespace
{

using Zel::BACnet::WS::MarkupFactory;

const unsigned int PAYLOAD_CAPACITY = sizeof(lgw_pkt_rx_s::payload);

// The element names, made once rather than for every packet.
const std::string EMPTY;
const std::string TYPE = "type";
const std::string DATA = "data";
const std::string FREQ_HZ = "freq_hz";
const std::string IF_CHAIN = "if_chain";
const std::string STATUS = "status";
const std::string COUNT_US = "count_us";
const std::string RF_CHAIN = "rf_chain";
const std::string MODULATION = "modulation";
const std::string BANDWIDTH = "bandwidth";
const std::string DATARATE = "datarate";
const std::string CODERATE = "coderate";
const std::string RSSI = "rssi";
const std::string SNR = "snr";
const std::string SNR_MIN = "snr_min";
const std::string SNR_MAX = "snr_max";
const std::string CRC = "crc";
const std::string SIZE = "size";
const std::string PAYLOAD = "payload";

// These helpers are inlined into markupUpstreamPkt(): a call of their own per
// element would cost about as much again as handing markup() its arguments.
[[gnu::always_inline]] inline void markupElement(MarkupFactory& writer, MarkupFactory::BaseType baseType,
                                                 const std::string& name, const std::string& value,
                                                 bool closeImmediately)
{
    writer.markup(baseType, name, value, closeImmediately, false, Zel::BACnet::BACNET_DT_NULL, false, EMPTY,
                  0, EMPTY, EMPTY, EMPTY, false, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, false);
}

[[gnu::always_inline]] inline void markupUnsigned(MarkupFactory& writer, const std::string& name,
                                                  Poco::UInt32 value)
{
    char text[ValueText::DECIMAL_CAPACITY];
    markupElement(writer, MarkupFactory::BT_UNSIGNED, name,
                  std::string(text, ValueText::decimal(value, text)), true);
}

[[gnu::always_inline]] inline void markupReal(MarkupFactory& writer, const std::string& name, float value)
{
    char text[ValueText::FLOAT_CAPACITY];
    markupElement(writer, MarkupFactory::BT_REAL, name,
                  std::string(text, ValueText::shortestFloat(value, text)), true);
}

} // namespace

void WorkerThread::markupUpstreamPkt(const lgw_pkt_rx_s& packet, MarkupFactory& writer,
                                     const std::string& messageType)
{
    markupElement(writer, MarkupFactory::BT_SEQUENCE, EMPTY, EMPTY, false);
    markupElement(writer, MarkupFactory::BT_STRING, TYPE, messageType, true);
    markupElement(writer, MarkupFactory::BT_SEQUENCE, DATA, EMPTY, false);

    markupUnsigned(writer, FREQ_HZ, packet.freq_hz);
    markupUnsigned(writer, IF_CHAIN, packet.if_chain);
    markupUnsigned(writer, STATUS, packet.status);
    markupUnsigned(writer, COUNT_US, packet.count_us);
    markupUnsigned(writer, RF_CHAIN, packet.rf_chain);
    markupUnsigned(writer, MODULATION, packet.modulation);
    markupUnsigned(writer, BANDWIDTH, packet.bandwidth);
    markupUnsigned(writer, DATARATE, packet.datarate);
    markupUnsigned(writer, CODERATE, packet.coderate);
    markupReal(writer, RSSI, packet.rssi);
    markupReal(writer, SNR, packet.snr);
    markupReal(writer, SNR_MIN, packet.snr_min);
    markupReal(writer, SNR_MAX, packet.snr_max);
    markupUnsigned(writer, CRC, packet.crc);
    markupUnsigned(writer, SIZE, packet.size);

    // A size beyond the payload array is outside the HAL's contract; never read past the array.
    const unsigned int size = packet.size > PAYLOAD_CAPACITY ? PAYLOAD_CAPACITY : packet.size;
    const Zel::Utility::OctetBuffer payload(packet.payload, size);
    markupElement(writer, MarkupFactory::BT_OCTET_STRING, PAYLOAD, payload.getHexString(_payloadText, true),
                  true);

    writer.closeAllOpenMarkups();
}

} // namespace LoRaWANServer
