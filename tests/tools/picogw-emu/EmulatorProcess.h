//
// EmulatorProcess.h
//
// Test helper: the real picogw-emu binary as a child process.
//

#ifndef PicoGwEmuTest_EmulatorProcess_INCLUDED
#define PicoGwEmuTest_EmulatorProcess_INCLUDED

#include "TempDir.h"

#include <string>
#include <sys/types.h>
#include <vector>

namespace PicoGwEmuTest
{

class EmulatorProcess
/// picogw-emu run with the given arguments; standard output and error go to
/// files of dir.
{
public:
    EmulatorProcess(const TempDir& dir, const std::vector<std::string>& arguments);
    /// Starts the program. Does not wait for it to be ready.

    ~EmulatorProcess();
    /// Stops the program if it still runs.

    EmulatorProcess(const EmulatorProcess&) = delete;
    EmulatorProcess& operator=(const EmulatorProcess&) = delete;

    std::string waitReady();
    /// Waits for the pseudo-terminal's path on standard output and returns it;
    /// fails the test if it does not come.

    bool waitForLog(const std::string& text, unsigned occurrences = 1);
    /// Waits until standard error holds text at least occurrences times.

    int stop(int signal);
    /// Sends the signal and returns the exit status (128 + signal if killed).

    int waitExit();
    /// Waits for the program to end by itself and returns its exit status.

    std::string errors() const;
    /// Returns standard error so far.

private:
    std::string output() const;

    const TempDir& _dir;
    pid_t _pid;
    int _status;
};

} // namespace PicoGwEmuTest

#endif // PicoGwEmuTest_EmulatorProcess_INCLUDED
