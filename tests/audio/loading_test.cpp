// Loading sounds and music from a data folder, decoding, and running without a device: the
// game asks for sounds and songs as always and hears nothing, whatever is missing or damaged.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "audio/audio.h"
#include "core/appstate.h"
#include "persist/settings.h"
#include "platform/sound/decode.h"
#include "platform/sound/sound.h"
#include "synth.h"

namespace {

std::vector<uint8_t> tinyOgg(double hz, double seconds, int serial)
{
    synth::Buffer b = synth::bell(hz, seconds);
    synth::normalise(b, 0.5f);
    std::vector<uint8_t> ogg;
    EXPECT_TRUE(synth::encodeOgg(b, 0.1f, serial, &ogg));
    return ogg;
}

class AudioLoading : public ::testing::Test {
protected:
    std::string data;

    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        data = std::string(OSTRIMAR_BINARY_DIR) + "/scratch/audio/" + info->name();
        std::system(("rm -rf '" + data + "'").c_str());
        std::system(("mkdir -p '" + data + "/Sounds'").c_str());
        resetAppState();
        std::snprintf(app.dataDir, sizeof app.dataDir, "%s/", data.c_str());
        resetAudio();
    }
    void TearDown() override { shutdownAudio(); }

    void write(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        synth::writeBytes(data + "/" + name, bytes);
    }
};

} // namespace

TEST_F(AudioLoading, DecodingGivesTheFramesThatWereEncoded)
{
    std::vector<uint8_t> ogg = tinyOgg(880, 0.25, 1);
    DecodedSample d;
    ASSERT_TRUE(decodeOggVorbis(ogg.data(), static_cast<int32_t>(ogg.size()), &d));
    EXPECT_EQ(d.channels, 1);
    EXPECT_EQ(d.rate, 44100);
    EXPECT_EQ(d.frames, synth::frames(0.25));
    float peak = 0.0f;
    for (int i = 0; i < d.frames; i++) peak = std::max(peak, std::fabs(d.pcm[i] / SOUND_SAMPLE_SCALE));
    EXPECT_NEAR(peak, 0.5f, 0.08f);  // lossy coding moves the peak a little
    freeDecodedSample(&d);
    EXPECT_EQ(d.pcm, nullptr);
}

TEST_F(AudioLoading, DamagedOggDataIsRefusedOrCutNeverReadPast)
{
    std::vector<uint8_t> ogg = tinyOgg(660, 0.5, 2);
    DecodedSample d;
    EXPECT_FALSE(decodeOggVorbis(nullptr, 10, &d));
    EXPECT_FALSE(decodeOggVorbis(ogg.data(), 0, &d));
    EXPECT_FALSE(decodeOggVorbis(ogg.data(), 40, &d));  // inside the first header
    std::vector<uint8_t> garbage(4000);
    for (size_t i = 0; i < garbage.size(); i++) garbage[i] = static_cast<uint8_t>(i * 131 + 7);
    EXPECT_FALSE(decodeOggVorbis(garbage.data(), static_cast<int32_t>(garbage.size()), &d));
    // Cut in the middle of the sound: the frames before the cut, fewer than the whole.
    int32_t half = static_cast<int32_t>(ogg.size() / 2);
    std::vector<uint8_t> cut(ogg.begin(), ogg.begin() + half);  // exactly sized, for the sanitizer
    if (decodeOggVorbis(cut.data(), half, &d)) {
        EXPECT_GT(d.frames, 0);
        EXPECT_LT(d.frames, synth::frames(0.5));
        freeDecodedSample(&d);
    }
    // Flipped bytes in the audio packets decode to something finite or are refused.
    std::vector<uint8_t> flipped = ogg;
    for (size_t i = ogg.size() / 3; i < ogg.size(); i += 97) flipped[i] ^= 0x5A;
    if (decodeOggVorbis(flipped.data(), static_cast<int32_t>(flipped.size()), &d)) {
        EXPECT_GT(d.frames, 0);  // whatever the damage decodes to is clamped into 16 bits on the way
        freeDecodedSample(&d);
    }
}

TEST_F(AudioLoading, AChainedFileWithADamagedLaterLinkPlaysItsFirstLink)
{
    std::vector<uint8_t> chained = tinyOgg(880, 0.25, 4);
    std::vector<uint8_t> second = tinyOgg(440, 0.25, 5);
    chained.insert(chained.end(), second.begin(), second.begin() + 60);  // cut inside its first header
    DecodedSample d;
    ASSERT_TRUE(decodeOggVorbis(chained.data(), static_cast<int32_t>(chained.size()), &d));
    EXPECT_EQ(d.channels, 1);
    EXPECT_EQ(d.frames, synth::frames(0.25));
    freeDecodedSample(&d);
}

