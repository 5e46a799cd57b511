// Fuzz target: decoding an Ogg Vorbis sound file from memory, then playing what decoded through
// the mixer at an odd rate to its end.
#include "platform/sound/decode.h"
#include "platform/sound/mixer.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace {
MixerState mixer;
float out[2 * 1024];
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20)) return 0;
    // An exact-size copy, so that any read past the end is caught by the address sanitizer.
    std::vector<uint8_t> buffer(data, data + size);
    DecodedSample d;
    if (!decodeOggVorbis(buffer.data(), static_cast<int32_t>(buffer.size()), &d)) {
        if (d.pcm || d.frames) __builtin_trap();
        return 0;
    }
    if (d.frames <= 0 || d.frames > SOUND_MAX_SAMPLE_FRAMES || (d.channels != 1 && d.channels != 2)) __builtin_trap();
    // Every frame must be readable (the address sanitizer checks the buffer's length).
    volatile int32_t sum = 0;
    for (int64_t i = 0; i < int64_t(d.frames) * d.channels; i++) sum = sum + d.pcm[i];
    resetMixer(mixer);
    mixer.samples[0] = {d.pcm, d.frames, d.channels};
    uint32_t ch = mixerStartVoice(mixer, 0, 96000, 1.0f);
    for (int i = 0; i < 64 && mixerVoiceActive(mixer, ch); i++) {
        mixAudio(mixer, out, 1024);
        for (float x : out)
            if (!std::isfinite(x) || std::fabs(x) > 1.0f) __builtin_trap();
    }
    freeDecodedSample(&d);
    return 0;
}
