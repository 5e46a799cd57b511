#pragma once
// Players: the 160-byte `Profile` record (a memory image, as "profiles.dat" stores it), the table
// of at most eight profiles with the current one, the per-mode accessors the game uses, the
// per-profile files (saved games and trophies) with their names, and the ten-entry high-score
// table of each mode with its insertion rule. The shared files are read and written by
// persist/settings.h; renaming and deleting a profile move or remove its own files here.
#include <cstddef>
#include <cstdint>

constexpr int MODE_COUNT = 3;
constexpr int PROFILE_NAME_CHARS = 32;
constexpr int PROFILE_HINT_FLAGS = 13;
constexpr int PROFILE_TABLE_SIZE = 8;
constexpr int STAGE_COUNT = 15;
constexpr int LEVELS_PER_MODE = 129;
constexpr int HISCORE_ENTRIES = 10;
constexpr int START_LIVES = 3;

// Little-endian layout of one profile (160 bytes, no padding).
struct Profile {
    char16_t name[PROFILE_NAME_CHARS];   // at most 31 characters, terminated
    int32_t stagePosition[MODE_COUNT];   // level position inside the current stage
    int32_t stage[MODE_COUNT];           // current stage
    int32_t bestStagePosition[MODE_COUNT];
    int32_t bestStage[MODE_COUNT];
    int32_t lives[MODE_COUNT];
    int32_t score[MODE_COUNT];           // the saved score of the game in progress
    uint8_t mode;                        // 0 adventure, 1 timeless, 2 puzzle
    uint8_t zero137[7];
    uint8_t savedGame[MODE_COUNT];
    uint8_t hintFlags[PROFILE_HINT_FLAGS];  // 1 = still to be shown; the first ten are the tips
};
static_assert(sizeof(Profile) == 160, "Profile is a 160-byte file record");
static_assert(offsetof(Profile, stagePosition) == 64 && offsetof(Profile, lives) == 112);
static_assert(offsetof(Profile, mode) == 136 && offsetof(Profile, savedGame) == 144);
static_assert(offsetof(Profile, hintFlags) == 147);

// Levels in each stage of the map; they add up to 129.
extern const int STAGE_SIZES[STAGE_COUNT];

struct HiscoreEntry {
    char16_t name[PROFILE_NAME_CHARS];
    int32_t score;
};
static_assert(sizeof(HiscoreEntry) == 68, "HiscoreEntry is a 68-byte file record");

struct ProfileState {
    Profile profiles[PROFILE_TABLE_SIZE];
    int32_t count;    // 0..8
    int32_t current;  // index of the current profile
    HiscoreEntry hiscores[MODE_COUNT][HISCORE_ENTRIES];  // entry 0 is the best
};

extern ProfileState profileState;

// No profiles, empty high-score tables.
void resetProfiles();

// What happened to the current player, told to the modules above that keep a player's state in
// memory (the game in progress, the trophies): the table was read (Loaded), or a profile was
// created, selected, renamed or deleted (Changed).
enum class ProfileEvent { Loaded, Changed };
using ProfileListener = void (*)(ProfileEvent event);
constexpr int PROFILE_LISTENER_CAPACITY = 4;
// Registers a listener; the listening modules do it once, at start-up. False when the table is full.
bool listenToProfiles(ProfileListener listener);
// Tells every listener (the profile operations and loadProfiles call it).
void tellProfileListeners(ProfileEvent event);
// Creating, selecting, renaming and deleting a profile end the game in progress (it was the
// previous player's, or played under the old name) and load the current profile's trophy file
// over the trophies in memory, so nothing of one player reaches another (through the listeners).
//
// Adds a profile and makes it current: false for an empty name, a name that is already used
// (exact, case-sensitive comparison) or a full table (eight profiles). The record is zeroed, the
// name copied (cut to 31 characters), mode 0, every hint flag set, 3 lives per mode; an empty
// trophy file is written for it. The shared files are not written (the caller calls saveAll).
bool createProfile(const char16_t* name);
// The same with the name in UTF-8 (malformed sequences become '?').
bool createProfile(const char* name);
// Makes profile index current (ignored when out of range).
void selectProfile(int index);
// Renames profile index: false for an index out of range, an empty name or a name equal (exact)
// to any profile's name, the profile's own included. Its saved games and trophy file move to the
// new name's files (a file that is missing is skipped and leaves no stale file of the new name).
bool renameProfile(int index, const char16_t* newName);
bool renameProfile(int index, const char* newName);
// Deletes profile index with its saved games and trophy file; later profiles move down. The
// current profile stays the same record when another one is deleted; deleting the current one
// makes the one before it current (deleting the first makes the new first current); none left:
// 0. Out-of-range index or no profiles: nothing.
void deleteProfile(int index);
// The current profile; a fresh zeroed one (name "Player") is made when none exists, so the
// game always has a record to work on.
Profile& currentProfile();
// The current profile's file stem (profileStem of its name): the key of its trophies.
void currentProfileStem(char* out, int capacity);

