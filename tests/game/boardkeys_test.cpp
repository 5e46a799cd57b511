// The board played from the keyboard: the cursor's moves over places and holes, Return as a click
// at the cursor, H as the hammer button, the pointer hiding the cursor.
#include <gtest/gtest.h>

#include <cstring>

#include "core/random.h"
#include "game/boardkeys.h"
#include "platform/os/os.h"
#include "play_helpers.h"

namespace {

void keys(std::initializer_list<int> vks)
{
    for (int vk : vks) gameKeyDown(vk);
}

// A quiet level with the pointer resting off the board, on the left bar.
void quietLevel()
{
    resetPlayGame();
    srand15(4242);  // the level's seed comes from the looks' stream: the new figures are the same each time
    startRulesStream(0);
    playLevel(ModeAdventure, 0, quietRows());
    app.mouseX = 20;
    app.mouseY = 500;
}

} // namespace

TEST(BoardKeys, TheFirstArrowShowsTheCursorInTheMiddleAndArrowsMoveIt)
{
    quietLevel();
    EXPECT_EQ(boardKeys.shown, 0);
    gameKeyDown(VK_LEFT);  // shows it without moving
    EXPECT_EQ(boardKeys.shown, 1);
    EXPECT_EQ(boardKeys.row, 5);
    EXPECT_EQ(boardKeys.col, 6);
    keys({VK_LEFT, VK_UP, VK_UP});
    EXPECT_EQ(boardKeys.row, 3);
    EXPECT_EQ(boardKeys.col, 5);
    for (int i = 0; i < 20; ++i) gameKeyDown(VK_RIGHT);  // stops at the edge
    EXPECT_EQ(boardKeys.col, BOARD_COLS - 1);
    for (int i = 0; i < 20; ++i) gameKeyDown(VK_DOWN);
    EXPECT_EQ(boardKeys.row, BOARD_ROWS - 1);
    // The board's pointer is the cursor's place: the hover group follows it.
    Vec2 p = boardCursor();
    Vec2 c = cellCentre(BOARD_COLS - 1, BOARD_ROWS - 1);
    EXPECT_FLOAT_EQ(p.x, c.x);
    EXPECT_FLOAT_EQ(p.y, c.y);
    updateHover();
    EXPECT_EQ(board.groupRows[0], BOARD_ROWS - 1);
    EXPECT_EQ(board.groupCols[0], BOARD_COLS - 1);
    EXPECT_EQ(play.movesMade, 0);
}

TEST(BoardKeys, TheCursorPassesOverHolesAndStartsOnAPlace)
{
    resetPlayGame();
    static const char* const rows[BOARD_ROWS] = {
        "010101010101", "232323232323", "010101010101", "232323232323", "010101010101", "23232.232323",
        "0101.1010101", "232.23232323", "010101010101", "23.323232323", "001101010101",
    };
    playLevel(ModeAdventure, 0, rows);
    // The middle place (5, 6) is a place; (5, 5) is a hole.
    gameKeyDown(VK_DOWN);
    EXPECT_EQ(boardKeys.row, 5);
    EXPECT_EQ(boardKeys.col, 6);
    gameKeyDown(VK_LEFT);  // over the hole at (5, 5)
    EXPECT_EQ(boardKeys.col, 4);
    gameKeyDown(VK_DOWN);  // (6, 4) is a hole
    EXPECT_EQ(boardKeys.row, 7);
    EXPECT_EQ(boardKeys.col, 4);
    // A column whose places below are holes to the edge: the cursor stays.
    static const char* const edge[BOARD_ROWS] = {
        "010101010101", "232323232323", "010101010101", "232323232323", "010101010101", "232323232323",
        "010101010101", "232323232323", "0101010101.1", "2323232323.3", "0011010101.1",
    };
    playLevel(ModeAdventure, 0, edge);
    boardKeys.row = 7;
    boardKeys.col = 10;
    gameKeyDown(VK_DOWN);
    EXPECT_EQ(boardKeys.row, 7);
    // A cursor place that is a hole (as the middle is on some boards) gives the nearest place.
    boardKeys.shown = 0;
    boardKeys.row = 9;
    gameKeyDown(VK_UP);
    EXPECT_EQ(boardKeys.shown, 1);
    EXPECT_TRUE(hasCell(boardKeys.row, boardKeys.col));
    EXPECT_EQ(boardKeys.row, 9);
    EXPECT_EQ(std::abs(boardKeys.col - 10), 1);
}

// Return at the cursor leaves the board, the score and the counters exactly as a click on the
// same place does.
TEST(BoardKeys, ReturnBreaksTheGroupUnderTheCursorAsAClickThere)
{
    auto snapshot = [] {
        std::vector<uint8_t> bytes(sizeof board.cells);
        std::memcpy(bytes.data(), board.cells, sizeof board.cells);
        return bytes;
    };
    quietLevel();
    pointAt(10, 0);
    updateHover();
    boardPress();
    playFrames(60);
    auto clicked = snapshot();
    int clickedMoves = play.movesMade, clickedScore = play.levelScore;

    quietLevel();
    keys({VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN});
    for (int i = 0; i < 6; ++i) gameKeyDown(VK_LEFT);
    ASSERT_EQ(boardKeys.row, 10);
    ASSERT_EQ(boardKeys.col, 0);
    gameKeyDown(VK_RETURN);
    EXPECT_EQ(play.movesMade, 1);
    EXPECT_EQ(at(10, 0).state, FigureState::Breaking);
    EXPECT_EQ(at(10, 1).state, FigureState::Breaking);
    playFrames(60);
    EXPECT_EQ(play.movesMade, clickedMoves);
    EXPECT_EQ(play.levelScore, clickedScore);
    EXPECT_TRUE(snapshot() == clicked);
}

