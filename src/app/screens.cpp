#include "app/screens.h"

#include "core/appstate.h"
#include "core/dialogport.h"
#include "app/screen_draw.h"
#include "audio/audio.h"
#include "effects/backdrops.h"
#include "effects/effects.h"
#include "game/boardrender.h"
#include "game/boardstep.h"
#include "game/gameflow.h"
#include "game/replay.h"
#include "game/playstate.h"
#include "game/statedump.h"
#include "graphics/device.h"
#include "map/map.h"
#include "menus/menus.h"
#include "menus/profilelist.h"
#include "persist/settings.h"
#include "platform/os/os.h"
#include "trophies/trophyroom.h"
#include "ui/messages.h"

#include <climits>
#include <cmath>
#include <cstring>

ScreensState screens;

SplashScreen& splashScreen = screens.splash;
MenuScreen& menuScreen = screens.menu;
GameScreen& gameScreen = screens.game;
TrophyScreen& trophyScreen = screens.trophy;

namespace {

// Splash timings (ms): a splash shows for 4000, fades out over its last 1000; a key before 3500
// jumps to 3500; the prompt fades to black over 800 after a key.
constexpr float SPLASH_END_MS = 4000.0f;
constexpr float SPLASH_FADE_START_MS = 3000.0f;
constexpr float SPLASH_CUT_MS = 3500.0f;
constexpr float PROMPT_FADE_MS = 800.0f;

// Fraction of the loading bar: bytes registered so far over the expected total, full once the
// music has started. Kept within 0..1 so a data set larger than the expected total does not
// draw the bar past its picture.
float loadingBarProgress(const SplashScreen& s)
{
    if (s.musicStarted) return 1.0f;
    float p = static_cast<float>(s.loadProgress) / static_cast<float>(LOAD_TOTAL_BYTES);
    if (p < 0.0f) return 0.0f;
    return p > 1.0f ? 1.0f : p;
}

}  // namespace

void resetScreens()
{
    screens.currentScreen = nullptr;
    screens.pendingScreen = nullptr;
    screens.switchPending = 0;
    std::memset(screens.cheatBuffer, 0, sizeof screens.cheatBuffer);
    screens.cheatKeysOn = 0;
    screens.mapUnlocked = 0;
    // Assigning fresh objects resets the fields; the objects (and their addresses) stay.
    screens.splash = SplashScreen{};
    screens.menu = MenuScreen{};
    screens.game = GameScreen{};
    screens.trophy = TrophyScreen{};
}

Screen* currentScreen()
{
    return screens.currentScreen;
}

void requestScreen(Screen* next)
{
    // A request for no screen would leave the window procedure without a target: ignored.
    if (!next) return;
    screens.pendingScreen = next;
    screens.switchPending = 1;
}

void finishFrameSwitch()
{
    if (screens.switchPending) {
        Screen* next = screens.pendingScreen;
        if (screens.currentScreen) screens.currentScreen->deactivate();
        next->activate();
        screens.currentScreen = next;
        screens.pendingScreen = nullptr;
        screens.switchPending = 0;
    }
    app.globalTimeMs += app.frameMs;
}

bool pushKey(KeyQueue& queue, int vk)
{
    if (queue.count >= KEY_QUEUE_SIZE) return false;
    queue.keys[queue.count++] = vk;
    return true;
}

int popKey(KeyQueue& queue)
{
    if (queue.count == 0) return 0;
    int vk = queue.keys[0];
    queue.count--;
    for (int i = 0; i < queue.count; i++) queue.keys[i] = queue.keys[i + 1];
    return vk;
}

