// The level flow's rules across the modules: a level ends once, a win banks score and progress
// together, blast points reach the score, the shake steps once per frame, the tips and the hammer
// follow the profile and the level start, level values stay in range, what the records receive,
// and what each mode changes.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "play_helpers.h"
#include "core/dialogport.h"
#include "menus/dialogflow.h"
#include "persist/records.h"
#include "game/savegame.h"
#include "persist/settings.h"

namespace {

void winNow()
{
    at(10, 11).tile = 0;
    ASSERT_TRUE(checkLevelCleared());
}

// The last square lies under the pair at the bottom left, so clicking it clears the level.
void lastSquareUnderPair()
{
    at(10, 11).tile = 0;
    at(10, 0).tile = 1;
}

// Requests of one kind made over n frames (counted frame by frame: the log is a ring).
struct FrameCounts {
    int defeat = 0;
    int tick = 0;
    int music = 0;
    int lastMusic = -1;
};

FrameCounts framesCounting(int n, bool (*stop)() = nullptr)
{
    FrameCounts c;
    for (int i = 0; i < n && !(stop && stop()); i++) {
        int32_t cursor = audio.writeCursor;
        int32_t order = audio.requestedOrder;
        playFrames(1);
        c.defeat += soundsQueuedSince(cursor, "DefeatLevel.ogg");
        c.tick += soundsQueuedSince(cursor, "TimeOut.ogg");
        if (audio.requestedOrder != order) {
            c.music++;
            c.lastMusic = requestedTrack();
        }
        EXPECT_FALSE(play.levelWon && play.levelLost) << "frame " << i;
    }
    return c;
}

} // namespace

TEST(LevelEndsOnce, AWinWithLittleTimeLeftIsNotLostDuringTheWinSequence)
{
    resetPlayGame();
    playLevel(ModeAdventure, 3, quietRows());
    play.timeUsedMs = play.timeLimitMs - 500.0f;
    play.limitClockMs = play.timeUsedMs;
    winNow();
    float used = play.timeUsedMs;
    FrameCounts c = framesCounting(2000, [] { return play.completeClockMs >= 5200.0f; });
    EXPECT_EQ(play.levelLost, 0);
    EXPECT_EQ(play.levelWon, 1);
    EXPECT_FLOAT_EQ(play.timeUsedMs, used);  // the won level's time stands
    EXPECT_EQ(c.defeat, 0);
    EXPECT_EQ(c.tick, 0);
    EXPECT_EQ(c.music, 1);  // the win music only, no loss music
    EXPECT_EQ(c.lastMusic, 5);
    EXPECT_EQ(play.endBonus, 0);  // under a whole second left
}

TEST(LevelEndsOnce, TimeRunningOutWhileTheLastBreaksArePendingLosesOnly)
{
    resetPlayGame();
    playLevel(ModeAdventure, 3, quietRows());
    lastSquareUnderPair();
    play.timeUsedMs = play.timeLimitMs - 10.0f;
    play.limitClockMs = play.timeUsedMs;
    clickAt(10, 0);
    ASSERT_EQ(play.movesMade, 1);
    int level = profileLevel();
    FrameCounts c = framesCounting(300);
    EXPECT_EQ(play.levelLost, 1);
    EXPECT_EQ(play.levelWon, 0);
    EXPECT_EQ(at(10, 0).tile, 0);  // the square did break, after the time was up
    EXPECT_EQ(c.defeat, 1);
    EXPECT_EQ(c.music, 1);
    EXPECT_EQ(c.lastMusic, 6);  // the loss music, never the win music
    EXPECT_EQ(profileLevel(), level);  // nothing banked as won
}

TEST(LevelEndsOnce, AWonLevelIsNotLostAndALostLevelIsNotWon)
{
    resetPlayGame();
    playLevel(ModePuzzle, 0, quietRows(), 10.0f, 1);
    winNow();
    play.movesMade = play.moveLimit;
    playFrames(30);
    EXPECT_EQ(play.levelLost, 0);

    playLevel(ModeAdventure, 0, quietRows());
    play.levelLost = 1;
    at(10, 11).tile = 0;
    EXPECT_FALSE(checkLevelCleared());
    startLevelComplete();
    EXPECT_EQ(play.levelWon, 0);
    EXPECT_EQ(play.endBonus, 0);
}

