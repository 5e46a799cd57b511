#include "persist/profile.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "persist/settings.h"
#include "platform/os/files.h"

namespace {
// Not part of the profile table's state: the listeners register once and outlive every reset.
struct ProfileListeners {
    ProfileListener list[PROFILE_LISTENER_CAPACITY];
    int count;
};
ProfileListeners profileListeners;
} // namespace

bool listenToProfiles(ProfileListener listener)
{
    if (!listener || profileListeners.count >= PROFILE_LISTENER_CAPACITY) return false;
    profileListeners.list[profileListeners.count++] = listener;
    return true;
}

void tellProfileListeners(ProfileEvent event)
{
    for (int i = 0; i < profileListeners.count; i++) profileListeners.list[i](event);
}

const int STAGE_SIZES[STAGE_COUNT] = {4, 5, 6, 7, 8, 9, 10, 10, 10, 10, 10, 10, 10, 10, 10};

ProfileState profileState;

namespace {

int clampMode(int m)
{
    return m >= 0 && m < MODE_COUNT ? m : 0;
}

void copyName(char16_t* to, const char* from)
{
    int n = 0;
    const unsigned char* s = reinterpret_cast<const unsigned char*>(from);
    // Plain bytes widen one by one; multi-byte UTF-8 sequences are decoded when well formed.
    while (*s && n < PROFILE_NAME_CHARS - 1) {
        uint32_t c = *s++;
        if (c >= 0xC0 && c < 0xE0 && (*s & 0xC0) == 0x80) {
            c = ((c & 0x1F) << 6) | (*s++ & 0x3F);
        } else if (c >= 0xE0 && c < 0xF0 && (s[0] & 0xC0) == 0x80 && (s[1] & 0xC0) == 0x80) {
            c = ((c & 0x0F) << 12) | ((s[0] & 0x3F) << 6) | (s[1] & 0x3F);
            s += 2;
        } else if (c >= 0x80) {
            c = '?';
        }
        to[n++] = static_cast<char16_t>(c);
    }
    to[n] = 0;
}

bool sameName(const char16_t* a, const char16_t* b)
{
    for (int i = 0; i < PROFILE_NAME_CHARS; i++) {
        if (a[i] != b[i]) return false;
        if (a[i] == 0) return true;
    }
    return true;
}

bool nameTaken(const char16_t* name, int except)
{
    for (int i = 0; i < profileState.count && i < PROFILE_TABLE_SIZE; i++) {
        if (i != except && sameName(profileState.profiles[i].name, name)) return true;
    }
    return false;
}

bool pathForName(const char16_t* name, int kind, char* out, int capacity)
{
    char file[PROFILE_STEM_MAX + 16];
    profileFileName(name, kind, file, sizeof file);
    return settingsPath(file, out, capacity);
}

void clampStage(int32_t& stage, int32_t& position)
{
    if (stage < 0 || stage >= STAGE_COUNT) {
        stage = 0;
        position = 0;
    }
    if (position < 0 || position >= STAGE_SIZES[stage]) position = 0;
}

// Another player (or the same one under another name) from now on: the game on the board was not
// theirs, and the trophies in memory must be the ones of their file.
void profileChanged() { tellProfileListeners(ProfileEvent::Changed); }

// The record of a new profile at the end of the table, made current; its trophy file is emptied.
bool addProfile(const char16_t* name)
{
    if (!name || !name[0] || profileState.count >= PROFILE_TABLE_SIZE || profileState.count < 0) return false;
    char16_t wide[PROFILE_NAME_CHARS] = {};
    for (int i = 0; i < PROFILE_NAME_CHARS - 1 && name[i]; i++) wide[i] = name[i];
    if (nameTaken(wide, -1)) return false;
    Profile& p = profileState.profiles[profileState.count];
    std::memset(&p, 0, sizeof p);
    std::memcpy(p.name, wide, sizeof wide);
    p.mode = 0;
    for (uint8_t& f : p.hintFlags) f = 1;
    for (int m = 0; m < MODE_COUNT; m++) p.lives[m] = START_LIVES;
    profileState.current = profileState.count;
    profileState.count += 1;
    // A new player starts with no trophies; an old file of the same name must not carry over.
    uint8_t none[TROPHY_FILE_SIZE] = {};
    writeTrophyFile(profileState.current, none);
    return true;
}

} // namespace

