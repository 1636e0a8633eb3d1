//
// ListenProcess.h
//
// Definition of the ListenProcess class and the helpers with which the tests
// drive the real lorawan-listen binary over a real Unix-domain socket.
//

#ifndef LoRaWANListenTest_ListenProcess_INCLUDED
#define LoRaWANListenTest_ListenProcess_INCLUDED

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace LoRaWANListenTest
{

/// Generous, for a loaded two-core machine: a wait that runs out is a failure.
constexpr std::chrono::seconds PatientWait{30};

class TemporaryDirectory
/// A fresh directory under /tmp, removed with everything in it at the end.
{
public:
    TemporaryDirectory();
    ~TemporaryDirectory();
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

    std::string file(const std::string& name) const;
    /// Returns the path of name inside the directory.

private:
    std::string _path;
};

class ListenProcess
/// lorawan-listen started with the given arguments, its standard output and
/// standard error going to files (or standard output to a given descriptor).
/// Killed, if still running, when destroyed.
{
public:
    ListenProcess(const TemporaryDirectory& directory, const std::vector<std::string>& arguments,
                  int standardOutput = -1);
    ~ListenProcess();
    ListenProcess(const ListenProcess&) = delete;
    ListenProcess& operator=(const ListenProcess&) = delete;

    void signal(int signalNumber);
    /// Sends signalNumber to the process.

    bool waitForExit(std::chrono::milliseconds patience = PatientWait);
    /// Waits until the process has ended; returns false if it has not by then.

    bool exitedWith(int status) const;
    /// Returns true if the process ended normally with the given status.

    int rawStatus() const;
    /// Returns the wait status of the ended process.

    std::string output() const;
    /// Returns what the process wrote to standard output (when it went to a file).

    std::string errors() const;
    /// Returns what the process wrote to standard error.

private:
    pid_t _pid;
    int _status;
    std::string _outputPath;
    std::string _errorPath;
};

int connectWhenListening(const std::string& path, std::chrono::milliseconds patience = PatientWait);
/// Connects to the socket at path as soon as something listens there; returns
/// the descriptor, or -1 if nothing did in time.

void sendAll(int fd, const std::string& bytes);
/// Sends all of bytes; fails the current test on an error.

bool waitForPeerClose(int fd, std::chrono::milliseconds patience = PatientWait);
/// Waits until the peer has closed the connection (reads and discards).

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds patience = PatientWait);
/// Polls condition until it holds; returns false if it did not in time.

std::string readFile(const std::string& path);
/// Returns the content of the file at path (empty if it cannot be read).

int bindSocketAt(const std::string& path);
/// Returns a Unix-domain stream socket bound to path (its file created), not
/// yet listening, or -1 on failure.

bool isSocket(const std::string& path);
/// Returns true if path names a socket file.

std::string upstreamDocument(std::uint32_t countUs, const std::string& payload = "40123456");
/// Returns a document as the service writes it, with the given count_us and payload.

std::uint32_t monotonicMicroseconds32();
/// Returns the low 32 bits of CLOCK_MONOTONIC in microseconds, as the simulated
/// concentrator stamps count_us.

} // namespace LoRaWANListenTest

#endif // LoRaWANListenTest_ListenProcess_INCLUDED
