// Keys and clicks per game state, the HUD slide and buttons, the tip panel, the pause overlay,
// the trophy trip and the screen-transition shutter.
#include <cmath>

#include "effects/backdrops.h"
#include "core/dialogport.h"
#include "trophies/trophies.h"

#include <gtest/gtest.h>

#include "play_helpers.h"

namespace {

int tripCalls = 0;
void countTrip() { tripCalls++; }

} // namespace

TEST(GameKeys, EachStateTakesAnyKey)
{
    resetPlayGame();
    playLevel(ModeAdventure, 0, quietRows());
    gameKeyDown('A');
    EXPECT_EQ(play.paused, 0);  // only Space pauses
    gameKeyDown(32);
    EXPECT_EQ(play.paused, 1);
    EXPECT_FLOAT_EQ(play.pauseClockMs, 0.0f);
    gameKeyDown('A');  // any key resumes
    EXPECT_EQ(play.paused, 0);
    showTip("breakzep", 0.0f, 0.0f);
    currentProfile().hintFlags[TipBreakZep] = 1;
    showTip("breakzep", 0.0f, 0.0f);
    ASSERT_EQ(play.tipOpen, 1);
    gameKeyDown(32);  // closes the tip, does not pause
    EXPECT_EQ(play.tipOpen, 0);
    EXPECT_EQ(play.paused, 0);

    play.levelLost = 1;
    play.lostClockMs = 4500.0f;
    gameKeyDown(32);
    EXPECT_EQ(dialogPort.open, 1);  // decideDefeat
    dialogPort.open = 0;
    gameKeyDown(32);  // a dialog open: nothing
    EXPECT_EQ(play.paused, 0);
}

TEST(GameClicks, EachStateTakesTheClickFirst)
{
    resetPlayGame();
    playLevel(ModeAdventure, 0, quietRows());
    // Paused: a click on a group only resumes.
    pointAt(10, 0);
    updateHover();
    play.paused = 1;
    boardPress();
    EXPECT_EQ(play.paused, 0);
    EXPECT_EQ(play.movesMade, 0);
    // Playing: the click reaches the board and touches the level.
    boardPress();
    EXPECT_EQ(play.movesMade, 1);
    EXPECT_EQ(play.levelTouched, 1);
}

TEST(GameClicks, MenuAndTrophiesWorkOnlyWhileTimeIsLeft)
{
    resetPlayGame();
    playLevel(ModeAdventure, 0, quietRows());
    pointAtXY(-338.0f, 15.0f);
    boardPress();
    EXPECT_EQ(dialogPort.open, 1);
    EXPECT_STREQ(currentDialogName(), "gameplay");
    dialogPort.open = 0;
    loadTestMenus();  // no dialog: a later one would show
    pointAtXY(-342.0f, -193.0f);
    boardPress();
    EXPECT_EQ(play.trophyTrip, 1);
    play.trophyTrip = 0;
    // The time is used up (not yet lost): both do nothing.
    play.limitRunning = 0;
    pointAtXY(-338.0f, 15.0f);
    boardPress();
    pointAtXY(-342.0f, -193.0f);
    boardPress();
    EXPECT_STREQ(currentDialogName(), "");
    EXPECT_EQ(play.trophyTrip, 0);
}

TEST(GameClicks, TheHammerButtonTogglesAndClicksLeftOfTheBoardAreIgnored)
{
    resetPlayGame();
    playLevel(ModeAdventure, 0, quietRows());
    board.hammerReady = 1;
    pointAtXY(-346.0f, -70.0f);
    boardPress();
    EXPECT_EQ(board.hammerArmed, 1);
    boardPress();
    EXPECT_EQ(board.hammerArmed, 0);
    EXPECT_EQ(board.hammerReady, 1);
    pointAtXY(-280.0f, 200.0f);
    boardPress();
    EXPECT_EQ(play.levelTouched, 0);
}

