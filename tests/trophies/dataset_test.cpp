// The default data set's trophies: "trophy.txt" names seventeen pictures and glows that exist,
// and "trophy.cfg" stands every trophy on the screen without two of them overlapping.
#include "graphics/gfx_helpers.h"

#include "trophies/trophies.h"
#include "trophies/trophylayout.h"

#include <cmath>

namespace {

class TrophyData : public GraphicsTest {
protected:
    void SetUp() override
    {
        GraphicsTest::SetUp();
        data = std::string(OSTRIMAR_BINARY_DIR) + "/Data";
        ASSERT_TRUE(std::filesystem::exists(data + "/trophyes/trophy.txt")) << "the data set is built by the dataset target";
        resetTrophies();
        resetTrophyLayout();
    }
    std::string data;
};

TEST_F(TrophyData, EveryTrophyHasItsPicturesAndAPlaceOfItsOwnOnTheShelves)
{
    std::snprintf(app.dataDir, sizeof app.dataDir, "%s/", data.c_str());
    ASSERT_TRUE(osSetCurrentDirectory(app.dataDir));
    ASSERT_TRUE(loadTrophies());
    std::vector<uint8_t> cfg = gfxReadBytes(data + "/trophyes/trophy.cfg");
    ASSERT_TRUE(trophyLayoutFromBytes(cfg.data(), int32_t(cfg.size())));
    for (int i = 0; i < TROPHY_COUNT; i++) {
        ASSERT_NE(trophies.image[i][0], 0) << i;
        ASSERT_NE(trophies.glow[i][0], 0) << i;
        EXPECT_TRUE(std::filesystem::exists(data + "/trophyes/" + trophies.image[i])) << trophies.image[i];
        EXPECT_TRUE(std::filesystem::exists(data + "/trophyes/" + trophies.glow[i])) << trophies.glow[i];
        const TrophySlot& a = trophyLayout.slots[i];
        float w = a.width * a.scale, h = a.height * a.scale;
        EXPECT_LE(std::fabs(a.x) + w / 2.0f, 400.0f) << i;
        EXPECT_LE(std::fabs(a.y) + h / 2.0f, 300.0f) << i;
        // clear of the exit button in the top left corner
        EXPECT_FALSE(a.x - w / 2.0f < -332.0f && a.y + h / 2.0f > 232.0f) << i;
        for (int j = i + 1; j < TROPHY_COUNT; j++) {
            const TrophySlot& b = trophyLayout.slots[j];
            // the trophy fills about the inner three quarters of its picture
            bool apartX = std::fabs(a.x - b.x) >= 0.75f * (w + b.width * b.scale) / 2.0f;
            bool apartY = std::fabs(a.y - b.y) >= 0.75f * (h + b.height * b.scale) / 2.0f;
            EXPECT_TRUE(apartX || apartY) << i + 1 << " and " << j + 1;
        }
    }
}

}  // namespace
