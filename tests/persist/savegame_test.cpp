// Saved games: the 51655-byte layout, a save and load round trip through the game state, when a
// game may be saved, and damaged or impossible files that must not reach the game state.
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>

#include "game/board.h"
#include "core/dialogport.h"
#include "game/boardrender.h"
#include "game/playstate.h"
#include "menus/menus.h"
#include "game/savegame.h"
#include "trophies/trophyroom.h"
#include "persist_helpers.h"

namespace {

constexpr size_t CELLS_AT = 9000 + 6600;
constexpr size_t DIALOG_FLAG_AT = 51600;
constexpr size_t MODE_AT = 51601;
constexpr size_t GLOBAL_TIME_AT = 51607;
constexpr size_t TIME_LIMIT_AT = 51611;

// A game in the middle of a puzzle level, with every block holding something.
void makeGame()
{
    resetBoard();
    resetBoardRender();
    resetPlayState();
    menus = MenusState{};
    resetDialogPort();
    board.colourCount = 6;
    resetFigureImages();
    std::swap(board.figureImage[1], board.figureImage[4]);
    for (int r = 0; r < BOARD_ROWS; r++) {
        for (int c = 0; c < BOARD_COLS; c++) {
            Cell& cell = board.cells[r][c];
            cell.tile = (r + c) % 4 - 1;
            cell.chained = (r * c) % 5 == 0 ? 1 : 0;
            cell.colour = (r * 7 + c) % 7 - 1;
            cell.animFrame = (r + 3 * c) % 32;
            cell.bonus = static_cast<BonusKind>((r + c) % 6);
            cell.offset = {0.5f * c, -1.5f * r};
            cell.fallSpeed = 1.25f;
            cell.groupStep = c % 3 - 1;
            cell.groupId = r % 4 - 1;
            cell.timer = 3.0f * r;
            cell.reserved96[2] = 9;  // unused bytes travel unchanged
        }
    }
    board.blasts[3] = BlastRecord{BonusKind::Bomb, 4, 5, {10.0f, 20.0f}, 12.0f, 30.0f, 450.0f, 1, {1, 0, 1, 0, 1, 0, 1, 0}, {}};
    board.nextBlast = 4;
    boardRender.debris[10].colourPlusOne = 3;
    boardRender.debris[10].kind = 1;
    boardRender.debris[10].frame = 12;
    boardRender.debris[10].velocity = {0.1f, 0.3f};
    boardRender.nextDebris = 11;
    board.boltSets[2][0].active = 1;
    board.boltSets[2][0].lifeMs = 80.0f;
    board.nextBoltSet = 3;
    board.thunderColourDone[2] = 1;
    board.targetsTotal = 40;
    board.targetsLeft = 17;
    board.hammerShown = 0.25f;
    board.hammerFull = 1.0f;
    board.boardClockMs = 65432.5f;
    board.idleTimerMs = -3.0f;
    board.hintDelayMs = 6000.0f;
    board.groupCount = 9;
    board.hintGroup = 4;
    board.lastGroupColour = 2;
    board.sameColourRun = 1;
    board.thunderUseRun = 2;
    board.hammerReady = 1;
    board.shakeOffset = {1.5f, -2.0f};
    play.levelIndex = 37;
    play.gameMode = ModePuzzle;
    play.movesMade = 12;
    play.moveLimit = 40;
    play.timeLimitMs = 90000.0f;
    play.levelScore = 4321;
    play.bankedScore = 100000;
    play.shownLevelScore = 4000;
    play.colourStreak = 2;
    play.gameInProgress = 1;
    play.levelTouched = 1;
    currentProfileStem(play.profileStem, sizeof play.profileStem);  // the level start's player
    play.movesShown = 11.5f;
    app.globalTimeMs = 123456.75f;
    dialogPort.open = 1;
}

std::vector<uint8_t> image()
{
    std::vector<uint8_t> out(SAVED_GAME_SIZE);
    saveGameToBytes(out.data());
    return out;
}

void forgetGame()
{
    resetBoard();
    resetBoardRender();
    resetPlayState();
    menus = MenusState{};
    resetDialogPort();
    app.globalTimeMs = 0.0f;
    play.gameMode = ModePuzzle;  // the level of the mode was started again
}

class SavedGameTest : public PersistTest {
protected:
    std::string saveFile;
    void SetUp() override
    {
        PersistTest::SetUp();
        ASSERT_TRUE(createProfile("Ann"));
        setProfileMode(ModePuzzle);
        saveFile = path("+ann_org.sav");
        makeGame();
    }
};

} // namespace

