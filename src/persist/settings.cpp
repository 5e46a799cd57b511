#include "persist/settings.h"

#include <bit>
#include <cerrno>
#include <sys/stat.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/appstate.h"
#include "persist/profile.h"
#include "persist/records.h"
#include "platform/os/dirs.h"
#include "platform/os/files.h"
#include "core/dialogport.h"

static_assert(std::endian::native == std::endian::little, "the state files are little-endian memory images");

PersistState persist;

namespace {

char folderBuffer[OS_PATH_MAX];

int32_t clampInt(int32_t v, int32_t lo, int32_t hi)
{
    return v < lo ? lo : (v > hi ? hi : v);
}

// Reads a whole file of the settings folder; null when absent or unreadable. A file that exists
// but cannot be read leaves its sentence in persist.readErrorText (the first one only).
uint8_t* readSettingsFile(const char* name, int32_t* size)
{
    *size = 0;
    char path[OS_PATH_MAX];
    if (!settingsPath(name, path, sizeof path)) return nullptr;
    uint8_t* data = osReadFileLimited(path, STATE_FILE_MAX, size);
    if (!data) noteReadFailure(path);
    return data;
}

// Writes one file of the folder; a failure is reported (only the first of a save is, so the
// sentence names what failed first: the folder, when all four fail for its sake).
bool writeSettingsFile(const char* name, const void* data, int32_t size, bool* reported)
{
    char path[OS_PATH_MAX];
    if (settingsPath(name, path, sizeof path) && osWriteFileAtomic(path, data, size)) return true;
    if (!*reported) reportWriteFailure(path[0] ? path : name);
    *reported = true;
    return false;
}

// A name read from a file that is empty or already used by an earlier profile would share that
// profile's files: it gets a number until it is unique.
void makeNameUnique(int index)
{
    Profile& p = profileState.profiles[index];
    auto taken = [&](const char16_t* name) {
        if (!name[0]) return true;
        for (int i = 0; i < index; i++) {
            if (std::memcmp(profileState.profiles[i].name, name, sizeof p.name) == 0) return true;
        }
        return false;
    };
    char16_t name[PROFILE_NAME_CHARS];
    std::memset(name, 0, sizeof name);
    std::memcpy(name, p.name, sizeof name);
    if (!taken(name)) return;
    int len = 0;
    while (len < PROFILE_NAME_CHARS - 1 && name[len]) len++;
    if (len == 0) {
        const char16_t* player = u"Player";
        for (; player[len]; len++) name[len] = player[len];
        if (!taken(name)) {
            std::memcpy(p.name, name, sizeof name);
            return;
        }
    }
    for (int n = 2; n < 100; n++) {
        char16_t candidate[PROFILE_NAME_CHARS] = {};
        int keep = len < PROFILE_NAME_CHARS - 3 ? len : PROFILE_NAME_CHARS - 3;
        std::memcpy(candidate, name, sizeof(char16_t) * static_cast<size_t>(keep));
        if (n >= 10) candidate[keep++] = static_cast<char16_t>(u'0' + n / 10);
        candidate[keep++] = static_cast<char16_t>(u'0' + n % 10);
        if (!taken(candidate)) {
            std::memcpy(p.name, candidate, sizeof candidate);
            return;
        }
    }
}

} // namespace

void noteReadFailure(const char* path)
{
    int error = osLastError();
    if (error == ENOENT || persist.readErrorText[0]) return;
    std::snprintf(persist.readErrorText, sizeof persist.readErrorText, "Can't read %.400s: %.60s.", path,
                  osErrorText(error));
}

void reportWriteFailure(const char* path)
{
    if (persist.writeErrorReported) return;
    persist.writeErrorReported = true;
    persist.writeErrorBoxes++;
    int error = osLastError();
    const char* reason = error ? osErrorText(error) : "it could not be written";
    char folder[OS_PATH_MAX];
    std::snprintf(folder, sizeof folder, "%s", path ? path : "");
    char* slash = std::strrchr(folder, '/');
    if (osLastErrorInFolder() && slash) {
        *slash = 0;
        std::snprintf(persist.errorText, sizeof persist.errorText,
                      "Can't save in the folder %.380s: %.60s. What was saved before is kept.", folder, reason);
    } else {
        std::snprintf(persist.errorText, sizeof persist.errorText,
                      "Can't save %.380s: %.60s. What was saved before is kept.", path ? path : "", reason);
    }
    std::fprintf(stderr, "Ostrimar: %s\n", persist.errorText);
    persist.errorPending = true;
    showSaveError();
}

