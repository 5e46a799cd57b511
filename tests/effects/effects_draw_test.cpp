// Drawing the particle sprites: batching gives the picture of drawing one by one with fewer draw
// calls, the blends and the atlas cells reach the device, and two moments of the default data
// set's effects against stored pictures (a bomb's blast mid-burst, the level-complete stars).
#include "graphics/gfx_helpers.h"

#include "core/appstate.h"
#include "effects/effects.h"
#include "effects/flare.h"

#include <cmath>
#include <vector>

namespace {

class EffectDraw : public GraphicsTest {
protected:
    void SetUp() override
    {
        GraphicsTest::SetUp();
        resetEffects();
    }
    void TearDown() override
    {
        gpuSetBatching(true);
        resetEffects();
        GraphicsTest::TearDown();
    }
    // A 512 x 512 atlas of 64 cells, each a soft disc in its own colour, as "effects\exploanim.tga".
    void makeAtlas()
    {
        ImageData atlas = makePicture(512, 512, [](int x, int y) {
            int cell = (y / 64) * 8 + x / 64;
            float dx = float(x % 64) - 31.5f, dy = float(y % 64) - 31.5f;
            float v = std::max(0.0f, 1.0f - std::sqrt(dx * dx + dy * dy) / 32.0f);
            uint32_t a = uint32_t(v * 255.0f);
            uint32_t r = uint32_t(v * float(120 + (cell * 37) % 136));
            uint32_t g = uint32_t(v * float(120 + (cell * 59) % 136));
            uint32_t b = uint32_t(v * float(120 + (cell * 83) % 136));
            return a << 24 | r << 16 | g << 8 | b;
        });
        put("effects/exploanim.tga", encodedTga(atlas, true));
        loadEffects();
        ASSERT_NE(effects.atlas, nullptr);
        ASSERT_EQ(effects.atlasCols, 8);
        ASSERT_EQ(effects.atlasRows, 8);
    }
    // n sprites spread over the screen, overlapping, in both blends (seeded).
    std::vector<QueuedSprite> mixedSprites(int n)
    {
        std::vector<QueuedSprite> sprites;
        seedEffectRandom(99);
        for (int i = 0; i < n; i++) {
            QueuedSprite s;
            s.position = {effectDev(380.0f), effectDev(280.0f), 0.0f};
            s.rotation = effectDev(180.0f);
            s.size = 20.0f + std::fabs(effectDev(60.0f));
            s.colour = Color(128 + int(std::fabs(effectDev(127.0f))), 200, 128 + int(std::fabs(effectDev(127.0f))),
                             100 + int(std::fabs(effectDev(155.0f))));
            s.cell = int(std::fabs(effectDev(63.0f)));
            s.blendType = (i / 3) % 2 == 0 && i % 5 != 0 ? 0 : 1;
            sprites.push_back(s);
        }
        return sprites;
    }
    void queue(const std::vector<QueuedSprite>& sprites)
    {
        effects.queueCount = 0;
        for (const QueuedSprite& s : sprites) effects.queue[effects.queueCount++] = s;
    }
    void scene()
    {
        begin2D();
        clearColor(0xFF203040u);
        clearDepth(1.0f);
    }
};

TEST_F(EffectDraw, BatchedSpritesDrawTheSamePictureAsOneByOneWithFewerCalls)
{
    startGl();
    makeAtlas();
    std::vector<QueuedSprite> sprites = mixedSprites(1500);
    // One by one: a draw call per sprite, none merged by the device.
    gpuSetBatching(false);
    effects.batching = 0;
    scene();
    queue(sprites);
    drawEffectQueue();
    EXPECT_EQ(effects.lastDrawCalls, 1500);
    ImageData single = frame();
    // Batched.
    gpuSetBatching(true);
    effects.batching = 1;
    scene();
    queue(sprites);
    drawEffectQueue();
    int batchedCalls = effects.lastDrawCalls;
    EXPECT_LT(batchedCalls, 1500);
    EXPECT_EQ(effects.lastDrawnSprites, 1500);
    EXPECT_EQ(effects.queueCount, 0);
    ImageData batched = frame();
    ASSERT_EQ(single.pixels.size(), batched.pixels.size());
    int differing = 0;
    for (int y = 0; y < single.height; y++)
        for (int x = 0; x < single.width; x++)
            if (pixelAt(single, x, y) != pixelAt(batched, x, y)) differing++;
    EXPECT_EQ(differing, 0) << "with " << batchedCalls << " batched calls";
    // The picture is not empty: the sprites did draw.
    int lit = 0;
    for (int y = 0; y < single.height; y += 4)
        for (int x = 0; x < single.width; x += 4)
            if (pixelAt(single, x, y) != pixelAt(single, 0, 0)) lit++;
    EXPECT_GT(lit, 1000);
}

TEST_F(EffectDraw, RunsAndNonOverlappingSpritesShareACallOverlappingOnesKeepTheirOrder)
{
    startHeadless();
    makeAtlas();
    begin2D();
    // 1000 additive sprites: one call.
    std::vector<QueuedSprite> sprites;
    for (int i = 0; i < 1000; i++)
        sprites.push_back({{float(i % 40) * 20.0f - 390.0f, float(i / 40) * 20.0f - 250.0f, 0.0f}, 0.0f, 12.0f,
                           Color(255, 255, 255, 255), i % 64, 0});
    queue(sprites);
    gpuResetStats();
    drawEffectQueue();
    EXPECT_EQ(effects.lastDrawCalls, 1);
    EXPECT_EQ(gpuStats().primitives, 2000);
    // Left half additive, right half alpha, interleaved in the queue: one call per blend.
    for (int i = 0; i < 1000; i++) sprites[i].blendType = sprites[i].position.x < 0.0f ? 0 : 1;
    for (int i = 0; i < 1000; i += 2) std::swap(sprites[i].position, sprites[999 - i].position);
    for (QueuedSprite& s : sprites) s.blendType = s.position.x < 0.0f ? 0 : 1;
    queue(sprites);
    gpuClearDrawLog();
    drawEffectQueue();
    EXPECT_EQ(effects.lastDrawCalls, 2);
    ASSERT_EQ(gpuDrawLogCount(), 2);
    const GpuDrawRecord* alpha = gpuDrawLogEntry(0);  // the queue starts with a sprite on the right
    const GpuDrawRecord* additive = gpuDrawLogEntry(1);
    EXPECT_EQ(alpha->srcBlend, uint32_t(BlendSrcAlpha));
    EXPECT_EQ(alpha->destBlend, uint32_t(BlendInvSrcAlpha));
    EXPECT_EQ(additive->srcBlend, uint32_t(BlendSrcColor));  // additive: (source colour, one)
    EXPECT_EQ(additive->destBlend, uint32_t(BlendOne));
    EXPECT_EQ(additive->alphaTest, 0u);
    EXPECT_EQ(additive->texture, effects.atlas->texture);
    EXPECT_EQ(additive->primitiveCount, 1000);
    // Afterwards the usual 2-D blend and the alpha test are back.
    EXPECT_EQ(getRenderState(GpuRenderState::SrcBlend), uint32_t(BlendSrcAlpha));
    EXPECT_EQ(getRenderState(GpuRenderState::AlphaTestEnable), 1u);
    // Sprites on one spot alternating blend cannot be reordered: a call each.
    for (int i = 0; i < 10; i++) sprites[i] = {{0.0f, 0.0f, 0.0f}, 0.0f, 30.0f, Color(255, 0, 0, 255), 3, i % 2};
    sprites.resize(10);
    queue(sprites);
    drawEffectQueue();
    EXPECT_EQ(effects.lastDrawCalls, 10);
}

TEST_F(EffectDraw, SpriteCornersFaceTheCameraAndCoverTheCell)
{
    startHeadless();
    makeAtlas();
    begin2D();
    queue({{{100.0f, 50.0f, 0.0f}, 90.0f, 40.0f, Color(10, 20, 30, 40), 12, 0}});
    drawEffectQueue();
    const GpuVertex* v = nullptr;
    ASSERT_EQ(gpuLastVertices(&v), 6);
    // Turned by 90 degrees (clockwise on screen, as every camera-facing sprite turns): the first
    // corner (top-left of the picture) is at the top right.
    EXPECT_NEAR(v[0].pos[0], 120.0f, 1e-3f);
    EXPECT_NEAR(v[0].pos[1], 70.0f, 1e-3f);
    EXPECT_NEAR(v[0].pos[2], 10.0f, 1e-3f);
    Rect uv = atlasCellUv(12);
    EXPECT_FLOAT_EQ(v[0].u, uv.left);
    EXPECT_FLOAT_EQ(v[0].v, uv.top);
    EXPECT_FLOAT_EQ(v[2].u, uv.right);
    EXPECT_FLOAT_EQ(v[2].v, uv.bottom);
    EXPECT_EQ(v[0].color, Color(10, 20, 30, 40).asWord());
    // A single flare: additive around the sprite, the alpha test restored after.
    setRenderState(GpuRenderState::AlphaTestEnable, 1);
    drawFlare(Vec2{0.0f, 0.0f}, 0.0f, 90.0f, Color(200, 200, 200, 200), 12);
    EXPECT_EQ(gpuLastDraw()->srcBlend, uint32_t(BlendSrcColor));
    EXPECT_EQ(gpuLastDraw()->alphaTest, 0u);
    EXPECT_EQ(getRenderState(GpuRenderState::AlphaTestEnable), 1u);
    EXPECT_EQ(getRenderState(GpuRenderState::SrcBlend), uint32_t(BlendSrcAlpha));
    ASSERT_EQ(gpuLastVertices(&v), 6);
    EXPECT_NEAR(v[0].pos[0], -45.0f, 1e-3f);
    EXPECT_NEAR(v[0].pos[1], 45.0f, 1e-3f);
}

// ---- the default data set's effects ----

class EffectGolden : public EffectDraw {
protected:
    void SetUp() override
    {
        EffectDraw::SetUp();
        std::string data = std::string(OSTRIMAR_BINARY_DIR) + "/Data";
        ASSERT_TRUE(std::filesystem::exists(data + "/effects/exploanim.tga")) << "the data set is built by the dataset target";
        startGl();
        ASSERT_TRUE(osSetCurrentDirectory(data.c_str()));
        loadEffects();
        ASSERT_NE(effects.atlas, nullptr);
        seedEffectRandom(2024);
    }
    // Frames of 20 ms over a dark backdrop until the clock reaches ms; returns the last frame.
    ImageData runUntil(float ms)
    {
        for (float t = 0.0f; t < ms; t += 20.0f) {
            scene();
            app.globalTimeMs += 20.0f;
            updateEffects(20.0f);
            drawEffectQueue();
        }
        return frame();
    }
};

TEST_F(EffectGolden, BombBlastMidBurst)
{
    ASSERT_GE(findEffect("bomb1_1"), 0);
    startEffect("bomb1_1", 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, -1);
    EXPECT_EQ(effectStarts("bomb1_2"), 1);  // its shock ring, smoke and flash start with it
    EXPECT_EQ(effectStarts("bomb1_3"), 1);
    EXPECT_EQ(effectStarts("bomb1_4"), 1);
    expectGolden(runUntil(200.0f), "effects_bomb_blast");
}

TEST_F(EffectGolden, LevelCompleteStars)
{
    ASSERT_GE(findEffect("starefIQ"), 0);
    startEffect("starefIQ", 0.0f, -160.0f, 0.0f, -160.0f, 1.0f, -1);
    expectGolden(runUntil(600.0f), "effects_level_complete");
}

}  // namespace
