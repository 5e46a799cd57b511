// The dialogs over the board: the pause menu, the level result, the dialogs after a lost level and
// the questions before skipping or restarting, with what each answer does to the game.
#include "dialog_helpers.h"
#include "core/dialogport.h"
#include "game/gameflow.h"
#include "game/play_helpers.h"
#include "game/savegame.h"
#include "platform/os/files.h"

#include <cstdlib>
#include <filesystem>

namespace {

int frontEndCalls = 0;
void countFrontEnd() { frontEndCalls++; }

class InGame : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetPlayGame();
        resetDialogWorld();
        createProfile("TESTER");
        frontEndCalls = 0;
        dialogRoute.toFrontEnd = countFrontEnd;
        gameFlow.toFrontEnd = returnToMainMenu;  // as the shell's route sets it
        playLevel(ModeAdventure, 3, quietRows());
        buildTestTree();
        setProfileLevel(3);
        setProfileLives(2);
    }
    void TearDown() override
    {
        resetDialogs();
        resetMenus();
        resetGamePlay();
        resetDeviceState();
    }

    // The pause menu as the HUD's "menu" button opens it.
    void openPauseMenu()
    {
        dialogPort.open = 1;
        openGameDialog("gameplay");
        settleMenus();
        ASSERT_EQ(currentName(), "gameplay");
    }
};

} // namespace

TEST_F(InGame, ResumeClosesThePauseMenuAndHandsTheInputBack)
{
    openPauseMenu();
    pressButton("resume game");
    EXPECT_EQ(dialogPort.open, 0);
    EXPECT_EQ(menus.current, nullptr);
    // Escape does the same.
    openPauseMenu();
    pressKey(27);
    EXPECT_EQ(dialogPort.open, 0);
}

TEST_F(InGame, RestartAsksFirstAndCostsALife)
{
    openPauseMenu();
    pressButton("restart level");
    ASSERT_EQ(currentName(), "messageboxyn");
    EXPECT_STREQ(menus.messageKey, "restartquest");
    pressButton("no");
    EXPECT_EQ(currentName(), "gameplay");
    EXPECT_EQ(profileLives(), 2);
    pressButton("restart level");
    play.movesMade = 5;
    pressButton("yes");
    EXPECT_EQ(profileLives(), 1);
    EXPECT_EQ(play.levelIndex, 3);
    EXPECT_EQ(play.movesMade, 0);
    EXPECT_EQ(dialogPort.open, 0);
}

TEST_F(InGame, RestartAfterALostLevelNeedsNoQuestion)
{
    openPauseMenu();
    play.levelLost = 1;
    pressButton("restart level");
    EXPECT_EQ(profileLives(), 1);
    EXPECT_EQ(play.levelLost, 0);
    EXPECT_EQ(dialogPort.open, 0);
}

TEST_F(InGame, WithoutLivesSkipAndRestartOnlySayWhy)
{
    setProfileLives(0);
    openPauseMenu();
    pressButton("skip level");
    ASSERT_EQ(currentName(), "messageboxok");
    EXPECT_STREQ(menus.messageKey, "noskiplevel");
    pressButton("ok");
    EXPECT_EQ(currentName(), "gameplay");
    pressButton("restart level");
    ASSERT_EQ(currentName(), "messageboxok");
    EXPECT_STREQ(menus.messageKey, "nomorelives");
    EXPECT_EQ(play.levelIndex, 3);
    EXPECT_EQ(profileLives(), 0);
}

TEST_F(InGame, SkippingMovesOnToTheNextLevelForALife)
{
    openPauseMenu();
    pressButton("skip level");
    ASSERT_STREQ(menus.messageKey, "skipquest");
    pressButton("yes");
    EXPECT_EQ(play.levelIndex, 4);
    EXPECT_EQ(profileLevel(), 4);
    EXPECT_EQ(profileLives(), 1);
    EXPECT_EQ(dialogPort.open, 0);
}

TEST_F(InGame, MainLeavesForTheFrontEndWhenNothingWasSaved)
{
    openPauseMenu();
    pressButton("main");
    EXPECT_EQ(frontEndCalls >= 1, true);
    EXPECT_EQ(currentName(), "main");
    EXPECT_EQ(dialogPort.open, 0);
}

