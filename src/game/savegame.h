#pragma once
// The saved game of a profile and mode: the game state written as 46 blocks back to back, 51655
// bytes, no header, in the file "<stem>_cls.sav", "<stem>_ndl.sav" or "<stem>_org.sav" of the
// settings folder. The block list (which field goes where) is in docs/persist.md and in
// savegame.cpp; its order and sizes never change, so saved games stay readable.
#include <cstdint>

constexpr int SAVED_GAME_SIZE = 51655;
constexpr int SAVED_GAME_BLOCKS = 46;

// Size of block i (0..45) of the layout.
int savedGameBlockSize(int block);

// The game state as a file image (out holds SAVED_GAME_SIZE bytes).
void saveGameToBytes(uint8_t* out);
// Checks a file image: its size and every value the game uses as a count, index, colour or kind
// must be possible. False for an impossible image.
bool validSavedGame(const uint8_t* data, int32_t size);
// Reads a checked file image over the game state; false, changing nothing, when it does not pass
// the check.
bool loadGameFromBytes(const uint8_t* data, int32_t size);

// A game may be saved: one is in progress and touched (a level start and a click made it so, and
// nothing ended it since: see endGameInProgress), its level is neither won nor lost, the game
// not complete, it is the current profile's (play.profileStem), and the trophy room is not open
// over the front end.
bool canSaveGame();
// Saves the game in progress of the current profile's mode: false, writing nothing, when none may
// be saved or there is no profile. Otherwise the profile's score of the mode becomes the banked
// plus the shown level score, the saved-game flag of the mode is set and the file is written
// atomically (false when that fails; the old file stays).
bool saveGame();
// Reads the current profile's saved game of its mode over the game state (the caller has started
// the profile's current level first). True when read: a game is then in progress and touched.
// False when the file is missing, of another size or holds impossible values: the game state is
// not touched (the level stays freshly started) and the profile's saved-game flag of the mode is
// cleared.
bool loadGame();
// Removes the current profile's saved game file of a mode.
void removeSavedGame(int mode);
