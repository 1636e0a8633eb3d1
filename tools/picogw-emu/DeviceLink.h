//
// DeviceLink.h
//
// Definition of the DeviceLink class: a fixed path for the emulated device.
//

#ifndef PicoGwEmu_DeviceLink_INCLUDED
#define PicoGwEmu_DeviceLink_INCLUDED

#include <string>

namespace PicoGwEmu
{

class DeviceLink
/// A symbolic link from a chosen path to the pseudo-terminal, so that the host
/// can be given a stable device path. Replaces an existing symbolic link, never
/// anything else; removed again on destruction if it still points to the
/// pseudo-terminal.
{
public:
    DeviceLink(const std::string& linkPath, const std::string& target);
    /// Creates (or atomically replaces) the link linkPath -> target.
    /// Throws Poco::FileExistsException if linkPath exists and is not a
    /// symbolic link, Poco::CreateFileException if the link cannot be made.

    ~DeviceLink();
    /// Removes the link unless something else has replaced it meanwhile.

    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

    const std::string& path() const;
    /// Returns the link's path.

private:
    std::string _linkPath;
    std::string _target;
};

} // namespace PicoGwEmu

#endif // PicoGwEmu_DeviceLink_INCLUDED
