//
// ProcessTest.cpp
//
// Finding other instances of a program, by the /proc scan and by the instance lock.
//

#include "utility/Process.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
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

TEST(ProcessScanTest, FindsAProcessByItsWholeInvocationNameOnlyAndLeavesOutTheOwnOne)
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
}

TEST(ProcessScanTest, LeavesOutZombies)
{
    const std::string name = uniqueName("lorawan-utility-zombie");
    NamedSleeper sleeper(name);
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

TEST(InstanceLockTest, LockFileThatIsNotARegularFileOfOursFallsBackToTheScan)
{
    const std::string name = uniqueName("lorawan-utility-badlock");
    const std::string lockPath = Process::lockFilePath(name);
    TempDir dir;
    // A symbolic link planted where the lock file belongs is never followed.
    ASSERT_EQ(0, ::symlink(dir.file("target").c_str(), lockPath.c_str()));
    NamedSleeper sleeper(name);
    EXPECT_EQ(sleeper.pid(), Process::isRunning(name, ::getpid()));
    EXPECT_NE(0, ::access(dir.file("target").c_str(), F_OK));
    ::unlink(lockPath.c_str());
}

TEST(InstanceLockTest, AskingAboutAnotherProcessOnlyScans)
{
    const std::string name = uniqueName("lorawan-utility-other");
    NamedSleeper sleeper(name);
    EXPECT_EQ(sleeper.pid(), Process::isRunning(name, 1));
    EXPECT_NE(0, ::access(Process::lockFilePath(name).c_str(), F_OK));
}

} // namespace
