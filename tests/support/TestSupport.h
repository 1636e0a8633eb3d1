//
// TestSupport.h
//
// Helpers for the black-box tests: temporary folders and files, the lock on
// the service's fixed paths, running the real binaries, and a consumer socket.
//

#ifndef LoRaWANServer_TestSupport_INCLUDED
#define LoRaWANServer_TestSupport_INCLUDED

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <sys/types.h>
#include <vector>

namespace TestSupport
{

using Milliseconds = std::chrono::milliseconds;

/// Generous limit for anything a loaded machine should manage.
const Milliseconds PATIENCE{20000};

std::string binaryPath(const std::string& name);
/// Returns the path of an executable built by the project (build/bin/name).

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& text);
void makeDirectories(const std::string& path);

bool waitFor(const std::function<bool()>& condition, Milliseconds limit = PATIENCE);
/// Polls condition until it holds or limit has passed; returns its last value.

class TempDir
/// A fresh folder below /tmp, removed with everything in it.
{
public:
    TempDir();
    ~TempDir();
    const std::string& path() const;
    std::string file(const std::string& name) const;

    std::string write(const std::string& name, const std::string& content) const;
    /// Creates (or replaces) the file name in the folder with content and
    /// returns its path; throws std::runtime_error when it cannot.

private:
    std::string _path;
};

class FixedPathsLock
/// Held while a test uses the service's fixed paths (the consumer socket, the
/// log file, the instance lock). Where the program has them to itself
/// (Isolation.h) it holds nothing; otherwise no two such tests run at once,
/// even from two test runs on the same machine.
{
public:
    FixedPathsLock();
    ~FixedPathsLock();

private:
    int _fd;
};

class ChildProcess
/// A program started with its standard output and error in files.
{
public:
    ChildProcess(const std::string& program, const std::vector<std::string>& args,
                 const std::map<std::string, std::string>& environment, const std::string& workDir = "",
                 int user = -1, int standardOutput = -1);
    /// Starts program with args; environment entries are added to (or replace
    /// those of) this process's environment, and an entry whose value is
    /// "<unset>" removes the variable. With user 0 or more, the program runs
    /// under that user id and group id (the caller must be root). With a
    /// standardOutput descriptor, the program writes there instead of to the
    /// file that out() reads; the caller keeps and closes its descriptor. The
    /// program is killed when the thread that started it ends.

    ~ChildProcess();
    /// Kills the process if it still runs.

    pid_t pid() const;
    void signal(int signalNumber);

    bool waitForExit(Milliseconds limit = PATIENCE);
    /// Returns true when the process has ended within limit.

    int exitStatus() const;
    /// The exit status, or 128 + signal number when a signal ended it.

    bool exitedBySignal() const;

    std::string out() const;
    std::string err() const;

    bool waitForOut(const std::string& text, Milliseconds limit = PATIENCE) const;
    bool waitForErr(const std::string& text, Milliseconds limit = PATIENCE) const;

private:
    TempDir _dir;
    pid_t _pid;
    bool _ended;
    int _status;
};

class ConsumerSocket
/// A listening Unix-domain stream socket that reads the service's frames.
{
public:
    explicit ConsumerSocket(const std::string& path);
    /// Listens at path (removing a stale socket file first).

    ~ConsumerSocket();
    /// Stops listening and removes the socket file.

    bool accept(Milliseconds limit = PATIENCE);
    /// Waits for a connection; returns false when none came within limit.
    /// A connection accepted before is closed first.

    bool hasPendingConnection(Milliseconds limit) const;
    /// Returns true when a connection is waiting to be accepted within limit.

    std::vector<std::string> readFrames(std::size_t count, Milliseconds limit = PATIENCE);
    /// Reads until count frames (each without its 0x0C) have arrived on the
    /// accepted connection, or limit has passed, or the peer closed.

    std::string readAvailable(Milliseconds quiet);
    /// Reads whatever arrives until nothing came for quiet.

    void limitReads(std::size_t bytes);
    /// Makes every read of the connection take at most bytes (0: no limit
    /// but the buffer's), as a slow consumer does.

    void closeConnection();
    void closeListener();

    const std::string& pending() const;
    /// Bytes received after the last complete frame.

private:
    std::string _path;
    int _listenFd;
    int _connectionFd;
    std::string _pending;
    std::size_t _readLimit = 0;
};

std::vector<std::string> lines(const std::string& text);
/// Splits text into lines without their line ends.

bool hasTimeStamp(const std::string& line);
/// True when line begins with a log time stamp "YYYY-MM-DD hh:mm:ss.mmm".

std::string withoutTimeStamp(const std::string& line);
/// Returns line without its leading time stamp (or unchanged if it has none).

std::vector<std::string> withoutCallTimes(const std::vector<std::string>& recordLines);
/// Returns the simulated concentrator's record lines without their
/// "time_us" members, which differ from run to run.

} // namespace TestSupport

#endif // LoRaWANServer_TestSupport_INCLUDED
