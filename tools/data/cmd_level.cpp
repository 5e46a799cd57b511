// Level commands of ostrimar-data: print a level as the game reads it, and play it headless
// with the greedy or the planning bot. See docs/board.md.
#include "commands.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bot.h"
#include "core/appstate.h"
#include "core/random.h"
#include "core/requestlog.h"
#include "audio/audio.h"
#include "game/board.h"
#include "game/boardstep.h"
#include "game/level.h"
#include "game/outcome.h"
#include "game/playstate.h"
#include "persist/profile.h"
#include "platform/os/files.h"
#include "resources/files.h"

namespace {

// A board that makes no move for this many frames (80 s of play) is given up.
constexpr long STALL_FRAMES = 5000;

void resetAll()
{
    resetAppState();
    resetFiles();
    resetBoard();
    resetPlayState();
    resetLevelFiles();
    resetAudio();
    clearRequests();
}

void printToken(const Cell& c)
{
    char tile = c.tile < 0 ? '.' : static_cast<char>('0' + (c.tile > 2 ? 2 : c.tile));
    char chain = c.chained ? 'c' : '-';
    char colour[8];
    if (c.tile >= 0 && c.chained && c.colour >= 0 && c.colour <= 99) std::snprintf(colour, sizeof colour, "%02d", c.colour);
    else std::snprintf(colour, sizeof colour, "rr");
    int bonus = static_cast<int>(c.bonus);
    if (c.tile < 0 || bonus < 0 || bonus > 5) bonus = 0;
    std::printf("%c%c%s%d", tile, chain, colour, bonus);
}

enum PlayResult { PlayWon, PlayLost, PlayStopped, PlayFailed };

PlayResult playOnce(const char* path, long seed, long maxMoves, int mode, int levelIndex, BotKind bot)
{
    resetBotWorld(static_cast<unsigned>(seed));
    // The rules' stream of the level comes from the seed and the level alone, whatever the mode.
    setRulesSeed(static_cast<uint32_t>(seed));
    setProfileMode(mode);
    if (!beginLevel(levelIndex, mode, path)) {
        std::fprintf(stderr, "play: cannot read level file %s\n", path);
        return PlayFailed;
    }
    long frames = 0;
    BotPace pace;
    bool won = false;
    bool lost = false;
    for (;;) {
        // The game's own frame: board step, limits, outcome and the rest, in the game's order.
        if (!botFrame()) return PlayFailed;
        frames++;
        if (play.levelWon) {
            won = true;
            break;
        }
        if (play.levelLost) {
            lost = true;
            break;
        }
        if (play.movesMade >= maxMoves) break;
        if (frames - pace.lastMoveFrame > STALL_FRAMES) break;
        botPacedMove(pace, bot, static_cast<uint32_t>(seed), frames);
    }
    int targetsLeft = 0;
    for (const auto& row : board.cells) {
        for (const Cell& c : row) {
            if (c.tile < 0) continue;
            if (c.chained) targetsLeft += 1;
            if (c.tile > 0) targetsLeft += c.tile;
        }
    }
    const char* result = won ? "won" : lost ? "lost" : "stopped";
    std::printf("result=%s moves=%d targets_left=%d frames=%ld score=%d\n", result, play.movesMade, targetsLeft,
                frames, play.levelScore);
    return won ? PlayWon : lost ? PlayLost : PlayStopped;
}

} // namespace

bool parseInt(const char* s, long* out)
{
    if (!s || !*s) return false;
    char* end = nullptr;
    long v = std::strtol(s, &end, 10);
    if (*end != 0) return false;
    *out = v;
    return true;
}

// The level index of a file named like the game's level files, "pack1_NN.lvl" (NN = index + 1);
// 0 for any other name.
int levelIndexFromName(const char* path)
{
    const char* base = std::strrchr(path, '/');
    base = base ? base + 1 : path;
    int number = 0;
    char tail[8] = {};
    if (std::sscanf(base, "pack1_%d.%7s", &number, tail) == 2 && std::strcmp(tail, "lvl") == 0 && number >= 1 &&
        number <= LEVEL_COUNT_MAX)
        return number - 1;
    return 0;
}


