#include "game/gameflow.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/appstate.h"
#include "core/dialogport.h"
#include "core/requestlog.h"
#include "audio/ambience.h"
#include "audio/audio.h"
#include "effects/backdrops.h"
#include "effects/effects.h"
#include "game/board.h"
#include "game/boardkeys.h"
#include "game/boardstep.h"
#include "game/boardview.h"
#include "game/bonus.h"
#include "game/click.h"
#include "game/hud.h"
#include "game/hudtext.h"
#include "game/level.h"
#include "game/limits.h"
#include "game/outcome.h"
#include "game/pending.h"
#include "game/playstate.h"
#include "game/replay.h"
#include "game/scoring.h"
#include "graphics/draw.h"
#include "graphics/textures.h"
#include "trophies/trophies.h"
#include "game/savegame.h"
#include "persist/settings.h"
#include "platform/os/os.h"
#include "ui/messages.h"

GameFlowState gameFlow;

namespace {

constexpr float PI = 3.14159265358979f;
constexpr float BOARD_FADE_RATE = 0.002f;  // per ms: a fresh board fades in over 500 ms
// Backdrop tint presets: even levels, odd levels, white (paused or won).
constexpr int TINT_EVEN = 0;
constexpr int TINT_ODD = 1;
constexpr int TINT_WHITE = 2;

// The entry points the screens call are traced in the request log, so the screens' routing can
// be checked without a level in play.
void trace(const char* op, int a = 0) { recordRequest(op, "", a); }

bool boardAtRest() { return isIdle() && board.idleTimerMs < 0.0f; }

void pauseGame()
{
    play.paused = 1;
    play.pauseClockMs = 0.0f;
}

void openPauseMenu()
{
    dialogPort.open = 1;
    openGameDialog("gameplay");
}

void candleTips()
{
    if (play.levelIndex != 1 || play.levelWon || play.levelLost || !boardAtRest()) return;
    if (play.gameMode == ModeAdventure) showTip("candletime", 330.0f, -100.0f);
    else if (play.gameMode == ModePuzzle) showTip("candlemove", 330.0f, -32.0f);
}

void stepPlayClock()
{
    if (dialogPort.open || play.levelWon || play.levelLost || play.tipOpen || play.paused || play.shutterMoving) return;
    if (play.gameMode == ModeAdventure) play.playClockMs = play.timeUsedMs;
    else play.playClockMs += app.frameMs;
}

void stepBoardFade()
{
    float f = play.boardFade + BOARD_FADE_RATE * app.frameMs;
    play.boardFade = f > 1.0f ? 1.0f : f;
}

void leaveForTrophyRoom()
{
    if (gameFlow.toTrophyRoom) gameFlow.toTrophyRoom();
    else recordRequest("toTrophyRoom");
}

} // namespace

void resetGameFlow()
{
    gameFlow = GameFlowState{};
    play.shutterMoving = 0;
}

void resetGamePlay()
{
    resetGameFlow();
    resetHud();
    resetScoring();
    resetOutcome();
    resetCandle();
    resetBoardKeys();
}

void openGameDialog(const char* name)
{
    std::snprintf(gameFlow.gameDialog, sizeof gameFlow.gameDialog, "%s", name);
    requestDialog(name);
}

void openGameMessage(const char* textKey)
{
    std::snprintf(gameFlow.gameDialog, sizeof gameFlow.gameDialog, "message");
    requestMessageBox(textKey, true);
}

void goToModeMenu()
{
    replayLevelLeft();
    endGameInProgress();  // the level on the board is done with; the map is no game to save
    int song = randomBelow(5);
    if (gameFlow.toModeMenu) gameFlow.toModeMenu(play.gameMode);
    else recordRequest("toModeMenu", "", play.gameMode);
    requestMusic(song);
}

