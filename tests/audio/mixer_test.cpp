// The mixer, called directly: voices at their own rates and volumes, the end of a sample, the
// soft clip, pausing, and the channel handles.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/sound/mixer.h"

namespace {

// Every output value below is an exact product or a linear interpolation of exactly
// representable values, computed in float: they agree to within a few float roundings.
constexpr float TOLERANCE = 1e-6f;

class Mixer : public ::testing::Test {
protected:
    MixerState m;
    std::vector<int16_t> ramp;  // level i / 1024 (exact in 16 bits: i * 32), mono
    std::vector<float> out;

    void SetUp() override
    {
        resetMixer(m);
        ramp.resize(1024);
        for (size_t i = 0; i < ramp.size(); i++) ramp[i] = mixerSampleFromFloat(static_cast<float>(i) / 1024.0f);
        m.samples[0] = {ramp.data(), 1024, 1};
    }
    void mix(int frames)
    {
        out.assign(static_cast<size_t>(2 * frames), 99.0f);
        mixAudio(m, out.data(), frames);
    }
};

} // namespace

TEST_F(Mixer, ASampleAtTheOutputRatePlaysFrameForFrameOnBothSides)
{
    ASSERT_NE(mixerStartVoice(m, 0, 44100, 1.0f), 0u);
    mix(200);
    for (int j = 0; j < 200; j++) {
        EXPECT_NEAR(out[2 * j], j / 1024.0f, TOLERANCE) << j;
        EXPECT_NEAR(out[2 * j + 1], j / 1024.0f, TOLERANCE) << j;
    }
}

TEST_F(Mixer, HalfTheRateInterpolatesBetweenFrames)
{
    ASSERT_NE(mixerStartVoice(m, 0, 22050, 1.0f), 0u);
    mix(200);
    for (int j = 0; j < 200; j++) EXPECT_NEAR(out[2 * j], j * 0.5f / 1024.0f, TOLERANCE) << j;
}

TEST_F(Mixer, VoiceAndEffectsVolumesScaleTheSample)
{
    m.globalSfx = 0.5f;
    ASSERT_NE(mixerStartVoice(m, 0, 44100, 0.5f), 0u);
    mix(100);
    for (int j = 0; j < 100; j++) EXPECT_NEAR(out[2 * j], 0.25f * j / 1024.0f, TOLERANCE) << j;
    // At 26,050 Hz and effects volume 0.8 the second voice steps 26050/44100 frames each time.
    resetMixer(m);
    m.samples[0] = {ramp.data(), 1024, 1};
    m.globalSfx = 0.8f;
    ASSERT_NE(mixerStartVoice(m, 0, 26050, 1.0f), 0u);
    mix(100);
    for (int j = 0; j < 100; j++) {
        double pos = j * (26050.0 / 44100.0);
        EXPECT_NEAR(out[2 * j], 0.8f * static_cast<float>(pos / 1024.0), 1e-5f) << j;
    }
}

TEST_F(Mixer, AStereoSampleKeepsItsSides)
{
    std::vector<int16_t> st = {16384, -8192, 16384, -8192, 16384, -8192, 16384, -8192};
    m.samples[1] = {st.data(), 4, 2};
    ASSERT_NE(mixerStartVoice(m, 1, 44100, 1.0f), 0u);
    mix(3);
    for (int j = 0; j < 3; j++) {
        EXPECT_NEAR(out[2 * j], 0.5f, TOLERANCE);
        EXPECT_NEAR(out[2 * j + 1], -0.25f, TOLERANCE);
    }
}

TEST_F(Mixer, AVoiceEndsWithItsSampleAndItsHandleGoesStale)
{
    uint32_t ch = mixerStartVoice(m, 0, 44100, 0.5f);  // below the soft clip's knee
    ASSERT_NE(ch, 0u);
    EXPECT_EQ(mixerVoiceActive(m, ch), 1);
    mix(1000);
    EXPECT_EQ(mixerVoiceActive(m, ch), 1);
    mix(100);  // frames 1000..1099: the sample ends at 1024, silence after it
    EXPECT_EQ(mixerVoiceActive(m, ch), 0);
    EXPECT_NEAR(out[2 * 23], 0.5f * 1023 / 1024.0f, TOLERANCE);
    EXPECT_FLOAT_EQ(out[2 * 24], 0.0f);
    EXPECT_FLOAT_EQ(out[2 * 99], 0.0f);
    // The voice is reused for the next start; the old handle stays stopped.
    uint32_t next = mixerStartVoice(m, 0, 44100, 1.0f);
    EXPECT_NE(next, ch);
    EXPECT_EQ(mixerVoiceActive(m, ch), 0);
    EXPECT_EQ(mixerVoiceActive(m, next), 1);
    EXPECT_EQ(mixerVoiceActive(m, 0), 0);
    EXPECT_EQ(mixerVoiceActive(m, 0xFFFFFFFFu), 0);
}

