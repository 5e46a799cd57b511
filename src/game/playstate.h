#pragma once
// The record of the level being played, as far as the board engine reads and writes it:
// the level and mode, moves and limits, score fields, and the flags that stop the board
// (pause, open tip, moving shutter, won or lost level). The game-flow modules extend it.
#include <cstdint>

#include "persist/profile.h"

enum GameMode : int32_t { ModeAdventure = 0, ModeTimeless = 1, ModePuzzle = 2 };

// Tips that the profile shows once (indexes of the profile's hint flags).
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
    int32_t bestStreak;     // longest run of clicks on one colour in the level (colourStreak + 1)
    int32_t comboCount;
    int32_t endBonus;

    uint8_t gameInProgress;  // the player clicked in this level; ended by endGameInProgress
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
    int32_t wonAtMs;         // level clock at the win, whole ms (the level's time for the records)
    float lifeGainedMs;

    // HUD, pause, tips (game/hud.h).
    float pauseClockMs;
    float leftSlide;         // 0 at rest, down to -128 while the left panel is away
    float rightSlide;        // the same for the candle
    uint8_t trophyTrip;      // the trophies button was pressed
    float trophyTripMs;
    uint8_t noMovesTipShown; // "nomoves" shows once per level
    uint8_t levelTouched;    // a click reached the board in this level
    // The profile's saved game of this mode holds an earlier moment of this level's game (it was
    // loaded from it or saved to it since the level started): a failed save leaves it offered.
    uint8_t savedOnDisk;
    float playClockMs;       // level statistics clock
    float boardFade;         // alpha of the board, 0..1

    // The current profile's file stem, copied at every level start: the trophies' key of the player.
    char profileStem[PROFILE_STEM_MAX];
};

extern PlayState play;

// Zeroes everything.
void resetPlayState();
// Values reset when a level starts (the flags and the profile's tips stay).
void resetLevelPlayValues();
// The game on the board is no longer one to save: it was left, it is finished or over, or the
// profile changed. Only a level start and a click on the board make a game in progress again.
void endGameInProgress();
// The tip flag of a key, or -1 when the key has no profile flag.
int tipFlagIndex(const char* key);
// The once-only tips live in the current profile (its first ten hint flags, 1 = still wanted),
// so they follow the player whatever route started the level.
bool tipWanted(int flag);
void markTipShown(int flag);
// True when the board must not run: a dialog, pause, open tip or moving shutter.
bool boardFrozen();
