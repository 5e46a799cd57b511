// Fuzz target: the level reader. The input is a level file, terminated the way the game
// terminates a data file (its last byte becomes the terminator). After reading, every place must
// hold a known tile, colour and bonus, and the labelling must run on whatever was read.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "game/board.h"
#include "game/boardstep.h"
#include "game/level.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20)) return 0;
    std::vector<char> text(data, data + size);
    if (text.empty()) text.push_back(0);
    text.back() = 0;
    resetBoard();
    clearBoard();
    int32_t backdrop = 0;
    parseLevelText(text.data(), static_cast<int32_t>(text.size()), &backdrop);
    if (board.colourCount < 1 || board.colourCount > MAX_COLOURS) std::abort();
    for (const auto& row : board.cells) {
        for (const Cell& c : row) {
            if (c.tile < -1 || c.tile > 2) std::abort();
            if (c.colour > 14) std::abort();
            int bonus = static_cast<int>(c.bonus);
            if (bonus < 0 || bonus > 5) std::abort();
        }
    }
    for (int i = 0; i < FIGURE_IMAGE_COUNT; i++) {
        if (board.figureImage[i] < 0 || board.figureImage[i] >= FIGURE_IMAGE_COUNT) std::abort();
    }
    labelGroups();
    countTargets();
    return 0;
}
