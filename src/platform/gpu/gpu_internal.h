#pragma once
// State shared by the device front (gpu.cpp) and the OpenGL implementation (gpu_gl.cpp).
#include "platform/gpu/gpu.h"

#include <vector>

constexpr int GPU_MAX_TEXTURES = 2048;
constexpr int GPU_MAX_BUFFERS = 1024;
constexpr int GPU_MAX_LIGHTS = 8;

struct GpuTextureSlot {
    bool used = false;
    int width = 0;
    int height = 0;
    int levels = 1;
    GpuFormat format = GpuFormat::Unknown;
    bool renderTarget = false;
    bool locked = false;
    // Level 0, rows top to bottom, in the texture's own format. On the GL device it exists only
    // from creation until the first unlock and while locked: the GPU keeps the picture.
    std::vector<uint8_t> texels;
    uint32_t version = 0;  // GL device: changes whenever the texels change (upload, drawn into)
    unsigned glTexture = 0;
    unsigned glFramebuffer = 0;
    unsigned glDepth = 0;
};

struct GpuBufferSlot {
    bool used = false;
    bool isIndex = false;
    std::vector<uint8_t> bytes;
};

struct GpuState {
    bool created = false;
    bool headless = true;
    GpuPresentParams params = {};
    GpuCoopLevel coop = GpuCoopLevel::Ok;
    uint32_t renderStates[static_cast<int>(GpuRenderState::Count)] = {};
    uint32_t stageStates[static_cast<int>(GpuTextureStageState::Count)] = {};
    float transforms[static_cast<int>(GpuTransform::Count)][16] = {};
    GpuMaterial material = {};
    GpuLight lights[GPU_MAX_LIGHTS] = {};
    bool lightOn[GPU_MAX_LIGHTS] = {};
    uint16_t gamma[3][256] = {};
    int texture = 0;
    int renderTarget = 0;
    int streamBuffer = 0;
    int streamStride = 0;
    uint32_t fvf = 0;
    int indexBuffer = 0;
    int baseVertex = 0;
    bool inScene = false;
    bool batching = true;
    bool specialisedPrograms = true;
    bool damageTracking = true;
    bool damageCheck = false;
    bool stillCache = true;
    bool partialPresents = true;
    std::vector<GpuTextureSlot> textures;  // index = handle - 1
    std::vector<GpuBufferSlot> buffers;
    std::vector<uint8_t> headlessBackBuffer;  // BGRA, for read-back after clears
    GpuStats stats = {};
    GpuDrawRecord drawLog[GPU_DRAW_LOG_SIZE] = {};
    int drawLogTotal = 0;
    GpuVertex lastVertices[GPU_LAST_VERTICES] = {};
    int lastVertexCount = 0;
    std::vector<GpuVertex> scratch;
    bool capturePresents = false;
    std::vector<uint8_t> presented;  // the window's pixels at the last present, when captured
    int presentedWidth = 0;
    int presentedHeight = 0;
};

extern GpuState gpu;

GpuTextureSlot* gpuTextureSlot(int handle);

// The OpenGL implementation; called by the front only when the device is not headless.
bool glDeviceCreate(const GpuPresentParams& params);
bool glDeviceReset(const GpuPresentParams& params);
void glDeviceRelease();
void glDevicePresent();
// Called before any state the pending batch depends on changes.
void glDeviceFlush();
void glDeviceStateChanged();
void glDeviceClear(uint32_t flags, uint32_t color, float z, uint32_t stencil);
void glDeviceRepaintWindow();
void glDeviceAssumeWindowKeepsFrame();
// Draws what the frame recorded so far, whole; the rest of the frame is drawn as it comes.
void glDeviceDrawRecorded();
bool glDeviceCreateTexture(GpuTextureSlot& slot);
void glDeviceReleaseTexture(GpuTextureSlot& slot);
void glDeviceUploadTexture(GpuTextureSlot& slot);
// Reads level 0 back into slot.texels (already sized), in the texture's own format.
void glDeviceDownloadTexture(GpuTextureSlot& slot);
bool glDeviceSetRenderTarget(int texture);
bool glDeviceReadPixels(int renderTarget, uint8_t* out, int width, int height);
// Vertices in device form; triangle strips and fans arrive as they were given.
void glDeviceDraw(GpuPrimitive type, int primitiveCount, const GpuVertex* vertices, int vertexCount);
bool glDisplayModes(std::vector<GpuDisplayMode>& out, GpuDisplayMode* desktop);
