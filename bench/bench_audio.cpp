// Cost of the sound: the mixer producing 1024 frames (23 ms of sound) with 16 or 64 voices at
// varied rates, with and without the music of the default data set; and the game side's
// updateAudio for one frame. "realtime" is seconds of sound made per second of processor time:
// the mixer's share of one core is its inverse.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "audio/audio.h"
#include "core/appstate.h"
#include "platform/os/files.h"
#include "platform/sound/decode.h"
#include "platform/sound/mixer.h"

namespace {

constexpr int FRAMES = 1024;

struct MixerBench {
    MixerState mixer;
    std::vector<int16_t> sample;
    std::vector<uint8_t> moduleBytes;
    std::vector<float> out = std::vector<float>(2 * FRAMES);
};

MixerBench& bench()
{
    static MixerBench b;
    return b;
}

// A two-second mono tone: voices stay busy for many iterations and restart when they end.
void setUp(int voices, bool music)
{
    MixerBench& b = bench();
    resetMixer(b.mixer);
    if (b.sample.empty()) {
        b.sample.resize(88200);
        for (size_t i = 0; i < b.sample.size(); i++) b.sample[i] = mixerSampleFromFloat(0.2f * std::sin(static_cast<float>(i) * 0.05f));
    }
    b.mixer.samples[0] = {b.sample.data(), static_cast<int32_t>(b.sample.size()), 1};
    b.mixer.globalSfx = 0.8f;
    for (int i = 0; i < voices; i++) mixerStartVoice(b.mixer, 0, 24050 + 2000 * (i % 12), 1.0f);
    if (music) {
        if (b.moduleBytes.empty()) {
            int32_t size = 0;
            uint8_t* bytes = osReadFile(OSTRIMAR_BINARY_DIR "/Data/music.mo3", &size);
            if (bytes) b.moduleBytes.assign(bytes, bytes + size);
            std::free(bytes);
        }
        b.mixer.music = openModule(b.moduleBytes.data(), static_cast<int32_t>(b.moduleBytes.size()));
        b.mixer.musicPlaying = b.mixer.music ? 1 : 0;
    }
}

void mixBenchmark(benchmark::State& state)
{
    int voices = static_cast<int>(state.range(0));
    bool music = state.range(1) != 0;
    setUp(voices, music);
    MixerBench& b = bench();
    if (music && !b.mixer.music) {
        state.SkipWithError("no Data/music.mo3: build the data set first");
        return;
    }
    for (auto _ : state) {
        mixAudio(b.mixer, b.out.data(), FRAMES);
        benchmark::DoNotOptimize(b.out.data());
        for (int i = 0; i < SOUND_MAX_VOICES && voices > 0; i++) {
            if (b.mixer.voices[i].sample < 0 && i < voices) mixerStartVoice(b.mixer, 0, 24050 + 2000 * (i % 12), 1.0f);
        }
    }
    state.counters["realtime"] =
        benchmark::Counter(static_cast<double>(FRAMES) / SOUND_OUTPUT_RATE, benchmark::Counter::kIsIterationInvariantRate);
    closeModule(b.mixer.music);
    b.mixer.music = nullptr;
}

void BM_Mixer(benchmark::State& state) { mixBenchmark(state); }
BENCHMARK(BM_Mixer)->ArgNames({"voices", "music"})->Args({16, 0})->Args({64, 0})->Args({0, 1})->Args({16, 1})->Args({64, 1});

// One frame of the game side: 256 rows, a handful of new requests (as a cleared group asks),
// the ring's 256 slots polled, a fade running. No device: the cost is the module's own.
void BM_UpdateAudioFrame(benchmark::State& state)
{
    resetAppState();
    resetAudio();
    app.frameMs = 16.0f;
    char name[32];
    for (int i = 0; i < SAMPLE_TABLE_SIZE; i++) {
        std::snprintf(name, sizeof name, "sound%03d.ogg", i);
        registerSample(name, static_cast<uint32_t>(i + 1));
    }
    int frame = 0;
    for (auto _ : state) {
        for (int k = 0; k < 6; k++) {
            std::snprintf(name, sizeof name, "sound%03d.ogg", (frame * 7 + k * 31) % SAMPLE_TABLE_SIZE);
            playSound(name);
        }
        if (frame % 100 == 0) requestMusic(frame / 100 % 7);
        updateAudio();
        frame++;
    }
}
BENCHMARK(BM_UpdateAudioFrame);

} // namespace

BENCHMARK_MAIN();
