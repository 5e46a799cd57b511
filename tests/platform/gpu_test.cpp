// The device interface: the headless device's records and counters, vertex formats, textures,
// buffers and bad input; the GL device's texture formats, render targets and read-back.
#include "platform/gpu/gpu.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

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

class HeadlessGpu : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(gpuCreate(params(nullptr))); }
    void TearDown() override { gpuRelease(); }
};

TEST(GpuFormats, StrideFollowsTheVertexFormat)
{
    EXPECT_EQ(gpuFvfStride(0x142), 24);
    EXPECT_EQ(gpuFvfStride(0x102), 20);
    EXPECT_EQ(gpuFvfStride(0x112), 32);
    EXPECT_EQ(gpuFvfStride(FVF_XYZ | FVF_PSIZE | FVF_DIFFUSE | FVF_SPECULAR), 24);
    EXPECT_EQ(gpuFvfStride(FVF_XYZ), 12);
    EXPECT_EQ(gpuFvfStride(0), 0);  // no position
    EXPECT_EQ(gpuFormatBytes(GpuFormat::R5G6B5), 2);
    EXPECT_EQ(gpuFormatBytes(GpuFormat::D16), 0);
}

TEST(GpuPresent, LetterboxKeepsTheAspectAndCentres)
{
    GpuViewport same = gpuLetterbox(800, 600, 800, 600);
    EXPECT_EQ(same.x, 0);
    EXPECT_EQ(same.width, 800);
    GpuViewport wide = gpuLetterbox(1920, 1080, 800, 600);  // bars left and right
    EXPECT_EQ(wide.height, 1080);
    EXPECT_EQ(wide.width, 1440);
    EXPECT_EQ(wide.x, 240);
    EXPECT_EQ(wide.y, 0);
    GpuViewport tall = gpuLetterbox(1000, 1200, 800, 600);  // bars above and below
    EXPECT_EQ(tall.width, 1000);
    EXPECT_EQ(tall.height, 750);
    EXPECT_EQ(tall.y, 225);
    GpuViewport hidpi = gpuLetterbox(1600, 1200, 800, 600);
    EXPECT_EQ(hidpi.width, 1600);
    EXPECT_EQ(hidpi.height, 1200);
    GpuViewport none = gpuLetterbox(0, 600, 800, 600);  // a minimised window
    EXPECT_EQ(none.width, 0);
}

TEST_F(HeadlessGpu, DrawsAreRecordedAndCounted)
{
    V quad[4] = {{1, 1, 0, 0xFF00FF00, 1, 0}, {1, -1, 0, 0xFF00FF00, 1, 1}, {-1, 1, 0, 0xFF00FF00, 0, 0}, {-1, -1, 0, 0xFF00FF00, 0, 1}};
    gpuSetVertexFormat(0x142);
    gpuSetRenderState(GpuRenderState::AlphaBlendEnable, 1);
    gpuDrawPrimitiveUP(GpuPrimitive::TriangleStrip, 2, quad, sizeof(V));
    gpuDrawPrimitiveUP(GpuPrimitive::TriangleList, 1, quad, sizeof(V));
    GpuStats s = gpuStats();
    EXPECT_EQ(s.submittedDraws, 2);
    EXPECT_EQ(s.drawCalls, 2);
    EXPECT_EQ(s.primitives, 3);
    ASSERT_EQ(gpuDrawLogCount(), 2);
    EXPECT_EQ(gpuDrawLogEntry(0)->primitive, GpuPrimitive::TriangleStrip);
    EXPECT_EQ(gpuDrawLogEntry(0)->vertexCount, 4);
    EXPECT_EQ(gpuDrawLogEntry(0)->alphaBlend, 1u);
    EXPECT_EQ(gpuLastDraw()->vertexCount, 3);
    const GpuVertex* v = nullptr;
    ASSERT_EQ(gpuLastVertices(&v), 3);
    EXPECT_EQ(v[1].color, 0xFF00FF00u);
    EXPECT_EQ(v[1].v, 1.0f);
}