TEST(GameClicks, ADoubleClickOnTheBoardPausesAndTheRightButtonPutsTheHammerBack)
{
    resetPlayGame();
    playLevel(ModeAdventure, 0, quietRows());
    pointAt(5, 5);
    boardDoubleClick();
    EXPECT_EQ(play.paused, 1);
    boardDoubleClick();  // paused: counts as a press, which resumes
    EXPECT_EQ(play.paused, 0);
    board.hammerArmed = 1;
    boardRightDown();
    EXPECT_EQ(board.hammerArmed, 0);
    EXPECT_EQ(board.hammerReady, 1);
}

TEST(TipPanel, OnlyItsButtonClosesItAfterAQuarterSecond)
{
    resetPlayGame();
    playLevel(ModeAdventure, 0, quietRows());
    currentProfile().hintFlags[TipBreakSquares] = 1;
    showTip("breaksquares", 0.0f, 0.0f);
    ASSERT_EQ(play.tipOpen, 1);
    EXPECT_EQ(queuedSounds("TipShow.ogg"), 1);
    Rect r = tipButtonRect();
    Vec2 inside{(r.left + r.right) / 2.0f, (r.top + r.bottom) / 2.0f};
    pointAtXY(inside.x, inside.y);
    playFrames(10);  // 160 ms
    boardPress();
    EXPECT_EQ(play.tipOpen, 1);
    playFrames(10);
    pointAtXY(inside.x + 200.0f, inside.y);
    boardPress();  // elsewhere: taken by the panel, nothing happens
    EXPECT_EQ(play.tipOpen, 1);
    EXPECT_EQ(play.movesMade, 0);
    pointAtXY(inside.x, inside.y);
    boardPress();
    EXPECT_EQ(play.tipOpen, 0);
    EXPECT_EQ(queuedSounds("ButtonClick.ogg"), 1);
}

TEST(TipPanel, OneTimeTipsShowOncePerProfileAndNoMovesOncePerLevel)
{
    resetPlayGame();
    playLevel(ModeAdventure, 0, quietRows());
    currentProfile().hintFlags[TipUseHammer] = 1;
    showTip("usehammer", 0.0f, 0.0f);
    EXPECT_EQ(play.tipOpen, 1);
    EXPECT_EQ(currentProfile().hintFlags[TipUseHammer], 0);
    closeTip();
    showTip("usehammer", 0.0f, 0.0f);
    EXPECT_EQ(play.tipOpen, 0);
    showTip("nomoves", 0.0f, -100.0f);
    EXPECT_EQ(play.tipOpen, 1);
    EXPECT_EQ(hud.tip.arrow, 0);
    EXPECT_EQ(queuedSounds("NoMoreMove.ogg"), 1);
    closeTip();
    showTip("nomoves", 0.0f, -100.0f);
    EXPECT_EQ(play.tipOpen, 0);
    playLevel(ModeAdventure, 1, quietRows());  // a new level
    showTip("nomoves", 0.0f, -100.0f);
    EXPECT_EQ(play.tipOpen, 1);
    // A second tip while one is open is not shown (and keeps its flag).
    currentProfile().hintFlags[TipBreakZep] = 1;
    showTip("breakzep", 0.0f, 0.0f);
    EXPECT_STREQ(hud.tip.key, "nomoves");
    EXPECT_EQ(currentProfile().hintFlags[TipBreakZep], 1);
}

TEST(TipPanel, ClosesOnPauseAndStopsTheClock)
{
    resetPlayGame();
    playLevel(ModeAdventure, 3, quietRows());
    currentProfile().hintFlags[TipBreakZep] = 1;
    showTip("breakzep", 0.0f, 0.0f);
    playFrames(10);
    EXPECT_FLOAT_EQ(play.timeUsedMs, 0.0f);
    EXPECT_FLOAT_EQ(play.playClockMs, 0.0f);
    play.paused = 1;
    playFrames(1);
    EXPECT_EQ(play.tipOpen, 0);
}