namespace {

void leaveForFrontEnd()
{
    replayLevelLeft();
    // Saved or not, the game is left: nothing of it is written again (a close on the front end, or
    // after choosing another profile, must not save it).
    endGameInProgress();
    dialogPort.open = 0;
    gameFlow.gameDialog[0] = 0;
    if (gameFlow.toFrontEnd) gameFlow.toFrontEnd();
    else recordRequest("toFrontEnd");
}

} // namespace

bool saveGameForLeaving()
{
    if (!saveGame()) return false;
    // The saved game counts only with the profile that offers it ("profiles.dat", written after it).
    return saveAll();
}

bool saveForClosing()
{
    int reported = persist.writeErrorBoxes;
    saveGame();
    if (app.settingsLoaded) saveAll();
    return persist.writeErrorBoxes == reported;
}

bool leaveGameFromMenu()
{
    bool attempted = canSaveGame();
    if (saveGameForLeaving()) {
        dialogPort.open = 1;
        std::snprintf(gameFlow.gameDialog, sizeof gameFlow.gameDialog, "savemsg");
        requestMessageBox("savemsg", true);
        return true;
    }
    if (attempted) {
        // The save failed and the player has been told why: the game stays, with the pause menu
        // under the message, so that nothing is lost by leaving.
        openPauseMenu();
        return false;
    }
    leaveForFrontEnd();
    return false;
}

void savedMessageClosed() { leaveForFrontEnd(); }

namespace {
void press();
} // namespace

bool isPauseKey(int vk) { return vk == VK_SPACE || vk == VK_ESCAPE || vk == GAME_KEY_PAUSE; }

void gameKeyDown(int vk)
{
    trace("gameKeyDown", vk);
    replayNoteInput(ReplayKey, vk, gameFlow.debugKeysOn ? 1 : 0);
    if (dialogPort.open) return;
    if (play.gameComplete || play.levelAdvance) {
        goToModeMenu();
    } else if (play.paused) {
        play.paused = 0;
        // Escape on the pause overlay goes on to the in-game menu rather than straight back.
        if (vk == VK_ESCAPE) openPauseMenu();
    } else if (play.levelWon) {
        nextLevel();
    } else if (play.levelLost) {
        decideDefeat();
    } else if (play.tipOpen) {
        closeTip();
    } else if (isPauseKey(vk)) {
        pauseGame();
    } else if (isBoardArrowKey(vk)) {
        boardArrowKey(vk);
    } else if (vk == VK_RETURN) {
        // Return acts where the keyboard's cursor stands, as a click there; a hidden cursor
        // only shows first, so nothing breaks where the player cannot see it.
        if (boardKeys.shown) press();
        else showBoardKeyCursor();
    } else if (vk == GAME_KEY_HAMMER) {
        pressHammerButton();
    } else if (gameFlow.debugKeysOn) {
        boardDebugKey(vk);
    }
}

namespace {

void press()
{
    if (dialogPort.open) return;
    Vec2 p = boardCursor();
    if (play.tipOpen) {
        tipPanelClick(p);
        return;
    }
    if (play.gameComplete || play.levelAdvance) {
        goToModeMenu();
    } else if (play.paused) {
        play.paused = 0;
    } else if (play.levelWon) {
        if (play.completeClockMs > 600.0f) nextLevel();
    } else if (play.levelLost) {
        decideDefeat();
    } else if (play.limitRunning && overMenuButton(p)) {
        openPauseMenu();
    } else if (play.limitRunning && overTrophiesButton(p)) {
        play.trophyTrip = 1;
    } else if (overHammerButton(p)) {
        pressHammerButton();
    } else if (p.x >= -270.0f) {
        play.levelTouched = 1;
        onLeftButtonDown();
    }
}

} // namespace

namespace {

// A mouse button is the mouse's: the keyboard's cursor hides, so the press acts where the
// pointer is even when the pointer did not move since the cursor showed.
void mouseTakesOver() { boardKeys.shown = 0; }

} // namespace

void boardPress()
{
    trace("boardPress");
    replayNoteInput(ReplayPress);
    mouseTakesOver();
    press();
}