TEST_F(HeadlessGpu, BadDrawsAreIgnored)
{
    V tri[3] = {};
    gpuSetVertexFormat(0x142);
    gpuDrawPrimitiveUP(GpuPrimitive::TriangleList, 0, tri, sizeof(V));
    gpuDrawPrimitiveUP(GpuPrimitive::TriangleList, 1, nullptr, sizeof(V));
    gpuDrawPrimitiveUP(GpuPrimitive(99), 1, tri, sizeof(V));
    gpuDrawPrimitiveUP(GpuPrimitive::TriangleList, 1, tri, 8);  // stride shorter than the format
    gpuSetVertexFormat(0);
    gpuDrawPrimitiveUP(GpuPrimitive::TriangleList, 1, tri, sizeof(V));
    // a buffer draw running past the buffer's end
    gpuSetVertexFormat(FVF_XYZ);
    int vb = gpuCreateVertexBuffer(12 * 3);
    gpuSetStreamSource(vb, 12);
    gpuDrawPrimitive(GpuPrimitive::TriangleList, 1, 1);
    // an index pointing past the vertices
    int ib = gpuCreateIndexBuffer(6);
    uint16_t idx[3] = {0, 1, 7};
    std::memcpy(gpuLockBuffer(ib), idx, 6);
    gpuSetIndices(ib, 0);
    gpuDrawIndexedPrimitive(GpuPrimitive::TriangleList, 0, 3, 0, 1);
    EXPECT_EQ(gpuStats().submittedDraws, 0);
    gpuDrawPrimitive(GpuPrimitive::TriangleList, 0, 1);
    EXPECT_EQ(gpuStats().submittedDraws, 1);
}

TEST_F(HeadlessGpu, TexturesLockInTheirOwnFormat)
{
    int t = gpuCreateTexture(16, 8, 1, GpuFormat::R5G6B5, false);
    ASSERT_NE(t, 0);
    int pitch = 0;
    void* p = gpuLockTexture(t, &pitch);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(pitch, 32);
    EXPECT_EQ(gpuLockTexture(t, &pitch), nullptr);  // already locked
    gpuUnlockTexture(t);
    int rt = gpuCreateTexture(16, 16, 1, GpuFormat::A8R8G8B8, true);
    EXPECT_EQ(gpuLockTexture(rt, &pitch), nullptr);  // render targets are read back instead
    EXPECT_EQ(gpuCreateTexture(0, 8, 1, GpuFormat::A8R8G8B8, false), 0);
    EXPECT_EQ(gpuCreateTexture(8, 8, 1, GpuFormat::D16, false), 0);
    gpuSetTexture(t);
    EXPECT_EQ(gpuGetTexture(), t);
    gpuReleaseTexture(t);
    EXPECT_EQ(gpuGetTexture(), 0);
    EXPECT_FALSE(gpuTextureInfo(t, nullptr, nullptr, nullptr, nullptr));
    gpuSetTexture(12345);
    EXPECT_EQ(gpuGetTexture(), 0);
    EXPECT_FALSE(gpuSetRenderTarget(t));
    EXPECT_TRUE(gpuSetRenderTarget(rt));
    uint8_t small[16];
    EXPECT_FALSE(gpuReadPixels(rt, small, sizeof small));
}

TEST_F(HeadlessGpu, ModesAndChecks)
{
    EXPECT_GT(gpuDisplayModeCount(), 0);
    GpuDisplayMode m;
    EXPECT_TRUE(gpuDisplayMode(0, &m));
    EXPECT_FALSE(gpuDisplayMode(-1, &m));
    EXPECT_TRUE(gpuCheckDeviceType(GpuFormat::X8R8G8B8, GpuFormat::A8R8G8B8));
    EXPECT_FALSE(gpuCheckDeviceType(GpuFormat::A8R8G8B8, GpuFormat::A8R8G8B8));
    EXPECT_FALSE(gpuCheckDepthFormat(GpuFormat::R5G6B5, GpuFormat::D32));
    EXPECT_TRUE(gpuCheckDepthFormat(GpuFormat::R5G6B5, GpuFormat::D16));
    GpuPresentParams bad = params(nullptr);
    bad.backBufferWidth = 0;
    EXPECT_FALSE(gpuReset(bad));
}

// ---- the GL device ----

class GlGpu : public testing::Test {
protected:
    void SetUp() override
    {
        window = gpuCreateHiddenWindow(800, 600);
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(gpuCreate(params(window)));
        ASSERT_FALSE(gpuIsHeadless());
    }
    void TearDown() override
    {
        gpuRelease();
        gpuDestroyHiddenWindow(window);
    }
    uint32_t pixel(int target, int w, int x, int y)
    {
        std::vector<uint8_t> px(size_t(w) * 600 * 4 + 1024 * 1024 * 4);
        EXPECT_TRUE(gpuReadPixels(target, px.data(), int(px.size())));
        uint32_t v;
        std::memcpy(&v, &px[(size_t(y) * w + x) * 4], 4);
        return v;
    }
    void* window = nullptr;
};