TEST(CandleTip, ShowsAtLevelIndexOneOfTheTimedModes)
{
    resetPlayGame();
    playLevel(ModeAdventure, 1, quietRows());
    currentProfile().hintFlags[TipCandleTime] = 1;
    currentProfile().hintFlags[TipCandleMove] = 1;
    playFrames(1);
    EXPECT_STREQ(hud.tip.key, "candletime");
    closeTip();
    playLevel(ModePuzzle, 1, quietRows());
    currentProfile().hintFlags[TipCandleMove] = 1;
    playFrames(1);
    EXPECT_STREQ(hud.tip.key, "candlemove");
    EXPECT_FLOAT_EQ(lastRequest("showTip")->y - (-100.0f), 68.0f);
    closeTip();
    playLevel(ModeTimeless, 1, quietRows());
    currentProfile().hintFlags[TipCandleTime] = 1;
    playFrames(1);
    EXPECT_EQ(play.tipOpen, 0);
}

TEST(HudSlide, PausedPanelsSlideOutAndBackAtPointTwoPerMs)
{
    resetPlayGame();
    playLevel(ModeAdventure, 0, quietRows());
    play.paused = 1;
    playFrames(10);
    EXPECT_FLOAT_EQ(play.leftSlide, -32.0f);
    EXPECT_FLOAT_EQ(play.rightSlide, -32.0f);
    playFrames(50);
    EXPECT_FLOAT_EQ(play.leftSlide, HUD_SLIDE_MIN);
    play.paused = 0;
    playFrames(10);
    EXPECT_FLOAT_EQ(play.leftSlide, -96.0f);
    playFrames(40);
    EXPECT_FLOAT_EQ(play.leftSlide, 0.0f);
    // After a win the left panel goes at once, the candle only after 5000 ms of the sequence.
    play.levelWon = 1;
    play.completeClockMs = 100.0f;
    updateHudSlide();
    EXPECT_LT(play.leftSlide, 0.0f);
    EXPECT_FLOAT_EQ(play.rightSlide, 0.0f);
    play.completeClockMs = 5100.0f;
    updateHudSlide();
    EXPECT_LT(play.rightSlide, 0.0f);
}

TEST(Hud, TipPanelsKeepOffTheBarAndTheCandle)
{
    struct Case {
        float x, y;
        bool nearCandle;
    };
    // The hammer, a place in the board's first column, the candle, a place in the last column low
    // down, and a place in the middle (which stays centred over its place).
    const Case cases[] = {{-314.0f, -42.0f, false}, {-243.0f, 0.0f, false}, {330.0f, -100.0f, true},
                          {351.0f, -200.0f, true}, {0.0f, 0.0f, false}};
    for (const Case& c : cases) {
        resetPlayGame();
        playLevel(ModeAdventure, 0, quietRows());
        showTip("sometip", c.x, c.y);
        ASSERT_EQ(play.tipOpen, 1);
        Rect r = tipButtonRect();
        float centre = (r.left + r.right) / 2.0f;
        EXPECT_GE(centre - TIP_PANEL_WIDTH / 2.0f, -282.0f) << c.x;
        if (c.nearCandle) {
            EXPECT_LE(centre + TIP_PANEL_WIDTH / 2.0f, 272.0f) << c.x;
        }
        if (c.x == 0.0f) {
            EXPECT_FLOAT_EQ(centre, 0.0f);
        }
    }
}