TEST_F(InGame, MainSavesATouchedLevelAndSavemsgLeavesThroughTheGame)
{
    play.gameInProgress = 1;
    play.levelTouched = 1;
    openPauseMenu();
    pressButton("main");
    ASSERT_EQ(currentName(), "messageboxok");
    EXPECT_STREQ(menus.messageKey, "savemsg");
    EXPECT_STREQ(gameFlow.gameDialog, "savemsg");  // the game knows which box is up
    EXPECT_TRUE(profileHasSavedGame(ModeAdventure));
    EXPECT_EQ(frontEndCalls, 0);                   // not before its "ok"
    pressButton("ok");
    EXPECT_EQ(currentName(), "main");
    EXPECT_EQ(dialogPort.open, 0);
    EXPECT_STREQ(gameFlow.gameDialog, "");
    EXPECT_GE(frontEndCalls, 1);
}

// Left through "main" with its game saved, then another player chosen (or the first one deleted):
// a close saves nothing, so the other player gets no game, score or flag, and the saved game of
// the first stays as the pause menu wrote it.
TEST_F(InGame, AfterLeavingAGameAnotherProfileGetsNothingFromAClose)
{
    for (bool removeFirst : {false, true}) {
        std::filesystem::remove_all(persist.folderOverride);  // no file of an earlier run
        resetProfiles();
        createProfile("OTHER");
        createProfile("TESTER");
        playLevel(ModeAdventure, 3, quietRows());  // TESTER's level
        buildTestTree();
        setProfileScore(700);
        play.bankedScore = 700;
        play.gameInProgress = 1;
        play.levelTouched = 1;
        openPauseMenu();
        pressButton("main");
        ASSERT_STREQ(menus.messageKey, "savemsg");
        pressButton("ok");
        ASSERT_EQ(currentName(), "main");
        ASSERT_TRUE(profileHasSavedGame(ModeAdventure));
        char path[OS_PATH_MAX];
        ASSERT_TRUE(profileFilePath(1, ProfileSaveAdventure, path, sizeof path));
        int32_t size = 0;
        uint8_t* saved = osReadFile(path, &size);
        ASSERT_NE(saved, nullptr);
        std::string testerGame(reinterpret_cast<char*>(saved), static_cast<size_t>(size));
        std::free(saved);
        Profile other = profileState.profiles[0];
        if (removeFirst) deleteProfile(1);  // TESTER removed: OTHER is current
        else selectProfile(0);
        EXPECT_FALSE(saveGame()) << removeFirst;  // the window is closed
        Profile now = profileState.profiles[0];
        EXPECT_EQ(std::memcmp(&now, &other, sizeof now), 0) << removeFirst;
        ASSERT_TRUE(profileFilePath(0, ProfileSaveAdventure, path, sizeof path));
        EXPECT_FALSE(osFileExists(path)) << removeFirst;
        if (removeFirst) continue;
        ASSERT_TRUE(profileFilePath(1, ProfileSaveAdventure, path, sizeof path));
        saved = osReadFile(path, &size);
        ASSERT_NE(saved, nullptr);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(saved), static_cast<size_t>(size)), testerGame);
        std::free(saved);
        EXPECT_EQ(profileState.profiles[1].savedGame[ModeAdventure], 1);
    }
}

TEST_F(InGame, TheLevelResultCountsUpAndTheSecondEnterGoesOn)
{
    play.levelScore = 4321;
    play.bestStreak = 4;
    play.movesMade = 17;
    play.playClockMs = 83000.0f;
    LevelRecord& rec = levelRecord(ModeAdventure, 3);
    rec.results[2] = 20;  // the level's 17 moves beat it
    rec.results[3] = 60000;
    dialogPort.open = 1;
    openGameDialog("levelcomplete");
    menuFrames(2);
    EXPECT_EQ(levelResultView.score, 4321);
    EXPECT_EQ(levelResultView.timeMs, 83000);
    EXPECT_EQ(levelResultView.done, 0);
    EXPECT_TRUE(beatsRecord(levelResultView.moves, rec.results[2]));
    EXPECT_FALSE(beatsRecord(levelResultView.timeMs, rec.results[3]));
    settleMenus();  // the opening is over; the score line is counting
    clearRequests();
    addEffect("lingering", "effecttime=5000\rparfrequency=0\r");
    startEffect("lingering", 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, -1);
    ASSERT_EQ(liveEmitters(), 1);
    menuKeyDown(13);
    menuFrames(1);
    EXPECT_EQ(levelResultView.done, 1);
    EXPECT_EQ(levelResultShown(3), 83000);
    EXPECT_EQ(currentName(), "levelcomplete");
    EXPECT_EQ(liveEmitters(), 0);  // finishing the count clears the bursts of its lines
    // The second Enter activates the button: the dialog closes and the game waits for a click.
    pressKey(13);
    EXPECT_EQ(dialogPort.open, 0);
    EXPECT_EQ(menus.current, nullptr);
}

