//
// HeaderSchedule.h
//
// Library: LoRaWANServer_Listen
// Package: Table
// Module:  HeaderSchedule
//
// Definition of the HeaderSchedule class, which says when the table's header
// row is written again so that the column titles stay in view.
//

#ifndef LoRaWANListen_HeaderSchedule_INCLUDED
#define LoRaWANListen_HeaderSchedule_INCLUDED

namespace LoRaWANListen
{

class HeaderSchedule
/// Counts the table's lines below its last header row. On a terminal the
/// header is due again once a screenful of lines has scrolled by since the
/// last one, so that every screen shows the column titles; anywhere else (a
/// file, a pipe) the header written at the start is the only one.
{
public:
    explicit HeaderSchedule(int terminalFd);
    /// Schedules the header for the terminal open at terminalFd, or, with -1,
    /// for output that is not a terminal. The terminal's height is read
    /// whenever a header is written, so that a resized window is followed.

    void headerWritten();
    /// Starts counting the lines below a header just written.

    bool headerDueBefore();
    /// Counts the line about to be written and returns true when the header
    /// has to go before it; that header counts as written then.

    static unsigned screenRows(int terminalFd);
    /// Returns the height of the terminal open at terminalFd in lines, or
    /// DEFAULT_SCREEN_ROWS when it cannot be told (not a terminal, or one that
    /// reports no size).

private:
    int _terminalFd;
    unsigned _linesLeft = 0; // lines that still fit on the screen below the header
};

} // namespace LoRaWANListen

#endif // LoRaWANListen_HeaderSchedule_INCLUDED
