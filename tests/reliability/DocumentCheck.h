//
// DocumentCheck.h
//
// Checks of what reached a consumer: the bytes of one connection cut into
// frames, and whether a frame is one whole packet document.
//

#ifndef LoRaWANServer_DocumentCheck_INCLUDED
#define LoRaWANServer_DocumentCheck_INCLUDED

#include <string>
#include <vector>

namespace TestSupport
{

std::vector<std::string> splitFrames(const std::string& bytes, std::string& rest);
/// Returns the frames of bytes (each without its 0x0C) and sets rest to the
/// bytes after the last frame end.

std::string documentProblem(const std::string& frame);
/// Returns an empty text when frame is one whole document of a received
/// packet exactly as the service writes it (a JSON object with "type"
/// "message_upstream" and "data" holding the sixteen packet fields in their
/// order, every value a string, the payload as hexadecimal text of the given
/// size); otherwise says what is wrong.

std::string streamProblem(const std::string& bytes, bool mayEndInsideAFrame);
/// Returns an empty text when bytes, everything one connection brought, are
/// whole documents each followed by 0x0C (and, when mayEndInsideAFrame, a
/// beginning of one more document at the end: a consumer that went away may
/// have missed the rest); otherwise says what is wrong.

} // namespace TestSupport

#endif // LoRaWANServer_DocumentCheck_INCLUDED