TEST(WinBanking, AGameLeftDuringTheWinSequenceContinuesAtTheNextLevelWithItsPointsOnce)
{
    resetPlayGame();
    playLevel(ModePuzzle, 4, quietRows(), 10.0f, 30);
    setProfileLevel(4);
    setProfileScore(1000);
    play.bankedScore = 1000;
    play.levelScore = 740;
    play.movesMade = play.moveLimit - 2;  // 200 points of bonus
    winNow();
    EXPECT_EQ(play.levelScore, 940);
    EXPECT_EQ(profileLevel(), 5);
    EXPECT_EQ(profileScore(), 1940);
    playFrames(20);
    // The player leaves now and continues the game later.
    continueGame(ModePuzzle);
    EXPECT_EQ(play.levelIndex, 5);
    EXPECT_EQ(play.bankedScore, 1940);
    EXPECT_EQ(play.levelScore, 0);
}

TEST(WinBanking, TheNextLevelBanksEveryPointEvenBeforeTheCountUpEnds)
{
    resetPlayGame();
    playLevel(ModeAdventure, 6, quietRows());
    play.bankedScore = 2000;
    play.levelScore = 50000;
    play.timeUsedMs = play.timeLimitMs - 3500.0f;  // 150 points of bonus
    winNow();
    playFrames(1);
    gameKeyDown(13);  // a key at once: the dialog
    ASSERT_EQ(play.completeDialogShown, 1);
    ASSERT_LT(play.shownLevelScore, play.levelScore);  // still counting up
    levelCompleteDialogClosed();  // on to the next level
    EXPECT_EQ(play.levelIndex, 7);
    EXPECT_EQ(play.bankedScore, 52150);
    EXPECT_EQ(profileScore(), 52150);
    EXPECT_EQ(profileLevel(), 7);
    EXPECT_EQ(play.bankedScore + play.shownLevelScore, 52150);  // the HUD total
}

TEST(WinBanking, TheLastLevelFinishesTheGameAtTheWin)
{
    resetPlayGame();
    playLevel(ModeAdventure, 128, quietRows());
    setProfileLevel(128);
    play.bankedScore = 249990;
    play.levelScore = 5000;
    setProfileLives(2);
    winNow();
    // Left now, the game is already over: the next one starts fresh at the first level.
    EXPECT_EQ(profileLevel(), 0);
    EXPECT_EQ(profileScore(), 0);
    EXPECT_EQ(profileLives(), START_LIVES);
    EXPECT_GE(profileState.hiscores[ModeAdventure][0].score, 254990);
    // The count-up passes 250000 during the sequence, but no life goes into the next game.
    playFrames(200);
    EXPECT_EQ(profileLives(), START_LIVES);
}

TEST(BlastPoints, ABombsPointsReachTheLevelScore)
{
    resetGame();
    drawNoMovesBoard();
    play.colourStreak = 2;
    at(4, 5).chained = 1;
    Cell& carrier = at(5, 5);
    carrier.bonus = BonusKind::Bomb;
    carrier.state = FigureState::Breaking;
    fireBreakingBonuses(0);
    frames(1);  // the blast starts
    ASSERT_GT(board.idleTimerMs, 0.0f);
    ASSERT_GE(settle(), 0);
    frames(1);
    // The carrier and eleven free figures break (30 each at a streak of 2), one chain breaks
    // (270), and the blast reached twelve places (2 each, at the carrier).
    EXPECT_EQ(play.levelScore, 12 * 30 + 270 + 24);
    EXPECT_EQ(at(5, 5).scoreGain, 0);
}

TEST(ViewShake, StepsOncePerGameFrame)
{
    resetPlayGame();
    playLevel(ModeAdventure, 3, quietRows());
    board.idleTimerMs = -1.0f;
    Cell& carrier = at(5, 5);
    carrier.bonus = BonusKind::Bomb;
    carrier.state = FigureState::Breaking;
    fireBreakingBonuses(0);
    playFrames(1);  // the blast starts and shakes the view
    ASSERT_EQ(board.shakeOn, 1);
    EXPECT_FLOAT_EQ(board.shakeClockMs, TEST_FRAME_MS);
    playFrames(2);
    EXPECT_FLOAT_EQ(board.shakeClockMs, 3.0f * TEST_FRAME_MS);
    float s = 4.0f * std::sin(0.06f * 3.0f * TEST_FRAME_MS);
    EXPECT_FLOAT_EQ(board.shakeOffset.x, s);
}

