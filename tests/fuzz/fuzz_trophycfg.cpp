// Fuzz target: the shelf layout "trophy.cfg" and a profile's trophy file "<name>.trp". The input
// is decoded as both; every slot taken must stand on the screen at a sane size, and the flags must
// be 0 or 1 with no trophy new that is not won.
#include "trophies/trophies.h"
#include "trophies/trophylayout.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 16)) return 0;
    resetTrophyLayout();
    trophyLayoutFromBytes(data, int32_t(size));
    for (const TrophySlot& s : trophyLayout.slots) {
        if (!std::isfinite(s.width) || !std::isfinite(s.height) || !std::isfinite(s.scale)) __builtin_trap();
        if (s.width <= 0.0f || s.width > 1024.0f || s.height <= 0.0f || s.height > 1024.0f) __builtin_trap();
        if (std::fabs(s.x) > 400.0f || std::fabs(s.y) > 300.0f || s.scale <= 0.0f || s.scale > 8.0f) __builtin_trap();
        if (s.hovered) __builtin_trap();
    }
    uint8_t round[TROPHY_LAYOUT_BYTES];
    trophyLayoutToBytes(round);
    resetTrophies();
    trophyFlagsFromBytes(data, int32_t(size));
    for (const TrophyFlag& f : trophies.flags) {
        if (f.won > 1 || f.isNew > 1 || (f.isNew && !f.won)) __builtin_trap();
    }
    return 0;
}
