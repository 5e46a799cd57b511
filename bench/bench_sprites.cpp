// CPU cost of submitting one frame of 2,000 sprites, and the number of draw calls it takes, on
// the headless device and on the OpenGL device (offscreen), with consecutive quads that share
// every state merged into one draw call (batched) and with one draw call per quad (single).
// The argument is the number of textures the sprites use, in runs (as a board draws its figures
// colour by colour).
//
//   SDL_VIDEODRIVER=offscreen ./bench/bench_sprites
//
// Counters: drawCalls = draw calls per frame; sprites/s = submitted sprites per second.
#include "core/appstate.h"
#include "graphics/device.h"
#include "graphics/draw.h"
#include "graphics/textures.h"
#include "persist/settings.h"
#include "platform/gpu/gpu.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int SPRITES = 2000;

struct BenchDevice {
    void* window = nullptr;
    Texture* textures[8] = {};
};

BenchDevice bench;

bool startDevice(bool gl)
{
    releaseAllTextures();
    resetDeviceState();
    resetPersist();
    if (gl) {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        if (!bench.window) bench.window = gpuCreateHiddenWindow(800, 600);
        if (!bench.window || !createDevice(bench.window)) return false;
    } else if (!createDevice(nullptr)) {
        return false;
    }
    for (int t = 0; t < 8; ++t) {
        char name[16];
        std::snprintf(name, sizeof name, "figure%d", t);
        bench.textures[t] = createTexture(name, 64, 64, GpuFormat::A8R8G8B8, false);
        int pitch = 0;
        uint32_t* px = static_cast<uint32_t*>(gpuLockTexture(bench.textures[t]->texture, &pitch));
        for (int i = 0; i < 64 * 64; ++i) px[i] = 0xFF000000u | uint32_t(t * 30 << 16) | uint32_t(i & 255);
        gpuUnlockTexture(bench.textures[t]->texture);
    }
    return true;
}

void submitFrame(int textures)
{
    clearColor(0xFF000000);
    beginScene();
    begin2D();
    Rect uv;
    uv.set(0, 0, 1, 1);
    for (int i = 0; i < SPRITES; ++i) {
        if (i % (SPRITES / textures) == 0) setTexture(bench.textures[i * textures / SPRITES]);
        float x = float(i % 50) * 16.0f - 392.0f, y = float(i / 50) * 15.0f - 292.0f;
        drawSprite(x, y, x, y, float(i % 360), 48.0f, 48.0f, uv, Color(255, 255, 255, 220));
    }
    endScene();
}

void runFrames(benchmark::State& state, bool gl, bool batching)
{
    if (!startDevice(gl)) {
        state.SkipWithError("no OpenGL device (run with SDL_VIDEODRIVER=offscreen)");
        return;
    }
    gpuSetBatching(batching);
    int textures = int(state.range(0));
    submitFrame(textures);
    gpuResetStats();
    for (auto _ : state) {
        submitFrame(textures);
        app.triangleCount = 0;
    }
    GpuStats s = gpuStats();
    state.counters["drawCalls"] = benchmark::Counter(double(s.drawCalls) / double(state.iterations()));
    state.counters["sprites/s"] = benchmark::Counter(double(SPRITES), benchmark::Counter::kIsIterationInvariantRate);
    if (gl) presentFrame();  // lets the rasteriser finish before the next run measures
    releaseAllTextures();
    resetDeviceState();
}

void BM_SpritesHeadless(benchmark::State& state) { runFrames(state, false, false); }
void BM_SpritesGlBatched(benchmark::State& state) { runFrames(state, true, true); }
void BM_SpritesGlSingle(benchmark::State& state) { runFrames(state, true, false); }

}  // namespace

BENCHMARK(BM_SpritesHeadless)->Arg(1)->Arg(8)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SpritesGlBatched)->Arg(1)->Arg(8)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SpritesGlSingle)->Arg(1)->Arg(8)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