TEST_F(InGame, ACountUpLeftAloneBurstsOncePerLine)
{
    dialogPort.open = 1;
    openGameDialog("levelcomplete");
    clearEffectStarts();
    int32_t cursor = audio.writeCursor;
    menuFrames(200);
    EXPECT_EQ(soundsQueuedSince(cursor, "LevelStatistic.ogg"), 4);
    EXPECT_EQ(effectStarts("wowIQ"), 4);
    EXPECT_EQ(levelResultView.done, 1);
    // Escape counts as Enter here: with the count-up done it activates the button.
    pressKey(27);
    EXPECT_EQ(dialogPort.open, 0);
}

TEST_F(InGame, TheDefeatDialogIgnoresEscapeAndItsSkipAsksFirst)
{
    play.levelLost = 1;
    play.secondTry = 1;
    dialogPort.open = 1;
    openGameDialog("defeat");
    settleMenus();
    pressKey(27);
    EXPECT_EQ(currentName(), "defeat");
    pressButton("skip level");
    ASSERT_EQ(currentName(), "messageboxyn");
    pressButton("no");
    EXPECT_EQ(currentName(), "defeat");
    pressButton("skip level");
    pressButton("yes");
    EXPECT_EQ(play.levelIndex, 4);
    EXPECT_EQ(play.secondTry, 0);
    EXPECT_EQ(profileLives(), 1);
    EXPECT_EQ(dialogPort.open, 0);
}

TEST_F(InGame, TheLifeLostMessageRestartsAsASecondTry)
{
    play.levelLost = 1;
    dialogPort.open = 1;
    openGameMessage("lostlifetime");
    settleMenus();
    ASSERT_EQ(currentName(), "messageboxok");
    pressButton("ok");
    EXPECT_EQ(play.secondTry, 1);
    EXPECT_EQ(play.levelLost, 0);
    EXPECT_EQ(profileLives(), 1);
    EXPECT_EQ(dialogPort.open, 0);
}

TEST_F(InGame, GameOverShowsTheGamesRowAndBackLeadsToMain)
{
    for (int e = 0; e < HISCORE_ENTRIES; e++) profileState.hiscores[ModeAdventure][e].score = (10 - e) * 1000;
    play.bankedScore = 5200;
    play.shownLevelScore = 300;
    gameOver();
    settleMenus();
    ASSERT_EQ(currentName(), "hiscore");
    EXPECT_EQ(dialogs.hiscoreFromGame, 1);
    EXPECT_EQ(dialogs.modeTab, ModeAdventure);
    EXPECT_EQ(dialogs.newScoreRow, 5);
    pressButton("back");
    EXPECT_EQ(currentName(), "main");
    EXPECT_EQ(dialogPort.open, 0);
    EXPECT_GE(frontEndCalls, 1);
    EXPECT_EQ(dialogs.newScoreRow, -1);
}

TEST_F(InGame, AContinuedReplayIsCountedAndPlayGoesOn)
{
    // The replay dialogs are only in a tree whose file lists them; their actions by name.
    dialogPort.open = 1;
    dialogAction("replaywin", "okcontinuegame", "", "");
    EXPECT_EQ(dialogs.continuedGames, 1);
    EXPECT_EQ(dialogPort.open, 0);
    dialogPort.open = 1;
    dialogAction("replayloss", "back", "", "");
    EXPECT_EQ(dialogPort.open, 0);
    EXPECT_EQ(menus.current, nullptr);
}

