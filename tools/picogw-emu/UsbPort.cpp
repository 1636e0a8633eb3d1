//
// UsbPort.cpp
//
// Implementation of the UsbPort class.
//

#include "tools/picogw-emu/UsbPort.h"

#include "tools/picogw-emu/DeviceLink.h"
#include "tools/picogw-emu/PseudoTerminal.h"

#include <Poco/Bugcheck.h>

namespace PicoGwEmu
{

UsbPort::UsbPort(const std::string& linkPath) : _linkPath(linkPath) {}

UsbPort::~UsbPort()
{
    release();
}

void UsbPort::plugIn()
{
    poco_assert(!pluggedIn());
    auto pTerminal = std::make_unique<PseudoTerminal>();
    if (!_linkPath.empty())
        _pLink = std::make_unique<DeviceLink>(_linkPath, pTerminal->slavePath());
    _pTerminal = std::move(pTerminal);
}

bool UsbPort::unplug()
{
    if (!pluggedIn())
        return true;
    // The link goes first: a host looking for the device must not find a path
    // to a terminal that is about to vanish.
    _pLink.reset();
    const bool hungUp = _pTerminal->hangUp();
    release();
    return hungUp;
}

void UsbPort::release()
{
    _pLink.reset();
    _pTerminal.reset();
}

bool UsbPort::pluggedIn() const
{
    return _pTerminal != nullptr;
}

PseudoTerminal& UsbPort::terminal() const
{
    poco_assert(pluggedIn());
    return *_pTerminal;
}

std::string UsbPort::describe() const
{
    poco_assert(pluggedIn());
    if (!_pLink)
        return _pTerminal->slavePath();
    return _pTerminal->slavePath() + " (link " + _pLink->path() + ")";
}

} // namespace PicoGwEmu
