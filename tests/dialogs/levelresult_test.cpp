// The level result's count-up: four lines of 500 ms each, one burst per line, and the two
// Enter presses (the first shows everything, the second is left to the button).
#include <gtest/gtest.h>

#include "menus/levelresult.h"

TEST(LevelResult, EachLineCountsUpInItsOwnHalfSecondAndStartsOneBurst)
{
    startLevelResult(12345, 7, 40, 95500);
    int started[8];
    int starts = 0;
    // 50 frames of 20 ms: four phases of 500 ms, then the frame that marks the end.
    for (int frame = 0; frame < 110; frame++) {
        int line = stepLevelResult(20.0f);
        if (line >= 0) started[starts++] = line;
        if (frame == 12) {
            // 260 ms into the first line: about half the score, nothing of the others yet.
            EXPECT_EQ(levelResultShown(0), static_cast<int>(12345 * (260.0f / 500.0f)));
            EXPECT_EQ(levelResultShown(1), 0);
        }
        if (frame == 40) {
            // The score is complete; the combo is 300 ms into its line; the moves wait.
            EXPECT_EQ(levelResultShown(0), 12345);
            EXPECT_EQ(levelResultShown(1), 4);
            EXPECT_EQ(levelResultShown(2), 0);
        }
    }
    ASSERT_EQ(starts, 4);
    for (int i = 0; i < 4; i++) EXPECT_EQ(started[i], i);
    EXPECT_EQ(levelResultView.done, 1);
    EXPECT_EQ(levelResultShown(3), 95500);
    EXPECT_FLOAT_EQ(levelResultBurstY(0), 100.0f);
    EXPECT_FLOAT_EQ(levelResultBurstY(3), -50.0f);
}

TEST(LevelResult, TheFirstEnterShowsEverythingAndTheSecondGoesToTheButton)
{
    startLevelResult(500, 3, 12, 61000);
    stepLevelResult(16.0f);
    stepLevelResult(16.0f);
    ASSERT_EQ(levelResultView.done, 0);
    EXPECT_TRUE(levelResultEnter());
    EXPECT_EQ(levelResultView.done, 1);
    for (int line = 0; line < RESULT_LINES; line++) EXPECT_FLOAT_EQ(levelResultView.fraction[line], 1.0f);
    EXPECT_EQ(levelResultShown(0), 500);
    EXPECT_EQ(levelResultShown(2), 12);
    // No more bursts once finished, and the next Enter is the button's.
    EXPECT_EQ(stepLevelResult(600.0f), -1);
    EXPECT_FALSE(levelResultEnter());
    // A count-up that ran out by itself leaves the first Enter to the button too.
    startLevelResult(1, 1, 1, 1);
    for (int i = 0; i < 6; i++) stepLevelResult(501.0f);
    EXPECT_EQ(levelResultView.done, 1);
    EXPECT_FALSE(levelResultEnter());
}

TEST(LevelResult, TimesSplitIntoMinutesAndSecondsAndRecordsCompareInclusively)
{
    int m = -1, s = -1;
    splitMinutesSeconds(125999, &m, &s);
    EXPECT_EQ(m, 2);
    EXPECT_EQ(s, 5);
    splitMinutesSeconds(-40, &m, &s);
    EXPECT_EQ(m, 0);
    EXPECT_EQ(s, 0);
    EXPECT_TRUE(beatsRecord(30, 31));
    EXPECT_TRUE(beatsRecord(31, 31));
    EXPECT_FALSE(beatsRecord(32, 31));
    int low = recordPulseAlpha(-157.08f);  // sin = -1
    int high = recordPulseAlpha(157.08f);  // sin = 1
    EXPECT_EQ(low, 128);
    EXPECT_EQ(high, 255);
}
