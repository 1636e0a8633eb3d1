//
// PacketDocument.h
//
// Library: LoRaWANServer_Listen
// Package: Documents
// Module:  PacketDocument
//
// Definition of the PacketDocument class, the parts of one received document
// that the tool shows and counts: its message type and the texts of the
// packet's fields.
//

#ifndef LoRaWANListen_PacketDocument_INCLUDED
#define LoRaWANListen_PacketDocument_INCLUDED

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace LoRaWANListen
{

class PacketDocument
/// The message type and the packet fields of one valid document, as texts,
/// exactly as they stood in the document (the service writes every value as a
/// JSON string). A field the document did not carry is absent. Reused from
/// frame to frame: clear() keeps the storage.
{
public:
    enum Field
    {
        FreqHz,
        IfChain,
        Status,
        CountUs,
        RfChain,
        Modulation,
        Bandwidth,
        Datarate,
        Coderate,
        Rssi,
        Snr,
        SnrMin,
        SnrMax,
        Crc,
        Size,
        Payload,
        FieldCount
    };

    static const char* fieldName(Field field);
    /// Returns the member name of field in the document's "data" object.
    /// Precondition: field < FieldCount.

    static bool findField(std::string_view name, Field& field);
    /// Looks up the field whose member name is name; returns false for a name
    /// the service does not write.

    void clear();
    /// Forgets the type and every field.

    void setType(std::string_view type);
    /// Sets the message type text.

    const std::string& type() const;
    /// Returns the message type text (empty until set).

    bool isUpstream() const;
    /// Returns true if the message type is the service's per-packet type.

    void setField(Field field, std::string_view text);
    /// Stores text as the value of field. Precondition: field < FieldCount.

    bool has(Field field) const;
    /// Returns true if the document carried field.

    const std::string& text(Field field) const;
    /// Returns the text of field; empty if it is absent.

    bool unsignedValue(Field field, std::uint32_t& value) const;
    /// Reads the text of field as an unsigned decimal number of at most 32
    /// bits (digits only). Returns false, leaving value alone, when the field
    /// is absent or its text is not such a number.

    bool realValue(Field field, double& value) const;
    /// Reads the text of field as a finite decimal number ("-57", "9.5",
    /// "1.5e-07"). Returns false, leaving value alone, when the field is
    /// absent or its text is not such a number.

private:
    std::string _type;
    std::array<std::string, FieldCount> _fields;
    std::array<bool, FieldCount> _present{};
};

} // namespace LoRaWANListen

#endif // LoRaWANListen_PacketDocument_INCLUDED
