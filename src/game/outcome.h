#pragma once
// What happens when a level ends: the seven-second level-complete sequence and the move to the
// next level (or the end of the game after the last one), the life-lost sequence with its row
// sweep, the choice between game over, the defeat dialog and a restart, and the lives of the
// profile with the extra life. Also the start of a game and of a level as the game flow runs it.

#include <cstdint>

// Clocks of the two sequences' one-time events.
struct OutcomeState {
    uint8_t musicStarted;    // the win music of this sequence was asked for
    uint8_t bonusShown;      // the "levelcomplete" message and the bonus caption were shown
    uint8_t lostMusicStarted;
    uint8_t lostMessageShown;
};

extern OutcomeState outcome;

void resetOutcome();

// Starts level levelIndex of gameMode with every per-level value of the game flow fresh
// (board, limits, score of the level, popups, tip panel, sequences). Returns whether the level
// file was read.
bool beginLevel(int levelIndex, int gameMode);
// A new game of a mode: banked score 0, saved score 0, 3 lives; the profile's level starts.
bool newGame(int gameMode);
// Continuing the profile's game of a mode: banked score = the saved score (3 lives when that is
// 0 or less); the profile's level starts.
bool continueGame(int gameMode);

// The level-complete sequence, once per frame while the level is won.
void levelCompleteSequence();
// First call: the "levelcomplete" dialog; after it was closed, once: on to the next level.
void nextLevel();
// The life-lost sequence, once per frame while the level is lost.
void lifeLostSequence();
// Game over, the defeat dialog or the life-lost message (nothing before 4000 ms of the sequence).
void decideDefeat();
// OK of the life-lost message: the level again, and this attempt counts as a second try.
void lifeLostMessageClosed();
void restartLevel();
void skipLevel();
void gameOver();
void finishGame();
// One more life, with its message, sound and the HUD highlight.
void gainExtraLife();
// The dialog of the first nextLevel call was closed (the dialog layer calls this).
void levelCompleteDialogClosed();
