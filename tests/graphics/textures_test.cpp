// The texture manager on the headless device: registry, limits and messages, JPEG with alpha,
// sized, blank, render-target, scaled and masked textures, damaged pictures.
#include "gfx_helpers.h"

#include <cstring>

namespace {

class TexturesTest : public GraphicsTest {
protected:
    void SetUp() override
    {
        GraphicsTest::SetUp();
        startHeadless();
    }
    // Level 0 texel (x, y) as 0xAARRGGBB.
    uint32_t texel(const Texture* t, int x, int y)
    {
        int pitch = 0;
        const uint8_t* p = static_cast<const uint8_t*>(gpuLockTexture(t->texture, &pitch));
        EXPECT_NE(p, nullptr);
        uint32_t v = 0;
        if (p) std::memcpy(&v, p + size_t(y) * pitch + x * 4, 4);
        gpuUnlockTexture(t->texture);
        return v;
    }
};

ImageData gradient(int w, int h)
{
    return makePicture(w, h, [](int x, int y) -> uint32_t { return 0xFF000000u | uint32_t(x * 4) << 16 | uint32_t(y * 4) << 8 | 0x40; });
}

std::vector<uint8_t> jpegWithAlpha(const ImageData& img, size_t alphaBytes)
{
    std::vector<uint8_t> bytes = encodedJpeg(img, 100);
    for (size_t i = 0; i < alphaBytes; ++i) bytes.push_back(uint8_t(i * 7));
    return bytes;
}

TEST(TextureSizes, NextPowerOfTwo)
{
    EXPECT_EQ(nextPow2(800), 1024);
    EXPECT_EQ(nextPow2(600), 1024);
    EXPECT_EQ(nextPow2(1), 2);
    EXPECT_EQ(nextPow2(2), 2);
    EXPECT_EQ(nextPow2(513), 1024);
    EXPECT_EQ(nextPow2(1024), 1024);
    EXPECT_EQ(nextPow2(1025), 0);
}

TEST_F(TexturesTest, PicturesAreRegisteredOnceUnderTheirExactName)
{
    put("stone.tga", encodedTga(gradient(48, 40), false));
    Texture* a = loadTexture("stone.tga");
    ASSERT_NE(a, nullptr);
    // sizes as the picture loader reports them: rounded up to powers of two
    EXPECT_EQ(a->width, 64);
    EXPECT_EQ(a->height, 64);
    EXPECT_EQ(a->hasAlpha, 1);  // a ".tga" name
    EXPECT_EQ(loadTexture("stone.tga"), a);
    EXPECT_EQ(textureManager.count, 1);
    // another letter case is another texture (the file table serves the same file)
    Texture* b = loadTexture("STONE.tga");
    ASSERT_NE(b, nullptr);
    EXPECT_NE(b, a);
    EXPECT_EQ(textureManager.count, 2);
    EXPECT_EQ(findTexture("Stone.tga"), nullptr);
}

// A picture whose sides are not powers of two keeps its own size on the device (no stretched,
// resampled copy), while its coordinates are still reckoned at the rounded size the drawing code
// was written for.
TEST_F(TexturesTest, LoaderKeepsThePictureAtItsOwnSizeReckonedAtThePowerOfTwo)
{
    put("bands.tga", encodedTga(makePicture(3, 2, [](int x, int) -> uint32_t {
                                    return x == 0 ? 0xFFFF0000 : x == 1 ? 0xFF00FF00 : 0xFF0000FF;
                                }),
                                true));
    Texture* t = loadTexture("bands.tga");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->width, 4);
    EXPECT_EQ(t->height, 2);
    int w = 0, h = 0;
    ASSERT_TRUE(gpuTextureInfo(t->texture, &w, &h, nullptr, nullptr));
    EXPECT_EQ(w, 3);
    EXPECT_EQ(h, 2);
    EXPECT_EQ(gpuTextureBytes(t->texture), size_t(3 * 2 * 4 + 1 * 1 * 4));  // level 0 and the mipmap level
    EXPECT_EQ(texel(t, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(texel(t, 1, 0), 0xFF00FF00u);
    EXPECT_EQ(texel(t, 2, 1), 0xFF0000FFu);
}

TEST_F(TexturesTest, JpegWithoutForcedAlphaIsOpaqueAndFlaggedSo)
{
    put("sky.jpg", encodedJpeg(gradient(32, 32)));
    Texture* t = loadTexture("sky.jpg");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->hasAlpha, 0);
    EXPECT_EQ(texel(t, 5, 5) >> 24, 255u);
    Texture* forced = loadTextureEx("sky.jpg", true, true);
    EXPECT_EQ(forced, t);  // already registered: the same record
}

TEST_F(TexturesTest, TgaRequestIsServedByJpegWithAlpha)
{
    put("_a_button.jpg", jpegWithAlpha(gradient(16, 16), 16 * 16));
    Texture* t = loadTexture("button.tga");
    ASSERT_NE(t, nullptr);
    EXPECT_STREQ(t->name, "_a_button.jpg");
    EXPECT_EQ(t->hasAlpha, 1);
    EXPECT_EQ(texel(t, 0, 0) >> 24, 0u);
    EXPECT_EQ(texel(t, 1, 0) >> 24, 7u);
    EXPECT_EQ(texel(t, 0, 1) >> 24, uint32_t((16 * 7) & 255));
    // a second request takes the same path and finds the registered record
    EXPECT_EQ(loadTexture("button.tga"), t);
    EXPECT_EQ(textureManager.count, 1);
    EXPECT_EQ(findTexture("button.tga"), nullptr);
}

TEST_F(TexturesTest, MissingRequiredPictureStopsWithTheLoadingMessage)
{
    EXPECT_EQ(loadTexture("absent.tga"), nullptr);
    EXPECT_STREQ(textureManager.lastMessage, "Couldn't load texture: absent.tga");
    EXPECT_STREQ(textureManager.lastCaption, "Loading error");
    EXPECT_EQ(ExitRecorder::exits(), 1);
    // optional: none, no message
    textureManager.lastMessage[0] = 0;
    EXPECT_EQ(loadTextureEx("absent.jpg", false, false), nullptr);
    EXPECT_STREQ(textureManager.lastMessage, "");
    EXPECT_EQ(ExitRecorder::exits(), 1);
}

TEST_F(TexturesTest, DamagedPicturesGiveTheLoadingMessageNotACrash)
{
    std::vector<uint8_t> tga = encodedTga(gradient(32, 32), true);
    tga.resize(tga.size() / 2);
    put("cut.tga", tga);
    std::vector<uint8_t> jpg = encodedJpeg(gradient(64, 64));
    jpg.resize(jpg.size() * 2 / 3);
    put("cut.jpg", jpg);
    put("noise.jpg", std::vector<uint8_t>{0xFF, 0xD8, 0xFF, 0x00, 0x11, 0x22});
    for (const char* name : {"cut.tga", "cut.jpg", "noise.jpg"}) {
        ExitRecorder::exits() = 0;
        EXPECT_EQ(loadTexture(name), nullptr) << name;
        EXPECT_EQ(std::string(textureManager.lastMessage), std::string("Couldn't load texture: ") + name);
        EXPECT_EQ(ExitRecorder::exits(), 1) << name;
    }
    EXPECT_EQ(textureManager.count, 0);
}

TEST_F(TexturesTest, ShortAlphaStreamIsADamagedFile)
{
    put("_a_short.jpg", jpegWithAlpha(gradient(16, 16), 16 * 16 - 1));
    EXPECT_EQ(loadJpegAlpha("_a_short.jpg", true), nullptr);
    EXPECT_STREQ(textureManager.lastMessage, "Can't load texture: _a_short.jpg");
    EXPECT_STREQ(textureManager.lastCaption, "Loading error");
    EXPECT_EQ(ExitRecorder::exits(), 1);
    // the file was released from the table
    EXPECT_EQ(findFile("_a_short.jpg"), nullptr);
    // without the end-of-image marker there is no JPEG part at all
    put("_a_nomark.jpg", std::vector<uint8_t>(300, 0x55));
    EXPECT_EQ(loadJpegAlpha("_a_nomark.jpg", false), nullptr);
    EXPECT_EQ(ExitRecorder::exits(), 1);
    // a TGA request with a damaged "_a_" file falls back to the TGA, here missing: the load message
    EXPECT_EQ(loadTexture("short.tga"), nullptr);
    EXPECT_STREQ(textureManager.lastMessage, "Couldn't load texture: short.tga");
}

TEST_F(TexturesTest, LongerAlphaStreamIgnoresTheExtraBytes)
{
    put("_a_long.jpg", jpegWithAlpha(gradient(8, 8), 8 * 8 + 50));
    Texture* t = loadJpegAlpha("_a_long.jpg", true);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(texel(t, 7, 7) >> 24, uint32_t((63 * 7) & 255));
}

TEST_F(TexturesTest, SizedPicturesFillATextureOfTheirSize)
{
    ImageData pic = gradient(100, 60);
    put("loadscreen.jpg", encodedJpeg(pic, 100));
    Texture* t = loadTextureSized("loadscreen.jpg", 100, 60);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->width, 100);
    EXPECT_EQ(t->height, 60);
    int w = 0, h = 0;
    ASSERT_TRUE(gpuTextureInfo(t->texture, &w, &h, nullptr, nullptr));
    EXPECT_EQ(w, 100);
    EXPECT_EQ(h, 60);
    EXPECT_TRUE(nearRgb(texel(t, 50, 30), pixelAt(pic, 50, 30), 4));
    EXPECT_EQ(texel(t, 99, 59) >> 24, 255u);
    // a picture smaller than the size asked for leaves the rest transparent black
    put("small.jpg", encodedJpeg(gradient(10, 10), 100));
    Texture* s = loadTextureSized("small.jpg", 20, 10);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(texel(s, 9, 9) >> 24, 255u);
    EXPECT_EQ(texel(s, 10, 0), 0u);
    EXPECT_EQ(loadTextureSized("loadscreen.jpg", 100, 60), t);
    // the required file is missing: the file table's message and exit
    EXPECT_EQ(loadTextureSized("gone.jpg", 800, 600), nullptr);
    EXPECT_GE(ExitRecorder::exits(), 1);
    EXPECT_EQ(findTexture("gone.jpg"), nullptr);
}