TEST_F(SavedGameTest, ARoundTripRestoresEveryBlockOfTheGameState)
{
    std::vector<uint8_t> before = image();
    ASSERT_TRUE(saveGame());
    EXPECT_EQ(fileBytes(saveFile), before);
    EXPECT_EQ(before.size(), 51655u);
    EXPECT_TRUE(profileHasSavedGame(ModePuzzle));
    EXPECT_EQ(currentProfile().score[ModePuzzle], 104000);  // banked plus shown
    // Where the saved game's blocks lie in the file.
    Cell first;
    std::memcpy(&first, before.data() + CELLS_AT, sizeof first);
    EXPECT_EQ(first.tile, board.cells[0][0].tile);
    EXPECT_EQ(first.reserved96[2], 9);
    EXPECT_EQ(before[DIALOG_FLAG_AT], 1);
    EXPECT_EQ(before[MODE_AT], ModePuzzle);
    float f;
    std::memcpy(&f, before.data() + GLOBAL_TIME_AT, 4);
    EXPECT_FLOAT_EQ(f, 123456.75f);
    std::memcpy(&f, before.data() + TIME_LIMIT_AT, 4);
    EXPECT_FLOAT_EQ(f, 90000.0f);

    forgetGame();
    ASSERT_NE(image(), before);
    ASSERT_TRUE(loadGame());
    EXPECT_EQ(image(), before);
    EXPECT_EQ(board.blasts[3].col, 5);
    EXPECT_EQ(play.levelIndex, 37);
    EXPECT_EQ(play.gameMode, ModePuzzle);
    EXPECT_FLOAT_EQ(app.globalTimeMs, 123456.75f);
    EXPECT_EQ(play.gameInProgress, 1);
    EXPECT_EQ(play.levelTouched, 1);
}

TEST_F(SavedGameTest, OnlyATouchedGameStillBeingPlayedIsSaved)
{
    struct Case {
        const char* what;
        void (*change)();
    };
    const Case cases[] = {
        {"untouched", [] { play.levelTouched = 0; }},
        {"not in progress", [] { play.gameInProgress = 0; }},
        {"won", [] { play.levelWon = 1; }},
        {"lost", [] { play.levelLost = 1; }},
        {"complete", [] { play.gameComplete = 1; }},
        {"no profile", [] { resetProfiles(); }},
        {"another profile's", [] { std::snprintf(play.profileStem, sizeof play.profileStem, "+bob"); }},
        {"left or finished", [] { endGameInProgress(); }},
        {"the trophy room over the front end",
         [] {
             trophyRoom.open = 1;
             trophyRoom.returnTarget = TROPHY_RETURN_MAIN;
         }},
    };
    for (const Case& c : cases) {
        makeGame();
        resetTrophyRoom();
        c.change();
        EXPECT_FALSE(saveGame()) << c.what;
        EXPECT_FALSE(exists(saveFile)) << c.what;
    }
    // The trophy trip from the game comes back to it: the game is still on there.
    makeGame();
    trophyRoom.open = 1;
    trophyRoom.returnTarget = TROPHY_RETURN_GAME;
    EXPECT_TRUE(saveGame());
    resetTrophyRoom();
}