TEST(Hud, HeartsAndTheLivesCount)
{
    resetPlayGame();
    playLevel(ModeAdventure, 0, quietRows());
    setProfileLives(4);
    clearHudTexts();
    drawHud();
    EXPECT_NE(findHudText("x4"), nullptr);
    setProfileLives(0);
    clearHudTexts();
    drawHud();
    EXPECT_NE(findHudText("lastlife"), nullptr);
    EXPECT_EQ(findHudText("x0"), nullptr);
    setProfileLives(2);
    play.bankedScore = 1000;
    play.shownLevelScore = 234;
    play.levelIndex = 6;
    clearHudTexts();
    drawHud();
    EXPECT_EQ(findHudText("lastlife"), nullptr);
    const HudTextEntry* score = findHudText("1234");
    ASSERT_NE(score, nullptr);
    EXPECT_FLOAT_EQ(score->pos.y, 253.0f);
    const HudTextEntry* level = findHudText("7");
    ASSERT_NE(level, nullptr);
    EXPECT_FLOAT_EQ(level->size, 15.0f);
}

TEST(Hud, ButtonsPulseUnderTheMouseOnlyWhileTimeIsLeft)
{
    resetPlayGame();
    playLevel(ModeAdventure, 0, quietRows());
    pointAtXY(-338.0f, 15.0f);
    playFrames(10);
    EXPECT_NEAR(hud.menuButton.size, 12.5f + 0.003f * 160.0f, 1e-4f);
    playFrames(30);  // up to 13.5, then back down
    EXPECT_LT(hud.menuButton.size, 13.5f);
    EXPECT_GT(hud.menuButton.size, 12.5f);
    EXPECT_EQ(hud.menuButton.rising, 0);
    play.timeUsedMs = play.timeLimitMs + 1.0f;
    playFrames(1);
    EXPECT_FLOAT_EQ(hud.menuButton.size, 12.5f);
}

TEST(PauseOverlay, PauseTextForSevenSecondsAndThePulsingPrompt)
{
    resetPlayGame();
    playLevel(ModeAdventure, 0, quietRows());
    play.paused = 1;
    play.pauseClockMs = 3141.6f;
    clearHudTexts();
    drawPauseOverlay();
    const HudTextEntry* pause = findHudText("pause");
    ASSERT_NE(pause, nullptr);
    EXPECT_NEAR(pause->size, 25.0f, 0.01f);
    const HudTextEntry* prompt = findHudText("keytoresume");
    ASSERT_NE(prompt, nullptr);
    EXPECT_GE(prompt->colour.a, 254);
    play.pauseClockMs = 7001.0f;
    clearHudTexts();
    drawPauseOverlay();
    EXPECT_EQ(findHudText("pause"), nullptr);
    EXPECT_NE(findHudText("keytoresume"), nullptr);
}

TEST(PauseOverlay, ThePausePromptIsReadableThroughTheWholePulse)
{
    resetPlayGame();
    playLevel(ModeAdventure, 0, quietRows());
    play.paused = 1;
    int faintest = 255;
    // From the first paused frame over more than one whole pulse (2 pi / 0.0003 ms = 21 s).
    for (float t = 0.0f; t < 25000.0f; t += 100.0f) {
        play.pauseClockMs = t;
        clearHudTexts();
        drawPauseOverlay();
        const HudTextEntry* prompt = findHudText("keytoresume");
        ASSERT_NE(prompt, nullptr);
        if (prompt->colour.a < faintest) faintest = prompt->colour.a;
    }
    EXPECT_GE(faintest, 150);
}

TEST(PauseKeys, SpaceEscapeAndPPauseARunningLevelAndAnyKeyResumes)
{
    for (int key : {32, 27, int{'P'}}) {
        resetPlayGame();
        playLevel(ModeAdventure, 0, quietRows());
        gameKeyDown(key);
        EXPECT_EQ(play.paused, 1) << key;
        EXPECT_FLOAT_EQ(play.pauseClockMs, 0.0f);
        EXPECT_EQ(dialogPort.open, 0) << key;
        gameKeyDown(key == 27 ? 'P' : 'A');  // any key but Escape resumes
        EXPECT_EQ(play.paused, 0) << key;
        EXPECT_EQ(dialogPort.open, 0) << key;
    }
    // Other keys do not pause.
    resetPlayGame();
    playLevel(ModeAdventure, 0, quietRows());
    gameKeyDown('A');
    gameKeyDown(13);
    EXPECT_EQ(play.paused, 0);
}

