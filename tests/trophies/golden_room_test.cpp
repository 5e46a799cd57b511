// The trophy room drawn by the trophy screen on the OpenGL device with the default data set, at
// fixed frame times, against stored pictures: the hall with two trophies won (the others
// glowing), and the presentation dialog of a newly won trophy.
#include "graphics/screen_golden.h"

#include "app/screens.h"
#include "audio/audio.h"
#include "core/requestlog.h"
#include "effects/backdrops.h"
#include "effects/effects.h"
#include "menus/menus.h"
#include "persist/profile.h"
#include "trophies/trophies.h"
#include "trophies/trophylayout.h"
#include "trophies/trophyroom.h"
#include "ui/font.h"
#include "ui/messages.h"

namespace {

constexpr float FRAME_MS = 20.0f;

class RoomGolden : public ScreenGoldenTest {
protected:
    void SetUp() override
    {
        GraphicsTest::SetUp();
        startWithBuiltDataSet("trophyes/trophy.cfg");
        if (HasFatalFailure()) return;
        resetMenus();
        resetEffects();
        resetBackdrop();
        resetTrophies();
        resetTrophyLayout();
        resetTrophyRoom();
        trophyRoute = TrophyRoute{};
        clearRequests();
        ASSERT_TRUE(openBuiltDataSet(data, true));
        ASSERT_TRUE(loadFont("font", 1.0f, 1.0f));
        loadMenuPictures();
        loadEffects();
        loadBackdropCatalogue();
        ASSERT_TRUE(loadTrophies());
        ASSERT_EQ(ExitRecorder::exits(), 0) << textureManager.lastMessage;
        std::filesystem::create_directories(dir + "/settings");
        persist.folderOverride[0] = 0;
        std::snprintf(persist.folderOverride, sizeof persist.folderOverride, "%s/settings", dir.c_str());
        resetProfiles();
        ASSERT_TRUE(createProfile("Mira"));
        screens.currentScreen = &screens.trophy;
        app.frameMs = FRAME_MS;
        app.mouseX = 790;  // the pointer low on the right, away from every trophy
        app.mouseY = 590;
    }
    void TearDown() override
    {
        resetTrophyRoom();
        resetMenus();
        resetTextState();
        resetMessages();
        resetTextTables();
        GraphicsTest::TearDown();
    }
    void run(int frames, bool present = false)
    {
        for (int i = 0; i < frames; i++) {
            clearDepth(1.0f);
            clearColor(0xFF000000);
            beginScene();
            screens.trophy.render();
            endScene();
            if (present) presentFrame();
            app.globalTimeMs += app.frameMs;
        }
    }
};

TEST_F(RoomGolden, TwoTrophiesWonAndTheOthersGlowing)
{
    ASSERT_TRUE(awardTrophy(4, "+mira"));
    ASSERT_TRUE(awardTrophy(16, "+mira"));
    presentTrophy(4, "+mira");
    presentTrophy(16, "+mira");
    enterTrophyRoom(TROPHY_RETURN_MAIN);
    ASSERT_EQ(ExitRecorder::exits(), 0) << textureManager.lastMessage;
    run(75);  // 1500 ms: faded in, nothing to present
    EXPECT_EQ(trophyRoom.presentation, Presentation::Idle);
    expectGolden(frame(), "trophy_room_two_won");
}

// The room at rest redraws its trophies' pulsing glows from a copy of the still layers under them
// (backdrop, shelves) kept by the device, and comes out as whole frames do.
TEST_F(RoomGolden, TheRoomAtRestRedrawsOnlyTheGlowsOverItsStillLayers)
{
    ASSERT_TRUE(awardTrophy(4, "+mira"));
    presentTrophy(4, "+mira");
    enterTrophyRoom(TROPHY_RETURN_MAIN);
    run(75, true);
    ASSERT_EQ(trophyRoom.presentation, Presentation::Idle);
    app.frameMs = 1000.0f / 15.0f;
    StillCacheFigures f = withAndWithoutStillCache([&] { run(30, true); });
    EXPECT_EQ(f.with.damageMismatches, 0);
    EXPECT_GT(f.with.cachedPixels, 0);
    EXPECT_LT(f.with.coveredPixels * 3, f.without.coveredPixels)
        << f.with.coveredPixels / 30 << " against " << f.without.coveredPixels / 30 << " pixels a frame";
}

TEST_F(RoomGolden, ThePresentationOfANewTrophy)
{
    ASSERT_TRUE(awardTrophy(3, "+mira"));
    presentTrophy(3, "+mira");
    ASSERT_TRUE(awardTrophy(12, "+mira"));
    enterTrophyRoom(TROPHY_RETURN_GAME);
    run(90);  // 1800 ms: grown and waiting for its button
    ASSERT_EQ(trophyRoom.presentation, Presentation::Waiting);
    ASSERT_EQ(trophyRoom.presented, 12);
    expectGolden(frame(), "trophy_room_presentation");
}

}  // namespace
