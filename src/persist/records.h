#pragma once
// Shared results tables: the four best results of every level and mode with their holders
// ("records.dat", 68112 bytes) and the default high scores ("hiscore.dat", 2040 bytes; the
// table itself is `profileState.hiscores`, persist/profile.h). Both are memory images.
#include <cstdint>

#include "persist/profile.h"

constexpr int RECORD_NAME_CHARS = 20;
constexpr int RECORD_RESULTS = 4;
constexpr int RECORDS_FILE_SIZE = MODE_COUNT * LEVELS_PER_MODE * 176;
constexpr int HISCORE_FILE_SIZE = MODE_COUNT * HISCORE_ENTRIES * 68;
constexpr int DEFAULT_NAME_COUNT = 10;

// The record of one level in one mode (176 bytes): results are the best score, the longest
// same-colour streak, the fewest moves and the shortest time in ms.
struct LevelRecord {
    char16_t names[RECORD_RESULTS][RECORD_NAME_CHARS];  // at most 19 characters, terminated
    int32_t results[RECORD_RESULTS];
};
static_assert(sizeof(LevelRecord) == 176, "LevelRecord is a 176-byte file record");

struct RecordsState {
    LevelRecord records[MODE_COUNT][LEVELS_PER_MODE];
};
static_assert(sizeof(RecordsState) == RECORDS_FILE_SIZE);

extern RecordsState recordsState;

// All zero (tests).
void resetRecords();

// The record of a level (clamped to the table).
LevelRecord& levelRecord(int mode, int level);

// The time value T (seconds) and move value M of a level, for the default records; false when
// the level cannot be read (then T = 0 and M = 0).
using LevelLimitsFn = bool (*)(int level, float* time, int* moves);

// Default records: every holder name a random one of the ten default names (texts "defname1" and
// the nine after it), results 0, 0, M and T x 1000 (truncated). levelLimits may be null (all 0).
void setDefaultRecords(LevelLimitsFn levelLimits);
// Default high scores with the ten default names of the text table, in order.
void setDefaultHiscoresFromTexts();

// Decode a file image: true when size is the file's size and the table was taken (names
// terminated); false leaves the table unchanged.
bool recordsFromBytes(const uint8_t* data, int32_t size);
bool hiscoresFromBytes(const uint8_t* data, int32_t size);

// The level reader the deferred load gives `loadRecords` for the default records (null: none).
void setRecordsLevelSource(LevelLimitsFn levelLimits);
LevelLimitsFn recordsLevelSourceFn();
