//
// PidFile.cpp
//
// Implementation of the PidFile class.
//

#include "app/PidFile.h"

#include "utility/ProcessExit.h"

#include <Poco/Exception.h>

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace
{

const mode_t PID_FILE_MODE = 0644;

// The exit handler is a plain function: it finds the file and the handler it
// stands in front of here.
std::string writtenPath;
Zel::Utility::ProcessExit::Handler previousHandler = nullptr;

std::string ownPidLine()
{
    return std::to_string(::getpid()) + "\n";
}

/// A supervisor may have put another process's id there meanwhile: that file is not ours to remove.
void removeIfOurs(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return;
    char text[32];
    const ssize_t length = ::read(fd, text, sizeof(text));
    ::close(fd);
    if (length > 0 && std::string(text, static_cast<std::size_t>(length)) == ownPidLine())
        ::unlink(path.c_str());
}

} // namespace

PidFile::PidFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, PID_FILE_MODE);
    if (fd < 0)
        throw Poco::CreateFileException("Cannot write PID to file", path);
    const std::string line = ownPidLine();
    const bool written = ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
    if (::close(fd) != 0 || !written)
    {
        ::unlink(path.c_str());
        throw Poco::CreateFileException("Cannot write PID to file", path);
    }
    writtenPath = path;
    previousHandler = Zel::Utility::ProcessExit::setHandler(&PidFile::removeAndExit);
}

PidFile::~PidFile()
{
    Zel::Utility::ProcessExit::setHandler(previousHandler);
    removeIfOurs(writtenPath);
    writtenPath.clear();
}

void PidFile::removeAndExit(int status)
{
    removeIfOurs(writtenPath);
    Zel::Utility::ProcessExit::setHandler(previousHandler);
    Zel::Utility::ProcessExit::exitProcess(status);
}
