//
// TableFormatter.h
//
// Library: LoRaWANServer_Listen
// Package: Table
// Module:  TableFormatter
//
// Definition of the TableFormatter class, which writes one received packet as
// one aligned, human-readable line.
//

#ifndef LoRaWANListen_TableFormatter_INCLUDED
#define LoRaWANListen_TableFormatter_INCLUDED

#include "tools/listen/PacketDocument.h"

#include <Poco/LocalDateTime.h>

#include <string>

namespace LoRaWANListen
{

class TableFormatter
/// Turns the HAL's codes into words and units: local arrival time, frequency
/// in MHz, IF and RF chain, modulation (LoRa spreading factor and bandwidth,
/// or FSK bit rate), coding rate, RSSI, SNR, CRC status, payload size, and for
/// LoRa packets the LoRaWAN header read from the payload. A field that is
/// missing or not what the service writes shows as "?"; a field that means
/// nothing for the modulation (coding rate and SNR of FSK) shows as "-".
/// Nothing a peer sends reaches the terminal unchecked.
{
public:
    static std::string header();
    /// Returns the line of column titles, ended by a line end.

    static void appendLine(std::string& out, const PacketDocument& document,
                           const Poco::LocalDateTime& arrival);
    /// Appends the line for document, received at arrival, ended by a line end.
    /// A document of another message type than the service's gets a line that
    /// names that type. Throws nothing but std::bad_alloc.
};

} // namespace LoRaWANListen

#endif // LoRaWANListen_TableFormatter_INCLUDED