// Choosing, creating, renaming or deleting a profile ends the game in progress: a close after it
// saves nothing, for nobody.
TEST_F(SavedGameTest, AProfileChangeEndsTheGameInProgress)
{
    ASSERT_TRUE(createProfile("Bob"));
    struct Case {
        const char* what;
        void (*change)();
    };
    const Case cases[] = {
        {"select", [] { selectProfile(1); }},
        {"create", [] { ASSERT_TRUE(createProfile("Cid")); }},
        {"rename", [] { ASSERT_TRUE(renameProfile(1, "Bo")); }},
        {"delete", [] { deleteProfile(0); }},
    };
    for (const Case& c : cases) {
        selectProfile(0);  // Ann's
        makeGame();
        ASSERT_TRUE(canSaveGame()) << c.what;
        c.change();
        EXPECT_FALSE(saveGame()) << c.what;
        EXPECT_FALSE(exists(saveFile)) << c.what;
        for (int i = 0; i < profileState.count; i++)
            EXPECT_EQ(profileState.profiles[i].savedGame[ModePuzzle], 0) << c.what << " " << i;
    }
}

TEST_F(SavedGameTest, AFileOfAnotherSizeOrAMissingOneLeavesTheLevelAsStarted)
{
    ASSERT_TRUE(saveGame());
    std::vector<uint8_t> good = fileBytes(saveFile);
    forgetGame();
    std::vector<uint8_t> fresh = image();
    for (size_t size : {size_t{0}, size_t{51654}, size_t{51656}}) {
        std::vector<uint8_t> damaged = good;
        damaged.resize(size, 0);
        putFile(saveFile, damaged.data(), damaged.size());
        setProfileSavedGame(ModePuzzle, true);
        EXPECT_FALSE(loadGame()) << size;
        EXPECT_EQ(image(), fresh) << size;
        EXPECT_FALSE(profileHasSavedGame(ModePuzzle));
        EXPECT_EQ(play.gameInProgress, 0);
    }
    ASSERT_TRUE(osDeleteFile(saveFile.c_str()));
    setProfileSavedGame(ModePuzzle, true);
    EXPECT_FALSE(loadGame());
    EXPECT_FALSE(profileHasSavedGame(ModePuzzle));
}

TEST_F(SavedGameTest, ImpossibleValuesAreRefusedBeforeTheyReachTheGameState)
{
    struct Case {
        const char* what;
        void (*change)();
    };
    const Case cases[] = {
        {"colour beyond the count", [] { board.cells[3][3].colour = 6; }},
        {"colour below -1", [] { board.cells[3][3].colour = -2; }},
        {"tile 3", [] { board.cells[0][5].tile = 3; }},
        {"bonus 6", [] { board.cells[9][9].bonus = static_cast<BonusKind>(6); }},
        {"queued bonus -1", [] { board.cells[9][9].queuedBonus = static_cast<BonusKind>(-1); }},
        {"figure state 2", [] { board.cells[1][1].state = static_cast<FigureState>(2); }},
        {"animation frame 32", [] { board.cells[1][1].animFrame = 32; }},
        {"group id 132", [] { board.cells[1][1].groupId = 132; }},
        {"not a number", [] { board.cells[2][2].offset.x = std::numeric_limits<float>::quiet_NaN(); }},
        {"blast kind 9", [] { board.blasts[0].kind = static_cast<BonusKind>(9); }},
        {"blast outside the board", [] { board.blasts[3].row = 11; }},
        {"blast index 150", [] { board.nextBlast = 150; }},
        {"debris colour 18", [] { boardRender.debris[0].colourPlusOne = 18; }},
        {"debris index -1", [] { boardRender.nextDebris = -1; }},
        {"bolt flag 2", [] { board.boltSets[15][63].active = 2; }},
        {"bolt set 16", [] { board.nextBoltSet = 16; }},
        {"no colours", [] { board.colourCount = 0; }},
        {"18 colours", [] { board.colourCount = 18; }},
        {"figure image 17", [] { board.figureImage[16] = 17; }},
        {"level 129", [] { play.levelIndex = 129; }},
        {"negative moves", [] { play.movesMade = -1; }},
        {"flag 2", [] { board.hintShown = 2; }},
        {"thunder colour flag 3", [] { board.thunderColourDone[7] = 3; }},
        {"infinite clock", [] { app.globalTimeMs = std::numeric_limits<float>::infinity(); }},
    };
    for (const Case& c : cases) {
        makeGame();
        c.change();
        std::vector<uint8_t> bad = image();
        EXPECT_FALSE(validSavedGame(bad.data(), SAVED_GAME_SIZE)) << c.what;
        putFile(saveFile, bad.data(), bad.size());
        forgetGame();
        std::vector<uint8_t> fresh = image();
        setProfileSavedGame(ModePuzzle, true);
        EXPECT_FALSE(loadGame()) << c.what;
        EXPECT_EQ(image(), fresh) << c.what;
        EXPECT_FALSE(profileHasSavedGame(ModePuzzle)) << c.what;
    }
    // A saved game of another mode in this mode's file.
    makeGame();
    play.gameMode = ModeAdventure;
    std::vector<uint8_t> other = image();
    EXPECT_TRUE(validSavedGame(other.data(), SAVED_GAME_SIZE));
    putFile(saveFile, other.data(), other.size());
    forgetGame();
    EXPECT_FALSE(loadGame());
}

