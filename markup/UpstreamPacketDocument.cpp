//
// UpstreamPacketDocument.cpp
//
// WorkerThread::markupUpstreamPkt(): one received packet as one document.
//
// The document is a nameless root object holding "type" and "data"; "data"
// holds every field of the HAL's record, in the record's order, each value as
// text: integers in decimal, the signal-quality floats in their shortest
// notation, the payload in hexadecimal.
//

#include "markup/MarkupFactory.h"
#include "utility/OctetBuffer.h"
#include "worker/WorkerThread.h"

#include <Poco/NumericString.h>

#include <string>

namespace LoRaWANServer
{

namespace
{

using Zel::BACnet::WS::MarkupFactory;

const std::size_t DECIMAL_BUFFER_SIZE = 65;
const int FLOAT_BUFFER_SIZE = 780;
const int FLOAT_LOWEST_PLAIN_EXPONENT = -6;
const int FLOAT_HIGHEST_PLAIN_EXPONENT = 6;
const unsigned int PAYLOAD_CAPACITY = sizeof(lgw_pkt_rx_s::payload);

std::string decimalText(Poco::UInt32 value)
{
    char buffer[DECIMAL_BUFFER_SIZE];
    std::size_t size = sizeof(buffer);
    Poco::uIntToStr(value, 10, buffer, size);
    return std::string(buffer, size);
}

std::string floatText(float value)
{
    char buffer[FLOAT_BUFFER_SIZE];
    Poco::floatToStr(buffer, FLOAT_BUFFER_SIZE, value, FLOAT_LOWEST_PLAIN_EXPONENT,
                     FLOAT_HIGHEST_PLAIN_EXPONENT);
    return std::string(buffer);
}

void markupElement(MarkupFactory& writer, MarkupFactory::BaseType baseType, const std::string& name,
                   const std::string& value, bool closeImmediately)
{
    static const std::string NONE;
    writer.markup(baseType, name, value, closeImmediately, false, Zel::BACnet::BACNET_DT_NULL, false, NONE, 0,
                  NONE, NONE, NONE, false, NONE, NONE, NONE, NONE, NONE, NONE, false);
}

void markupUnsigned(MarkupFactory& writer, const std::string& name, Poco::UInt32 value)
{
    markupElement(writer, MarkupFactory::BT_UNSIGNED, name, decimalText(value), true);
}

void markupReal(MarkupFactory& writer, const std::string& name, float value)
{
    markupElement(writer, MarkupFactory::BT_REAL, name, floatText(value), true);
}

} // namespace

void WorkerThread::markupUpstreamPkt(const lgw_pkt_rx_s& packet, MarkupFactory& writer,
                                     const std::string& messageType)
{
    static const std::string EMPTY;
    markupElement(writer, MarkupFactory::BT_SEQUENCE, EMPTY, EMPTY, false);
    markupElement(writer, MarkupFactory::BT_STRING, "type", messageType, true);
    markupElement(writer, MarkupFactory::BT_SEQUENCE, "data", EMPTY, false);

    markupUnsigned(writer, "freq_hz", packet.freq_hz);
    markupUnsigned(writer, "if_chain", packet.if_chain);
    markupUnsigned(writer, "status", packet.status);
    markupUnsigned(writer, "count_us", packet.count_us);
    markupUnsigned(writer, "rf_chain", packet.rf_chain);
    markupUnsigned(writer, "modulation", packet.modulation);
    markupUnsigned(writer, "bandwidth", packet.bandwidth);
    markupUnsigned(writer, "datarate", packet.datarate);
    markupUnsigned(writer, "coderate", packet.coderate);
    markupReal(writer, "rssi", packet.rssi);
    markupReal(writer, "snr", packet.snr);
    markupReal(writer, "snr_min", packet.snr_min);
    markupReal(writer, "snr_max", packet.snr_max);
    markupUnsigned(writer, "crc", packet.crc);
    markupUnsigned(writer, "size", packet.size);

    // A size beyond the payload array is outside the HAL's contract; never read past the array.
    const unsigned int size = packet.size > PAYLOAD_CAPACITY ? PAYLOAD_CAPACITY : packet.size;
    const Zel::Utility::OctetBuffer payload(packet.payload, size);
    std::string hexText;
    markupElement(writer, MarkupFactory::BT_OCTET_STRING, "payload", payload.getHexString(hexText, true),
                  true);

    writer.closeAllOpenMarkups();
}

} // namespace LoRaWANServer
