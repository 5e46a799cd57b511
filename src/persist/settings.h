#pragma once
// Settings and profiles: the options of "settings.dat" and the profile table.
// Until the persistence is built, loading gives the defaults of a first start (no profile,
// windowed, hardware cursor) and every operation records its call (core/requestlog.h);
// nothing is read from or written to disk.
#include <cstdint>

struct Settings {
    int32_t musicVolume = 100;  // 0..100
    int32_t sfxVolume = 80;     // 0..100
    int32_t screenWidth = 800;
    int32_t screenHeight = 600;
    int32_t resolutionIndex = 0;
    int32_t colorDepth32 = 1;   // derived from fullscreen at start
    uint8_t softwareCursor = 0;
    int32_t reserved = 0;
    int32_t currentProfile = 0;
    int32_t profileCount = 0;   // 0..8
    int32_t fullscreen = 0;
};

constexpr int MAX_PROFILES = 8;

struct PersistState {
    Settings settings;
};

extern PersistState persist;

// Back to the defaults (tests).
void resetPersist();

// Reads "settings.dat" from the folder "settings" (recorded as "loadSettings").
void loadSettings();
// Reads "profiles.dat" in the current folder (recorded as "loadProfiles").
void loadProfiles();
// Reads "records.dat" and "hiscore.dat" in the current folder (recorded as "loadRecords").
void loadRecords();
// Writes settings, profiles, records and high scores together (recorded as "saveAll"; its
// recording stand-in is the board's, in game/pending.cpp, until this module writes the files).
void saveAll();
// Saves the game in progress of the current mode when there is one (recorded as "saveGame");
// true when something was written. Called when the window closes.
bool saveGame();
// Number of profiles (0..8).
int profileCount();
