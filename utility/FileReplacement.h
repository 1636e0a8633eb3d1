//
// FileReplacement.h
//
// Library: Zel_Utility
// Package: Files
// Module:  FileReplacement
//
// Definition of the FileReplacement class: files replaced whole.
//

#ifndef Zel_Utility_FileReplacement_INCLUDED
#define Zel_Utility_FileReplacement_INCLUDED

#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace Zel
{
namespace Utility
{

class FileReplacement
/// Writes a file as a whole: into a fresh hidden file beside it (".name."
/// and six random characters, which no "*.ext" pattern matches), which is
/// then renamed over it, so that a reader finds either the previous content
/// or the new one, never a part of one.
{
public:
    enum Durability
    {
        AS_THE_SYSTEM_LIKES,
        /// The new content may reach the disk later.

        ON_DISK
        /// The new content and its name are on the disk when write() returns,
        /// so that a power cut leaves the previous file or the new one.
    };

    class Source
    /// Content that a write takes piece by piece, so that a long content
    /// never lies whole in memory.
    {
    public:
        virtual ~Source() = default;

        virtual bool next(std::string& piece) = 0;
        /// Replaces piece with the next part of the content and returns
        /// true, or returns false when the content is done.
    };

    static void write(const std::string& path, const std::vector<std::string_view>& pieces, mode_t mode,
                      Durability durability, Source* pMore = nullptr);
    /// Replaces the file at path with the pieces, one after the other, then
    /// every piece of pMore when one is given, with the permissions mode
    /// (whatever the umask). Throws std::runtime_error saying which step
    /// failed and why; the hidden file is removed then and the file at path
    /// is left as it was.
};

} // namespace Utility
} // namespace Zel

#endif // Zel_Utility_FileReplacement_INCLUDED
