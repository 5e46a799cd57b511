// CPU cost of one adventure-map frame on the headless device (the menu screen in its map mode:
// the map's update and the submission of the map picture, the frame, stage marks, the ring, the
// stage picture with its cover, texts and the info panel with the miniature), with the default
// data set, a player in the middle of stage 9 and the ring flying in.
//
//   ./bench/bench_map        (from the build folder; the data set is <build>/Data)
//
// Counters: drawCalls = draw calls submitted per frame; triangles = primitives per frame.
#include "app/screens.h"
#include "core/dialogport.h"
#include "screen_frames.h"
#include "dataset.h"
#include "audio/audio.h"
#include "core/appstate.h"
#include "core/requestlog.h"
#include "graphics/device.h"
#include "graphics/draw.h"
#include "graphics/textures.h"
#include "map/map.h"
#include "menus/menus.h"
#include "persist/profile.h"
#include "persist/settings.h"
#include "platform/gpu/gpu.h"
#include "platform/os/files.h"
#include "resources/files.h"
#include "resources/texts.h"
#include "ui/font.h"

#include <benchmark/benchmark.h>

#include <climits>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

bool setUp()
{
    if (!openBuiltDataSet()) return false;
    if (!loadFont("font", 1.0f, 1.0f)) return false;
    resetScreens();
    resetAudio();
    menus = MenusState{};
    resetDialogPort();
    resetMap();
    loadMap();
    if (!mapState.picturesLoaded) return false;
    resetProfiles();
    createProfile("Bench");
    setProfileMode(0);
    setProfileLevel(72);
    enterMap(-1, false);
    screens.menu.menuMode = MENU_MODE_MAP;
    app.frameMs = 16.0f;
    return true;
}

void BM_MapFrame(benchmark::State& state)
{
    if (!setUp()) {
        state.SkipWithError("no data set (build the dataset target) or no device");
        return;
    }
    measureScreenFrames(state, screens.menu, [] {
        clearRequests();
        if (mapState.ringTimer < 0.0f) mapState.ringTimer = RING_START_MS;  // keep the ring flying
    });
}
BENCHMARK(BM_MapFrame)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
