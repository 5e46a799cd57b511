// Level files: place codes, remaps, defaults, the grid's end, damaged files and the level start.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "effects/backdrops.h"
#include "board_helpers.h"
#include "game/boardkeys.h"
#include "sound_probe.h"
#include "platform/os/files.h"
#include "resources/files.h"

namespace {

const std::string levels = std::string(OSTRIMAR_FIXTURES) + "/levels/";

bool readFixture(const char* name, int32_t* backdrop = nullptr)
{
    int32_t b = 0;
    clearBoard();
    return readLevelFile((levels + name).c_str(), backdrop ? backdrop : &b);
}

void parse(const std::string& text)
{
    clearBoard();
    int32_t backdrop = 0;
    parseLevelText(text.c_str(), static_cast<int32_t>(text.size()), &backdrop);
}

class LevelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetGame(11);
        resetFiles();
        resetFileTable();
    }
    void TearDown() override { resetFileTable(); }
};

} // namespace

TEST_F(LevelTest, EveryPlaceCodeReadsAsItsTileChainColourAndBonus)
{
    ASSERT_TRUE(readFixture("codes.lvl"));
    EXPECT_EQ(at(0, 0).tile, -1);
    EXPECT_EQ(at(0, 1).tile, 0);
    EXPECT_EQ(at(0, 1).chained, 0);
    EXPECT_EQ(at(0, 2).tile, 1);
    EXPECT_EQ(at(0, 3).tile, 2);
    // 'A', 'B', 'O': chained fixed figures on dual squares.
    EXPECT_EQ(at(0, 4).tile, 2);
    EXPECT_EQ(at(0, 4).chained, 1);
    EXPECT_EQ(at(0, 4).colour, 0);
    EXPECT_EQ(at(0, 5).colour, 1);
    EXPECT_EQ(at(0, 6).colour, 14);
    EXPECT_EQ(at(0, 6).bonus, BonusKind::None);
    // 'Q', 'R', '_': bombs.
    EXPECT_EQ(at(0, 7).bonus, BonusKind::Bomb);
    EXPECT_EQ(at(0, 7).colour, 0);
    EXPECT_EQ(at(0, 9).colour, 14);
    // 'a', 'b', 'o': thunder; 'q', 'r', 'z': cross bombs ('z' is colour 9).
    EXPECT_EQ(at(0, 10).bonus, BonusKind::Thunder);
    EXPECT_EQ(at(1, 0).colour, 14);
    EXPECT_EQ(at(1, 1).bonus, BonusKind::CrossBomb);
    EXPECT_EQ(at(1, 3).colour, 9);
    EXPECT_EQ(at(1, 3).bonus, BonusKind::CrossBomb);
    // 0xC0, 0xCE: diagonal bombs; 0xD0, 0xDE: mega bombs.
    EXPECT_EQ(at(1, 4).bonus, BonusKind::DiagonalBomb);
    EXPECT_EQ(at(1, 5).colour, 14);
    EXPECT_EQ(at(1, 6).bonus, BonusKind::MegaBomb);
    EXPECT_EQ(at(1, 7).colour, 14);
    // 'P', '`', 'p', '3', 0xCF, 0xDF each consume a place as a bare tile.
    for (int c = 8; c < 12; c++) {
        EXPECT_EQ(at(1, c).tile, 0) << c;
        EXPECT_EQ(at(1, c).chained, 0) << c;
    }
    EXPECT_EQ(at(2, 0).tile, 0);
    EXPECT_EQ(at(2, 1).tile, 0);
}

TEST_F(LevelTest, MissingOrZeroValuesTakeTheirDefaults)
{
    int32_t backdrop = -5;
    ASSERT_TRUE(readFixture("codes.lvl", &backdrop));
    EXPECT_EQ(board.colourCount, 8);  // "figures=0"
    EXPECT_FLOAT_EQ(levelFiles.rawTime, 10.0f);
    EXPECT_EQ(levelFiles.rawMoves, 50);  // missing
    EXPECT_EQ(levelFiles.rawBack, 0);
    EXPECT_GE(backdrop, 0);
    EXPECT_LT(backdrop, 16);
    ASSERT_TRUE(readFixture("shortgrid.lvl", &backdrop));
    EXPECT_EQ(board.colourCount, 4);
    EXPECT_FLOAT_EQ(levelFiles.rawTime, 12.5f);
    EXPECT_EQ(levelFiles.rawMoves, 7);
    EXPECT_EQ(backdrop, 2);
}