TEST_F(SavedGameTest, SavesOfOneProfileAndModeStayApartFromTheOthers)
{
    ASSERT_TRUE(saveGame());
    std::vector<uint8_t> annPuzzle = fileBytes(saveFile);
    ASSERT_TRUE(createProfile("Bob"));
    setProfileMode(ModeAdventure);
    makeGame();
    play.gameMode = ModeAdventure;
    play.levelIndex = 2;
    ASSERT_TRUE(saveGame());
    EXPECT_TRUE(exists(path("+bob_cls.sav")));
    EXPECT_EQ(fileBytes(saveFile), annPuzzle);
    selectProfile(0);
    forgetGame();
    ASSERT_TRUE(loadGame());
    EXPECT_EQ(play.levelIndex, 37);
    removeSavedGame(ModePuzzle);
    EXPECT_FALSE(exists(saveFile));
    EXPECT_TRUE(exists(path("+bob_cls.sav")));
}

TEST_F(SavedGameTest, ASaveThatFailsLeavesTheProfilesScoreAsItWas)
{
    // A save stores banked + shown score as the profile's score with the file; when the file
    // cannot be written, the level's partial points must not stay in the profile.
    setProfileScore(100000);
    std::filesystem::create_directories(saveFile);  // a folder where the file should go
    EXPECT_FALSE(saveGame());
    EXPECT_EQ(profileScore(), 100000);
    EXPECT_FALSE(profileHasSavedGame(ModePuzzle));
    std::filesystem::remove(saveFile);
    ASSERT_TRUE(saveGame());
    EXPECT_EQ(profileScore(), 104000);
}

namespace {

class FailingSaveTest : public SavedGameTest {
protected:
    void SetUp() override
    {
        SavedGameTest::SetUp();
        ShownBoxes::texts().clear();
        dialogPort.showMessageBox = ShownBoxes::box;
        dialogPort.open = 0;
    }
    void TearDown() override
    {
        osFailFileOperation(0, 0);
        dialogPort.showMessageBox = nullptr;
        SavedGameTest::TearDown();
    }
};

} // namespace