TEST_F(TexturesTest, SizedJpegWithAlphaTakesAlphaRowByRow)
{
    put("_a_panel.jpg", jpegWithAlpha(gradient(20, 10), 20 * 10));
    Texture* t = loadJpegAlphaSized("_a_panel.jpg", 20, 10);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->width, 20);
    EXPECT_EQ(t->height, 10);
    EXPECT_EQ(gpuTextureBytes(t->texture), size_t(20 * 10 * 4));
    EXPECT_EQ(texel(t, 3, 2) >> 24, uint32_t(((2 * 20 + 3) * 7) & 255));
    EXPECT_EQ(loadJpegAlphaSized("_a_missing.jpg", 20, 10), nullptr);
    EXPECT_EQ(ExitRecorder::exits(), 0);
}

TEST_F(TexturesTest, BlankAndRenderTargetTextures)
{
    Texture* blank = createTexture("blank", 64, 32, GpuFormat::A8R8G8B8, false);
    ASSERT_NE(blank, nullptr);
    EXPECT_EQ(blank->width, 64);
    EXPECT_EQ(blank->format, int32_t(GpuFormat::A8R8G8B8));
    EXPECT_EQ(createTexture("blank", 8, 8, GpuFormat::A8R8G8B8, false), blank);
    Texture* rt = createTexture("rt", 128, 128, GpuFormat::A8R8G8B8, true);
    ASSERT_NE(rt, nullptr);
    EXPECT_EQ(rt->renderTarget, 1);
    onDeviceLost();
    EXPECT_EQ(rt->texture, 0);
    EXPECT_NE(blank->texture, 0);
    onDeviceReset();
    EXPECT_NE(rt->texture, 0);
    EXPECT_EQ(createTexture("bad", 0, 16, GpuFormat::A8R8G8B8, false), nullptr);
    EXPECT_STREQ(textureManager.lastMessage, "Couldn't create texture: bad");
    EXPECT_STREQ(textureManager.lastCaption, "Init error");
    EXPECT_EQ(ExitRecorder::exits(), 0);  // the program continues
}