void boardRelease()
{
    trace("boardRelease");
    replayNoteInput(ReplayRelease);
}

void boardPointerMove()
{
    trace("boardPointerMove");
    // Only a move that hides the keyboard's cursor changes the level: only that one is recorded.
    if (boardKeys.shown) replayNoteInput(ReplayPointerMove);
    boardPointerMoved(app.mouseX, app.mouseY);
}

void boardDoubleClick()
{
    trace("boardDoubleClick");
    replayNoteInput(ReplayDoubleClick);
    mouseTakesOver();
    // A double click on the board during play pauses; in every other state it counts as a press.
    Vec2 p = boardCursor();
    bool playing = !dialogPort.open && !play.paused && !play.tipOpen && !play.levelWon && !play.levelLost &&
                   !play.levelAdvance && !play.gameComplete;
    if (playing && p.x >= -270.0f) pauseGame();
    else press();
}

void boardRightDown()
{
    trace("boardRightDown");
    replayNoteInput(ReplayRightDown);
    mouseTakesOver();
    if (dialogPort.open || play.paused || play.tipOpen || play.levelWon || play.levelLost) return;
    onRightButtonDown();
}

void boardRightUp()
{
    trace("boardRightUp");
    replayNoteInput(ReplayRightUp);
}

void boardMiddleDown()
{
    trace("boardMiddleDown");
    replayNoteInput(ReplayMiddleDown);
}

void updateGameplay()
{
    trace("updateGameplay");
    if (!gameFlow.levelActive) return;
    if (play.gameComplete) return;
    if (play.levelAdvance) {
        // Waiting for the key that goes to the map: the tiles of the won level finish their
        // flight (the result panel may have been answered before they were off the board).
        levelCompleteSequence();
        updateAudio();
        return;
    }
    // The ambience follows the level clock, which boardUpdate advances by this frame's time. It
    // is not asked while the game is complete or waits after a won level: the clock stands then,
    // and a standing clock crosses no period (it would restart the sound every frame).
    updatePlayAmbience(static_cast<int>(board.boardClockMs), static_cast<int>(app.frameMs), backdrop.number);
    float frameMs = app.frameMs;
    // (1) backdrop tint
    if (play.paused || play.levelWon) setBackdropTint(TINT_WHITE);
    else setBackdropTint(play.levelIndex % 2 != 0 ? TINT_ODD : TINT_EVEN);
    boardUpdate();             // (2)-(4) board step, hammer meter, hover
    updateScoreCountUp();      // (5)
    updateLimits();            // (6)
    lifeLostSequence();        // (7)
    updateDebris();            // (8)
    updateShake();             // (9)
    levelCompleteSequence();   // (10)
    awardCombo();              // (11)
    stepBoardFade();           // (12)
    updateHudSlide();          // (13)
    updateAudio();             // (14)
    if (play.paused) play.pauseClockMs += frameMs;  // (15)
    updateTipPanel();          // (16)
    if (updateTrophyTrip(firstNewTrophy() != 0)) leaveForTrophyRoom();  // (17)
    stepPlayClock();           // (18)
    if (play.lifeGained) {
        play.lifeGainedMs += frameMs;
        if (play.lifeGainedMs >= 2400.0f) play.lifeGained = 0;
    }
    if (!boardFrozen()) candleTips();
    updateHudButtons(boardCursor());
}

void gameFrame()
{
    // A recording notes the frame; a replay being played gives it its events and frame time.
    replayFrameStarts();
    updateGameplay();
    if (!gameFlow.levelActive) return;
    boardPassLogic();
}

