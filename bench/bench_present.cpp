// CPU of a settled level's frames on the GL device (llvmpipe here), presented at the menus' and
// the settled game's idle rate (15 frames a second of game time): drawn whole as the draws arrive
// (damage tracking off, as every frame was before it) and drawn only where they differ from the
// last one; then, to a full-screen-sized window (a GL window, or one shown through its surface),
// copied whole or only where they changed. Level 1 of the default data set: the meadow's clouds, swinging twigs and grass, the
// candle, the HUD and a settled board with no pointer over it.
//
//   ./bench/bench_present --benchmark_repetitions=3      (from the build folder)
//
// The time is the process's CPU (the rasteriser's threads included) per frame; the counter
// redrawnPixels is the back-buffer pixels drawn per frame (480,000 for a whole frame), drawCalls
// the GL calls the frame's draws were batched into.
#include "core/appstate.h"
#include "core/random.h"
#include "app/route.h"
#include "app/screens.h"
#include "level_setup.h"
#include "audio/audio.h"
#include "effects/backdrops.h"
#include "game/board.h"
#include "game/boardrender.h"
#include "game/gameflow.h"
#include "game/level.h"
#include "game/outcome.h"
#include "game/playstate.h"
#include "graphics/device.h"
#include "menus/menus.h"
#include "persist/profile.h"
#include "platform/gpu/gpu.h"

#include <string>

#include <benchmark/benchmark.h>

namespace {

// Hidden windows of the picture's size and of a 1024 x 768 full screen (the copy scales), and
// a 1024 x 768 window without OpenGL, shown through its surface (as in software rendering).
void* windows[3] = {nullptr, nullptr, nullptr};

bool setUp(int which = 0)
{
    void*& window = windows[which];
    if (!window)
        window = which == 2 ? gpuCreateHiddenSurfaceWindow(1024, 768)
                 : which   ? gpuCreateHiddenWindow(1024, 768)
                           : gpuCreateHiddenWindow(800, 600);
    if (!window || !openDataSetForALevel(window) || gpuIsHeadless()) return false;
    resetBackdrop();
    loadBackdropCatalogue();
    app.mouseX = 0;  // over the left panel's top: nothing hovered
    app.mouseY = 0;
    srand15(99);
    for (int i = 0; i < TIP_FLAG_COUNT; i++) markTipShown(i);
    return newGame(ModeAdventure);
}

void frame()
{
    app.frameMs = 1000.0f / 15.0f;
    app.globalTimeMs += static_cast<uint32_t>(app.frameMs);
    clearDepth(1.0f);
    clearColor(0xFF000000);
    beginScene();
    screens.game.render();
    endScene();
    presentFrame();
}

// Lets the board fade in and come to rest, then times frames with fresh counters; the number
// timed.
long settleAndTime(benchmark::State& state)
{
    for (int i = 0; i < 60; i++) frame();
    gpuResetStats();
    long frames = 0;
    for (auto _ : state) {
        frame();
        frames++;
    }
    return frames;
}

void countersPerFrame(benchmark::State& state, long frames)
{
    if (frames <= 0) return;
    GpuStats s = gpuStats();
    auto perFrame = [&](int64_t v) { return static_cast<double>(v) / static_cast<double>(frames); };
    state.counters["redrawnPixels"] = perFrame(s.redrawnPixels);
    state.counters["coveredPixels"] = perFrame(s.coveredPixels);
    state.counters["cachedPixels"] = perFrame(s.cachedPixels);
    state.counters["drawCalls"] = perFrame(s.drawCalls);
}

// tracking 0: every frame drawn whole; 1: drawn where it changed, every layer; 2: drawn where it
// changed from the still cache (the default).
void BM_SettledLevelFrame(benchmark::State& state)
{
    if (!setUp()) {
        state.SkipWithError("no data set (build the dataset target) or no GL device");
        return;
    }
    gpuSetDamageTracking(state.range(0) != 0);
    gpuSetStillCache(state.range(0) == 2);
    countersPerFrame(state, settleAndTime(state));
    gpuSetDamageTracking(true);
    gpuSetStillCache(true);
}
BENCHMARK(BM_SettledLevelFrame)->ArgName("tracking")->Arg(0)->Arg(1)->Arg(2)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);

// The main menu at rest over the front end's backdrop (the frame's corner flares turning, the
// focused button glowing), 15 frames a second, drawn where it changed with every layer (cache 0)
// or from the still cache (1).
void BM_SettledMenuFrame(benchmark::State& state)
{
    if (!setUp()) {
        state.SkipWithError("no data set (build the dataset target) or no GL device");
        return;
    }
    std::string textDir = std::string(app.dataDir) + "txt/2/";
    loadMenus(textDir.c_str());
    loadMenuPictures();
    createProfile("ANNA");
    screens.currentScreen = &screens.menu;
    setBackdrop(FRONT_END_BACKDROP);
    openDialog("main");
    gpuSetStillCache(state.range(0) != 0);
    auto menuFrame = [] {
        app.frameMs = 1000.0f / 15.0f;
        app.globalTimeMs += static_cast<uint32_t>(app.frameMs);
        clearDepth(1.0f);
        clearColor(0xFF000000);
        beginScene();
        screens.menu.render();
        screens.menu.update();
        endScene();
        presentFrame();
    };
    for (int i = 0; i < 60; i++) menuFrame();
    gpuResetStats();
    long frames = 0;
    for (auto _ : state) {
        menuFrame();
        frames++;
    }
    countersPerFrame(state, frames);
    gpuSetStillCache(true);
}
BENCHMARK(BM_SettledMenuFrame)->ArgName("cache")->Arg(0)->Arg(1)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);

// The same frames, drawn where they changed, presented to a 1024 x 768 window that keeps its
// pixels (as an EGL window with preserved swaps does; the hidden window is a pbuffer, which keeps
// them without saying so): the whole frame copied, scaled, at every present, or only the
// rectangles that changed.
void BM_SettledLevelFrameToAFullScreenWindow(benchmark::State& state)
{
    if (!setUp(1)) {
        state.SkipWithError("no data set (build the dataset target) or no GL device");
        return;
    }
    gpuAssumeWindowKeepsFrame();
    gpuSetPartialPresents(state.range(0) != 0);
    long frames = settleAndTime(state);
    if (frames > 0) state.counters["partialPresents"] = static_cast<double>(gpuStats().partialPresents) / static_cast<double>(frames);
    gpuSetPartialPresents(true);
}
BENCHMARK(BM_SettledLevelFrameToAFullScreenWindow)->ArgName("partial")->Arg(0)->Arg(1)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);

// The same frames presented to a 1024 x 768 window through its surface: drawn into a
// framebuffer object of the window's size, read back and handed to SDL, the whole frame at
// every present or only the rectangles that changed. (On X11 SDL then sends those rectangles
// to the X server; SDL's offscreen driver only keeps them.)
void BM_SettledLevelFrameToAFullScreenSurface(benchmark::State& state)
{
    if (!setUp(2)) {
        state.SkipWithError("no data set (build the dataset target), no GL device or no window surface");
        return;
    }
    gpuSetPartialPresents(state.range(0) != 0);
    long frames = settleAndTime(state);
    if (frames > 0) state.counters["partialPresents"] = static_cast<double>(gpuStats().partialPresents) / static_cast<double>(frames);
    gpuSetPartialPresents(true);
}
BENCHMARK(BM_SettledLevelFrameToAFullScreenSurface)->ArgName("partial")->Arg(0)->Arg(1)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
