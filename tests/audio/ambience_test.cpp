// The ambient sounds of play and of the trophy room: when a period passes, the order of the
// bird calls, and the water sound each backdrop gets.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audio/ambience.h"
#include "audio/audio.h"
#include "core/appstate.h"
#include "core/random.h"

namespace {

const char* const NAMES[] = {"birds1.ogg", "birds2.ogg", "birds3.ogg", "brook.ogg", "waterfall.ogg"};

class Ambience : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetAppState();
        resetAudio();
        srand15(7);
        for (int i = 0; i < 5; i++) registerSample(NAMES[i], static_cast<uint32_t>(i + 1));
    }
    // The names queued since the last call, in order; retrigger timers are cleared as a frame would.
    std::vector<std::string> drain()
    {
        std::vector<std::string> got;
        for (int i = seen; i != audio.writeCursor; i = (i + 1) % REQUEST_RING_SIZE)
            got.push_back(NAMES[audio.requests[i].sample - 1]);
        seen = audio.writeCursor;
        for (int i = 0; i < audio.sampleCount; i++) audio.samples[i].retriggerMs = 0.0f;
        return got;
    }
    // Runs a clock from 0 in frames of dt ms up to end; the times (before the frame) at which
    // `name` was queued.
    std::vector<int> run(int dt, int end, const char* name, int backdrop)
    {
        std::vector<int> at;
        for (int t = 0; t < end; t += dt) {
            updatePlayAmbience(t, dt, backdrop);
            for (const std::string& n : drain())
                if (n.rfind(name, 0) == 0) at.push_back(t);
        }
        return at;
    }
    int seen = 0;
};

} // namespace

TEST_F(Ambience, APeriodPassesAtZeroAndWhereTheClockWrapsPastItsMiddle)
{
    EXPECT_TRUE(ambiencePeriodPassed(0, 16, 6200));
    EXPECT_FALSE(ambiencePeriodPassed(16, 16, 6200));
    EXPECT_FALSE(ambiencePeriodPassed(3099, 1, 6200));
    // 6190 mod 6200 = 6190 >= 3100, then 6206 mod 6200 = 6 < 3100.
    EXPECT_TRUE(ambiencePeriodPassed(6190, 16, 6200));
    EXPECT_FALSE(ambiencePeriodPassed(6206, 16, 6200));
    EXPECT_TRUE(ambiencePeriodPassed(3090, 10, 3100));
    EXPECT_FALSE(ambiencePeriodPassed(3100, 10, 3100));
    EXPECT_TRUE(ambiencePeriodPassed(2999, 1, 3000));
    // A clock that stands still passes nothing, whatever the frame time was.
    EXPECT_FALSE(ambiencePeriodPassed(0, 0, 6200));
    EXPECT_FALSE(ambiencePeriodPassed(2990, 0, 3000));
    // A frame longer than half a period can jump over the middle and miss a pass.
    EXPECT_FALSE(ambiencePeriodPassed(1000, 4000, 3000));
}

TEST_F(Ambience, BirdsSingEvery6200MsInAWanderingOrder)
{
    std::vector<int> at = run(16, 20000, "birds", -1);
    // At 0, then in the frames that reach 6200, 12400 and 18600.
    ASSERT_EQ(at.size(), 4u);
    EXPECT_EQ(at[0], 0);
    EXPECT_EQ(at[1], 6192);
    EXPECT_EQ(at[2], 12384);
    EXPECT_EQ(at[3], 18592);
    // The counter starts at 0 ("birds1") and moves on by 1 or 2 each time.
    resetAudio();
    for (int i = 0; i < 5; i++) registerSample(NAMES[i], static_cast<uint32_t>(i + 1));
    seen = 0;
    std::vector<std::string> calls;
    for (int t = 0; t < 6200 * 40 - 100; t += 100) {
        updatePlayAmbience(t, 100, -1);
        for (const std::string& n : drain()) calls.push_back(n);
    }
    ASSERT_EQ(calls.size(), 40u);
    EXPECT_EQ(calls[0], "birds1.ogg");
    int k = 0, ones = 0;
    for (size_t i = 1; i < calls.size(); i++) {
        int prev = calls[i - 1][5] - '1', cur = calls[i][5] - '1';
        int step = (cur - prev + 3) % 3;
        EXPECT_TRUE(step == 1 || step == 2) << i;
        ones += step == 1;
        k++;
    }
    EXPECT_GT(ones, 5);          // both steps happen
    EXPECT_LT(ones, k - 5);
}

TEST_F(Ambience, EachBackdropHasItsWater)
{
    for (int b : {0, 1, 3, 4, 7}) EXPECT_STREQ(ambienceWaterSound(b), "brook.ogg") << b;
    for (int b : {2, 5, 6, 8, 12, 16}) EXPECT_STREQ(ambienceWaterSound(b), "waterfall.ogg") << b;
    for (int b : {-1, 17, 40}) EXPECT_EQ(ambienceWaterSound(b), nullptr) << b;
    // A brook runs every 3100 ms, a waterfall every 3000 ms, in 10 ms frames.
    EXPECT_EQ(run(10, 10000, "brook", 3), (std::vector<int>{0, 3090, 6190, 9290}));
    EXPECT_EQ(run(10, 10000, "waterfall", 9), (std::vector<int>{0, 2990, 5990, 8990}));
    EXPECT_TRUE(run(10, 10000, "brook", 9).empty());
    EXPECT_TRUE(run(10, 10000, "waterfall", 17).empty());
}

TEST_F(Ambience, TheTrophyRoomHasItsOwnBirdsAndAWaterfall)
{
    playAmbience.birdCounter = 2;
    updateTrophyRoomAmbience(0, 16);  // at entry: both
    std::vector<std::string> got = drain();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0], "birds1.ogg");  // the room's counter, not the game's
    EXPECT_EQ(got[1], "waterfall.ogg");
    EXPECT_EQ(playAmbience.birdCounter, 2);
    EXPECT_GE(roomAmbience.birdCounter, 1);
    updateTrophyRoomAmbience(2990, 16);
    EXPECT_EQ(drain(), (std::vector<std::string>{"waterfall.ogg"}));
    updateTrophyRoomAmbience(3006, 16);
    EXPECT_TRUE(drain().empty());
}
