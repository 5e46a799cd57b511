#pragma once
// Levels of the game's sound stems, measured through the real audio path: the data set's sounds
// and module loaded by the audio module (loadSounds) into the sound layer, requests issued by
// updateAudio in 50 ms frames, the ambience started by the same rules a level and the trophy
// room use, and every frame's output mixed by the mixer (soundMixNow) at the default volumes
// (music 100, effects 80). The device is SDL's dummy driver held paused, so only these calls mix
// and the figures are the same on every run.

constexpr int MIX_MAX_STEMS = 96;

struct StemLevel {
    char name[40];
    double seconds;
    double rmsDb;     // dBFS over the stem's whole length (both channels)
    double peakDb;    // dBFS of the largest sample magnitude
    int atFullScale;  // samples at or above full scale
    int bent;         // samples the soft clip bent (magnitude above its knee)
};

struct MixLevels {
    StemLevel stems[MIX_MAX_STEMS];
    int count;
    // Summary figures.
    double musicRmsDb;       // the quietest song's RMS (songs 0..4, the game songs)
    double ambienceRmsDb;    // the loudest ambience's RMS
    double loudestEffectDb;  // the loudest effect's peak, at effects volume 100
    double busyPeakDb;       // the busy bonus chain over the music and the waterfall
    int busyAtFullScale;
};

// Measures every stem of the data set in dataDir (a folder ending in '/'); with wavDir, each
// stem is also written there as a 32-bit float stereo WAV named after it. False when the sound
// device or the data set cannot be opened.
bool measureMixLevels(const char* dataDir, const char* wavDir, MixLevels* out);