TEST_F(AudioLoading, A257thFileIsNotLoadedAndBadFilesLeaveSilentRows)
{
    std::vector<uint8_t> ogg = tinyOgg(440, 0.02, 3);
    for (int i = 0; i < 257; i++) {
        char name[32];
        std::snprintf(name, sizeof name, "Sounds/s%03d.ogg", i);
        write(name, ogg);
    }
    write("Sounds/s000.ogg", {'n', 'o', 't', ' ', 'o', 'g', 'g'});  // damaged: listed first
    write("Sounds/notes.txt", {'x'});                               // not an .ogg
    ASSERT_TRUE(initAudio(persist.settings.musicVolume, persist.settings.sfxVolume));  // SDL's dummy driver in tests
    loadSounds();
    EXPECT_EQ(audio.sampleCount, 256);
    EXPECT_STREQ(audio.samples[0].name, "s000.ogg");
    EXPECT_EQ(audio.samples[0].handle, 0u);
    EXPECT_NE(audio.samples[1].handle, 0u);
    EXPECT_STREQ(audio.samples[255].name, "s255.ogg");
    EXPECT_NE(audio.samples[255].handle, 0u);
    for (int i = 0; i < audio.sampleCount; i++) EXPECT_STRNE(audio.samples[i].name, "s256.ogg");
    EXPECT_EQ(audio.music, 0u);  // no "music.mo3": no music, and asking for songs is harmless
    startMusicNow(0);
    requestMusic(3);
    app.frameMs = 900.0f;
    updateAudio();
    EXPECT_EQ(audio.currentOrder, 47);
    // The damaged row is requested like any other and starts nothing.
    playSound("s000.ogg");
    updateAudio();
    EXPECT_EQ(audio.requests[0].channel, 0u);
}

TEST_F(AudioLoading, DamagedMusicMeansNoMusic)
{
    std::vector<uint8_t> junk(3000, 0x41);
    write("music.mo3", junk);
    ASSERT_TRUE(initAudio(persist.settings.musicVolume, persist.settings.sfxVolume));
    loadSounds();
    EXPECT_EQ(audio.sampleCount, 0);
    EXPECT_EQ(audio.music, 0u);
    EXPECT_EQ(openModule(junk.data(), static_cast<int32_t>(junk.size())), nullptr);
    EXPECT_EQ(openModule(nullptr, 0), nullptr);
}

TEST_F(AudioLoading, WithNoDeviceTheGameRunsSilent)
{
    write("Sounds/a.ogg", tinyOgg(440, 0.05, 4));
    ASSERT_FALSE(soundInit("no-such-driver"));
    EXPECT_EQ(sound.initialised, 0);
    loadSounds();  // the row is kept, its sample could not load
    ASSERT_EQ(audio.sampleCount, 1);
    EXPECT_EQ(audio.samples[0].handle, 0u);
    applyVolumes(persist.settings.musicVolume, persist.settings.sfxVolume);
    playSound("a.ogg");
    startMusicNow(2);
    pauseAudio();
    resumeAudio();
    for (int i = 0; i < 3; i++) updateAudio();
    EXPECT_EQ(audio.requests[0].state, RequestFree);
    EXPECT_EQ(audio.currentOrder, 31);
    EXPECT_EQ(soundLoadMusic(nullptr, 0), 0u);
    EXPECT_EQ(soundPlaySample(1, 44100), 0u);
}

TEST_F(AudioLoading, ThroughTheDeviceASampleStartsAndIsPolled)
{
    write("Sounds/a.ogg", tinyOgg(440, 0.5, 5));
    ASSERT_TRUE(initAudio(persist.settings.musicVolume, persist.settings.sfxVolume));
    loadSounds();
    ASSERT_NE(audio.samples[0].handle, 0u);
    playSound("a.ogg");
    updateAudio();
    ASSERT_EQ(audio.requests[0].state, RequestPlaying);
    EXPECT_NE(audio.requests[0].channel, 0u);
    // The dummy device consumes sound on its own thread; pausing holds the voice where it is.
    pauseAudio();
    EXPECT_EQ(sound.mixer.paused, 1);
    updateAudio();
    EXPECT_EQ(audio.requests[0].state, 1);
    resumeAudio();
    EXPECT_EQ(sound.mixer.paused, 0);
}

TEST_F(AudioLoading, VolumesComeFromTheSettings)
{
    ASSERT_TRUE(initAudio(persist.settings.musicVolume, persist.settings.sfxVolume));
    // Defaults until the settings are loaded: music 100, effects 80.
    EXPECT_FLOAT_EQ(sound.mixer.globalMusic, 1.0f);
    EXPECT_FLOAT_EQ(sound.mixer.globalSfx, 0.8f);
    soundSetGlobalVolumes(30, -1);
    EXPECT_FLOAT_EQ(sound.mixer.globalMusic, 0.3f);
    EXPECT_FLOAT_EQ(sound.mixer.globalSfx, 0.8f);
    soundSetGlobalVolumes(250, 0);
    EXPECT_FLOAT_EQ(sound.mixer.globalMusic, 1.0f);
    EXPECT_FLOAT_EQ(sound.mixer.globalSfx, 0.0f);
}

TEST(AudioAmplify, SixtyIsALittleAboveTheModulesOwnLevel)
{
    EXPECT_EQ(amplifyToMillibel(50), 0);
    EXPECT_EQ(amplifyToMillibel(60), 158);   // +1.58 dB
    EXPECT_EQ(amplifyToMillibel(100), 602);  // twice the amplitude
    EXPECT_EQ(amplifyToMillibel(25), -602);
    EXPECT_LE(amplifyToMillibel(0), -6000);
    EXPECT_EQ(amplifyToMillibel(1000), 602);
}
