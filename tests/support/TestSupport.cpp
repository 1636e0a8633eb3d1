//
// TestSupport.cpp
//
// Implementation of the test helpers.
//

#include "TestSupport.h"
#include "Isolation.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <ftw.h>
#include <grp.h>
#include <poll.h>
#include <regex>
#include <signal.h>
#include <sstream>
#include <stdexcept>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace TestSupport
{

namespace
{

const char* const FIXED_PATHS_LOCK = "/tmp/lorawanserver-tests-fixed-paths.lock";
// Written out, not taken from the service's headers: the tests check the
// service's output against the contract as a consumer reads it.
const char FRAME_END = '\x0C';

int removeEntry(const char* path, const struct stat*, int, struct FTW*)
{
    return ::remove(path);
}

} // namespace

std::string binaryPath(const std::string& name)
{
    return std::string(LORAWAN_BIN_DIR) + "/" + name;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

void makeDirectories(const std::string& path)
{
    std::string partial;
    std::istringstream parts(path);
    std::string part;
    if (!path.empty() && path[0] == '/')
        partial = "/";
    while (std::getline(parts, part, '/'))
    {
        if (part.empty())
            continue;
        partial += part + "/";
        ::mkdir(partial.c_str(), 0755);
    }
}

bool waitFor(const std::function<bool()>& condition, Milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;)
    {
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(Milliseconds(10));
    }
}

TempDir::TempDir()
{
    char pattern[] = "/tmp/lorawanserver-test-XXXXXX";
    if (!::mkdtemp(pattern))
        throw std::runtime_error("mkdtemp failed");
    _path = pattern;
}

TempDir::~TempDir()
{
    ::nftw(_path.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
}

const std::string& TempDir::path() const
{
    return _path;
}

std::string TempDir::file(const std::string& name) const
{
    return _path + "/" + name;
}

std::string TempDir::write(const std::string& name, const std::string& content) const
{
    const std::string path = file(name);
    writeFile(path, content);
    return path;
}

FixedPathsLock::FixedPathsLock() : _fd(-1)
{
    if (fixedPathsArePrivate())
        return;
    _fd = ::open(FIXED_PATHS_LOCK, O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (_fd < 0 || ::flock(_fd, LOCK_EX) != 0)
        throw std::runtime_error("cannot lock the fixed paths");
}

FixedPathsLock::~FixedPathsLock()
{
    if (_fd >= 0)
        ::close(_fd);
}

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args,
                           const std::map<std::string, std::string>& environment, const std::string& workDir,
                           int user, int standardOutput)
    : _pid(-1), _ended(false), _status(0)
{
    std::vector<std::string> envText;
    for (char** p = environ; *p; ++p)
    {
        const std::string entry = *p;
        const std::string name = entry.substr(0, entry.find('='));
        if (environment.count(name) == 0)
            envText.push_back(entry);
    }
    for (const auto& entry : environment)
    {
        if (!entry.first.empty() && entry.second != "<unset>")
            envText.push_back(entry.first + "=" + entry.second);
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& entry : envText)
        envp.push_back(&entry[0]);
    envp.push_back(nullptr);

    const std::string outPath = _dir.file("stdout");
    const std::string errPath = _dir.file("stderr");
    const pid_t parent = ::getpid();
    _pid = ::fork();
    if (_pid < 0)
        throw std::runtime_error("fork failed");
    if (_pid == 0)
    {
        const int out = standardOutput >= 0 ? standardOutput
                                            : ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int in = ::open("/dev/null", O_RDONLY);
        ::dup2(in, STDIN_FILENO);
        ::dup2(out, STDOUT_FILENO);
        ::dup2(err, STDERR_FILENO);
        // Start with a clean signal state, whatever the test runner left.
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::signal(SIGPIPE, SIG_DFL);
        if (!workDir.empty() && ::chdir(workDir.c_str()) != 0)
            ::_exit(126);
        if (user >= 0 && (::setgroups(0, nullptr) != 0 || ::setgid(static_cast<gid_t>(user)) != 0 ||
                          ::setuid(static_cast<uid_t>(user)) != 0))
            ::_exit(125);
        // A test that dies (a crash, a time-out) takes the program with it.
        // Set after the change of user, which would clear it.
        if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != parent)
            ::_exit(124);
        ::execve(program.c_str(), argv.data(), envp.data());
        ::_exit(127);
    }
}

ChildProcess::~ChildProcess()
{
    if (!_ended && _pid > 0)
    {
        ::kill(_pid, SIGKILL);
        ::waitpid(_pid, &_status, 0);
    }
}

pid_t ChildProcess::pid() const
{
    return _pid;
}

void ChildProcess::signal(int signalNumber)
{
    if (!_ended)
        ::kill(_pid, signalNumber);
}

bool ChildProcess::waitForExit(Milliseconds limit)
{
    if (_ended)
        return true;
    return waitFor(
        [this]
        {
            const pid_t done = ::waitpid(_pid, &_status, WNOHANG);
            if (done == _pid)
                _ended = true;
            return _ended;
        },
        limit);
}

int ChildProcess::exitStatus() const
{
    if (WIFSIGNALED(_status))
        return 128 + WTERMSIG(_status);
    return WEXITSTATUS(_status);
}

bool ChildProcess::exitedBySignal() const
{
    return WIFSIGNALED(_status);
}

std::string ChildProcess::out() const
{
    return readFile(_dir.file("stdout"));
}

std::string ChildProcess::err() const
{
    return readFile(_dir.file("stderr"));
}

bool ChildProcess::waitForOut(const std::string& text, Milliseconds limit) const
{
    return waitFor([&] { return out().find(text) != std::string::npos; }, limit);
}

bool ChildProcess::waitForErr(const std::string& text, Milliseconds limit) const
{
    return waitFor([&] { return err().find(text) != std::string::npos; }, limit);
}

ConsumerSocket::ConsumerSocket(const std::string& path)
    : _path(path), _listenFd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)), _connectionFd(-1)
{
    struct sockaddr_un address;
    std::memset(&address, 0, sizeof(address));
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
    ::unlink(path.c_str());
    if (_listenFd < 0 ||
        ::bind(_listenFd, reinterpret_cast<struct sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(_listenFd, 8) != 0)
        throw std::runtime_error("cannot listen at " + path + ": " + std::strerror(errno));
}

ConsumerSocket::~ConsumerSocket()
{
    closeConnection();
    closeListener();
}

bool ConsumerSocket::hasPendingConnection(Milliseconds limit) const
{
    if (_listenFd < 0)
        return false;
    struct pollfd waiting = {_listenFd, POLLIN, 0};
    return ::poll(&waiting, 1, static_cast<int>(limit.count())) == 1;
}

bool ConsumerSocket::accept(Milliseconds limit)
{
    closeConnection();
    if (!hasPendingConnection(limit))
        return false;
    _connectionFd = ::accept4(_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
    _pending.clear();
    return _connectionFd >= 0;
}

std::vector<std::string> ConsumerSocket::readFrames(std::size_t count, Milliseconds limit)
{
    std::vector<std::string> frames;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;)
    {
        std::string::size_type end;
        while (frames.size() < count && (end = _pending.find(FRAME_END)) != std::string::npos)
        {
            frames.push_back(_pending.substr(0, end));
            _pending.erase(0, end + 1);
        }
        if (frames.size() >= count || _connectionFd < 0)
            return frames;
        const auto left =
            std::chrono::duration_cast<Milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return frames;
        struct pollfd waiting = {_connectionFd, POLLIN, 0};
        if (::poll(&waiting, 1, static_cast<int>(left.count())) != 1)
            return frames;
        char buffer[65536];
        const std::size_t size = _readLimit > 0 && _readLimit < sizeof(buffer) ? _readLimit : sizeof(buffer);
        const ssize_t got = ::read(_connectionFd, buffer, size);
        if (got <= 0)
            return frames;
        _pending.append(buffer, static_cast<std::size_t>(got));
    }
}

void ConsumerSocket::limitReads(std::size_t bytes)
{
    _readLimit = bytes;
}

std::string ConsumerSocket::readAvailable(Milliseconds quiet)
{
    std::string text;
    while (_connectionFd >= 0)
    {
        struct pollfd waiting = {_connectionFd, POLLIN, 0};
        if (::poll(&waiting, 1, static_cast<int>(quiet.count())) != 1)
            break;
        char buffer[65536];
        const ssize_t got = ::read(_connectionFd, buffer, sizeof(buffer));
        if (got <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(got));
    }
    return text;
}

void ConsumerSocket::closeConnection()
{
    if (_connectionFd >= 0)
        ::close(_connectionFd);
    _connectionFd = -1;
}

void ConsumerSocket::closeListener()
{
    if (_listenFd >= 0)
    {
        ::close(_listenFd);
        ::unlink(_path.c_str());
    }
    _listenFd = -1;
}

const std::string& ConsumerSocket::pending() const
{
    return _pending;
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> result;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        result.push_back(line);
    return result;
}

bool hasTimeStamp(const std::string& line)
{
    static const char SHAPE[] = "dddd-dd-dd dd:dd:dd.ddd";
    const std::size_t length = sizeof(SHAPE) - 1;
    if (line.size() < length)
        return false;
    for (std::size_t i = 0; i < length; ++i)
    {
        const bool digit = line[i] >= '0' && line[i] <= '9';
        if (SHAPE[i] == 'd' ? !digit : line[i] != SHAPE[i])
            return false;
    }
    return true;
}

std::string withoutTimeStamp(const std::string& line)
{
    return hasTimeStamp(line) ? line.substr(23) : line;
}

std::vector<std::string> withoutCallTimes(const std::vector<std::string>& recordLines)
{
    static const std::regex CALL_TIME(",\"time_us\":[0-9]+");
    std::vector<std::string> result;
    for (const std::string& line : recordLines)
        result.push_back(std::regex_replace(line, CALL_TIME, ""));
    return result;
}

} // namespace TestSupport
