// The backdrop pictures on the headless device: the number range, loading and releasing the
// pictures, the full-screen quad, the tint drift, the cross-fade clock with its camera move, and
// missing or damaged pictures.
#include "backdrop_helpers.h"
#include "gfx_helpers.h"

#include "effects/backdrops.h"

#include <cmath>
#include <string>

namespace {

class BackdropTest : public GraphicsTest {
protected:
    void SetUp() override
    {
        GraphicsTest::SetUp();
        resetBackdrop();
        startHeadless();
        begin2D();
        // An empty catalogue and empty scenes: these tests are about the pictures.
        put("AnimBacks/gameobjs.txt", textBytes("[none/]\r\n[/none]\r\n"));
        for (int n = 0; n < 18; ++n) put("AnimBacks/level" + std::to_string(n) + ".lev", sceneFile({}));
        loadBackdropCatalogue();  // the loading phase: pictures may load from now on
    }
    void TearDown() override
    {
        resetBackdrop();
        GraphicsTest::TearDown();
    }
    // Backdrop picture n as the data set stores it: 800 x 600, opaque, JPEG with alpha bytes.
    void putPicture(int n, size_t alphaBytes = 800 * 600)
    {
        ImageData img = makePicture(800, 600, [n](int x, int y) -> uint32_t {
            return 0xFF000000u | uint32_t(n * 12) << 16 | uint32_t(x / 4) << 8 | uint32_t(y / 3);
        });
        std::vector<uint8_t> bytes = encodedJpeg(img, 90);
        bytes.insert(bytes.end(), alphaBytes, 255);
        put("AnimBacks/_a_back" + std::to_string(n) + ".jpg", bytes);
    }
    static std::string pictureName(int n) { return "AnimBacks\\_a_back" + std::to_string(n) + ".jpg"; }
    Texture* loaded(int n) { return findTexture(pictureName(n).c_str()); }
    void frame(bool withCameraMove, float ms = 0.0f)
    {
        app.frameMs = ms;
        drawBackdrop(withCameraMove);
    }
    std::vector<GpuVertex> lastVertices()
    {
        const GpuVertex* v = nullptr;
        int n = gpuLastVertices(&v);
        return std::vector<GpuVertex>(v, v + n);
    }
};

TEST_F(BackdropTest, NumbersOutsideTheRangeChooseBackdropZero)
{
    EXPECT_EQ(std::string(backdropPictureName(17)), pictureName(17));
    EXPECT_EQ(std::string(backdropPictureName(18)), pictureName(0));
    EXPECT_EQ(std::string(backdropPictureName(-1)), pictureName(0));
    putPicture(0);
    setBackdrop(20);
    EXPECT_EQ(backdrop.number, 0);
    frame(true);
    ASSERT_NE(loaded(0), nullptr);
    EXPECT_EQ(backdrop.picture, loaded(0));
    prepareBackdrop(-3);
    EXPECT_EQ(backdrop.nextNumber, 0);
}

TEST_F(BackdropTest, TheFirstFrameWithoutAChoiceShowsBackdropZero)
{
    putPicture(0);
    EXPECT_EQ(backdrop.number, -1);
    frame(false, 16.0f);
    EXPECT_EQ(backdrop.number, 0);
    ASSERT_NE(loaded(0), nullptr);
    EXPECT_EQ(gpuLastDraw()->texture, loaded(0)->texture);
}

TEST_F(BackdropTest, PictureIsLoadedOnceAndReleasedWhenTheBackdropChanges)
{
    putPicture(3);
    putPicture(5);
    setBackdrop(3);
    frame(true);
    Texture* three = loaded(3);
    ASSERT_NE(three, nullptr);
    int count = textureManager.count;
    // the same number again reloads nothing
    setBackdrop(3);
    frame(true);
    EXPECT_EQ(loaded(3), three);
    EXPECT_EQ(backdrop.picture, three);
    EXPECT_EQ(textureManager.count, count);
    // another number releases the old picture and shows the new one
    setBackdrop(5);
    EXPECT_EQ(loaded(3), nullptr);
    frame(true);
    ASSERT_NE(loaded(5), nullptr);
    EXPECT_EQ(textureManager.count, count);
    EXPECT_EQ(gpuLastDraw()->texture, loaded(5)->texture);
}

TEST_F(BackdropTest, PictureCoversTheScreenWithItsPartOfTheTexture)
{
    putPicture(2);
    setBackdrop(2);
    frame(true, 16.0f);
    std::vector<GpuVertex> v = lastVertices();
    ASSERT_EQ(v.size(), 4u);
    float minX = 1e9f, maxX = -1e9f, minY = 1e9f, maxY = -1e9f, maxU = 0.0f, maxV = 0.0f;
    for (const GpuVertex& p : v) {
        minX = std::fmin(minX, p.pos[0]);
        maxX = std::fmax(maxX, p.pos[0]);
        minY = std::fmin(minY, p.pos[1]);
        maxY = std::fmax(maxY, p.pos[1]);
        maxU = std::fmax(maxU, p.u);
        maxV = std::fmax(maxV, p.v);
        EXPECT_EQ(p.color, 0xFFFFFFFFu);  // white tint, opaque
    }
    EXPECT_FLOAT_EQ(minX, -400.0f);
    EXPECT_FLOAT_EQ(maxX, 400.0f);
    EXPECT_FLOAT_EQ(minY, -300.0f);
    EXPECT_FLOAT_EQ(maxY, 300.0f);
    // the whole 800 x 600 texture (no power-of-two padding)
    EXPECT_FLOAT_EQ(maxU, 1.0f);
    EXPECT_FLOAT_EQ(maxV, 1.0f);
}

TEST_F(BackdropTest, TintDriftsTowardsItsPresetByTheFrameTime)
{
    putPicture(1);
    setBackdrop(1);
    setBackdropTint(0);  // (0.8, 0.8, 1, 1)
    frame(true, 100.0f);
    // 100 ms move 0.15 of the way from white
    EXPECT_NEAR(backdrop.tint[0], 1.0f - 0.2f * 0.15f, 1e-5f);
    EXPECT_NEAR(backdrop.tint[1], 1.0f - 0.2f * 0.15f, 1e-5f);
    EXPECT_FLOAT_EQ(backdrop.tint[2], 1.0f);
    uint32_t c = lastVertices()[0].color;
    EXPECT_EQ(c >> 24, 255u);
    EXPECT_EQ((c >> 16) & 0xFF, static_cast<uint32_t>(backdrop.tint[0] * 255.0f));
    EXPECT_EQ(c & 0xFF, 255u);
    // an unknown preset leaves the target alone
    setBackdropTint(7);
    EXPECT_FLOAT_EQ(backdrop.targetTint[0], 0.8f);
    // a long frame does not overshoot, then the odd-level preset pulls red back up
    frame(true, 5000.0f);
    EXPECT_FLOAT_EQ(backdrop.tint[0], 0.8f);
    setBackdropTint(1);  // (1, 0.8, 0.8, 1)
    for (int i = 0; i < 200; ++i) frame(true, 20.0f);
    EXPECT_NEAR(backdrop.tint[0], 1.0f, 0.01f);
    EXPECT_NEAR(backdrop.tint[2], 0.8f, 0.01f);
    setBackdropTint(2);
    frame(true, 0.0f);
    EXPECT_NEAR(backdrop.tint[2], 0.8f, 0.01f);  // no time, no drift
}

// Calm motion: the game screen's cross-fade keeps its clock but moves no camera.
TEST_F(BackdropTest, CalmMotionCrossFadesWithoutTheCameraMove)
{
    putPicture(3);
    putPicture(6);
    setBackdrop(3);
    frame(true);
    prepareBackdrop(6);
    app.calmMotion = 1;
    frame(true, 500.0f);
    EXPECT_FLOAT_EQ(backdrop.fadeMs, 2500.0f);  // the game screen's pace
    float s = 1.0f - 2500.0f / 3000.0f;
    EXPECT_NEAR(backdrop.lastFade, 2.0f * s, 1e-5f);
    EXPECT_FLOAT_EQ(backdrop.lastScale, 1.0f);
    EXPECT_FLOAT_EQ(backdrop.lastShift[0], 0.0f);
    EXPECT_FLOAT_EQ(backdrop.lastShift[1], 0.0f);
    app.calmMotion = 0;
    frame(true, 500.0f);
    EXPECT_GT(backdrop.lastScale, 1.0f);
}

TEST_F(BackdropTest, CrossFadeClockRunsToHalfwayAndHoldsUntilTheBackdropIsSet)
{
    putPicture(3);
    putPicture(6);
    setBackdrop(3);
    frame(true);
    Texture* three = loaded(3);
    prepareBackdrop(6);
    EXPECT_FLOAT_EQ(backdrop.fadeMs, 3000.0f);
    frame(true, 500.0f);
    EXPECT_FLOAT_EQ(backdrop.fadeMs, 2500.0f);
    Texture* six = loaded(6);
    ASSERT_NE(six, nullptr);
    EXPECT_EQ(backdrop.nextPicture, six);
    float s = 1.0f - 2500.0f / 3000.0f;
    EXPECT_NEAR(backdrop.lastFade, 2.0f * s, 1e-5f);
    EXPECT_NEAR(backdrop.lastScale, 1.0f + 1.5f * s * s, 1e-5f);
    EXPECT_NEAR(backdrop.lastShift[0], std::cos(s * 1.5f * 3.14159265f) * 30.0f * s * s, 1e-4f);
    EXPECT_NEAR(backdrop.lastShift[1], std::sin(s * 3.14159265f) * 30.0f * s * s, 1e-4f);
    // the next picture is drawn last, blended over the current one with the fade value as alpha
    EXPECT_EQ(gpuLastDraw()->texture, six->texture);
    EXPECT_EQ(lastVertices()[0].color >> 24, static_cast<uint32_t>(2.0f * s * 255.0f));
    // without the camera move the clock runs six times as fast and nothing moves
    frame(false, 100.0f);
    EXPECT_FLOAT_EQ(backdrop.fadeMs, 1900.0f);
    EXPECT_FLOAT_EQ(backdrop.lastScale, 1.0f);
    EXPECT_FLOAT_EQ(backdrop.lastShift[0], 0.0f);
    frame(true, 500.0f);
    EXPECT_FLOAT_EQ(backdrop.fadeMs, 1400.0f);
    // below 1500 the clock stops; the next picture is fully shown
    frame(true, 500.0f);
    EXPECT_FLOAT_EQ(backdrop.fadeMs, 1400.0f);
    EXPECT_FLOAT_EQ(backdrop.lastFade, 1.0f);
    // setting the faded-to backdrop ends the fade and keeps its picture; the old one goes
    setBackdrop(6);
    EXPECT_FLOAT_EQ(backdrop.fadeMs, 0.0f);
    EXPECT_EQ(backdrop.picture, six);
    EXPECT_EQ(backdrop.nextPicture, nullptr);
    EXPECT_EQ(loaded(3), nullptr);
    EXPECT_NE(three, nullptr);
    frame(true, 16.0f);
    EXPECT_FLOAT_EQ(backdrop.lastScale, 1.0f);
    EXPECT_EQ(gpuLastDraw()->texture, six->texture);
}

TEST_F(BackdropTest, CrossFadeAbandonedForAnotherBackdropReleasesItsPicture)
{
    putPicture(1);
    putPicture(2);
    putPicture(4);
    setBackdrop(1);
    frame(true);
    prepareBackdrop(2);
    frame(true, 100.0f);
    ASSERT_NE(loaded(2), nullptr);
    setBackdrop(4);
    EXPECT_EQ(loaded(1), nullptr);
    EXPECT_EQ(loaded(2), nullptr);
    frame(true, 100.0f);
    EXPECT_NE(loaded(4), nullptr);
    // a cross-fade towards the current backdrop shares its picture and setting it frees nothing
    prepareBackdrop(4);
    frame(true, 100.0f);
    EXPECT_EQ(backdrop.nextPicture, backdrop.picture);
    setBackdrop(4);
    EXPECT_NE(loaded(4), nullptr);
    EXPECT_EQ(backdrop.picture, loaded(4));
}

TEST_F(BackdropTest, NothingIsLoadedBeforeTheLoadingPhase)
{
    resetBackdrop();
    putPicture(0);
    frame(false, 16.0f);
    EXPECT_EQ(backdrop.number, 0);
    EXPECT_EQ(loaded(0), nullptr);
    EXPECT_EQ(ExitRecorder::exits(), 0);
    loadBackdropCatalogue();
    frame(false, 16.0f);
    EXPECT_NE(loaded(0), nullptr);
}

TEST_F(BackdropTest, PicturesComeBackAfterEveryTextureWasReleased)
{
    putPicture(8);
    setBackdrop(8);
    frame(true, 16.0f);
    ASSERT_NE(loaded(8), nullptr);
    releaseAllTextures();
    frame(true, 16.0f);
    ASSERT_NE(loaded(8), nullptr);
    EXPECT_EQ(backdrop.picture, loaded(8));
    EXPECT_EQ(gpuLastDraw()->texture, loaded(8)->texture);
}

TEST_F(BackdropTest, MissingPictureGivesTheLoadersFatalMessageOnce)
{
    setBackdrop(9);
    frame(true, 16.0f);
    EXPECT_EQ(std::string(textureManager.lastMessage), "Couldn't load texture: " + pictureName(9));
    EXPECT_STREQ(textureManager.lastCaption, "Loading error");
    EXPECT_EQ(ExitRecorder::exits(), 1);
    EXPECT_EQ(backdrop.picture, nullptr);
    frame(true, 16.0f);  // not asked for again every frame
    EXPECT_EQ(ExitRecorder::exits(), 1);
    // chosen again after another backdrop, it is reported again
    putPicture(1);
    setBackdrop(1);
    frame(true, 16.0f);
    EXPECT_EQ(ExitRecorder::exits(), 1);
    setBackdrop(9);
    frame(true, 16.0f);
    EXPECT_EQ(ExitRecorder::exits(), 2);
}

TEST_F(BackdropTest, DamagedPictureIsReportedWithoutReadingPastIt)
{
    putPicture(7, 1000);  // far fewer alpha bytes than texels
    setBackdrop(7);
    frame(true, 16.0f);
    EXPECT_EQ(std::string(textureManager.lastMessage), "Can't load texture: " + pictureName(7));
    EXPECT_EQ(ExitRecorder::exits(), 1);
    EXPECT_EQ(backdrop.picture, nullptr);
}

}  // namespace
