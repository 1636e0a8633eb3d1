//
// EmulatorProcess.cpp
//
// Implementation of the EmulatorProcess test helper.
//

#include "EmulatorProcess.h"

#include <gtest/gtest.h>

namespace PicoGwEmuTest
{

EmulatorProcess::EmulatorProcess(const std::vector<std::string>& arguments)
    : ChildProcess(TestSupport::binaryPath("picogw-emu"), arguments, {})
{
}

std::string EmulatorProcess::waitReady() const
{
    std::string device;
    const bool ready = TestSupport::waitFor(
        [&]
        {
            const std::string text = out();
            device = text.substr(0, text.find('\n'));
            return device.size() < text.size();
        });
    if (ready)
        return device;
    ADD_FAILURE() << "emulator not ready; its errors: " << err();
    return std::string();
}

int EmulatorProcess::stop(int signalNumber)
{
    signal(signalNumber);
    return waitExit();
}

int EmulatorProcess::waitExit()
{
    if (waitForExit())
        return exitStatus();
    ADD_FAILURE() << "emulator did not exit in time";
    return -1;
}

} // namespace PicoGwEmuTest