void reportFolderFailure()
{
    if (persist.writeErrorReported) return;
    const char* folder = settingsFolder();
    // Why the folder is not there: something else in its place, or what making it says.
    struct stat st;
    int error = EACCES;
    if (folder[0] && ::stat(folder, &st) == 0) error = S_ISDIR(st.st_mode) ? EACCES : ENOTDIR;
    else if (folder[0] && ::mkdir(folder, 0755) != 0) error = errno;
    if (!folder[0]) {
        persist.writeErrorReported = true;
        persist.writeErrorBoxes++;
        std::snprintf(persist.errorText, sizeof persist.errorText, "%s",
                      "Can't save: no home folder is known (HOME is not set and the user has none), so the game "
                      "has nowhere to save.");
        std::fprintf(stderr, "Ostrimar: %s\n", persist.errorText);
        persist.errorPending = true;
        showSaveError();
        return;
    }
    char path[OS_PATH_MAX];
    std::snprintf(path, sizeof path, "%s/", folder);
    filesState.lastError = error;
    filesState.lastErrorInFolder = true;
    reportWriteFailure(path);
}

void noteSaveSucceeded()
{
    persist.writeErrorReported = false;
}

bool showSaveError()
{
    if (!persist.errorPending || persist.errorBoxOpen) return false;
    if (!requestMessageBox(persist.errorText, true)) return false;
    persist.errorPending = false;
    persist.errorBoxOpen = true;
    // Over the board a box needs the board to wait (and the game screen to draw dialogs).
    persist.errorOpenedPort = dialogPort.open == 0;
    dialogPort.open = 1;
    persist.errorBoxesShown++;
    return true;
}

bool isSaveErrorBox(const char* boxKey)
{
    return persist.errorBoxOpen && boxKey && boxKey[0] &&
           std::strncmp(boxKey, persist.errorText, std::strlen(boxKey)) == 0;
}

bool saveErrorClosed()
{
    persist.errorBoxOpen = false;
    bool reopen = !persist.errorOpenedPort;
    if (persist.errorOpenedPort) dialogPort.open = 0;
    persist.errorOpenedPort = false;
    return reopen;
}

void resetPersist()
{
    persist = PersistState{};
}

const char* settingsFolder()
{
    if (persist.folderOverride[0]) return persist.folderOverride;
    // No data folder known (a test that never started the shell): nowhere to write.
    if (!app.dataDir[0]) return "";
    // The OS layer knows whether this is a portable copy (settings inside its Data) or an
    // installed game (settings under the user's data home).
    if (osSettingsDirName(folderBuffer, sizeof folderBuffer)) return folderBuffer;
    // An installed game with no home folder: never its installed data folder.
    if (osDirs.located && !osDirs.portable) return "";
    size_t len = std::strlen(app.dataDir);
    const char* sep = (app.dataDir[len - 1] == '/' || app.dataDir[len - 1] == '\\') ? "" : "/";
    int n = std::snprintf(folderBuffer, sizeof folderBuffer, "%.*s%ssettings", static_cast<int>(sizeof folderBuffer) - 16,
                          app.dataDir, sep);
    // A data folder too long to hold "settings" below it: nowhere to write.
    if (n < 0 || n >= static_cast<int>(sizeof folderBuffer) || len > sizeof folderBuffer - 16) folderBuffer[0] = 0;
    return folderBuffer;
}

bool ensureSettingsFolder()
{
    const char* folder = settingsFolder();
    if (!folder[0]) return false;
    if (osFolderExists(folder)) return true;
    // With its parents: an installed game's data home may not exist yet.
    char made[OS_PATH_MAX];
    if (!persist.folderOverride[0] && app.dataDir[0] && osSettingsDir(made, sizeof made)) return true;
    return osCreateDirectory(folder) || osFolderExists(folder);
}