void resetProfiles()
{
    std::memset(&profileState, 0, sizeof profileState);
}

bool createProfile(const char16_t* name)
{
    if (!addProfile(name)) return false;
    profileChanged();
    return true;
}

bool createProfile(const char* name)
{
    if (!name) return false;
    char16_t wide[PROFILE_NAME_CHARS];
    copyName(wide, name);
    return createProfile(wide);
}

void selectProfile(int index)
{
    if (index < 0 || index >= profileState.count) return;
    profileState.current = index;
    profileChanged();
}

bool renameProfile(int index, const char16_t* newName)
{
    if (index < 0 || index >= profileState.count || !newName || !newName[0]) return false;
    char16_t wide[PROFILE_NAME_CHARS] = {};
    for (int i = 0; i < PROFILE_NAME_CHARS - 1 && newName[i]; i++) wide[i] = newName[i];
    if (nameTaken(wide, -1)) return false;
    char from[OS_PATH_MAX];
    char to[OS_PATH_MAX];
    char16_t oldName[PROFILE_NAME_CHARS];
    std::memcpy(oldName, profileState.profiles[index].name, sizeof oldName);
    std::memcpy(profileState.profiles[index].name, wide, sizeof wide);
    for (int kind = 0; kind < PROFILE_FILE_KINDS; kind++) {
        if (!pathForName(oldName, kind, from, sizeof from) || !pathForName(wide, kind, to, sizeof to)) continue;
        // Moved, never copied and deleted: a failed move leaves the old file where it was.
        if (osFileExists(from)) {
            osRenameFile(from, to);
        } else if (osFileExists(to)) {
            osDeleteFile(to);  // a stray file of the new name must not become this player's
        }
    }
    profileChanged();
    return true;
}

bool renameProfile(int index, const char* newName)
{
    if (!newName) return false;
    char16_t wide[PROFILE_NAME_CHARS];
    copyName(wide, newName);
    return renameProfile(index, wide);
}

void deleteProfile(int index)
{
    int count = profileState.count;
    if (count <= 0 || index < 0 || index >= count) return;
    char paths[PROFILE_FILE_KINDS][OS_PATH_MAX];
    bool have[PROFILE_FILE_KINDS];
    for (int kind = 0; kind < PROFILE_FILE_KINDS; kind++)
        have[kind] = profileFilePath(index, kind, paths[kind], OS_PATH_MAX);
    for (int i = index; i < count - 1; i++) profileState.profiles[i] = profileState.profiles[i + 1];
    std::memset(&profileState.profiles[count - 1], 0, sizeof(Profile));
    profileState.count = count - 1;
    int& cur = profileState.current;
    if (cur > index || (cur == index && cur > 0)) cur -= 1;
    if (profileState.count == 0 || cur < 0 || cur >= profileState.count) cur = 0;
    for (int kind = 0; kind < PROFILE_FILE_KINDS; kind++) {
        if (have[kind]) osDeleteFile(paths[kind]);
    }
    profileChanged();
}

void profileStem(const char16_t* name, char* out, int capacity)
{
    if (!out || capacity <= 0) return;
    static const char HEX[] = "0123456789abcdef";
    int n = 0;
    for (int i = 0; name && i < PROFILE_NAME_CHARS - 1 && name[i]; i++) {
        char16_t c = name[i];
        char piece[6];
        int len = 0;
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
            piece[len++] = static_cast<char>(c);
        } else if (c >= 'A' && c <= 'Z') {
            piece[len++] = '+';
            piece[len++] = static_cast<char>(c - 'A' + 'a');
        } else {
            piece[len++] = '_';
            for (int shift = 12; shift >= 0; shift -= 4) piece[len++] = HEX[(c >> shift) & 15];
        }
        if (n + len >= capacity) break;
        std::memcpy(out + n, piece, static_cast<size_t>(len));
        n += len;
    }
    out[n] = 0;
}

