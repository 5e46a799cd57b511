// Fuzz target: "profiles.dat". The first two bytes stand for the profile count and the current
// profile of "settings.dat"; the rest is the file. Every profile read must be usable: a
// terminated, non-empty name of its own (so its own files), values in range.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "persist/profile.h"
#include "persist/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2 || size > (1u << 16)) return 0;
    int count = static_cast<int8_t>(data[0]);
    int current = static_cast<int8_t>(data[1]);
    resetProfiles();
    profilesFromBytes(data + 2, static_cast<int32_t>(size - 2), count, current);
    int n = profileState.count;
    if (n < 0 || n > PROFILE_TABLE_SIZE || n > static_cast<int>((size - 2) / sizeof(Profile))) std::abort();
    if (n > 0 && (profileState.current < 0 || profileState.current >= n)) std::abort();
    char stems[PROFILE_TABLE_SIZE][PROFILE_STEM_MAX];
    for (int i = 0; i < n; i++) {
        const Profile& p = profileState.profiles[i];
        if (p.name[PROFILE_NAME_CHARS - 1] != 0 || p.name[0] == 0 || p.mode >= MODE_COUNT) std::abort();
        for (int m = 0; m < MODE_COUNT; m++) {
            if (p.stage[m] < 0 || p.stage[m] >= STAGE_COUNT || p.stagePosition[m] < 0) std::abort();
            if (p.stagePosition[m] >= STAGE_SIZES[p.stage[m]] || p.lives[m] < 0) std::abort();
        }
        profileStem(p.name, stems[i], PROFILE_STEM_MAX);
        for (int j = 0; j < i; j++) {
            if (std::strcmp(stems[i], stems[j]) == 0) std::abort();
        }
    }
    if (n > 0) {
        profileLevel();
        profileBestLevel();
    }
    return 0;
}
