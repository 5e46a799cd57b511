#include "platform/sound/mixer.h"

#include <cmath>
#include <cstring>

#include <libopenmpt/libopenmpt.h>

namespace {

constexpr uint32_t VOICE_BITS = 8;  // channel handle = serial << 8 | (voice index + 1)
constexpr uint32_t VOICE_MASK = (1u << VOICE_BITS) - 1u;

// Adds one voice's frame i at source position pos (idx = whole part, frac = fraction); the frame
// after the last one is silence, so a sample ends without a click.
// The gain already holds the 1 / 32768 that turns 16-bit values into levels.
template <int CHANNELS>
inline void addFrame(const int16_t* __restrict pcm, int64_t idx, bool hasNext, float frac, float gain, float* __restrict o)
{
    if (CHANNELS == 1) {
        float a = pcm[idx];
        float b = hasNext ? pcm[idx + 1] : 0.0f;
        float x = (a + (b - a) * frac) * gain;
        o[0] += x;
        o[1] += x;
    } else {
        const int16_t* p = pcm + 2 * idx;
        float l = p[0], r = p[1];
        float bl = hasNext ? p[2] : 0.0f;
        float br = hasNext ? p[3] : 0.0f;
        o[0] += (l + (bl - l) * frac) * gain;
        o[1] += (r + (br - r) * frac) * gain;
    }
}

// Adds one voice's frames to out; returns false when the voice reached the end of its sample.
template <int CHANNELS>
bool mixVoice(MixerVoice& v, const MixerSample& s, float gain, float* __restrict out, int frames)
{
    const int16_t* pcm = s.pcm;
    const int64_t last = s.frames - 1;
    double pos = v.position;
    const double step = v.step;
    int i = 0;
    // The frames whose next source frame exists run without end checks, on a 32.32 fixed-point
    // position; one frame is left to the checked loop below to absorb rounding.
    double room = (static_cast<double>(last) - pos) / step;
    if (room > 1.0) {
        int64_t n = static_cast<int64_t>(std::ceil(room)) - 1;
        if (n > frames) n = frames;
        constexpr double ONE = 4294967296.0;
        uint64_t fp = static_cast<uint64_t>(pos * ONE);
        const uint64_t inc = static_cast<uint64_t>(step * ONE);
        for (; i < n; i++) {
            int64_t idx = static_cast<int64_t>(fp >> 32);
            float frac = static_cast<float>(static_cast<uint32_t>(fp) >> 8) * (1.0f / 16777216.0f);
            addFrame<CHANNELS>(pcm, idx, true, frac, gain, out + 2 * i);
            fp += inc;
        }
        pos = static_cast<double>(fp) / ONE;
    }
    for (; i < frames; i++) {
        int64_t idx = static_cast<int64_t>(pos);
        if (idx > last) {
            v.position = pos;
            return false;
        }
        addFrame<CHANNELS>(pcm, idx, idx < last, static_cast<float>(pos - static_cast<double>(idx)), gain, out + 2 * i);
        pos += step;
    }
    v.position = pos;
    return true;
}

void mixMusic(MixerState& m, float* out, int frames)
{
    auto* mod = static_cast<openmpt_module*>(m.music);
    float gain = m.musicVolume * m.globalMusic;
    int done = 0;
    while (done < frames) {
        int n = frames - done < SOUND_MIX_CHUNK ? frames - done : SOUND_MIX_CHUNK;
        size_t got = openmpt_module_read_interleaved_float_stereo(mod, SOUND_OUTPUT_RATE, n, m.scratch);
        if (got == 0) {
            m.musicPlaying = 0;  // the song ended (a module without a loop)
            return;
        }
        if (gain > 0.0f) {
            float* o = out + 2 * done;
            for (size_t i = 0; i < 2 * got; i++) o[i] += m.scratch[i] * gain;
        }
        done += static_cast<int>(got);
    }
}

} // namespace

void resetMixer(MixerState& m)
{
    std::memset(&m, 0, sizeof m);
    for (MixerVoice& v : m.voices) v.sample = -1;
    m.nextSerial = 1;
    m.musicVolume = 1.0f;
    m.globalMusic = 1.0f;
    m.globalSfx = 1.0f;
}

uint32_t mixerStartVoice(MixerState& m, int sample, int rate, float volume)
{
    if (sample < 0 || sample >= SOUND_MAX_SAMPLES || rate <= 0) return 0;
    const MixerSample& s = m.samples[sample];
    if (!s.pcm || s.frames <= 0) return 0;
    for (int i = 0; i < SOUND_MAX_VOICES; i++) {
        MixerVoice& v = m.voices[i];
        if (v.sample >= 0) continue;
        uint32_t serial = m.nextSerial++ & (0xFFFFFFFFu >> VOICE_BITS);
        if (serial == 0) serial = m.nextSerial++ & (0xFFFFFFFFu >> VOICE_BITS);
        v.serial = serial;
        v.position = 0.0;
        v.step = static_cast<double>(rate) / SOUND_OUTPUT_RATE;
        v.volume = volume < 0.0f ? 0.0f : (volume > 1.0f ? 1.0f : volume);
        v.sample = sample;  // last: the voice is live from here on
        return serial << VOICE_BITS | static_cast<uint32_t>(i + 1);
    }
    return 0;
}

int mixerVoiceActive(const MixerState& m, uint32_t channel)
{
    uint32_t index = channel & VOICE_MASK;
    if (index == 0 || index > static_cast<uint32_t>(SOUND_MAX_VOICES)) return 0;
    const MixerVoice& v = m.voices[index - 1];
    return v.sample >= 0 && v.serial == channel >> VOICE_BITS ? 1 : 0;
}

void mixerStopSample(MixerState& m, int sample)
{
    for (MixerVoice& v : m.voices)
        if (v.sample == sample) v.sample = -1;
}

int16_t mixerSampleFromFloat(float x)
{
    if (!(x == x)) return 0;
    float v = std::nearbyint(x * SOUND_SAMPLE_SCALE);
    if (v >= 32767.0f) return 32767;
    if (v <= -32768.0f) return -32768;
    return static_cast<int16_t>(v);
}

float softClip(float x)
{
    float a = std::fabs(x);
    if (a <= SOUND_SOFT_KNEE) return x;
    const float room = 1.0f - SOUND_SOFT_KNEE;
    float y = SOUND_SOFT_KNEE + room * std::tanh((a - SOUND_SOFT_KNEE) / room);
    return x < 0.0f ? -y : y;
}

void mixAudio(MixerState& m, float* out, int frames)
{
    if (frames <= 0) return;
    std::memset(out, 0, sizeof(float) * 2 * static_cast<size_t>(frames));
    if (m.paused) return;
    for (MixerVoice& v : m.voices) {
        if (v.sample < 0) continue;
        const MixerSample& s = m.samples[v.sample];
        if (!s.pcm) {
            v.sample = -1;
            continue;
        }
        float gain = v.volume * m.globalSfx * (1.0f / SOUND_SAMPLE_SCALE);
        bool more = s.channels == 2 ? mixVoice<2>(v, s, gain, out, frames) : mixVoice<1>(v, s, gain, out, frames);
        if (!more) v.sample = -1;
    }
    if (m.music && m.musicPlaying) mixMusic(m, out, frames);
    for (int i = 0; i < 2 * frames; i++) {
        float x = out[i];
        if (x > SOUND_SOFT_KNEE || x < -SOUND_SOFT_KNEE) out[i] = softClip(x);
    }
}
