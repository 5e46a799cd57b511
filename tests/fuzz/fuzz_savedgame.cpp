// Fuzz target: a saved game. An image that is taken must leave a board the game can run on: known
// tiles, colours inside the count, known bonus kinds and states, ring indices inside their rings.
// Then the group labelling and the target count run over it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "game/board.h"
#include "game/boardrender.h"
#include "game/boardstep.h"
#include "game/playstate.h"
#include "game/savegame.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 17)) return 0;
    resetBoard();
    resetBoardRender();
    resetPlayState();
    bool valid = validSavedGame(data, static_cast<int32_t>(size));
    bool taken = loadGameFromBytes(data, static_cast<int32_t>(size));
    if (valid != taken || (taken && size != static_cast<size_t>(SAVED_GAME_SIZE))) std::abort();
    if (!taken) return 0;
    if (board.colourCount < 1 || board.colourCount > MAX_COLOURS) std::abort();
    for (const auto& row : board.cells) {
        for (const Cell& c : row) {
            if (c.tile < -1 || c.tile > 2 || c.colour < -1 || c.colour >= board.colourCount) std::abort();
            int bonus = static_cast<int>(c.bonus);
            int state = static_cast<int>(c.state);
            if (bonus < 0 || bonus > 5 || (state != 0 && state != 1 && state != 3)) std::abort();
        }
    }
    if (board.nextBlast < 0 || board.nextBlast >= BLAST_RING_SIZE) std::abort();
    if (boardRender.nextDebris < 0 || boardRender.nextDebris >= DEBRIS_RING) std::abort();
    if (board.nextBoltSet < 0 || board.nextBoltSet >= BOLT_SET_COUNT) std::abort();
    if (play.gameMode < 0 || play.gameMode > 2 || play.levelIndex < 0 || play.levelIndex > 128) std::abort();
    labelGroups();
    countTargets();
    return 0;
}
