#include "mixlevels.h"

#include "audio/ambience.h"
#include "audio/audio.h"
#include "core/appstate.h"
#include "core/random.h"
#include "platform/os/files.h"
#include "platform/sound/sound.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int FRAME_MS = 50;
constexpr int FRAME_SAMPLES = SOUND_OUTPUT_RATE * FRAME_MS / 1000;
constexpr int MUSIC_DEFAULT = 100;
constexpr int SFX_DEFAULT = 80;

double toDb(double level) { return 20.0 * std::log10(level > 1e-10 ? level : 1e-10); }

void put32(std::string& s, uint32_t v)
{
    for (int i = 0; i < 4; i++) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

void put16(std::string& s, uint16_t v)
{
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>(v >> 8);
}

// 32-bit float stereo WAV at the output rate.
bool writeFloatWav(const std::string& path, const std::vector<float>& frames)
{
    std::string h = "RIFF";
    uint32_t dataBytes = static_cast<uint32_t>(frames.size() * sizeof(float));
    put32(h, 36 + dataBytes);
    h += "WAVEfmt ";
    put32(h, 16);
    put16(h, 3);  // IEEE float
    put16(h, 2);
    put32(h, SOUND_OUTPUT_RATE);
    put32(h, SOUND_OUTPUT_RATE * 2 * 4);
    put16(h, 8);
    put16(h, 32);
    h += "data";
    put32(h, dataBytes);
    h.append(reinterpret_cast<const char*>(frames.data()), frames.size() * sizeof(float));
    return osWriteFileAtomic(path.c_str(), h.data(), static_cast<int32_t>(h.size()));
}

// Everything stops: no voice, no song, no request waiting.
void silenceAll()
{
    for (int i = 0; i < SOUND_MAX_SAMPLES; i++) mixerStopSample(sound.mixer, i);
    sound.mixer.musicPlaying = 0;
    std::memset(audio.requests, 0, sizeof audio.requests);
    for (int i = 0; i < audio.sampleCount; i++) audio.samples[i].retriggerMs = 0.0f;
    audio.requestedOrder = -1;
    audio.currentOrder = -1;
    audio.fadeMs = 0.0f;
}

bool anyVoice()
{
    for (const MixerVoice& v : sound.mixer.voices)
        if (v.sample >= 0) return true;
    return false;
}

struct Renderer {
    MixLevels* out;
    const char* wavDir;
    std::vector<float> frame = std::vector<float>(2 * FRAME_SAMPLES);

    // Runs frames of the game's audio: before each, step(t) with the clock in ms; stops after
    // maxMs, or earlier once untilQuiet and no voice plays. Records the stem.
    template <typename Step>
    StemLevel& render(const std::string& name, int maxMs, bool untilQuiet, Step step)
    {
        std::vector<float> all;
        double squares = 0.0;
        long samples = 0;
        float peak = 0.0f;
        int full = 0, bent = 0;
        app.frameMs = static_cast<float>(FRAME_MS);
        for (int t = 0; t < maxMs; t += FRAME_MS) {
            step(t);
            updateAudio();
            if (untilQuiet && t > 0 && !anyVoice()) break;
            soundMixNow(frame.data(), FRAME_SAMPLES);
            for (float x : frame) {
                float a = std::fabs(x);
                squares += static_cast<double>(x) * x;
                peak = std::fmax(peak, a);
                if (a >= 1.0f) full++;
                if (a > SOUND_SOFT_KNEE) bent++;
            }
            samples += static_cast<long>(frame.size());
            if (wavDir) all.insert(all.end(), frame.begin(), frame.end());
        }
        StemLevel& s = out->stems[out->count < MIX_MAX_STEMS ? out->count++ : MIX_MAX_STEMS - 1];
        std::snprintf(s.name, sizeof s.name, "%s", name.c_str());
        s.seconds = static_cast<double>(samples) / (2.0 * SOUND_OUTPUT_RATE);
        s.rmsDb = samples ? 10.0 * std::log10(squares / static_cast<double>(samples) + 1e-20) : -200.0;
        s.peakDb = toDb(peak);
        s.atFullScale = full;
        s.bent = bent;
        if (wavDir) writeFloatWav(std::string(wavDir) + "/" + name + ".wav", all);
        silenceAll();
        return s;
    }
};

// The sounds of a busy bonus chain, all started in one frame: a long same-colour streak breaking
// through chains and squares while every bonus is earned and fired, a prize and a life.
const char* const BUSY_CHAIN[] = {
    "BreakFigure8.ogg", "BreakZep.ogg",     "BreakSquare.ogg",       "FigureFall.ogg",
    "AddBomb.ogg",      "AddSuperBomb.ogg", "AddThunder.ogg",        "ExplosionBomb.ogg",
    "Thunderbolt.ogg",  "BonusPrize.ogg",   "ExplosionSuperBomb.ogg", "GetLife.ogg",
};

bool isAmbience(const char* name)
{
    return std::strncmp(name, "birds", 5) == 0 || std::strcmp(name, "brook.ogg") == 0 ||
           std::strcmp(name, "waterfall.ogg") == 0;
}

} // namespace

