//
// FileReplacement.cpp
//
// Implementation of the FileReplacement class.
//

#include "utility/FileReplacement.h"

#include <Poco/Path.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

namespace Zel
{
namespace Utility
{

namespace
{

// Pieces handed to the kernel by one write.
const std::size_t PIECES_PER_WRITE = 256;

std::string failure(const std::string& what)
{
    return what + ": " + std::strerror(errno);
}

std::string temporaryTemplate(const std::string& path)
{
    const Poco::Path target(path);
    Poco::Path temporary(target);
    temporary.setFileName("." + target.getFileName() + ".XXXXXX");
    return temporary.toString();
}

void writeAll(int fd, const std::vector<std::string_view>& pieces)
{
    std::vector<iovec> vector;
    for (std::size_t next = 0; next < pieces.size(); next += PIECES_PER_WRITE)
    {
        vector.clear();
        for (std::size_t i = next; i < std::min(pieces.size(), next + PIECES_PER_WRITE); ++i)
            vector.push_back(iovec{const_cast<char*>(pieces[i].data()), pieces[i].size()});
        std::size_t first = 0;
        while (first < vector.size())
        {
            const ssize_t written =
                ::writev(fd, vector.data() + first, static_cast<int>(vector.size() - first));
            if (written < 0 && errno == EINTR)
                continue;
            if (written < 0)
                throw std::runtime_error(failure("write"));
            // Past what was written: whole pieces, then part of one.
            std::size_t done = static_cast<std::size_t>(written);
            while (first < vector.size() && done >= vector[first].iov_len)
                done -= vector[first++].iov_len;
            if (first < vector.size())
            {
                vector[first].iov_base = static_cast<char*>(vector[first].iov_base) + done;
                vector[first].iov_len -= done;
            }
        }
    }
}

void syncFolder(const std::string& path)
{
    const std::string folder = Poco::Path(path).parent().toString();
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        throw std::runtime_error(failure("cannot open its folder"));
    const int synced = ::fsync(fd);
    ::close(fd);
    if (synced != 0)
        throw std::runtime_error(failure("cannot sync its folder"));
}

std::string writeTemporary(const std::string& path, const std::vector<std::string_view>& pieces, mode_t mode,
                           FileReplacement::Durability durability, FileReplacement::Source* pMore)
{
    std::string name = temporaryTemplate(path);
    std::vector<char> buffer(name.begin(), name.end());
    buffer.push_back('\0');
    const int fd = ::mkostemp(buffer.data(), O_CLOEXEC);
    if (fd < 0)
        throw std::runtime_error(failure("cannot create a file beside it"));
    name = buffer.data();
    try
    {
        if (::fchmod(fd, mode) != 0)
            throw std::runtime_error(failure("chmod"));
        writeAll(fd, pieces);
        std::string piece;
        while (pMore && pMore->next(piece))
            writeAll(fd, {piece});
        if (durability == FileReplacement::ON_DISK && ::fsync(fd) != 0)
            throw std::runtime_error(failure("sync"));
    }
    catch (...)
    {
        ::close(fd);
        ::unlink(name.c_str());
        throw;
    }
    if (::close(fd) != 0)
    {
        const std::string reason = failure("close");
        ::unlink(name.c_str());
        throw std::runtime_error(reason);
    }
    return name;
}

} // namespace

void FileReplacement::write(const std::string& path, const std::vector<std::string_view>& pieces, mode_t mode,
                            Durability durability, Source* pMore)
{
    const std::string temporary = writeTemporary(path, pieces, mode, durability, pMore);
    if (std::rename(temporary.c_str(), path.c_str()) != 0)
    {
        const std::string reason = failure("rename");
        ::unlink(temporary.c_str());
        throw std::runtime_error(reason);
    }
    if (durability == ON_DISK)
        syncFolder(path);
}

} // namespace Utility
} // namespace Zel