TEST_F(LevelTest, FigureRemapsExchangePairsInOrder)
{
    ASSERT_TRUE(readFixture("codes.lvl"));
    // figure0=diamond swaps 0 and 16; figure2=coins then swaps 2 and 0; an unknown name does nothing.
    int expected[17] = {2, 1, 0, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 0};
    for (int i = 0; i < 17; i++) EXPECT_EQ(board.figureImage[i], expected[i]) << i;
    parse("figures=3\r\nfigure1=crown \r\nfigure2=Crown\r\n");
    for (int i = 0; i < 17; i++) EXPECT_EQ(board.figureImage[i], i);  // names must match exactly
}

TEST_F(LevelTest, TooManyColoursAreCappedAtTheImageTable)
{
    parse("figures=40\r\nfigure20=coins\r\nfigure16=nugget\r\n");
    EXPECT_EQ(board.colourCount, 17);
    EXPECT_EQ(board.figureImage[16], 1);
    EXPECT_EQ(board.figureImage[1], 16);
    parse("figures=-3\r\n");
    EXPECT_EQ(board.colourCount, 8);
}

TEST_F(LevelTest, AGridOnTheKeyLineReadsLikeOneOnTheNextLine)
{
    std::string grid = "0102AQ.2z0..\r\n" + std::string("2") + "1111111111.\r\n";
    parse("figures=5\r\nlevel=" + grid);
    Cell sameLine[BOARD_ROWS][BOARD_COLS];
    std::memcpy(static_cast<void*>(sameLine), board.cells, sizeof sameLine);
    parse("figures=5\r\nlevel=\r\n" + grid);
    EXPECT_EQ(std::memcmp(static_cast<void*>(sameLine), board.cells, sizeof sameLine), 0);
    EXPECT_EQ(at(1, 11).tile, -1);
    EXPECT_EQ(at(0, 8).bonus, BonusKind::CrossBomb);
}

TEST_F(LevelTest, AnEmptyLineEndsTheGrid)
{
    ASSERT_TRUE(readFixture("shortgrid.lvl"));
    EXPECT_EQ(at(0, 0).tile, 1);
    EXPECT_EQ(at(1, 11).tile, 2);
    for (int r = 2; r < BOARD_ROWS; r++) {
        for (int c = 0; c < BOARD_COLS; c++) EXPECT_EQ(at(r, c).tile, 0);
    }
}

TEST_F(LevelTest, DamagedFilesNeverCrashTheReader)
{
    const char* files[] = {"cut.lvl", "junk.lvl", "nogrid.lvl", "long.lvl"};
    for (const char* f : files) {
        ASSERT_TRUE(readFixture(f)) << f;
        EXPECT_GE(board.colourCount, 1) << f;
        EXPECT_LE(board.colourCount, 17) << f;
        for (int r = 0; r < BOARD_ROWS; r++) {
            for (int c = 0; c < BOARD_COLS; c++) {
                EXPECT_GE(at(r, c).tile, -1);
                EXPECT_LE(at(r, c).tile, 2);
            }
        }
    }
    // 501 codes: the first 132 fill the board, the rest are ignored.
    ASSERT_TRUE(readFixture("long.lvl"));
    EXPECT_EQ(at(0, 0).tile, 0);
    EXPECT_EQ(at(0, 1).tile, 1);
    EXPECT_EQ(at(10, 11).tile, 2);
    ASSERT_TRUE(readFixture("nogrid.lvl"));
    EXPECT_EQ(board.colourCount, 3);
    EXPECT_EQ(at(5, 5).tile, 0);
}

