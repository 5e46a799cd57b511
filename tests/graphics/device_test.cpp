// Display modes, mode selection, present parameters, fixed states, gamma and the reset path,
// on the headless device.
#include "gfx_helpers.h"

#include <SDL.h>

#include <cmath>
#include <cstring>

namespace {

using DeviceTest = GraphicsTest;

GpuDisplayMode mode(int w, int h, GpuFormat f, int hz = 60) { return {w, h, hz, f}; }

TEST_F(DeviceTest, EnumerationKeepsFourByThreeModesOncePerDepth)
{
    const GpuDisplayMode modes[] = {
        mode(640, 480, GpuFormat::X8R8G8B8),  mode(320, 240, GpuFormat::X8R8G8B8),   // too small
        mode(800, 600, GpuFormat::R5G6B5, 60), mode(800, 600, GpuFormat::R5G6B5, 75),  // refresh twin
        mode(800, 600, GpuFormat::X8R8G8B8),  mode(1280, 1024, GpuFormat::X8R8G8B8),  // ratio 1.25
        mode(1024, 768, GpuFormat::X8R8G8B8), mode(1920, 1080, GpuFormat::X8R8G8B8),  // wide
        mode(1024, 768, GpuFormat::A8R8G8B8),                                          // not a display format
    };
    enumerateModesFrom(modes, int(std::size(modes)));
    ASSERT_EQ(device.modeCount, 4);
    EXPECT_EQ(device.modeList[0].width, 640);
    EXPECT_EQ(device.modeList[1].bits, 16);
    EXPECT_EQ(device.modeList[2].bits, 32);
    EXPECT_EQ(device.modeList[3].width, 1024);
    ASSERT_EQ(device.resolutionCount, 3);
    EXPECT_EQ(device.resolutionList[1].width, 800);
    // every mode gets the first usable texture and depth formats of the candidate lists
    EXPECT_EQ(device.modeList[1].textureFormat, GpuFormat::A8R8G8B8);
    EXPECT_EQ(device.modeList[1].depthFormat, GpuFormat::D16);
}

TEST_F(DeviceTest, SelectionFollowsTheColourDepthSetting)
{
    const GpuDisplayMode modes[] = {mode(640, 480, GpuFormat::R5G6B5), mode(800, 600, GpuFormat::R5G6B5),
                                    mode(800, 600, GpuFormat::X8R8G8B8)};
    enumerateModesFrom(modes, 3);
    device.colorDepth32 = 1;
    selectMode();
    EXPECT_EQ(device.selectedIndex, 2);
    EXPECT_EQ(device.resolution800Index, 1);
    device.colorDepth32 = 0;
    selectMode();
    EXPECT_EQ(device.selectedIndex, 1);
    EXPECT_EQ(device.selectedMode.bits, 16);
}

TEST_F(DeviceTest, WithoutAnEightHundredModeTheFirstEntryIsUsed)
{
    const GpuDisplayMode modes[] = {mode(1024, 768, GpuFormat::X8R8G8B8), mode(640, 480, GpuFormat::X8R8G8B8)};
    enumerateModesFrom(modes, 2);
    selectMode();
    EXPECT_EQ(device.selectedIndex, 0);
    EXPECT_EQ(device.selectedMode.width, 1024);
    EXPECT_EQ(device.resolution800Index, -1);
    // no usable mode at all: the logical size in 32-bit colour
    enumerateModesFrom(nullptr, 0);
    selectMode();
    EXPECT_EQ(device.selectedIndex, -1);
    EXPECT_EQ(device.selectedMode.width, 800);
    EXPECT_EQ(device.selectedMode.height, 600);
}

TEST_F(DeviceTest, CreationSetsTheFixedStates)
{
    chooseDisplay(false);  // a first start is full screen; this one runs in a window
    startHeadless();
    EXPECT_EQ(getRenderState(GpuRenderState::ZEnable), 1u);
    EXPECT_EQ(getRenderState(GpuRenderState::AlphaRef), 128u);
    EXPECT_EQ(getRenderState(GpuRenderState::AlphaFunc), uint32_t(CmpGreaterEqual));
    EXPECT_EQ(getRenderState(GpuRenderState::CullMode), uint32_t(CullCCW));
    EXPECT_EQ(getRenderState(GpuRenderState::Lighting), 0u);
    EXPECT_EQ(getRenderState(GpuRenderState::Ambient), 0xFFFFFFFFu);
    float scaleB;
    uint32_t bits = getRenderState(GpuRenderState::PointScaleB);
    std::memcpy(&scaleB, &bits, 4);
    EXPECT_EQ(scaleB, 5.0f);
    EXPECT_EQ(gpuGetTextureStageState(GpuTextureStageState::TextureTransformFlags), TTFF_COUNT2);
    EXPECT_EQ(gpuGetTextureStageState(GpuTextureStageState::MagFilter), uint32_t(FilterNone));
    EXPECT_EQ(gpuGetTextureStageState(GpuTextureStageState::AlphaOp), uint32_t(TexOpModulate));
    EXPECT_TRUE(device.presentParams.windowed);
    EXPECT_EQ(device.presentParams.backBufferWidth, 800);
}

TEST_F(DeviceTest, GammaRampIsTheIdentityAtHalfAndSaturatesAbove)
{
    uint16_t ramp[256];
    gammaRamp(0.5f, ramp);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(ramp[i], i * 256);
    gammaRamp(1.0f, ramp);
    EXPECT_EQ(ramp[100], 38400);
    EXPECT_EQ(ramp[171], 65535);  // 1.5 * 171 * 256 = 65664 > 65535
    EXPECT_EQ(ramp[255], 65535);
}

TEST_F(DeviceTest, TheBrightnessSurvivesADeviceReset)
{
    startHeadless();
    setGamma(0.8f);
    presentFrame();
    uint16_t expected[256];
    gammaRamp(0.8f, expected);
    // A lost device is reset at the next present; the reset puts the device's ramp back to
    // neutral, and the chosen brightness must be on it again right after.
    gpuSimulateLostDevice();
    presentFrame();
    EXPECT_EQ(device.resetCount, 1);
    uint16_t r[256], g[256], b[256];
    gpuGetGammaRamp(r, g, b);
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(r[i], expected[i]) << i;
        ASSERT_EQ(b[i], expected[i]) << i;
    }
    // The same after a reset for changed display settings.
    applyDisplaySettings(device.fullscreen != 0);
    presentFrame();
    EXPECT_EQ(device.resetCount, 2);
    gpuGetGammaRamp(r, g, b);
    EXPECT_EQ(g[100], expected[100]);
    EXPECT_NE(g[100], 100 * 257);
}

