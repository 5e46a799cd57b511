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