TEST_F(LevelTest, RandomBytesAfterTheGridKeyStayInBounds)
{
    srand15(2024);
    for (int n = 0; n < 300; n++) {
        std::string text = "figures=6\r\nlevel=";
        int len = rand15() % 400;
        for (int i = 0; i < len; i++) {
            char ch = static_cast<char>(rand15() % 255 + 1);
            text.push_back(ch);
        }
        parse(text);
        for (int r = 0; r < BOARD_ROWS; r++) {
            for (int c = 0; c < BOARD_COLS; c++) {
                const Cell& cell = at(r, c);
                ASSERT_GE(cell.tile, -1);
                ASSERT_LE(cell.tile, 2);
                ASSERT_LE(cell.colour, 14);
                ASSERT_GE(static_cast<int>(cell.bonus), 0);
                ASSERT_LE(static_cast<int>(cell.bonus), 5);
            }
        }
    }
    parse("level=");
    EXPECT_EQ(at(0, 0).tile, 0);
}

TEST_F(LevelTest, AMissingFileChangesNothing)
{
    clearBoard();
    at(3, 3).tile = 2;
    board.colourCount = 5;
    levelFiles.rawMoves = 77;
    int32_t backdrop = 0;
    EXPECT_FALSE(readLevelFile((levels + "absent.lvl").c_str(), &backdrop));
    EXPECT_EQ(at(3, 3).tile, 2);
    EXPECT_EQ(board.colourCount, 5);
    EXPECT_EQ(levelFiles.rawMoves, 77);
    EXPECT_FALSE(readLevel(-1));
    EXPECT_FALSE(readLevel(129));
}

TEST_F(LevelTest, LevelsAreReadFromTheLevelsFolderUntilTheFirstMissingOne)
{
    ASSERT_TRUE(osSetCurrentDirectory(OSTRIMAR_FIXTURES));
    EXPECT_EQ(scanLevels(), 2);
    EXPECT_EQ(levelFiles.levelCount, 2);
    EXPECT_EQ(levelFiles.levelBackdrop[0], 7);
    EXPECT_GE(levelFiles.levelBackdrop[1], 0);  // no "back=": random
    EXPECT_LT(levelFiles.levelBackdrop[1], 16);
    EXPECT_STREQ(osGetCurrentDirectory(), OSTRIMAR_FIXTURES);  // back where it was
    EXPECT_EQ(fileTable.count, 0);                              // nothing left registered
}

TEST_F(LevelTest, StartingALevelRunsTheWholeSequence)
{
    ASSERT_TRUE(osSetCurrentDirectory(OSTRIMAR_FIXTURES));
    scanLevels();
    clearRequests();
    resetProfiles();
    ASSERT_TRUE(createProfile("Ann"));
    currentProfile().savedGame[ModePuzzle] = 1;
    currentProfile().savedGame[ModeAdventure] = 1;
    int scannedBackdrop = levelFiles.levelBackdrop[1];
    boardKeys.shown = 1;  // the keyboard's cursor of the level before
    boardKeys.placed = 1;
    boardKeys.row = 2;
    ASSERT_TRUE(startLevel(1, ModePuzzle));
    EXPECT_EQ(boardKeys.shown, 0);  // hidden, its place forgotten: the first arrow shows it in the middle
    EXPECT_EQ(boardKeys.placed, 0);
    EXPECT_EQ(play.levelIndex, 1);
    EXPECT_EQ(play.gameMode, ModePuzzle);
    EXPECT_FLOAT_EQ(backdrop.targetTint[0], 1.0f);  // the reddish preset 1
    EXPECT_FLOAT_EQ(backdrop.targetTint[1], 0.8f);
    // The backdrop is set before the file is read, from the number known since the scan.
    EXPECT_EQ(backdrop.number, scannedBackdrop);
    EXPECT_EQ(audio.requestedOrder, musicTrackOrder(1));
    EXPECT_EQ(play.moveLimit, levelFiles.rawMoves * 2);  // the limits of the level read
    // Starting a level forgets the saved game of its mode only.
    EXPECT_EQ(currentProfile().savedGame[ModePuzzle], 0);
    EXPECT_EQ(currentProfile().savedGame[ModeAdventure], 1);
    EXPECT_EQ(board.colourCount, 5);
    EXPECT_FLOAT_EQ(levelFiles.rawTime, 30.5f);
    EXPECT_EQ(board.targetsTotal, 6);  // two chained figures on dual squares
    EXPECT_EQ(board.targetsLeft, 6);
    EXPECT_EQ(board.lastGroupColour, -2);
    EXPECT_EQ(board.sameColourRun, 1);
    EXPECT_EQ(at(10, 4).colour, 0);  // 'A' stays
    EXPECT_EQ(at(10, 5).colour, 1);  // 'B' stays
    for (int r = 0; r < BOARD_ROWS; r++) {
        for (int c = 0; c < BOARD_COLS; c++) {
            EXPECT_TRUE(hasFigure(r, c));
            EXPECT_EQ(at(r, c).sweepPending, 1);
        }
    }
    EXPECT_TRUE(labelGroups());
}

