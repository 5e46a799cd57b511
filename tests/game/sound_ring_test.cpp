// The ring of sound requests: name lookup, the 5 ms retrigger rule, wrapping, and starting
// the waiting requests once per frame; and the break sounds a run of clicks asks for.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "board_helpers.h"

namespace {

int slotsIn(int state)
{
    int n = 0;
    for (const PlayRequest& r : audio.requests) n += r.state == state ? 1 : 0;
    return n;
}

} // namespace

TEST(SoundRing, AnUnknownNameIsRecordedButQueuesNothing)
{
    resetGame();
    registerSample("ButtonClick.ogg", 5);
    playSound("buttonclick.ogg");  // names compare case-sensitively
    EXPECT_EQ(countRequests("playSound", "buttonclick.ogg"), 1);
    EXPECT_EQ(audio.writeCursor, 0);
    EXPECT_EQ(slotsIn(RequestWaiting), 0);
}

TEST(SoundRing, RequestsWithinFiveMsStartTheSampleOnce)
{
    resetGame();
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

TEST(SoundRing, UpdateStartsWaitingRequestsAndFreesEndedOnes)
{
    resetGame();
    registerSample("AddBomb.ogg", 3);
    playSound("AddBomb.ogg");
    updateAudio();
    EXPECT_EQ(audio.requests[0].state, RequestPlaying);
    EXPECT_EQ(countRequests("startVoice"), 1);
    EXPECT_EQ(lastRequest("startVoice")->a, 3);
    updateAudio();  // no voice plays without the sound library: the slot is free again
    EXPECT_EQ(audio.requests[0].state, RequestFree);
    EXPECT_EQ(countRequests("startVoice"), 1);
}

TEST(SoundRing, TheRingWrapsAndOverwritesItsOldestSlot)
{
    resetGame();
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

TEST(SoundRing, TheSampleTableHoldsAtMost256ShortNames)
{
    resetGame();
    EXPECT_FALSE(registerSample("a-name-of-exactly-thirty-two.ogg", 1));
    EXPECT_TRUE(registerSample("a-name-of-exactly-thirty-one.og", 1));
    for (int i = 1; i < 256; i++) {
        char name[32];
        std::snprintf(name, sizeof name, "s%i.ogg", i);
        ASSERT_TRUE(registerSample(name, static_cast<uint32_t>(i)));
    }
    EXPECT_FALSE(registerSample("one-more.ogg", 999));
    EXPECT_EQ(audio.sampleCount, 256);
    playSound(nullptr);  // no crash, nothing queued
    EXPECT_EQ(audio.writeCursor, 0);
}

TEST(SoundRing, TenClicksOfOneColourClimbThroughTheBreakSounds)
{
    resetGame();
    drawNoMovesBoard();
    for (int streak = 0; streak < 10; streak++) {
        play.colourStreak = streak;
        at(5, 5).state = FigureState::Breaking;
        at(5, 5).colour = 1;
        resolveStep();
        const RecordedRequest* r = lastRequest("playSound");
        ASSERT_NE(r, nullptr);
        if (streak < 8) {
            EXPECT_EQ(std::string(r->name), "BreakFigure" + std::to_string(streak + 1) + ".ogg");
            EXPECT_EQ(r->a, 44100);
        } else {
            EXPECT_STREQ(r->name, "BreakFigure.ogg");
            EXPECT_EQ(r->a, streak == 8 ? 24050 : 26050);
        }
    }
}
