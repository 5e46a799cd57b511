// Fuzz target: a replay file (".rpl"). A file that is taken has every field inside its range
// (the level name a bare printable name, events in frame order inside the frame count, finite
// frame times) and writes back to the very same bytes.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "game/level.h"
#include "game/replay.h"

namespace {
Replay replay;  // large: one static copy
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 22)) return 0;
    char why[160];
    if (!replayFromBytes(data, static_cast<int32_t>(size), &replay, why, sizeof why)) {
        if (why[0] == 0) std::abort();  // a refusal always says why
        return 0;
    }
    const ReplayStart& s = replay.start;
    size_t nameLength = strnlen(s.levelName, sizeof s.levelName);
    if (nameLength == 0 || nameLength >= sizeof s.levelName || std::strchr(s.levelName, '/')) std::abort();
    if (s.levelIndex < 0 || s.levelIndex >= LEVEL_COUNT_MAX || s.mode < 0 || s.mode > 2) std::abort();
    if (replay.frameCount < 1 || replay.frameCount > REPLAY_MAX_FRAMES) std::abort();
    if (replay.eventCount < 0 || replay.eventCount > REPLAY_MAX_EVENTS) std::abort();
    for (int32_t i = 0; i < replay.frameCount; i++)
        if (!std::isfinite(replay.frameMs[i]) || replay.frameMs[i] < 0.0f) std::abort();
    for (int32_t i = 0; i < replay.eventCount; i++) {
        const ReplayEvent& e = replay.events[i];
        if (e.frame >= static_cast<uint32_t>(replay.frameCount)) std::abort();
        if (i > 0 && e.frame < replay.events[i - 1].frame) std::abort();
        if (e.kind < ReplayMouse || e.kind >= REPLAY_EVENT_KIND_END) std::abort();
    }
    std::vector<uint8_t> again(size);
    if (replayToBytes(replay, again.data(), static_cast<int32_t>(size)) != static_cast<int32_t>(size)) std::abort();
    if (std::memcmp(again.data(), data, size) != 0) std::abort();
    return 0;
}