bool settingsPath(const char* fileName, char* out, int capacity)
{
    if (!out || capacity <= 0) return false;
    out[0] = 0;
    const char* folder = settingsFolder();
    if (!folder[0] || !fileName) return false;
    int n = std::snprintf(out, static_cast<size_t>(capacity), "%s/%s", folder, fileName);
    if (n < 0 || n >= capacity) {
        out[0] = 0;
        return false;
    }
    return true;
}

void settingsFromBytes(const uint8_t* data, int32_t size)
{
    Settings s;
    if (data && size > 0) std::memcpy(&s, data, static_cast<size_t>(size < SETTINGS_FILE_SIZE ? size : SETTINGS_FILE_SIZE));
    s.musicVolume = clampInt(s.musicVolume, 0, 100);
    s.sfxVolume = clampInt(s.sfxVolume, 0, 100);
    s.softwareCursor = s.softwareCursor ? 1 : 0;
    s.fullscreen = s.fullscreen ? 1 : 0;
    s.profileCount = clampInt(s.profileCount, 0, MAX_PROFILES);
    if (s.currentProfile < 0 || s.currentProfile >= s.profileCount) s.currentProfile = 0;
    persist.settings = s;
}

void loadSettings()
{
    int32_t size = 0;
    uint8_t* data = readSettingsFile("settings.dat", &size);
    persist.settingsFileRead = data != nullptr;
    settingsFromBytes(data, data ? size : 0);
    std::free(data);
}

void profilesFromBytes(const uint8_t* data, int32_t size, int count, int current)
{
    count = clampInt(count, 0, MAX_PROFILES);
    std::memset(profileState.profiles, 0, sizeof profileState.profiles);
    int whole = data && size > 0 ? size / static_cast<int32_t>(sizeof(Profile)) : 0;
    if (whole < count) count = whole;
    for (int i = 0; i < count; i++) {
        std::memcpy(&profileState.profiles[i], data + static_cast<size_t>(i) * sizeof(Profile), sizeof(Profile));
        sanitiseProfile(profileState.profiles[i]);
        makeNameUnique(i);
    }
    profileState.count = count;
    profileState.current = (current >= 0 && current < count) ? current : 0;
}

void loadProfiles()
{
    int32_t size = 0;
    uint8_t* data = readSettingsFile("profiles.dat", &size);
    profilesFromBytes(data, size, persist.settings.profileCount, persist.settings.currentProfile);
    std::free(data);
    tellProfileListeners(ProfileEvent::Loaded);
}

void loadRecords()
{
    int32_t size = 0;
    uint8_t* data = readSettingsFile("records.dat", &size);
    if (!recordsFromBytes(data, size)) setDefaultRecords(recordsLevelSourceFn());
    std::free(data);
    data = readSettingsFile("hiscore.dat", &size);
    if (!hiscoresFromBytes(data, size)) setDefaultHiscoresFromTexts();
    std::free(data);
}

bool saveAll()
{
    persist.saveRequests++;
    if (!settingsFolder()[0]) {
        // No data folder known (a test without the shell): nothing to say. An installed game
        // with no home: the player is told that nothing can be saved.
        if (app.dataDir[0] && !persist.folderOverride[0]) reportFolderFailure();
        return false;
    }
    Settings& s = persist.settings;
    s.profileCount = clampInt(profileState.count, 0, MAX_PROFILES);
    s.currentProfile = (profileState.current >= 0 && profileState.current < s.profileCount) ? profileState.current : 0;
    bool reported = false;
    bool ok = ensureSettingsFolder();
    if (!ok) {
        reportFolderFailure();
        reported = true;
    }
    // Each file on its own: one that cannot be written does not stop the others.
    bool a = writeSettingsFile("settings.dat", &s, SETTINGS_FILE_SIZE, &reported);
    bool b = writeSettingsFile("profiles.dat", profileState.profiles,
                               s.profileCount * static_cast<int32_t>(sizeof(Profile)), &reported);
    bool c = writeSettingsFile("records.dat", &recordsState, RECORDS_FILE_SIZE, &reported);
    bool d = writeSettingsFile("hiscore.dat", profileState.hiscores, HISCORE_FILE_SIZE, &reported);
    ok = ok && a && b && c && d;
    if (ok) {
        noteSaveSucceeded();
        persist.saveCount++;
        return true;
    }
    return false;
}

int profileCount()
{
    return clampInt(profileState.count, 0, MAX_PROFILES);
}