TEST(ProfileTips, TheWelcomeTipIsStoredInTheProfileAndEachProfileHasItsOwn)
{
    resetPlayGame();
    playLevel(ModeAdventure, 0, quietRows());
    currentProfile().hintFlags[TipWelcome] = 1;
    boardPassLogic();
    ASSERT_EQ(play.tipOpen, 1);
    EXPECT_STREQ(hud.tip.key, "welcome");
    closeTip();
    EXPECT_EQ(currentProfile().hintFlags[TipWelcome], 0);

    // Another player at the same table has not seen it yet.
    ASSERT_TRUE(createProfile("Second"));
    playLevel(ModeAdventure, 0, quietRows());
    currentProfile().hintFlags[TipWelcome] = 1;
    EXPECT_TRUE(tipWanted(TipWelcome));
    boardPassLogic();
    EXPECT_EQ(play.tipOpen, 1);
    closeTip();
    // Back to the first: still seen.
    profileState.current = 0;
    EXPECT_FALSE(tipWanted(TipWelcome));
}

TEST(LevelStart, TheHammerStartsEmptyWhateverCameBefore)
{
    resetPlayGame();
    std::memset(static_cast<void*>(&board), 0, sizeof board);  // never reset, as on a fresh route
    startLevel(0, ModeAdventure);
    EXPECT_FLOAT_EQ(board.hammerFull, HAMMER_FULL);
    EXPECT_FLOAT_EQ(board.hammerShown, HAMMER_EMPTY);
    EXPECT_FLOAT_EQ(board.hammerTarget, HAMMER_EMPTY);
    updateHammerMeter();
    EXPECT_EQ(board.hammerReady, 0);

    board.hammerArmed = 1;
    board.hammerCursor = 1;
    board.hammerShown = 0.6f;
    board.hammerTarget = 0.7f;
    beginLevel(3, ModePuzzle);
    EXPECT_EQ(board.hammerArmed, 0);
    EXPECT_EQ(board.hammerReady, 0);
    EXPECT_FLOAT_EQ(board.hammerShown, HAMMER_EMPTY);
    char stem[PROFILE_STEM_MAX];
    currentProfileStem(stem, sizeof stem);
    EXPECT_STREQ(play.profileStem, stem);  // the trophies' player, set by the level start
}

TEST(LevelValues, ExtremeTimeAndMoveValuesAreBroughtIntoRange)
{
    resetGame();
    int32_t backdrop = 0;
    const char huge[] = "moves=2147483647\r\ntime=1e30\r\nlevel=\r\n";
    parseLevelText(huge, static_cast<int32_t>(sizeof huge), &backdrop);
    EXPECT_EQ(levelFiles.rawMoves, LEVEL_MOVES_MAX);
    EXPECT_FLOAT_EQ(levelFiles.rawTime, LEVEL_TIME_MAX);
    const char negative[] = "moves=-40\r\ntime=-3\r\nlevel=\r\n";
    parseLevelText(negative, static_cast<int32_t>(sizeof negative), &backdrop);
    EXPECT_EQ(levelFiles.rawMoves, LEVEL_MOVES_MIN);
    EXPECT_FLOAT_EQ(levelFiles.rawTime, LEVEL_TIME_MIN);
    // The limit formulas themselves never overflow, whatever they are given.
    EXPECT_EQ(puzzleMoveLimit(0, INT_MAX), 2 * LEVEL_MOVES_MAX);
    EXPECT_EQ(puzzleMoveLimit(2, INT_MAX), static_cast<int>(LEVEL_MOVES_MAX * (29.0 / (20.0 * std::sqrt(3.0) - 16.5 + 2.7) + 1.0)));
    EXPECT_GT(puzzleMoveLimit(500, INT_MAX), 0);
    float t = adventureTimeLimitMs(2, 1e30f);
    EXPECT_TRUE(std::isfinite(t));
    EXPECT_NEAR(t, LEVEL_TIME_MAX * 3674.6f, 100.0f);
    EXPECT_TRUE(std::isfinite(adventureTimeLimitMs(100000, 10.0f)));
}