namespace {

void typedCode(int vk)
{
    signed char c = static_cast<signed char>(vk & 0xFF);
    if (c < 'A' || c > 'Z') return;
    char* buf = screens.cheatBuffer;
    for (int i = 15; i >= 1; i--) buf[i] = buf[i - 1];
    buf[15] = 0;
    buf[0] = c;
    // The buffer holds the newest letter first, so each code is stored reversed.
    if (screens.currentScreen == &screens.game && std::memcmp(buf, "KOTSMIRB", 8) == 0) {
        screens.cheatKeysOn = screens.cheatKeysOn ? 0 : 1;
        showStatusMessage(screens.cheatKeysOn ? "cheatkeyenabled" : "cheatkeydisabled");
    }
    if (std::memcmp(buf, "VQZ", 3) == 0) app.debugOverlayOn = app.debugOverlayOn ? 0 : 1;
    if (screens.currentScreen == &screens.menu && screens.menu.menuMode == MENU_MODE_MAP) {
        // The longer code first: its last four typed letters are the shorter one.
        if (std::memcmp(buf, "MURGAZ", 6) == 0) {
            screens.mapUnlocked = 1;
        } else if (std::memcmp(buf, "MURG", 4) == 0) {
            screens.mapUnlocked = 0;
            resetProfileListValue();
        }
    }
}

}  // namespace

void processTypedCodes(Screen* screen)
{
    for (int i = 0; i < screen->typedKeys.count; i++) typedCode(screen->typedKeys.keys[i]);
    screen->typedKeys.count = 0;
}

void Screen::update()
{
    processTypedCodes(this);
}

void setMenuMode(int mode)
{
    if (mode == screens.menu.menuMode) return;
    openShutter(1000.0f, "");
    screens.menu.menuMode = mode;
    if (mode != MENU_MODE_MAP) releaseMapPictures();
}

// ---- Splash screen ----

void loadSplash()
{
    SplashScreen& s = screens.splash;
    s.tint = Color(255, 255, 255, 255);
    s.secondSplashExists = loadSplashPictures();
}

void addLoadProgress(int32_t bytes)
{
    SplashScreen& s = screens.splash;
    if (app.deferredLoadRequested) {
        beginScene();
        drawLoadingPictureAndBar(s.tint, loadingBarProgress(s));
        endScene();
        presentFrame();
    }
    s.progressCalls++;
    long long sum = static_cast<long long>(s.loadProgress) + bytes;
    if (sum > INT_MAX) sum = INT_MAX;
    if (sum < 0) sum = 0;
    s.loadProgress = static_cast<int>(sum);
}

void SplashScreen::activate()
{
    // Regaining the focus during the prompt proceeds as a key press would.
    fadeTimer = 1.0f;
}

// Waiting at the key prompt, only the prompt's slow pulse moves: a size change of under half a
// percent (the text's ends move by about half a pixel) over 0.63 s. Six frames a second show it
// as well as thirty, at a fifth of the cost.
constexpr int PROMPT_IDLE_HZ = 6;

bool SplashScreen::waitingForKey() const
{
    // The prompt has been drawn (the music starts with its first frame, after the load).
    return splashTimer >= SPLASH_END_MS && musicStarted && fadeTimer == 0.0f;
}

int SplashScreen::idleFrameRate() const { return waitingForKey() ? PROMPT_IDLE_HZ : 0; }

void SplashScreen::keyDown(int vk)
{
    pushKey(pendingKeys, vk);
}

void SplashScreen::lButtonDown()
{
    pushKey(pendingKeys, 13);
}

void SplashScreen::update()
{
    // Any number of keys in one frame acts as one.
    if (pendingKeys.count != 0) {
        if (splashTimer < SPLASH_CUT_MS)
            splashTimer = SPLASH_CUT_MS;
        else if (fadeTimer == 0.0f)
            fadeTimer = 1.0f;
    }
    pendingKeys.count = 0;
}

