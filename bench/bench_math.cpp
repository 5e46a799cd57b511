// The table square root against the library one, and the per-figure vector work built on it.
#include "core/math.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {

std::vector<float> inputs()
{
    std::vector<float> v(4096);
    for (size_t i = 0; i < v.size(); i++) v[i] = 0.001f + static_cast<float>(i) * 37.25f;
    return v;
}

void BM_FastSqrt(benchmark::State& state)
{
    std::vector<float> v = inputs();
    buildSqrtTable();
    for (auto _ : state) {
        float sum = 0.0f;
        for (float x : v) sum += fastSqrt(x);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(v.size()));
}
BENCHMARK(BM_FastSqrt);

void BM_StdSqrt(benchmark::State& state)
{
    std::vector<float> v = inputs();
    for (auto _ : state) {
        float sum = 0.0f;
        for (float x : v) sum += std::sqrt(x);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(v.size()));
}
BENCHMARK(BM_StdSqrt);

// 1024 particles' worth of normalisations (the particle ring's size).
void BM_Vec2Normalize(benchmark::State& state)
{
    std::vector<Vec2> v(1024);
    for (size_t i = 0; i < v.size(); i++) v[i] = Vec2{static_cast<float>(i) + 1.0f, static_cast<float>(i % 7) - 3.0f};
    for (auto _ : state) {
        for (Vec2& p : v) {
            Vec2 n = p;
            n.normalize();
            benchmark::DoNotOptimize(n);
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 1024);
}
BENCHMARK(BM_Vec2Normalize);

// The sprite culling test of 4096 queued sprites against the menu camera.
void BM_FrustumSphere(benchmark::State& state)
{
    Matrix view;
    view.preTranslate(0, 0, 120);
    Frustum f;
    f.rebuild(view, Matrix::ortho(800.0f, 600.0f, 1.0f, 500.0f));
    for (auto _ : state) {
        int inside = 0;
        for (int i = 0; i < 4096; i++)
            inside += f.containsSphere(static_cast<float>(i % 1000) - 500.0f, static_cast<float>(i % 700) - 350.0f, 0.0f, 16.0f);
        benchmark::DoNotOptimize(inside);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 4096);
}
BENCHMARK(BM_FrustumSphere);

}  // namespace

BENCHMARK_MAIN();
