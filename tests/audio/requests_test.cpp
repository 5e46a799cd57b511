// The game side of the audio: the request ring with its 5 ms retrigger rule, starting and
// polling requests once per frame, the music track table and the 800 ms fade.
#include <gtest/gtest.h>

#include <cstdio>

#include "audio/audio.h"
#include "core/appstate.h"
#include "platform/sound/sound.h"

namespace {

class AudioRequests : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetAppState();
        resetAudio();
        app.frameMs = 16.0f;
    }
};

int slotsIn(int state)
{
    int n = 0;
    for (const PlayRequest& r : audio.requests) n += r.state == state ? 1 : 0;
    return n;
}

} // namespace

TEST_F(AudioRequests, AnUnknownNameQueuesNothing)
{
    registerSample("ButtonClick.ogg", 5);
    playSound("buttonclick.ogg");  // names compare case-sensitively
    playSound("Missing.ogg");
    playSound(nullptr);
    EXPECT_EQ(audio.writeCursor, 0);
    EXPECT_EQ(slotsIn(RequestWaiting), 0);
}

TEST_F(AudioRequests, RequestsWithinFiveMsStartTheSampleOnce)
{
    registerSample("BreakSquare.ogg", 21);
    for (int i = 0; i < 6; i++) playSound("BreakSquare.ogg");
    EXPECT_EQ(audio.writeCursor, 1);
    EXPECT_EQ(audio.requests[0].state, RequestWaiting);
    EXPECT_EQ(audio.requests[0].sample, 21u);
    EXPECT_EQ(audio.requests[0].rate, 44100);
    EXPECT_FLOAT_EQ(audio.samples[0].retriggerMs, 5.0f);

    app.frameMs = 3.0f;
    updateAudio();  // 2 ms left
    playSound("BreakSquare.ogg");
    EXPECT_EQ(audio.writeCursor, 1);
    app.frameMs = 2.0f;
    updateAudio();  // 0 ms left: may start again
    playSoundAtRate("BreakSquare.ogg", 26050);
    EXPECT_EQ(audio.writeCursor, 2);
    EXPECT_EQ(audio.requests[1].rate, 26050);
}

TEST_F(AudioRequests, EveryRowOfTheNameIsRequested)
{
    // A data set may hold the same name twice (two rows); each row keeps its own timer.
    registerSample("a.ogg", 1);
    registerSample("a.ogg", 2);
    playSound("a.ogg");
    EXPECT_EQ(audio.writeCursor, 2);
    EXPECT_EQ(audio.requests[0].sample, 1u);
    EXPECT_EQ(audio.requests[1].sample, 2u);
}

TEST_F(AudioRequests, WithoutADeviceAStartedRequestEndsAtTheNextPoll)
{
    ASSERT_EQ(sound.initialised, 0);
    registerSample("AddBomb.ogg", 3);
    playSound("AddBomb.ogg");
    updateAudio();
    EXPECT_EQ(audio.requests[0].state, RequestPlaying);
    EXPECT_EQ(audio.requests[0].channel, 0u);  // nothing could start
    updateAudio();
    EXPECT_EQ(audio.requests[0].state, RequestFree);
}

TEST_F(AudioRequests, TheRingWrapsAndOverwritesItsOldestSlot)
{
    registerSample("a.ogg", 1);
    registerSample("b.ogg", 2);
    for (int i = 0; i < 256; i++) {
        playSound("a.ogg");
        audio.samples[0].retriggerMs = 0.0f;  // as if a frame had passed
    }
    EXPECT_EQ(audio.writeCursor, 0);
    playSound("b.ogg");
    EXPECT_EQ(audio.writeCursor, 1);
    EXPECT_EQ(audio.requests[0].sample, 2u);
    EXPECT_EQ(audio.requests[1].sample, 1u);
}

TEST_F(AudioRequests, TheSampleTableHoldsAtMost256ShortNames)
{
    EXPECT_FALSE(registerSample("a-name-of-exactly-thirty-two.ogg", 1));
    EXPECT_TRUE(registerSample("a-name-of-exactly-thirty-one.og", 1));
    for (int i = 1; i < 256; i++) {
        char name[32];
        std::snprintf(name, sizeof name, "s%i.ogg", i);
        ASSERT_TRUE(registerSample(name, static_cast<uint32_t>(i)));
    }
    EXPECT_FALSE(registerSample("one-more.ogg", 999));
    EXPECT_EQ(audio.sampleCount, 256);
}

TEST_F(AudioRequests, TheTrackTableGivesEachSongItsOrder)
{
    const int orders[] = {0, 17, 31, 47, 72, 89, 92};
    for (int t = 0; t < 7; t++) EXPECT_EQ(musicTrackOrder(t), orders[t]) << t;
    EXPECT_EQ(musicTrackOrder(7), 0);
    EXPECT_EQ(musicTrackOrder(-1), 0);
    EXPECT_NE(musicTrackOrder(0), musicTrackOrder(6));
}

TEST_F(AudioRequests, ANewSongFadesTheOldOneOutOver800Ms)
{
    startMusicNow(0);
    EXPECT_EQ(audio.currentOrder, 0);
    EXPECT_EQ(audio.musicVolumeSet, 100);
    requestMusic(6);
    EXPECT_EQ(audio.requestedOrder, 92);
    EXPECT_FLOAT_EQ(audio.fadeMs, 800.0f);
    app.frameMs = 200.0f;
    updateAudio();
    EXPECT_EQ(audio.musicVolumeSet, 75);  // 600 / 8
    EXPECT_EQ(audio.currentOrder, 0);     // the old song still plays
    app.frameMs = 599.0f;
    updateAudio();
    EXPECT_EQ(audio.musicVolumeSet, 0);   // 1 ms left: 1 / 8 truncates to 0
    EXPECT_EQ(audio.currentOrder, 0);
    app.frameMs = 1.0f;
    updateAudio();
    EXPECT_EQ(audio.currentOrder, 92);
    EXPECT_EQ(audio.musicVolumeSet, 100);
    EXPECT_FLOAT_EQ(audio.fadeMs, 0.0f);
}

TEST_F(AudioRequests, RequestingTheRequestedSongDoesNothingEvenMidFade)
{
    startMusicNow(0);
    requestMusic(5);
    app.frameMs = 300.0f;
    updateAudio();
    requestMusic(5);  // does not restart the fade
    EXPECT_FLOAT_EQ(audio.fadeMs, 500.0f);
    requestMusic(7);  // order 0 is not the requested order 89: a new fade towards it
    EXPECT_EQ(audio.requestedOrder, 0);
    EXPECT_FLOAT_EQ(audio.fadeMs, 800.0f);
    startMusicNow(0);  // already requested: nothing, the fade runs on
    EXPECT_FLOAT_EQ(audio.fadeMs, 800.0f);
    startMusicNow(1);
    EXPECT_EQ(audio.currentOrder, 17);
    EXPECT_FLOAT_EQ(audio.fadeMs, 0.0f);
}
