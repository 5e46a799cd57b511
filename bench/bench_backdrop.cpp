// A busy backdrop frame on the headless device: the waterfall land of the default data set with
// its sky strip, falling sheet, pool, leaves and a full spray ring, plus a decoration (the
// lantern, as a second-pass composite) and a windmill with turning sails. Measures the CPU cost
// of drawBackdrop per frame and counts what the device was asked to do.
//
//   ./bench/bench_backdrop      (run from the build folder: it reads ./Data)
//
// Counters: drawCalls = draw calls the device executed per frame (consecutive draws sharing
// every state are merged); submitted = draws issued; objects = placed objects drawn; spray =
// live spray sprites.
#include "core/appstate.h"
#include "core/dialogport.h"
#include "effects/backdrops.h"
#include "effects/mesh.h"
#include "graphics/device.h"
#include "graphics/draw.h"
#include "graphics/textures.h"
#include "menus/menus.h"
#include "persist/settings.h"
#include "platform/gpu/gpu.h"
#include "platform/os/files.h"
#include "resources/files.h"

#include <benchmark/benchmark.h>
#include "dataset.h"

#include <cstring>
#include <string>

namespace {

bool start()
{
    resetBackdrop();
    resetMeshes();
    resetFiles();
    menus = MenusState{};
    resetDialogPort();
    if (!openBuiltDataSet()) return false;
    setProjectionForClient();
    begin2D();
    loadBackdropCatalogue();
    return backdrop.catalogueCount > 0;
}

// Adds a placed object of the catalogue to the current scene.
void place(const char* name, float left, float top, float right, float bottom)
{
    int object = findCatalogueObject(name);
    if (object < 0 || backdrop.objectCount >= SCENE_CAPACITY) return;
    if (std::strstr(backdrop.catalogue[object].file, ".cgo") && !backdrop.catalogue[object].composite) return;
    PlacedObject& o = backdrop.objects[backdrop.objectCount++];
    o = PlacedObject{};
    o.object = object;
    o.rect.set(left, top, right, bottom);
    o.rule = backdropRule(name);
    o.colour = Color(255, 255, 255, 255);
}

void frame(float ms)
{
    app.frameMs = ms;
    drawBackdrop(false);
    app.globalTimeMs += ms;
}

void BM_BusyBackdropFrame(benchmark::State& state)
{
    if (!start()) {
        state.SkipWithError("no headless device or no built data set");
        return;
    }
    setBackdrop(4);
    frame(0.0f);
    place("lantern", 100, -150, 140, -210);
    place("windmill", 200, 0, 320, -140);
    // a large spray patch fills the ring
    place("spray_foam", -400, -200, 400, -300);
    for (int i = 0; i < 300; ++i) frame(16.0f);
    gpuResetStats();
    int64_t frames = 0;
    for (auto _ : state) {
        frame(16.0f);
        ++frames;
    }
    GpuStats stats = gpuStats();
    int spray = 0;
    for (const SpraySprite& s : backdrop.spray) spray += s.life > 0.0f ? 1 : 0;
    state.counters["drawCalls"] = frames ? double(stats.drawCalls) / double(frames) : 0.0;
    state.counters["submitted"] = frames ? double(stats.submittedDraws) / double(frames) : 0.0;
    state.counters["objects"] = backdrop.lastDrawnObjects;
    state.counters["spray"] = spray;
    resetBackdrop();
    resetMeshes();
}
BENCHMARK(BM_BusyBackdropFrame)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
