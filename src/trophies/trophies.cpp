#include "trophies/trophies.h"

#include "core/appstate.h"
#include "persist/profile.h"
#include "platform/os/files.h"
#include "resources/files.h"
#include "trophies/trophylayout.h"
#include "resources/keyvalue.h"
#include "resources/texts.h"
#include "ui/messages.h"

#include <cstdio>
#include <cstring>

TrophiesState trophies;

namespace {
// The flags in memory are always the current player's: read again whenever the profiles are read
// or the player changes.
void followProfiles(ProfileEvent) { loadCurrentTrophyFlags(); }
[[maybe_unused]] const bool followingProfiles = listenToProfiles(followProfiles);
} // namespace

namespace {

bool validNumber(int number) { return number >= 1 && number <= TROPHY_COUNT; }

bool sameProfile(const char* key) { return std::strncmp(trophies.profile, key, sizeof trophies.profile - 1) == 0; }

void takeProfile(const char* key)
{
    std::snprintf(trophies.profile, sizeof trophies.profile, "%s", key ? key : "");
}

// Loads the profile's flags unless they are the ones in memory.
void useProfile(const char* key)
{
    if (!key) key = "";
    if (!trophies.profileLoaded || !sameProfile(key)) loadTrophyFlags(key);
}

}  // namespace

void resetTrophies() { std::memset(static_cast<void*>(&trophies), 0, sizeof trophies); }

void parseTrophyList(const char* text)
{
    for (int i = 0; i < TROPHY_COUNT; i++) {
        char key[32];
        std::snprintf(key, sizeof key, "trophy%d=", i + 1);
        kvString(trophies.image[i], TROPHY_IMAGE_NAME_SIZE, text, key);
        std::snprintf(key, sizeof key, "trophylum%d=", i + 1);
        kvString(trophies.glow[i], TROPHY_IMAGE_NAME_SIZE, text, key);
    }
}

bool loadTrophies()
{
    char previous[OS_PATH_MAX];
    std::snprintf(previous, sizeof previous, "%s", osGetCurrentDirectory());
    // The folder "trophyes" holds the list, the layout and the pictures; a data set without it
    // may keep "trophy.txt" in the data folder itself.
    bool inFolder = osSetCurrentDirectory(TROPHY_FOLDER);
    std::snprintf(trophies.folder, sizeof trophies.folder, "%s", osGetCurrentDirectory());
    int32_t size = 0;
    char* text = readTextData("trophy.txt", &size, false);
    if (!text && inFolder) {
        osSetCurrentDirectory(previous);
        std::snprintf(trophies.folder, sizeof trophies.folder, "%s", previous);
        text = readTextData("trophy.txt", &size, false);
    }
    if (text) {
        parseTrophyList(text);
        if (size > 0) releaseFile(text);
        trophies.definitionsLoaded = 1;
    }
    loadTrophyLayout();
    osSetCurrentDirectory(previous);
    return text != nullptr;
}

int trophyProfileIndex(const char* profileKey)
{
    if (!profileKey || !profileKey[0]) return -1;
    for (int i = 0; i < profileState.count && i < PROFILE_TABLE_SIZE; i++) {
        char stem[PROFILE_STEM_MAX];
        profileStem(profileState.profiles[i].name, stem, sizeof stem);
        if (std::strcmp(stem, profileKey) == 0) return i;
    }
    return -1;
}

void loadTrophyFlags(const char* profileKey)
{
    std::memset(trophies.flags, 0, sizeof trophies.flags);
    takeProfile(profileKey);
    trophies.profileLoaded = 1;
    uint8_t bytes[TROPHY_FILE_SIZE];
    int index = trophyProfileIndex(profileKey);
    if (index < 0 || !readTrophyFile(index, bytes)) return;  // missing or damaged: no trophies
    trophyFlagsFromBytes(bytes, TROPHY_FILE_SIZE);
}

void loadCurrentTrophyFlags()
{
    char key[PROFILE_STEM_MAX] = "";
    if (profileState.count > 0) currentProfileStem(key, sizeof key);
    loadTrophyFlags(key);
}

bool trophyFlagsFromBytes(const uint8_t* data, int32_t size)
{
    std::memset(trophies.flags, 0, sizeof trophies.flags);
    if (!data || size != TROPHY_FILE_SIZE) return false;
    for (int i = 0; i < TROPHY_COUNT; i++) {
        trophies.flags[i].won = data[i * 2 + 1] != 0;
        trophies.flags[i].isNew = trophies.flags[i].won && data[i * 2] != 0;  // new only means won, not yet shown
    }
    return true;
}

bool saveTrophyFlags(const char* profileKey)
{
    trophies.lastWriteFailed = 1;
    int index = trophyProfileIndex(profileKey);
    if (index < 0) return false;
    uint8_t bytes[TROPHY_FILE_SIZE];
    for (int i = 0; i < TROPHY_COUNT; i++) {
        bytes[i * 2] = trophies.flags[i].isNew;
        bytes[i * 2 + 1] = trophies.flags[i].won;
    }
    if (!writeTrophyFile(index, bytes)) return false;
    trophies.lastWriteFailed = 0;
    trophies.writes++;
    return true;
}

bool awardTrophy(int number, const char* profileKey)
{
    if (!validNumber(number)) return false;
    useProfile(profileKey);
    TrophyFlag& f = trophies.flags[number - 1];
    if (f.won) return false;
    f.won = 1;
    f.isNew = 1;
    saveTrophyFlags(profileKey);
    return true;
}

bool trophyWon(int number) { return validNumber(number) && trophies.flags[number - 1].won; }
bool trophyIsNew(int number) { return validNumber(number) && trophies.flags[number - 1].isNew; }

int firstNewTrophy()
{
    for (int i = 0; i < TROPHY_COUNT; i++)
        if (trophies.flags[i].isNew) return i + 1;
    return 0;
}

void presentTrophy(int number, const char* profileKey)
{
    if (!validNumber(number)) return;
    useProfile(profileKey);
    trophies.flags[number - 1].isNew = 0;
    saveTrophyFlags(profileKey);
}

void clearNewTrophies(const char* profileKey)
{
    useProfile(profileKey);
    for (TrophyFlag& f : trophies.flags) f.isNew = 0;
    saveTrophyFlags(profileKey);
}

void showTrophyName(int number)
{
    if (!validNumber(number)) return;
    char key[16];
    std::snprintf(key, sizeof key, "trophy%d", number);
    const char16_t* name = text(key);
    if (name)
        addPopupText(name, 0.0f, 0.0f, 18.0f, 3000.0f);
    else
        addPopupText(key, 0.0f, 0.0f, 18.0f, 3000.0f);
}