TEST_F(LevelTest, AMissingLevelStartsWithRandomFiguresOnBareTiles)
{
    ASSERT_TRUE(osSetCurrentDirectory(OSTRIMAR_FIXTURES));
    levelFiles.rawTime = 99.0f;
    EXPECT_FALSE(startLevel(7, ModeAdventure));
    EXPECT_FLOAT_EQ(levelFiles.rawTime, 0.0f);
    EXPECT_EQ(levelFiles.rawMoves, 0);
    EXPECT_EQ(board.targetsTotal, 0);
    EXPECT_EQ(audio.requestedOrder, musicTrackOrder(2));
    for (int r = 0; r < BOARD_ROWS; r++) {
        for (int c = 0; c < BOARD_COLS; c++) {
            EXPECT_EQ(at(r, c).tile, 0);
            EXPECT_TRUE(hasFigure(r, c));
            EXPECT_LT(at(r, c).colour, 8);
        }
    }
}

TEST_F(LevelTest, TheSameSeedGivesTheSameStartingBoard)
{
    ASSERT_TRUE(osSetCurrentDirectory(OSTRIMAR_FIXTURES));
    srand15(42);
    startLevel(0, ModeAdventure);
    int first[BOARD_ROWS][BOARD_COLS];
    for (int r = 0; r < BOARD_ROWS; r++) {
        for (int c = 0; c < BOARD_COLS; c++) first[r][c] = at(r, c).colour;
    }
    srand15(42);
    startLevel(0, ModeAdventure);
    int same = 0;
    for (int r = 0; r < BOARD_ROWS; r++) {
        for (int c = 0; c < BOARD_COLS; c++) same += first[r][c] == at(r, c).colour ? 1 : 0;
    }
    EXPECT_EQ(same, BOARD_CELLS);
}

TEST_F(LevelTest, ALevelPackedInAnArchiveCanBeReadAgain)
{
    std::string text = "figures=3\r\nback=4\r\nlevel=\r\n1.A\r\n";
    std::vector<uint8_t> archive;
    ASSERT_TRUE(appendArchiveMember(archive, "pack1_05.lvl", reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    std::string path = std::string(OSTRIMAR_BINARY_DIR) + "/levels_archive_test.dat";
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(archive.data(), 1, archive.size(), f);
    std::fclose(f);
    ASSERT_EQ(openArchive(path.c_str()), ArchiveStatus::Ok);
    ASSERT_TRUE(osSetCurrentDirectory(OSTRIMAR_BINARY_DIR));
    for (int i = 0; i < 2; i++) {
        clearBoard();
        ASSERT_TRUE(readLevel(4)) << "read " << i;
        EXPECT_EQ(board.colourCount, 3);
        EXPECT_EQ(levelFiles.levelBackdrop[4], 4);
        EXPECT_EQ(at(0, 0).tile, 1);
        EXPECT_EQ(at(0, 1).tile, -1);
        EXPECT_EQ(at(0, 2).chained, 1);
    }
    std::remove(path.c_str());
}
