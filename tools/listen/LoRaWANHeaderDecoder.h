//
// LoRaWANHeaderDecoder.h
//
// Library: LoRaWANServer_Listen
// Package: Table
// Module:  LoRaWANHeaderDecoder
//
// Definition of the LoRaWANHeaderDecoder class, which reads the LoRaWAN
// header out of a payload given as hexadecimal text.
//

#ifndef LoRaWANListen_LoRaWANHeaderDecoder_INCLUDED
#define LoRaWANListen_LoRaWANHeaderDecoder_INCLUDED

#include "tools/listen/LoRaWANHeader.h"

#include <string_view>

namespace LoRaWANListen
{

class LoRaWANHeaderDecoder
/// Decodes the LoRaWAN 1.0/1.1 header of a received payload. The layouts:
/// data frames MHDR(1) DevAddr(4) FCtrl(1) FCnt(2) FOpts(0..15) [FPort(1)
/// FRMPayload] MIC(4); join requests MHDR(1) JoinEUI(8) DevEUI(8) DevNonce(2)
/// MIC(4); join accepts MHDR(1) and 16 or 32 encrypted bytes; rejoin requests
/// at least 19 bytes. Multi-byte fields are sent least significant byte first.
/// Never reads beyond the text it is given.
{
public:
    static LoRaWANHeader decode(std::string_view hexPayload);
    /// Decodes the payload written as hexadecimal text (two digits per byte,
    /// either case, no separators). Returns a header whose status says how far
    /// the decoding got. Throws nothing.
};

} // namespace LoRaWANListen

#endif // LoRaWANListen_LoRaWANHeaderDecoder_INCLUDED
