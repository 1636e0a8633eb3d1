//
// Isolation.h
//
// A private /dev/shm, log folder and process table for the test programs that
// start the service or the consumer, so that a test never meets the machine's
// socket, instance lock, log file or processes, and leaves nothing running.
//

#ifndef LoRaWANServer_Isolation_INCLUDED
#define LoRaWANServer_Isolation_INCLUDED

namespace TestSupport
{

/// The folder of the service's log file.
extern const char* const LOG_DIRECTORY;

bool isolateThisProgram();
/// Moves the program into a mount namespace of its own (inside a user
/// namespace when it may not make one otherwise) with an empty tmpfs on
/// /dev/shm and an empty log folder; what it starts later shares them. As
/// root the program also forks into a process namespace of its own, whose
/// /proc shows only its processes and whose end kills all of them: the
/// original waits and ends as the copy, which runs the tests, ended. Call it
/// once, before main, while the program has a single thread. Returns true
/// when the paths are private; otherwise says on standard error what failed
/// and that the tests take FixedPathsLock on the machine's own paths instead.

bool fixedPathsArePrivate();
/// Returns true when isolateThisProgram() has made the fixed paths private.

} // namespace TestSupport

#endif // LoRaWANServer_Isolation_INCLUDED
