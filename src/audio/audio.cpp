#include "audio/audio.h"

#include "app/core/requestlog.h"

bool initAudio()
{
    recordRequest("initAudio");
    return false;
}
void loadSounds() { recordRequest("loadSounds"); }
void shutdownAudio() { recordRequest("shutdownAudio"); }
void pauseAudio() { recordRequest("pauseAudio"); }
void resumeAudio() { recordRequest("resumeAudio"); }
void updateAudio() { recordRequest("updateAudio"); }
void applyVolumes() { recordRequest("applyVolumes"); }
void playSound(const char* name) { recordRequest("playSound", name, 44100); }
void playSoundAtRate(const char* name, int rate) { recordRequest("playSound", name, rate); }
void requestMusic(int track) { recordRequest("requestMusic", "", track); }
void startMusicNow(int track) { recordRequest("startMusicNow", "", track); }
