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
/// the old one is hung up as on a USB disconnect, so that a host still holding
/// it reads end of file and cannot write, and the link is gone. Every plug-in
/// makes a new device, as a board re-enumerates after being pulled out.
{
public:
    explicit UsbPort(const std::string& linkPath);
    /// Creates an unplugged port; linkPath may be empty (no link).

    ~UsbPort();
    /// Removes the link and closes the device.

    UsbPort(const UsbPort&) = delete;
    UsbPort& operator=(const UsbPort&) = delete;

    void plugIn();
    /// Opens a new pseudo-terminal and points the link at it.
    /// Precondition: unplugged.
    /// Throws Poco::SystemException if no pseudo-terminal can be had, the
    /// exceptions of DeviceLink if the link cannot be made.

    bool unplug();
    /// Removes the link, hangs the device up and closes it. Returns false if
    /// the device could not be hung up (see PseudoTerminal::hangUp), true
    /// otherwise, and if unplugged already.

    bool pluggedIn() const;
    /// Returns true while a device exists.

    PseudoTerminal& terminal() const;
    /// Returns the current device.
    /// Precondition: pluggedIn().

    std::string describe() const;
    /// Returns the device path, and the link path if there is one, for log
    /// lines. Precondition: pluggedIn().

private:
    void release();

    std::string _linkPath;
    std::unique_ptr<PseudoTerminal> _pTerminal;
    std::unique_ptr<DeviceLink> _pLink;
};

} // namespace PicoGwEmu

#endif // PicoGwEmu_UsbPort_INCLUDED
