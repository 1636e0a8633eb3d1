//
// HeaderSchedule.cpp
//
// Implementation of the HeaderSchedule class.
//

#include "tools/listen/HeaderSchedule.h"

#include "tools/listen/ListenConstants.h"

#include <sys/ioctl.h>

namespace LoRaWANListen
{

HeaderSchedule::HeaderSchedule(int terminalFd) : _terminalFd(terminalFd) {}

void HeaderSchedule::headerWritten()
{
    // A screen of one line still shows one line below each header.
    const unsigned rows = screenRows(_terminalFd);
    _linesLeft = rows > 1 ? rows - 1 : 1;
}

bool HeaderSchedule::headerDueBefore()
{
    if (_terminalFd < 0)
    {
        return false;
    }
    const bool due = _linesLeft == 0;
    if (due)
    {
        headerWritten();
    }
    --_linesLeft;
    return due;
}

unsigned HeaderSchedule::screenRows(int terminalFd)
{
    winsize size{};
    if (terminalFd < 0 || ::ioctl(terminalFd, TIOCGWINSZ, &size) != 0 || size.ws_row == 0)
    {
        return DEFAULT_SCREEN_ROWS;
    }
    return size.ws_row;
}

} // namespace LoRaWANListen