TEST_F(GlGpu, ClearAndReadBackTopRowFirst)
{
    gpuClear(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF102030, 1.0f, 0);
    // a quad over the top 100 rows, in clip coordinates (identity transforms)
    V quad[4] = {{1, 1, 0.5f, 0xFFFF0000, 0, 0}, {1, 0.6667f, 0.5f, 0xFFFF0000, 0, 0},
                 {-1, 1, 0.5f, 0xFFFF0000, 0, 0}, {-1, 0.6667f, 0.5f, 0xFFFF0000, 0, 0}};
    gpuSetRenderState(GpuRenderState::Lighting, 0);
    gpuSetRenderState(GpuRenderState::CullMode, CullNone);
    gpuSetVertexFormat(0x142);
    gpuDrawPrimitiveUP(GpuPrimitive::TriangleStrip, 2, quad, sizeof(V));
    EXPECT_EQ(pixel(0, 800, 400, 10) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(pixel(0, 800, 400, 500) & 0xFFFFFF, 0x102030u);
}

TEST_F(GlGpu, SixteenBitTexturesAndRenderTargets)
{
    int t = gpuCreateTexture(2, 2, 1, GpuFormat::R5G6B5, false);
    int pitch = 0;
    uint16_t* p = static_cast<uint16_t*>(gpuLockTexture(t, &pitch));
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 4; ++i) p[i] = 0x07E0;  // pure green
    gpuUnlockTexture(t);
    int rt = gpuCreateTexture(64, 64, 1, GpuFormat::A8R8G8B8, true);
    ASSERT_TRUE(gpuSetRenderTarget(rt));
    gpuClear(CLEAR_TARGET, 0xFF000000, 1.0f, 0);
    gpuSetRenderState(GpuRenderState::Lighting, 0);
    gpuSetRenderState(GpuRenderState::ZEnable, 0);
    gpuSetRenderState(GpuRenderState::CullMode, CullNone);
    gpuSetTexture(t);
    V quad[4] = {{1, 1, 0.5f, 0xFFFFFFFF, 1, 0}, {1, -1, 0.5f, 0xFFFFFFFF, 1, 1}, {-1, 1, 0.5f, 0xFFFFFFFF, 0, 0},
                 {-1, -1, 0.5f, 0xFFFFFFFF, 0, 1}};
    gpuSetVertexFormat(0x142);
    gpuDrawPrimitiveUP(GpuPrimitive::TriangleStrip, 2, quad, sizeof(V));
    std::vector<uint8_t> px(64 * 64 * 4);
    ASSERT_TRUE(gpuReadPixels(rt, px.data(), int(px.size())));
    uint32_t v;
    std::memcpy(&v, &px[(32 * 64 + 32) * 4], 4);
    EXPECT_EQ(v & 0xFFFFFF, 0x00FF00u);
    ASSERT_TRUE(gpuSetRenderTarget(0));
    gpuPresent();  // presenting through the gamma ramp must not disturb the back buffer
    EXPECT_EQ(gpuStats().presents, 1);
}

