//
// ProcessExit.h
//
// Library: Zel_Utility
// Package: Processes
// Module:  ProcessExit
//
// Definition of the ProcessExit class: ending the process from any thread.
//

#ifndef Zel_Utility_ProcessExit_INCLUDED
#define Zel_Utility_ProcessExit_INCLUDED

namespace Zel
{
namespace Utility
{

class ProcessExit
/// Ends the whole process from any thread.
///
/// exit() would run the destructors of static objects, among them Poco's
/// default thread pool, while the main thread still uses them: a crash or a
/// hang instead of an exit status. The process therefore ends with _exit()
/// once everything written so far has been flushed.
{
public:
    using Handler = void (*)(int status);

    [[noreturn]] static void exitProcess(int status);
    /// Flushes standard output and standard error (C and C++ streams) and
    /// ends the process with status. When a handler is installed, calls it
    /// instead; a handler must not return (it may throw).

    static Handler setHandler(Handler handler);
    /// Installs handler (null restores the default) and returns the previous
    /// one. For tests and fuzzers, which must survive an exit.
};

} // namespace Utility
} // namespace Zel

#endif // Zel_Utility_ProcessExit_INCLUDED
