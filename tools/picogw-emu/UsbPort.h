//
// UsbPort.h
//
// Definition of the UsbPort class: the board's USB connection, which can be
// pulled out and plugged in again.
//

#ifndef PicoGwEmu_UsbPort_INCLUDED
#define PicoGwEmu_UsbPort_INCLUDED

#include <memory>
#include <string>

namespace PicoGwEmu
{

class DeviceLink;
class PseudoTerminal;

class UsbPort
/// The board as the host's USB sees it. Plugged in, it is a pseudo-terminal
/// (with a link to it when a link path is given); unplugged, there is no device:
/// a host that still holds the old one open sees end of file and errors, and the
/// link is gone. Every plug-in makes a new device, as a board re-enumerates after
/// being pulled out.
{
public:
    explicit UsbPort(const std::string& linkPath);
    /// Creates an unplugged port; linkPath may be empty (no link).

    ~UsbPort();
    /// Unplugs the board.

    UsbPort(const UsbPort&) = delete;
    UsbPort& operator=(const UsbPort&) = delete;

    void plugIn();
    /// Opens a new pseudo-terminal and points the link at it.
    /// Precondition: unplugged.
    /// Throws Poco::SystemException if no pseudo-terminal can be had, the
    /// exceptions of DeviceLink if the link cannot be made.

    void unplug();
    /// Removes the link and closes the pseudo-terminal. Does nothing if
    /// unplugged.

    bool pluggedIn() const;
    /// Returns true while a device exists.

    PseudoTerminal& terminal() const;
    /// Returns the current device.
    /// Precondition: pluggedIn().

    std::string describe() const;
    /// Returns the device path, and the link path if there is one, for log
    /// lines. Precondition: pluggedIn().

private:
    std::string _linkPath;
    std::unique_ptr<PseudoTerminal> _pTerminal;
    std::unique_ptr<DeviceLink> _pLink;
};

} // namespace PicoGwEmu

#endif // PicoGwEmu_UsbPort_INCLUDED
