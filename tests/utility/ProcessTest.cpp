//
// ProcessTest.cpp
//
// Finding other instances of a program, by the /proc scan and by the instance lock.
//

#include "utility/Process.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using TestSupport::ChildProcess;
using TestSupport::TempDir;
using Zel::Utility::Process;

namespace
{

/// A copy of sleep under a name of our choosing: its argv[0] is that path.
class NamedSleeper
{
public:
    explicit NamedSleeper(const std::string& name) : _path(_dir.file(name))
    {
        TestSupport::writeFile(_path, TestSupport::readFile("/bin/sleep"));
        ::chmod(_path.c_str(), 0755);
        _pProcess.reset(new ChildProcess(_path, {"60"}, {}));
        TestSupport::waitFor([&] { return Process::invocationName(_pProcess->pid()) == name; });
    }

    pid_t pid() const { return _pProcess->pid(); }

private:
    TempDir _dir;
    std::string _path;
    std::unique_ptr<ChildProcess> _pProcess;
};

std::string uniqueName(const std::string& stem)
{
    return stem + "-" + std::to_string(::getpid());
}

TEST(ProcessScanTest, FindsAProcessByItsWholeInvocationNameOnlyLeavingOutTheOwnOneAndZombies)
{
    const std::string name = uniqueName("lorawan-utility-test-sleeper");
    NamedSleeper sleeper(name);
    EXPECT_EQ(name, Process::invocationName(sleeper.pid()));
    EXPECT_EQ("", Process::invocationName(999999999));
    EXPECT_EQ(sleeper.pid(), Process::findByName(name, ::getpid()));
    // The kernel's comm field holds only the first 15 characters.
    EXPECT_EQ(-1, Process::findByName(name.substr(0, 15), ::getpid()));
    EXPECT_EQ(-1, Process::findByName(name + "x", ::getpid()));
    EXPECT_EQ(-1, Process::findByName(name, sleeper.pid()));
    // Asking about another process than this one only scans: no lock file.
    EXPECT_EQ(sleeper.pid(), Process::isRunning(name, 1));
    EXPECT_NE(0, ::access(Process::lockFilePath(name).c_str(), F_OK));

    ::kill(sleeper.pid(), SIGKILL);
    // Not reaped yet: the process is a zombie until waitpid.
    ASSERT_TRUE(TestSupport::waitFor(
        [&]
        {
            return TestSupport::readFile("/proc/" + std::to_string(sleeper.pid()) + "/stat").find(") Z") !=
                   std::string::npos;
        }));
    EXPECT_EQ(-1, Process::findByName(name, ::getpid()));
}

TEST(InstanceLockTest, FirstCallerGetsTheLockAndLaterCallersLearnItsPid)
{
    const std::string name = uniqueName("lorawan-utility-lock");
    const std::string lockPath = Process::lockFilePath(name);
    int ready[2];
    ASSERT_EQ(0, ::pipe(ready));
    const pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0)
    {
        // Whatever the creator's umask, every user's instance can take the lock.
        ::umask(0077);
        const int result = Process::isRunning(name, ::getpid());
        const char answer = result == -1 ? 'y' : 'n';
        if (::write(ready[1], &answer, 1) != 1)
            ::_exit(2);
        ::pause();
        ::_exit(0);
    }
    char answer = 0;
    ASSERT_EQ(1, ::read(ready[0], &answer, 1));
    EXPECT_EQ('y', answer);

    EXPECT_EQ(holder, Process::isRunning(name, ::getpid()));
    EXPECT_EQ(std::to_string(holder) + "\n", TestSupport::readFile(lockPath));
    struct stat info;
    ASSERT_EQ(0, ::stat(lockPath.c_str(), &info));
    EXPECT_EQ(0666u, info.st_mode & 07777u);

    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    // The lock dies with its holder; the file stays and means nothing.
    EXPECT_EQ(-1, Process::isRunning(name, ::getpid()));
    EXPECT_EQ(std::to_string(::getpid()) + "\n", TestSupport::readFile(lockPath));
    EXPECT_EQ(-1, Process::isRunning(name, ::getpid())); // asking again keeps the lock
    ::unlink(lockPath.c_str());
    ::close(ready[0]);
    ::close(ready[1]);
}

TEST(InstanceLockTest, LockFileThatIsALinkIsNeverUsedAndTheScanAnswers)
{
    const std::string name = uniqueName("lorawan-utility-badlock");
    const std::string lockPath = Process::lockFilePath(name);
    NamedSleeper sleeper(name);
    TempDir dir;
    const std::string target = dir.write("target", "");
    using Plant = int (*)(const char*, const char*);
    for (const Plant plant : {Plant(::symlink), Plant(::link)})
    {
        SCOPED_TRACE(plant == Plant(::symlink) ? "symbolic link" : "second name of a file");
        // /dev/shm and /tmp may be one file system or two: a hard link needs one.
        const std::string linked = plant == Plant(::link) ? Process::lockFilePath(name + "-target") : target;
        TestSupport::writeFile(linked, "");
        ASSERT_EQ(0, plant(linked.c_str(), lockPath.c_str()));
        EXPECT_EQ(sleeper.pid(), Process::isRunning(name, ::getpid()));
        EXPECT_EQ("", TestSupport::readFile(linked));
        ::unlink(lockPath.c_str());
        if (linked != target)
            ::unlink(linked.c_str());
    }
}

} // namespace
