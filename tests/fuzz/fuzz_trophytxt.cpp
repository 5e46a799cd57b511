// Fuzz target: "trophy.txt". The input is read as the definition list; every picture name taken
// from it must end inside its field.
#include "trophies/trophies.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 16)) return 0;
    std::vector<char> text(data, data + size);
    text.push_back(0);
    resetTrophies();
    parseTrophyList(text.data());
    for (int i = 0; i < TROPHY_COUNT; i++) {
        if (strnlen(trophies.image[i], TROPHY_IMAGE_NAME_SIZE) >= size_t(TROPHY_IMAGE_NAME_SIZE)) __builtin_trap();
        if (strnlen(trophies.glow[i], TROPHY_IMAGE_NAME_SIZE) >= size_t(TROPHY_IMAGE_NAME_SIZE)) __builtin_trap();
    }
    return 0;
}
