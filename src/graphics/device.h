#pragma once
// The graphics device as the game sees it: display modes and the choice among them, creation
// in the chosen mode, the fixed render states, presenting with lost-device recovery, gamma, the
// projection for the window's client area, and thin wrappers over the platform device
// (platform/gpu) for states, transforms, clears and scenes. Everything else reaches the device
// through these functions.
#include "core/math.h"
#include "platform/gpu/gpu.h"

#include <cstdint>

struct DisplayMode {
    int32_t width;
    int32_t height;
    int32_t bits;              // 32 for X8R8G8B8, 16 for R5G6B5
    GpuFormat displayFormat;
    GpuFormat depthFormat;     // Unknown when no depth format passed the checks
    GpuFormat textureFormat;   // format of textures the program creates itself (render targets)
};

struct Resolution {
    int32_t width;
    int32_t height;
};

constexpr int MAX_DISPLAY_MODES = 256;

struct DeviceState {
    bool created = false;
    void* window = nullptr;
    DisplayMode modeList[MAX_DISPLAY_MODES] = {};
    int modeCount = 0;
    Resolution resolutionList[MAX_DISPLAY_MODES] = {};
    int resolutionCount = 0;
    int resolution800Index = -1;   // index of 800 by 600 in resolutionList (-1 when absent)
    DisplayMode selectedMode = {};
    int selectedIndex = -1;
    GpuPresentParams presentParams = {};
    uint8_t resetRequested = 0;
    // The display the player chose, handed in by the shell from the settings (the device never
    // reads the settings): full screen or a window, and the colour depth derived from it.
    uint8_t fullscreen = 1;
    uint8_t colorDepth32 = 1;
    float gamma = 0.5f;
    bool gammaDirty = false;
    Matrix perspectiveMatrix;
    int32_t vsync = 0;
    int resetCount = 0;            // resets performed (lost device or changed settings)
    char lastMessage[64] = {};     // text of the last message box shown (for tests and diagnostics)
    // Called after a reset, once the textures are back, for objects the board code keeps on the device.
    void (*afterResetHook)() = nullptr;
};

extern DeviceState device;

// Back to a fresh state (the device, when created, is released first).
void resetDeviceState();

// Creates the device for the window (an opaque handle from the OS layer; null gives the
// headless device). Shows "Can't init Direct3D" / "Initialization failed" and returns false when
// the device cannot be created.
bool createDevice(void* window);
void releaseDevice();
// Fills modeList and resolutionList from the display's modes.
void enumerateModes();
// The same from a given list (the display's modes in the display's order).
void enumerateModesFrom(const GpuDisplayMode* modes, int count);
// Picks selectedMode for the chosen depth (32-bit when device.colorDepth32, else 16-bit; 800 by 600).
void selectMode();
// Applies a pending gamma change, presents the frame and recovers a lost device.
void presentFrame();
void setGamma(float value);
// The gamma ramp for a gamma value (0.5 is the identity).
void gammaRamp(float gamma, uint16_t ramp[256]);
// Stores the perspective projection for the window's client rectangle (called at start and on resize).
void setProjectionForClient();
// Full screen or a window, for the next creation: the colour depth follows (16-bit in full
// screen, 32-bit in a window); the caller keeps its settings' colorDepth32 as device.colorDepth32.
void chooseDisplay(bool fullscreen);
// After the options or F11 changed full screen: chooses it, new present parameters, reset at the
// next present.
void applyDisplaySettings(bool fullscreen);
// Releases the device objects a level no longer needs (nothing to do on this device).
void discardManagedResources();
// Sets the fixed render states (after creation and after every reset).
void setFixedStates();

// ---- wrappers ----
void setRenderState(GpuRenderState state, uint32_t value);
void setRenderStateFloat(GpuRenderState state, float value);
uint32_t getRenderState(GpuRenderState state);
void setTextureStageState(GpuTextureStageState state, uint32_t value);
// A null matrix sets the identity.
void setTransform(GpuTransform which, const Matrix* matrix);
Matrix getTransform(GpuTransform which);
void setOrthoProjection(float w, float h, float zn, float zf);
void setPerspectiveProjection(float fovY, float aspect, float zn, float zf);
void clearColor(unsigned color);
void clearDepth(float z);
void clearStencil(unsigned s);
void beginScene();
void endScene();
void setDeviceTexture(int texture);
void setMaterial(const GpuMaterial& material);
void setLight(int index, const GpuLight& light);
void lightEnable(int index, bool on);
void setClipPlane(int index, const float plane[4]);
