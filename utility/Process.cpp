//
// Process.cpp
//
// Implementation of the Process class.
//
// The comm field of /proc is cut to 15 characters, so two programs whose
// names share their first 15 characters would look alike there and a longer
// name would never match: names are taken from argv[0] in /proc/PID/cmdline.
//

#include "utility/Process.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace Zel
{
namespace Utility
{

namespace
{

const char* const LOCK_DIRECTORY = "/dev/shm/";
const char* const LOCK_SUFFIX = ".lock";
const int NO_PROCESS = -1;
const int LOCK_ATTEMPTS = 20;
const mode_t LOCK_FILE_MODE = 0666;

bool isZombie(int pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line))
        return true; // gone already
    // The state follows the command in parentheses, which may itself hold ')'.
    const std::string::size_type close = line.rfind(')');
    if (close == std::string::npos || close + 2 >= line.size())
        return true;
    const char state = line[close + 2];
    return state == 'Z' || state == 'X' || state == 'x';
}

int parsePid(const char* text)
{
    int pid = 0;
    for (const char* p = text; *p; ++p)
    {
        if (*p < '0' || *p > '9' || pid > 99999999)
            return NO_PROCESS;
        pid = pid * 10 + (*p - '0');
    }
    return pid > 0 ? pid : NO_PROCESS;
}

// The open lock file; deliberately never closed: closing any descriptor of the
// file would drop the lock, which must last as long as the process.
int lockFd = -1;

/// Opens the lock file with flags, creating it when it is missing. An existing
/// file is opened as it is, whoever owns it: in a sticky folder such as
/// /dev/shm, fs.protected_regular refuses an O_CREAT open of another user's
/// file even when its mode would admit us.
int openLockFile(const std::string& path, int flags)
{
    for (int attempt = 0; attempt < LOCK_ATTEMPTS; ++attempt)
    {
        const int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NOFOLLOW);
        if (fd >= 0 || errno != ENOENT)
            return fd;
        const int created =
            ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, LOCK_FILE_MODE);
        if (created >= 0)
            return created;
        if (errno != EEXIST)
            return -1;
        // Somebody else created it in between: open theirs.
    }
    return -1;
}

/// Only a regular file with no other name is used: in a shared folder anybody
/// could have put a link to something else there, and the holder writes into it.
bool isPlainFile(int fd)
{
    struct stat info;
    return ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_nlink == 1;
}

/// Every user's instance has to be able to take the lock: the file is open to
/// all whoever creates it, whatever the umask, and an older file of ours
/// with a narrower mode is widened.
void openToEveryone(int fd)
{
    struct stat info;
    if (::fstat(fd, &info) == 0 && info.st_uid == ::geteuid() && (info.st_mode & 07777) != LOCK_FILE_MODE)
        (void)::fchmod(fd, LOCK_FILE_MODE);
}

/// The pid of the process that holds a lock on the file, or -1 when none does
/// (or the holder is in a pid namespace we cannot see).
int lockHolder(int fd)
{
    struct flock holder;
    std::memset(&holder, 0, sizeof(holder));
    holder.l_type = F_WRLCK;
    holder.l_whence = SEEK_SET;
    if (::fcntl(fd, F_GETLK, &holder) == 0 && holder.l_type != F_UNLCK && holder.l_pid > 0)
        return holder.l_pid;
    return NO_PROCESS;
}

bool takeLock(int fd)
{
    struct flock request;
    std::memset(&request, 0, sizeof(request));
    request.l_type = F_WRLCK;
    request.l_whence = SEEK_SET;
    return ::fcntl(fd, F_SETLK, &request) == 0;
}

void writeOwnPid(int fd)
{
    const std::string text = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd, 0) == 0)
    {
        const ssize_t written = ::pwrite(fd, text.data(), text.size(), 0);
        (void)written; // the pid inside is for people; the lock itself is what counts
    }
}

const int UNUSABLE = -2;

/// A file we may not write (left by an older version under another user)
/// still tells who holds it; the lock itself cannot be ours.
int holderOfReadOnlyFile(const std::string& path)
{
    const int fd = openLockFile(path, O_RDONLY);
    if (fd < 0)
        return UNUSABLE;
    const int holder = isPlainFile(fd) ? lockHolder(fd) : NO_PROCESS;
    ::close(fd);
    return holder >= 0 ? holder : UNUSABLE;
}

/// Takes the instance lock, or learns who holds it. Returns -1 when the lock
/// is ours now, the holder's pid when another process holds it, and UNUSABLE
/// when the lock file cannot be used.
int acquireInstanceLock(const std::string& name)
{
    if (lockFd >= 0)
        return NO_PROCESS;
    if (name.empty() || name.find('/') != std::string::npos)
        return UNUSABLE;
    const std::string path = Process::lockFilePath(name);
    const int fd = openLockFile(path, O_RDWR);
    if (fd < 0)
        return errno == EACCES ? holderOfReadOnlyFile(path) : UNUSABLE;
    if (!isPlainFile(fd))
    {
        ::close(fd);
        return UNUSABLE;
    }
    openToEveryone(fd);

    for (int attempt = 0; attempt < LOCK_ATTEMPTS; ++attempt)
    {
        if (takeLock(fd))
        {
            lockFd = fd;
            writeOwnPid(fd);
            return NO_PROCESS;
        }
        if (errno != EACCES && errno != EAGAIN)
            break;
        const int holder = lockHolder(fd);
        if (holder >= 0)
        {
            ::close(fd);
            return holder;
        }
        // The holder let go between the two calls: try again.
    }
    ::close(fd);
    return UNUSABLE;
}

} // namespace

int Process::isRunning(const std::string& name, int ownId)
{
    if (ownId == static_cast<int>(::getpid()))
    {
        const int holder = acquireInstanceLock(name);
        if (holder == NO_PROCESS || holder >= 0)
            return holder;
    }
    return findByName(name, ownId);
}

int Process::findByName(const std::string& name, int ownId)
{
    DIR* pProc = ::opendir("/proc");
    if (!pProc)
        return NO_PROCESS;
    int found = NO_PROCESS;
    while (const struct dirent* pEntry = ::readdir(pProc))
    {
        const int pid = parsePid(pEntry->d_name);
        if (pid == NO_PROCESS || pid == ownId)
            continue;
        if (invocationName(pid) == name && !isZombie(pid))
        {
            found = pid;
            break;
        }
    }
    ::closedir(pProc);
    return found;
}

std::string Process::lockFilePath(const std::string& name)
{
    return LOCK_DIRECTORY + name + LOCK_SUFFIX;
}

std::string Process::invocationName(int pid)
{
    std::ifstream cmdline("/proc/" + std::to_string(pid) + "/cmdline", std::ios::binary);
    std::string argv0;
    if (!std::getline(cmdline, argv0, '\0'))
        return std::string();
    const std::string::size_type slash = argv0.rfind('/');
    return slash == std::string::npos ? argv0 : argv0.substr(slash + 1);
}

} // namespace Utility
} // namespace Zel