TEST_F(DeviceTest, GammaReachesTheDeviceOnlyAtPresentAndIsNeutralAfterRelease)
{
    startHeadless();
    setGamma(0.8f);
    uint16_t r[256], g[256], b[256];
    gpuGetGammaRamp(r, g, b);
    EXPECT_EQ(r[200], 200 * 257);  // untouched until present
    presentFrame();
    gpuGetGammaRamp(r, g, b);
    EXPECT_EQ(r[100], uint16_t(1.3 * 100 * 256));
    EXPECT_EQ(b[100], r[100]);
    EXPECT_FALSE(device.gammaDirty);
    releaseDevice();
    EXPECT_EQ(device.gamma, 0.5f);
}

TEST_F(DeviceTest, LostDeviceIsResetAtPresentAndRenderTargetsComeBack)
{
    startHeadless();
    Texture* rt = createTexture("target", 256, 256, GpuFormat::A8R8G8B8, true);
    ASSERT_NE(rt, nullptr);
    int resets = 0;
    static int* counter = nullptr;
    counter = &resets;
    device.afterResetHook = [] { ++*counter; };
    presentFrame();
    EXPECT_EQ(device.resetCount, 0);
    gpuSimulateLostDevice();
    presentFrame();
    EXPECT_EQ(device.resetCount, 1);
    EXPECT_EQ(resets, 1);
    EXPECT_NE(rt->texture, 0);
    int w = 0;
    bool isTarget = false;
    EXPECT_TRUE(gpuTextureInfo(rt->texture, &w, nullptr, nullptr, &isTarget));
    EXPECT_EQ(w, 256);
    EXPECT_TRUE(isTarget);
    // the fixed states are back after the reset
    EXPECT_EQ(getRenderState(GpuRenderState::AlphaRef), 128u);
    EXPECT_EQ(gpuTestCooperativeLevel(), GpuCoopLevel::Ok);
}