TEST_F(Mixer, TwoHundredFiftyFiveVoicesAtMost)
{
    for (int i = 0; i < SOUND_MAX_VOICES; i++) ASSERT_NE(mixerStartVoice(m, 0, 44100, 1.0f), 0u) << i;
    EXPECT_EQ(mixerStartVoice(m, 0, 44100, 1.0f), 0u);
    EXPECT_EQ(mixerStartVoice(m, 5, 44100, 1.0f), 0u);    // an empty row
    EXPECT_EQ(mixerStartVoice(m, 300, 44100, 1.0f), 0u);  // no such row
    mixerStopSample(m, 0);
    EXPECT_EQ(mixerStartVoice(m, 0, 0, 1.0f), 0u);  // free voices, but a rate of 0 starts nothing
    EXPECT_NE(mixerStartVoice(m, 0, 8000, 1.0f), 0u);
}

TEST_F(Mixer, LoudSumsBendBelowFullScaleInsteadOfClipping)
{
    std::vector<int16_t> loud(64, mixerSampleFromFloat(0.3f));
    m.samples[2] = {loud.data(), 64, 1};
    for (int i = 0; i < 4; i++) mixerStartVoice(m, 2, 44100, 1.0f);
    mix(32);
    EXPECT_LT(out[0], 1.0f);
    EXPECT_GT(out[0], 0.95f);  // 1.2 in: close to full scale, still below it
    EXPECT_FLOAT_EQ(softClip(0.5f), 0.5f);
    EXPECT_FLOAT_EQ(softClip(-0.8f), -0.8f);
    float prev = 0.0f;
    for (float x = 0.0f; x < 20.0f; x += 0.05f) {
        float y = softClip(x);
        EXPECT_GE(y, prev);
        EXPECT_LE(y, 1.0f);
        EXPECT_FLOAT_EQ(softClip(-x), -y);
        prev = y;
    }
}

TEST_F(Mixer, PausedOutputIsSilentAndNothingAdvances)
{
    uint32_t ch = mixerStartVoice(m, 0, 44100, 1.0f);
    mix(10);
    m.paused = 1;
    mix(5000);
    for (float x : out) EXPECT_FLOAT_EQ(x, 0.0f);
    EXPECT_EQ(mixerVoiceActive(m, ch), 1);
    m.paused = 0;
    mix(1);
    EXPECT_NEAR(out[0], 10 / 1024.0f, TOLERANCE);  // carries on where it paused
}

TEST_F(Mixer, SixteenBitSamplesMixAsTheFloatLevelsTheyCameFromWithinRounding)
{
    // A stereo sine played at an odd rate and volume: the mix of the 16-bit copy stays within the
    // quantisation step of the mix computed in double from the original levels.
    const int n = 4000;
    std::vector<double> level(2 * n);
    std::vector<int16_t> pcm(2 * n);
    for (int i = 0; i < 2 * n; i++) {
        level[i] = 0.7 * std::sin(i * 0.013) * (i % 2 ? -1.0 : 1.0);
        pcm[i] = mixerSampleFromFloat(static_cast<float>(level[i]));
    }
    m.samples[3] = {pcm.data(), n, 2};
    m.globalSfx = 0.9f;
    ASSERT_NE(mixerStartVoice(m, 3, 31013, 0.8f), 0u);
    mix(2000);
    const double step = 31013.0 / 44100.0;
    double worst = 0.0;
    for (int j = 0; j < 2000; j++) {
        double pos = j * step;
        int i = static_cast<int>(pos);
        double f = pos - i;
        for (int c = 0; c < 2; c++) {
            double want = (level[2 * i + c] * (1 - f) + level[2 * (i + 1) + c] * f) * 0.9 * 0.8;
            worst = std::max(worst, std::fabs(out[2 * j + c] - want));
        }
    }
    EXPECT_LT(worst, 0.5 / 32768.0 + 1e-6);
    // The conversion itself: rounding to the nearest step, full scale kept, NaN silent.
    EXPECT_EQ(mixerSampleFromFloat(0.5f), 16384);
    EXPECT_EQ(mixerSampleFromFloat(-1.0f), -32768);
    EXPECT_EQ(mixerSampleFromFloat(1.0f), 32767);
    EXPECT_EQ(mixerSampleFromFloat(3.0f), 32767);
    EXPECT_EQ(mixerSampleFromFloat(-7.0f), -32768);
    EXPECT_EQ(mixerSampleFromFloat(1.4f / 32768.0f), 1);
    EXPECT_EQ(mixerSampleFromFloat(std::nanf("")), 0);
}
