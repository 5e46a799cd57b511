#pragma once
// Trophies: the seventeen trophy definitions ("trophy.txt"), the current player's trophy flags and
// their per-profile file (17 pairs of bytes: new, won; "<stem>.trp" in the settings folder, read
// and written atomically by the persistence layer), and awarding.
// A player's trophies are found by the profile's file stem (persist/profile.h `profileStem`),
// which no two profiles share, never by the name shown: the calls below take that key.
// A trophy is won once per profile; a won trophy stays "new" until the trophy room has presented
// it. The trophy room itself (shelves, presentation) is in trophyroom.*.
#include "persist/profile.h"
#include "platform/os/files.h"

#include <cstdint>

constexpr int TROPHY_COUNT = 17;                 // numbers 1..17
static_assert(TROPHY_FILE_SIZE == TROPHY_COUNT * 2);
constexpr int TROPHY_IMAGE_NAME_SIZE = 64;
constexpr const char* TROPHY_FOLDER = "trophyes";

struct TrophyFlag {
    uint8_t isNew;  // won but not yet presented
    uint8_t won;
};
static_assert(sizeof(TrophyFlag) == 2);

struct TrophiesState {
    char image[TROPHY_COUNT][TROPHY_IMAGE_NAME_SIZE];  // "trophy%i=": picture in the folder "trophyes"
    char glow[TROPHY_COUNT][TROPHY_IMAGE_NAME_SIZE];   // "trophylum%i=": its glow picture
    uint8_t definitionsLoaded;                        // "trophy.txt" was read
    char folder[OS_PATH_MAX];                              // where it was found (the pictures are there)
    TrophyFlag flags[TROPHY_COUNT];
    char profile[PROFILE_STEM_MAX];  // whose flags these are (the profile's file stem)
    uint8_t profileLoaded;  // 0 until the flags of a profile were loaded
    int writes;           // trophy files written (since reset)
    uint8_t lastWriteFailed;
};

extern TrophiesState trophies;

void resetTrophies();
// Reads the definitions from key=value text (missing names stay empty).
void parseTrophyList(const char* text);
// Start-up, in the data folder: reads "trophy.txt" and the shelf layout (trophylayout.h) from
// the folder "trophyes" ("trophy.txt" also from the data folder itself when the folder has none).
// False when "trophy.txt" is missing: the definitions stay empty (play does not need them; the
// trophy room then shows no trophies). The pictures are loaded by the trophy room.
bool loadTrophies();

// The index of the profile whose file stem is this key, or -1.
int trophyProfileIndex(const char* profileKey);
// Reads the profile's flags. A missing file, one of another size than 34 bytes, or a key no
// profile has gives no trophies; bytes other than 0 count as 1; "new" without "won" is not new.
void loadTrophyFlags(const char* profileKey);
// Loads the current profile's flags (none when there is no profile). It runs whenever the profiles
// are read or the player changes (a profile listener), so the flags are always the current player's.
void loadCurrentTrophyFlags();
// Decodes a trophy file's bytes into the flags: anything but 34 bytes gives no trophies (false).
bool trophyFlagsFromBytes(const uint8_t* data, int32_t size);
// Writes the flags (atomically). False when it cannot be written (the old file stays as it was)
// or no profile has the key (the flags then live in memory only).
bool saveTrophyFlags(const char* profileKey);

// Awards trophy `number` (1..17) to the profile (its flags are loaded first when they are another
// profile's): true when it is newly won, which also marks it new and writes the file at once.
// An already won trophy or a number outside 1..17 gives false and writes nothing.
bool awardTrophy(int number, const char* profileKey);
bool trophyWon(int number);
bool trophyIsNew(int number);
// The lowest trophy number waiting to be presented, or 0.
int firstNewTrophy();
// Marks trophy `number` presented (not new) and writes the file.
void presentTrophy(int number, const char* profileKey);
// Clears every new flag and writes the file (leaving the trophy room).
void clearNewTrophies(const char* profileKey);
// A pop-up of the trophy's name (text "trophy%i") at the centre, scale 18, for 3000 ms.
void showTrophyName(int number);