bool measureMixLevels(const char* dataDir, const char* wavDir, MixLevels* out)
{
    *out = MixLevels{};
    if (!soundInit("dummy")) return false;
    // The device stays paused: only soundMixNow mixes, so every run gives the same figures.
    sound.mixer.paused = 0;
    std::snprintf(app.dataDir, sizeof app.dataDir, "%s", dataDir);
    resetAudio();
    loadSounds();
    bool ok = audio.music != 0 && audio.sampleCount > 0;
    srand15(1);
    Renderer r{out, wavDir};
    if (ok) {
        soundSetGlobalVolumes(MUSIC_DEFAULT, SFX_DEFAULT);
        out->musicRmsDb = 0.0;
        for (int track = 0; track < MUSIC_TRACK_COUNT; track++) {
            StemLevel& s = r.render("song" + std::to_string(track), 60000, false, [&](int t) {
                if (t == 0) startMusicNow(track);
            });
            if (track < 5) out->musicRmsDb = track == 0 ? s.rmsDb : std::fmin(out->musicRmsDb, s.rmsDb);
        }
        // The ambience as a level plays it: a brook backdrop (0) and a waterfall backdrop (2), and
        // the trophy room; 31 s, so the water's overlapping repeats are in their steady state.
        const int AMBIENCE_MS = 31000;
        out->ambienceRmsDb = -200.0;
        for (int backdrop : {0, 2}) {
            resetAmbience();
            StemLevel& s = r.render(backdrop == 0 ? "ambience-brook" : "ambience-waterfall", AMBIENCE_MS, false,
                                    [&](int t) { updatePlayAmbience(t, FRAME_MS, backdrop); });
            out->ambienceRmsDb = std::fmax(out->ambienceRmsDb, s.rmsDb);
        }
        resetAmbience();
        StemLevel& room = r.render("ambience-trophyroom", AMBIENCE_MS, false,
                                   [&](int t) { updateTrophyRoomAmbience(t, FRAME_MS); });
        out->ambienceRmsDb = std::fmax(out->ambienceRmsDb, room.rmsDb);
        // Each effect alone at effects volume 100 (the stem's own level), until it ends.
        soundSetGlobalVolumes(MUSIC_DEFAULT, 100);
        out->loudestEffectDb = -200.0;
        for (int i = 0; i < audio.sampleCount; i++) {
            const char* name = audio.samples[i].name;
            if (isAmbience(name)) continue;
            std::string stem = std::string("effect-") + name;
            stem.resize(stem.size() - 4);  // without ".ogg"
            StemLevel& s = r.render(stem, 5000, true, [&](int t) {
                if (t == 0) playSound(name);
            });
            out->loudestEffectDb = std::fmax(out->loudestEffectDb, s.peakDb);
        }
        // The busy chain at the default volumes, over song 0 and the waterfall (which has reached
        // its two overlapping repeats by 4 s): the whole mix of a loud moment.
        soundSetGlobalVolumes(MUSIC_DEFAULT, SFX_DEFAULT);
        resetAmbience();
        StemLevel& busy = r.render("busy-chain", 9000, false, [&](int t) {
            if (t == 0) startMusicNow(0);
            updatePlayAmbience(t, FRAME_MS, 2);
            if (t == 4000) {
                for (const char* name : BUSY_CHAIN) playSound(name);
            }
        });
        out->busyPeakDb = busy.peakDb;
        out->busyAtFullScale = busy.atFullScale;
    }
    shutdownAudio();
    resetAudio();
    return ok;
}