TEST_F(GlGpu, TheWindowShowsTheFrameUprightThroughTheBrightnessRamp)
{
    gpuClear(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF102030, 1.0f, 0);
    V quad[4] = {{1, 1, 0.5f, 0xFFFF0000, 0, 0}, {1, 0.6667f, 0.5f, 0xFFFF0000, 0, 0},
                 {-1, 1, 0.5f, 0xFFFF0000, 0, 0}, {-1, 0.6667f, 0.5f, 0xFFFF0000, 0, 0}};
    gpuSetRenderState(GpuRenderState::Lighting, 0);
    gpuSetRenderState(GpuRenderState::CullMode, CullNone);
    gpuSetVertexFormat(0x142);
    gpuDrawPrimitiveUP(GpuPrimitive::TriangleStrip, 2, quad, sizeof(V));
    gpuCapturePresents(true);
    auto shown = [](float fx, float fy) {
        const uint8_t* px = nullptr;
        int w = 0, h = 0;
        EXPECT_TRUE(gpuPresentedPixels(&px, &w, &h));
        if (!px) return 0u;
        GpuViewport box = gpuLetterbox(w, h, 800, 600);
        int x = box.x + int(fx * box.width), y = box.y + int(fy * box.height);
        uint32_t v;
        std::memcpy(&v, px + (size_t(y) * w + x) * 4, 4);
        return v & 0xFFFFFF;
    };
    // The neutral ramp: the picture as drawn, top rows on top.
    uint16_t ramp[256];
    for (int i = 0; i < 256; ++i) ramp[i] = uint16_t(i * 257);
    gpuSetGammaRamp(ramp, ramp, ramp);
    gpuPresent();
    EXPECT_EQ(shown(0.5f, 0.05f), 0xFF0000u);
    EXPECT_EQ(shown(0.5f, 0.9f), 0x102030u);
    // A brighter ramp doubles every level (the display takes each entry's high byte).
    for (int i = 0; i < 256; ++i) ramp[i] = uint16_t((i * 2 > 255 ? 255 : i * 2) << 8);
    gpuSetGammaRamp(ramp, ramp, ramp);
    gpuPresent();
    EXPECT_EQ(shown(0.5f, 0.05f), 0xFF0000u);
    EXPECT_EQ(shown(0.5f, 0.9f), 0x204060u);
    // The back buffer itself keeps the frame as drawn.
    EXPECT_EQ(pixel(0, 800, 400, 500) & 0xFFFFFF, 0x102030u);
    // A frame that is only a clear is shown by clearing the window: the same colour, ramped.
    gpuClear(CLEAR_TARGET, 0xFF204060, 1.0f, 0);
    gpuPresent();
    EXPECT_EQ(shown(0.1f, 0.05f), 0x4080C0u);
    EXPECT_EQ(shown(0.9f, 0.9f), 0x4080C0u);
    // Something drawn after the clear is shown through the copy again.
    gpuDrawPrimitiveUP(GpuPrimitive::TriangleStrip, 2, quad, sizeof(V));
    gpuPresent();
    EXPECT_EQ(shown(0.5f, 0.05f), 0xFF0000u);
    EXPECT_EQ(shown(0.5f, 0.9f), 0x4080C0u);
}

TEST_F(GlGpu, DirectionalLightFollowsTheNormals)
{
    gpuClear(CLEAR_TARGET, 0xFF000000, 1.0f, 0);
    gpuSetRenderState(GpuRenderState::ZEnable, 0);
    gpuSetRenderState(GpuRenderState::CullMode, CullNone);
    gpuSetRenderState(GpuRenderState::Lighting, 1);
    gpuSetRenderState(GpuRenderState::Ambient, 0xFF202020);
    GpuMaterial m = {};
    for (int i = 0; i < 4; ++i) m.diffuse[i] = m.ambient[i] = 1.0f;
    gpuSetMaterial(m);
    GpuLight light = {};
    light.type = 3;
    light.diffuse[0] = 1.0f;  // red light shining along +z
    light.direction[2] = 1.0f;
    gpuSetLight(0, light);
    gpuLightEnable(0, true);
    struct N {
        float x, y, z, nx, ny, nz;
    };
    // left quad faces the light (normal -z), right quad faces away (normal +z)
    N quads[2][4] = {{{-0.9f, 0.5f, 0.5f, 0, 0, -1}, {-0.9f, -0.5f, 0.5f, 0, 0, -1}, {-0.1f, 0.5f, 0.5f, 0, 0, -1}, {-0.1f, -0.5f, 0.5f, 0, 0, -1}},
                     {{0.1f, 0.5f, 0.5f, 0, 0, 1}, {0.1f, -0.5f, 0.5f, 0, 0, 1}, {0.9f, 0.5f, 0.5f, 0, 0, 1}, {0.9f, -0.5f, 0.5f, 0, 0, 1}}};
    gpuSetVertexFormat(FVF_XYZ | FVF_NORMAL);
    gpuDrawPrimitiveUP(GpuPrimitive::TriangleStrip, 2, quads[0], sizeof(N));
    gpuDrawPrimitiveUP(GpuPrimitive::TriangleStrip, 2, quads[1], sizeof(N));
    std::vector<uint8_t> px(800 * 600 * 4);
    ASSERT_TRUE(gpuReadPixels(0, px.data(), int(px.size())));
    auto at = [&](int x, int y) {
        uint32_t v;
        std::memcpy(&v, &px[(size_t(y) * 800 + x) * 4], 4);
        return v & 0xFFFFFF;
    };
    EXPECT_EQ(at(200, 300), 0xFF2020u);  // ambient plus the full red light
    EXPECT_EQ(at(600, 300), 0x202020u);  // ambient only
}

