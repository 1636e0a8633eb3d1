//
// Log.cpp
//
// Implementation of the Log class.
//

#include "tools/picogw-emu/Log.h"

#include <iostream>

namespace PicoGwEmu
{

Log::Log(bool verbose) : _verbose(verbose) {}

void Log::info(const std::string& message) const
{
    std::cerr << "picogw-emu: " << message << std::endl;
}

void Log::error(const std::string& message) const
{
    std::cerr << "picogw-emu: error: " << message << std::endl;
}

void Log::trace(const std::string& message) const
{
    if (_verbose)
        std::cerr << "picogw-emu: " << message << '\n';
}

bool Log::verbose() const
{
    return _verbose;
}

} // namespace PicoGwEmu
