// The adventure map drawn by the menu screen on the OpenGL device with the default data set, at
// fixed frame times, under the adventure's dialog, against stored pictures: the ring of stage 1,
// a stage picture in the middle of its reveal, the artefact screen and the congratulation panel.
#include "graphics/screen_golden.h"
#include "core/dialogport.h"

#include "app/screens.h"
#include "audio/audio.h"
#include "core/requestlog.h"
#include "graphics/textures.h"
#include "map/map.h"
#include "map/stagepicture.h"
#include "menus/dialogflow.h"
#include "menus/menus.h"
#include "persist/profile.h"
#include "resources/texts.h"
#include "ui/font.h"
#include "ui/messages.h"

namespace {

constexpr float FRAME_MS = 20.0f;

class MapGolden : public ScreenGoldenTest {
protected:
    void SetUp() override
    {
        GraphicsTest::SetUp();
        startWithBuiltDataSet("mapspline.spl");
        if (HasFatalFailure()) return;
        menus = MenusState{};
        resetDialogPort();
        clearRequests();
        ASSERT_TRUE(openBuiltDataSet(data, false));
        ASSERT_TRUE(loadFont("font", 1.0f, 1.0f));
        // The mode dialog over the map, with the framework's panels and buttons.
        resetDialogs();
        loadMenus("txt/2/");
        loadMenuPictures();
        ASSERT_NE(findDialog("adventure"), nullptr);
        resetMap();
        loadMap();
        ASSERT_TRUE(ensureMapPictures()) << textureManager.lastMessage;
        ASSERT_GT(mapState.path.count, 100);
        ASSERT_EQ(ExitRecorder::exits(), 0) << textureManager.lastMessage;
        resetProfiles();
        ASSERT_TRUE(createProfile("Mira"));
        setProfileMode(0);
        screens.menu.menuMode = MENU_MODE_MAP;
        app.frameMs = FRAME_MS;
        pointAt(Vec2{300.0f, -290.0f});  // below the info panel: nothing answers there
    }
    void TearDown() override
    {
        resetMap();
        resetDialogs();
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
            screens.menu.render();
            endScene();
            if (present) presentFrame();
            app.globalTimeMs += app.frameMs;
        }
    }
    void pointAt(const Vec2& p)
    {
        app.mouseX = static_cast<int>(p.x + 400.0f);
        app.mouseY = static_cast<int>(300.0f - p.y);
    }
};

TEST_F(MapGolden, RingOfStageOne)
{
    setProfileLevel(2);
    openDialog("adventure");
    run(120);  // the ring has flown in; level 2 glows as the chosen one
    EXPECT_EQ(mapState.currentStage, 0);
    EXPECT_FLOAT_EQ(mapState.ringTimer, -1.0f);
    expectGolden(frame(), "map_ring_stage1");
}

// The map's frames drawn only where they changed are the frames a whole redraw gives (every frame
// the device keeps in part is also drawn whole and compared): the ring flying in, then a stage
// picture's cover blinking away after a won stage.
TEST_F(MapGolden, FramesDrawnWhereTheyChangedAreTheWholeFrames)
{
    GpuStats stats = withDamageCheck([&] {
        setProfileLevel(2);
        openDialog("adventure");
        run(140, true);
        setProfileLevel(16);
        openModeDialogAfterLevel(0, 15, false);
        run(120, true);
    });
    EXPECT_EQ(stats.damageMismatches, 0);
    EXPECT_GT(stats.partialFrames + stats.unchangedFrames, 20);
}

// The map at rest redraws the chosen level's glow and the blinking hint from a copy of the still
// layers under them kept by the device, and comes out as whole frames do.
TEST_F(MapGolden, TheMapAtRestRedrawsOnlyWhatMovesOverItsStillLayers)
{
    setProfileLevel(2);
    openDialog("adventure");
    run(140, true);
    app.frameMs = 1000.0f / 15.0f;
    StillCacheFigures f = withAndWithoutStillCache([&] { run(30, true); });
    EXPECT_EQ(f.with.damageMismatches, 0);
    EXPECT_GT(f.with.cachedPixels, 0);
    EXPECT_LT(f.with.coveredPixels * 3, f.without.coveredPixels * 2)
        << f.with.coveredPixels / 30 << " against " << f.without.coveredPixels / 30 << " pixels a frame";
}

// The map's pictures are resident only while the map can show: the menus turning to the main
// menu or another screen showing releases them (the covers' masks go once the covers are made),
// entering the map or drawing it loads them again.
TEST_F(MapGolden, PicturesAreResidentOnlyWhileTheMapCanShow)
{
    const char* names[] = {"megamap.jpg", "mapback.jpg", "mapstar.tga", "artefacts\\art00.jpg", "mask\\zaglushka.jpg",
                           "mapcover1", "mask\\cover1.tga"};
    auto resident = [&] {
        int n = 0;
        for (const char* name : names) n += findTexture(name) ? 1 : 0;
        return n;
    };
    EXPECT_EQ(resident(), 7);
    EXPECT_EQ(findTexture("mask\\mask1.tga"), nullptr);
    setMenuMode(MENU_MODE_MAIN);
    EXPECT_EQ(resident(), 0);
    EXPECT_EQ(mapState.picturesLoaded, 0);
    setMenuMode(MENU_MODE_MAP);
    enterMap(-1, false);
    EXPECT_EQ(resident(), 7);
    screens.menu.deactivate();
    EXPECT_EQ(resident(), 0);
    drawMap(0);
    EXPECT_EQ(resident(), 7);
    EXPECT_EQ(mapState.picturesLoaded, 1);
}

TEST_F(MapGolden, StagePictureMidReveal)
{
    setProfileLevel(16);
    openModeDialogAfterLevel(0, 15, false);  // the first level of stage 4 was just won
    int frames = 0;
    while (!stagePictures.picture.reveal && frames < 200) {
        run(1);
        frames++;
    }
    ASSERT_EQ(stagePictures.picture.reveal, 1);
    run(22);  // 440 ms into the blink: the old cover is at its faintest
    expectGolden(frame(), "map_stage_picture_reveal");
}

TEST_F(MapGolden, ArtefactScreen)
{
    setProfileLevel(9);
    openModeDialogAfterLevel(0, 8, false);  // the last level of stage 2 was just won
    int frames = 0;
    while (stagePictures.panel.state != 2 && frames < 600) {
        run(1);
        frames++;
    }
    ASSERT_EQ(stagePictures.panel.state, 2);
    run(40);  // the title and the story have faded in, "ok" has grown
    expectGolden(frame(), "map_artefact_screen");
}

TEST_F(MapGolden, CongratulationPanel)
{
    setProfileLevel(128);
    setProfileLevel(0);
    openModeDialogAfterLevel(0, 128, true);
    int frames = 0;
    while (stagePictures.panel.state != 2 && frames < 600) {
        run(1);
        frames++;
    }
    ASSERT_EQ(stagePictures.panel.state, 2);
    run(40);  // "ok" has grown
    pointAt(Vec2{0.0f, -220.0f});
    EXPECT_TRUE(mapClick());
    EXPECT_EQ(stagePictures.panel.state, 3);
    pointAt(Vec2{300.0f, -290.0f});
    while (mapState.congratState != 1 && frames < 1200) {
        run(1);
        frames++;
    }
    ASSERT_EQ(mapState.congratState, 1);
    run(5);
    expectGolden(frame(), "map_congratulation");
}

} // namespace
