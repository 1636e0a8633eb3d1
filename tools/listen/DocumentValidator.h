//
// DocumentValidator.h
//
// Library: LoRaWANServer_Listen
// Package: Documents
// Module:  DocumentValidator
//
// Definition of the DocumentValidator class, which decides whether a frame's
// text is a document the service could have sent and reads its packet fields.
//

#ifndef LoRaWANListen_DocumentValidator_INCLUDED
#define LoRaWANListen_DocumentValidator_INCLUDED

#include "tools/listen/PacketDocument.h"

#include <string>
#include <string_view>

namespace LoRaWANListen
{

class DocumentValidator
/// Checks one frame's text: it must be exactly one JSON object (nothing but
/// white space around it) with a "type" member whose value is a string and a
/// "data" member. When "data" is an object, its scalar members that carry the
/// packet's fields are kept in the PacketDocument; other members are allowed
/// and ignored. The text is read in one pass without building a tree, and
/// nesting depth costs no stack, so any input is safe.
{
public:
    static bool validate(std::string_view text, PacketDocument& document, std::string& error);
    /// Validates text. Returns true and fills document (cleared first) for a
    /// valid document; returns false and sets error to a one-line reason for
    /// anything else. The reason may quote bytes of text. Throws nothing but
    /// std::bad_alloc.
};

} // namespace LoRaWANListen

#endif // LoRaWANListen_DocumentValidator_INCLUDED