// Files of a profile, in the settings folder: the saved game of each mode ("<stem>_cls.sav",
// "<stem>_ndl.sav", "<stem>_org.sav") and the trophies ("<stem>.trp").
enum ProfileFileKind { ProfileTrophies = 0, ProfileSaveAdventure = 1, ProfileSaveTimeless = 2, ProfileSavePuzzle = 3 };
constexpr int PROFILE_FILE_KINDS = 4;
constexpr int PROFILE_STEM_MAX = PROFILE_NAME_CHARS * 5 + 1;
constexpr int TROPHY_FILE_SIZE = 34;
// The file stem of a name: lower-case ASCII letters and digits stay; an upper-case letter becomes
// '+' and its lower-case form; every other UTF-16 unit becomes '_' and four lower-case hex digits.
// Distinct names give distinct stems, even when letter case is ignored, and no stem holds '/'.
void profileStem(const char16_t* name, char* out, int capacity);
// The file name (no folder) of a profile file for a name; the full path in the settings folder.
void profileFileName(const char16_t* name, int kind, char* out, int capacity);
bool profileFilePath(int index, int kind, char* out, int capacity);
// The trophy file of profile index (34 bytes): false, out zeroed, when absent or of another size.
bool readTrophyFile(int index, uint8_t out[TROPHY_FILE_SIZE]);
// Writes it atomically; false when it cannot be written (the old file stays).
bool writeTrophyFile(int index, const uint8_t data[TROPHY_FILE_SIZE]);

// Makes a record safe to use after reading it from a file: the name terminated, the mode 0..2,
// stages 0..14 and positions inside their stage, lives 0.. and flags 0/1.
void sanitiseProfile(Profile& p);

// Per-mode values of the current profile, for its current mode.
int profileMode();
void setProfileMode(int mode);
int profileLives();
void setProfileLives(int lives);
int profileScore();
void setProfileScore(int score);
void addProfileScore(int points);
void incrementProfileLives();
void decrementProfileLives();
// Saved-game flag of a mode of the current profile.
bool profileHasSavedGame(int mode);
void setProfileSavedGame(int mode, bool saved);
// Absolute level number (0..128) from the stage and the position inside it.
int profileLevel();
// Stores an absolute level as stage and position (values outside 0..128 are clamped); the best
// level reached grows with it.
void setProfileLevel(int level);
int profileBestLevel();
// score 0, position 0, lives 3 for the current mode.
void resetProgress();
// Stage and position of an absolute level.
void levelToStage(int level, int* stage, int* position);
int stageToLevel(int stage, int position);

// Default high scores of a fresh installation: (10 - e) * base per entry e, with the given
// names (UTF-16, ten of them; null names give empty ones).
void setDefaultHiscores(const char16_t* const names[HISCORE_ENTRIES]);
// Enters a score in the table of a mode: before the first entry whose score is lower (so after
// entries of equal score); the rest move down and the tenth drops out. Returns the place
// (0..9), or -1 when no entry is lower (nothing changes) or the mode is out of range.
int enterHiscore(int mode, const char16_t* name, int score);
