#pragma once
// Small synthesis kit for the data set's sounds and the music's instruments: mono float buffers
// at 44,100 Hz, a few struck and plucked voices, filtered noise, envelopes, normalising, and an
// Ogg Vorbis writer (libvorbisenc). Everything is deterministic: noise comes from a seeded
// generator, so the data set is the same on every run.
#include <cstdint>
#include <string>
#include <vector>

namespace synth {

constexpr int RATE = 44100;

using Buffer = std::vector<float>;

// A seeded white-noise source (xorshift), values in [-1, 1).
struct Noise {
    uint32_t state;
    explicit Noise(uint32_t seed) : state(seed ? seed : 1u) {}
    float next();
};

Buffer silence(double seconds);
int frames(double seconds);

// Adds src into dst starting at `at` seconds, scaled by gain (dst grows when needed).
void mixInto(Buffer& dst, const Buffer& src, double at, float gain = 1.0f);

// Frequency of a note: 69 is A4 at 440 Hz.
double noteHz(double midiNote);

// Struck voices: partials with their own decays, a soft attack of a few milliseconds.
struct Partial {
    double ratio;     // to the fundamental
    double amp;
    double decay;     // seconds to fall by 1/e
};
Buffer struck(double hz, double seconds, const std::vector<Partial>& partials, double attackMs = 2.0);
Buffer marimba(double hz, double seconds = 1.2);
Buffer bell(double hz, double seconds = 2.0);
Buffer glass(double hz, double seconds = 0.8);
Buffer woodblock(double hz, double seconds = 0.15);
// Plucked string (Karplus-Strong with a soft damping filter).
Buffer pluck(double hz, double seconds, double brightness, uint32_t seed);
// A warm held tone: a few detuned partials, slow attack and release.
Buffer pad(double hz, double seconds, double attack, double release);
// A sine whose pitch glides from hz0 to hz1 (exponentially) over the buffer, with a decay.
Buffer glide(double hz0, double hz1, double seconds, double decay);

// Noise through a resonant band-pass whose centre moves from f0 to f1 (exponentially).
Buffer sweptNoise(double seconds, double f0, double f1, double q, uint32_t seed);
// Noise through a one-pole low-pass at cutoff Hz.
Buffer lowNoise(double seconds, double cutoff, uint32_t seed);

// In-place shaping.
void fadeIn(Buffer& b, double seconds);
void fadeOut(Buffer& b, double seconds);
void expDecay(Buffer& b, double tau);
void lowPass(Buffer& b, double cutoff);   // one pole
void highPass(Buffer& b, double cutoff);  // one pole
// Scales so the largest magnitude is peak (nothing for a silent buffer).
void normalise(Buffer& b, float peak);
float peakOf(const Buffer& b);

// Encodes mono frames as Ogg Vorbis (quality 0..1, serial fixed per file so output is stable).
bool encodeOgg(const Buffer& b, float quality, int serial, std::vector<uint8_t>* out);
bool writeBytes(const std::string& path, const std::vector<uint8_t>& bytes);
// 16-bit mono WAV, for looking at and listening to what was made.
bool writeWav(const std::string& path, const Buffer& b);

} // namespace synth
