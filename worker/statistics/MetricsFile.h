//
// MetricsFile.h
//
// Library: LoRaWANServer_Worker
// Package: Statistics
// Module:  MetricsFile
//
// Definition of the MetricsFile class: a text file replaced whole at every write.
//

#ifndef LoRaWANServer_MetricsFile_INCLUDED
#define LoRaWANServer_MetricsFile_INCLUDED

#include "utility/FileReplacement.h"

#include <string>

namespace LoRaWANServer
{

class MetricsFile
/// The file that node_exporter's textfile collector (or any other reader)
/// reads the service's metrics from. Every write goes to a fresh temporary
/// file beside it, which is then renamed over it, so that a reader finds
/// either the previous text or the new one, never a part of one.
///
/// A file that cannot be written never fails the service: the first failure
/// writes one warning line, and further failures stay silent until a write
/// has succeeded again.
{
public:
    using Source = Zel::Utility::FileReplacement::Source;
    /// Text that a write takes piece by piece, so that a long text never lies
    /// whole in memory.

    explicit MetricsFile(const std::string& path);
    /// Creates the writer of the file at path; writes nothing yet.

    bool write(const std::string& text);
    /// Replaces the file's content with text, readable by every user (the
    /// collector runs as a user of its own). Returns false, after the
    /// warning line where one is due, when it could not.

    bool write(const std::string& text, Source& more);
    /// As write(text), the file's content being text and then every piece of
    /// more.

    const std::string& path() const;

private:
    bool write(const std::string& text, Source* pMore);
    void reportFailure(const std::string& reason);

    std::string _path;
    bool _failing = false;
};

inline const std::string& MetricsFile::path() const
{
    return _path;
}

} // namespace LoRaWANServer

#endif // LoRaWANServer_MetricsFile_INCLUDED
