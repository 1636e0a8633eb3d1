//
// Isolation.cpp
//
// Implementation of the private fixed paths.
//
// A live gateway may run the service and its consumer on this machine: a test
// must neither send made-up packets to the real consumer's socket nor meet
// the real instance lock or log file. A mount namespace gives the program and
// its children their own copies of those folders; nothing it mounts is seen
// outside, and it all goes away with the last process inside.
//

#include "Isolation.h"
#include "TestSupport.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <stdexcept>
#include <string>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace TestSupport
{

const char* const LOG_DIRECTORY = "/opt/Halvane/Mirel/bin/lorawan";

namespace
{

const char* const SHARED_MEMORY = "/dev/shm";
const char* const SCRATCH_PATTERN = "/tmp/lorawanserver-layer-XXXXXX";
const char* const FOLDER_MODE = "mode=0755";
const char* const SHARED_MEMORY_MODE = "mode=1777";

bool privatePaths = false;

[[noreturn]] void fail(const std::string& what)
{
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

bool isDirectory(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string parentOf(const std::string& path)
{
    const std::string::size_type slash = path.rfind('/');
    return slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
}

void writeProcFile(const std::string& path, const std::string& text)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    const bool written =
        fd >= 0 && ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    if (fd >= 0)
        ::close(fd);
    if (!written)
        fail("cannot write " + path);
}

/// Root makes the namespace directly (and returns true); anybody else (or a
/// root without the capability) through a user namespace that keeps the
/// program's own ids.
bool enterMountNamespace()
{
    if (::geteuid() == 0 && ::unshare(CLONE_NEWNS) == 0)
        return true;
    const std::string user = std::to_string(::geteuid());
    const std::string group = std::to_string(::getegid());
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
        fail("cannot make a mount namespace");
    writeProcFile("/proc/self/setgroups", "deny");
    writeProcFile("/proc/self/uid_map", user + " " + user + " 1");
    writeProcFile("/proc/self/gid_map", group + " " + group + " 1");
    return false;
}

void mountTmpfs(const std::string& path, const char* options)
{
    if (::mount("tmpfs", path.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options) != 0)
        fail("cannot mount a tmpfs on " + path);
}

/// Lays a writable tmpfs layer over folder, so that the program can make
/// folders in it that the machine never sees.
void layOverlay(const std::string& folder)
{
    std::string scratch = SCRATCH_PATTERN;
    if (!::mkdtemp(&scratch[0]))
        fail("cannot make a scratch folder");
    const std::string upper = scratch + "/upper";
    const std::string work = scratch + "/work";
    const std::string options = "lowerdir=" + folder + ",upperdir=" + upper + ",workdir=" + work;
    bool laid = false;
    try
    {
        mountTmpfs(scratch, FOLDER_MODE);
        makeDirectories(upper);
        makeDirectories(work);
        laid = ::mount("overlay", folder.c_str(), "overlay", 0, options.c_str()) == 0;
    }
    catch (const std::runtime_error&)
    {
    }
    const int mountError = errno;
    // The overlay keeps its own hold on the layer: the scratch folder can go.
    ::umount2(scratch.c_str(), MNT_DETACH);
    ::rmdir(scratch.c_str());
    errno = mountError;
    if (!laid)
        fail("cannot lay a writable layer over " + folder);
}

/// An empty log folder: a tmpfs on it when it exists, otherwise made in a
/// layer over the nearest folder above it that exists.
void makePrivateLogDirectory()
{
    std::string existing = LOG_DIRECTORY;
    while (!isDirectory(existing))
        existing = parentOf(existing);
    if (existing == LOG_DIRECTORY)
    {
        mountTmpfs(LOG_DIRECTORY, FOLDER_MODE);
        return;
    }
    if (existing == "/")
    {
        errno = ENOENT;
        fail("no folder of " + std::string(LOG_DIRECTORY) + " exists below /");
    }
    layOverlay(existing);
    makeDirectories(LOG_DIRECTORY);
    if (!isDirectory(LOG_DIRECTORY))
        fail("cannot make " + std::string(LOG_DIRECTORY));
}

[[noreturn]] void endAs(pid_t copy)
{
    int status = 0;
    while (::waitpid(copy, &status, 0) < 0 && errno == EINTR)
    {
    }
    if (WIFSIGNALED(status))
    {
        ::signal(WTERMSIG(status), SIG_DFL);
        ::raise(WTERMSIG(status));
    }
    ::_exit(WIFEXITED(status) ? WEXITSTATUS(status) : EXIT_FAILURE);
}

/// The first process of a new process namespace is its init: /proc shows it
/// and its descendants only, and when it ends the kernel kills whatever is
/// left inside, daemons included. A copy of the program becomes that process
/// and runs the tests; the original ends as the copy ended.
void becomeInitOfAProcessNamespace()
{
    if (::unshare(CLONE_NEWPID) != 0)
    {
        std::fprintf(stderr, "note: no process namespace (%s); processes of the tests may outlive them\n",
                     std::strerror(errno));
        return;
    }
    const pid_t copy = ::fork();
    if (copy > 0)
        endAs(copy);
    // The original's death (a time-out of the test runner) ends the copy and
    // with it the whole namespace.
    if (copy < 0 || ::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 ||
        ::mount("proc", "/proc", "proc", MS_NOSUID | MS_NODEV | MS_NOEXEC, nullptr) != 0)
    {
        std::fprintf(stderr, "cannot start in a process namespace: %s\n", std::strerror(errno));
        ::_exit(EXIT_FAILURE);
    }
}

} // namespace

bool isolateThisProgram()
{
    bool asRoot = false;
    try
    {
        asRoot = enterMountNamespace();
        // Nothing mounted from now on may reach the machine's namespace.
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            fail("cannot make the mounts private");
        mountTmpfs(SHARED_MEMORY, SHARED_MEMORY_MODE);
        makePrivateLogDirectory();
        privatePaths = true;
    }
    catch (const std::runtime_error& failure)
    {
        std::fprintf(stderr,
                     "note: %s; the tests use the machine's own socket, lock and log paths, one test at a "
                     "time\n",
                     failure.what());
    }
    // A user namespace could make one too, but should its /proc be refused
    // (a container hiding parts of the machine's), the program could neither
    // go on in the namespace nor leave it.
    if (privatePaths && asRoot)
        becomeInitOfAProcessNamespace();
    return privatePaths;
}

bool fixedPathsArePrivate()
{
    return privatePaths;
}

} // namespace TestSupport
