//
// CallRecorder.h
//
// Definition of the CallRecorder class: where the record of HAL calls goes.
//

#ifndef Sim_CallRecorder_INCLUDED
#define Sim_CallRecorder_INCLUDED

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace LoRaSim
{

class CallRecorder
/// Appends each record line to the record file, if one is open, and keeps
/// it in memory, if asked to. Not thread-safe: the concentrator serialises
/// the calls.
{
public:
    CallRecorder();
    /// Creates a recorder with no file that keeps nothing.

    void openFile(const std::string& path);
    /// Opens the record file for appending (creating it when it does not
    /// exist) in place of the previous one. Throws std::runtime_error with
    /// the path and the system's reason when it cannot be opened; the
    /// previous file stays in use then.

    void closeFile();
    /// Closes the record file, if one is open.

    void keepLines(bool keep);
    /// Keeps the lines written from now on in memory (true) or not.

    void write(const std::string& line);
    /// Appends the line and a line end to the file and flushes it, so that a
    /// reader sees each call as soon as it has returned.

    const std::vector<std::string>& lines() const;
    /// Returns the lines kept in memory, in the order they were written.

    void clearLines();
    /// Forgets the lines kept in memory.

private:
    struct FileCloser
    {
        void operator()(std::FILE* pFile) const;
    };

    std::unique_ptr<std::FILE, FileCloser> _pFile;
    bool _keepLines;
    std::vector<std::string> _lines;
};

} // namespace LoRaSim

#endif // Sim_CallRecorder_INCLUDED
