#include "audio/audio.h"

#include <cstdio>
#include <cstring>

#include "core/appstate.h"
#include "core/requestlog.h"

AudioState audio;

namespace {

// The sound library is not built yet: starting a voice is recorded and gives no channel, and a
// channel without a voice is never active.
uint32_t startVoice(uint32_t sample, int rate)
{
    recordRequest("startVoice", "", static_cast<int>(sample), rate);
    return 0;
}

int32_t channelActive(uint32_t) { return 0; }

} // namespace

void resetAudio()
{
    std::memset(&audio, 0, sizeof audio);
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

bool initAudio()
{
    recordRequest("initAudio");
    return false;
}
void loadSounds() { recordRequest("loadSounds"); }
void shutdownAudio() { recordRequest("shutdownAudio"); }
void pauseAudio() { recordRequest("pauseAudio"); }
void resumeAudio() { recordRequest("resumeAudio"); }
void applyVolumes() { recordRequest("applyVolumes"); }
void requestMusic(int track) { recordRequest("requestMusic", "", track); }
void startMusicNow(int track) { recordRequest("startMusicNow", "", track); }

void updateAudio()
{
    recordRequest("updateAudio");
    for (int i = 0; i < audio.sampleCount; i++) {
        if (audio.samples[i].retriggerMs > 0.0f) audio.samples[i].retriggerMs -= app.frameMs;
    }
    for (PlayRequest& r : audio.requests) {
        if (r.state == RequestWaiting) {
            r.channel = startVoice(r.sample, r.rate);
            r.state = RequestPlaying;
        } else if (r.state == RequestPlaying) {
            r.state = channelActive(r.channel);
        }
    }
}

void playSound(const char* name) { playSoundAtRate(name, DEFAULT_SAMPLE_RATE); }

void playSoundAtRate(const char* name, int rate)
{
    if (!name) return;
    recordRequest("playSound", name, rate);
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
