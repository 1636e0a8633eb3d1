//
// InstanceRaceTest.cpp
//
// Single instance under a race: many starts of the real service released at
// the same moment leave exactly one running, and every other one exits with
// status 73 naming the one that runs.
//

#include "ReliabilityTestSupport.h"
#include "ServiceSetup.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

using namespace TestSupport;

namespace
{

const int STARTS = 20;
const int ROUNDS = 3;
const int EXIT_ALREADY_RUNNING = 73;

class RacingStarts
/// STARTS services, each forked and waiting on one pipe until release() lets
/// them all exec at once.
{
public:
    explicit RacingStarts(const ServiceSetup& setup)
    {
        int gate[2];
        if (::pipe(gate) != 0)
            throw std::runtime_error("pipe failed");
        const std::vector<std::string> environment = environmentFor(setup);
        const std::string program = binaryPath("lorawanserver");
        for (int i = 0; i < STARTS; ++i)
        {
            const std::string outPath = _dir.file("out" + std::to_string(i));
            const pid_t pid = ::fork();
            if (pid < 0)
                throw std::runtime_error("fork failed");
            if (pid == 0)
                runWhenReleased(gate, program, outPath, environment);
            _pids.push_back(pid);
            _outPaths.push_back(outPath);
        }
        ::close(gate[0]);
        _gate = gate[1];
    }

    ~RacingStarts()
    {
        if (_gate >= 0)
            ::close(_gate);
        for (std::size_t i = 0; i < _pids.size(); ++i)
        {
            if (_statuses.count(_pids[i]) == 0)
            {
                ::kill(_pids[i], SIGKILL);
                ::waitpid(_pids[i], nullptr, 0);
            }
        }
    }

    void release()
    {
        ::close(_gate); // every child's read returns at once
        _gate = -1;
    }

    /// Waits until all but one have ended (or the patience runs out).
    void waitForAllButOne()
    {
        waitFor(
            [this]
            {
                for (pid_t pid : _pids)
                {
                    int status = 0;
                    if (_statuses.count(pid) == 0 && ::waitpid(pid, &status, WNOHANG) == pid)
                        _statuses[pid] = status;
                }
                return _statuses.size() + 1 >= _pids.size();
            });
    }

    const std::vector<pid_t>& pids() const { return _pids; }
    bool ended(pid_t pid) const { return _statuses.count(pid) != 0; }
    int status(pid_t pid) const { return _statuses.at(pid); }
    std::string out(std::size_t index) const { return readFile(_outPaths[index]); }

    void stop(pid_t pid)
    {
        ::kill(pid, SIGTERM);
        int status = 0;
        EXPECT_TRUE(waitFor([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }));
        _statuses[pid] = status;
    }

private:
    /// This process's environment with the setup's variables in place of any
    /// inherited ones.
    static std::vector<std::string> environmentFor(const ServiceSetup& setup)
    {
        const std::map<std::string, std::string> own = setup.environment();
        std::vector<std::string> entries;
        for (char** p = environ; *p; ++p)
        {
            const std::string entry = *p;
            if (own.count(entry.substr(0, entry.find('='))) == 0)
                entries.push_back(entry);
        }
        for (const auto& entry : own)
            entries.push_back(entry.first + "=" + entry.second);
        return entries;
    }

    [[noreturn]] static void runWhenReleased(const int gate[2], const std::string& program,
                                             const std::string& outPath,
                                             const std::vector<std::string>& environment)
    {
        ::close(gate[1]);
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int in = ::open("/dev/null", O_RDONLY);
        ::dup2(in, STDIN_FILENO);
        ::dup2(out, STDOUT_FILENO);
        ::dup2(out, STDERR_FILENO);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        char byte;
        while (::read(gate[0], &byte, 1) < 0 && errno == EINTR)
        {
        }
        std::vector<char*> argv = {const_cast<char*>(program.c_str()), nullptr};
        std::vector<char*> envp;
        for (const std::string& entry : environment)
            envp.push_back(const_cast<char*>(entry.c_str()));
        envp.push_back(nullptr);
        ::execve(program.c_str(), argv.data(), envp.data());
        ::_exit(127);
    }

    TempDir _dir;
    int _gate = -1;
    std::vector<pid_t> _pids;
    std::vector<std::string> _outPaths;
    std::map<pid_t, int> _statuses;
};

class InstanceRaceTest : public ::testing::Test
{
protected:
    FixedPathsLock _lock;
    ServiceSetup _setup;
};

TEST_F(InstanceRaceTest, SimultaneousStartsLeaveExactlyOneRunningAndTheOthersNameIt)
{
    for (int round = 0; round < ROUNDS; ++round)
    {
        RacingStarts starts(_setup);
        starts.release();
        starts.waitForAllButOne();

        std::vector<std::size_t> running;
        for (std::size_t i = 0; i < starts.pids().size(); ++i)
        {
            if (!starts.ended(starts.pids()[i]))
                running.push_back(i);
        }
        ASSERT_EQ(1u, running.size()) << "round " << round;
        const std::size_t winnerIndex = running.front();
        const pid_t winner = starts.pids()[winnerIndex];
        for (std::size_t i = 0; i < starts.pids().size(); ++i)
        {
            if (i == winnerIndex)
                continue;
            const pid_t pid = starts.pids()[i];
            const int status = starts.status(pid);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == EXIT_ALREADY_RUNNING)
                << "round " << round << ", start " << i << ": status " << status;
            const std::vector<std::string> out = lines(starts.out(i));
            ASSERT_EQ(3u, out.size()) << starts.out(i);
            EXPECT_EQ(" LoRaWAN Server is already running!", withoutTimeStamp(out[0]));
            EXPECT_EQ("  This PID: " + std::to_string(pid), out[1]);
            EXPECT_EQ("  Other PID: " + std::to_string(winner), out[2]);
        }

        // The one that runs is a whole service: it starts and stops cleanly.
        ASSERT_TRUE(waitFor(
            [&] { return starts.out(winnerIndex).find("concentrator started") != std::string::npos; }));
        starts.stop(winner);
        const int status = starts.status(winner);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "round " << round << ": " << status;
    }
}

} // namespace