TEST_F(DeviceTest, ChangedDisplaySettingsResetAtTheNextPresent)
{
    startHeadless();
    applyDisplaySettings(true);
    EXPECT_EQ(device.colorDepth32, 0);  // full screen starts in 16-bit colour
    EXPECT_EQ(device.resetRequested, 1);
    EXPECT_EQ(device.resetCount, 0);
    EXPECT_FALSE(device.presentParams.windowed);
    EXPECT_EQ(device.selectedMode.bits, 16);
    presentFrame();
    EXPECT_EQ(device.resetCount, 1);
    EXPECT_EQ(device.resetRequested, 0);
    applyDisplaySettings(false);
    presentFrame();
    EXPECT_TRUE(device.presentParams.windowed);
    EXPECT_EQ(device.selectedMode.bits, 32);
}

TEST_F(DeviceTest, ProjectionForTheClientIsAFortyFiveDegreePerspective)
{
    setProjectionForClient();
    Matrix want = Matrix::perspectiveFov(0.7853982f, 800.0f / 600.0f, 5.0f, 400.0f);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_FLOAT_EQ(device.perspectiveMatrix.m[r][c], want.m[r][c]);
    EXPECT_FLOAT_EQ(device.perspectiveMatrix.m[1][1], 1.0f / std::tan(0.7853982f / 2));
}

TEST_F(DeviceTest, ClearsAndScenesReachTheDevice)
{
    startHeadless();
    gpuResetStats();
    clearColor(0xFF102030);
    clearDepth(1.0f);
    beginScene();
    endScene();
    presentFrame();
    GpuStats s = gpuStats();
    EXPECT_EQ(s.clears, 2);
    EXPECT_EQ(s.scenes, 1);
    EXPECT_EQ(s.presents, 1);
    ImageData f = frame();
    EXPECT_EQ(pixelAt(f, 10, 10) & 0xFFFFFF, 0x102030u);
}

TEST_F(DeviceTest, ScreenshotWritesAPngOfTheFrame)
{
    startHeadless();
    clearColor(0xFF336699);
    std::string path = dir + "/shot.png";
    ASSERT_TRUE(saveScreenshot(path.c_str()));
    std::vector<uint8_t> png = gfxReadBytes(path);
    ImageData img;
    ASSERT_TRUE(imageDecode(png.data(), png.size(), &img));
    EXPECT_EQ(img.width, 800);
    EXPECT_EQ(pixelAt(img, 799, 599), 0xFF336699u);
    // a requested screenshot is taken by the next present, in the start folder
    std::snprintf(app.startDir, sizeof app.startDir, "%s", dir.c_str());
    requestScreenshot();
    presentFrame();
    EXPECT_TRUE(osFileExists((dir + "/screenshot000.png").c_str()));
    EXPECT_STREQ(takeRequestedScreenshot(), "");  // one request, one picture
}

// A window without OpenGL is shown through its surface, the device drawing with a context of
// its own; where no such context can be made (here: no configuration has 64 samples a pixel),
// the device fails cleanly.
TEST_F(DeviceTest, WhereNoOpenGLContextCanBeMadeTheDeviceCannotInit)
{
    ASSERT_TRUE(SDL_WasInit(SDL_INIT_VIDEO) || SDL_InitSubSystem(SDL_INIT_VIDEO) == 0);
    SDL_Window* plain = SDL_CreateWindow("plain", 0, 0, 800, 600, SDL_WINDOW_HIDDEN);
    ASSERT_NE(plain, nullptr);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, 1);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, 64);
    bool made = createDevice(plain);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, 0);
    EXPECT_FALSE(made);
    EXPECT_STREQ(device.lastMessage, "Can't init Direct3D");
    EXPECT_FALSE(device.created);
    EXPECT_FALSE(gpuCreated());
    // With a context to be had the same window gets the GL device.
    EXPECT_TRUE(createDevice(plain));
    EXPECT_FALSE(gpuIsHeadless());
    releaseDevice();
    SDL_DestroyWindow(plain);
    // drawing without a device does nothing and does not crash
    begin2D();
    drawQuadCentered(0, 0, 10, 10, Rect(), Color(255, 255, 255, 255));
    presentFrame();
    EXPECT_EQ(gpuDrawLogCount(), 0);
}

TEST_F(DeviceTest, ScreenshotWithoutADeviceFails)
{
    EXPECT_FALSE(saveScreenshot((dir + "/none.png").c_str()));
    EXPECT_FALSE(osFileExists((dir + "/none.png").c_str()));
}

}  // namespace
