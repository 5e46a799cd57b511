// Frame-to-frame damage: which rectangles differ between two frames' command lists, and how the
// rectangles are merged; and, on the GL device, that a frame drawn only where it changed is the
// picture a whole redraw gives.
#include "platform/gpu/damage.h"
#include "platform/gpu/gpu.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

DamageItem item(uint64_t hash, int x0, int y0, int x1, int y1) { return {hash, {x0, y0, x1, y1}}; }

bool covers(const Damage& d, int x, int y)
{
    for (int i = 0; i < d.count; ++i)
        if (x >= d.rects[i].x0 && x < d.rects[i].x1 && y >= d.rects[i].y0 && y < d.rects[i].y1) return true;
    return false;
}

TEST(Damage, EqualListsHaveNoneAndAChangeDamagesItsOldAndNewPlace)
{
    std::vector<DamageItem> a = {item(1, 0, 0, 800, 600), item(2, 10, 10, 20, 20), item(3, 500, 500, 520, 520)};
    Damage same = damageBetween(a.data(), 3, a.data(), 3, 800, 600);
    EXPECT_EQ(same.count, 0);
    // The middle command moved: both its places are damaged, nothing else.
    std::vector<DamageItem> b = a;
    b[1] = item(7, 100, 100, 110, 110);
    Damage moved = damageBetween(a.data(), 3, b.data(), 3, 800, 600);
    EXPECT_FALSE(moved.whole);
    EXPECT_TRUE(covers(moved, 15, 15));
    EXPECT_TRUE(covers(moved, 105, 105));
    EXPECT_FALSE(covers(moved, 510, 510));
    EXPECT_FALSE(covers(moved, 60, 60));
    EXPECT_EQ(damageArea(moved), 200);
}

TEST(Damage, AddedAndRemovedCommandsKeepTheRestAligned)
{
    std::vector<DamageItem> a, b;
    for (int i = 0; i < 20; ++i) a.push_back(item(100 + i, i * 30, 0, i * 30 + 10, 10));
    b = a;
    // A command added after the 5th and the 12th removed: only their rectangles are damaged,
    // the commands after them are found again further along.
    b.insert(b.begin() + 5, item(999, 400, 400, 420, 420));
    b.erase(b.begin() + 13);
    Damage d = damageBetween(a.data(), int(a.size()), b.data(), int(b.size()), 800, 600);
    EXPECT_TRUE(covers(d, 405, 405));
    EXPECT_TRUE(covers(d, 12 * 30 + 5, 5));
    for (int i = 0; i < 20; ++i)
        if (i != 12) {
            EXPECT_FALSE(covers(d, i * 30 + 5, 5)) << i;
        }
    // Everything after the lists' common part counts, in either list.
    std::vector<DamageItem> shorter(a.begin(), a.begin() + 18);
    Damage tail = damageBetween(a.data(), 20, shorter.data(), 18, 800, 600);
    EXPECT_TRUE(covers(tail, 18 * 30 + 5, 5));
    EXPECT_TRUE(covers(tail, 19 * 30 + 5, 5));
    EXPECT_FALSE(covers(tail, 17 * 30 + 5, 5));
}

TEST(Damage, RectanglesJoinWhenCheapStayFewAndBecomeWholePastTheShare)
{
    Damage d = {};
    damageAdd(d, {-50, -50, 10, 10}, 800, 600);  // clipped to the target
    EXPECT_EQ(d.rects[0].x0, 0);
    EXPECT_EQ(damageArea(d), 100);
    damageAdd(d, {5, 5, 30, 30}, 800, 600);  // overlaps: one rectangle costs little more
    EXPECT_EQ(d.count, 1);
    // Two long strips crossing at a corner stay apart: their bounding box would be far larger.
    Damage cross = {};
    damageAdd(cross, {0, 0, 800, 100}, 800, 600);
    damageAdd(cross, {0, 90, 100, 600}, 800, 600);
    EXPECT_EQ(cross.count, 2);
    EXPECT_EQ(damageArea(cross), 800 * 100 + 100 * 510);
    damageAdd(d, {0, 0, 0, 10}, 800, 600);  // empty: nothing
    EXPECT_EQ(d.count, 1);
    // More separate rectangles than the limit: still covering every one.
    std::mt19937 rng(5);
    std::vector<DamageRect> added;
    for (int i = 0; i < 40; ++i) {
        int x = int(rng() % 760), y = int(rng() % 560);
        DamageRect r = {x, y, x + 1 + int(rng() % 30), y + 1 + int(rng() % 30)};
        added.push_back(r);
        damageAdd(d, r, 800, 600);
        ASSERT_LE(d.count, DAMAGE_MAX_RECTS);
    }
    for (const DamageRect& r : added) {
        EXPECT_TRUE(covers(d, r.x0, r.y0));
        EXPECT_TRUE(covers(d, r.x1 - 1, r.y1 - 1));
    }
    Damage big = {};
    damageAdd(big, {0, 0, 800, 200}, 800, 600);
    EXPECT_FALSE(big.whole);
    damageAdd(big, {0, 300, 800, 600}, 800, 600);
    EXPECT_TRUE(big.whole);
    EXPECT_EQ(damageArea(big), 800 * 600);
}

