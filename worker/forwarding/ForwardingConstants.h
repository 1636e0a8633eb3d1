//
// ForwardingConstants.h
//
// Library: LoRaWANServer_Worker
// Package: Forwarding
// Module:  ForwardingConstants
//
// Fixed values of the forwarding to the consumer.
//

#ifndef LoRaWANServer_ForwardingConstants_INCLUDED
#define LoRaWANServer_ForwardingConstants_INCLUDED

namespace LoRaWANServer
{

/// Attempts to forward the records of one pass, each on a fresh connection after a failure.
const int FORWARD_ATTEMPTS = 2;

} // namespace LoRaWANServer

#endif // LoRaWANServer_ForwardingConstants_INCLUDED
