#pragma once
// Where the game reads its data set and where it writes.
//
// The data set is, in this order: "Data" in the folder the game was started from, "Data" beside
// the program (both make a portable copy), or "../share/ostrimar" relative to the program's
// folder (an installed game, as `cmake --install` lays it out).
//
// The writable folder "settings": a portable copy keeps it inside its Data folder; an installed
// game keeps it in "$XDG_DATA_HOME/ostrimar/settings" ("~/.local/share/ostrimar/settings" when
// the variable is unset or not an absolute path; "~" is $HOME, or the password database's home
// when HOME is unset) and never writes into the installed tree: with no home at all there is no
// settings folder.
//
// Screenshots: a portable copy saves them beside its Data folder (in the folder that holds it);
// an installed game in "$XDG_PICTURES_DIR/Ostrimar", the variable taken from the environment or
// else from "$XDG_CONFIG_HOME/user-dirs.dirs" ("~/.config/user-dirs.dirs"), as the desktop's
// file manager names the folder; "~/Pictures/Ostrimar" when neither gives an absolute path.
#include <climits>

struct OsDirsState {
    bool located = false;            // osLocateData has run
    bool portable = true;            // the data set is a portable copy's Data folder
    char dataDir[PATH_MAX] = {};     // absolute, no trailing separator
    bool noPasswdHome = false;       // tests: act as if the password database had no home
};

extern OsDirsState osDirs;

void resetOsDirs();

// Finds the data set from the start folder and the program's folder (either may be null or
// empty). Writes the folder (absolute, letter case resolved, no trailing separator) and whether
// it is a portable copy. When none exists, the start folder's "Data" is given (the first
// required file then stops the game with its loading error), as portable. False only when the
// result does not fit in capacity. Remembers the result for osSettingsDir.
bool osLocateData(const char* startDir, const char* exeDir, char* out, int capacity, bool* portable);

// The settings folder for a data folder under the rules above, from the given environment
// values (null when unset). Pure: creates nothing. False when it does not fit or no home is known.
bool osSettingsDirFor(const char* dataDir, bool portable, const char* xdgDataHome, const char* home, char* out,
                      int capacity);

// The user's home folder: $HOME when it is an absolute path, else the password database's entry
// for the user (getpwuid); null when neither gives one.
const char* osHomeDir();

// The folder where the game writes its "settings" (profiles, records, saved games, trophies),
// for the data set osLocateData found, created with its parents when missing. False when it
// cannot be named or created, and when osLocateData has not run.
bool osSettingsDir(char* out, int capacity);
// The same folder's name only: nothing is created.
bool osSettingsDirName(char* out, int capacity);

// The screenshot folder under the rules above, from the given environment values (null when
// unset). Pure: creates nothing. False when it does not fit or no home is known.
bool osScreenshotDirFor(const char* dataDir, bool portable, const char* xdgPicturesDir, const char* home, char* out,
                        int capacity);
// The pictures folder named by the line XDG_PICTURES_DIR="..." of a user-dirs.dirs file (the
// format xdg-user-dirs writes: a value in double quotes, either "$HOME/..." or an absolute path,
// backslash escapes allowed; "#" lines are comments), from its text of size bytes. Pure. False
// when the line is missing, malformed, relative, or the result does not fit.
bool osPicturesDirFromUserDirs(const char* text, int size, const char* home, char* out, int capacity);
// The screenshot folder for the data set osLocateData found, created with its parents when
// missing. False when it cannot be named or created, and when osLocateData has not run.
bool osScreenshotDir(char* out, int capacity);
