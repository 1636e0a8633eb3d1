//
// BacklogFile.h
//
// Library: LoRaWANServer_Worker
// Package: Forwarding
// Module:  BacklogFile
//
// Definition of the BacklogFile class: the frames left at a stop, kept for
// the next start.
//

#ifndef LoRaWANServer_BacklogFile_INCLUDED
#define LoRaWANServer_BacklogFile_INCLUDED

#include "worker/forwarding/FrameBacklog.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace LoRaWANServer
{

class BacklogFile
/// The file that keeps the frames of a backlog from a stop to the next
/// start: the frames exactly as they go on the wire, each document followed
/// by its form feed. It is written beside its path with mode 0600, synced and
/// renamed over it, so that a start never reads half a file, and removed once
/// loaded, so that its frames are sent once.
{
public:
    struct Loaded
    /// What load() found.
    {
        bool found = false;
        /// The file existed and could be read.

        std::size_t frames = 0;
        /// Whole documents added to the backlog.

        std::size_t overflow = 0;
        /// Frames the backlog dropped for lack of room meanwhile.

        std::size_t damaged = 0;
        std::size_t damagedBytes = 0;
        /// Pieces that were not a whole document (a cut or damaged file), and
        /// their bytes: dropped.

        std::string problem;
        /// Not empty: the file could not be read or removed, and why.
    };

    explicit BacklogFile(const std::string& path);

    const std::string& path() const;

    Loaded load(FrameBacklog& backlog);
    /// Adds the whole documents of the file to backlog, in their order,
    /// queued when the file was written, and removes the file. A missing file
    /// adds nothing; what is not a whole document is dropped and counted.
    /// Never throws for the file's content.

    void store(const FrameBacklog& backlog, std::size_t first) const;
    /// Replaces the file with the frames of backlog from the first on; when
    /// there are none, removes it. Throws std::runtime_error saying what
    /// failed; the previous file is then left as it was.

    static bool isWholeDocument(std::string_view text);
    /// Returns true when text is one document of a received packet exactly
    /// as the service writes it (without its form feed): the message type,
    /// then the sixteen members of "data" in their order, each a string of
    /// the characters its kind allows.

private:
    std::string _path;
};

inline const std::string& BacklogFile::path() const
{
    return _path;
}

} // namespace LoRaWANServer

#endif // LoRaWANServer_BacklogFile_INCLUDED
