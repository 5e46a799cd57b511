#pragma once
// What happens when a level ends: the seven-second level-complete sequence and the move to the
// next level (or the end of the game after the last one), the life-lost sequence with its row
// sweep, the choice between game over, the defeat dialog and a restart, and the lives of the
// profile with the extra life. Also the start of a game and of a level as the game flow runs it.

#include <cstdint>

// The answer the game waits for after a level ended (the dialog of the rules that is open).
enum OutcomeWait : int32_t {
    WaitNone,
    WaitLevelComplete,    // "levelcomplete": closing it lets the next key or click go on
    WaitLifeLostMessage,  // "lostlifetime" / "lostlifemoves": OK restarts the level
    WaitDefeat,           // "defeat": restart or skip the level
    WaitHiscore,          // "hiscore" after game over
};

// Clocks of the two sequences' one-time events.
struct OutcomeState {
    uint8_t musicStarted;    // the win music of this sequence was asked for
    uint8_t bonusShown;      // the "levelcomplete" message and the bonus caption were shown
    uint8_t lostMusicStarted;
    uint8_t lostMessageShown;
    OutcomeWait waiting;
    int32_t hiscoreRow = -1;  // the row of the high scores the ended game went into, -1 none
};

// What a won level gives the level records: the level's score, its longest colour run (clicks,
// so colourStreak + 1), its moves and its time (the level clock at the win, whole ms).
struct LevelResult {
    int32_t mode;
    int32_t levelIndex;
    int32_t score;
    int32_t bestStreak;
    int32_t moves;
    int32_t timeMs;
};

extern OutcomeState outcome;

void resetOutcome();

// Starts level levelIndex of gameMode with every per-level value of the game flow fresh
// (board, limits, score of the level, popups, tip panel, sequences). With path set the level is
// read from that file instead of the "levels" folder. Returns whether the level file was read.
bool beginLevel(int levelIndex, int gameMode, const char* path = nullptr);
// A new game of a mode: banked score 0, saved score 0, 3 lives; the profile's level starts.
bool newGame(int gameMode);
// Continuing the profile's game of a mode: banked score = the saved score (3 lives when that is
// 0 or less); the profile's level starts.
bool continueGame(int gameMode);

// The board found no square left: the end bonus, the win (unless the level already ended) with
// the level's score and the next level banked in the profile at once, and the board's fly-off.
void startLevelComplete();
// Stores the won level in the profile: the next level and the game's score with every point of
// this level; after the last level the game is finished (high score, fresh start of the mode).
void bankWonLevel();
// The won level as the records see it.
LevelResult levelResult();
// Order of the four results of a level record.
enum RecordResult : int32_t { RecordScore, RecordStreak, RecordMoves, RecordTime };
// Enters a won level in its record of the records table with the player's name (cut to 19
// characters): each result that is at least as good as the stored one replaces it. Returns the
// results replaced, one bit per RecordResult.
int updateLevelRecords(const LevelResult& result, const char16_t* name);
// Resuming the saved game of a mode ("loadgamequest" answered yes): the profile's level starts
// as when continuing, the saved game is read over it, and the profile's score goes back to the
// banked score (saving had put the level's points so far in it, which are the level's again).
// False when the saved game could not be read: the level stays freshly started.
bool resumeSavedGame(int gameMode);
// Reads the profile's saved game over the level just started for it: clears the dialog flag the
// file was saved with and puts the banked score back into the profile. False: the level stays fresh.
bool loadSavedGameOverLevel();
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
// The level again for a life; every floating message and flying letter goes with the old attempt.
void restartLevel();
// The next level for a life. Nothing on the last level, which has no next level to skip to.
void skipLevel();
void gameOver();
void finishGame();
// One more life, with its message, sound and the HUD highlight.
void gainExtraLife();
// The dialog of the first nextLevel call was closed (the dialog layer calls this).
void levelCompleteDialogClosed();