TEST_F(GlGpu, PointSpritesShowTheTextureUprightAtTheirSize)
{
    // top half red, bottom half green
    int t = gpuCreateTexture(4, 4, 1, GpuFormat::A8R8G8B8, false);
    int pitch = 0;
    uint32_t* p = static_cast<uint32_t*>(gpuLockTexture(t, &pitch));
    for (int i = 0; i < 16; ++i) p[i] = i < 8 ? 0xFFFF0000u : 0xFF00FF00u;
    gpuUnlockTexture(t);
    gpuClear(CLEAR_TARGET, 0xFF000000, 1.0f, 0);
    gpuSetRenderState(GpuRenderState::Lighting, 0);
    gpuSetRenderState(GpuRenderState::ZEnable, 0);
    gpuSetRenderState(GpuRenderState::PointSpriteEnable, 1);
    gpuSetRenderState(GpuRenderState::PointScaleEnable, 0);
    gpuSetTexture(t);
    struct P {
        float x, y, z, size;
        uint32_t c;
    } point = {0.0f, 0.0f, 0.5f, 40.0f, 0xFFFFFFFF};
    gpuSetVertexFormat(FVF_XYZ | FVF_PSIZE | FVF_DIFFUSE);
    gpuDrawPrimitiveUP(GpuPrimitive::PointList, 1, &point, sizeof point);
    std::vector<uint8_t> px(800 * 600 * 4);
    ASSERT_TRUE(gpuReadPixels(0, px.data(), int(px.size())));
    auto at = [&](int x, int y) {
        uint32_t v;
        std::memcpy(&v, &px[(size_t(y) * 800 + x) * 4], 4);
        return v & 0xFFFFFF;
    };
    EXPECT_EQ(at(400, 285), 0xFF0000u);  // upper part red
    EXPECT_EQ(at(400, 315), 0x00FF00u);  // lower part green
    EXPECT_EQ(at(400, 330), 0x000000u);  // 40 pixels across: nothing 30 below the centre
    EXPECT_EQ(at(370, 300), 0x000000u);
}