void profileFileName(const char16_t* name, int kind, char* out, int capacity)
{
    if (!out || capacity <= 0) return;
    static const char* const SUFFIX[PROFILE_FILE_KINDS] = {".trp", "_cls.sav", "_ndl.sav", "_org.sav"};
    char stem[PROFILE_STEM_MAX];
    profileStem(name, stem, sizeof stem);
    int k = kind >= 0 && kind < PROFILE_FILE_KINDS ? kind : 0;
    std::snprintf(out, static_cast<size_t>(capacity), "%s%s", stem, SUFFIX[k]);
}

bool profileFilePath(int index, int kind, char* out, int capacity)
{
    if (index < 0 || index >= profileState.count || index >= PROFILE_TABLE_SIZE) return false;
    return pathForName(profileState.profiles[index].name, kind, out, capacity);
}

bool readTrophyFile(int index, uint8_t out[TROPHY_FILE_SIZE])
{
    std::memset(out, 0, TROPHY_FILE_SIZE);
    char path[OS_PATH_MAX];
    if (!profileFilePath(index, ProfileTrophies, path, sizeof path)) return false;
    int32_t size = 0;
    uint8_t* data = osReadFileLimited(path, STATE_FILE_MAX, &size);
    if (!data) {
        noteReadFailure(path);
        return false;
    }
    bool ok = size == TROPHY_FILE_SIZE;
    if (ok) std::memcpy(out, data, TROPHY_FILE_SIZE);
    std::free(data);
    return ok;
}

bool writeTrophyFile(int index, const uint8_t data[TROPHY_FILE_SIZE])
{
    char path[OS_PATH_MAX];
    if (!profileFilePath(index, ProfileTrophies, path, sizeof path)) return false;
    if (!ensureSettingsFolder()) {
        reportFolderFailure();
        return false;
    }
    if (osWriteFileAtomic(path, data, TROPHY_FILE_SIZE)) return true;
    reportWriteFailure(path);
    return false;
}

void sanitiseProfile(Profile& p)
{
    // Terminated, and nothing after the terminator, so equal names compare equal byte for byte.
    p.name[PROFILE_NAME_CHARS - 1] = 0;
    bool ended = false;
    for (char16_t& c : p.name) {
        if (ended) c = 0;
        if (c == 0) ended = true;
    }
    if (p.mode >= MODE_COUNT) p.mode = 0;
    for (int m = 0; m < MODE_COUNT; m++) {
        clampStage(p.stage[m], p.stagePosition[m]);
        clampStage(p.bestStage[m], p.bestStagePosition[m]);
        if (p.lives[m] < 0) p.lives[m] = 0;
        p.savedGame[m] = p.savedGame[m] ? 1 : 0;
    }
    for (uint8_t& f : p.hintFlags) f = f ? 1 : 0;
}

Profile& currentProfile()
{
    // Made quietly: whatever asked for a record is working with it (no profile change to announce).
    if (profileState.count <= 0) {
        char16_t player[] = u"Player";
        addProfile(player);
    }
    if (profileState.current < 0 || profileState.current >= profileState.count) profileState.current = 0;
    return profileState.profiles[profileState.current];
}

void currentProfileStem(char* out, int capacity)
{
    profileStem(currentProfile().name, out, capacity);
}

