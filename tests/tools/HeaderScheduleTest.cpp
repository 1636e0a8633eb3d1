//
// HeaderScheduleTest.cpp
//
// Tests of HeaderSchedule on a real pseudo-terminal: the header once a
// screenful, the terminal's height followed, and never again off a terminal.
//

#include "tools/listen/HeaderSchedule.h"

#include "PseudoTerminal.h"
#include "tools/listen/ListenConstants.h"

#include <gtest/gtest.h>

#include <string>

using LoRaWANListen::HeaderSchedule;

namespace
{

// The lines before which the header comes, one letter each: H for a header, . for none.
std::string pattern(HeaderSchedule& schedule, int lines)
{
    std::string text;
    for (int line = 0; line < lines; ++line)
        text += schedule.headerDueBefore() ? 'H' : '.';
    return text;
}

} // namespace

TEST(HeaderSchedule, OnATerminalTheHeaderComesAgainEveryScreenfulOfTheCurrentHeight)
{
    PseudoTerminal terminal(4);
    HeaderSchedule schedule(terminal.slave());
    schedule.headerWritten();
    EXPECT_EQ(pattern(schedule, 10), "...H..H..H") << "a header and three lines fill four rows";
    // The height is read again at the next header.
    terminal.resize(6);
    EXPECT_EQ(pattern(schedule, 13), "..H....H....H");
    terminal.resize(1);
    EXPECT_EQ(pattern(schedule, 8), "....HHHH") << "on a single row every line has its header";
}

TEST(HeaderSchedule, WithoutAHeightOrWithoutATerminalTheDefaultOrNoRepeatHolds)
{
    PseudoTerminal terminal(0);
    HeaderSchedule sizeless(terminal.slave());
    sizeless.headerWritten();
    const unsigned lines = LoRaWANListen::DEFAULT_SCREEN_ROWS - 1;
    EXPECT_EQ(pattern(sizeless, lines + 1), std::string(lines, '.') + "H");
    EXPECT_EQ(HeaderSchedule::screenRows(-1), LoRaWANListen::DEFAULT_SCREEN_ROWS);

    HeaderSchedule file(-1);
    file.headerWritten();
    EXPECT_EQ(pattern(file, 200), std::string(200, '.'));
}