TEST(BoardKeys, ReturnOnAHiddenCursorOnlyShowsIt)
{
    quietLevel();
    boardKeys.placed = 1;
    boardKeys.row = 10;
    boardKeys.col = 0;
    gameKeyDown(VK_RETURN);
    EXPECT_EQ(boardKeys.shown, 1);
    EXPECT_EQ(play.movesMade, 0);
    EXPECT_EQ(at(10, 0).state, FigureState::Idle);
    gameKeyDown(VK_RETURN);
    EXPECT_EQ(play.movesMade, 1);
}

TEST(BoardKeys, ReturnOnABusyBoardIsHeldAsAClickIs)
{
    quietLevel();
    keys({VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN});
    for (int i = 0; i < 6; ++i) gameKeyDown(VK_LEFT);
    ASSERT_EQ(boardKeys.row, 10);
    board.idleTimerMs = 100.0f;  // the last click's settle time still runs
    gameKeyDown(VK_RETURN);
    EXPECT_EQ(play.movesMade, 0);
    EXPECT_EQ(board.clickHeld, 1);
    Vec2 c = cellCentre(0, 10);
    EXPECT_EQ(board.heldClickX, static_cast<int>(c.x + 400.0f));
    EXPECT_EQ(board.heldClickY, static_cast<int>(300.0f - c.y));
    playFrames(20);
    EXPECT_EQ(play.movesMade, 1);
}

TEST(BoardKeys, HArmsTheHammerAndReturnStrikesUnderTheCursor)
{
    quietLevel();
    gameKeyDown(GAME_KEY_HAMMER);  // not ready: nothing is armed
    EXPECT_EQ(board.hammerArmed, 0);
    board.hammerReady = 1;
    gameKeyDown(GAME_KEY_HAMMER);
    EXPECT_EQ(board.hammerArmed, 1);
    gameKeyDown(GAME_KEY_HAMMER);  // and back
    EXPECT_EQ(board.hammerArmed, 0);
    EXPECT_EQ(board.hammerReady, 1);
    gameKeyDown(GAME_KEY_HAMMER);
    ASSERT_EQ(board.hammerArmed, 1);
    keys({VK_UP, VK_UP, VK_UP});  // shown at (5, 6), then up to (3, 6): a single figure, which only the hammer breaks
    ASSERT_EQ(boardKeys.row, 3);
    gameKeyDown(VK_RETURN);
    EXPECT_EQ(board.hammerArmed, 0);
    EXPECT_EQ(board.hammerReady, 0);
    EXPECT_NE(at(3, 6).state, FigureState::Idle);
    EXPECT_EQ(play.movesMade, 0);  // the hammer is no move
}

TEST(BoardKeys, ThePointerHidesTheCursorAndTheNextArrowBringsItBack)
{
    quietLevel();
    keys({VK_UP, VK_UP, VK_LEFT});
    ASSERT_EQ(boardKeys.row, 4);
    ASSERT_EQ(boardKeys.col, 5);
    boardPointerMove();  // an event at the same position is no move
    EXPECT_EQ(boardKeys.shown, 1);
    app.mouseX += 3;
    boardPointerMove();
    EXPECT_EQ(boardKeys.shown, 0);
    // The pointer is the board's pointer again.
    Vec2 p = boardCursor();
    EXPECT_FLOAT_EQ(p.x, static_cast<float>(app.mouseX) - 400.0f);
    gameKeyDown(VK_RIGHT);  // back where it was, not moved
    EXPECT_EQ(boardKeys.shown, 1);
    EXPECT_EQ(boardKeys.row, 4);
    EXPECT_EQ(boardKeys.col, 5);
}

// A mouse button after the keys acts where the pointer is, even when the pointer did not move:
// the cursor hides first.
TEST(BoardKeys, AClickAfterTheKeysActsAtThePointerNotAtTheCursor)
{
    quietLevel();
    keys({VK_LEFT, VK_UP});  // the cursor on (4, 6)
    pointAt(10, 0);          // the pointer placed without a move event
    boardPress();
    EXPECT_EQ(boardKeys.shown, 0);
    EXPECT_EQ(play.movesMade, 1);
    EXPECT_EQ(at(10, 0).state, FigureState::Breaking);
    EXPECT_EQ(at(4, 6).state, FigureState::Idle);
}

TEST(BoardKeys, SpaceStillPausesAndArrowsOnlyResume)
{
    quietLevel();
    gameKeyDown(VK_UP);
    gameKeyDown(VK_SPACE);
    EXPECT_EQ(play.paused, 1);
    gameKeyDown(VK_UP);  // any key resumes; the cursor stays
    EXPECT_EQ(play.paused, 0);
    EXPECT_EQ(boardKeys.row, 5);
    gameKeyDown(VK_RETURN);  // a single figure: no move
    EXPECT_EQ(play.movesMade, 0);
    EXPECT_EQ(play.paused, 0);
}
