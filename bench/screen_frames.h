// Measures whole frames of one screen on the headless device: CPU time per frame, with the draw
// calls and triangles it submitted as counters. `beforeFrame` runs untimed before each frame.
#pragma once

#include <benchmark/benchmark.h>

#include "app/screens.h"
#include "core/appstate.h"
#include "graphics/device.h"
#include "platform/gpu/gpu.h"

template <class BeforeFrame>
void measureScreenFrames(benchmark::State& state, Screen& screen, BeforeFrame beforeFrame)
{
    long draws = 0, triangles = 0, frames = 0;
    for (auto _ : state) {
        state.PauseTiming();
        beforeFrame();
        gpuResetStats();
        app.triangleCount = 0;
        state.ResumeTiming();
        clearColor(0xFF000000);
        beginScene();
        screen.render();
        endScene();
        state.PauseTiming();
        draws += gpuStats().submittedDraws;
        triangles += app.triangleCount;
        frames++;
        state.ResumeTiming();
    }
    if (frames > 0) {
        state.counters["drawCalls"] = static_cast<double>(draws) / static_cast<double>(frames);
        state.counters["triangles"] = static_cast<double>(triangles) / static_cast<double>(frames);
    }
}
