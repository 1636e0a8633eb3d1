//
// CallRecorder.h
//
// Definition of the CallRecorder class: where the record of HAL calls goes.
//

#ifndef Sim_CallRecorder_INCLUDED
#define Sim_CallRecorder_INCLUDED

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace LoRaSim
{

class CallRecorder
/// Appends each record line to the record file, if one is open, and keeps
/// it in memory, if asked to. A run of receive calls that returned nothing
/// (a poller's usual call) becomes one line:
///     {"call":"lgw_receive","calls":N,"last_us":T,"gap_max_us":G,"result":0,"time_us":F}
/// with the time of its first call (F) and of its last (T) and the longest
/// time between two of its calls (G), written when the next line is, or when
/// the file is closed. Not thread-safe: the concentrator serialises the
/// calls.
{
public:
    CallRecorder();
    /// Creates a recorder with no file that keeps nothing.

    void openFile(const std::string& path);
    /// Opens the record file for appending (creating it when it does not
    /// exist) in place of the previous one, which gets the run of empty
    /// receive calls first. Throws std::runtime_error with the path and the
    /// system's reason when it cannot be opened; the previous file stays in
    /// use then.

    void closeFile();
    /// Writes the run of empty receive calls, then closes the record file,
    /// if one is open.

    void keepLines(bool keep);
    /// Keeps the lines written from now on in memory (true) or not.

    void write(const std::string& line);
    /// Appends the run of empty receive calls, if any, then the line and a
    /// line end to the file and flushes it, so that a reader sees each call
    /// as soon as it has returned.

    void writeEmptyReceive(std::uint64_t timeMicros);
    /// Counts a receive call made at timeMicros that returned nothing.

    const std::vector<std::string>& lines() const;
    /// Returns the lines kept in memory, in the order they were written.

    void clearLines();
    /// Forgets the lines kept in memory.

private:
    struct FileCloser
    {
        void operator()(std::FILE* pFile) const;
    };

    struct EmptyRun
    {
        std::uint64_t calls = 0;
        std::uint64_t firstMicros = 0;
        std::uint64_t lastMicros = 0;
        std::uint64_t gapMaxMicros = 0;
    };

    void writeEmptyRun();
    void append(const std::string& line);

    std::unique_ptr<std::FILE, FileCloser> _pFile;
    EmptyRun _emptyRun;
    bool _keepLines;
    std::vector<std::string> _lines;
};

} // namespace LoRaSim

#endif // Sim_CallRecorder_INCLUDED
