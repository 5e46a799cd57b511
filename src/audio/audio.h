#pragma once
// Sound effects and music. Until the mixer is built, every operation records its request
// (app/core/requestlog.h) and does nothing else.

bool initAudio();
void loadSounds();
void shutdownAudio();
void pauseAudio();
void resumeAudio();
void updateAudio();
void applyVolumes();
// Requests the sample whose file name equals name (exact, case-sensitive), at 44100 Hz.
void playSound(const char* name);
void playSoundAtRate(const char* name, int rate);
void requestMusic(int track);
void startMusicNow(int track);