TEST_F(FailingSaveTest, AFailedSaveIsToldAtOnceInTheGamesMessageBoxNamingTheFileAndWhy)
{
    makeFolder();
    ASSERT_EQ(::symlink("+ann_org.sav", saveFile.c_str()), 0);  // a link loop where the file goes
    EXPECT_FALSE(saveGame());
    ASSERT_EQ(ShownBoxes::texts().size(), 1u);
    const std::string& said = ShownBoxes::texts()[0];
    EXPECT_NE(said.find(saveFile), std::string::npos) << said;
    EXPECT_NE(said.find(std::strerror(ELOOP)), std::string::npos) << said;
    EXPECT_EQ(dialogPort.open, 1);  // the board waits under the box
    EXPECT_FALSE(saveGame());
    EXPECT_EQ(ShownBoxes::texts().size(), 1u);  // told once
    EXPECT_FALSE(profileHasSavedGame(ModePuzzle));
}

TEST_F(FailingSaveTest, AFailedSaveKeepsOfferingTheSavedGameItCouldNotReplace)
{
    ASSERT_TRUE(saveGame());
    std::vector<uint8_t> saved = fileBytes(saveFile);
    // The game is continued: the level start clears the flag, the saved game is read over it.
    forgetGame();
    setProfileSavedGame(ModePuzzle, false);
    ASSERT_TRUE(loadGame());
    play.levelScore += 500;
    play.shownLevelScore += 500;
    int scoreBefore = profileScore();
    for (int error : {ENOSPC, EIO, EACCES, EROFS}) {
        osFailFileOperation(2, error);  // the write of the new image
        EXPECT_FALSE(saveGame());
        osFailFileOperation(0, 0);
        EXPECT_EQ(fileBytes(saveFile), saved);
        EXPECT_TRUE(profileHasSavedGame(ModePuzzle)) << "the old saved game is still the player's";
        EXPECT_EQ(profileScore(), scoreBefore);
    }
    // A level begun afresh has no saved game of its own: a failed save offers none.
    resetPlayState();
    makeGame();
    setProfileSavedGame(ModePuzzle, false);
    osFailFileOperation(1, ENOSPC);
    EXPECT_FALSE(saveGame());
    osFailFileOperation(0, 0);
    EXPECT_FALSE(profileHasSavedGame(ModePuzzle));
}

TEST_F(FailingSaveTest, EveryFailingOperationOfASavedGameLeavesTheOldOrNewFileAndAnHonestFlag)
{
    ASSERT_TRUE(saveGame());
    std::vector<uint8_t> oldFile = fileBytes(saveFile);
    osFailFileOperation(1 << 30, 0);
    ASSERT_TRUE(saveGame());
    int ops = osFileOperations();
    osFailFileOperation(0, 0);
    ASSERT_EQ(ops, 8);
    int failed = 0;
    for (int error : {ENOSPC, EIO, EACCES, EROFS}) {
        for (int n = 1; n <= ops; n++) {
            makeGame();
            ASSERT_TRUE(saveGame());
            oldFile = fileBytes(saveFile);
            noteSaveSucceeded();
            persist.errorBoxOpen = false;
            ShownBoxes::texts().clear();
            play.shownLevelScore += 77;
            std::vector<uint8_t> newFile = image();
            int scoreBefore = profileScore();
            osFailFileOperation(n, error);
            bool ok = saveGame();
            osFailFileOperation(0, 0);
            EXPECT_FALSE(ok);
            failed += ok ? 0 : 1;
            std::vector<uint8_t> now = fileBytes(saveFile);
            EXPECT_TRUE(now == oldFile || now == newFile) << "torn at operation " << n;
            EXPECT_EQ(ShownBoxes::texts().size(), 1u);
            // The flag promises the file that is there (an earlier moment of this level), and the
            // level's new points did not go into the profile.
            EXPECT_TRUE(profileHasSavedGame(ModePuzzle));
            EXPECT_EQ(profileScore(), scoreBefore);
            EXPECT_TRUE(validSavedGame(now.data(), static_cast<int32_t>(now.size())));
        }
    }
    EXPECT_EQ(failed, 4 * ops);
}
