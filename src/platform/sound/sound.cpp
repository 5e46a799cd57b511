#include "platform/sound/sound.h"

#include <SDL.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include <libopenmpt/libopenmpt.h>

#include "platform/sound/decode.h"

SoundState sound;

namespace {

constexpr uint32_t MUSIC_HANDLE_BASE = 0x40000000u;  // module handles never collide with samples
constexpr int DEVICE_BUFFER_FRAMES = 1024;           // about 23 ms per callback

void audioCallback(void*, Uint8* stream, int len)
{
    mixAudio(sound.mixer, reinterpret_cast<float*>(stream), len / static_cast<int>(2 * sizeof(float)));
}

// Runs f with the mixer locked against the audio thread (when a device runs).
template <typename F>
void withMixerLocked(F f)
{
    if (sound.device) SDL_LockAudioDevice(sound.device);
    f();
    if (sound.device) SDL_UnlockAudioDevice(sound.device);
}

// Starts SDL's audio with the driver SDL chooses (driver null) or the named one; 1 or 2 says
// which of the two ways to undo it, 0 that it failed.
int startAudioDriver(const char* driver)
{
    if (!driver) return SDL_InitSubSystem(SDL_INIT_AUDIO) == 0 ? 1 : 0;
    return SDL_AudioInit(driver) == 0 ? 2 : 0;
}

void stopAudioDriver(int how)
{
    if (how == 1) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    else if (how == 2) SDL_AudioQuit();
}

bool openDevice(const char* driver)
{
    int how = startAudioDriver(driver);
    if (how == 0) return false;
    SDL_AudioSpec want{};
    want.freq = SOUND_OUTPUT_RATE;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = DEVICE_BUFFER_FRAMES;
    want.callback = audioCallback;
    SDL_AudioSpec have{};
    // No changes allowed: SDL converts to whatever the hardware takes.
    SDL_AudioDeviceID dev = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (dev == 0) {
        stopAudioDriver(how);
        return false;
    }
    sound.device = dev;
    sound.subsystemStarted = how;
    return true;
}

bool musicHandleValid(uint32_t music)
{
    return music != 0 && music == sound.musicHandle && sound.mixer.music != nullptr;
}

} // namespace

bool soundInit(const char* driver)
{
    if (sound.initialised) return true;
    std::memset(&sound, 0, sizeof sound);
    resetMixer(sound.mixer);
    sound.mixer.paused = 1;
    bool ok = openDevice(driver);
    if (!ok && !driver) ok = openDevice("dummy");
    if (!ok) return false;
    sound.initialised = 1;
    return true;
}

void soundStart()
{
    withMixerLocked([] { sound.mixer.paused = 0; });
    if (sound.device) SDL_PauseAudioDevice(sound.device, 0);
}

void soundPause()
{
    withMixerLocked([] { sound.mixer.paused = 1; });
    if (sound.device) SDL_PauseAudioDevice(sound.device, 1);
}

void soundFree()
{
    if (sound.device) {
        SDL_PauseAudioDevice(sound.device, 1);
        SDL_CloseAudioDevice(sound.device);  // waits for the callback to return
        sound.device = 0;
    }
    stopAudioDriver(sound.subsystemStarted);
    closeModule(sound.mixer.music);
    for (int16_t*& p : sound.samplePcm) std::free(p);
    std::memset(&sound, 0, sizeof sound);
    resetMixer(sound.mixer);
}

uint32_t soundLoadSample(const uint8_t* bytes, int32_t size)
{
    if (!sound.initialised || sound.sampleCount >= SOUND_MAX_SAMPLES) return 0;
    DecodedSample d;
    if (!decodeOggVorbis(bytes, size, &d)) return 0;
    int row = sound.sampleCount++;
    sound.samplePcm[row] = d.pcm;
    MixerSample s{d.pcm, d.frames, d.channels};
    withMixerLocked([&] { sound.mixer.samples[row] = s; });
    return static_cast<uint32_t>(row + 1);
}

uint32_t soundPlaySample(uint32_t sample, int rate)
{
    if (!sound.initialised || sample == 0 || sample > static_cast<uint32_t>(sound.sampleCount)) return 0;
    uint32_t channel = 0;
    withMixerLocked([&] { channel = mixerStartVoice(sound.mixer, static_cast<int>(sample - 1), rate, 1.0f); });
    return channel;
}

int soundChannelActive(uint32_t channel)
{
    if (!sound.initialised) return 0;
    int active = 0;
    withMixerLocked([&] { active = mixerVoiceActive(sound.mixer, channel); });
    return active;
}

uint32_t soundLoadMusic(const uint8_t* bytes, int32_t size)
{
    if (!sound.initialised) return 0;
    void* mod = openModule(bytes, size);
    if (!mod) return 0;
    void* old = nullptr;
    withMixerLocked([&] {
        old = sound.mixer.music;
        sound.mixer.music = mod;
        sound.mixer.musicPlaying = 0;
        sound.mixer.musicVolume = 1.0f;
    });
    closeModule(old);
    sound.musicSerial = (sound.musicSerial + 1) & 0xFFFFFFu;
    sound.musicHandle = MUSIC_HANDLE_BASE | sound.musicSerial;
    return sound.musicHandle;
}

int32_t amplifyToMillibel(int amplify)
{
    if (amplify <= 0) return -10000;  // silence, as far as the renderer goes
    if (amplify > 100) amplify = 100;
    return static_cast<int32_t>(std::lround(2000.0 * std::log10(amplify / 50.0)));
}

void soundSetMusicAmplify(uint32_t music, int amplify)
{
    if (!musicHandleValid(music)) return;
    int32_t mb = amplifyToMillibel(amplify);
    withMixerLocked([&] {
        openmpt_module_set_render_param(static_cast<openmpt_module*>(sound.mixer.music),
                                        OPENMPT_MODULE_RENDER_MASTERGAIN_MILLIBEL, mb);
    });
}

bool soundPlayMusic(uint32_t music, int order)
{
    if (!musicHandleValid(music)) return false;
    if (order < 0 || order >= moduleOrderCount(sound.mixer.music)) return false;
    withMixerLocked([&] {
        openmpt_module_set_position_order_row(static_cast<openmpt_module*>(sound.mixer.music), order, 0);
        sound.mixer.musicPlaying = 1;
    });
    return true;
}

void soundSetMusicVolume(uint32_t music, int volume)
{
    if (!musicHandleValid(music)) return;
    float v = static_cast<float>(volume < 0 ? 0 : (volume > 100 ? 100 : volume)) / 100.0f;
    withMixerLocked([&] { sound.mixer.musicVolume = v; });
}

void soundMixNow(float* out, int frames)
{
    withMixerLocked([&] { mixAudio(sound.mixer, out, frames); });
}

void soundSetGlobalVolumes(int music, int sfx)
{
    if (!sound.initialised) return;
    auto level = [](int v) { return static_cast<float>(v > 100 ? 100 : v) / 100.0f; };
    withMixerLocked([&] {
        if (music >= 0) sound.mixer.globalMusic = level(music);
        if (sfx >= 0) sound.mixer.globalSfx = level(sfx);
    });
}
