#pragma once
// The meaning of the dialogs of the front end and of play: what happens when a dialog opens,
// where "back" leads, the keys a dialog treats its own way, and the action of every button. The
// drawing of each dialog is in dialogs_draw.cpp, which also registers everything with the
// framework (menus.h: the tree, the animation, the focus and the widgets).
//
// Screen changes (the front end, the game screen, the trophy room, the end of the program) go
// through the hooks of `dialogRoute`, which the shell sets: the dialogs cannot reach the screens.
#include <cstdint>

struct DialogsState {
    int32_t modeTab;          // 0 adventure, 1 timeless, 2 puzzle
    int32_t newScoreRow = -1; // high-score row to highlight, -1 none
    float creditsTime;        // ms since "credits" opened
    uint8_t fullscreenChoice; // working copy of the full-screen option
    uint8_t hiscoreFromGame;  // "hiscore" was opened by the game (game over)
    // The map under the mode dialogs: the mode it is set up for (-1: set it up on the next open of
    // a mode dialog), and what the next set-up is told about the level just won.
    int32_t mapMode = -1;
    int32_t mapCompletedLevel = -1;  // -1 when the map is entered from the main menu
    uint8_t mapGameComplete;    // the last level was won
    int32_t gameTipsShown;    // numbered game tips already shown
    int32_t helpPage;         // page shown by "howtoplay", 0..HELP_PAGE_COUNT - 1
    int32_t continuedGames;   // "okcontinuegame" presses
    uint8_t gameTipsOff;      // the "showgametip" box was unticked
};

extern DialogsState dialogs;

// Screen changes the dialogs ask for. Unset hooks are recorded in the request log.
struct DialogRoute {
    void (*toFrontEnd)();    // the menu screen with the main backdrop
    void (*toGameScreen)();  // a level was started: show the game screen
    void (*quitProgram)();
    void (*applyFullscreen)(bool on);
    void (*setSoftwareCursor)(bool on);
    void (*setFrontEndMode)(int mode);  // 0 the main backdrop, 1 the map, 4 the credits
};

extern DialogRoute dialogRoute;

// Back to the start (tests): no tab, no profile chosen, no hooks.
void resetDialogs();

// Called by the framework.
// On-open step of a dialog (by name).
void dialogOpened(const char* dialog);
// The back step of a dialog (Escape, or a button that goes back).
void dialogBack(const char* dialog);
// Dialog-specific key rules: returns the key to handle (possibly rewritten), or 0 when the key
// is used up here. `focused` is the focused child's name ("" for none).
int dialogKeyRule(const char* dialog, const char* focused, int vk);
// The action of a button, 300 ms after it was activated. `dialog` is the dialog the button
// belongs to; for the message boxes `parent` is the dialog the box was opened over and
// `boxText` the text key it shows.
void dialogAction(const char* dialog, const char* button, const char* parent, const char* boxText);

// Mode index of a mode dialog's name, -1 for other names.
int modeOfDialog(const char* name);
// Name of the mode dialog of a mode index.
const char* modeDialogName(int mode);
// The high-score tab after Left (-1) or Right (+1), wrapping within 0..2.
int stepModeTab(int tab, int step);

// "howtoplay": the pages of the help, and the page after Left (-1) or Right (+1), kept within
// the pages (no wrapping, so the ends are felt).
constexpr int HELP_PAGE_COUNT = 5;
int stepHelpPage(int page, int step);
// How a help page lays out in the current font and text tables: the lowest point its rows
// reach and the lowest point they may reach (above the page arrows and the button), and the
// widest wrapped line against the width the text may take.
struct HelpPageFit {
    float rowsBottom;
    float rowsLimit;
    float widestLine;
    float textWidth;
};
HelpPageFit helpPageFit(int page);

// Credits: y of line i at a credits clock; alpha of a line at height y; the clock after a frame
// (it stops once the last line has reached the centre).
float creditsLineY(int line, float creditsTimeMs);
float creditsAlpha(float y);
float advanceCredits(float creditsTimeMs, float dt, int lineCount);

// The front end with "main" open (also the game's hook for leaving a level: gameFlow.toFrontEnd).
void returnToMainMenu();
// Back from a game to the mode's dialog over the map (the game's return hook): completedLevel is
// the level just won (-1 none), gameComplete that it was the last one; the map plays the ring,
// the completion animation and the cover reveal for it.
void openModeDialogAfterLevel(int mode, int completedLevel, bool gameComplete);
// The congratulation after the last level has closed: the main-menu backdrop and "hiscore" with
// the game's row.
void congratulationDone();

// Starting play from the front end (also used by the route's tests): a new game of a mode at a
// level (score 0, lives 3), or the profile's game of a mode continued.
void startNewGame(int mode, int level);
void continueProfileGame(int mode);

// Registers the drawing, on-open steps, back steps, key rules and button actions of every dialog
// above with the framework (called by registerDialogs).
void registerGameDialogs();
