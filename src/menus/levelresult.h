#pragma once
// The level result shown by the "levelcomplete" dialog: four lines (score, best combo, moves,
// time) that count up one after another, 500 ms each, and the two record lines (fewest moves,
// best time) that pulse when the level just set them. The first Enter while the count-up runs
// shows every value at once; the next one activates the button.
#include <cstdint>

constexpr int RESULT_LINES = 4;
constexpr float RESULT_PHASE_MS = 500.0f;

struct LevelResultView {
    int32_t phase;                  // 0..3 count a line, 4 sets done, 5 after that
    float phaseTime;                // ms into the current phase
    float fraction[RESULT_LINES];   // display fraction of each line, 0..1
    uint8_t done;                   // the count-up finished or was skipped
    float pulseClock;               // ms since the dialog opened
    // What the dialog shows, taken when it opens.
    int32_t score;
    int32_t combo;
    int32_t moves;
    int32_t timeMs;
};

extern LevelResultView levelResultView;

// The dialog opened: phase 0, every fraction 0, the values of the level just won.
void startLevelResult(int score, int combo, int moves, int timeMs);
// One frame of the count-up. Returns the line (0..3) whose phase began in this frame, or -1; the
// caller plays the statistics sound and starts the burst for it.
int stepLevelResult(float dt);
// Enter (or Escape) in the dialog: while the count-up runs it only finishes it and returns true
// (the key is used up); once done it returns false and the key activates the button.
bool levelResultEnter();
// The value of a line as shown now: the full value times its fraction, truncated.
int levelResultShown(int line);
// Height beside the panel of the burst of a line: 100, 50, 0, -50.
float levelResultBurstY(int line);
// Minutes and seconds of a time in ms, as "%.2i:%.2i" shows them (negative times show 00:00).
void splitMinutesSeconds(int ms, int* minutes, int* seconds);
// Whether the level's value takes the record's place (at most the record).
bool beatsRecord(int value, int record);
// Pulsing alpha of a new record: (sin(clock x 0.01) x 0.5 + 0.5) x 127 + 128.
int recordPulseAlpha(float clockMs);
