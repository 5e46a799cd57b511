// Fuzz target: the map's miniature of a level ("levels/pack1_NN.lvl" read for the info panel).
// The input is the whole file in a buffer of exactly its size, without a terminator, as the file
// table may hand it out. Every place must come out as a known kind and every colour as -1 or a
// fixed figure's colour.
#include "map/mapdraw.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20)) return 0;
    std::vector<char> text(data, data + size);
    LevelMiniature m{};
    parseMiniature(text.empty() ? nullptr : text.data(), static_cast<int32_t>(text.size()), m);
    for (int r = 0; r < 11; r++) {
        for (int c = 0; c < 12; c++) {
            int place = m.places[r][c];
            int colour = m.colours[r][c];
            if (place < MiniHole || place > MiniFixed) std::abort();
            if (colour < -1 || colour > 14 || (colour >= 0 && place != MiniFixed)) std::abort();
        }
    }
    return 0;
}
