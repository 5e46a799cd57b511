#include "persist/records.h"

#include <cstring>

#include "core/random.h"
#include "resources/texts.h"

RecordsState recordsState;

namespace {

LevelLimitsFn recordsLevelSource = nullptr;

void copyDefaultName(char16_t* to, int capacity, const char16_t* from)
{
    std::memset(to, 0, sizeof(char16_t) * static_cast<size_t>(capacity));
    for (int i = 0; from && from[i] && i < capacity - 1; i++) to[i] = from[i];
}

} // namespace

void resetRecords()
{
    std::memset(&recordsState, 0, sizeof recordsState);
}

LevelRecord& levelRecord(int mode, int level)
{
    if (mode < 0 || mode >= MODE_COUNT) mode = 0;
    if (level < 0) level = 0;
    if (level >= LEVELS_PER_MODE) level = LEVELS_PER_MODE - 1;
    return recordsState.records[mode][level];
}

void setDefaultRecords(LevelLimitsFn levelLimits)
{
    int first = textIndex("defname1");
    // Each level file once; the modes share the levels.
    float times[LEVELS_PER_MODE] = {};
    int movesOf[LEVELS_PER_MODE] = {};
    for (int n = 0; n < LEVELS_PER_MODE; n++) {
        if (!levelLimits || !levelLimits(n, &times[n], &movesOf[n])) {
            times[n] = 0.0f;
            movesOf[n] = 0;
        }
    }
    for (int m = 0; m < MODE_COUNT; m++) {
        for (int n = 0; n < LEVELS_PER_MODE; n++) {
            float time = times[n];
            int moves = movesOf[n];
            LevelRecord& r = recordsState.records[m][n];
            for (auto& name : r.names) copyDefaultName(name, RECORD_NAME_CHARS, textByIndex(first + rand15() % DEFAULT_NAME_COUNT));
            r.results[0] = 0;
            r.results[1] = 0;
            r.results[2] = moves;
            // Truncated toward zero; a value beyond the int range (a broken level file) stays in range.
            double ms = static_cast<double>(time) * 1000.0;
            if (!(ms > -2147483648.0)) ms = 0.0;
            if (ms > 2147483647.0) ms = 2147483647.0;
            r.results[3] = static_cast<int32_t>(ms);
        }
    }
}

void setDefaultHiscoresFromTexts()
{
    int first = textIndex("defname1");
    const char16_t* names[HISCORE_ENTRIES];
    for (int e = 0; e < HISCORE_ENTRIES; e++) names[e] = textByIndex(first + e);
    setDefaultHiscores(names);
}

bool recordsFromBytes(const uint8_t* data, int32_t size)
{
    if (!data || size != RECORDS_FILE_SIZE) return false;
    std::memcpy(&recordsState, data, sizeof recordsState);
    for (auto& mode : recordsState.records) {
        for (LevelRecord& r : mode) {
            for (auto& name : r.names) name[RECORD_NAME_CHARS - 1] = 0;
        }
    }
    return true;
}

bool hiscoresFromBytes(const uint8_t* data, int32_t size)
{
    if (!data || size != HISCORE_FILE_SIZE) return false;
    static_assert(sizeof profileState.hiscores == HISCORE_FILE_SIZE);
    std::memcpy(profileState.hiscores, data, sizeof profileState.hiscores);
    for (auto& mode : profileState.hiscores) {
        for (HiscoreEntry& h : mode) h.name[PROFILE_NAME_CHARS - 1] = 0;
    }
    return true;
}

void setRecordsLevelSource(LevelLimitsFn levelLimits)
{
    recordsLevelSource = levelLimits;
}

LevelLimitsFn recordsLevelSourceFn()
{
    return recordsLevelSource;
}