TEST(PauseKeys, EscapeOnThePauseOverlayOpensTheInGameMenu)
{
    resetPlayGame();
    playLevel(ModeAdventure, 0, quietRows());
    gameKeyDown(27);
    ASSERT_EQ(play.paused, 1);
    gameKeyDown(27);
    EXPECT_EQ(play.paused, 0);  // the menu holds the game now; closing it goes straight back to play
    EXPECT_EQ(dialogPort.open, 1);
    EXPECT_STREQ(gameFlow.gameDialog, "gameplay");
}

TEST(PauseOverlay, ThePromptAfterAWonLevelNeverFadesOut)
{
    resetPlayGame();
    playLevel(ModeAdventure, 0, quietRows());
    play.levelAdvance = 1;
    app.frameMs = 100.0f;
    int faintest = 255;
    for (int i = 0; i < 400; i++) {  // 40 s: more than one whole pulse
        clearHudTexts();
        drawPauseOverlay();
        const HudTextEntry* prompt = findHudText("keytoresume");
        ASSERT_NE(prompt, nullptr);
        if (prompt->colour.a < faintest) faintest = prompt->colour.a;
    }
    // Never below 60 % of full opacity: a prompt the player must act on stays readable.
    EXPECT_GE(faintest, 150);
    EXPECT_LE(faintest, 156);
}

TEST(TrophyTrip, ThePausedShutterThenTheTrophyRoom)
{
    resetPlayGame();
    playLevel(ModeAdventure, 0, quietRows());
    tripCalls = 0;
    gameFlow.toTrophyRoom = countTrip;
    play.trophyTrip = 1;
    playFrames(31);  // 496 ms
    EXPECT_EQ(countRequests("closeShutter"), 0);
    playFrames(1);
    EXPECT_EQ(play.paused, 1);
    ASSERT_EQ(countRequests("closeShutter"), 1);
    EXPECT_STREQ(lastRequest("closeShutter")->name, "");
    EXPECT_FLOAT_EQ(lastRequest("closeShutter")->x, 1000.0f);
    playFrames(62);  // 1504 ms
    EXPECT_EQ(tripCalls, 1);
    EXPECT_EQ(queuedSounds("GetTrophy.ogg"), 1);
    EXPECT_EQ(play.trophyTrip, 0);
    EXPECT_EQ(play.paused, 0);
    playFrames(100);
    EXPECT_EQ(tripCalls, 1);
}

TEST(TrophyTrip, ANewTrophyIsAnnouncedAndTakesThePlayerToTheRoomOnce)
{
    resetPlayGame();
    playLevel(ModeAdventure, 0, quietRows());
    tripCalls = 0;
    gameFlow.toTrophyRoom = countTrip;
    ASSERT_TRUE(awardTrophy(13, play.profileStem));
    playFrames(32);  // 512 ms
    ASSERT_EQ(countRequests("closeShutter"), 1);
    EXPECT_STREQ(lastRequest("closeShutter")->name, "gettrophy");
    playFrames(62);
    EXPECT_EQ(tripCalls, 1);
    // The room presents it (here: leaving clears it) and the game does not set off again.
    clearNewTrophies(play.profileStem);
    playFrames(100);
    EXPECT_EQ(tripCalls, 1);
}

