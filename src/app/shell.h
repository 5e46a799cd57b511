#pragma once
// The program entry, the window procedure, the message loop and the frame.
//
// Start-up is in two stages: before the loop the window, the device and the splash pictures;
// then, once the splash has been shown, the deferred load runs inside the loop (archives, text
// tables in the chosen language, profiles, records, and every module's data). The loop drains
// the messages and runs one frame whenever none is waiting; while the window is inactive it
// sleeps instead. Everything advances by the measured frame time, app.frameMs.
#include "platform/os/os.h"
#include "platform/os/pacing.h"

#include <cstdint>

class Screen;

struct ShellOptions {
    // Use the headless OS layer (no window; messages from its script). When false and no
    // display can be opened, the game says so on standard error and ends with status 1.
    bool headless = false;
    // Turn SIGTERM/SIGINT into a close of the window (the program; not tests).
    bool catchSignals = false;
    // Never start frames faster than the display refreshes (the program; tests that count
    // frames against the fake clock leave it off unless they test the pacing itself).
    bool paceFrames = false;
    // `ostrimar --replay FILE.rpl`: shows that replay instead of the menus (nothing of the
    // player's own files is read or written: the settings folder is a fresh temporary one).
    const char* replayFile = nullptr;
};

struct ShellState {
    int languageFolder = 0;     // 1 or 2: the "txt" folder the deferred load chose
    char textDir[PATH_MAX + 16] = {};  // data folder + that language folder
    int framesRun = 0;          // frames drawn (inactive passes not counted)
    int deferredLoads = 0;      // times the deferred load ran
    bool windowCreated = false;
    bool deviceCreated = false;
    FramePacer pacer;           // frame pacing (ShellOptions::paceFrames)
    int fullscreenToggles = 0;  // times F11 / Alt+Enter switched the window
    int messagesHandled = 0;    // messages windowProc was given
    bool savedAtClose = false;  // the window's close wrote the state files: the exit need not
};

extern ShellState shell;

void resetShell();

// Runs the game: the display, the single-instance check (one copy per settings folder; a second
// one brings the first one's window to the front), start-up, the loop, saving, shutdown. Returns
// the process's exit code: 1 when no display could be opened, else 0 (a second copy and a failed
// window too).
int shellMain(const ShellOptions& options);

// Handles one message; false for messages it leaves to the system's default handling.
bool windowProc(const OsMessage& msg);

// One frame: clear, render the current screen, the debug overlay, present, timing, update and
// the end-of-frame screen switch. While inactive (or minimised): draws nothing and blocks until
// the next message instead. (The GL device draws each frame only where it differs from the
// last one: platform/gpu/damage.h.)
void runFrame();

// With pacing on, waits until the next frame is due (the display's refresh period after the
// last one) and marks its start.
void paceFrame();

// Switches between the window and full screen on the desktop's mode and remembers the choice in
// the settings (F11 and Alt+Enter).
void toggleFullscreen();

// The frame timing step on its own: the elapsed time since the last frame (unsigned, so a wrap
// of the millisecond timer gives the right difference), the FPS text, and frameMs.
void measureFrameTime(uint32_t now);

// The second loading stage; true on success (a missing required file ends the process inside
// the loaders).
bool deferredLoad();

// Sets app.startDir and app.dataDir: "Data" under the current folder when it has one, else
// "Data" beside the program, else the installed data set ("../share/ostrimar" from the
// program's folder). dataDir ends with a separator.
void chooseDataDir();

// Releases the device, audio, text tables and the window.
void shutdownShell();

// Tells the player where a screenshot went: the status message "screenshotsaved" with the file's
// path (the home folder written "~") in place of its "%s".
void showScreenshotSaved(const char* path);
