//
// PacketReader.h
//
// Definition of the PacketReader class: packets from JSON lines.
//

#ifndef PicoGwEmu_PacketReader_INCLUDED
#define PicoGwEmu_PacketReader_INCLUDED

#include "tools/picogw-emu/Packet.h"

#include <istream>
#include <optional>
#include <string>
#include <vector>

namespace PicoGwEmu
{

class PacketReader
/// Reads packets written as JSON objects, one per line, with the field names of
/// the host's received-packet record: "freq_hz", "if_chain", "status",
/// "count_us", "rf_chain", "modulation", "bandwidth", "datarate", "coderate",
/// "rssi", "snr", "snr_min", "snr_max", "crc", "size" (numbers) and "payload"
/// (hexadecimal text). A missing field is 0, a missing "count_us" is stamped
/// when the packet is handed over, a missing "size" is the payload's length.
/// Blank lines are skipped.
{
public:
    static std::optional<Packet> parseLine(const std::string& line);
    /// Returns the packet a line describes, or nothing for a blank line.
    /// Throws Poco::SyntaxException for a line that is not a JSON object, and
    /// Poco::DataFormatException for an unknown field, a value out of its
    /// field's range or of the wrong type, a payload that is not hexadecimal
    /// text, or a size above MAX_PAYLOAD_SIZE.

    static std::vector<Packet> read(std::istream& input, const std::string& sourceName);
    /// Returns every packet of the stream, in order.
    /// Throws Poco::DataException (SyntaxException or DataFormatException) whose
    /// message names the source and the line number of the first bad line.

    static std::vector<Packet> readFile(const std::string& path);
    /// Returns every packet of the file, in order.
    /// Throws Poco::OpenFileException if the file cannot be opened, or the
    /// exceptions of read().
};

} // namespace PicoGwEmu

#endif // PicoGwEmu_PacketReader_INCLUDED
