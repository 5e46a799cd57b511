#include "trophies/trophies.h"

#include "core/appstate.h"
#include "platform/os/files.h"
#include "resources/files.h"
#include "resources/keyvalue.h"
#include "resources/texts.h"
#include "ui/messages.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

TrophiesState trophies;

namespace {

bool validNumber(int number) { return number >= 1 && number <= TROPHY_COUNT; }

bool sameProfile(const char* name) { return std::strncmp(trophies.profile, name, sizeof trophies.profile - 1) == 0; }

void takeProfile(const char* name)
{
    std::snprintf(trophies.profile, sizeof trophies.profile, "%s", name ? name : "");
}

// Loads the profile's flags unless they are the ones in memory.
void useProfile(const char* name)
{
    if (!name) name = "";
    if (!trophies.profileLoaded || !sameProfile(name)) loadTrophyFlags(name);
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
    int32_t size = 0;
    char* text = readTextData("trophy.txt", &size, false);
    if (!text) return false;
    parseTrophyList(text);
    if (size > 0) releaseFile(text);
    trophies.definitionsLoaded = 1;
    return true;
}

bool trophyFilePath(const char* profileName, char* out, int capacity)
{
    if (!out || capacity <= 0) return false;
    out[0] = 0;
    if (!profileName || profileName[0] == 0 || profileName[0] == '.') return false;
    for (const char* p = profileName; *p; p++)
        if (*p == '/' || *p == '\\' || *p == ':') return false;
    int n = std::snprintf(out, size_t(capacity), "%ssettings/%s.trp", app.dataDir, profileName);
    if (n < 0 || n >= capacity) {
        out[0] = 0;
        return false;
    }
    return true;
}

void loadTrophyFlags(const char* profileName)
{
    std::memset(trophies.flags, 0, sizeof trophies.flags);
    takeProfile(profileName);
    trophies.profileLoaded = 1;
    char path[OS_PATH_MAX];
    if (!trophyFilePath(profileName, path, sizeof path)) return;
    if (osFileSize(path) != TROPHY_FILE_SIZE) return;  // missing or damaged: no trophies
    int32_t size = 0;
    uint8_t* bytes = osReadFile(path, &size);
    if (!bytes) return;
    if (size == TROPHY_FILE_SIZE) {
        for (int i = 0; i < TROPHY_COUNT; i++) {
            trophies.flags[i].isNew = bytes[i * 2] != 0;
            trophies.flags[i].won = bytes[i * 2 + 1] != 0;
            if (!trophies.flags[i].won) trophies.flags[i].isNew = 0;  // new only means won, not yet shown
        }
    }
    std::free(bytes);
}

bool saveTrophyFlags(const char* profileName)
{
    char path[OS_PATH_MAX], temporary[OS_PATH_MAX + 8];
    trophies.lastWriteFailed = 1;
    if (!trophyFilePath(profileName, path, sizeof path)) return false;
    std::snprintf(temporary, sizeof temporary, "%s.tmp", path);
    if (!osWriteFile(temporary, trophies.flags, TROPHY_FILE_SIZE)) return false;
    char from[OS_PATH_MAX], to[OS_PATH_MAX];
    osResolvePath(temporary, from, sizeof from);
    osResolvePath(path, to, sizeof to);
    if (from[0] == 0 || to[0] == 0 || std::rename(from, to) != 0) {
        osDeleteFile(temporary);
        return false;
    }
    trophies.lastWriteFailed = 0;
    trophies.writes++;
    return true;
}

bool awardTrophy(int number, const char* profileName)
{
    if (!validNumber(number)) return false;
    useProfile(profileName);
    TrophyFlag& f = trophies.flags[number - 1];
    if (f.won) return false;
    f.won = 1;
    f.isNew = 1;
    saveTrophyFlags(profileName);
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

void presentTrophy(int number, const char* profileName)
{
    if (!validNumber(number)) return;
    useProfile(profileName);
    trophies.flags[number - 1].isNew = 0;
    saveTrophyFlags(profileName);
}

void clearNewTrophies(const char* profileName)
{
    useProfile(profileName);
    for (TrophyFlag& f : trophies.flags) f.isNew = 0;
    saveTrophyFlags(profileName);
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
