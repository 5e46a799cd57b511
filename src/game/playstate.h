#pragma once
// The record of the level being played, as far as the board engine reads and writes it:
// the level and mode, moves and limits, score fields, and the flags that stop the board
// (pause, open tip, moving shutter, won or lost level). The game-flow modules extend it.
#include <cstdint>

enum GameMode : int32_t { ModeAdventure = 0, ModeTimeless = 1, ModePuzzle = 2 };

// Tips that the profile shows once; 1 = not yet shown.
enum TipFlag : int32_t {
    TipWelcome,
    TipBreakSquares,
    TipBreakDualSquares,
    TipBreakZep,
    TipUseHammer,
    TipFirstBonus1,
    TipFirstBonus2,
    TipFirstBonus5,
    TipCandleTime,
    TipCandleMove,
    TIP_FLAG_COUNT
};

struct PlayState {
    int32_t levelIndex;
    int32_t gameMode;

    // Moves and limits.
    int32_t movesMade;
    int32_t moveLimit;
    float timeLimitMs;
    float timeUsedMs;

    // Score.
    int32_t levelScore;
    int32_t colourStreak;   // earlier clicks in a row on the colour of the last one
    int32_t bestStreak;
    int32_t comboCount;
    int32_t endBonus;

    uint8_t gameInProgress;
    uint8_t paused;
    uint8_t tipOpen;
    uint8_t shutterMoving;
    uint8_t levelWon;
    uint8_t levelLost;
    float completeClockMs;

    // Limits and candle (game/limits.h).
    float limitClockMs;      // runs on after the time is up and times the lost sequence
    float movesShown;        // eases towards movesMade
    uint8_t limitRunning;    // time or moves are still left
    float warnTickMs;

    // Score shown and banked (game/scoring.h).
    int32_t bankedScore;     // score of the game banked at the end of earlier levels
    int32_t shownLevelScore; // the part of levelScore shown so far

    // Level outcome (game/outcome.h).
    float lostClockMs;
    uint8_t secondTry;       // this attempt follows a lost life on the same level
    uint8_t gameComplete;    // the last level of the mode was won
    uint8_t levelAdvance;    // the level-complete dialog was closed; a click goes on
    uint8_t completeDialogShown;
    uint8_t nextLevelDone;   // one-shot guard of the second nextLevel call
    uint8_t lifeGained;      // the HUD highlights the lives
    float lifeGainedMs;

    // HUD, pause, tips (game/hud.h).
    float pauseClockMs;
    float leftSlide;         // 0 at rest, down to -128 while the left panel is away
    float rightSlide;        // the same for the candle
    uint8_t trophyTrip;      // the trophies button was pressed
    float trophyTripMs;
    uint8_t noMovesTipShown; // "nomoves" shows once per level
    uint8_t levelTouched;    // a click reached the board in this level
    float playClockMs;       // level statistics clock
    float boardFade;         // alpha of the board, 0..1

    // The current profile's name and tip flags (1 = still wanted), kept here until profiles exist.
    char profileName[32];
    uint8_t tipFlags[TIP_FLAG_COUNT];
};

extern PlayState play;

// Zeroes everything and sets every tip flag.
void resetPlayState();
// Values reset when a level starts (the flags and the profile's tips stay).
void resetLevelPlayValues();
// The tip flag of a key, or -1 when the key has no profile flag.
int tipFlagIndex(const char* key);
// True when the board must not run: a dialog, pause, open tip or moving shutter.
bool boardFrozen();
