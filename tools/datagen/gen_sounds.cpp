// The sound effects of the default data set: every file the game's events name, synthesised
// here and written as Ogg Vorbis into "Sounds". The palette is soft and bright: wooden bars,
// bells, glass, plucked strings, filtered-noise whooshes; nothing harsh. Each sound is
// normalised to its own level (quiet for the frequent ticks and thumps, fuller for rewards)
// with headroom below full scale; effects last well under 1.5 s, the ambience up to 8 s.
#include "datagen.h"
#include "synth.h"

#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

using namespace synth;

namespace {

// C major scale from C6 upwards, in MIDI notes: the eight break sounds climb it.
constexpr int BREAK_STEPS[8] = {84, 86, 88, 89, 91, 93, 95, 96};

// The sound of breaking one figure: a glass tone, a second glass a fifth above a little later,
// and a short sparkle of high, soft noise.
Buffer breakFigure(double hz, uint32_t seed)
{
    Buffer b = glass(hz, 0.45);
    mixInto(b, glass(hz * 1.5, 0.35), 0.025, 0.35f);
    Buffer sparkle = sweptNoise(0.06, 6000, 3000, 3.0, seed);
    expDecay(sparkle, 0.015);
    mixInto(b, sparkle, 0.0, 0.25f);
    fadeOut(b, 0.05);
    return b;
}

// An arpeggio of struck notes, `gap` seconds apart.
Buffer arpeggio(const std::vector<int>& notes, double gap, double ring, const std::function<Buffer(double, double)>& voice)
{
    Buffer b;
    for (size_t i = 0; i < notes.size(); i++) mixInto(b, voice(noteHz(notes[i]), ring), gap * static_cast<double>(i));
    fadeOut(b, 0.08);
    return b;
}

Buffer bells(const std::vector<int>& notes, double gap, double ring)
{
    return arpeggio(notes, gap, ring, [](double hz, double s) { return bell(hz, s); });
}

Buffer bars(const std::vector<int>& notes, double gap, double ring)
{
    return arpeggio(notes, gap, ring, [](double hz, double s) { return marimba(hz, s); });
}

Buffer plucks(const std::vector<int>& notes, double gap, double ring, uint32_t seed)
{
    return arpeggio(notes, gap, ring, [&](double hz, double s) { return pluck(hz, s, 0.35, seed++); });
}

Buffer thump(double hz, double seconds, uint32_t seed)
{
    Buffer b = glide(hz * 1.8, hz, seconds, seconds / 4.0);
    Buffer n = lowNoise(seconds * 0.5, 400, seed);
    expDecay(n, seconds / 10.0);
    mixInto(b, n, 0.0, 0.6f);
    fadeOut(b, 0.02);
    return b;
}

// A soft blast: low-passed noise falling in brightness, over a deep thump.
Buffer blast(double seconds, double bright, uint32_t seed)
{
    Buffer b = sweptNoise(seconds, bright, 120, 0.7, seed);
    expDecay(b, seconds / 4.5);
    for (int i = 0; i < 3; i++) lowPass(b, bright);  // a steep roll-off: a soft blast, not a hiss
    fadeIn(b, 0.004);
    normalise(b, 1.0f);
    mixInto(b, thump(55, seconds * 0.7, seed + 1), 0.0, 0.9f);
    fadeOut(b, seconds * 0.3);
    return b;
}

Buffer whoosh(double seconds, double f0, double f1, uint32_t seed)
{
    Buffer b = sweptNoise(seconds, f0, f1, 1.2, seed);
    // Rise and fall: a smooth hump over the whole sound.
    for (size_t i = 0; i < b.size(); i++) {
        double t = static_cast<double>(i) / static_cast<double>(b.size());
        b[i] *= static_cast<float>(std::sin(3.14159265358979 * t) * std::sin(3.14159265358979 * t));
    }
    return b;
}

// One bird call: quick upward and downward glides, a few in a row.
Buffer chirps(const std::vector<double>& starts, double base, double span, double len, uint32_t seed)
{
    Buffer b = silence(2.2);
    Noise n(seed);
    for (double at : starts) {
        double f0 = base * (1.0 + 0.15 * n.next());
        Buffer c = silence(len);
        double phase = 0.0;
        for (size_t i = 0; i < c.size(); i++) {
            double t = static_cast<double>(i) / static_cast<double>(c.size());
            // A little arch of pitch with a warble on top.
            double f = f0 + span * std::sin(3.14159265358979 * t) + 180.0 * std::sin(2.0 * 3.14159265358979 * 38.0 * t * len);
            phase += 2.0 * 3.14159265358979 * f / RATE;
            double env = std::sin(3.14159265358979 * t);
            c[i] = static_cast<float>(std::sin(phase) * env * env);
        }
        mixInto(b, c, at);
    }
    fadeOut(b, 0.05);
    return b;
}

// Running water: a low murmur of noise under a softer splash band, plus small resonant bubbles,
// faded in and out so that the overlapping repeats of the ambience join smoothly. Both noises
// pass several low-pass stages, so the water rolls off steeply above a few kHz and sits under
// the music as a murmur rather than a broadband hiss.
Buffer water(double seconds, double body, int bubbles, uint32_t seed)
{
    Buffer b = lowNoise(seconds, body, seed);
    for (int i = 0; i < 3; i++) lowPass(b, body * 2.0);
    normalise(b, 1.0f);
    Buffer splash = sweptNoise(seconds, 1600, 1300, 1.5, seed + 7);
    for (int i = 0; i < 3; i++) lowPass(splash, 2500);
    normalise(splash, 1.0f);
    mixInto(b, splash, 0.0, 0.12f);
    Noise n(seed + 3);
    for (int i = 0; i < bubbles; i++) {
        double at = (n.next() * 0.5 + 0.5) * (seconds - 0.2);
        double f = 500.0 + 500.0 * (n.next() * 0.5 + 0.5);
        Buffer bub = glide(f, f * 1.6, 0.05, 0.02);
        mixInto(b, bub, at, 0.35f);
    }
    fadeIn(b, 0.8);
    fadeOut(b, 0.8);
    return b;
}

// The ambience's levels: the water plays all through a level in two overlapping repeats and
// the birds call every 6.2 s, so both sit well under the music (measured with
// "ostrimar-data mix", see docs/audio.md).
constexpr float WATER_PEAK = 0.04f;
constexpr float BIRDS_PEAK = 0.08f;

struct SoundRecipe {
    const char* file;
    float peak;                    // normalised level (headroom below full scale)
    std::function<Buffer()> make;
};

std::vector<SoundRecipe> recipes()
{
    std::vector<SoundRecipe> r;
    // Menus.
    r.push_back({"MenuLineSelect.ogg", 0.35f, [] { return woodblock(noteHz(91), 0.12); }});
    r.push_back({"ButtonClick.ogg", 0.5f, [] { return bars({79, 84}, 0.05, 0.25); }});
    r.push_back({"MaxPlayers.ogg", 0.5f, [] { return bars({76, 72}, 0.14, 0.4); }});
    r.push_back({"SFXVolume.ogg", 0.55f, [] { return bell(noteHz(81), 0.35); }});
    r.push_back({"menu.ogg", 0.5f, [] {
        Buffer b = pad(noteHz(60), 1.3, 0.15, 0.6);
        mixInto(b, pad(noteHz(64), 1.3, 0.2, 0.6), 0.0, 0.8f);
        mixInto(b, pad(noteHz(67), 1.3, 0.25, 0.6), 0.0, 0.7f);
        mixInto(b, bell(noteHz(84), 1.0), 0.05, 0.25f);
        return b;
    }});
    // Breaking figures: eight glassy steps up the scale, and the high one the game plays slowed
    // down (at 24,050 Hz and up, it lands just above the eighth step and climbs from there).
    for (int i = 0; i < 8; i++) {
        static char names[8][24];
        std::snprintf(names[i], sizeof names[i], "BreakFigure%d.ogg", i + 1);
        int note = BREAK_STEPS[i];
        r.push_back({names[i], 0.55f, [note, i] { return breakFigure(noteHz(note), 100u + static_cast<uint32_t>(i)); }});
    }
    r.push_back({"BreakFigure.ogg", 0.55f, [] {
        // 2349 Hz (D7) when played at 24,050 Hz: 2349 * 44100 / 24050 at the file's own rate.
        return breakFigure(2349.0 * 44100.0 / 24050.0 / 1.0, 120u);
    }});
    r.push_back({"BreakZep.ogg", 0.5f, [] {
        // Two light metal clinks.
        std::vector<Partial> link = {{1.0, 1.0, 0.09}, {1.47, 0.6, 0.06}, {2.09, 0.4, 0.04}, {2.83, 0.2, 0.03}};
        Buffer b = struck(2300, 0.3, link, 0.5);
        mixInto(b, struck(2650, 0.25, link, 0.5), 0.07, 0.7f);
        fadeOut(b, 0.04);
        return b;
    }});
    r.push_back({"BreakSquare.ogg", 0.55f, [] {
        // A stone crack: a short band of noise, a dull knock under it.
        Buffer b = sweptNoise(0.25, 1800, 700, 1.5, 31);
        expDecay(b, 0.04);
        normalise(b, 1.0f);
        mixInto(b, woodblock(220, 0.2), 0.0, 0.7f);
        mixInto(b, thump(90, 0.2, 32), 0.0, 0.5f);
        lowPass(b, 5000);
        fadeOut(b, 0.05);
        return b;
    }});
    r.push_back({"FigureFall.ogg", 0.4f, [] { return thump(110, 0.12, 41); }});
    // Bonuses earned.
    r.push_back({"AddBomb.ogg", 0.6f, [] { return bars({72, 76, 79}, 0.07, 0.5); }});
    r.push_back({"AddSuperBomb.ogg", 0.6f, [] {
        Buffer b = bars({72, 76, 79, 84}, 0.07, 0.6);
        mixInto(b, bells({84, 88}, 0.07, 0.7), 0.21, 0.4f);
        return b;
    }});
    r.push_back({"AddThunder.ogg", 0.6f, [] {
        Buffer b = whoosh(0.7, 600, 5000, 51);
        normalise(b, 0.5f);
        mixInto(b, bells({79, 83, 86, 91}, 0.06, 0.6), 0.15);
        return b;
    }});
    // The hammer.
    r.push_back({"UseHammer.ogg", 0.65f, [] {
        Buffer b = marimba(noteHz(55), 0.35);
        mixInto(b, thump(80, 0.25, 61), 0.0, 0.7f);
        mixInto(b, woodblock(600, 0.1), 0.0, 0.4f);
        return b;
    }});
    r.push_back({"GetHammer.ogg", 0.55f, [] { return bells({84, 91}, 0.12, 0.7); }});
    // Blasts.
    r.push_back({"ExplosionBomb.ogg", 0.7f, [] { return blast(1.1, 1400, 71); }});
    r.push_back({"ExplosionSuperBomb.ogg", 0.72f, [] {
        Buffer b = blast(1.45, 1800, 81);
        mixInto(b, blast(1.0, 900, 83), 0.12, 0.6f);
        fadeOut(b, 0.3);
        return b;
    }});
    r.push_back({"Thunderbolt.ogg", 0.7f, [] {
        // A crackle that rolls into a low rumble.
        Buffer crack = sweptNoise(0.35, 4000, 1500, 1.0, 91);
        Noise n(92);
        for (size_t i = 0; i < crack.size(); i++) {
            if (i % 300 == 0 && n.next() > 0.2f) crack[i] *= 4.0f;
        }
        lowPass(crack, 5000);
        lowPass(crack, 5000);
        expDecay(crack, 0.09);
        normalise(crack, 1.0f);
        Buffer rumble = lowNoise(1.4, 160, 93);
        lowPass(rumble, 200);
        lowPass(rumble, 200);
        normalise(rumble, 1.0f);
        fadeIn(rumble, 0.1);
        expDecay(rumble, 0.5);
        mixInto(crack, rumble, 0.05, 0.9f);
        fadeOut(crack, 0.35);
        return crack;
    }});
    // Rewards.
    r.push_back({"BonusPrize.ogg", 0.65f, [] {
        Buffer b = bells({84, 88, 91, 96}, 0.09, 0.9);
        mixInto(b, bars({72, 76, 79, 84}, 0.09, 0.5), 0.0, 0.5f);
        return b;
    }});
    r.push_back({"GetTrophy.ogg", 0.65f, [] {
        Buffer b = plucks({67, 72, 76, 79}, 0.1, 0.9, 101);
        mixInto(b, bells({84, 91}, 0.0, 1.0), 0.4, 0.5f);
        fadeOut(b, 0.2);
        return b;
    }});
    r.push_back({"GetLife.ogg", 0.6f, [] { return bells({79, 83, 86, 91}, 0.11, 0.8); }});
    // Time and defeat.
    r.push_back({"TimeOut.ogg", 0.4f, [] { return woodblock(1250, 0.08); }});
    r.push_back({"DefeatLevel.ogg", 0.6f, [] { return bars({76, 72, 69}, 0.22, 0.7); }});
    r.push_back({"DefeatLevelEffect.ogg", 0.5f, [] {
        Buffer b = whoosh(0.4, 900, 250, 111);
        normalise(b, 0.6f);
        mixInto(b, thump(70, 0.3, 112), 0.05, 0.6f);
        return b;
    }});
    r.push_back({"ReFillLevel.ogg", 0.4f, [] { return pluck(noteHz(88), 0.18, 0.4, 121); }});
    // Tips and hints.
    r.push_back({"TipShow.ogg", 0.5f, [] {
        Buffer b = bell(noteHz(76), 0.9);
        mixInto(b, bell(noteHz(83), 0.8), 0.08, 0.6f);
        return b;
    }});
    r.push_back({"NoMoreMove.ogg", 0.5f, [] { return bells({79, 74}, 0.18, 0.7); }});
    r.push_back({"MoveTipShow.ogg", 0.4f, [] { return glass(noteHz(96), 0.35); }});
    r.push_back({"LevelStatistic.ogg", 0.5f, [] {
        Buffer b = pluck(noteHz(72), 0.5, 0.4, 131);
        mixInto(b, bell(noteHz(84), 0.5), 0.0, 0.4f);
        return b;
    }});
    // The shutter's whoosh: a soft, dark breath at the level of the quiet menu sounds.
    r.push_back({"Gag.ogg", 0.25f, [] {
        Buffer b = whoosh(0.55, 250, 900, 141);
        lowPass(b, 2500);
        return b;
    }});
    // Ambience.
    r.push_back({"birds1.ogg", BIRDS_PEAK, [] { return chirps({0.0, 0.16, 0.32}, 3200, 900, 0.1, 151); }});
    r.push_back({"birds2.ogg", BIRDS_PEAK, [] { return chirps({0.0, 0.5, 0.62, 1.2}, 2600, 1400, 0.14, 152); }});
    r.push_back({"birds3.ogg", BIRDS_PEAK, [] { return chirps({0.1, 0.22, 0.34, 0.46, 1.3}, 3800, -700, 0.08, 153); }});
    r.push_back({"brook.ogg", WATER_PEAK, [] { return water(6.0, 900, 60, 161); }});
    r.push_back({"waterfall.ogg", WATER_PEAK, [] { return water(6.0, 450, 8, 171); }});
    // The map.
    r.push_back({"map1.ogg", 0.5f, [] { return bell(noteHz(84), 0.6); }});
    r.push_back({"map2.ogg", 0.5f, [] {
        Buffer b = glass(noteHz(91), 0.5);
        mixInto(b, glass(noteHz(96), 0.4), 0.05, 0.6f);
        mixInto(b, glass(noteHz(100), 0.35), 0.1, 0.4f);
        return b;
    }});
    r.push_back({"map3.ogg", 0.5f, [] {
        Buffer b = whoosh(0.9, 800, 4000, 181);
        normalise(b, 0.5f);
        mixInto(b, bells({88, 91, 96}, 0.15, 0.6), 0.2, 0.5f);
        return b;
    }});
    r.push_back({"map4.ogg", 0.55f, [] {
        Buffer b = bell(noteHz(72), 1.2);
        mixInto(b, bell(noteHz(76), 1.2), 0.0, 0.7f);
        mixInto(b, bell(noteHz(79), 1.2), 0.0, 0.6f);
        return b;
    }});
    r.push_back({"map5.ogg", 0.5f, [] { return bars({74, 79}, 0.08, 0.4); }});
    r.push_back({"map6.ogg", 0.65f, [] {
        Buffer b = bells({72, 76, 79, 84}, 0.12, 1.0);
        mixInto(b, plucks({60, 64, 67, 72}, 0.12, 0.8, 191), 0.0, 0.5f);
        return b;
    }});
    r.push_back({"map7.ogg", 0.55f, [] { return bars({79, 84, 88}, 0.06, 0.6); }});
    r.push_back({"map8.ogg", 0.45f, [] { return plucks({67, 69, 71, 72}, 0.14, 0.4, 201); }});
    r.push_back({"map9.ogg", 0.5f, [] { return bells({79, 84}, 0.16, 0.9); }});
    return r;
}

} // namespace

bool genSounds(const char*, const char* outDir)
{
    std::string folder = std::string(outDir) + "/Sounds";
    ::mkdir(folder.c_str(), 0755);
    int serial = 1;
    for (const SoundRecipe& recipe : recipes()) {
        Buffer b = recipe.make();
        fadeOut(b, 0.01);  // every sound ends on silence
        normalise(b, recipe.peak);
        std::vector<uint8_t> ogg;
        if (!encodeOgg(b, 0.5f, serial++, &ogg)) {
            std::fprintf(stderr, "%s: cannot encode\n", recipe.file);
            return false;
        }
        if (!writeBytes(folder + "/" + recipe.file, ogg)) {
            std::fprintf(stderr, "%s: cannot write\n", recipe.file);
            return false;
        }
    }
    return true;
}