void drawGame()
{
    trace("drawGame");
    clearHudTexts();
    if (!gameFlow.levelActive) return;
    begin2D();
    drawBackdrop(true);
    int fade = static_cast<int>(play.boardFade * 255.0f);
    drawBoard(Color(255, 255, 255, fade));
    if (!play.paused && !play.levelWon && !play.levelLost && !play.levelAdvance)
        drawBoardKeyCursor(shownShake().x, shownShake().y, app.frameMs);
    drawScorePopups();
    drawHud();
    drawCandle();
    drawDebris();
    drawBolts();
    drawScoreSprites();
    drawBonusNumber();
    drawPopupTexts();
    drawFlyingLetters();
    drawStatusMessage();
    if (!dialogPort.open) updateAndDrawEffects();
    drawPauseOverlay();
    drawTipPanel();
}

void boardUpkeep() { recordRequest("boardUpkeep"); }

// ---- The screen-transition shutter ----

namespace {

void startShutter(int direction, float durationMs, const char* caption)
{
    playSound("Gag.ogg");
    Shutter& s = gameFlow.shutter;
    s.direction = direction;
    s.clockMs = 1.0f;
    s.durationMs = durationMs > 0.0f ? durationMs : 1000.0f;
    std::snprintf(s.caption, sizeof s.caption, "%s", caption ? caption : "");
    play.shutterMoving = 1;
}

} // namespace

void openShutter(float durationMs, const char* caption)
{
    recordRequest("openShutter", caption ? caption : "", 0, 0, durationMs);
    startShutter(1, durationMs, caption);
}

void closeShutter(float durationMs, const char* caption)
{
    recordRequest("closeShutter", caption ? caption : "", 0, 0, durationMs);
    startShutter(-1, durationMs, caption);
}

float shutterOpening()
{
    const Shutter& s = gameFlow.shutter;
    if (s.clockMs == 0.0f) return 1.0f;
    float f = s.clockMs / s.durationMs;
    if (f > 1.0f) f = 1.0f;
    return s.direction > 0 ? f : 1.0f - f;
}

void drawShutter()
{
    Shutter& s = gameFlow.shutter;
    play.shutterMoving = s.clockMs != 0.0f ? 1 : 0;
    if (s.clockMs == 0.0f) return;
    float a = shutterOpening();
    float angle = 50.0f - 360.0f * a;
    int alpha = static_cast<int>((1.0f - 0.7f * a) * 255.0f);
    float side = 10000.0f * a * a * a;
    float h = side / 2.0f;
    Texture* gag = findTexture("_a_gag.jpg");
    if (gag && side > 0.0f) {
        setTexture(gag);
        drawSprite(0.0f, 0.0f, 0.0f, 0.0f, angle, side, side, Rect{0.0f, 0.0f, 1.0f, 1.0f}, Color(255, 255, 255, alpha));
    }
    if (h < 1000.0f) {
        setTexture(nullptr);
        Color black(0, 0, 0, alpha);
        Rect full{0.0f, 0.0f, 1.0f, 1.0f};
        float band = 1000.0f - h;
        // Above, below, left and right of the picture, turned with it about the centre.
        drawSprite(0.0f, h + band / 2.0f, 0.0f, 0.0f, angle, 2000.0f, band, full, black);
        drawSprite(0.0f, -h - band / 2.0f, 0.0f, 0.0f, angle, 2000.0f, band, full, black);
        drawSprite(-h - band / 2.0f, 0.0f, 0.0f, 0.0f, angle, band, 2.0f * h, full, black);
        drawSprite(h + band / 2.0f, 0.0f, 0.0f, 0.0f, angle, band, 2.0f * h, full, black);
    }
    if (s.caption[0]) {
        float size = 32.0f * (1.0f - a * a);
        float turn = 180.0f + 180.0f * std::cos(PI * a * a * a);
        hudText(s.caption, 0.0f, 0.0f, size, Color(255, 255, 255, 255), true);
        (void)turn;
    }
    s.clockMs += app.frameMs;
    if (s.clockMs > s.durationMs) {
        if (s.direction < 0) {
            s.direction = 1;
            s.clockMs = 1.0f;
        } else {
            s.clockMs = 0.0f;
        }
    }
    play.shutterMoving = s.clockMs != 0.0f ? 1 : 0;
}
