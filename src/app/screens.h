#pragma once
// Screens: the object that receives all input and draws the whole frame. Exactly one is current;
// the window procedure and the frame call it through thirteen virtual operations. Four screens
// exist for the whole run: splash (pictures, loading bar, key prompt), menu (backdrop, adventure
// map or credits with the dialogs over them), game (the board) and trophy (the trophy room).
// A switch requested during a frame takes effect at the frame's end.
//
// The base class also carries the typed-code buffer: letters typed on a screen are collected,
// newest first, and three codes switch hidden features (cheat keys on the game screen, the
// debug overlay anywhere, the unlocked map on the adventure map).
#include "core/math.h"

#include <cstdint>

// Keys that arrived between two frames, oldest first. The window's messages all reach the screen
// before the frame runs, so several keys can arrive within one frame: none is dropped (up to the
// capacity; a key beyond it is).
constexpr int KEY_QUEUE_SIZE = 32;
struct KeyQueue {
    int keys[KEY_QUEUE_SIZE] = {};
    int count = 0;
};
// Appends a key; false when the queue is full.
bool pushKey(KeyQueue& queue, int vk);
// Takes the oldest key; 0 when there is none.
int popKey(KeyQueue& queue);

class Screen {
public:
    virtual ~Screen() = default;
    // In slot order.
    virtual void activate() {}
    virtual void deactivate() {}
    virtual void update();  // the typed codes
    virtual void tick() {}
    virtual void render() {}
    virtual void keyDown(int vk) { (void)vk; }
    virtual void lButtonDown() {}
    virtual void lButtonDblClk() {}
    virtual void lButtonUp() {}
    virtual void rButtonDown() {}
    virtual void rButtonUp() {}
    virtual void mButtonDown() {}
    virtual void mouseMove() {}
    // A typed character (UTF-16 code unit) from the window's text input, after its key press.
    virtual void textInput(char16_t unit) { (void)unit; }
    // Frames a second this screen needs once the player has been idle for a while (see
    // platform/os/pacing.h); 0: the usual idle rate.
    virtual int idleFrameRate() const { return 0; }

    // Every key of the frame, for the typed codes (all read by the next update).
    KeyQueue typedKeys;
    // Keys waiting for the screen's own handler (dialogs, trophy room, splash), which takes one
    // per frame.
    KeyQueue pendingKeys;
};

class SplashScreen : public Screen {
public:
    void activate() override;
    void update() override;
    void render() override;
    void keyDown(int vk) override;
    void lButtonDown() override;
    int idleFrameRate() const override;
    // The pictures are over, the load is done and the key prompt waits (no key pressed yet).
    bool waitingForKey() const;

    Color tint;                       // opaque white
    bool secondSplashExists = false;  // "splash2.jpg" was found at load
    int secondShowing = 0;
    uint8_t musicStarted = 0;
    float splashTimer = 0.0f;
    float fadeTimer = 0.0f;
    float promptTimer = 0.0f;
    int progressCalls = 0;
    int loadProgress = 0;  // bytes registered so far
};

class MenuScreen : public Screen {
public:
    void deactivate() override;  // the map's pictures go
    void update() override;
    void render() override;
    void keyDown(int vk) override;
    void lButtonDown() override;
    void lButtonDblClk() override;
    void lButtonUp() override;
    void mouseMove() override;
    void textInput(char16_t unit) override;
    int idleFrameRate() const override;

    int menuMode = 0;  // 0 main-menu backdrop, 1 adventure map, 4 credits backdrop
    float clockMs = 0.0f;
};

class GameScreen : public Screen {
public:
    void update() override;
    void render() override;
    void activate() override;
    void deactivate() override;
    void keyDown(int vk) override;
    void lButtonDown() override;
    void lButtonDblClk() override;
    void lButtonUp() override;
    void rButtonDown() override;
    void rButtonUp() override;
    void mButtonDown() override;
    void mouseMove() override;
    void textInput(char16_t unit) override;
    int idleFrameRate() const override;
};

class TrophyScreen : public Screen {
public:
    void update() override;
    void render() override;
    int idleFrameRate() const override;
    void keyDown(int vk) override;
    void lButtonDown() override;
    void lButtonDblClk() override;
    void lButtonUp() override;
    void mouseMove() override;
    void textInput(char16_t unit) override;

    float clockMs = 0.0f;
};

constexpr int MENU_MODE_MAIN = 0;
constexpr int MENU_MODE_MAP = 1;
constexpr int MENU_MODE_CREDITS = 4;

struct ScreensState {
    Screen* currentScreen = nullptr;
    Screen* pendingScreen = nullptr;
    uint8_t switchPending = 0;
    char cheatBuffer[16] = {};  // last 15 letters, newest first; byte 15 always 0
    uint8_t cheatKeysOn = 0;    // read by the board's key handler
    uint8_t mapUnlocked = 0;    // read by the adventure map and its dialogs
    SplashScreen splash;
    MenuScreen menu;
    GameScreen game;
    TrophyScreen trophy;
};

extern ScreensState screens;

// The four screen objects (they live in `screens` for the whole run).
extern SplashScreen& splashScreen;
extern MenuScreen& menuScreen;
extern GameScreen& gameScreen;
extern TrophyScreen& trophyScreen;

// Back to the state at program start: no current screen, every screen's fields reset.
void resetScreens();

Screen* currentScreen();
// Asks for a switch at the end of this frame; a second request in the same frame replaces the first.
void requestScreen(Screen* next);
// End of the frame: the pending switch (old deactivate, new activate, new current), then the
// global clock advances by the frame time.
void finishFrameSwitch();

// The typed-code buffer step of every screen's update; consumes every key in `screen`'s typedKeys.
void processTypedCodes(Screen* screen);

// Menu screen mode; a change starts the 1000 ms shutter that covers it.
void setMenuMode(int mode);

// Loads the splash pictures (program start) with the tint reset to white.
void loadSplash();
// Progress callback of the file table (and the sound loader): during the deferred load each
// registered file draws one loading frame; the bytes advance the bar.
void addLoadProgress(int32_t bytes);