void SplashScreen::render()
{
    if (splashTimer < SPLASH_END_MS) {
        clearColor(0xFF000000u);
        int b = 255;
        if (splashTimer > SPLASH_FADE_START_MS)
            b = static_cast<int>((SPLASH_END_MS - splashTimer) / 1000.0f * 255.0f) & 0xFF;
        drawSplashPicture(secondShowing != 0, b);
        splashTimer += app.frameMs;
        if (splashTimer >= SPLASH_END_MS) {
            if (secondSplashExists && !secondShowing) {
                secondShowing = 1;
                splashTimer = 0.0f;
            } else {
                app.deferredLoadRequested = 1;
            }
        }
        return;
    }
    if (!musicStarted) {
        startMusicNow(0);
        musicStarted = 1;
    }
    promptTimer += app.frameMs;
    if (fadeTimer > 0.0f) {
        fadeTimer += app.frameMs;
        if (fadeTimer > PROMPT_FADE_MS) {
            fadeTimer = PROMPT_FADE_MS;
            releaseSplashPictures();
            requestScreen(&screens.menu);
            requestMusic(0);
            openDialog(profileCount() > 0 ? "main" : "newprofile");
            return;
        }
    }
    float ratio = fadeTimer / PROMPT_FADE_MS;
    int v = static_cast<int>(255.0f - ratio * 255.0f);
    tint = Color(v, v, v, 255);
    clearColor(0);
    drawLoadingPictureAndBar(tint, loadingBarProgress(*this));
    drawPromptText(13.0f + 0.05f * std::sin(promptTimer * 0.01f));
}

// ---- Menu screen ----

void MenuScreen::update()
{
    // Keys reach the dialogs one per frame, here rather than in keyDown; the others wait.
    menuKeyDown(popKey(pendingKeys));
    processTypedCodes(this);
}

void MenuScreen::render()
{
    clockMs += app.frameMs;
    menuRenderSetup();
    if (menuMode == MENU_MODE_MAIN || menuMode == MENU_MODE_CREDITS) {
        drawBackdrop(false);
        // Nothing else completes the menu's cross-fades: once one holds, its backdrop is shown.
        if (backdropFadeHeld()) setBackdrop(backdrop.nextNumber);
    } else if (menuMode == MENU_MODE_MAP) {
        mapState.unlocked = screens.mapUnlocked;
        drawMap(0);
    }
    selectDefaultFont();
    drawDialogs(0);
    drawDialogs(1);
    // The artefact screen and the congratulation lie over the mode dialog's buttons, which they
    // hold while they are open.
    if (menuMode == MENU_MODE_MAP) drawMap(1);
    updateAndDrawEffects();
    drawStatusMessage();
    drawShutter();
    menuRenderFinish();
    boardUpkeep();
    updateAudio();
}

// Idle frames a second of the menus, the trophy room and the game once only the living
// backdrop's slow layers (clouds and water in whole-texel steps, twigs swinging under a pixel a
// frame), the candle and ambient sparks move: 15 show them as smoothly as 30, at half the cost. Anything quicker (a
// dialog opening or closing, a cross-fade, figures falling, debris, explosions, the level's end,
// the shutter) keeps the usual idle rate.
constexpr int SCENE_IDLE_HZ = 15;

bool sceneQuiet()
{
    return !menus.opening && !menus.closing && backdrop.fadeMs <= 0.0f && backdrop.sceneFadeMs <= 0.0f &&
           liveBursts() == 0;
}

void MenuScreen::deactivate() { releaseMapPictures(); }

int MenuScreen::idleFrameRate() const { return sceneQuiet() ? SCENE_IDLE_HZ : 0; }

void MenuScreen::keyDown(int vk)
{
    pushKey(pendingKeys, vk);
    pushKey(typedKeys, vk);
}
void MenuScreen::lButtonDown() { menuLeftDown(); }
void MenuScreen::lButtonDblClk() { menuDoubleClick(); }
void MenuScreen::lButtonUp() { menuLeftUp(); }
void MenuScreen::mouseMove() { menuPointerMove(); }
void MenuScreen::textInput(char16_t unit) { menuTextInput(unit); }

// ---- Game screen ----

void GameScreen::update()
{
    // Keys for a dialog reach it one per frame; those left when it closed are dropped.
    int vk = popKey(pendingKeys);
    if (dialogPort.open) menuKeyDown(vk);
    else pendingKeys.count = 0;
    processTypedCodes(this);
}

