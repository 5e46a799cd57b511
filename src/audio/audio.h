#pragma once
// Sound effects and music. Sample starts go through a ring of 256 requests that updateAudio
// issues once per frame; a sample asked for again within 5 ms of its last request is not
// queued again. The device, the sample loading and the music are not built yet: those
// operations record their request (core/requestlog.h) and do nothing else. Every playSound
// call is also recorded as "playSound" (name, rate as `a`), so tests see what a rule asked for.
#include <cstdint>

constexpr int SAMPLE_TABLE_SIZE = 256;
constexpr int SAMPLE_NAME_SIZE = 32;
constexpr int REQUEST_RING_SIZE = 256;
constexpr float RETRIGGER_MS = 5.0f;
constexpr int DEFAULT_SAMPLE_RATE = 44100;

struct SampleEntry {
    uint32_t handle;                // library sample handle, 0 when the load failed
    char name[SAMPLE_NAME_SIZE];    // file name as listed, e.g. "ButtonClick.ogg"
    float retriggerMs;              // > 0: further requests are ignored
};

enum PlayRequestState : int32_t { RequestFree = 0, RequestWaiting = -1, RequestPlaying = 1 };

struct PlayRequest {
    int32_t state;       // 0 free, -1 waiting to start, 1 playing (then the last activity answer)
    uint32_t channel;
    uint32_t sample;
    int32_t rate;        // Hz
};

struct AudioState {
    SampleEntry samples[SAMPLE_TABLE_SIZE];
    int32_t sampleCount;
    PlayRequest requests[REQUEST_RING_SIZE];
    int32_t writeCursor;
};

extern AudioState audio;

// Zeroes the whole audio state (samples, ring, cursor).
void resetAudio();
// Adds a row to the sample table (the loader's step for one file); false when the table is full
// or the name does not fit in 31 characters.
bool registerSample(const char* name, uint32_t handle);

bool initAudio();
void loadSounds();
void shutdownAudio();
void pauseAudio();
void resumeAudio();
// Counts the retrigger timers down by app.frameMs and starts the waiting requests.
void updateAudio();
void applyVolumes();
// Requests the sample whose file name equals name (exact, case-sensitive), at 44100 Hz.
void playSound(const char* name);
void playSoundAtRate(const char* name, int rate);
void requestMusic(int track);
void startMusicNow(int track);
