//
// ControlServer.h
//
// Definition of the ControlServer class: the Unix socket through which packets
// are injected and faults set off while the emulator runs.
//

#ifndef PicoGwEmu_ControlServer_INCLUDED
#define PicoGwEmu_ControlServer_INCLUDED

#include <functional>
#include <string>
#include <vector>

struct pollfd;

namespace PicoGwEmu
{

class ControlServer
/// A Unix-domain stream socket taking text lines from any number of clients.
/// Each complete line (or a last line without line end before the client
/// closes) goes to the line handler; the handler's reply goes back to the
/// client followed by a line end. A client that sends an over-long line is
/// dropped. Replies a client does not read are dropped rather than stalling the
/// emulator.
{
public:
    using LineHandler = std::function<std::string(const std::string& line)>;

    explicit ControlServer(const std::string& path);
    /// Listens on path, replacing a stale socket there.
    /// Throws Poco::FileExistsException if path exists and is not a socket,
    /// Poco::IOException if the socket cannot be set up.

    ~ControlServer();
    /// Closes every connection and removes the socket file.

    ControlServer(const ControlServer&) = delete;
    ControlServer& operator=(const ControlServer&) = delete;

    void appendPollFds(std::vector<pollfd>& fds) const;
    /// Appends the descriptors to watch for input.

    void service(const std::vector<pollfd>& fds, const LineHandler& handler);
    /// Accepts new clients and reads the clients whose descriptors in fds are
    /// ready, calling handler for every complete line. Ignores descriptors that
    /// are not its own.

    const std::string& path() const;
    /// Returns the socket's path.

private:
    struct Client
    {
        int fd;
        std::string pending;
    };

    void accept();
    bool readClient(Client& client, const LineHandler& handler);
    void reply(const Client& client, const std::string& text);

    std::string _path;
    int _listener;
    std::vector<Client> _clients;
};

} // namespace PicoGwEmu

#endif // PicoGwEmu_ControlServer_INCLUDED
