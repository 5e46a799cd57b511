#pragma once
// Level files: "levels/pack1_NN.lvl", key=value text with the number of colours, colour-to-image
// remaps, raw time and move values, a backdrop number and the 11 x 12 grid of place codes.
// The reader fills the board; the level start sequence clears the board, reads the level, fills
// it with random figures and counts the targets.
#include <cstdint>

constexpr int LEVEL_COUNT_MAX = 129;
// Sane ranges of a level's raw time (seconds) and move values; a file's value outside is brought
// to the nearest end (a value that is not a number gets the default), so no limit arithmetic can
// overflow.
constexpr float LEVEL_TIME_MIN = 1.0f;
constexpr float LEVEL_TIME_MAX = 3600.0f;
constexpr int LEVEL_MOVES_MIN = 1;
constexpr int LEVEL_MOVES_MAX = 9999;
constexpr int BACKDROP_RANDOM_COUNT = 16;

struct LevelFilesState {
    float rawTime;      // T: "time=" after its default
    int32_t rawMoves;   // M: "moves=" after its default
    int32_t rawBack;    // "back=" as written (0 when missing)
    int32_t levelBackdrop[LEVEL_COUNT_MAX];
    int32_t levelCount; // levels found by scanLevels
    // The level file read last: its name (without folders) and a hash of its bytes (replays name
    // the level they were played on by these two).
    char lastName[64];
    uint64_t lastHash;
};

extern LevelFilesState levelFiles;

void resetLevelFiles();
// The hash a replay keeps of a level file's bytes (64-bit FNV-1a).
uint64_t levelBytesHash(const void* bytes, int32_t size);

// The image names a level may give to "figure%i=", in image order (17 names).
extern const char* const FIGURE_IMAGE_NAMES[17];

// A raw time or move value brought into its sane range (0 and missing values took their default
// of 10 s and 50 moves before).
float clampLevelTime(float seconds);
int clampLevelMoves(long long moves);

// Parses a zero-terminated level text of size bytes (the grid also stops at the terminator)
// into the board and the level values; the backdrop of the level (random when none) is returned in *backdrop.
void parseLevelText(const char* text, int32_t size, int32_t* backdrop);
// Reads a level file from a path (relative to the tracked current directory). False, changing
// nothing, when the file cannot be read.
bool readLevelFile(const char* path, int32_t* backdrop);
// Reads level levelIndex (0..128) from the folder "levels"; false, changing nothing, when the file
// cannot be read or the index is outside 0..128. Records the level's backdrop.
bool readLevel(int levelIndex);
// Reads levels 0, 1, 2, ... until the first missing file, so every level's backdrop is known.
int scanLevels();

// The level start sequence for levelIndex in gameMode. With path set, the level is read from that
// file instead of the "levels" folder. Returns whether the level file was read.
bool startLevel(int levelIndex, int gameMode, const char* path = nullptr);
// Level levelIndex could not be read, and not only because its file is missing (which gives the
// random board of bare tiles): the file is there but empty or unreadable, or the "levels" folder
// is there but cannot be entered. Writes what and why ("levels/pack1_01.lvl: the file is
// empty"); false when the level reads or is simply missing. Relative to the current folder.
bool levelUnreadable(int levelIndex, char* out, int capacity);
