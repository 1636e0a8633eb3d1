//
// PseudoTerminal.h
//
// Definition of the PseudoTerminal class: the serial device the host opens.
//

#ifndef PicoGwEmu_PseudoTerminal_INCLUDED
#define PicoGwEmu_PseudoTerminal_INCLUDED

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>

namespace PicoGwEmu
{

class PseudoTerminal
/// A pseudo-terminal pair: the host opens the device side (slavePath()) as its
/// USB serial port; the emulator reads and writes the controlling side. The
/// device side is set to raw mode, so that no byte is translated even before
/// the host configures the port.
{
public:
    PseudoTerminal();
    /// Opens a new pair.
    /// Throws Poco::SystemException if the system refuses one.

    ~PseudoTerminal();
    /// Closes the pair.

    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    int fd() const;
    /// Returns the controlling side's descriptor (non-blocking), for polling.

    const std::string& slavePath() const;
    /// Returns the device path the host opens (/dev/pts/N).

    bool hostConnected() const;
    /// Returns true while some process holds the device side open.

    ssize_t read(std::uint8_t* buffer, std::size_t size);
    /// Reads what the host wrote; returns the byte count, 0 if nothing is
    /// waiting, -1 on an error (errno set).

    ssize_t write(const std::uint8_t* data, std::size_t size);
    /// Writes towards the host; returns the byte count accepted, 0 if the device
    /// side's buffer is full, -1 on an error (errno set).

    bool hangUp();
    /// Hangs the device side up, as the kernel does when a USB serial device is
    /// disconnected: a host blocked in a read wakes with end of file, later
    /// reads give end of file and writes fail. Returns false if the system
    /// refuses (it takes CAP_SYS_ADMIN); closing the pair then wakes a blocked
    /// read with an I/O error instead.

    void discardHostData();
    /// Drops everything in transit in both directions: what the host wrote and
    /// the emulator has not read, and answers the host never read (a host that
    /// closes the device mid-exchange must not leave them to its successor).

private:
    int _master;
    std::string _slavePath;
};

} // namespace PicoGwEmu

#endif // PicoGwEmu_PseudoTerminal_INCLUDED
