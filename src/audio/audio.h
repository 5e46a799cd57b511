#pragma once
// Sound effects and music. Effects are the ".ogg" files of the "Sounds" folder, started by file
// name; the music is one tracker module, "music.mo3", whose seven songs start at fixed order
// positions. Sample starts go through a ring of 256 requests that updateAudio issues once per
// frame; a sample asked for again within 5 ms of its last request is not queued again. A new song
// fades the old one out over 800 ms first. Everything reaches the device through
// platform/sound; without a device every call still runs and the game is silent.
#include <cstdint>

constexpr int SAMPLE_TABLE_SIZE = 256;
constexpr int SAMPLE_NAME_SIZE = 32;
constexpr int REQUEST_RING_SIZE = 256;
constexpr float RETRIGGER_MS = 5.0f;
constexpr int DEFAULT_SAMPLE_RATE = 44100;
constexpr float MUSIC_FADE_MS = 800.0f;
constexpr int MUSIC_AMPLIFY = 60;
constexpr int MUSIC_TRACK_COUNT = 7;
// What the loading bar counts for the module, whatever its real size.
constexpr int32_t MUSIC_LOAD_PROGRESS_BYTES = 1104189;

struct SampleEntry {
    uint32_t handle;                // sample handle, 0 when the load failed
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
    uint32_t music;          // module handle, 0 when none
    uint32_t loadedMusic;    // the handle as loaded (a differing module handle reloads the module)
    // Both -1 from the start (not 0, which is song 0's order): the first startMusicNow(0) at the
    // key prompt must see a new song and start it.
    int32_t requestedOrder = -1;  // -1: no song yet
    int32_t currentOrder = -1;
    float fadeMs;            // > 0 while the old song fades out
    int32_t musicVolumeSet;  // the module volume last set (0..100), for tests and the overlay
};

extern AudioState audio;

// Puts the whole audio state back as the program starts: no samples, an empty ring, cursor 0,
// ambience counters 0, both orders -1.
void resetAudio();
// Adds a row to the sample table (the loader's step for one file); false when the table is full
// or the name does not fit in 31 characters.
bool registerSample(const char* name, uint32_t handle);

// Opens the sound device at the given volumes (0-100, the settings' values); false when there is
// none (the game then runs silent).
bool initAudio(int musicVolume, int sfxVolume);
// Loads every "*.ogg" of "Sounds" (at most 256) and the module "music.mo3" from the data folder.
void loadSounds();
void shutdownAudio();
void pauseAudio();
void resumeAudio();
// Once per frame: counts the retrigger timers down by app.frameMs, starts the waiting requests,
// polls the playing ones and runs the music fade.
void updateAudio();
// Hands the music and effects volumes (0-100) to the device; the options dialog passes the
// settings' values whenever they change.
void applyVolumes(int musicVolume, int sfxVolume);
// Requests the sample whose file name equals name (exact, case-sensitive), at 44100 Hz.
void playSound(const char* name);
void playSoundAtRate(const char* name, int rate);

// The order position where a track's song starts (tracks 0..6; any other number gives 0).
int musicTrackOrder(int track);
// Fades the current song out over 800 ms and then starts the track's song; nothing when that
// song is already the one requested.
void requestMusic(int track);
// Starts the track's song at once, at full volume (nothing when it is already requested).
void startMusicNow(int track);
