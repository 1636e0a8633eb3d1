//
// UpstreamPacketDocument.h
//
// Library: LoRaWANServer_Worker
// Package: Forwarding
// Module:  UpstreamPacketDocument
//
// The document of one received packet, as the consumer receives it.
//

#ifndef LoRaWANServer_UpstreamPacketDocument_INCLUDED
#define LoRaWANServer_UpstreamPacketDocument_INCLUDED

#include "hal/HalApi.h"

#include <string>

namespace Zel
{
namespace BACnet
{
namespace WS
{
class MarkupFactory;
} // namespace WS
} // namespace BACnet
} // namespace Zel

namespace LoRaWANServer
{

void markupUpstreamPacket(const lgw_pkt_rx_s& packet, Zel::BACnet::WS::MarkupFactory& writer,
                          const std::string& messageType, std::string& payloadText);
/// Writes packet as one complete document of type messageType to writer: a
/// nameless root object holding "type" and "data"; "data" holds every field
/// of the HAL's record, in the record's order, each value as text (integers
/// in decimal, the signal-quality floats in their shortest notation, the
/// payload in upper-case hexadecimal). payloadText is the room for the
/// payload's text; it keeps its storage from one call to the next.

} // namespace LoRaWANServer

#endif // LoRaWANServer_UpstreamPacketDocument_INCLUDED
