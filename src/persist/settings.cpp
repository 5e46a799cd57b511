#include "persist/settings.h"

#include "core/requestlog.h"

PersistState persist;

void resetPersist()
{
    persist = PersistState{};
}

void loadSettings()
{
    recordRequest("loadSettings");
    persist.settings = Settings{};
}

void loadProfiles()
{
    recordRequest("loadProfiles");
}

void loadRecords()
{
    recordRequest("loadRecords");
}

void saveAll()
{
    recordRequest("saveAll");
}

bool saveGame()
{
    recordRequest("saveGame");
    return false;
}

int profileCount()
{
    int n = persist.settings.profileCount;
    return n < 0 ? 0 : (n > MAX_PROFILES ? MAX_PROFILES : n);
}
