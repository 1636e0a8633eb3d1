//
// EmulatorProcess.h
//
// Test helper: the real picogw-emu binary as a child process.
//

#ifndef PicoGwEmuTest_EmulatorProcess_INCLUDED
#define PicoGwEmuTest_EmulatorProcess_INCLUDED

#include "TestSupport.h"

#include <string>
#include <vector>

namespace PicoGwEmuTest
{

class EmulatorProcess : public TestSupport::ChildProcess
/// picogw-emu run with the given arguments; killed, if still running, when
/// destroyed.
{
public:
    explicit EmulatorProcess(const std::vector<std::string>& arguments);
    /// Starts the program. Does not wait for it to be ready.

    std::string waitReady() const;
    /// Waits for the pseudo-terminal's path on standard output and returns it;
    /// fails the test and returns "" if it does not come.

    int stop(int signalNumber);
    /// Sends the signal and returns the exit status (128 + signal if killed).

    int waitExit();
    /// Waits for the program to end by itself and returns its exit status;
    /// fails the test and returns -1 if it does not end.
};

} // namespace PicoGwEmuTest

#endif // PicoGwEmuTest_EmulatorProcess_INCLUDED