TEST(Damage, HashSeesEveryByte)
{
    unsigned char bytes[37] = {};
    uint64_t base = damageHash(bytes, sizeof bytes, 0);
    for (size_t i = 0; i < sizeof bytes; ++i) {
        bytes[i] = 1;
        EXPECT_NE(damageHash(bytes, sizeof bytes, 0), base) << i;
        bytes[i] = 0;
    }
    EXPECT_NE(damageHash(bytes, sizeof bytes, 1), base);
}

// ---- on the GL device ----

GpuPresentParams params(void* window)
{
    GpuPresentParams p = {};
    p.backBufferWidth = 800;
    p.backBufferHeight = 600;
    p.backBufferFormat = GpuFormat::X8R8G8B8;
    p.windowed = true;
    p.autoDepthStencil = true;
    p.depthFormat = GpuFormat::D24S8;
    p.window = window;
    return p;
}

struct V {
    float x, y, z;
    uint32_t c;
    float u, v;
};

// Frames of a few dozen blended, textured, depth-tested quads, some moving from frame to frame,
// drawn once with damage tracking (each frame over the kept last one) and once whole: every
// presented frame is the same picture, and most of them redraw only a part.
TEST(DamageGl, FramesDrawnWhereTheyChangedEqualWholeFrames)
{
    void* window = gpuCreateHiddenWindow(800, 600);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(gpuCreate(params(window)));
    int t = gpuCreateTexture(8, 8, 1, GpuFormat::A8R8G8B8, false);
    int pitch = 0;
    uint32_t* p = static_cast<uint32_t*>(gpuLockTexture(t, &pitch));
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 64; ++i) p[i] = (uint32_t(40 + i * 3) << 24) | uint32_t(i * 0x030507);
    gpuUnlockTexture(t);
    auto drawFrame = [&](int n) {
        gpuClear(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF203040, 1.0f, 0);
        gpuSetRenderState(GpuRenderState::Lighting, 0);
        gpuSetRenderState(GpuRenderState::CullMode, CullNone);
        gpuSetRenderState(GpuRenderState::AlphaBlendEnable, 1);
        gpuSetRenderState(GpuRenderState::SrcBlend, BlendSrcAlpha);
        gpuSetRenderState(GpuRenderState::DestBlend, BlendInvSrcAlpha);
        gpuSetTexture(t);
        gpuSetTextureStageState(GpuTextureStageState::ColorOp, TexOpModulate);
        gpuSetTextureStageState(GpuTextureStageState::AlphaOp, TexOpModulate);
        gpuSetVertexFormat(0x142);
        std::mt19937 rng(11);
        for (int q = 0; q < 40; ++q) {
            float x = float(rng() % 1000) / 600.0f - 0.9f, y = float(rng() % 1000) / 600.0f - 0.9f;
            float s = 0.05f + float(rng() % 100) / 800.0f, z = float(rng() % 100) / 100.0f;
            // Every fifth quad moves each frame, one of them changes its depth test too.
            if (q % 5 == 0) x += 0.01f * float(n % 7);
            gpuSetRenderState(GpuRenderState::ZEnable, q == 10 && n % 2 ? 1 : q % 3 == 0 ? 1 : 0);
            uint32_t c = 0x80FFFFFFu + uint32_t(q) * 0x010305u;
            V v[4] = {{x, y, z, c, 0, 0}, {x + s, y, z, c, 1, 0}, {x, y - s, z, c, 0, 1}, {x + s, y - s, z, c, 1, 1}};
            gpuDrawPrimitiveUP(GpuPrimitive::TriangleStrip, 2, v, sizeof(V));
        }
        // A quad that appears on odd frames only, after the others.
        if (n % 2) {
            V v[4] = {{0.5f, 0.5f, 0.3f, 0xFF00FF00u, 0, 0}, {0.7f, 0.5f, 0.3f, 0xFF00FF00u, 1, 0},
                      {0.5f, 0.3f, 0.3f, 0xFF00FF00u, 0, 1}, {0.7f, 0.3f, 0.3f, 0xFF00FF00u, 1, 1}};
            gpuDrawPrimitiveUP(GpuPrimitive::TriangleStrip, 2, v, sizeof(V));
        }
    };
    std::vector<uint8_t> tracked(800 * 600 * 4), whole(800 * 600 * 4);
    gpuResetStats();
    for (int n = 0; n < 8; ++n) {
        gpuSetDamageTracking(true);
        drawFrame(n);
        gpuPresent();
        ASSERT_TRUE(gpuReadPixels(0, tracked.data(), int(tracked.size())));
        gpuSetDamageTracking(false);
        drawFrame(n);
        ASSERT_TRUE(gpuReadPixels(0, whole.data(), int(whole.size())));
        gpuPresent();
        EXPECT_EQ(std::memcmp(tracked.data(), whole.data(), tracked.size()), 0) << "frame " << n;
        gpuSetDamageTracking(true);
        // The tracked frame after a whole one is drawn whole again: draw it once more so that the
        // next frame is compared with a tracked one.
        drawFrame(n);
        gpuPresent();
    }
    EXPECT_GT(gpuStats().partialFrames, 4);
    // The same frame again changes nothing and draws nothing.
    gpuResetStats();
    drawFrame(3);
    gpuPresent();
    drawFrame(3);
    gpuPresent();
    EXPECT_EQ(gpuStats().unchangedFrames, 1);
    gpuRelease();
    gpuDestroyHiddenWindow(window);
}

}  // namespace
