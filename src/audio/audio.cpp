#include "audio/audio.h"

#include "audio/ambience.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/appstate.h"
#include "platform/os/files.h"
#include "platform/sound/sound.h"
#include "resources/files.h"

AudioState audio;

namespace {

constexpr int MUSIC_TRACK_ORDERS[MUSIC_TRACK_COUNT] = {0, 17, 31, 47, 72, 89, 92};
constexpr char MUSIC_FILE[] = "music.mo3";
constexpr char SOUNDS_FOLDER[] = "Sounds";

void reportProgress(int32_t bytes)
{
    if (fileTable.progressHook) fileTable.progressHook(bytes);
}

// Loads "music.mo3" from the data folder; 0 when it is missing or unreadable.
uint32_t loadMusicFile()
{
    char path[OS_PATH_MAX];
    int n = std::snprintf(path, sizeof path, "%s%s", app.dataDir, MUSIC_FILE);
    if (n < 0 || n >= static_cast<int>(sizeof path)) return 0;  // a cut path would name another file
    int32_t size = 0;
    uint8_t* bytes = osReadFile(path, &size);
    if (!bytes) return 0;
    uint32_t handle = soundLoadMusic(bytes, size);
    std::free(bytes);
    return handle;
}

void setModuleVolume(int volume)
{
    audio.musicVolumeSet = volume;
    soundSetMusicVolume(audio.music, volume);
}

// Full volume and the requested song from its first row.
void startRequestedSong()
{
    setModuleVolume(100);
    soundPlayMusic(audio.music, audio.requestedOrder);
    audio.currentOrder = audio.requestedOrder;
}

} // namespace

void resetAudio()
{
    audio = AudioState{};
    resetAmbience();
}

bool registerSample(const char* name, uint32_t handle)
{
    if (!name || audio.sampleCount >= SAMPLE_TABLE_SIZE) return false;
    if (std::strlen(name) >= static_cast<size_t>(SAMPLE_NAME_SIZE)) return false;
    SampleEntry& e = audio.samples[audio.sampleCount++];
    std::snprintf(e.name, sizeof e.name, "%s", name);
    e.handle = handle;
    e.retriggerMs = 0.0f;
    return true;
}

bool initAudio(int musicVolume, int sfxVolume)
{
    if (!soundInit()) return false;
    soundStart();
    std::memset(audio.requests, 0, sizeof audio.requests);
    audio.writeCursor = 0;
    applyVolumes(musicVolume, sfxVolume);
    return true;
}

void loadSounds()
{
    // The listing is taken whole first; rows beyond the table's 256 are never loaded.
    static OsFileName names[SAMPLE_TABLE_SIZE];
    char folder[OS_PATH_MAX];
    int n = std::snprintf(folder, sizeof folder, "%s%s", app.dataDir, SOUNDS_FOLDER);
    if (n < 0 || n >= static_cast<int>(sizeof folder)) return;  // a cut path would name another folder
    int found = osListFolder(folder, "*.ogg", names, SAMPLE_TABLE_SIZE);
    if (found > SAMPLE_TABLE_SIZE) found = SAMPLE_TABLE_SIZE;
    for (int i = 0; i < found && audio.sampleCount < SAMPLE_TABLE_SIZE; i++) {
        char path[OS_PATH_MAX];
        int n = std::snprintf(path, sizeof path, "%s/%s", folder, names[i].name);
        if (n <= 0 || n >= static_cast<int>(sizeof path)) continue;
        int32_t size = 0;
        uint8_t* bytes = osReadFile(path, &size);
        uint32_t handle = bytes ? soundLoadSample(bytes, size) : 0;
        std::free(bytes);
        // A name too long for the row is stored cut; no event asks for such a name.
        SampleEntry& e = audio.samples[audio.sampleCount++];
        size_t len = std::strlen(names[i].name);
        if (len >= sizeof e.name) len = sizeof e.name - 1;
        std::memcpy(e.name, names[i].name, len);
        e.name[len] = 0;
        e.handle = handle;
        e.retriggerMs = 0.0f;
        reportProgress(bytes ? size : 0);
    }
    audio.music = loadMusicFile();
    audio.loadedMusic = audio.music;
    reportProgress(MUSIC_LOAD_PROGRESS_BYTES);
    soundSetMusicAmplify(audio.music, MUSIC_AMPLIFY);
}

void shutdownAudio()
{
    soundFree();
    audio.music = 0;
    audio.loadedMusic = 0;
}

void pauseAudio() { soundPause(); }
void resumeAudio() { soundStart(); }

void applyVolumes(int musicVolume, int sfxVolume)
{
    soundSetGlobalVolumes(musicVolume, sfxVolume);
}

void updateAudio()
{
    if (audio.music != audio.loadedMusic) {
        audio.music = loadMusicFile();
        soundSetMusicAmplify(audio.music, MUSIC_AMPLIFY);
    }
    for (int i = 0; i < audio.sampleCount; i++) {
        if (audio.samples[i].retriggerMs > 0.0f) audio.samples[i].retriggerMs -= app.frameMs;
    }
    for (PlayRequest& r : audio.requests) {
        if (r.state == RequestWaiting) {
            r.channel = soundPlaySample(r.sample, r.rate);
            r.state = RequestPlaying;
        } else if (r.state == RequestPlaying) {
            r.state = soundChannelActive(r.channel);
        }
    }
    if (audio.fadeMs > 0.0f) {
        audio.fadeMs -= app.frameMs;
        if (audio.fadeMs <= 0.0f) {
            audio.fadeMs = 0.0f;
            startRequestedSong();
        } else {
            setModuleVolume(static_cast<int>(audio.fadeMs / 8.0f));
        }
    }
}

void playSound(const char* name) { playSoundAtRate(name, DEFAULT_SAMPLE_RATE); }

void playSoundAtRate(const char* name, int rate)
{
    if (!name) return;
    for (int i = 0; i < audio.sampleCount; i++) {
        SampleEntry& e = audio.samples[i];
        if (std::strcmp(e.name, name) != 0) continue;
        if (e.retriggerMs > 0.0f) continue;
        e.retriggerMs = RETRIGGER_MS;
        PlayRequest& r = audio.requests[audio.writeCursor];
        r.state = RequestWaiting;
        r.sample = e.handle;
        r.rate = rate;
        audio.writeCursor = (audio.writeCursor + 1) % REQUEST_RING_SIZE;
    }
}

int musicTrackOrder(int track)
{
    if (track < 0 || track >= MUSIC_TRACK_COUNT) return 0;
    return MUSIC_TRACK_ORDERS[track];
}

void requestMusic(int track)
{
    int order = musicTrackOrder(track);
    if (order == audio.requestedOrder) return;
    audio.requestedOrder = order;
    audio.fadeMs = MUSIC_FADE_MS;
}

void startMusicNow(int track)
{
    if (musicTrackOrder(track) == audio.requestedOrder) return;
    requestMusic(track);
    audio.fadeMs = 0.0f;
    startRequestedSong();
}
