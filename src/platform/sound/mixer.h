#pragma once
// The software mixer behind the sound device: sample voices, each played at its own rate with
// linear interpolation, plus one tracker module rendered by libopenmpt, summed into interleaved
// stereo float frames at 44,100 Hz. mixAudio is a plain function of its state: the device
// callback calls it on the audio thread, tests and benchmarks call it directly. It never
// allocates, decodes or locks; whoever changes the state while a device runs holds the device's
// lock for the few instructions that takes (see sound.h).
#include <cstdint>

constexpr int SOUND_OUTPUT_RATE = 44100;
constexpr int SOUND_MAX_SAMPLES = 256;
constexpr int SOUND_MAX_VOICES = 255;
// Frames rendered from the module per step: the size of the mixer's scratch buffer.
constexpr int SOUND_MIX_CHUNK = 512;
// Above this level the output bends smoothly towards full scale instead of clipping hard.
constexpr float SOUND_SOFT_KNEE = 0.8f;

// Samples are held as signed 16-bit frames (half the memory of floats; the decoder's output is
// 16-bit precise anyway): value v stands for v / 32768.
constexpr float SOUND_SAMPLE_SCALE = 32768.0f;

// The 16-bit value of a sample level in -1..1: rounded to the nearest step, +1 kept at 32767,
// anything outside (or NaN, which becomes 0) clamped.
int16_t mixerSampleFromFloat(float x);

// A decoded sample as the mixer reads it: frames of 1 or 2 interleaved 16-bit channels.
struct MixerSample {
    const int16_t* pcm; // null: an empty row
    int32_t frames;
    int32_t channels;   // 1 or 2
};

struct MixerVoice {
    int32_t sample;     // row of MixerState::samples, -1 when the voice is free
    uint32_t serial;    // changes with every start, so stale channel handles answer "stopped"
    double position;    // in source frames
    double step;        // source frames per output frame: playback rate / 44100
    float volume;       // 0..1
};

struct MixerState {
    MixerSample samples[SOUND_MAX_SAMPLES];
    MixerVoice voices[SOUND_MAX_VOICES];
    uint32_t nextSerial;
    void* music;             // openmpt_module*, null when no module is loaded
    int32_t musicPlaying;    // 1 once a song was started
    float musicVolume;       // the module's own volume, 0..1
    float globalMusic;       // global music volume, 0..1
    float globalSfx;         // global effects volume, 0..1
    int32_t paused;          // 1: output is silence and nothing advances
    float scratch[SOUND_MIX_CHUNK * 2];
};

// Empties the state: no samples, no voices, no music, volumes 1, not paused.
void resetMixer(MixerState& m);

// Starts a voice of sample row `sample` at `rate` Hz (the sample's frames are played at that
// rate, whatever rate the file was made at) with volume 0..1. Returns the voice's channel
// handle (never 0), or 0 when the row is empty, the rate is not positive or all voices play.
uint32_t mixerStartVoice(MixerState& m, int sample, int rate, float volume);
// 1 while the voice that a channel handle names still plays, else 0.
int mixerVoiceActive(const MixerState& m, uint32_t channel);
// Stops every voice that plays sample row `sample` (before the row is replaced or freed).
void mixerStopSample(MixerState& m, int sample);

// Writes `frames` interleaved stereo frames to out (2 * frames floats).
void mixAudio(MixerState& m, float* out, int frames);

// The output curve: identity up to the knee, then a smooth bend that never passes full scale.
float softClip(float x);
