//
// ProcessExit.cpp
//
// Implementation of the ProcessExit class.
//

#include "utility/ProcessExit.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <unistd.h>

namespace Zel
{
namespace Utility
{

namespace
{

std::atomic<ProcessExit::Handler> installedHandler{nullptr};

} // namespace

void ProcessExit::exitProcess(int status)
{
    if (Handler handler = installedHandler.load())
    {
        handler(status);
        std::abort(); // a handler that returns breaks its contract
    }
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    ::_exit(status);
}

ProcessExit::Handler ProcessExit::setHandler(Handler handler)
{
    return installedHandler.exchange(handler);
}

} // namespace Utility
} // namespace Zel
