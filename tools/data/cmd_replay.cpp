// Replay commands of ostrimar-data: play a recorded level again headless through the game's own
// frame sequence and level flow, and let a bot play a level into a replay. See docs/data-tool.md.
#include "commands.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "bot.h"
#include "core/random.h"
#include "game/level.h"
#include "game/outcome.h"
#include "game/playstate.h"
#include "game/replay.h"
#include "platform/os/files.h"

namespace {

// A board that makes no move for this many frames (80 s of play) is given up.
constexpr long RECORD_STALL_FRAMES = 5000;

// The level file a replay names, under the data folder: "levels/NAME" (the game's place), else NAME.
std::string levelPathIn(const char* dataDir, const char* name)
{
    std::string dir = dataDir && dataDir[0] ? dataDir : ".";
    if (dir.back() != '/') dir += '/';
    std::string inLevels = dir + "levels/" + name;
    if (osFileExists(inLevels.c_str())) return inLevels;
    return dir + name;
}

// Plays the replay held by the player state headless; prints its line or the reason it failed.
int playLoaded(const char* file, const char* levelPath)
{
    char why[200] = {};
    resetBotWorld(0);
    // The player state holds the file already: copy-free start.
    Replay& r = replayPlayer.replay;
    if (!replayPlayBegin(r, levelPath, why, sizeof why)) {
        std::fprintf(stderr, "%s: %s\n", file, why);
        return 1;
    }
    char line[200];
    if (!replayPlayHeadless(line, sizeof line)) {
        std::fprintf(stderr, "%s: %s\n", file, line);
        return 1;
    }
    std::printf("%s\n", line);
    return 0;
}

bool loadReplayFile(const char* file)
{
    char why[160] = {};
    bool ok = readReplayFile(file, &replayPlayer.replay, why, sizeof why);
    if (!ok) std::fprintf(stderr, "%s: %s\n", file, why);
    return ok;
}

} // namespace

int cmdReplay(int argc, char** argv)
{
    const char* file = nullptr;
    const char* dataDir = nullptr;
    for (int i = 0; i < argc; i++) {
        if (std::strcmp(argv[i], "--data") == 0 && i + 1 < argc) {
            dataDir = argv[++i];
        } else if (!file && argv[i][0] != '-') {
            file = argv[i];
        } else {
            file = nullptr;
            break;
        }
    }
    if (!file) {
        std::fprintf(stderr, "usage: ostrimar-data replay FILE.rpl [--data DIR]\n");
        return 1;
    }
    if (!loadReplayFile(file)) return 1;
    std::string level = levelPathIn(dataDir, replayPlayer.replay.start.levelName);
    return playLoaded(file, level.c_str());
}

int cmdRecord(int argc, char** argv)
{
    const char* level = nullptr;
    const char* out = nullptr;
    long seed = 1;
    int mode = ModeAdventure;
    BotKind bot = BotPlan;
    bool usage = false;
    for (int i = 0; i < argc && !usage; i++) {
        const char* a = argv[i];
        const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
        if (std::strcmp(a, "--seed") == 0) {
            usage = !parseInt(v, &seed);
            i++;
        } else if (std::strcmp(a, "--mode") == 0) {
            if (v && std::strcmp(v, "adventure") == 0) mode = ModeAdventure;
            else if (v && std::strcmp(v, "timeless") == 0) mode = ModeTimeless;
            else if (v && std::strcmp(v, "puzzle") == 0) mode = ModePuzzle;
            else usage = true;
            i++;
        } else if (std::strcmp(a, "--bot") == 0) {
            if (v && std::strcmp(v, "greedy") == 0) bot = BotGreedy;
            else if (v && std::strcmp(v, "plan") == 0) bot = BotPlan;
            else usage = true;
            i++;
        } else if (a[0] != '-' && !level) {
            level = a;
        } else if (a[0] != '-' && !out) {
            out = a;
        } else {
            usage = true;
        }
    }
    if (usage || !level || !out) {
        std::fprintf(stderr,
                     "usage: ostrimar-data record LEVEL OUT.rpl [--mode adventure|timeless|puzzle] [--seed S] "
                     "[--bot greedy|plan]\n");
        return 1;
    }
    resetBotWorld(static_cast<unsigned>(seed));
    botPlaysAsPlayer(true);
    setRulesSeed(static_cast<uint32_t>(seed));
    replayRecorder.enabled = 1;
    std::snprintf(replayRecorder.outPath, sizeof replayRecorder.outPath, "%s", out);
    setProfileMode(mode);
    if (!beginLevel(levelIndexFromName(level), mode, level)) {
        std::fprintf(stderr, "record: cannot read level file %s\n", level);
        return 1;
    }
    long frames = 0;
    BotPace pace;
    while (replayRecorder.active) {
        if (!botFrame()) return 1;
        frames++;
        if (!replayRecorder.active) break;
        if (frames - pace.lastMoveFrame > RECORD_STALL_FRAMES) {
            replayLevelLeft();  // the bot gives up: the level is left
            break;
        }
        botPacedMove(pace, bot, static_cast<uint32_t>(seed), frames);
    }
    if (replayRecorder.written < 1) {
        std::fprintf(stderr, "record: cannot write %s\n", out);
        return 1;
    }
    // The line is the replay's own: the file just written, played again.
    if (!loadReplayFile(out)) return 1;
    return playLoaded(out, level);
}