TEST_F(TexturesTest, TheThousandTwentyFourthRegistrationFails)
{
    char name[32];
    for (int i = 0; i < TEXTURE_LIMIT; ++i) {
        std::snprintf(name, sizeof name, "t%d", i);
        ASSERT_NE(createTexture(name, 2, 2, GpuFormat::A8R8G8B8, false), nullptr) << i;
    }
    EXPECT_EQ(createTexture("one-too-many", 2, 2, GpuFormat::A8R8G8B8, false), nullptr);
    EXPECT_STREQ(textureManager.lastMessage, "Couldn't create texture: one-too-many");
    EXPECT_EQ(textureManager.count, TEXTURE_LIMIT);
    // releasing one makes room again; later records move down in order
    releaseTextureByName("t0");
    EXPECT_STREQ(textureManager.records[0]->name, "t1");
    EXPECT_NE(createTexture("one-too-many", 2, 2, GpuFormat::A8R8G8B8, false), nullptr);
}

TEST_F(TexturesTest, ReleaseIgnoresRecordsNotInTheRegistry)
{
    Texture stray{};
    std::snprintf(stray.name, sizeof stray.name, "stray");
    createTexture("kept", 4, 4, GpuFormat::A8R8G8B8, false);
    releaseTexture(&stray);
    releaseTexture(nullptr);
    EXPECT_EQ(textureManager.count, 1);
}

