//
// MetricsFile.cpp
//
// Implementation of the MetricsFile class.
//

#include "worker/statistics/MetricsFile.h"

#include "utility/LogHelper.h"

#include <Poco/Path.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace LoRaWANServer
{

namespace
{

// The collector runs under a user of its own and must be able to read it.
const mode_t METRICS_FILE_MODE = 0644;

// A hidden name that no "*.prom" pattern of a collector matches.
std::string temporaryTemplate(const std::string& path)
{
    const Poco::Path target(path);
    Poco::Path temporary(target);
    temporary.setFileName("." + target.getFileName() + ".XXXXXX");
    return temporary.toString();
}

std::string failure(const std::string& what)
{
    return what + ": " + std::strerror(errno);
}

void writeAll(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size())
    {
        const ssize_t written = ::write(fd, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            throw std::runtime_error(failure("write"));
        done += static_cast<std::size_t>(written);
    }
}

} // namespace

MetricsFile::MetricsFile(const std::string& path) : _path(path) {}

bool MetricsFile::write(const std::string& text)
{
    return write(text, nullptr);
}

bool MetricsFile::write(const std::string& text, Source& more)
{
    return write(text, &more);
}

bool MetricsFile::write(const std::string& text, Source* pMore)
{
    try
    {
        const std::string temporary = writeTemporary(text, pMore);
        if (std::rename(temporary.c_str(), _path.c_str()) != 0)
        {
            const std::string reason = failure("rename");
            ::unlink(temporary.c_str());
            throw std::runtime_error(reason);
        }
    }
    catch (const std::runtime_error& exc)
    {
        reportFailure(exc.what());
        return false;
    }
    _failing = false;
    return true;
}

std::string MetricsFile::writeTemporary(const std::string& text, Source* pMore) const
{
    std::string name = temporaryTemplate(_path);
    std::vector<char> buffer(name.begin(), name.end());
    buffer.push_back('\0');
    const int fd = ::mkostemp(buffer.data(), O_CLOEXEC);
    if (fd < 0)
        throw std::runtime_error(failure("cannot create a file beside it"));
    name = buffer.data();
    try
    {
        if (::fchmod(fd, METRICS_FILE_MODE) != 0)
            throw std::runtime_error(failure("chmod"));
        writeAll(fd, text);
        std::string piece;
        while (pMore && pMore->next(piece))
            writeAll(fd, piece);
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

void MetricsFile::reportFailure(const std::string& reason)
{
    if (_failing)
        return;
    _failing = true;
    Zel::Utility::LogHelper::log(" WARNING: statistics: cannot write the metrics file " + _path + " (" +
                                 reason + "); the service goes on without it");
}

} // namespace LoRaWANServer
