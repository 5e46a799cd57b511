#pragma once
// The shared state files in the writable "settings" folder: "settings.dat" (options, current
// profile, profile count), "profiles.dat" (the profile records), "records.dat" (the best results
// of every level) and "hiscore.dat" (ten best scores per mode). All four are little-endian
// memory images without header; they are read once (settings before the window, the rest in the
// deferred load) and always written together by `saveAll`.
//
// Every reader checks what it reads: short, long or damaged files are padded, clamped or replaced
// by the defaults, never read past. Every write goes to a temporary file in the same folder, is
// flushed to the disk and then renamed over the old file, so a file on disk is always either the
// old or the new one.
#include <cstddef>
#include <cstdint>

constexpr int MAX_PROFILES = 8;
constexpr int SETTINGS_FILE_SIZE = 44;

// "settings.dat": 44 bytes, little-endian.
struct Settings {
    int32_t musicVolume = 100;  // 0..100
    int32_t sfxVolume = 80;     // 0..100
    int32_t screenWidth = 800;  // written, not read back
    int32_t screenHeight = 600; // written, not read back
    int32_t resolutionIndex = 0;// written, not read back
    int32_t colorDepth32 = 1;   // derived from fullscreen at start
    uint8_t softwareCursor = 0; // 0 or 1
    uint8_t pad25[3] = {};
    int32_t reserved = 0;       // kept as read
    int32_t currentProfile = 0; // as read; the profile table holds the live value
    int32_t profileCount = 0;   // as read, 0..8; the profile table holds the live value
    int32_t fullscreen = 1;     // 0 or 1
};
static_assert(sizeof(Settings) == SETTINGS_FILE_SIZE, "Settings is the 44-byte image of settings.dat");
static_assert(offsetof(Settings, softwareCursor) == 24 && offsetof(Settings, reserved) == 28);
static_assert(offsetof(Settings, fullscreen) == 40);

struct PersistState {
    Settings settings;
    // Where the "settings" folder is; empty: `app.dataDir` + "settings".
    char folderOverride[512] = {};
    bool writeErrorReported = false;  // a failed save was reported; cleared by the next good one
    int32_t writeErrorBoxes = 0;      // failed saves reported to the player
    // The sentence of the last failed save, e.g. "Can't save /x/settings/records.dat: No space
    // left on device. ..."; errorPending while it waits for the game's message box.
    char errorText[512] = {};
    bool errorPending = false;
    bool errorBoxOpen = false;        // that message box is on the screen
    bool errorOpenedPort = false;     // it set dialogPort.open (no dialog was up before it)
    int32_t errorBoxesShown = 0;      // shown in the game's window
    // A state file that exists but could not be read (not a regular file, too large, no
    // permission, an I/O error): its sentence; the shell stops the game with it rather than
    // start without the player's data and overwrite it at the next save. Empty: all read.
    char readErrorText[512] = {};
    bool settingsFileRead = false;    // "settings.dat" was present (not the first start)
    int32_t saveRequests = 0;         // saveAll calls
    int32_t saveCount = 0;            // saveAll calls that wrote all four files
};

extern PersistState persist;

// Back to the defaults (tests).
void resetPersist();

// The folder the persistent files live in (absolute, no trailing separator). Every file of this
// module is named through it. Empty when there is nowhere to write: no data folder known (tests
// that never start the shell), or an installed game whose user has no home folder at all (then
// saveAll refuses to save with a sentence saying so: the installed data folder is never used).
const char* settingsFolder();
// Creates the folder when it is missing. False when it cannot be made.
bool ensureSettingsFolder();
// Full path of a file in the settings folder; false when it does not fit.
bool settingsPath(const char* fileName, char* out, int capacity);

// Decodes a "settings.dat" image of any size into persist.settings: a short file is padded with
// the defaults of the missing fields; values out of range are clamped (volumes 0..100, flags 0/1,
// profile count 0..8, current profile inside the count).
void settingsFromBytes(const uint8_t* data, int32_t size);

// Reads "settings.dat" (absent: the defaults of a first start).
void loadSettings();
// Decodes "profiles.dat" of any size into the profile table: count records (clamped to 0..8 and
// to the whole records the data holds), each made safe (sanitiseProfile); an empty name or one
// that repeats an earlier profile's gets a number, so that no two profiles share files. The
// current profile becomes `current` when it is inside the count, else 0.
void profilesFromBytes(const uint8_t* data, int32_t size, int count, int current);
// Reads "profiles.dat": the number of records "settings.dat" gave, as many whole records as the
// file holds (a short file gives fewer profiles); names are terminated, out-of-range values
// clamped. Absent: no profiles.
void loadProfiles();
// Reads "records.dat" and "hiscore.dat"; an absent file or one of the wrong size gives the
// default table (records.h).
void loadRecords();
// Writes "settings.dat", "profiles.dat", "records.dat" and "hiscore.dat", each atomically. True
// when all four were written; false without a word when no settings folder is known (no data
// folder: tests that never start the shell). A failure keeps the old files and shows the "Writing Error" box
// once (not again until a save succeeds); the game goes on.
bool saveAll();
// Number of profiles (0..8).
int profileCount();

// A write of path failed (the OS layer's last error says why): the player is told once, in plain
// words naming the file, or the folder when the folder is the cause, and why; not again until a
// save succeeds (noteSaveSucceeded). The sentence goes to the game's message box at once when it
// can open (showSaveError), else at the next frame that can; always to standard error.
void reportWriteFailure(const char* path);
// The settings folder is missing and cannot be made, or there is none (no home folder): told
// like a failed write, naming the folder.
void reportFolderFailure();
// A state file that exists could not be read (osLastError() says why; a missing file is no
// failure): the first such sentence is kept in persist.readErrorText.
void noteReadFailure(const char* path);
// Everything of a save was written: the next failure is reported again.
void noteSaveSucceeded();
// Shows the waiting sentence in the game's message box (the dialog port). True when it was
// shown now; false when nothing waits or no box can open this frame (a dialog is moving).
bool showSaveError();
// True when the message box with this key (the box's text, perhaps cut short) is the one of a
// failed save.
bool isSaveErrorBox(const char* boxKey);
// The message box of a failed save was closed (the board it held, if any, goes on). True when a
// dialog was up under it.
bool saveErrorClosed();
// The largest file of the settings folder the readers accept (all of them are far smaller).
constexpr int32_t STATE_FILE_MAX = 1 << 20;
