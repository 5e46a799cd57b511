// The state dump read by the end-to-end tests: its fields and the board's letters.
#include <gtest/gtest.h>

#include <string>

#include "board_helpers.h"
#include "game/statedump.h"

namespace {

TEST(StateDump, ListsScoreMovesFlagsAndTheBoardRowByRow)
{
    const char* const rows[BOARD_ROWS] = {"01..........", "-2----------", "------------", "------------",
                                          "------------", "------------", "------------", "------------",
                                          "------------", "------------", "-----------g"};
    resetGame();
    drawBoard(rows);
    play.levelIndex = 4;
    play.bankedScore = 1000;
    play.levelScore = 230;
    play.movesMade = 7;
    play.paused = 1;
    play.timeUsedMs = 12345.6f;
    char text[1024];
    ASSERT_TRUE(formatGameState(text, sizeof text));
    std::string s = text;
    EXPECT_NE(s.find("level=5\nscore=1230\nmoves=7\nwon=0 lost=0 paused=1 tip=0\ntimeused=12345\n"), std::string::npos) << s;
    EXPECT_NE(s.find("row=ab..........\nrow=-c----------\n"), std::string::npos) << s;
    EXPECT_NE(s.find("row=-----------q\n"), std::string::npos) << s;  // colour 16
    // A buffer too small for the dump is refused, not overrun.
    char small[40];
    EXPECT_FALSE(formatGameState(small, sizeof small));
    EXPECT_FALSE(writeGameState(nullptr));
    EXPECT_FALSE(writeGameState("/nonexistent-folder/state.txt"));
}

} // namespace
