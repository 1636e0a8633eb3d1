//
// Log.h
//
// Definition of the Log class: the emulator's diagnostic lines.
//

#ifndef PicoGwEmu_Log_INCLUDED
#define PicoGwEmu_Log_INCLUDED

#include <string>

namespace PicoGwEmu
{

class Log
/// Writes diagnostic lines, prefixed with the program name, to standard error:
/// events always, the trace of every command only when verbose.
{
public:
    explicit Log(bool verbose);
    /// Creates a log that traces commands if verbose is true.

    void info(const std::string& message) const;
    /// Writes an event line.

    void error(const std::string& message) const;
    /// Writes an error line.

    void trace(const std::string& message) const;
    /// Writes a trace line if the log is verbose.

    bool verbose() const;
    /// Returns true if commands are traced.

private:
    bool _verbose;
};

} // namespace PicoGwEmu

#endif // PicoGwEmu_Log_INCLUDED
