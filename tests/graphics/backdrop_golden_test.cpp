// The living backdrops of the default data set drawn on the OpenGL device at fixed frame times:
// every land moves by itself, four lands at two clocks each (the old mill with its turning
// windmill) and a cross-fade with its camera move midway, against stored pictures. With
// OSTRIMAR_ART_PREVIEW=<folder> every land's two frames are also written there as PNG files, to
// look at.
#include "gfx_helpers.h"
#include "core/dialogport.h"

#include "effects/backdrops.h"
#include "menus/menus.h"

namespace {

constexpr float STEP_MS = 40.0f;   // frames of the golden pictures
constexpr float QUICK_MS = 500.0f; // frames of the look over every land

class BackdropGolden : public GraphicsTest {
protected:
    void SetUp() override
    {
        GraphicsTest::SetUp();
        data = std::string(OSTRIMAR_BINARY_DIR) + "/Data";
        ASSERT_TRUE(std::filesystem::exists(data + "/AnimBacks/gameobjs.txt")) << "the data set is built by the dataset target";
        startGl();
        resetBackdrop();
        menus = MenusState{};
        resetDialogPort();
        ASSERT_TRUE(openBuiltDataSet(data, false));
        begin2D();
        loadBackdropCatalogue();
        ASSERT_EQ(ExitRecorder::exits(), 0) << textureManager.lastMessage;
    }
    void TearDown() override
    {
        resetBackdrop();
        menus = MenusState{};
        resetDialogPort();
        GraphicsTest::TearDown();
    }
    // Runs frames of STEP_MS until the program clock reaches untilMs, then returns the last one.
    ImageData runUntil(float untilMs, bool withCameraMove = false, float stepMs = STEP_MS)
    {
        do {
            clearDepth(1.0f);
            clearColor(0xFF000000);
            beginScene();
            begin2D();
            drawBackdrop(withCameraMove);
            endScene();
            app.globalTimeMs += app.frameMs;
            app.frameMs = stepMs;
        } while (app.globalTimeMs < untilMs);
        return frame();
    }
    // Backdrop n from a fresh program clock, at two clocks.
    void twoClocks(int n, ImageData* early, ImageData* late, float stepMs = STEP_MS)
    {
        setBackdrop(n);
        app.globalTimeMs = 0.0f;
        app.frameMs = 0.0f;
        *early = runUntil(1000.0f, false, stepMs);
        *late = runUntil(4000.0f, false, stepMs);
    }
    static int differingPixels(const ImageData& a, const ImageData& b, int x0 = 0, int y0 = 0, int x1 = 800, int y1 = 600)
    {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) n += nearRgb(pixelAt(a, x, y), pixelAt(b, x, y), 6) ? 0 : 1;
        return n;
    }
    std::string data;
};

TEST_F(BackdropGolden, EveryLandMovesByItself)
{
    const char* preview = std::getenv("OSTRIMAR_ART_PREVIEW");
    for (int n = 0; n < BACKDROP_COUNT; ++n) {
        ImageData early, late;
        twoClocks(n, &early, &late, QUICK_MS);
        EXPECT_GT(backdrop.lastDrawnObjects, 0) << "backdrop " << n;
        EXPECT_GT(differingPixels(early, late), 500) << "backdrop " << n << " stands still";
        if (preview) {
            std::vector<uint8_t> png;
            for (int k = 0; k < 2; ++k)
                if (imageEncodePng(k ? late : early, &png))
                    gfxWriteBytes(std::string(preview) + "/living" + std::to_string(n) + (k ? "b" : "a") + ".png", png);
        }
    }
    EXPECT_EQ(ExitRecorder::exits(), 0) << textureManager.lastMessage;
}

TEST_F(BackdropGolden, WaterfallFlowsAndSprays)
{
    ImageData early, late;
    twoClocks(4, &early, &late);
    // the fall (picture x 151..215, y 121..421) and the pool below it flow
    EXPECT_GT(differingPixels(early, late, 155, 130, 210, 410), 1500);
    EXPECT_GT(differingPixels(early, late, 240, 430, 590, 490), 300);
    int spray = 0;
    for (const SpraySprite& s : backdrop.spray) spray += s.life > 0.0f ? 1 : 0;
    EXPECT_GT(spray, 5);
    expectGolden(early, "backdrop_waterfall_1000ms");
    expectGolden(late, "backdrop_waterfall_4000ms");
}

TEST_F(BackdropGolden, CliffsAndFireMountainAtTwoClocks)
{
    ImageData early, late;
    twoClocks(11, &early, &late);
    expectGolden(early, "backdrop_cliffs_1000ms");
    expectGolden(late, "backdrop_cliffs_4000ms");
    twoClocks(14, &early, &late);
    expectGolden(early, "backdrop_fire_1000ms");
    expectGolden(late, "backdrop_fire_4000ms");
}

TEST_F(BackdropGolden, OldMillsWindmillTurnsBetweenTwoClocks)
{
    ImageData early, late;
    twoClocks(5, &early, &late);
    // the windmill (screen -330..-210 x 110..-30: picture x 70..190, y 190..330) turns its sails
    EXPECT_GT(differingPixels(early, late, 70, 190, 190, 330), 400);
    expectGolden(early, "backdrop_mill_1000ms");
    expectGolden(late, "backdrop_mill_4000ms");
}

TEST_F(BackdropGolden, CrossFadeMidwayWithTheCameraMove)
{
    setBackdrop(3);
    app.globalTimeMs = 0.0f;
    app.frameMs = 0.0f;
    runUntil(500.0f, true);
    prepareBackdrop(10);
    // 3000 ms of fade clock falls by the frame time with the camera move: 750 ms in, s = 0.25
    ImageData f = runUntil(1250.0f, true);
    EXPECT_NEAR(backdrop.fadeMs, 2250.0f, STEP_MS + 1.0f);
    EXPECT_GT(backdrop.lastScale, 1.05f);
    expectGolden(f, "backdrop_crossfade_midway");
}

// An opaque picture is laid once: laying it again behind the first pass (as a picture with
// transparent texels is) gives the very same frame, in a still scene and midway through a
// cross-fade. (It did not while the first laying repeated the texture's empty far edge into the
// picture's top row and left column.)
TEST_F(BackdropGolden, AnOpaquePictureLaidOnceIsTheFrameOfItLaidTwice)
{
    auto onceAndTwice = [&](const char* what) {
        ASSERT_NE(backdrop.picture, nullptr) << what;
        ASSERT_EQ(backdrop.picture->opaque, 1) << what << ": the lands' pictures are opaque";
        app.frameMs = 0.0f;  // the same clock twice: nothing moves between the two frames
        ImageData once = runUntil(app.globalTimeMs, false, 0.0f);
        Texture* picture = backdrop.picture;
        picture->opaque = 0;
        ImageData twice = runUntil(app.globalTimeMs, false, 0.0f);
        picture->opaque = 1;
        int differing = 0;
        for (int y = 0; y < 600; ++y)
            for (int x = 0; x < 800; ++x) differing += pixelAt(once, x, y) != pixelAt(twice, x, y) ? 1 : 0;
        EXPECT_EQ(differing, 0) << what;
    };
    for (int n : {0, 4, 11}) {
        ImageData early, late;
        twoClocks(n, &early, &late);
        onceAndTwice(("backdrop " + std::to_string(n)).c_str());
    }
    prepareBackdrop(10);
    app.frameMs = STEP_MS;
    runUntil(app.globalTimeMs + 400.0f);
    ASSERT_GT(backdrop.fadeMs, 0.0f);
    onceAndTwice("cross-fade");
}

}  // namespace
