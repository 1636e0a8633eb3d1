//
// Process.h
//
// Library: Zel_Utility
// Package: Processes
// Module:  Process
//
// Definition of the Process class: finding other instances of a program.
//

#ifndef Zel_Utility_Process_INCLUDED
#define Zel_Utility_Process_INCLUDED

#include <string>

namespace Zel
{
namespace Utility
{

class Process
/// Looks for other running instances of a program.
{
public:
    static int isRunning(const std::string& name, int ownId);
    /// Returns the process id of another live process whose short invocation
    /// name (the last path component of its argv[0]) is name, or -1 when
    /// there is none. Zombies and the process ownId are never reported.
    ///
    /// When ownId is the calling process, the answer is race-free and holds
    /// across users and whatever /proc lets us see: the call takes an
    /// exclusive lock on the instance lock file of name (see lockFilePath())
    /// and holds it for the rest of the process's life, so that of any number
    /// of simultaneous callers exactly one gets -1 and the others get the
    /// holder's pid, which the kernel reports with the lock. The file is open
    /// to every user (mode 0666), so that a file left behind by another
    /// user's instance never stands in the way. A symbolic link or a file with
    /// more than one name is never used; then, and when the file cannot be
    /// opened for writing and nobody holds it, the answer comes from a scan of
    /// /proc alone.

    static int findByName(const std::string& name, int ownId);
    /// Scans /proc for a live process other than ownId whose short
    /// invocation name is name; returns its pid or -1.

    static std::string lockFilePath(const std::string& name);
    /// Returns the path of the instance lock file of the program name.

    static std::string invocationName(int pid);
    /// Returns the short invocation name of process pid (the last path
    /// component of its argv[0], read from /proc), or an empty string when
    /// it cannot be read (a kernel thread, a process that has gone).
};

} // namespace Utility
} // namespace Zel

#endif // Zel_Utility_Process_INCLUDED