int cmdLevel(int argc, char** argv)
{
    if (argc != 1) {
        std::fprintf(stderr, "usage: ostrimar-data level FILE\n");
        return 1;
    }
    resetAll();
    clearBoard();
    int32_t backdrop = 0;
    if (!readLevelFile(argv[0], &backdrop)) {
        std::fprintf(stderr, "level: cannot read level file %s\n", argv[0]);
        return 1;
    }
    std::printf("figures=%d\n", board.colourCount);
    std::printf("time=%g\n", static_cast<double>(levelFiles.rawTime));
    std::printf("moves=%d\n", levelFiles.rawMoves);
    if (levelFiles.rawBack == 0) std::printf("back=random\n");
    else std::printf("back=%d\n", levelFiles.rawBack);
    std::printf("figuremap=");
    for (int i = 0; i < FIGURE_IMAGE_COUNT; i++) std::printf(i ? " %d" : "%d", board.figureImage[i]);
    std::printf("\n");
    for (int row = 0; row < BOARD_ROWS; row++) {
        for (int col = 0; col < BOARD_COLS; col++) {
            if (col) std::printf(" ");
            printToken(board.cells[row][col]);
        }
        std::printf("\n");
    }
    return 0;
}

int cmdPlay(int argc, char** argv)
{
    const char* path = nullptr;
    long seed = 0;
    bool haveSeed = false;
    long maxMoves = 2000;
    long runs = 1;
    long levelIndex = -1;  // from the file name
    int mode = ModeAdventure;
    BotKind bot = BotPlan;
    for (int i = 0; i < argc; i++) {
        const char* a = argv[i];
        const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
        if (std::strcmp(a, "--seed") == 0) {
            if (!parseInt(v, &seed)) break;
            haveSeed = true;
            i++;
        } else if (std::strcmp(a, "--max-moves") == 0) {
            if (!parseInt(v, &maxMoves) || maxMoves < 0) {
                std::fprintf(stderr, "play: --max-moves needs a number of 0 or more\n");
                return 1;
            }
            i++;
        } else if (std::strcmp(a, "--runs") == 0) {
            if (!parseInt(v, &runs) || runs < 1) {
                std::fprintf(stderr, "play: --runs needs a number of 1 or more\n");
                return 1;
            }
            i++;
        } else if (std::strcmp(a, "--level-index") == 0) {
            if (!parseInt(v, &levelIndex) || levelIndex < 0 || levelIndex >= LEVEL_COUNT_MAX) {
                std::fprintf(stderr, "play: --level-index needs a number 0..128\n");
                return 1;
            }
            i++;
        } else if (std::strcmp(a, "--mode") == 0) {
            if (v && std::strcmp(v, "adventure") == 0) mode = ModeAdventure;
            else if (v && std::strcmp(v, "timeless") == 0) mode = ModeTimeless;
            else if (v && std::strcmp(v, "puzzle") == 0) mode = ModePuzzle;
            else {
                std::fprintf(stderr, "play: --mode needs adventure, timeless or puzzle\n");
                return 1;
            }
            i++;
        } else if (std::strcmp(a, "--bot") == 0) {
            if (v && std::strcmp(v, "greedy") == 0) bot = BotGreedy;
            else if (v && std::strcmp(v, "plan") == 0) bot = BotPlan;
            else {
                std::fprintf(stderr, "play: --bot needs greedy or plan\n");
                return 1;
            }
            i++;
        } else if (!path && a[0] != '-') {
            path = a;
        } else {
            std::fprintf(stderr, "play: unknown argument %s\n", a);
            return 1;
        }
    }
    if (!path || !haveSeed) {
        std::fprintf(stderr,
                     "usage: ostrimar-data play FILE --seed N [--max-moves K] [--mode adventure|timeless|puzzle] "
                     "[--level-index I] [--runs R] [--bot greedy|plan]\n");
        return 1;
    }
    if (levelIndex < 0) levelIndex = levelIndexFromName(path);
    long counts[3] = {};
    for (long r = 0; r < runs; r++) {
        PlayResult result = playOnce(path, seed + r, maxMoves, mode, static_cast<int>(levelIndex), bot);
        if (result == PlayFailed) return 1;
        counts[result]++;
    }
    if (runs > 1) {
        std::printf("runs=%ld won=%ld lost=%ld stopped=%ld win_rate=%.2f\n", runs, counts[PlayWon], counts[PlayLost],
                    counts[PlayStopped], static_cast<double>(counts[PlayWon]) / static_cast<double>(runs));
    }
    return 0;
}
