// Golden pictures of the drawing operations on the OpenGL device (offscreen), and exact pixel
// checks of the traps of the fixed-function emulation.
#include "gfx_helpers.h"

#include <cmath>

namespace {

const Rect kUnit = [] {
    Rect r;
    r.set(0, 0, 1, 1);
    return r;
}();

// A 64 x 64 picture with four coloured quarters, a white border and a dark arrow pointing up, so
// that orientation and texture coordinates show in a picture.
ImageData markerPicture()
{
    return makePicture(64, 64, [](int x, int y) -> uint32_t {
        if (x < 2 || y < 2 || x > 61 || y > 61) return 0xFFFFFFFF;
        bool arrow = (y >= 8 && y < 56 && x >= 28 && x < 36) || (y >= 8 && y < 24 && std::abs(x - 32) < (y - 6));
        if (arrow) return 0xFF202020;
        if (y < 32) return x < 32 ? 0xFFE04030 : 0xFF40C040;
        return x < 32 ? 0xFF3060E0 : 0xFFE0C030;
    });
}

// 64 x 64, opaque in the middle, alpha falling to 0 toward the left and right edges.
ImageData alphaRampPicture()
{
    return makePicture(64, 64, [](int x, int y) -> uint32_t {
        uint32_t a = uint32_t(std::abs(31.5 - x) < 16 ? 255 : 255 - (std::abs(31.5 - x) - 16) * 255 / 16);
        uint32_t rgb = y < 32 ? 0xF0A020 : 0x20A0F0;
        return a << 24 | rgb;
    });
}

class GoldenDraw : public GraphicsTest {
protected:
    void SetUp() override
    {
        GraphicsTest::SetUp();
        startGl();
        put("marker.tga", encodedTga(markerPicture(), true));
        put("ramp.tga", encodedTga(alphaRampPicture(), true));
    }
    // A backdrop of soft vertical bands so that blending shows.
    void backdrop()
    {
        clearColor(0xFF1E2A3C);
        clearDepth(1.0f);
        beginScene();
        begin2D();
        setTexture(nullptr);
        for (int i = 0; i < 8; ++i) {
            Color c(40 + i * 25, 60 + i * 12, 90 - i * 6, 255);
            drawQuadCentered(-350.0f + i * 100.0f, 0.0f, 100.0f, 600.0f, kUnit, c);
        }
    }
};

TEST_F(GoldenDraw, QuadsCentredRectangleAndCornerColours)
{
    backdrop();
    Texture* marker = loadTexture("marker.tga");
    ASSERT_NE(marker, nullptr);
    setTexture(marker);
    drawQuadCentered(-250.0f, 150.0f, 128.0f, 128.0f, kUnit, Color(255, 255, 255, 255));
    Rect r;
    r.set(-100.0f, 220.0f, 100.0f, 80.0f);
    drawQuadRect(r, kUnit, Color(255, 255, 255, 255));
    Rect half;
    half.set(0.0f, 0.0f, 0.5f, 0.5f);
    drawQuadCentered(Vec2{250.0f, 150.0f}, 128.0f, 128.0f, half, Color(255, 255, 255, 255));
    setTexture(nullptr);
    r.set(-300.0f, -50.0f, 300.0f, -250.0f);
    drawQuadRectColors(r, kUnit, Color(255, 0, 0, 255), Color(0, 255, 0, 255), Color(0, 0, 255, 255),
                       Color(255, 255, 255, 255));
    endScene();
    ImageData f = frame();
    // the red corner colour sits at the top-right, blue at the top-left
    EXPECT_TRUE(nearRgb(pixelAt(f, 400 + 298, 300 + 52), 0xFFFF0000, 12));
    EXPECT_TRUE(nearRgb(pixelAt(f, 400 - 298, 300 + 52), 0xFF0000FF, 12));
    expectGolden(f, "draw_quads");
}

TEST_F(GoldenDraw, SpritesRotateCounterClockwiseAboutTheirPivot)
{
    backdrop();
    Texture* marker = loadTexture("marker.tga");
    setTexture(marker);
    for (int i = 0; i < 4; ++i) {
        float x = -300.0f + i * 200.0f;
        drawSprite(x, 120.0f, x, 120.0f, i * 30.0f, 96.0f, 96.0f, kUnit, Color(255, 255, 255, 255));
    }
    // rotated about a pivot below the sprite: it swings around that point
    for (int i = 0; i < 3; ++i)
        drawSprite(0.0f, -80.0f, 0.0f, -200.0f, -45.0f + i * 45.0f, 64.0f, 64.0f, kUnit, Color(255, 255, 255, 200));
    endScene();
    expectGolden(frame(), "draw_sprites");
}

TEST_F(GoldenDraw, PixelRectanglesUseScreenPixels)
{
    backdrop();
    Texture* marker = loadTexture("marker.tga");
    setTexture(marker);
    drawPixelRect(100, 100, 228, 228, 0, 0, 1, 1, Color(255, 255, 255, 255));
    drawPixelRect(300, 100, 700, 200, 0, 0, 1, 0.5f, Color(255, 255, 255, 255));
    disableSwitch(7);
    drawPixelRectPlain(100, 300, 164, 364);
    enableSwitch(7);
    drawPixelRectPlain(200, 300, 456, 556);
    endScene();
    ImageData f = frame();
    // the plain rectangle at point sampling shows the marker texel for texel: white border at its
    // top-left pixel, the red quarter just inside
    EXPECT_TRUE(nearRgb(pixelAt(f, 100, 300), 0xFFFFFFFF, 2));
    EXPECT_TRUE(nearRgb(pixelAt(f, 104, 304), 0xFFE04030, 2));
    EXPECT_TRUE(nearRgb(pixelAt(f, 163, 363), 0xFFFFFFFF, 2));
    // nothing drawn just outside
    EXPECT_FALSE(nearRgb(pixelAt(f, 164, 364), 0xFFFFFFFF, 40));
    expectGolden(f, "draw_pixel_rects");
}

TEST_F(GoldenDraw, BlendModesTransparencyGlowAndOpaque)
{
    backdrop();
    Texture* ramp = loadTexture("ramp.tga");
    setTexture(ramp);
    for (int m = 0; m < 3; ++m) {
        setBlendMode(m);
        drawQuadCentered(-250.0f + m * 250.0f, 100.0f, 200.0f, 200.0f, kUnit, Color(255, 255, 255, 255));
        drawQuadCentered(-250.0f + m * 250.0f, -150.0f, 200.0f, 200.0f, kUnit, Color(255, 128, 128, 128));
    }
    endScene();
    ImageData f = frame();
    // opaque mode replaces the backdrop even where the texture is transparent: the ramp's colour at
    // its left edge shows (alpha ignored)
    EXPECT_TRUE(nearRgb(pixelAt(f, 400 + 250 - 99, 300 - 150), 0xFFF0A020, 24));
    expectGolden(f, "draw_blend_modes");
}

TEST_F(GoldenDraw, AlphaTestCutsAtTheReference)
{
    backdrop();
    Texture* ramp = loadTexture("ramp.tga");
    setTexture(ramp);
    disableSwitch(4);
    for (int i = 0; i < 3; ++i) {
        setRenderState(GpuRenderState::AlphaRef, uint32_t(1 + i * 120));
        setRenderState(GpuRenderState::AlphaFunc, CmpGreaterEqual);
        drawQuadCentered(-250.0f + i * 250.0f, 0.0f, 200.0f, 400.0f, kUnit, Color(255, 255, 255, 255));
    }
    endScene();
    ImageData f = frame();
    // with blending off the kept texels are fully opaque colours; the higher the reference, the narrower
    EXPECT_TRUE(nearRgb(pixelAt(f, 400, 300 - 100), 0xFFF0A020, 6));
    expectGolden(f, "draw_alpha_test");
}

TEST_F(GoldenDraw, ColourMultiplierScalesEveryQuad)
{
    backdrop();
    Texture* marker = loadTexture("marker.tga");
    setTexture(marker);
    const float factors[4][4] = {{1, 1, 1, 1}, {1, 0.5f, 0.25f, 1}, {1, 1, 1, 0.5f}, {0.2f, 0.6f, 1, 0.8f}};
    for (int i = 0; i < 4; ++i) {
        setColorMultiplier(factors[i][0], factors[i][1], factors[i][2], factors[i][3]);
        drawQuadCentered(-300.0f + i * 200.0f, 0.0f, 160.0f, 160.0f, kUnit, Color(255, 255, 255, 255));
    }
    setColorMultiplier(1, 1, 1, 1);
    endScene();
    expectGolden(frame(), "draw_colour_multiplier");
}

TEST_F(GoldenDraw, JpegWithAlphaServesTheTgaName)
{
    // "_a_badge.jpg": a JPEG of the colours followed by a round alpha mask
    ImageData pic = makePicture(128, 128, [](int x, int y) -> uint32_t {
        double d = std::hypot(x - 63.5, y - 63.5);
        uint32_t a = d < 56 ? 255 : d < 62 ? uint32_t((62 - d) / 6 * 255) : 0;
        uint32_t r = uint32_t(200 - y), g = uint32_t(80 + x / 2), b = 60;
        return a << 24 | r << 16 | g << 8 | b;
    });
    std::vector<uint8_t> bytes = encodedJpeg(pic);
    for (size_t i = 0; i < pic.pixels.size(); i += 4) bytes.push_back(pic.pixels[i + 3]);
    put("_a_badge.jpg", bytes);
    backdrop();
    Texture* t = loadTexture("badge.tga");
    ASSERT_NE(t, nullptr);
    EXPECT_STREQ(t->name, "_a_badge.jpg");
    EXPECT_EQ(t->hasAlpha, 1);
    setTexture(t);
    drawQuadCentered(-150.0f, 0.0f, 256.0f, 256.0f, kUnit, Color(255, 255, 255, 255));
    drawQuadCentered(200.0f, 0.0f, 128.0f, 128.0f, kUnit, Color(255, 255, 255, 255));
    endScene();
    ImageData f = frame();
    // outside the circle the backdrop shows through
    EXPECT_TRUE(nearRgb(pixelAt(f, 400 - 150 - 124, 300 - 124), pixelAt(f, 400 - 150 - 124, 300 + 200), 3));
    expectGolden(f, "draw_jpeg_alpha");
}

// ---- exact checks of the fixed-function traps ----

class GlTraps : public GraphicsTest {
protected:
    void SetUp() override
    {
        GraphicsTest::SetUp();
        startGl();
        // left half red, right half green (64 x 64)
        put("halves.tga", encodedTga(makePicture(64, 64, [](int x, int) -> uint32_t { return x < 32 ? 0xFFFF0000 : 0xFF00FF00; }), true));
        clearColor(0xFF000000);
        beginScene();
        begin2D();
        disableSwitch(7);
    }
};

TEST_F(GlTraps, TextureTranslationSitsInTheThirdRow)
{
    Texture* t = loadTexture("halves.tga");
    setTexture(t);
    Matrix m;
    m.m[2][0] = 0.5f;  // (u, v, 1, 0) x M: the third row moves the coordinates
    setTransform(GpuTransform::Texture0, &m);
    drawPixelRect(0, 0, 200, 200, 0, 0, 1, 1, Color(255, 255, 255, 255));
    Matrix ignored;
    ignored.m[3][0] = 0.5f;  // the fourth row meets the 0 and changes nothing
    setTransform(GpuTransform::Texture0, &ignored);
    drawPixelRect(400, 0, 600, 200, 0, 0, 1, 1, Color(255, 255, 255, 255));
    endScene();
    ImageData f = frame();
    EXPECT_TRUE(nearRgb(pixelAt(f, 20, 100), 0xFF00FF00));   // shifted by half: green first
    EXPECT_TRUE(nearRgb(pixelAt(f, 180, 100), 0xFFFF0000));
    EXPECT_TRUE(nearRgb(pixelAt(f, 420, 100), 0xFFFF0000));  // unshifted: red first
    EXPECT_TRUE(nearRgb(pixelAt(f, 580, 100), 0xFF00FF00));
}

TEST_F(GlTraps, NegativeTextureCoordinatesWrapAndTurnThePicture)
{
    Texture* t = loadTexture("halves.tga");
    setTexture(t);
    // the turned points (0,0) (0,-1) (-1,-1) (-1,0) on a quad whose corners run top-left,
    // bottom-left, bottom-right, top-right show the picture turned by 180 degrees
    const Vec3 corners[4] = {{-200, 200, 10}, {-200, -200, 10}, {200, -200, 10}, {200, 200, 10}};
    const Color white[4] = {Color(255, 255, 255, 255), Color(255, 255, 255, 255), Color(255, 255, 255, 255),
                            Color(255, 255, 255, 255)};
    setRenderState(GpuRenderState::CullMode, CullNone);
    drawQuad4Turned(corners, white);
    endScene();
    ImageData f = frame();
    EXPECT_TRUE(nearRgb(pixelAt(f, 220, 300), 0xFF00FF00));  // green now on the left
    EXPECT_TRUE(nearRgb(pixelAt(f, 580, 300), 0xFFFF0000));
}

TEST_F(GlTraps, QuadsSurviveTheFixedCounterClockwiseCulling)
{
    setRenderState(GpuRenderState::CullMode, CullCCW);
    setTexture(nullptr);
    drawQuadCentered(0, 0, 100, 100, kUnit, Color(255, 255, 0, 255));
    // the same quad wound the other way is culled
    const Vec3 ccw[4] = {{-300, 250, 10}, {-300, 150, 10}, {-200, 250, 10}, {-200, 150, 10}};
    const Vec2 uv[4] = {{0, 0}, {0, 1}, {1, 0}, {1, 1}};
    drawQuad4(ccw, uv, Color(255, 0, 255, 255));
    endScene();
    ImageData f = frame();
    EXPECT_TRUE(nearRgb(pixelAt(f, 400, 300), 0xFFFFFF00));
    EXPECT_TRUE(nearRgb(pixelAt(f, 150, 100), 0xFF000000));
}

TEST_F(GlTraps, FullScreenPixelRectangleCoversEveryPixel)
{
    setTexture(nullptr);
    drawPixelRect(0, 0, 800, 600, 0, 0, 1, 1, Color(10, 200, 30, 255));
    endScene();
    ImageData f = frame();
    int uncovered = 0;
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x)
            if (!nearRgb(pixelAt(f, x, y), 0xFF0AC81E, 0)) ++uncovered;
    EXPECT_EQ(uncovered, 0);
}

