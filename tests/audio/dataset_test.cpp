// The sounds and music of the default data set, as the game reads them: every file an event
// names decodes, none clips, effects are short; every song of "music.mo3" starts at its order
// position, is heard, stays below full scale and keeps looping within its own orders.
#include <gtest/gtest.h>

#include <libopenmpt/libopenmpt.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "audio/audio.h"
#include "platform/os/files.h"
#include "platform/sound/decode.h"
#include "platform/sound/mixer.h"
#include "../sound_probe.h"

namespace {

const std::string DATA = std::string(OSTRIMAR_BINARY_DIR) + "/Data";

std::vector<uint8_t> readAll(const std::string& path)
{
    int32_t size = 0;
    uint8_t* bytes = osReadFile(path.c_str(), &size);
    std::vector<uint8_t> out;
    if (bytes) out.assign(bytes, bytes + size);
    std::free(bytes);
    return out;
}

bool isAmbience(const std::string& name)
{
    return name.rfind("birds", 0) == 0 || name == "brook.ogg" || name == "waterfall.ogg";
}

} // namespace

TEST(SoundData, EveryEventsFileDecodesShortAndUnclipped)
{
    int longEffects = 0;
    for (const char* name : GAME_SOUND_FILES) {
        std::vector<uint8_t> ogg = readAll(DATA + "/Sounds/" + name);
        ASSERT_FALSE(ogg.empty()) << name;
        DecodedSample d;
        ASSERT_TRUE(decodeOggVorbis(ogg.data(), static_cast<int32_t>(ogg.size()), &d)) << name;
        float peak = 0.0f;
        double sum = 0.0;
        for (int i = 0; i < d.frames * d.channels; i++) {
            float x = d.pcm[i] / SOUND_SAMPLE_SCALE;
            peak = std::max(peak, std::fabs(x));
            sum += static_cast<double>(x) * x;
        }
        double seconds = d.frames / 44100.0;
        EXPECT_EQ(d.rate, 44100) << name;
        EXPECT_LT(peak, 0.85f) << name;                                      // headroom, no clipping
        // Audible: the ambience is made quiet on purpose (it sits under the music, see the mix
        // levels test), the effects are not.
        EXPECT_GT(std::sqrt(sum / (d.frames * d.channels)), isAmbience(name) ? 0.002 : 0.02) << name;
        // The last frames are silence, so no sound ends with a click.
        EXPECT_LT(std::abs(d.pcm[(d.frames - 1) * d.channels] / SOUND_SAMPLE_SCALE), 0.02f) << name;
        if (isAmbience(name)) {
            EXPECT_LE(seconds, 10.0) << name;
        } else {
            EXPECT_LE(seconds, 2.0) << name;
            longEffects += seconds > 1.5 ? 1 : 0;
        }
        freeDecodedSample(&d);
    }
    EXPECT_LE(longEffects, 3);
    EXPECT_EQ(GAME_SOUND_COUNT, 51);
}

TEST(SoundData, TheBreakSoundsClimb)
{
    // The strongest partial of each of the eight break sounds lies above the previous one's.
    double previous = 0.0;
    for (int i = 1; i <= 8; i++) {
        std::vector<uint8_t> ogg = readAll(DATA + "/Sounds/BreakFigure" + std::to_string(i) + ".ogg");
        DecodedSample d;
        ASSERT_TRUE(decodeOggVorbis(ogg.data(), static_cast<int32_t>(ogg.size()), &d));
        // Zero crossings over the first 100 ms count the dominant frequency well enough.
        int n = std::min(d.frames, 4410), crossings = 0;
        for (int j = 1; j < n; j++) crossings += (d.pcm[j - 1] < 0) != (d.pcm[j] < 0);
        double hz = crossings / 2.0 / (n / 44100.0);
        EXPECT_GT(hz, previous * 1.03) << i;
        previous = hz;
        freeDecodedSample(&d);
    }
}

TEST(MusicData, EverySongStartsAtItsOrderAndLoopsWithinIt)
{
    std::vector<uint8_t> bytes = readAll(DATA + "/music.mo3");
    ASSERT_FALSE(bytes.empty());
    void* mod = openModule(bytes.data(), static_cast<int32_t>(bytes.size()));
    ASSERT_NE(mod, nullptr);
    auto* m = static_cast<openmpt_module*>(mod);
    EXPECT_EQ(openmpt_module_get_num_orders(m), 96);
    const int first[8] = {0, 17, 31, 47, 72, 89, 92, 96};
    // Each song is rendered for longer than one pass through its orders (the longest, 25 orders
    // of 64 rows at 88 BPM, lasts 4.5 minutes), through the game's mixer.
    MixerState mixer;
    resetMixer(mixer);
    mixer.music = mod;
    std::vector<float> out(2 * 4096);
    for (int track = 0; track < 7; track++) {
        ASSERT_EQ(musicTrackOrder(track), first[track]);
        openmpt_module_set_position_order_row(m, first[track], 0);
        mixer.musicPlaying = 1;
        int lowest = 1000, highest = -1;
        float peak = 0.0f;
        double sum = 0.0;
        long frames = 0, wrappedAt = -1;
        int previous = first[track];
        // Until ten seconds after the song jumped back to its loop order (at most 320 s).
        while (frames < 44100L * 320 && (wrappedAt < 0 || frames < wrappedAt + 44100L * 10)) {
            mixAudio(mixer, out.data(), 4096);
            ASSERT_EQ(mixer.musicPlaying, 1) << "track " << track << " ended";
            int order = openmpt_module_get_current_order(m);
            if (order < previous && wrappedAt < 0) wrappedAt = frames;
            previous = order;
            lowest = std::min(lowest, order);
            highest = std::max(highest, order);
            for (float x : out) {
                peak = std::max(peak, std::fabs(x));
                sum += static_cast<double>(x) * x;
            }
            frames += 4096;
        }
        EXPECT_GE(wrappedAt, 0) << "track " << track << " never looped";
        EXPECT_EQ(lowest, first[track]) << "track " << track;
        EXPECT_EQ(highest, first[track + 1] - 1) << "track " << track;
        EXPECT_LT(peak, 0.8f) << "track " << track;
        EXPECT_GT(std::sqrt(sum / (2.0 * frames)), 0.02) << "track " << track;
    }
    closeModule(mod);
}