int profileMode() { return clampMode(currentProfile().mode); }
void setProfileMode(int mode) { currentProfile().mode = static_cast<uint8_t>(clampMode(mode)); }
int profileLives() { return currentProfile().lives[profileMode()]; }
void setProfileLives(int lives) { currentProfile().lives[profileMode()] = lives; }
int profileScore() { return currentProfile().score[profileMode()]; }
void setProfileScore(int score) { currentProfile().score[profileMode()] = score; }
void addProfileScore(int points) { currentProfile().score[profileMode()] += points; }
void incrementProfileLives() { currentProfile().lives[profileMode()] += 1; }
void decrementProfileLives()
{
    int32_t& lives = currentProfile().lives[profileMode()];
    if (lives > 0) lives -= 1;
}

bool profileHasSavedGame(int mode)
{
    if (mode < 0 || mode >= MODE_COUNT || profileState.count <= 0) return false;
    return currentProfile().savedGame[mode] != 0;
}

void setProfileSavedGame(int mode, bool saved)
{
    if (mode < 0 || mode >= MODE_COUNT || profileState.count <= 0) return;
    currentProfile().savedGame[mode] = saved ? 1 : 0;
}

void levelToStage(int level, int* stage, int* position)
{
    if (level < 0) level = 0;
    if (level >= LEVELS_PER_MODE) level = LEVELS_PER_MODE - 1;
    int s = 0;
    while (s < STAGE_COUNT - 1 && level >= STAGE_SIZES[s]) {
        level -= STAGE_SIZES[s];
        s++;
    }
    *stage = s;
    *position = level;
}

int stageToLevel(int stage, int position)
{
    if (stage < 0) stage = 0;
    if (stage >= STAGE_COUNT) stage = STAGE_COUNT - 1;
    int level = 0;
    for (int s = 0; s < stage; s++) level += STAGE_SIZES[s];
    return level + position;
}

int profileLevel()
{
    const Profile& p = currentProfile();
    int m = profileMode();
    return stageToLevel(p.stage[m], p.stagePosition[m]);
}

int profileBestLevel()
{
    const Profile& p = currentProfile();
    int m = profileMode();
    return stageToLevel(p.bestStage[m], p.bestStagePosition[m]);
}

void setProfileLevel(int level)
{
    Profile& p = currentProfile();
    int m = profileMode();
    levelToStage(level, &p.stage[m], &p.stagePosition[m]);
    if (profileLevel() > profileBestLevel()) {
        p.bestStage[m] = p.stage[m];
        p.bestStagePosition[m] = p.stagePosition[m];
    }
}

void resetProgress()
{
    Profile& p = currentProfile();
    int m = profileMode();
    p.score[m] = 0;
    p.stage[m] = 0;
    p.stagePosition[m] = 0;
    p.lives[m] = START_LIVES;
}

void setDefaultHiscores(const char16_t* const names[HISCORE_ENTRIES])
{
    static const int base[MODE_COUNT] = {180000, 250000, 190000};
    for (int m = 0; m < MODE_COUNT; m++) {
        for (int e = 0; e < HISCORE_ENTRIES; e++) {
            HiscoreEntry& h = profileState.hiscores[m][e];
            std::memset(h.name, 0, sizeof h.name);
            const char16_t* n = names ? names[e] : nullptr;
            for (int i = 0; n && n[i] && i < PROFILE_NAME_CHARS - 1; i++) h.name[i] = n[i];
            h.score = (10 - e) * base[m];
        }
    }
}

int enterHiscore(int mode, const char16_t* name, int score)
{
    if (mode < 0 || mode >= MODE_COUNT) return -1;
    HiscoreEntry* table = profileState.hiscores[mode];
    int place = -1;
    for (int e = 0; e < HISCORE_ENTRIES; e++) {
        if (table[e].score < score) {
            place = e;
            break;
        }
    }
    if (place < 0) return -1;
    for (int e = HISCORE_ENTRIES - 1; e > place; e--) table[e] = table[e - 1];
    HiscoreEntry& h = table[place];
    std::memset(h.name, 0, sizeof h.name);
    for (int i = 0; name && name[i] && i < PROFILE_NAME_CHARS - 1; i++) h.name[i] = name[i];
    h.score = score;
    return place;
}