TEST_F(GlTraps, HalfAlphaMultiplierDrawsAlpha127)
{
    setTexture(nullptr);
    setColorMultiplier(1, 1, 1, 0.5f);
    drawQuadCentered(0, 0, 100, 100, kUnit, Color(255, 255, 255, 255));
    endScene();
    ImageData f = frame();
    // white at alpha 127 over black: 255 * 127 / 255 = 127
    EXPECT_TRUE(nearRgb(pixelAt(f, 400, 300), 0xFF7F7F7F, 1));
}

TEST_F(GlTraps, BatchingLeavesThePictureUnchanged)
{
    Texture* t = loadTexture("halves.tga");
    setTexture(t);
    auto drawMany = [] {
        for (int i = 0; i < 200; ++i)
            drawSprite(float(i % 20) * 40 - 380, float(i / 20) * 60 - 270, float(i % 20) * 40 - 380, float(i / 20) * 60 - 270,
                       float(i * 7), 48, 48, kUnit, Color(255, 255, 255, 160));
    };
    gpuSetBatching(true);
    gpuResetStats();
    drawMany();
    endScene();
    GpuStats batched = gpuStats();
    ImageData a = frame();
    clearColor(0xFF000000);
    beginScene();
    gpuSetBatching(false);
    gpuResetStats();
    drawMany();
    endScene();
    GpuStats single = gpuStats();
    ImageData b = frame();
    EXPECT_EQ(batched.submittedDraws, 200);
    EXPECT_EQ(batched.drawCalls, 1);
    EXPECT_EQ(single.drawCalls, 200);
    EXPECT_EQ(a.pixels, b.pixels);
}

