//
// LogHelper.h
//
// Library: Zel_Utility
// Package: Logging
// Module:  LogHelper
//
// Definition of the LogHelper class: time stamps and log lines.
//

#ifndef Zel_Utility_LogHelper_INCLUDED
#define Zel_Utility_LogHelper_INCLUDED

#include <string>

namespace Zel
{
namespace Utility
{

class LogHelper
/// Time stamps that open every log line, and the writing of such lines.
{
public:
    static std::string timeStamp(bool utc);
    /// Returns the current time as sortable text with milliseconds,
    /// "YYYY-MM-DD hh:mm:ss.mmm", in local time (utc false) or in UTC.

    static void log(const std::string& message);
    /// Writes one log line to standard output: the local time stamp, the
    /// message (which by convention begins with a blank) and a line end,
    /// then flushes. The line is handed to the stream in one piece so that
    /// lines from different threads never interleave.

    static void writeLine(const std::string& text);
    /// Writes text and a line end to standard output in one piece and
    /// flushes; for the few lines that carry no time stamp.

    static std::string withoutTimeStamp(const std::string& text);
    /// Returns text without the time stamp, and the blanks after it, that
    /// it begins with; text unchanged when it begins with none.
};

} // namespace Utility
} // namespace Zel

#endif // Zel_Utility_LogHelper_INCLUDED
