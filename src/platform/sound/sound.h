#pragma once
// The sound device the audio module plays through: an SDL audio device (44,100 Hz, stereo,
// float) whose callback runs the mixer of mixer.h, decoded samples, and one tracker module. These
// are the only operations the game calls; they answer like a small sound library would:
// handles are non-zero on success, and after a failed soundInit every call fails quietly (loads
// give 0, plays start nothing), so the game runs silent.
//
// Threads: every operation runs on the game thread. Changes to the mixer's state are made under
// SDL's audio-device lock, held only for a few assignments; decoding, module loading and freeing
// happen outside the lock.
#include <cstdint>

#include "platform/sound/mixer.h"

struct SoundState {
    uint32_t device;          // SDL audio device id, 0 when none is open
    int32_t initialised;      // 1 after a successful soundInit
    int32_t subsystemStarted; // how SDL's audio was started: 0 not, 1 subsystem, 2 named driver
    int32_t sampleCount;      // rows of mixer.samples in use (handles 1..sampleCount)
    int16_t* samplePcm[SOUND_MAX_SAMPLES];  // the rows' decoded frames, owned here
    uint32_t musicHandle;     // handle of the loaded module, 0 when none
    uint32_t musicSerial;     // counts module loads, so each gets a new handle
    MixerState mixer;
};

extern SoundState sound;

// Opens the output device. driver null: SDL's choice (SDL_AUDIODRIVER is honoured), and when no
// device opens there, SDL's "dummy" driver, which consumes sound silently. Otherwise only the
// named driver is tried. False when no device opened.
bool soundInit(const char* driver = nullptr);
// Output runs (also after soundPause).
void soundStart();
// All output halts; voices and the song keep their positions. Without a device both calls only
// set the mixer's paused flag.
void soundPause();
// Stops and closes the device and frees every sample and the module.
void soundFree();

// Decodes an Ogg Vorbis file held in memory into the next sample row; the handle, or 0 when no
// device is open, the table is full or the data cannot be decoded.
uint32_t soundLoadSample(const uint8_t* bytes, int32_t size);
// Starts a sample at `rate` Hz at full volume; the channel handle, or 0.
uint32_t soundPlaySample(uint32_t sample, int rate);
// 1 while the channel plays, else 0.
int soundChannelActive(uint32_t channel);

// Loads a tracker module held in memory, replacing the previous one; its handle, or 0.
uint32_t soundLoadMusic(const uint8_t* bytes, int32_t size);
// Amplification of the module, 0..100, 50 being the module's own level (see docs/audio.md).
void soundSetMusicAmplify(uint32_t music, int amplify);
// Restarts the module at an order position; false for a stale handle or a position outside the
// order list.
bool soundPlayMusic(uint32_t music, int order);
// The module's own volume, 0..100.
void soundSetMusicVolume(uint32_t music, int volume);

// Mixes the next `frames` stereo frames of the device's mixer into out (2 * frames floats), under
// the device's lock, exactly as the device callback does: for captures of what the game plays
// (tests, measurements). A running device keeps mixing on its own thread meanwhile, so voices and
// the song also advance there.
void soundMixNow(float* out, int frames);

// Global volumes, 0..100 each (values outside are clamped); a negative value leaves one unchanged.
void soundSetGlobalVolumes(int music, int sfx);

// The gain in millibels that an amplification value gives (60 gives about +1.6 dB).
int32_t amplifyToMillibel(int amplify);
