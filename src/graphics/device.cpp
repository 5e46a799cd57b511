// The graphics device: display modes, creation, fixed states, present and reset, gamma.
#include "graphics/device.h"

#include "graphics/screenshot.h"
#include "graphics/textures.h"
#include "platform/os/msgbox.h"
#include "platform/os/os.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

DeviceState device;

namespace {

constexpr int LOGICAL_WIDTH = 800;
constexpr int LOGICAL_HEIGHT = 600;

const GpuFormat kTextureCandidates[] = {GpuFormat::A8R8G8B8, GpuFormat::R5G6B5, GpuFormat::X1R5G5B5};
const GpuFormat kDepthCandidates[] = {GpuFormat::D32,    GpuFormat::D16,   GpuFormat::D24S8,      GpuFormat::D24X4S4,
                                      GpuFormat::D15S1,  GpuFormat::D24X8, GpuFormat::D16Lockable};

uint32_t floatBits(float f)
{
    uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

bool fullscreenSetting() { return device.fullscreen != 0; }

// Present parameters for the selected mode and the current settings (creation and reset).
void buildPresentParams()
{
    GpuPresentParams& p = device.presentParams;
    p = {};
    p.windowed = !fullscreenSetting();
    p.autoDepthStencil = true;
    p.depthFormat = device.selectedMode.depthFormat;
    p.window = device.window;
    p.backBufferWidth = device.selectedMode.width;
    p.backBufferHeight = device.selectedMode.height;
    p.vsync = !p.windowed && device.vsync != 0;
    if (p.windowed) {
        // windowed play renders in the desktop's format, which also becomes the mode's display format
        GpuDisplayMode desktop;
        if (gpuDesktopMode(&desktop)) device.selectedMode.displayFormat = desktop.format;
        p.backBufferFormat = device.selectedMode.displayFormat;
    } else {
        p.backBufferFormat = device.selectedMode.displayFormat;
    }
}

void applyGammaRamp();

void resetDevice()
{
    selectMode();
    buildPresentParams();
    onDeviceLost();
    if (!gpuReset(device.presentParams)) return;
    setFixedStates();
    // A reset puts the device's ramp back to neutral: the brightness the player chose goes
    // back on at once.
    applyGammaRamp();
    onDeviceReset();
    if (device.afterResetHook) device.afterResetHook();
    device.resetCount++;
}

void applyGammaRamp()
{
    uint16_t ramp[256];
    gammaRamp(device.gamma, ramp);
    gpuSetGammaRamp(ramp, ramp, ramp);
    device.gammaDirty = false;
}

}  // namespace

void resetDeviceState()
{
    if (gpuCreated()) gpuRelease();
    device = DeviceState();
}

void enumerateModesFrom(const GpuDisplayMode* modes, int count)
{
    device.modeCount = 0;
    device.resolutionCount = 0;
    device.resolution800Index = -1;
    for (int i = 0; i < count && modes; ++i) {
        const GpuDisplayMode& m = modes[i];
        if (m.width < 640 || m.height < 480) continue;
        if (std::fabs(static_cast<float>(m.width) / static_cast<float>(m.height) - 1.33f) > 0.01f) continue;
        if (m.format != GpuFormat::X8R8G8B8 && m.format != GpuFormat::R5G6B5) continue;
        int bits = m.format == GpuFormat::X8R8G8B8 ? 32 : 16;
        bool seen = false;
        for (int j = 0; j < device.modeCount; ++j) {
            const DisplayMode& e = device.modeList[j];
            if (e.bits == bits && e.width == m.width && e.height == m.height) seen = true;
        }
        if (seen || device.modeCount >= MAX_DISPLAY_MODES) continue;
        DisplayMode e = {m.width, m.height, bits, m.format, GpuFormat::Unknown, GpuFormat::Unknown};
        for (GpuFormat f : kTextureCandidates)
            if (gpuCheckDeviceType(m.format, f)) {
                e.textureFormat = f;
                break;
            }
        for (GpuFormat f : kDepthCandidates)
            if (gpuCheckDepthFormat(m.format, f)) {
                e.depthFormat = f;
                break;
            }
        device.modeList[device.modeCount++] = e;
        bool listed = false;
        for (int j = 0; j < device.resolutionCount; ++j)
            if (device.resolutionList[j].width == m.width && device.resolutionList[j].height == m.height) listed = true;
        if (!listed) device.resolutionList[device.resolutionCount++] = {m.width, m.height};
    }
}

void enumerateModes()
{
    GpuDisplayMode modes[MAX_DISPLAY_MODES];
    int n = gpuDisplayModeCount();
    if (n > MAX_DISPLAY_MODES) n = MAX_DISPLAY_MODES;
    int got = 0;
    for (int i = 0; i < n; ++i)
        if (gpuDisplayMode(i, &modes[got])) ++got;
    enumerateModesFrom(modes, got);
}

void selectMode()
{
    device.resolution800Index = -1;
    for (int i = 0; i < device.resolutionCount; ++i)
        if (device.resolutionList[i].width == LOGICAL_WIDTH && device.resolutionList[i].height == LOGICAL_HEIGHT) {
            device.resolution800Index = i;
            break;
        }
    int bits = device.colorDepth32 ? 32 : 16;
    for (int i = 0; i < device.modeCount; ++i) {
        const DisplayMode& m = device.modeList[i];
        if (m.bits == bits && m.width == LOGICAL_WIDTH && m.height == LOGICAL_HEIGHT) {
            device.selectedMode = m;
            device.selectedIndex = i;
            return;
        }
    }
    if (device.modeCount > 0) {
        device.selectedMode = device.modeList[0];
        device.selectedIndex = 0;
        return;
    }
    // No mode passed the filters: the logical size in 32-bit colour with the usual formats.
    device.selectedMode = {LOGICAL_WIDTH, LOGICAL_HEIGHT, 32, GpuFormat::X8R8G8B8, GpuFormat::D16, GpuFormat::A8R8G8B8};
    device.selectedIndex = -1;
}

void setFixedStates()
{
    gpuSetRenderState(GpuRenderState::ZEnable, 1);
    gpuSetRenderState(GpuRenderState::AlphaRef, 128);
    gpuSetRenderState(GpuRenderState::AlphaFunc, CmpGreaterEqual);
    gpuSetRenderState(GpuRenderState::LastPixel, 0);
    gpuSetRenderState(GpuRenderState::CullMode, CullCCW);
    gpuSetRenderState(GpuRenderState::Lighting, 0);
    gpuSetRenderState(GpuRenderState::SpecularMaterialSource, MaterialSourceMaterial);
    gpuSetRenderState(GpuRenderState::Ambient, 0xFFFFFFFFu);
    gpuSetRenderState(GpuRenderState::PointSpriteEnable, 1);
    gpuSetRenderState(GpuRenderState::PointScaleEnable, 1);
    gpuSetRenderState(GpuRenderState::PointSize, floatBits(1.0f));
    gpuSetRenderState(GpuRenderState::PointSizeMin, floatBits(0.01f));
    gpuSetRenderState(GpuRenderState::PointScaleA, floatBits(0.0f));
    gpuSetRenderState(GpuRenderState::PointScaleB, floatBits(5.0f));
    gpuSetRenderState(GpuRenderState::PointScaleC, floatBits(5.0f));
    gpuSetTextureStageState(GpuTextureStageState::AddressU, AddressWrap);
    gpuSetTextureStageState(GpuTextureStageState::AddressV, AddressWrap);
    gpuSetTextureStageState(GpuTextureStageState::TextureTransformFlags, TTFF_COUNT2);
    gpuSetTextureStageState(GpuTextureStageState::MagFilter, FilterNone);
    gpuSetTextureStageState(GpuTextureStageState::MinFilter, FilterNone);
    gpuSetTextureStageState(GpuTextureStageState::MipFilter, FilterNone);
    gpuSetTextureStageState(GpuTextureStageState::AlphaOp, TexOpModulate);
}

bool createDevice(void* window)
{
    if (device.created) releaseDevice();
    device.window = window;
    enumerateModes();
    selectMode();
    buildPresentParams();
    if (!gpuCreate(device.presentParams)) {
        std::snprintf(device.lastMessage, sizeof device.lastMessage, "%s", "Can't init Direct3D");
        osMessageBox(device.lastMessage, "Initialization failed");
        device.window = nullptr;
        return false;
    }
    setFixedStates();
    device.created = true;
    return true;
}

void releaseDevice()
{
    setGamma(0.5f);
    if (gpuCreated()) {
        applyGammaRamp();
        releaseAllTextures();
        gpuRelease();
    }
    device.created = false;
    device.window = nullptr;
}

void gammaRamp(float gamma, uint16_t ramp[256])
{
    for (int i = 0; i < 256; ++i) {
        double v = std::floor((0.5 + static_cast<double>(gamma)) * (i * 256));
        ramp[i] = v > 65535.0 ? 65535 : v < 0.0 ? 0 : static_cast<uint16_t>(v);
    }
}

void setGamma(float value)
{
    if (value == device.gamma) return;
    device.gamma = value;
    device.gammaDirty = true;
}

void presentFrame()
{
    if (!device.created) return;
    if (device.gammaDirty) applyGammaRamp();
    takeRequestedScreenshot();
    if (osTakeWindowExposed()) gpuRepaintWindow();
    gpuPresent();
    if (osTakeScreenshotRequest()) requestScreenshot();  // F12: saved with the next frame
    if (gpuTestCooperativeLevel() == GpuCoopLevel::NotReset || device.resetRequested) {
        resetDevice();
        device.resetRequested = 0;
    }
}

void setProjectionForClient()
{
    // The client area is always the logical 800 by 600 (the window shows it scaled and letterboxed).
    device.perspectiveMatrix = Matrix::perspectiveFov(0.7853982f, static_cast<float>(LOGICAL_WIDTH) / LOGICAL_HEIGHT, 5.0f, 400.0f);
}

void chooseDisplay(bool fullscreen)
{
    device.fullscreen = fullscreen ? 1 : 0;
    device.colorDepth32 = fullscreen ? 0 : 1;
}

void applyDisplaySettings(bool fullscreen)
{
    chooseDisplay(fullscreen);
    selectMode();
    buildPresentParams();
    device.resetRequested = 1;
}

void discardManagedResources() {}

void setRenderState(GpuRenderState state, uint32_t value) { gpuSetRenderState(state, value); }
void setRenderStateFloat(GpuRenderState state, float value) { gpuSetRenderState(state, floatBits(value)); }
uint32_t getRenderState(GpuRenderState state) { return gpuGetRenderState(state); }
void setTextureStageState(GpuTextureStageState state, uint32_t value) { gpuSetTextureStageState(state, value); }

void setTransform(GpuTransform which, const Matrix* matrix)
{
    gpuSetTransform(which, matrix ? &matrix->m[0][0] : nullptr);
}

Matrix getTransform(GpuTransform which)
{
    Matrix m;
    gpuGetTransform(which, &m.m[0][0]);
    return m;
}

void setOrthoProjection(float w, float h, float zn, float zf)
{
    Matrix m = Matrix::ortho(w, h, zn, zf);
    setTransform(GpuTransform::Projection, &m);
}

void setPerspectiveProjection(float fovY, float aspect, float zn, float zf)
{
    Matrix m = Matrix::perspectiveFov(fovY, aspect, zn, zf);
    setTransform(GpuTransform::Projection, &m);
}

void clearColor(unsigned color) { gpuClear(CLEAR_TARGET, color, 0.0f, 0); }
void clearDepth(float z) { gpuClear(CLEAR_ZBUFFER, 0, z, 0); }
void clearStencil(unsigned s) { gpuClear(CLEAR_STENCIL, 0, 0.0f, s); }
void beginScene() { gpuBeginScene(); }
void endScene() { gpuEndScene(); }
void setDeviceTexture(int texture) { gpuSetTexture(texture); }
void setMaterial(const GpuMaterial& material) { gpuSetMaterial(material); }
void setLight(int index, const GpuLight& light) { gpuSetLight(index, light); }
void lightEnable(int index, bool on) { gpuLightEnable(index, on); }
void setClipPlane(int index, const float plane[4]) { gpuSetClipPlane(index, plane); }
