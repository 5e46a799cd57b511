// Fuzz target: "hiscore.dat". Only an image of the exact size is taken; its names are terminated
// and a new score can be entered in every mode's table whatever order the file left it in.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "persist/profile.h"
#include "persist/records.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 16)) return 0;
    resetProfiles();
    bool taken = hiscoresFromBytes(data, static_cast<int32_t>(size));
    if (taken != (size == static_cast<size_t>(HISCORE_FILE_SIZE))) std::abort();
    for (const auto& mode : profileState.hiscores) {
        for (const HiscoreEntry& h : mode) {
            if (h.name[PROFILE_NAME_CHARS - 1] != 0) std::abort();
        }
    }
    for (int m = 0; m < MODE_COUNT; m++) {
        int place = enterHiscore(m, u"Fuzz", 0x7FFFFFFF);
        if (place < -1 || place >= HISCORE_ENTRIES) std::abort();
    }
    return 0;
}
