// The default data set's mix, measured through the game's audio path (ostrimar-data mix): the
// game songs carry, the ambience of a level and of the trophy room sits at least 10 dB under the
// quietest of them, the loudest effects peak 1 to 3 dB under full scale, and nothing reaches full
// scale, even with every voice of a busy bonus chain over the music and the water.
#include "mixlevels.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

TEST(MixLevels, MusicCarriesAmbienceSitsUnderEffectsKeepHeadroom)
{
    std::string data = std::string(OSTRIMAR_BINARY_DIR) + "/Data/";
    if (!std::filesystem::exists(data + "music.mo3")) GTEST_SKIP() << "the default data set is not built";
    static MixLevels m;
    ASSERT_TRUE(measureMixLevels(data.c_str(), nullptr, &m));
    ASSERT_GT(m.count, 50);  // seven songs, three ambiences, the effects, the busy chain
    EXPECT_GT(m.musicRmsDb, -30.0);
    EXPECT_LT(m.musicRmsDb, -18.0);
    EXPECT_LE(m.ambienceRmsDb, m.musicRmsDb - 10.0);
    EXPECT_GT(m.ambienceRmsDb, -55.0);  // still heard
    EXPECT_GE(m.loudestEffectDb, -3.05);
    EXPECT_LE(m.loudestEffectDb, -1.0);
    for (int i = 0; i < m.count; i++) EXPECT_EQ(m.stems[i].atFullScale, 0) << m.stems[i].name;
    EXPECT_EQ(m.busyAtFullScale, 0);
    // The shutter's whoosh, heard on every screen change, peaks no higher than the menu's
    // line-select tick, the quietest of the menu sounds.
    double gag = 0.0, lineSelect = -200.0;
    for (int i = 0; i < m.count; i++) {
        if (std::strcmp(m.stems[i].name, "effect-Gag") == 0) gag = m.stems[i].peakDb;
        if (std::strcmp(m.stems[i].name, "effect-MenuLineSelect") == 0) lineSelect = m.stems[i].peakDb;
    }
    EXPECT_LT(gag, 0.0);
    EXPECT_LE(gag, lineSelect);
}
