//
// DeviceLink.cpp
//
// Implementation of the DeviceLink class.
//

#include "tools/picogw-emu/DeviceLink.h"

#include <Poco/Exception.h>
#include <Poco/Format.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace PicoGwEmu
{

namespace
{

std::string linkTarget(const std::string& path)
{
    std::vector<char> buffer(PATH_MAX + 1);
    const ssize_t length = ::readlink(path.c_str(), buffer.data(), buffer.size() - 1);
    if (length < 0)
        return std::string();
    return std::string(buffer.data(), static_cast<std::size_t>(length));
}

} // namespace

DeviceLink::DeviceLink(const std::string& linkPath, const std::string& target)
    : _linkPath(linkPath), _target(target)
{
    struct stat status
    {
    };
    if (::lstat(linkPath.c_str(), &status) == 0 && !S_ISLNK(status.st_mode))
        throw Poco::FileExistsException("refusing to replace what is not a symbolic link", linkPath);

    // A new link renamed over the old one: the path never disappears for a host
    // that looks at it meanwhile.
    const std::string temporary = Poco::format("%s.%d.tmp", linkPath, static_cast<int>(::getpid()));
    ::unlink(temporary.c_str());
    if (::symlink(target.c_str(), temporary.c_str()) != 0)
        throw Poco::CreateFileException(
            Poco::format("cannot create link: %s", std::string(std::strerror(errno))), linkPath);
    if (::rename(temporary.c_str(), linkPath.c_str()) != 0)
    {
        const int error = errno;
        ::unlink(temporary.c_str());
        throw Poco::CreateFileException(
            Poco::format("cannot create link: %s", std::string(std::strerror(error))), linkPath);
    }
}

DeviceLink::~DeviceLink()
{
    if (linkTarget(_linkPath) == _target)
        ::unlink(_linkPath.c_str());
}

const std::string& DeviceLink::path() const
{
    return _linkPath;
}

} // namespace PicoGwEmu