// The board's and HUD's pictures are resident only while the game screen shows.
void GameScreen::activate() { loadBoardPicturesOnShow(); }
void GameScreen::deactivate() { releaseBoardPictures(); }

void GameScreen::render()
{
    selectDefaultFont();
    gameFrame();
    drawGame();
    drawShutter();
    replayFrameEnds();
    boardUpkeep();
    if (dialogPort.open) {
        drawModalVeil();
        drawDialogs(0);
        drawDialogs(1);
        updateAndDrawEffects();
    }
    dumpGameStateIfAsked();
}

void GameScreen::keyDown(int vk)
{
    // A replay on the screen takes no input but Escape, which leaves.
    if (replayPlayer.onScreen) {
        if (vk == VK_ESCAPE) app.quitRequested = 1;
        return;
    }
    // The board's debug keys answer while the typed cheat code has them on.
    gameFlow.debugKeysOn = screens.cheatKeysOn;
    if (dialogPort.open)
        pushKey(pendingKeys, vk);
    else
        gameKeyDown(vk);
    pushKey(typedKeys, vk);
}

void GameScreen::lButtonDown()
{
    if (replayPlayer.onScreen) return;
    if (dialogPort.open)
        menuLeftDown();
    else
        boardPress();
}

void GameScreen::lButtonDblClk()
{
    if (!replayPlayer.onScreen) boardDoubleClick();
}

void GameScreen::lButtonUp()
{
    if (replayPlayer.onScreen) return;
    if (dialogPort.open)
        menuLeftUp();
    else
        boardRelease();
}

void GameScreen::rButtonDown()
{
    if (!replayPlayer.onScreen) boardRightDown();
}
void GameScreen::rButtonUp()
{
    if (!replayPlayer.onScreen) boardRightUp();
}
void GameScreen::mButtonDown()
{
    if (!replayPlayer.onScreen) boardMiddleDown();
}

void GameScreen::mouseMove()
{
    if (dialogPort.open) menuPointerMove();
    else boardPointerMove();
}

void GameScreen::textInput(char16_t unit)
{
    if (dialogPort.open) menuTextInput(unit);
}

int GameScreen::idleFrameRate() const
{
    bool settled = gameFlow.levelActive && !play.levelWon && !play.levelLost && !play.shutterMoving && isIdle() &&
                   activeDebrisCount() == 0 && activeSquarePieceCount() == 0;
    return settled && sceneQuiet() ? SCENE_IDLE_HZ : 0;
}

// ---- Trophy screen ----

void TrophyScreen::update()
{
    trophyRoomKeyDown(popKey(pendingKeys));
    processTypedCodes(this);
}

void TrophyScreen::render()
{
    clockMs += app.frameMs;
    menuRenderSetup();
    updateTrophyRoom();
    drawTrophyRoom();
    selectDefaultFont();
    drawDialogs(0);
    updateAndDrawEffects();
    drawStatusMessage();
    drawShutter();
    menuRenderFinish();
    boardUpkeep();
    updateAudio();
}

// The room waiting with its trophies glowing (a pulse of about 1.3 s) over the living backdrop:
// the scene's idle rate, as in the menus.
int TrophyScreen::idleFrameRate() const { return trophyRoomQuiet() && sceneQuiet() ? SCENE_IDLE_HZ : 0; }

void TrophyScreen::keyDown(int vk)
{
    pushKey(pendingKeys, vk);
    pushKey(typedKeys, vk);
}
void TrophyScreen::lButtonDown() { trophyRoomPress(); }
void TrophyScreen::lButtonDblClk() { trophyRoomDoubleClick(); }
void TrophyScreen::lButtonUp() { trophyRoomRelease(); }
void TrophyScreen::mouseMove() { trophyRoomHover(); }
void TrophyScreen::textInput(char16_t unit) { menuTextInput(unit); }
