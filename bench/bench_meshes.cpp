// The 3-D decorations of the default data set: the CPU cost of reading and building the four
// (lantern, crystal, windmill, boat: their meshes and textures) and of drawing all four once,
// with culling, on the headless device.
//
//   ./bench/bench_meshes        (run from the build folder: it reads ./Data/AnimBacks)
//
// Counters: drawCalls = draw calls per frame; triangles = triangles per frame; meshes = meshes read.
#include "core/appstate.h"
#include "effects/mesh.h"
#include "graphics/device.h"
#include "graphics/draw.h"
#include "graphics/textures.h"
#include "persist/settings.h"
#include "platform/gpu/gpu.h"
#include "platform/os/files.h"
#include "resources/files.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

const char* kNames[4] = {"lantern.cgo", "crystal.cgo", "windmill.cgo", "boat.cgo"};

bool start()
{
    resetMeshes();
    releaseAllTextures();
    resetDeviceState();
    resetPersist();
    resetFileTable();
    resetFiles();
    if (!createDevice(nullptr)) return false;
    return osSetCurrentDirectory((std::string(OSTRIMAR_BINARY_DIR) + "/Data/AnimBacks").c_str());
}

bool loadAll(CompositeObject* out[4])
{
    for (int i = 0; i < 4; ++i)
        if (!(out[i] = loadComposite(kNames[i]))) return false;
    return true;
}

void BM_LoadDecorations(benchmark::State& state)
{
    if (!start()) {
        state.SkipWithError("no headless device or no built data set");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        resetMeshes();
        releaseAllTextures();
        resetFileTable();
        state.ResumeTiming();
        CompositeObject* objects[4];
        if (!loadAll(objects)) {
            state.SkipWithError("a decoration did not load");
            return;
        }
        benchmark::DoNotOptimize(objects);
    }
    state.counters["meshes"] = meshState.meshCount;
}
BENCHMARK(BM_LoadDecorations)->Unit(benchmark::kMillisecond);

void BM_DrawDecorations(benchmark::State& state)
{
    CompositeObject* objects[4];
    if (!start() || !loadAll(objects)) {
        state.SkipWithError("no headless device or no built data set");
        return;
    }
    Matrix parents[4];
    for (int i = 0; i < 4; ++i) {
        parents[i].setDiagonal(120, 120, 120);
        parents[i].m[3][0] = i % 2 ? 200.0f : -200.0f;
        parents[i].m[3][1] = i / 2 ? -160.0f : 140.0f;
        parents[i].m[3][2] = 250.0f;
    }
    begin2D();
    setOrthoProjection(800.0f, 600.0f, 1.0f, 500.0f);
    float angle = 0.0f;
    gpuResetStats();
    app.triangleCount = 0;
    for (auto _ : state) {
        angle += 1.0f;
        setMeshExtraMatrix(objects[2], 1, spinAboutMeshOrigin(objects[2], 1, parents[2], angle));
        for (int i = 0; i < 4; ++i) drawComposite(objects[i], parents[i]);
    }
    double frames = double(state.iterations());
    state.counters["drawCalls"] = gpuStats().drawCalls / frames;
    state.counters["triangles"] = app.triangleCount / frames;
}
BENCHMARK(BM_DrawDecorations)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
