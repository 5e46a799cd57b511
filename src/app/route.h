#pragma once
// The game's route between the screens: the front end (menu screen with the dialogs over the
// backdrop or the map), the game screen and back. The dialogs and the game flow cannot reach the
// screens; installRoute gives them the hooks that switch screens, so the path is the same in the
// program, in the tests that drive the main loop, and wherever else a game is started.
#include <cstdint>

// Backdrops of the front end and of its credits.
constexpr int FRONT_END_BACKDROP = 15;
constexpr int CREDITS_BACKDROP = 16;

struct RouteState {
    int32_t frontEndVisits;  // times the front end was asked for
    int32_t gameVisits;      // times the game screen was asked for after a level started
    int32_t trophyVisits;    // times the trophy screen was asked for
};

extern RouteState route;

// Sets the hooks of the dialogs and of the game flow (the shell calls it at start).
void installRoute();
// Back to the start (tests): counters zero, the hooks set again.
void resetRoute();

// For tests that drive the real program from the outside: when OSTRIMAR_SCREEN_FILE names a
// file, it is rewritten every 100 ms of game time with
//   screen=<splash|menu|game|trophy>
//   dialog=<current dialog, empty for none>
//   focus=<focused button of it, empty for none>
//   profiles=<number of profiles>
//   prompt=<1 while the splash's key prompt waits, else 0>
//   settled=<0 while a dialog opens or closes (it drops keys then), else 1>
//   drawable=<width>x<height> the window's size in pixels the picture is drawn and the pointer
//            mapped for
//   mouse=<x>,<y> the pointer in the 800 x 600 picture, as the last mouse move gave it
//   frames=<frames drawn since start>
// Players never set it; without it nothing is written. Called once per frame.
void dumpScreenIfAsked();

// `ostrimar --replay FILE.rpl` (app/shell.h). Before the start: the file is read and checked (a
// bad one is reported on standard error) and the settings folder becomes a fresh temporary one,
// so nothing of the player's own files is read or written. After the deferred load: a profile of
// its own, the recorded start, the game screen; the replay then plays at one recorded frame per
// frame drawn, and the player's input does nothing but Escape, which leaves. At the end: the
// replay's line on standard output (or why it failed on standard error), the temporary folder
// removed; the process's exit code.
struct ReplayShow {
    char file[512];
    char folder[512];
};
bool prepareReplayShow(const char* file, ReplayShow* show);
bool startReplayShow(const ReplayShow& show);
int endReplayShow(const ReplayShow& show);
