// The splash screen's phases drawn by the real screen on the OpenGL device, against stored
// pictures: the first splash, its fade, the second splash, the loading frame drawn from the
// progress callback, and the fading prompt. Made-up pictures stand in for the data set's so the
// stored frames show the layout (picture corners, bar position and crop) plainly.
#include "gfx_helpers.h"

#include "core/requestlog.h"
#include "app/screen_draw.h"
#include "app/screens.h"
#include "platform/gpu/gpu.h"
#include "platform/os/files.h"
#include "resources/files.h"
#include "resources/texts.h"
#include "ui/font.h"

#include <cmath>
#include <filesystem>
#include <string>

namespace {

// 800 x 600 with a frame of 8 pixels in `edge`, a diagonal gradient and a disc, so that scaling
// or cropping errors show at once.
ImageData splashPicture(uint32_t edge, uint32_t a, uint32_t b)
{
    return makePicture(800, 600, [=](int x, int y) -> uint32_t {
        if (x < 8 || y < 8 || x >= 792 || y >= 592) return edge;
        if (std::hypot(x - 400.0, y - 300.0) < 120) return 0xFFF0E0C0;
        double t = (x + y) / 1400.0;
        uint32_t out = 0xFF000000;
        for (int s = 0; s < 24; s += 8)
            out |= uint32_t(((a >> s) & 255) * (1 - t) + ((b >> s) & 255) * t) << s;
        return out;
    });
}

// 472 x 72: a band with numbered-looking steps every 59 pixels, transparent above and below.
ImageData barPicture()
{
    return makePicture(472, 72, [](int x, int y) -> uint32_t {
        if (y < 20 || y >= 52) return 0x00000000;
        uint32_t step = uint32_t(x / 59);
        return 0xFF000000u | (0x40 + step * 20) << 16 | (0xA0 + step * 10) << 8 | 0x30;
    });
}

class SplashGolden : public GraphicsTest {
protected:
    void SetUp() override
    {
        GraphicsTest::SetUp();
        startGl();
        resetScreens();
        clearRequests();
        put("splash1.jpg", encodedJpeg(splashPicture(0xFFFFFFFF, 0xFF203060, 0xFFC08040), 95));
        put("splash2.jpg", encodedJpeg(splashPicture(0xFFFF4040, 0xFF104020, 0xFF80C0E0), 95));
        put("loadscreen.jpg", encodedJpeg(splashPicture(0xFF40FF40, 0xFF402010, 0xFF806040), 95));
        put("loadbar.tga", encodedTga(barPicture(), true));
        loadSplash();
        ASSERT_EQ(textureManager.count, 1);  // the others when first drawn
        ASSERT_TRUE(screens.splash.secondSplashExists);
    }
    void TearDown() override
    {
        releaseSplashPictures();
        GraphicsTest::TearDown();
    }
    ImageData renderFrame()
    {
        clearDepth(1.0f);
        clearColor(0xFFB4B4B4);
        beginScene();
        screens.splash.render();
        endScene();
        return frame();
    }
};

TEST_F(SplashGolden, FirstSplashAtFullBrightness)
{
    screens.splash.splashTimer = 1000;
    app.frameMs = 0;
    ImageData f = renderFrame();
    // the picture's white frame at the top-left, the last column and row left black
    EXPECT_TRUE(nearRgb(pixelAt(f, 2, 2), 0xFFFFFFFF, 6));
    EXPECT_TRUE(nearRgb(pixelAt(f, 799, 300), 0xFF000000, 0));
    EXPECT_TRUE(nearRgb(pixelAt(f, 400, 599), 0xFF000000, 0));
    expectGolden(f, "splash_first");
}

TEST_F(SplashGolden, SplashFadesOverItsLastSecond)
{
    screens.splash.splashTimer = 3500;
    app.frameMs = 0;
    ImageData f = renderFrame();
    // brightness (4000 - 3500) / 1000 * 255 = 127
    EXPECT_TRUE(nearRgb(pixelAt(f, 2, 2), 0xFF7F7F7F, 6));
    expectGolden(f, "splash_first_fading");
}

TEST_F(SplashGolden, SecondSplashFollowsTheFirst)
{
    screens.splash.splashTimer = 3990;
    app.frameMs = 20;
    renderFrame();
    EXPECT_EQ(screens.splash.secondShowing, 1);
    EXPECT_EQ(screens.splash.splashTimer, 0.0f);
    app.frameMs = 0;
    ImageData f = renderFrame();
    EXPECT_TRUE(nearRgb(pixelAt(f, 2, 300), 0xFFFF4040, 8));
    expectGolden(f, "splash_second");
}

TEST_F(SplashGolden, EachPictureIsDecodedWhenFirstShownAndLetGoWhenTheNextShows)
{
    EXPECT_NE(findTexture("splash1.jpg"), nullptr);
    EXPECT_EQ(findTexture("splash2.jpg"), nullptr);
    EXPECT_EQ(findTexture("loadscreen.jpg"), nullptr);
    screens.splash.splashTimer = 3990;
    app.frameMs = 20;
    renderFrame();
    app.frameMs = 0;
    ImageData second = renderFrame();
    EXPECT_TRUE(nearRgb(pixelAt(second, 2, 300), 0xFFFF4040, 8));
    EXPECT_EQ(findTexture("splash1.jpg"), nullptr);
    EXPECT_NE(findTexture("splash2.jpg"), nullptr);
    screens.splash.splashTimer = 4000;
    ImageData prompt = renderFrame();
    EXPECT_TRUE(nearRgb(pixelAt(prompt, 2, 100), 0xFF40FF40, 10));
    EXPECT_EQ(findTexture("splash2.jpg"), nullptr);
    EXPECT_NE(findTexture("loadscreen.jpg"), nullptr);
    EXPECT_NE(findTexture("loadbar.tga"), nullptr);
    EXPECT_EQ(textureManager.count, 2);  // the loading picture and the bar
}

TEST_F(SplashGolden, LoadingFrameFromTheProgressCallback)
{
    app.deferredLoadRequested = 1;
    addLoadProgress(int32_t(LOAD_TOTAL_BYTES * 0.4));  // draws the frame with nothing loaded yet
    ImageData empty = frame();
    addLoadProgress(0);  // draws the frame with 40 % loaded
    ImageData f = frame();
    EXPECT_EQ(screens.splash.progressCalls, 2);
    // the bar reaches 176 + 0.4 * 472 = 364.8 pixels; its band rows are 549..580
    EXPECT_FALSE(nearRgb(pixelAt(f, 300, 565), pixelAt(empty, 300, 565), 30));
    EXPECT_TRUE(nearRgb(pixelAt(f, 380, 565), pixelAt(empty, 380, 565), 2));
    EXPECT_TRUE(nearRgb(pixelAt(f, 300, 530), pixelAt(empty, 300, 530), 2));  // transparent above the band
    expectGolden(f, "splash_loading");
}

TEST_F(SplashGolden, PromptFadesToBlackWithAFullBar)
{
    screens.splash.splashTimer = 4000;
    screens.splash.fadeTimer = 400;
    app.frameMs = 0;
    ImageData f = renderFrame();
    EXPECT_EQ(screens.splash.musicStarted, 1);
    EXPECT_EQ(countRequests("drawPromptText", "keytoresume"), 1);
    // tint 127: the loading picture's green frame at half brightness
    EXPECT_TRUE(nearRgb(pixelAt(f, 2, 100), 0xFF207F20, 10));
    expectGolden(f, "splash_prompt_fading");
}

TEST_F(SplashGolden, APromptFrameDrawnOverTheKeptFrameGivesTheWholeFramesPicture)
{
    // The prompt in the data set's font: its pulse changes the text's size from frame to frame.
    std::string data = std::string(OSTRIMAR_BINARY_DIR) + "/Data";
    ASSERT_TRUE(std::filesystem::exists(data + "/targa.dat")) << "the data set is built by the dataset target";
    ASSERT_TRUE(osSetCurrentDirectory(data.c_str()));
    ASSERT_EQ(openArchive("targa.dat"), ArchiveStatus::Ok);
    ASSERT_EQ(openArchive("jpeg.dat"), ArchiveStatus::Ok);  // the glow picture
    resetTextState();
    ASSERT_TRUE(loadFont("font", 1.0f, 1.0f));
    ASSERT_TRUE(osSetCurrentDirectory(dir.c_str()));
    const std::u16string texts = u"\uFEFFkeytoresume=Press any key to begin your journey\r\n";
    parseTextData(reinterpret_cast<const uint8_t*>(texts.data()), int32_t(texts.size() * 2));
    screens.splash.splashTimer = 4000;
    app.frameMs = 0;
    // Presented frames: the largest prompt (the first frame loads the pictures, so the second is
    // drawn whole too), the same again, then the smallest.
    const float smallest = 3.0f * 3.14159265f / 2.0f / 0.01f, largest = 3.14159265f / 2.0f / 0.01f;
    auto present = [&](float timer) {
        screens.splash.promptTimer = timer;
        clearDepth(1.0f);
        clearColor(0xFFB4B4B4);
        beginScene();
        screens.splash.render();
        endScene();
        presentFrame();
    };
    present(largest);
    present(largest);
    ImageData before = frame();
    gpuResetStats();
    present(largest);
    EXPECT_EQ(gpuStats().unchangedFrames, 1);
    EXPECT_EQ(gpuStats().redrawnPixels, 0);
    present(smallest);
    EXPECT_EQ(gpuStats().partialFrames, 1);
    // Only around the prompt's text: well inside the band of rows 520..599.
    EXPECT_GT(gpuStats().redrawnPixels, 0);
    EXPECT_LT(gpuStats().redrawnPixels, 800 * 80);
    ImageData partial = frame();
    gpuSetDamageTracking(false);
    ImageData whole = renderFrame();
    gpuSetDamageTracking(true);
    EXPECT_NE(before.pixels, whole.pixels);  // the pulse shows
    EXPECT_EQ(partial.pixels, whole.pixels);
    resetTextState();
}

}  // namespace
