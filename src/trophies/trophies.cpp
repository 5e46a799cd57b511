#include "trophies/trophies.h"

#include "core/requestlog.h"

void loadTrophies() { recordRequest("loadTrophies"); }
bool awardTrophy(int number, const char* profileName)
{
    recordRequest("awardTrophy", profileName, number);
    return true;
}
