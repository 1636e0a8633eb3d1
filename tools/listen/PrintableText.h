//
// PrintableText.h
//
// Library: LoRaWANServer_Listen
// Package: Table
// Module:  PrintableText
//
// Definition of the PrintableText class, which makes untrusted bytes safe to
// show on a terminal.
//

#ifndef LoRaWANListen_PrintableText_INCLUDED
#define LoRaWANListen_PrintableText_INCLUDED

#include <cstddef>
#include <string>
#include <string_view>

namespace LoRaWANListen
{

class PrintableText
/// Writes bytes received from a peer in a form that cannot move the cursor,
/// change colours or otherwise act on a terminal.
{
public:
    static std::string escape(std::string_view bytes, std::size_t maxBytes);
    /// Returns at most the first maxBytes bytes of bytes with printable ASCII
    /// kept, a backslash doubled and every other byte written as \xNN; "..." is
    /// appended when bytes was longer than maxBytes.
};

} // namespace LoRaWANListen

#endif // LoRaWANListen_PrintableText_INCLUDED
