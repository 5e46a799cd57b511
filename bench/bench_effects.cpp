// CPU cost of one frame of particles: updating them (emitters, motion, colour and size) and
// submitting their sprites to the headless device, and the draw calls that takes.
//
//   ./bench/bench_effects
//
// The argument is the number of particles asked for. The particle ring holds 1,024, so asking for
// 5,000 keeps 1,024 alive; each is then drawn four times (draw symmetry 4) so the frame still
// submits 4,096 sprites, a full queue. Sparks (additive) fill the left of the screen and smoke
// (alpha blend) the right, their particles interleaved in the ring as effects started in turn
// leave them; "Overlapping" puts both over the whole screen. The particles live long and stand
// still (their sizes and colours still change every frame), so every iteration draws the same
// picture; each has a polar offset and the sparks turn, so no part of the update is skipped.
//
// Counters: drawCalls = draw calls per frame; sprites = sprites per frame; particles = live particles.
#include "core/appstate.h"
#include "effects/effects.h"
#include "graphics/device.h"
#include "graphics/draw.h"
#include "graphics/textures.h"
#include "persist/settings.h"
#include "platform/gpu/gpu.h"

#include <benchmark/benchmark.h>

namespace {

bool startHeadless()
{
    releaseAllTextures();
    resetDeviceState();
    resetPersist();
    resetEffects();
    if (!createDevice(nullptr)) return false;
    // An 8 x 8 cell atlas: only its size matters to the cost.
    effects.atlas = createTexture("exploanim.tga", 512, 512, GpuFormat::A8R8G8B8, false);
    effects.atlasCols = 8;
    effects.atlasRows = 8;
    return effects.atlas != nullptr;
}

void fill(int wanted, bool overlapping)
{
    int symmetry = wanted > PARTICLE_RING_SIZE ? 4 : 0;
    char sparks[256], smoke[256];
    std::snprintf(sparks, sizeof sparks,
                  "effecttime=0\rparfrequency=1\rpartime=1e7\rradius0=12\rradius1=4\r"
                  "positiondev=(%d,280,0)\rsimetriapar=%d\rpolarpar=(6,0,0,0)\rpolarpardev=(0,0,180,0)\rrot=0\rdrot=0.001\r",
                  overlapping ? 380 : 180, symmetry);
    std::snprintf(smoke, sizeof smoke,
                  "effecttime=0\rparfrequency=1\rpartime=1e7\rblendtype=1\rnumparticle=8\r"
                  "radius0=16\rradius1=30\rpositiondev=(%d,280,0)\rsimetriapar=%d\rpolarpar=(6,0,0,0)\rpolarpardev=(0,0,180,0)\r",
                  overlapping ? 380 : 180, symmetry);
    addEffect("sparks", sparks);
    addEffect("smoke", smoke);
    seedEffectRandom(7);
    for (int i = 0; i < wanted; i++) {
        bool spark = i % 5 != 0;  // four sparks to one puff of smoke
        float x = overlapping ? 0.0f : (spark ? -200.0f : 200.0f);
        startEffect(spark ? "sparks" : "smoke", x, 0.0f, x, 0.0f, 1.0f, -1);
    }
}

void runFrames(benchmark::State& state, bool overlapping, bool submit = true)
{
    if (!startHeadless()) {
        state.SkipWithError("no headless device");
        return;
    }
    fill(int(state.range(0)), overlapping);
    begin2D();
    int drawCalls = 0, sprites = 0;
    for (auto _ : state) {
        updateEffects(16.0f);
        if (submit)
            drawEffectQueue();
        else
            effects.queueCount = 0;
        drawCalls = effects.lastDrawCalls;
        sprites = effects.lastDrawnSprites;
        app.triangleCount = 0;
    }
    state.counters["drawCalls"] = drawCalls;
    state.counters["sprites"] = sprites;
    state.counters["particles"] = liveParticles();
    resetEffects();
    releaseAllTextures();
    resetDeviceState();
}

void BM_EffectsFrame(benchmark::State& state) { runFrames(state, false); }
void BM_EffectsFrameOverlapping(benchmark::State& state) { runFrames(state, true); }
// The update alone (the sprites are queued but not submitted).
void BM_EffectsUpdateOnly(benchmark::State& state) { runFrames(state, false, false); }

}  // namespace

BENCHMARK(BM_EffectsFrame)->Arg(1000)->Arg(5000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EffectsFrameOverlapping)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EffectsUpdateOnly)->Arg(1000)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