// The programs made for each state combination shade exactly as the general program that reads
// the same switches from uniforms: every texture operation for colour and alpha, every alpha
// test function, with and without a texture, the texture transform and point sprites.
TEST_F(GlGpu, SpecialisedProgramsShadeAsTheGeneralOne)
{
    int t = gpuCreateTexture(4, 4, 1, GpuFormat::A8R8G8B8, false);
    int pitch = 0;
    uint32_t* p = static_cast<uint32_t*>(gpuLockTexture(t, &pitch));
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 16; ++i) p[i] = (uint32_t(i * 17) << 24) | (uint32_t(255 - i * 13) << 16) | (uint32_t(i * 9) << 8) | 200u;
    gpuUnlockTexture(t);
    auto frame = [&](bool specialised, std::vector<uint8_t>& out) {
        gpuSetSpecialisedPrograms(specialised);
        gpuClear(CLEAR_TARGET, 0x00000000, 1.0f, 0);
        gpuSetRenderState(GpuRenderState::Lighting, 0);
        gpuSetRenderState(GpuRenderState::ZEnable, 0);
        gpuSetRenderState(GpuRenderState::CullMode, CullNone);
        gpuSetRenderState(GpuRenderState::AlphaBlendEnable, 0);
        gpuSetVertexFormat(0x142);
        int cell = 0;
        auto quad = [&]() {
            float x0 = -1.0f + (cell % 16) * 0.125f, y0 = 1.0f - (cell / 16) * 0.125f;
            V q[4] = {{x0 + 0.12f, y0, 0.5f, 0x80FF8040u, 1, 0},
                      {x0 + 0.12f, y0 - 0.12f, 0.5f, 0xC0204080u, 1, 1},
                      {x0, y0, 0.5f, 0x40FFFFFFu, 0, 0},
                      {x0, y0 - 0.12f, 0.5f, 0xFF10E010u, 0, 1}};
            gpuDrawPrimitiveUP(GpuPrimitive::TriangleStrip, 2, q, sizeof(V));
            ++cell;
        };
        for (int textured = 0; textured < 2; ++textured) {
            gpuSetTexture(textured ? t : 0);
            for (uint32_t colorOp = TexOpDisable; colorOp <= TexOpAdd + 1; ++colorOp)
                for (uint32_t alphaOp = TexOpDisable; alphaOp <= TexOpModulate; ++alphaOp) {
                    gpuSetTextureStageState(GpuTextureStageState::ColorOp, colorOp);
                    gpuSetTextureStageState(GpuTextureStageState::AlphaOp, alphaOp);
                    quad();
                }
        }
        gpuSetTexture(t);
        gpuSetTextureStageState(GpuTextureStageState::ColorOp, TexOpModulate);
        gpuSetTextureStageState(GpuTextureStageState::AlphaOp, TexOpModulate);
        gpuSetRenderState(GpuRenderState::AlphaTestEnable, 1);
        gpuSetRenderState(GpuRenderState::AlphaRef, 60);
        for (uint32_t func = CmpNever; func <= CmpAlways; ++func) {
            gpuSetRenderState(GpuRenderState::AlphaFunc, func);
            quad();
        }
        gpuSetRenderState(GpuRenderState::AlphaTestEnable, 0);
        float turn[16] = {0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
        gpuSetTransform(GpuTransform::Texture0, turn);
        gpuSetTextureStageState(GpuTextureStageState::TextureTransformFlags, 2);
        quad();
        gpuSetTextureStageState(GpuTextureStageState::TextureTransformFlags, TTFF_DISABLE);
        gpuSetRenderState(GpuRenderState::PointSpriteEnable, 1);
        gpuSetRenderState(GpuRenderState::PointScaleEnable, 0);
        struct P {
            float x, y, z, size;
            uint32_t c;
        } point = {0.5f, -0.8f, 0.5f, 30.0f, 0xFFC08040};
        gpuSetVertexFormat(FVF_XYZ | FVF_PSIZE | FVF_DIFFUSE);
        gpuDrawPrimitiveUP(GpuPrimitive::PointList, 1, &point, sizeof point);
        gpuSetRenderState(GpuRenderState::PointSpriteEnable, 0);
        out.assign(800 * 600 * 4, 0);
        ASSERT_TRUE(gpuReadPixels(0, out.data(), int(out.size())));
        EXPECT_GT(cell, 40);
    };
    std::vector<uint8_t> general, specialised;
    frame(false, general);
    frame(true, specialised);
    gpuSetSpecialisedPrograms(true);
    ASSERT_EQ(general.size(), specialised.size());
    size_t differing = 0, lit = 0;
    for (size_t i = 0; i < general.size(); i += 4) {
        if (std::memcmp(&general[i], &specialised[i], 4) != 0) ++differing;
        if (general[i] | general[i + 1] | general[i + 2]) ++lit;
    }
    EXPECT_EQ(differing, 0u);
    EXPECT_GT(lit, 20000u);  // the cells were drawn
}

// Frame n of a few dozen blended, textured, depth-tested quads (texture t), some moving from
// frame to frame, one changing its depth test and one shown on odd frames only.
void drawMovingQuads(int t, int n)
{
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
}

// An 8 x 8 texture of varied colours and alphas for drawMovingQuads.
int movingQuadsTexture()
{
    int t = gpuCreateTexture(8, 8, 1, GpuFormat::A8R8G8B8, false);
    int pitch = 0;
    uint32_t* p = static_cast<uint32_t*>(gpuLockTexture(t, &pitch));
    if (!p) return 0;
    for (int i = 0; i < 64; ++i) p[i] = (uint32_t(40 + i * 3) << 24) | uint32_t(i * 0x030507);
    gpuUnlockTexture(t);
    return t;
}

// Frames of a few dozen blended, textured, depth-tested quads, some moving from frame to frame,
// drawn once with damage tracking (each frame over the kept last one) and once whole: every
// presented frame is the same picture, and most of them redraw only a part.
TEST_F(GlGpu, FramesDrawnWhereTheyChangedEqualWholeFrames)
{
    int t = movingQuadsTexture();
    ASSERT_NE(t, 0);
    auto drawFrame = [&](int n) { drawMovingQuads(t, n); };
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
}

