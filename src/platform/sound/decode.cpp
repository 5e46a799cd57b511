#include "platform/sound/decode.h"

#include "platform/sound/mixer.h"

#include <cstdlib>
#include <cstring>

#include <libopenmpt/libopenmpt.h>
#include <vorbis/vorbisfile.h>

namespace {

struct MemoryReader {
    const uint8_t* bytes;
    size_t size;
    size_t pos;
};

size_t readMemory(void* dst, size_t size, size_t count, void* source)
{
    auto* r = static_cast<MemoryReader*>(source);
    if (size == 0) return 0;
    size_t want = size * count;
    size_t left = r->size - r->pos;
    if (want > left) want = left - left % size;
    std::memcpy(dst, r->bytes + r->pos, want);
    r->pos += want;
    return want / size;
}

} // namespace

bool decodeOggVorbis(const uint8_t* bytes, int32_t size, DecodedSample* out)
{
    if (!out) return false;
    *out = DecodedSample{};
    if (!bytes || size <= 0) return false;
    MemoryReader reader{bytes, static_cast<size_t>(size), 0};
    // Read as a stream, without seeking: the seeking open of libvorbisfile 1.3.7 leaks on some
    // damaged chained files, and a stream gives the same samples.
    ov_callbacks callbacks{readMemory, nullptr, nullptr, nullptr};
    OggVorbis_File vf;
    if (ov_open_callbacks(&reader, &vf, nullptr, 0, callbacks) != 0) return false;
    vorbis_info* info = ov_info(&vf, -1);
    if (!info || info->channels < 1 || info->channels > 2 || info->rate <= 0) {
        ov_clear(&vf);
        return false;
    }
    const int channels = info->channels;
    const int32_t rate = static_cast<int32_t>(info->rate);
    // A stream announces no length: the buffer grows as frames arrive and never beyond the cap.
    int32_t capacity = 4096;
    auto* pcm = static_cast<int16_t*>(std::malloc(sizeof(int16_t) * channels * static_cast<size_t>(capacity)));
    if (!pcm) {
        ov_clear(&vf);
        return false;
    }
    int32_t frames = 0;
    int section = 0;
    int failures = 0;
    while (frames < SOUND_MAX_SAMPLE_FRAMES) {
        float** planes = nullptr;
        long got = ov_read_float(&vf, &planes, 4096, &section);
        if (got == 0) break;
        if (got < 0) {
            // A hole in the data: libvorbisfile resynchronises; give up after repeated damage.
            if (++failures > 16) break;
            continue;
        }
        // A chained stream may change its layout part-way: stop at such a link.
        vorbis_info* now = ov_info(&vf, -1);
        if (!now || now->channels != channels) break;
        if (got > SOUND_MAX_SAMPLE_FRAMES - frames) got = SOUND_MAX_SAMPLE_FRAMES - frames;
        if (frames + got > capacity) {
            int64_t grown = static_cast<int64_t>(capacity) * 2;
            if (grown < frames + got) grown = frames + got;
            if (grown > SOUND_MAX_SAMPLE_FRAMES) grown = SOUND_MAX_SAMPLE_FRAMES;
            auto* bigger = static_cast<int16_t*>(std::realloc(pcm, sizeof(int16_t) * channels * static_cast<size_t>(grown)));
            if (!bigger) break;
            pcm = bigger;
            capacity = static_cast<int32_t>(grown);
        }
        for (long i = 0; i < got; i++)
            for (int c = 0; c < channels; c++)  // NaN and levels past full scale are clamped
                pcm[(static_cast<size_t>(frames) + i) * channels + c] = mixerSampleFromFloat(planes[c][i]);
        frames += static_cast<int32_t>(got);
    }
    ov_clear(&vf);
    if (frames == 0) {
        std::free(pcm);
        return false;
    }
    // The buffer grew by doubling: give back what the sound does not use.
    if (frames < capacity)
        if (auto* fitted = static_cast<int16_t*>(std::realloc(pcm, sizeof(int16_t) * channels * static_cast<size_t>(frames))))
            pcm = fitted;
    out->pcm = pcm;
    out->frames = frames;
    out->channels = channels;
    out->rate = rate;
    return true;
}

void freeDecodedSample(DecodedSample* s)
{
    if (!s) return;
    std::free(s->pcm);
    *s = DecodedSample{};
}

void* openModule(const uint8_t* bytes, int32_t size)
{
    if (!bytes || size <= 0) return nullptr;
    int error = 0;
    openmpt_module* mod = openmpt_module_create_from_memory2(bytes, static_cast<size_t>(size), openmpt_log_func_silent,
                                                             nullptr, openmpt_error_func_ignore, nullptr, &error,
                                                             nullptr, nullptr);
    if (!mod) return nullptr;
    openmpt_module_set_repeat_count(mod, -1);
    // Cubic interpolation: clean for soft instruments at a third less cost than the default
    // eight-tap filter (see docs/audio.md for the figures).
    openmpt_module_set_render_param(mod, OPENMPT_MODULE_RENDER_INTERPOLATIONFILTER_LENGTH, 4);
    return mod;
}

void closeModule(void* module)
{
    if (module) openmpt_module_destroy(static_cast<openmpt_module*>(module));
}

int moduleOrderCount(void* module)
{
    return module ? openmpt_module_get_num_orders(static_cast<openmpt_module*>(module)) : 0;
}
