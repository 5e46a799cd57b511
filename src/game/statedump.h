#pragma once
// A plain-text dump of the game being played, for tests that drive the real program from the
// outside (end-to-end tests under a virtual display). When the environment names a file in
// OSTRIMAR_STATE_FILE, the game screen rewrites it every 100 ms of game time:
//   level=<level number, from 1>
//   score=<banked score + level score>
//   moves=<moves made>
//   won=<0|1> lost=<0|1> paused=<0|1> tip=<0|1: a tip panel is open>
//   timeused=<whole ms of the level's time used (the candle)>
//   row=<12 characters per board row, top row first: '.' hole, '-' no figure, 'a'.. a figure
//       of colour 0..>   (11 lines)
// Players never set it; without it nothing is written.
#include <cstddef>

// The dump text; false when it does not fit.
bool formatGameState(char* out, size_t capacity);
// Writes the dump to path (through a temporary file renamed over it, so a reader never sees
// half a file). False when it cannot be written.
bool writeGameState(const char* path);
// Called once per game screen frame.
void dumpGameStateIfAsked();
