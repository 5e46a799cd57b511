#include "persist/profile.h"

#include <cstring>

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

} // namespace

void resetProfiles()
{
    std::memset(&profileState, 0, sizeof profileState);
}

bool createProfile(const char* name)
{
    if (!name || !*name || profileState.count >= PROFILE_TABLE_SIZE) return false;
    char16_t wide[PROFILE_NAME_CHARS];
    copyName(wide, name);
    for (int i = 0; i < profileState.count; i++) {
        if (sameName(profileState.profiles[i].name, wide)) return false;
    }
    Profile& p = profileState.profiles[profileState.count];
    std::memset(&p, 0, sizeof p);
    std::memcpy(p.name, wide, sizeof wide);
    p.mode = 0;
    for (uint8_t& f : p.hintFlags) f = 1;
    for (int m = 0; m < MODE_COUNT; m++) p.lives[m] = START_LIVES;
    profileState.current = profileState.count;
    profileState.count += 1;
    return true;
}

Profile& currentProfile()
{
    if (profileState.count <= 0) createProfile("Player");
    if (profileState.current < 0 || profileState.current >= profileState.count) profileState.current = 0;
    return profileState.profiles[profileState.current];
}

void currentProfileName(char* out, int capacity)
{
    if (!out || capacity <= 0) return;
    const Profile& p = currentProfile();
    int n = 0;
    for (; n < capacity - 1 && n < PROFILE_NAME_CHARS && p.name[n]; n++) {
        char16_t c = p.name[n];
        out[n] = c < 0x80 ? static_cast<char>(c) : '?';
    }
    out[n] = 0;
}

int profileMode() { return clampMode(currentProfile().mode); }
void setProfileMode(int mode) { currentProfile().mode = static_cast<uint8_t>(clampMode(mode)); }
int profileLives() { return currentProfile().lives[profileMode()]; }
void setProfileLives(int lives) { currentProfile().lives[profileMode()] = lives; }
int profileScore() { return currentProfile().score[profileMode()]; }
void setProfileScore(int score) { currentProfile().score[profileMode()] = score; }

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