// Where the window keeps its pixels between presents, a present copies only the changed
// rectangles into it. Through the letterbox at window sizes that scale the frame up, down and
// not at all, and through a brightness ramp, the window shows every frame exactly as when each
// present copies the whole frame.
TEST(GlPresent, ChangedRectanglesCopiedToTheWindowShowWhatWholeCopiesShow)
{
    struct Case {
        int width, height;
        bool ramp;
    };
    const Case cases[] = {{1024, 768, false}, {1000, 700, false}, {640, 512, true}, {800, 600, false}};
    for (const Case& k : cases) {
        auto run = [&](bool partial, std::vector<std::vector<uint8_t>>* shown, int* partialPresents) {
            void* window = gpuCreateHiddenWindow(k.width, k.height);
            ASSERT_NE(window, nullptr);
            ASSERT_TRUE(gpuCreate(params(window)));
            ASSERT_FALSE(gpuIsHeadless());
            gpuAssumeWindowKeepsFrame();
            gpuSetPartialPresents(partial);
            gpuCapturePresents(true);
            if (k.ramp) {
                uint16_t ramp[256];
                for (int i = 0; i < 256; ++i) ramp[i] = uint16_t((255 - (255 - i) * (255 - i) / 255) * 257);
                gpuSetGammaRamp(ramp, ramp, ramp);
            }
            int t = movingQuadsTexture();
            ASSERT_NE(t, 0);
            gpuResetStats();
            for (int n = 0; n < 8; ++n) {
                drawMovingQuads(t, n);
                gpuPresent();
                const uint8_t* px = nullptr;
                int w = 0, h = 0;
                ASSERT_TRUE(gpuPresentedPixels(&px, &w, &h));
                ASSERT_EQ(w, k.width);
                ASSERT_EQ(h, k.height);
                shown->emplace_back(px, px + size_t(w) * h * 4);
            }
            *partialPresents = gpuStats().partialPresents;
            gpuCapturePresents(false);
            gpuRelease();
            gpuDestroyHiddenWindow(window);
        };
        std::vector<std::vector<uint8_t>> partial, whole;
        int partialCount = 0, wholeCount = 0;
        run(true, &partial, &partialCount);
        run(false, &whole, &wholeCount);
        ASSERT_EQ(partial.size(), whole.size());
        for (size_t n = 0; n < partial.size(); ++n) {
            size_t differing = 0;
            for (size_t i = 0; i < partial[n].size(); i += 4) differing += std::memcmp(&partial[n][i], &whole[n][i], 3) != 0;
            EXPECT_EQ(differing, 0u) << k.width << " x " << k.height << ", frame " << n;
        }
        EXPECT_GE(partialCount, 5) << k.width << " x " << k.height;  // the first present copies the whole frame
        EXPECT_EQ(wholeCount, 0);
    }
}

