//
// UnixListener.h
//
// Library: LoRaWANServer_Listen
// Package: Listen
// Module:  UnixListener
//
// Definition of the UnixListener class, the listening Unix-domain stream
// socket of lorawan-listen and the socket file that belongs to it.
//

#ifndef LoRaWANListen_UnixListener_INCLUDED
#define LoRaWANListen_UnixListener_INCLUDED

#include <string>
#include <sys/types.h>

namespace LoRaWANListen
{

class UnixListener
/// Owns a listening, non-blocking Unix-domain stream socket bound to a path,
/// and the socket file there: it removes a stale socket file before binding,
/// refuses to take the place of a live listener or of any file that is not a
/// socket, creates the file with the requested permission bits only, and
/// removes it again when destroyed, unless another process has put its own
/// file there since.
{
public:
    UnixListener(const std::string& path, unsigned mode);
    /// Listens on path with a socket file of permission bits mode (at most
    /// 0777). Throws Poco::FileExistsException if a process accepts
    /// connections on path or path is not a socket, Poco::InvalidArgumentException
    /// if path does not fit a Unix-domain address, and Poco::IOException for any
    /// other failure; nothing is left behind then.

    ~UnixListener();
    /// Closes the socket and removes its file if it is still this listener's.

    UnixListener(const UnixListener&) = delete;
    UnixListener& operator=(const UnixListener&) = delete;

    int fd() const;
    /// Returns the listening descriptor, to wait on for connections.

    int acceptConnection();
    /// Accepts one pending connection and returns its descriptor, non-blocking
    /// and closed on exec; the caller owns it. Returns -1 if none is pending or
    /// the peer gave up before it was accepted. Throws Poco::IOException when
    /// accepting fails otherwise.

    const std::string& path() const;
    /// Returns the path listened on.

private:
    void removeStaleSocket();
    void bindWithMode(unsigned mode);
    void removeOwnSocket();

    std::string _path;
    int _fd = -1;
    dev_t _device = 0;
    ino_t _inode = 0;
};

} // namespace LoRaWANListen

#endif // LoRaWANListen_UnixListener_INCLUDED
