//
// EmulatorProcess.cpp
//
// Implementation of the EmulatorProcess test helper.
//

#include "EmulatorProcess.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace PicoGwEmuTest
{

namespace
{

constexpr std::chrono::milliseconds POLL_STEP{20};
constexpr int EXIT_SIGNALLED_BASE = 128;

std::string readWhole(const std::string& path)
{
    std::ifstream input(path);
    std::ostringstream content;
    content << input.rdbuf();
    return content.str();
}

int exitStatus(int status)
{
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return EXIT_SIGNALLED_BASE + WTERMSIG(status);
    return -1;
}

unsigned countOf(const std::string& text, const std::string& what)
{
    unsigned count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size()))
        ++count;
    return count;
}

} // namespace

EmulatorProcess::EmulatorProcess(const TempDir& dir, const std::vector<std::string>& arguments)
    : _dir(dir), _pid(-1), _status(-1)
{
    const std::string program = std::string(LORAWAN_BIN_DIR) + "/picogw-emu";
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    const std::string out = dir.file("emu.out");
    const std::string err = dir.file("emu.err");

    _pid = fork();
    if (_pid < 0)
        throw std::runtime_error("fork failed");
    if (_pid == 0)
    {
        const int outFd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int errFd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(outFd, STDOUT_FILENO);
        dup2(errFd, STDERR_FILENO);
        std::vector<char*> args;
        for (std::string& argument : argv)
            args.push_back(argument.data());
        args.push_back(nullptr);
        execv(program.c_str(), args.data());
        _exit(127);
    }
}

EmulatorProcess::~EmulatorProcess()
{
    if (_pid > 0 && _status < 0)
        stop(SIGKILL);
}

std::string EmulatorProcess::output() const
{
    return readWhole(_dir.file("emu.out"));
}

std::string EmulatorProcess::errors() const
{
    return readWhole(_dir.file("emu.err"));
}

std::string EmulatorProcess::waitReady()
{
    const auto deadline = std::chrono::steady_clock::now() + PATIENCE;
    while (std::chrono::steady_clock::now() < deadline)
    {
        const std::string text = output();
        const std::size_t end = text.find('\n');
        if (end != std::string::npos)
            return text.substr(0, end);
        std::this_thread::sleep_for(POLL_STEP);
    }
    ADD_FAILURE() << "emulator not ready; its errors: " << errors();
    return std::string();
}

bool EmulatorProcess::waitForLog(const std::string& text, unsigned occurrences)
{
    const auto deadline = std::chrono::steady_clock::now() + PATIENCE;
    while (std::chrono::steady_clock::now() < deadline)
    {
        if (countOf(errors(), text) >= occurrences)
            return true;
        std::this_thread::sleep_for(POLL_STEP);
    }
    return false;
}

int EmulatorProcess::stop(int signal)
{
    if (_status >= 0)
        return _status;
    ::kill(_pid, signal);
    return waitExit();
}

int EmulatorProcess::waitExit()
{
    if (_status >= 0)
        return _status;
    const auto deadline = std::chrono::steady_clock::now() + PATIENCE;
    int status = 0;
    while (waitpid(_pid, &status, WNOHANG) == 0)
    {
        if (std::chrono::steady_clock::now() > deadline)
        {
            ::kill(_pid, SIGKILL);
            waitpid(_pid, &status, 0);
            ADD_FAILURE() << "emulator did not exit in time";
            break;
        }
        std::this_thread::sleep_for(POLL_STEP);
    }
    _status = exitStatus(status);
    return _status;
}

} // namespace PicoGwEmuTest