// Where Mesa draws in software the window has no OpenGL and is shown through its surface: a
// present draws into a framebuffer object of the window's size and copies only the rectangles
// it changed into the surface. What the surface holds after each present is, pixel for pixel,
// what a GL window given the whole frame at every present shows: at sizes that scale the frame
// up, down and not at all, through a brightness ramp set from the start or changed on the way,
// and after the window was resized (also when it came back to its size before the next present:
// a new surface of the same size).
TEST(GlPresent, TheWindowSurfaceGetsWhatWholeCopiesShow)
{
    struct Run {
        bool surface;
        int width, height;
        int resizeAt, width2, height2;  // resized before that frame (-1: never)
        int rampAt;                     // the ramp set before that frame (-1: never)
    };
    constexpr int FRAMES = 8;
    auto show = [](const Run& k, std::vector<std::vector<uint8_t>>* shown, GpuStats* stats) {
        void* window = k.surface ? gpuCreateHiddenSurfaceWindow(k.width, k.height) : gpuCreateHiddenWindow(k.width, k.height);
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(gpuCreate(params(window)));
        ASSERT_FALSE(gpuIsHeadless());
        gpuSetPartialPresents(k.surface);  // the GL window gets the whole frame every time
        gpuCapturePresents(true);
        int t = movingQuadsTexture();
        ASSERT_NE(t, 0);
        gpuResetStats();
        for (int n = 0; n < FRAMES; ++n) {
            if (n == k.resizeAt && k.width2 == k.width && k.height2 == k.height) {
                // Resized and back before the next present: the window has its size, but SDL
                // made it a new, blank surface (often at the old one's address).
                gpuResizeHiddenWindow(window, k.width + 40, k.height + 40);
                gpuResizeHiddenWindow(window, k.width, k.height);
            } else if (n == k.resizeAt) {
                gpuResizeHiddenWindow(window, k.width2, k.height2);
            }
            if (n == k.rampAt) {
                uint16_t ramp[256];
                for (int i = 0; i < 256; ++i) ramp[i] = uint16_t((255 - (255 - i) * (255 - i) / 255) * 257);
                gpuSetGammaRamp(ramp, ramp, ramp);
            }
            drawMovingQuads(t, n);
            gpuPresent();
            const uint8_t* px = nullptr;
            int w = 0, h = 0;
            ASSERT_TRUE(gpuPresentedPixels(&px, &w, &h));
            bool resized = k.resizeAt >= 0 && n >= k.resizeAt;
            ASSERT_EQ(w, resized ? k.width2 : k.width);
            ASSERT_EQ(h, resized ? k.height2 : k.height);
            shown->emplace_back(px, px + size_t(w) * h * 4);
        }
        *stats = gpuStats();
        gpuCapturePresents(false);
        gpuSetPartialPresents(true);
        gpuRelease();
        gpuDestroyHiddenWindow(window);
    };
    auto same = [](const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
        if (a.size() != b.size()) return size_t(-1);
        size_t differing = 0;
        for (size_t i = 0; i < a.size(); i += 4) differing += std::memcmp(&a[i], &b[i], 3) != 0;
        return differing;
    };
    const Run cases[] = {{true, 1024, 768, -1, 0, 0, -1},  {true, 1000, 700, -1, 0, 0, -1},
                         {true, 640, 512, -1, 0, 0, 0},    {true, 800, 600, -1, 0, 0, -1},
                         {true, 800, 600, 4, 1024, 768, -1}, {true, 1000, 700, 3, 640, 512, 6},
                         {true, 800, 600, 5, 800, 600, -1}};  // resized and back between two presents
    for (const Run& k : cases) {
        std::vector<std::vector<uint8_t>> surface, before, after;
        GpuStats stats = {}, ignored = {};
        show(k, &surface, &stats);
        show({false, k.width, k.height, -1, 0, 0, k.rampAt}, &before, &ignored);
        if (k.resizeAt >= 0) show({false, k.width2, k.height2, -1, 0, 0, k.rampAt}, &after, &ignored);
        ASSERT_EQ(surface.size(), size_t(FRAMES));
        for (int n = 0; n < FRAMES; ++n) {
            const auto& whole = k.resizeAt >= 0 && n >= k.resizeAt ? after[n] : before[n];
            EXPECT_EQ(same(surface[n], whole), 0u) << k.width << " x " << k.height << ", frame " << n;
        }
        // Only the first present, the one after the resize and the one after a ramp change copy
        // the whole frame.
        int whole = 1 + (k.resizeAt > 0) + (k.rampAt > 0);
        EXPECT_EQ(stats.partialPresents, FRAMES - whole) << k.width << " x " << k.height;
    }
}


}  // namespace

TEST_F(GlGpu, PicturesLeaveMainMemoryOnceTheGpuHasThemAndComeBackForChanges)
{
    const GpuFormat formats[] = {GpuFormat::A8R8G8B8, GpuFormat::R5G6B5, GpuFormat::A4R4G4B4};
    for (GpuFormat f : formats) {
        int tex = gpuCreateTexture(8, 4, 1, f, false);
        ASSERT_NE(tex, 0);
        int bpp = gpuFormatBytes(f);
        int pitch = 0;
        uint8_t* p = static_cast<uint8_t*>(gpuLockTexture(tex, &pitch));
        ASSERT_NE(p, nullptr);
        for (int i = 0; i < 8 * 4 * bpp; ++i) p[i] = static_cast<uint8_t>(i * 7 + 3);
        gpuUnlockTexture(tex);
        EXPECT_EQ(gpuCpuTextureBytes(), 0) << int(f);
        // Locking again gives back exactly what was written (read from the GPU).
        p = static_cast<uint8_t*>(gpuLockTexture(tex, &pitch));
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(pitch, 8 * bpp);
        for (int i = 0; i < 8 * 4 * bpp; ++i) ASSERT_EQ(p[i], static_cast<uint8_t>(i * 7 + 3)) << int(f) << " byte " << i;
        EXPECT_EQ(gpuCpuTextureBytes(), 8 * 4 * bpp);
        gpuUnlockTexture(tex);
        EXPECT_EQ(gpuCpuTextureBytes(), 0);
        gpuReleaseTexture(tex);
    }
    // Render targets never keep a copy in main memory.
    int rt = gpuCreateTexture(64, 64, 1, GpuFormat::A8R8G8B8, true);
    ASSERT_NE(rt, 0);
    EXPECT_EQ(gpuCpuTextureBytes(), 0);
    gpuReleaseTexture(rt);
}
