//
// FormattedText.h
//
// Library: LoRaWANServer_Listen
// Package: Statistics
// Module:  FormattedText
//
// The printf-style formatting of the statistics' lines.
//

#ifndef LoRaWANListen_FormattedText_INCLUDED
#define LoRaWANListen_FormattedText_INCLUDED

#include <string>

namespace LoRaWANListen
{

std::string formattedText(const char* pattern, ...) __attribute__((format(printf, 1, 2)));
/// Returns the text printf would write for pattern and the arguments, cut at
/// 255 characters.

} // namespace LoRaWANListen

#endif // LoRaWANListen_FormattedText_INCLUDED