TEST_F(TexturesTest, ScaledCopyAndMask)
{
    put("src.tga", encodedTga(makePicture(32, 32, [](int x, int) -> uint32_t { return x < 16 ? 0xFFFF0000 : 0xFF0000FF; }), true));
    Texture* half = copyTextureScaled("half", "src.tga", 16, -1);
    ASSERT_NE(half, nullptr);
    EXPECT_EQ(half->width, 16);
    EXPECT_EQ(half->height, 32);
    EXPECT_EQ(texel(half, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(texel(half, 15, 31), 0xFF0000FFu);
    // the mask's blue channel becomes the alpha
    put("mask.tga", encodedTga(makePicture(32, 32, [](int, int y) -> uint32_t { return 0xFF000000u | uint32_t(y * 8); }), true));
    Texture* masked = copyTextureWithMask("masked", "src.tga", "mask.tga");
    ASSERT_NE(masked, nullptr);
    EXPECT_EQ(texel(masked, 3, 0) >> 24, 0u);
    EXPECT_EQ(texel(masked, 3, 10) >> 24, 80u);
    EXPECT_EQ(texel(masked, 20, 31) & 0xFFFFFF, 0x0000FFu);
    // a picture and a mask held at their own 30 x 30 (reckoned at 32 x 32): the mask is stretched
    // over the 32 x 32 copy as the picture is, its last row on the copy's last row
    put("src30.tga", encodedTga(makePicture(30, 30, [](int, int) -> uint32_t { return 0xFF00FF00; }), true));
    put("mask30.tga", encodedTga(makePicture(30, 30, [](int, int y) -> uint32_t { return 0xFF000000u | uint32_t(y * 8); }), true));
    Texture* masked30 = copyTextureWithMask("masked30", "src30.tga", "mask30.tga");
    ASSERT_NE(masked30, nullptr);
    EXPECT_EQ(masked30->width, 32);
    EXPECT_EQ(texel(masked30, 3, 0) >> 24, 0u);
    EXPECT_NEAR(double(texel(masked30, 3, 31) >> 24), 29 * 8, 2);
    EXPECT_NEAR(double(texel(masked30, 31, 16) >> 24), 15 * 8, 8);
}

TEST_F(TexturesTest, OverlongNamesAreRefusedCleanly)
{
    std::string name(200, 'x');
    EXPECT_EQ(loadTextureEx(name.c_str(), false, false), nullptr);
    EXPECT_EQ(createTexture(name.c_str(), 4, 4, GpuFormat::A8R8G8B8, false), nullptr);
    EXPECT_EQ(textureManager.count, 0);
}

}  // namespace

TEST_F(TexturesTest, APictureFromAnArchiveCanBeLoadedAgainAfterItsTextureWasReleased)
{
    // An archive with a backdrop-like picture (JPEG with alpha) and a plain one.
    std::vector<uint8_t> archive;
    std::vector<uint8_t> sized = jpegWithAlpha(gradient(20, 10), 20 * 10);
    std::vector<uint8_t> plain = encodedTga(gradient(16, 16), true);
    ASSERT_TRUE(appendArchiveMember(archive, "AnimBacks\\_a_back3.jpg", sized.data(), sized.size()));
    ASSERT_TRUE(appendArchiveMember(archive, "piece.tga", plain.data(), plain.size()));
    put("pack.dat", archive);
    ASSERT_EQ(openArchive("pack.dat"), ArchiveStatus::Ok);
    for (int round = 0; round < 2; round++) {
        Texture* t = loadJpegAlphaSized("AnimBacks\\_a_back3.jpg", 20, 10);
        ASSERT_NE(t, nullptr) << "round " << round;
        releaseTexture(t);
        Texture* p = loadTexture("piece.tga");
        ASSERT_NE(p, nullptr) << "round " << round;
        releaseTexture(p);
    }
    EXPECT_EQ(ExitRecorder::exits(), 0);
    // A file read from disk is still freed once decoded.
    put("loose.jpg", sized);
    ASSERT_NE(loadJpegAlphaSized("loose.jpg", 20, 10), nullptr);
    EXPECT_EQ(findFile("loose.jpg"), nullptr);
}