TEST(Shutter, OpensClosesAndReopens)
{
    resetPlayGame();
    app.frameMs = 100.0f;
    EXPECT_FLOAT_EQ(shutterOpening(), 1.0f);
    openShutter(1000.0f, "");
    EXPECT_EQ(play.shutterMoving, 1);
    EXPECT_EQ(queuedSounds("Gag.ogg"), 1);
    EXPECT_NEAR(shutterOpening(), 0.001f, 1e-6f);
    for (int i = 0; i < 5; i++) drawShutter();
    EXPECT_NEAR(shutterOpening(), 0.501f, 1e-4f);
    for (int i = 0; i < 4; i++) drawShutter();
    EXPECT_EQ(play.shutterMoving, 1);  // 901 ms
    drawShutter();                     // 1001 ms: past the duration
    EXPECT_EQ(play.shutterMoving, 0);
    EXPECT_FLOAT_EQ(gameFlow.shutter.clockMs, 0.0f);

    closeShutter(1000.0f, "gettrophy");
    EXPECT_NEAR(shutterOpening(), 0.999f, 1e-6f);
    for (int i = 0; i < 10; i++) drawShutter();
    // Closed, then open again from black at once.
    EXPECT_EQ(gameFlow.shutter.direction, 1);
    EXPECT_FLOAT_EQ(gameFlow.shutter.clockMs, 1.0f);
    EXPECT_EQ(play.shutterMoving, 1);
    clearHudTexts();
    drawShutter();
    const HudTextEntry* caption = findHudText("gettrophy");
    ASSERT_NE(caption, nullptr);
    EXPECT_NEAR(caption->size, 32.0f, 0.01f);  // at a = 0 the caption is largest
    for (int i = 0; i < 9; i++) drawShutter();
    EXPECT_EQ(play.shutterMoving, 0);
}

TEST(GameplayUpdate, NothingRunsBeforeALevelAndOnlyAudioWhileWaiting)
{
    resetPlayGame();
    play.gameMode = ModeAdventure;
    playFrames(10);
    EXPECT_FLOAT_EQ(board.boardClockMs, 0.0f);
    EXPECT_FLOAT_EQ(play.timeUsedMs, 0.0f);
    playLevel(ModeAdventure, 0, quietRows());
    playFrames(10);
    EXPECT_FLOAT_EQ(board.boardClockMs, 160.0f);
    EXPECT_FLOAT_EQ(play.timeUsedMs, 160.0f);
    EXPECT_FLOAT_EQ(play.playClockMs, 160.0f);
    // Backdrop tint by parity, white while paused.
    EXPECT_FLOAT_EQ(backdrop.targetTint[0], 0.8f);  // the bluish preset 0
    EXPECT_FLOAT_EQ(backdrop.targetTint[2], 1.0f);
    play.paused = 1;
    playFrames(1);
    EXPECT_FLOAT_EQ(backdrop.targetTint[0], 1.0f);  // white, preset 2
    EXPECT_FLOAT_EQ(backdrop.targetTint[1], 1.0f);
    EXPECT_FLOAT_EQ(play.pauseClockMs, 16.0f);
    EXPECT_FLOAT_EQ(play.playClockMs, 160.0f);
    play.paused = 0;
    play.levelAdvance = 1;
    clearRequests();
    playFrames(3);
    EXPECT_EQ(countRequests("setBackdropTint"), 0);
    EXPECT_FLOAT_EQ(board.boardClockMs, 176.0f);
}

TEST(GameplayUpdate, AmbienceFiresOnACrossingOfTheLevelClockNotOnAClockThatStandsStill)
{
    // After a won level the board clock stands while the game waits for a key; here it stopped
    // 10 ms before the waterfall's period edge, so a frame time added to a standing clock would
    // "cross" it in every frame.
    resetPlayGame();
    playLevel(ModeAdventure, 4, quietRows());
    backdrop.number = 2;  // a waterfall land
    playFrames(1);
    board.boardClockMs = 2990.0f;
    play.levelAdvance = 1;
    resetAudio();
    registerGameSounds();
    playFrames(120);
    EXPECT_FLOAT_EQ(board.boardClockMs, 2990.0f);
    EXPECT_EQ(queuedSounds("waterfall.ogg"), 0);
    // The same clock running: one waterfall as it passes the edge.
    play.levelAdvance = 0;
    playFrames(120);
    EXPECT_EQ(queuedSounds("waterfall.ogg"), 1);
}
