#pragma once
// Time and move limits and the candle that shows them: the limits of a level from its file
// values and its number, the per-frame limit logic (ticking, running out, the lost flag), and
// the candle's height, flame, sparks, wax drops and countdown text.
#include <cstdint>

#include "core/math.h"

constexpr int WAX_DROP_COUNT = 5;
// A full candle stands for this much time or this many moves.
constexpr float CANDLE_FULL_MS = 800000.0f;
constexpr float CANDLE_FULL_MOVES = 300.0f;
// The last stretch of a time limit in which the tick sounds and the seconds show.
constexpr float WARN_WINDOW_MS = 20000.0f;
// The move limit of the modes that have none.
constexpr int NO_MOVE_LIMIT = 150;
// The time value of the modes without a time limit, per target (square layer or chain).
constexpr float UNTIMED_MS_PER_TARGET = 7000.0f;

struct WaxDrop {
    Vec2 pos;
    Vec2 step;     // motion per frame
    Vec2 size;
    float alpha;
    int32_t picture;  // 0..3
    uint8_t waiting;
};

struct CandleState {
    float candleBurnt;  // 0 full .. 1 gone
    float flameY;       // centred coordinates, y up
    float flareMs;      // spark and smoke timers
    float smokeMs;
    float smoulderMs;
    float scoreSpriteMs;
    WaxDrop drops[WAX_DROP_COUNT];
    float dropTimerMs;
    float dropIntervalMs;
    float freeClockMs;  // drives the pulse of the moves countdown
};

extern CandleState candle;

// Full candle, every drop waiting.
void resetCandle();

// Adventure time limit in ms of a level (zero-based index) with the file's time value.
float adventureTimeLimitMs(int levelIndex, float rawTime);
// Puzzle move limit of a level with the file's move value.
int puzzleMoveLimit(int levelIndex, int rawMoves);
// Time value of a timeless or puzzle level: 7000 ms per target of the level.
float untimedLimitMs(int targetsTotal);
// The limits of the level just read (play.levelIndex, play.gameMode, the level file's values and
// board.targetsTotal, so after countTargets) and a fresh candle.
void applyLimits();
// Time or moves left, clamped at 0 (adventure: ms; puzzle: moves shown as left).
float timeLeftMs();
float movesLeftShown();
// The per-frame limit logic.
void updateLimits();
// Candle height and flame position for this frame (drawCandle calls it; tests too).
void updateCandleHeight();
// Sparks, smoke, glow and drops of the flame for this frame, then the candle pictures and the
// countdown. Nothing in timeless mode.
void drawCandle();
