// Fuzz target: opening a music module from memory (any format the module library reads), then
// starting it at a few order positions and mixing a little of each.
#include "platform/sound/decode.h"
#include "platform/sound/mixer.h"

#include <libopenmpt/libopenmpt.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace {
MixerState mixer;
float out[2 * 512];
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20)) return 0;
    std::vector<uint8_t> buffer(data, data + size);
    void* mod = openModule(buffer.data(), static_cast<int32_t>(buffer.size()));
    if (!mod) return 0;
    resetMixer(mixer);
    mixer.music = mod;
    int orders = moduleOrderCount(mod);
    for (int order : {0, orders / 2, orders - 1}) {
        if (order < 0 || order >= orders) continue;
        openmpt_module_set_position_order_row(static_cast<openmpt_module*>(mod), order, 0);
        mixer.musicPlaying = 1;
        for (int i = 0; i < 8; i++) mixAudio(mixer, out, 512);
        for (float x : out)
            if (!(std::fabs(x) <= 1.0f)) __builtin_trap();  // the soft clip bounds every sample
    }
    closeModule(mod);
    return 0;
}
