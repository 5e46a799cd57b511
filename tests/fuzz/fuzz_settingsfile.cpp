// Fuzz target: "settings.dat" of any size and content. Whatever is read, the options must come
// out in range: volumes 0..100, flags 0 or 1, profile count 0..8, current profile inside it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "persist/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 16)) return 0;
    resetPersist();
    settingsFromBytes(data, static_cast<int32_t>(size));
    const Settings& s = persist.settings;
    if (s.musicVolume < 0 || s.musicVolume > 100 || s.sfxVolume < 0 || s.sfxVolume > 100) std::abort();
    if (s.softwareCursor > 1 || s.fullscreen < 0 || s.fullscreen > 1) std::abort();
    if (s.profileCount < 0 || s.profileCount > MAX_PROFILES) std::abort();
    if (s.currentProfile < 0 || (s.profileCount > 0 && s.currentProfile >= s.profileCount)) std::abort();
    return 0;
}