TEST(LevelRecords, AWonLevelEntersItsTimeInEveryModeAndTheStreakInClicks)
{
    resetPlayGame();
    resetRecords();
    LevelRecord& record = levelRecord(ModeTimeless, 2);
    record.results[RecordScore] = 5000;
    record.results[RecordStreak] = 2;
    record.results[RecordMoves] = 12;   // equal: the new one takes it
    record.results[RecordTime] = 1000;  // faster than this level: stays
    record.names[RecordTime][0] = u'Q';
    playLevel(ModeTimeless, 2, quietRows());
    playFrames(100);  // 1.6 s of play
    play.bestStreak = 3;
    play.movesMade = 12;
    play.levelScore = 4321;
    winNow();
    int wonAt = static_cast<int>(board.boardClockMs);
    EXPECT_EQ(play.wonAtMs, wonAt);
    EXPECT_GE(wonAt, 1600);
    playFrames(5);
    gameKeyDown(13);  // the level-complete dialog: the records are entered
    EXPECT_EQ(record.results[RecordScore], 5000);  // lower score: stays
    EXPECT_EQ(record.results[RecordStreak], 3);
    EXPECT_EQ(record.results[RecordMoves], 12);
    EXPECT_EQ(record.results[RecordTime], 1000);
    EXPECT_EQ(record.names[RecordStreak][0], u'T');  // "Tester"
    EXPECT_EQ(record.names[RecordMoves][0], u'T');
    EXPECT_EQ(record.names[RecordTime][0], u'Q');
    LevelResult result = levelResult();
    EXPECT_EQ(result.mode, ModeTimeless);
    EXPECT_EQ(result.levelIndex, 2);
    EXPECT_EQ(result.timeMs, wonAt);  // not the 0 of timeUsedMs outside adventure

    // A faster time replaces the record's, with the holder's name cut to 19 characters.
    record.results[RecordTime] = 5000;
    const char16_t longName[] = u"ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    // (Equal streak and moves are taken again; the lower score is not.)
    EXPECT_EQ(updateLevelRecords(result, longName), (1 << RecordStreak) | (1 << RecordMoves) | (1 << RecordTime));
    EXPECT_EQ(record.results[RecordTime], wonAt);
    EXPECT_EQ(record.names[RecordTime][18], u'S');
    EXPECT_EQ(record.names[RecordTime][19], 0);
}

TEST(GameModes, LimitsPerMode)
{
    resetPlayGame();
    playLevel(ModeTimeless, 5, quietRows(), 60.0f, 10);
    at(3, 3).tile = 2;
    at(4, 4).chained = 1;
    countTargets();
    applyLimits();
    // 1 + 2 + 1 targets at 7 s each; no move limit to play against.
    EXPECT_FLOAT_EQ(play.timeLimitMs, 4.0f * 7000.0f);
    EXPECT_EQ(play.moveLimit, NO_MOVE_LIMIT);
    play.gameMode = ModePuzzle;
    applyLimits();
    EXPECT_FLOAT_EQ(play.timeLimitMs, 4.0f * 7000.0f);
    EXPECT_EQ(play.moveLimit, puzzleMoveLimit(5, 10));
    play.gameMode = ModeAdventure;
    applyLimits();
    EXPECT_FLOAT_EQ(play.timeLimitMs, adventureTimeLimitMs(5, 60.0f));
}

TEST(GameModes, ATimelessLevelNeverEndsButByAWin)
{
    resetPlayGame();
    playLevel(ModeTimeless, 4, quietRows());
    play.timeUsedMs = 10.0f * play.timeLimitMs;
    play.movesMade = 10 * NO_MOVE_LIMIT;
    setProfileLives(2);
    int32_t cursor = audio.writeCursor;
    for (int i = 0; i < 200; i++) {
        int32_t before = audio.writeCursor;
        playFrames(1);
        EXPECT_EQ(soundsQueuedSince(before, "TimeOut.ogg"), 0) << "frame " << i;
    }
    (void)cursor;
    EXPECT_EQ(play.levelLost, 0);
    EXPECT_EQ(profileLives(), 2);
}

TEST(GameModes, TouchedByAClickOnTheBoardAndClearedAtTheLevelStart)
{
    resetPlayGame();
    playLevel(ModePuzzle, 2, quietRows());
    EXPECT_EQ(play.levelTouched, 0);
    pointAt(10, 0);
    boardPress();
    EXPECT_EQ(play.levelTouched, 1);
    beginLevel(2, ModePuzzle);
    EXPECT_EQ(play.levelTouched, 0);
}