// Draws of a state made apart from the draws between them are gathered into one call with the
// earlier draws of that state; a draw that overlaps one made after that batch keeps its place;
// draws that differ only in a texture transform of the texture points (frames of a strip) share
// a call. The picture is that of one call per draw, pixel for pixel.
TEST_F(GlTraps, DrawsOfAStateGatherWhereTheyCannotOverlapWithThePictureUnchanged)
{
    // 64 x 32, not the 64 x 64 of "halves.tga": pictures of one size and format would share a
    // texture array and gather across each other (GameGolden.BusyBoardTakesFewCalls...)
    put("quarters.tga", encodedTga(makePicture(64, 32, [](int x, int y) -> uint32_t {
                                       return y < 16 ? (x < 32 ? 0xFF2040E0 : 0xFFE0D020) : 0xFF20C0C0;
                                   }),
                                   true));
    Texture* a = loadTexture("halves.tga");
    Texture* b = loadTexture("quarters.tga");
    ASSERT_TRUE(a && b);
    auto drawMany = [&] {
        // a row of sprites apart from each other, the two pictures by turns: two calls
        for (int i = 0; i < 10; ++i) {
            setTexture(i % 2 ? b : a);
            drawQuadCentered(-360.0f + i * 80.0f, 200.0f, 60.0f, 60.0f, kUnit, Color(255, 255, 255, 255));
        }
        // a chain, each over the one before: the first two join the row's calls, then each its own
        for (int i = 0; i < 10; ++i) {
            setTexture(i % 2 ? b : a);
            drawQuadCentered(-300.0f + i * 20.0f, -100.0f, 60.0f, 60.0f, kUnit, Color(255, 255, 255, 200));
        }
        // frames of a strip through the texture transform, apart from the rest: they join the
        // chain's last call of their picture
        setTexture(a);
        for (int i = 0; i < 6; ++i) {
            Matrix m;
            m.m[0][0] = 0.5f;
            m.m[2][0] = 0.5f * static_cast<float>(i % 2);
            setTransform(GpuTransform::Texture0, &m);
            setTextureStageState(GpuTextureStageState::TextureTransformFlags, TTFF_COUNT2);
            drawQuadCentered(-300.0f + i * 100.0f, -250.0f, 60.0f, 60.0f, kUnit, Color(255, 255, 255, 255));
            setTextureStageState(GpuTextureStageState::TextureTransformFlags, TTFF_DISABLE);
            setTransform(GpuTransform::Texture0, nullptr);
        }
    };
    gpuSetBatching(true);
    gpuResetStats();
    drawMany();
    endScene();
    GpuStats batched = gpuStats();
    ImageData together = frame();
    clearColor(0xFF000000);
    beginScene();
    gpuSetBatching(false);
    gpuResetStats();
    drawMany();
    endScene();
    GpuStats single = gpuStats();
    ImageData apart = frame();
    gpuSetBatching(true);
    EXPECT_EQ(batched.submittedDraws, 26);
    EXPECT_EQ(single.drawCalls, 26);
    EXPECT_EQ(batched.drawCalls, 10);
    EXPECT_EQ(together.pixels, apart.pixels);
    // the strip's frames show: the left half (red) and the right half (green)
    EXPECT_TRUE(nearRgb(pixelAt(together, 100, 550), 0xFFFF0000));
    EXPECT_TRUE(nearRgb(pixelAt(together, 200, 550), 0xFF00FF00));
}

}  // namespace
