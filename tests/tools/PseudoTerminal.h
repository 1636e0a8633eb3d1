//
// PseudoTerminal.h
//
// A pseudo-terminal of a given height for the tests of lorawan-listen's
// output on a terminal.
//

#ifndef LoRaWANListenTest_PseudoTerminal_INCLUDED
#define LoRaWANListenTest_PseudoTerminal_INCLUDED

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <stdexcept>
#include <string>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

class PseudoTerminal
/// A master and its slave, the slave in raw mode so that what is written to
/// it is read from the master byte for byte.
{
public:
    explicit PseudoTerminal(unsigned short rows)
    {
        _master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (_master < 0 || ::grantpt(_master) != 0 || ::unlockpt(_master) != 0)
            throw std::runtime_error("no pseudo-terminal");
        _slave = ::open(::ptsname(_master), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (_slave < 0)
            throw std::runtime_error("cannot open the pseudo-terminal's slave");
        termios mode{};
        ::tcgetattr(_slave, &mode);
        ::cfmakeraw(&mode);
        ::tcsetattr(_slave, TCSANOW, &mode);
        resize(rows);
    }

    ~PseudoTerminal()
    {
        ::close(_slave);
        ::close(_master);
    }

    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    int slave() const { return _slave; }

    void resize(unsigned short rows)
    {
        winsize size{};
        size.ws_row = rows;
        size.ws_col = 200;
        ::ioctl(_master, TIOCSWINSZ, &size);
    }

    // Everything written to the slave so far; the slave stays open, so the
    // master never reports a hang-up.
    std::string written() const
    {
        ::fcntl(_master, F_SETFL, ::fcntl(_master, F_GETFL) | O_NONBLOCK);
        std::string text;
        char buffer[4096];
        for (;;)
        {
            const ssize_t count = ::read(_master, buffer, sizeof buffer);
            if (count > 0)
                text.append(buffer, static_cast<std::size_t>(count));
            else if (count == 0 || errno != EINTR)
                return text;
        }
    }

private:
    int _master = -1;
    int _slave = -1;
};

#endif // LoRaWANListenTest_PseudoTerminal_INCLUDED
