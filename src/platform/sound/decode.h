#pragma once
// Loading of sound data held in memory: Ogg Vorbis samples decoded whole with libvorbisfile, and
// tracker modules opened with libopenmpt (which tells the format by content, so an IT or XM file
// named "music.mo3" loads). Both run on the game thread and allocate; both refuse damaged or
// hostile data with a failure result, never by reading past the buffer.
#include <cstdint>

// Longest sample decoded: two minutes at 44,100 Hz (effects and ambience are seconds long).
constexpr int32_t SOUND_MAX_SAMPLE_FRAMES = 44100 * 120;

struct DecodedSample {
    int16_t* pcm = nullptr; // frames * channels interleaved 16-bit values (see mixer.h), from std::malloc
    int32_t frames = 0;
    int32_t channels = 0;   // 1 or 2
    int32_t rate = 0;       // the file's own rate in Hz (playback uses the rate asked for)
};

// Decodes a whole Ogg Vorbis file into 16-bit frames (the buffer is exactly as long as the sound). False (and *out empty) when the data is not Ogg Vorbis, is
// damaged before any sound, has more than two channels, or holds no frames. A stream damaged
// part-way keeps the frames decoded before the damage. A stream longer than
// SOUND_MAX_SAMPLE_FRAMES is cut there.
bool decodeOggVorbis(const uint8_t* bytes, int32_t size, DecodedSample* out);
void freeDecodedSample(DecodedSample* s);

// Opens a tracker module from memory, set to loop for ever and to cubic interpolation; null when
// libopenmpt cannot read it.
// The result is an openmpt_module*; close it with closeModule.
void* openModule(const uint8_t* bytes, int32_t size);
void closeModule(void* module);
// Number of orders in a module's order list (0 for null).
int moduleOrderCount(void* module);
