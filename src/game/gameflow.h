#pragma once
// The play of a level around the board as the game screen runs it: what a key or a click does
// in each state of the game (playing, paused, tip open, won, lost, waiting to go on, complete),
// the per-frame gameplay update in its fixed order, the drawing of the game screen, and the
// screen-transition shutter shared by every screen.
#include <cstdint>

struct Shutter {
    float clockMs;     // 0 idle
    float durationMs;
    int32_t direction; // +1 opening, -1 closing (then it reopens at once)
    char caption[32];  // text key, "" for none
};

struct GameFlowState {
    Shutter shutter;
    // Screen changes the game asks for; the shell sets them (the game module cannot reach the
    // screens). Without them the request is recorded ("toModeMenu", a = mode; "toTrophyRoom").
    void (*toModeMenu)(int mode);
    void (*toTrophyRoom)();
    void (*toFrontEnd)();  // the main menu ("toFrontEnd" recorded without it)
    uint8_t debugKeysOn;  // the typed cheat code's state, mirrored by the shell
    uint8_t levelActive;  // a level was started (the game screen is empty before)
    // The dialog the game opened last ("message" for the life-lost message box; "" none).
    char gameDialog[16];
};

extern GameFlowState gameFlow;

// Idle shutter, no hooks.
void resetGameFlow();
// Every module state of a level's play back to the start (tests and a new run).
void resetGamePlay();

// Keys (virtual key codes) that pause a running level: Space, Escape and P. On the pause
// overlay any key resumes; Escape there opens the in-game menu ("gameplay") instead.
constexpr int GAME_KEY_PAUSE = 'P';
bool isPauseKey(int vk);
// Arms or disarms the hammer from the keyboard, as its HUD button does.
constexpr int GAME_KEY_HAMMER = 'H';
// A key on the game screen with no dialog open. While the level runs the arrows move the
// keyboard's board cursor, Return acts at it as a left click there and H is the hammer button.
void gameKeyDown(int vk);
// Mouse buttons on the game screen with no dialog open; the position is app.mouseX/Y.
void boardPress();
void boardRelease();
// The pointer moved (app.mouseX/Y): the keyboard's board cursor hides.
void boardPointerMove();
void boardDoubleClick();
void boardRightDown();
void boardRightUp();
void boardMiddleDown();
// One frame of the game's logic, the only frame sequence there is: the game screen runs it
// before drawing, the tests and the data tool's bot run it headless. It is the gameplay update
// in its fixed order, then the board logic that belongs to the drawing pass (idle hint and board
// tips, bonus labels, recolour wave), so that drawGame only draws.
void gameFrame();
// The per-frame gameplay update (part of gameFrame) and the drawing of the game screen.
void updateGameplay();
void drawGame();
// Per-frame upkeep of the board modules, run by every screen after its scene ("boardUpkeep").
void boardUpkeep();
// Opens a dialog of the game's own (by node name) or the life-lost message box (by text key),
// remembering which one is open.
void openGameDialog(const char* name);
void openGameMessage(const char* textKey);
// Back to the mode's menu (the map with the mode's dialog) with a random game song.
void goToModeMenu();
// Saves a touched level in play for leaving it: the mode's saved game, then the state files (the
// save moved the level's points and the saved-game flag into the profile). False when nothing
// was saved (an untouched, won or lost level, or a failed write of either).
bool saveGameForLeaving();
// The window is being closed: the game in progress is saved (saveGame) and, once they were read,
// the state files (saveAll). False when a failure was newly reported, so the window stays open
// with the message until the player closes it again.
bool saveForClosing();
// The pause menu's item for leaving the game: a touched level in play is saved (the saved game
// of the mode, then the state files with the profile's saved-game flag) and the message box
// "savemsg" confirms it; without a save the game leaves for the front end at once. A save that
// fails leaves the player in the game, the pause menu open under the message that says why.
// True when a game was saved.
bool leaveGameFromMenu();
// OK of the "savemsg" box: the front end.
void savedMessageClosed();

// The screen-transition shutter: opening from black (+1) or closing to black and reopening
// (-1), with an optional caption text key. drawShutter draws it and advances its clock.
void openShutter(float durationMs, const char* caption);
void closeShutter(float durationMs, const char* caption);
void drawShutter();
// Opening of the shutter for its current clock: 0 black .. 1 clear (1 when idle).
float shutterOpening();