TEST_F(InGame, TheLastLevelCannotBeSkippedAndCostsNoLife)
{
    // Skipping moves on to the next level; after the last one there is none, so the pause menu
    // says so instead of asking, and a skip that gets through anyway changes nothing.
    playLevel(ModeAdventure, LEVELS_PER_MODE - 1, quietRows());
    buildTestTree();
    setProfileLevel(LEVELS_PER_MODE - 1);
    openPauseMenu();
    pressButton("skip level");
    ASSERT_EQ(currentName(), "messageboxok");
    EXPECT_STREQ(menus.messageKey, "noskiplast");
    pressButton("ok");
    EXPECT_EQ(currentName(), "gameplay");
    EXPECT_EQ(profileLives(), 2);
    play.movesMade = 5;
    skipLevel();
    EXPECT_EQ(profileLives(), 2);
    EXPECT_EQ(play.levelIndex, LEVELS_PER_MODE - 1);
    EXPECT_EQ(profileLevel(), LEVELS_PER_MODE - 1);
    EXPECT_EQ(play.movesMade, 5);  // the level was not started again
}

TEST_F(InGame, ARestartClearsTheFloatingMessagesAndLetters)
{
    showStatusMessage(u"status");
    showKeyMessage("loselife", 0.0f, 0.0f, 20.0f, 4000.0f);
    spawnFlyingLetters(u"WORD", 0.0f, 0.0f, 1.0f, 3000.0f);
    ASSERT_GT(messages.status.timer, 0.0f);
    ASSERT_GT(messages.letters[0].timer, 0.0f);
    openPauseMenu();
    play.levelLost = 1;
    pressButton("restart level");
    EXPECT_EQ(profileLives(), 1);
    EXPECT_FLOAT_EQ(messages.status.timer, 0.0f);
    for (const PopupText& p : messages.popups) EXPECT_LT(p.life, 0.0f);
    for (const FlyingLetter& l : messages.letters) EXPECT_LE(l.timer, 0.0f);
}

TEST_F(InGame, GameOverHighlightsTheRowTheScoreWentIntoNotAnEarlierEqualOne)
{
    // The same player already holds row 5 with the same score; the new entry goes after it.
    for (int e = 0; e < HISCORE_ENTRIES; e++) profileState.hiscores[ModeAdventure][e].score = (10 - e) * 1000;
    HiscoreEntry& earlier = profileState.hiscores[ModeAdventure][5];
    earlier.score = 5500;
    for (int i = 0; i < PROFILE_NAME_CHARS; i++) earlier.name[i] = currentProfile().name[i];
    play.bankedScore = 5200;
    play.shownLevelScore = 300;
    gameOver();
    settleMenus();
    ASSERT_EQ(currentName(), "hiscore");
    EXPECT_EQ(profileState.hiscores[ModeAdventure][6].score, 5500);
    EXPECT_EQ(dialogs.newScoreRow, 6);
}

TEST_F(InGame, OpeningADialogClearsTheParticleEffects)
{
    // Sparks of the board would otherwise hang, frozen, under the dialog (the game screen does
    // not run the effects while a dialog is open) and run on after it.
    addEffect("testglow", "effecttime=5000\r\nparfrequency=50\r\npartime=3000\r\n");
    startEffect("testglow", 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, -1);
    updateEffects(100.0f);
    ASSERT_GT(liveEmitters(), 0);
    ASSERT_GT(liveParticles(), 0);
    openPauseMenu();
    EXPECT_EQ(liveEmitters(), 0);
    EXPECT_EQ(liveParticles(), 0);
}