TEST(LeavingTheGame, ATouchedLevelIsSavedFromThePauseMenuAndComesBackAsItWasLeft)
{
    resetPlayGame();
    resetPersist();
    std::string folder = std::string(OSTRIMAR_BINARY_DIR) + "/level_flow_settings";
    std::snprintf(persist.folderOverride, sizeof persist.folderOverride, "%s", folder.c_str());
    ASSERT_TRUE(ensureSettingsFolder());
    setProfileMode(ModePuzzle);
    playLevel(ModePuzzle, 3, quietRows());
    play.gameInProgress = 1;

    // Untouched: nothing is saved and the game leaves at once.
    EXPECT_FALSE(leaveGameFromMenu());
    EXPECT_EQ(countRequests("toFrontEnd"), 1);
    EXPECT_STRNE(menus.messageKey, "savemsg");
    EXPECT_EQ(currentProfile().savedGame[ModePuzzle], 0);

    pointAt(10, 0);
    updateHover();
    boardPress();  // the player's click on the board
    ASSERT_EQ(play.levelTouched, 1);
    ASSERT_EQ(play.movesMade, 1);
    play.bankedScore = 1000;
    setProfileScore(1000);
    playFrames(8);  // the pair broke, its points count up, the figures fall
    ASSERT_GT(play.shownLevelScore, 0);
    int moves = play.movesMade;
    int score = play.levelScore;
    Cell cells[BOARD_ROWS][BOARD_COLS];
    std::memcpy(cells, board.cells, sizeof cells);
    clearRequests();
    EXPECT_TRUE(leaveGameFromMenu());
    EXPECT_STREQ(menus.messageKey, "savemsg");
    EXPECT_EQ(dialogPort.open, 1);
    EXPECT_EQ(countRequests("toFrontEnd"), 0);  // not before its OK
    EXPECT_EQ(currentProfile().savedGame[ModePuzzle], 1);
    savedMessageClosed();
    EXPECT_EQ(countRequests("toFrontEnd"), 1);
    EXPECT_EQ(dialogPort.open, 0);

    // Back in the mode: the profile's level starts, and the saved game is read over it.
    int banked = play.bankedScore;
    EXPECT_EQ(profileScore(), banked + play.shownLevelScore);  // as the save left it
    setProfileLevel(3);
    dialogPort.open = 1;  // the question "loadgamequest" is open
    ASSERT_TRUE(resumeSavedGame(ModePuzzle));
    EXPECT_EQ(dialogPort.open, 0);
    // The level's points are the level's again, not the banked score's: lost now, the level
    // would not keep them.
    EXPECT_EQ(profileScore(), banked);
    EXPECT_EQ(play.bankedScore, banked);
    EXPECT_EQ(play.levelIndex, 3);
    EXPECT_EQ(play.movesMade, moves);
    EXPECT_EQ(play.levelScore, score);
    EXPECT_EQ(std::memcmp(cells, board.cells, sizeof cells), 0);

    // A won level is never saved.
    play.levelTouched = 1;
    winNow();
    menus.messageKey[0] = 0;
    EXPECT_FALSE(leaveGameFromMenu());
    EXPECT_STRNE(menus.messageKey, "savemsg");
    resetPersist();
}

// The last level won and the congratulation closed: the game is finished, its score is in the high
// scores, and a close on the front end saves nothing (no saved game, no score to start again from).
TEST(LeavingTheGame, AFinishedGameIsNotSavedByALaterClose)
{
    resetPlayGame();
    resetPersist();
    std::string folder = std::string(OSTRIMAR_BINARY_DIR) + "/level_flow_finished";
    std::snprintf(persist.folderOverride, sizeof persist.folderOverride, "%s", folder.c_str());
    ASSERT_TRUE(ensureSettingsFolder());
    setProfileMode(ModeAdventure);
    setProfileLevel(128);
    playLevel(ModeAdventure, 128, quietRows());
    play.bankedScore = 5000000;
    pointAt(10, 0);
    updateHover();
    boardPress();
    playFrames(8);
    ASSERT_TRUE(canSaveGame());
    winNow();
    playFrames(1);
    gameKeyDown(13);  // the level-complete dialog
    levelCompleteDialogClosed();
    gameKeyDown(13);  // the game is complete
    ASSERT_EQ(play.gameComplete, 1);
    gameKeyDown(13);  // to the map and its congratulation
    congratulationDone();
    EXPECT_FALSE(saveGame());  // the window closed now
    EXPECT_FALSE(profileHasSavedGame(ModeAdventure));
    EXPECT_EQ(profileScore(), 0);
    EXPECT_EQ(profileLevel(), 0);
    resetPersist();
}