// "Next level" on the level result: the game waits for one key, says so at once and readably on
// every frame of the wait, the tiles finish their flight, and that key reaches the map.
TEST_F(InGame, AfterNextLevelThePromptShowsAtOnceAndAKeyReachesTheMap)
{
    cheatClearSquares();
    for (int i = 0; i < 200 && !play.levelWon; i++) playFrames(1);
    ASSERT_EQ(play.levelWon, 1);
    playFrames(5);
    gameKeyDown(13);  // a key early in the sequence: the level result at once
    ASSERT_EQ(currentName(), "levelcomplete");
    settleMenus();
    pressKey(13);  // finishes the count-up
    pressKey(13);  // "Next level"
    ASSERT_EQ(dialogPort.open, 0);
    EXPECT_EQ(play.levelAdvance, 1);
    EXPECT_EQ(play.levelIndex, 4);
    // Some tile is still in the air: the answer came well before the end of the throw.
    ASSERT_LT(play.completeClockMs, FLY_OFF_END_MS);
    Vec2 before{};
    int row = -1, col = -1;
    for (int r = 0; r < BOARD_ROWS && row < 0; r++)
        for (int c = 0; c < BOARD_COLS; c++)
            if (board.cells[r][c].tile >= 0) {
                row = r;
                col = c;
                before = board.cells[r][c].jiggle;
                break;
            }
    ASSERT_GE(row, 0);
    // Every frame of the wait (40 s, more than one slow pulse) shows the prompt, never below
    // half opacity, from the first frame on.
    int faintest = 255;
    for (int i = 0; i < 2000; i++) {
        app.frameMs = 20.0f;
        gameFrame();
        drawGame();
        const HudTextEntry* prompt = findHudText("keytoresume");
        ASSERT_NE(prompt, nullptr) << "frame " << i;
        if (prompt->colour.a < faintest) faintest = prompt->colour.a;
    }
    EXPECT_GE(faintest, 128);
    // The tiles flew on and faded out; none hangs in the air.
    EXPECT_GE(play.completeClockMs, FLY_OFF_END_MS);
    EXPECT_FLOAT_EQ(flyOffAlpha(play.completeClockMs), 0.0f);
    Vec2 after = board.cells[row][col].jiggle;
    EXPECT_TRUE(after.x != before.x || after.y != before.y);
    // One key: the map of the mode.
    clearRequests();
    gameKeyDown(32);
    EXPECT_EQ(countRequests("toModeMenu"), 1);
}

// A full disk under the real dialogs and game flow (the OS layer's fault switch fails every write
// from the first on): "main" tells the player in the game's message box which file and why, the
// files of the last save stay as they were, and the game goes on under the pause menu; once the
// disk has room, "main" saves as usual.
TEST_F(InGame, OnAFullDiskMainSaysWhyKeepsTheOldFilesAndTheGameGoesOn)
{
    std::filesystem::remove_all(persist.folderOverride);
    play.gameInProgress = 1;
    play.levelTouched = 1;
    play.bankedScore = 500;
    ASSERT_TRUE(saveGameForLeaving());  // the last good save
    char savePath[OS_PATH_MAX];
    ASSERT_TRUE(profileFilePath(0, ProfileSaveAdventure, savePath, sizeof savePath));
    const char* const names[5] = {"settings.dat", "profiles.dat", "records.dat", "hiscore.dat", ""};
    auto snapshot = [&] {
        std::vector<std::string> out;
        for (const char* n : names) {
            std::string p = n[0] ? std::string(persist.folderOverride) + "/" + n : std::string(savePath);
            int32_t size = 0;
            uint8_t* d = osReadFile(p.c_str(), &size);
            out.push_back(d ? std::string(reinterpret_cast<char*>(d), static_cast<size_t>(size)) : std::string("-"));
            std::free(d);
        }
        return out;
    };
    std::vector<std::string> before = snapshot();
    play.shownLevelScore = 1200;
    int scoreBefore = profileScore();
    osFailFileOperation(1, ENOSPC, OsOpWrite, true);
    openPauseMenu();
    pressButton("main");
    settleMenus();
    ASSERT_EQ(currentName(), "messageboxok");
    std::string said;
    for (const char16_t* c = menus.messageText; *c; ++c) said += static_cast<char>(*c);
    EXPECT_NE(said.find(savePath), std::string::npos) << said;
    EXPECT_NE(said.find("No space left on device"), std::string::npos) << said;
    EXPECT_EQ(frontEndCalls, 0);  // still in the game
    EXPECT_EQ(snapshot(), before);
    EXPECT_TRUE(profileHasSavedGame(ModeAdventure));  // the last good save is still offered
    EXPECT_EQ(profileScore(), scoreBefore);
    pressButton("ok");
    settleMenus();
    EXPECT_EQ(currentName(), "gameplay");  // back to the pause menu
    pressButton("resume game");
    EXPECT_EQ(dialogPort.open, 0);
    EXPECT_EQ(play.gameInProgress, 1);
    // Room again: the next "main" saves and says so.
    osFailFileOperation(0, 0);
    openPauseMenu();
    pressButton("main");
    ASSERT_EQ(currentName(), "messageboxok");
    EXPECT_STREQ(menus.messageKey, "savemsg");
    EXPECT_NE(snapshot()[4], before[4]);
}
