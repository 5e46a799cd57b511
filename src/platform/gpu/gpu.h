#pragma once
// The graphics device: the small set of fixed-function operations the drawing code uses
// (display modes, creation and reset, present with a gamma ramp, render and texture-stage
// states, transforms, textures with lock/unlock, vertex and index buffers, user-pointer
// primitives, clear, begin/end scene, render-target textures with read-back).
//
// Two implementations sit behind these functions: an OpenGL 3.3 core one that renders every
// frame into an offscreen back buffer and scales it into the window at present, and a headless
// one (chosen when no window is given) that keeps the same state, records every draw and counts
// primitives without rasterising anything. Matrices are 16 floats, row-major, row vectors
// (translation in row 3). Colours are 32-bit words 0xAARRGGBB. Textures and buffers are small
// positive handles; 0 means none.
#include <cstddef>
#include <cstdint>

enum class GpuFormat : int {
    Unknown = 0,
    A8R8G8B8 = 21,
    X8R8G8B8 = 22,
    R5G6B5 = 23,
    X1R5G5B5 = 24,
    A1R5G5B5 = 25,
    A4R4G4B4 = 26,
    D16Lockable = 70,
    D32 = 71,
    D15S1 = 73,
    D24S8 = 75,
    D16 = 80,
    D24X8 = 77,
    D24X4S4 = 79,
};

// Bytes per texel of a colour format (0 for depth formats and Unknown).
int gpuFormatBytes(GpuFormat format);

enum class GpuRenderState : int {
    ZEnable,
    ZWriteEnable,
    ZFunc,
    AlphaTestEnable,
    AlphaRef,
    AlphaFunc,
    AlphaBlendEnable,
    SrcBlend,
    DestBlend,
    CullMode,
    Lighting,
    LastPixel,
    SpecularMaterialSource,
    Ambient,
    PointSpriteEnable,
    PointScaleEnable,
    PointSize,     // float bits
    PointSizeMin,  // float bits
    PointScaleA,   // float bits
    PointScaleB,   // float bits
    PointScaleC,   // float bits
    Count
};

enum class GpuTextureStageState : int {
    ColorOp,
    AlphaOp,
    AddressU,
    AddressV,
    MagFilter,
    MinFilter,
    MipFilter,
    TexCoordIndex,
    TextureTransformFlags,
    Count
};

// Values of the states above (the numbers of the fixed-function API the drawing code was written for).
enum GpuCmp : uint32_t { CmpNever = 1, CmpLess, CmpEqual, CmpLessEqual, CmpGreater, CmpNotEqual, CmpGreaterEqual, CmpAlways };
enum GpuBlend : uint32_t {
    BlendZero = 1, BlendOne, BlendSrcColor, BlendInvSrcColor, BlendSrcAlpha, BlendInvSrcAlpha,
    BlendDestAlpha, BlendInvDestAlpha, BlendDestColor, BlendInvDestColor
};
enum GpuCull : uint32_t { CullNone = 1, CullCW = 2, CullCCW = 3 };
enum GpuTexOp : uint32_t { TexOpDisable = 1, TexOpSelectArg1, TexOpSelectArg2, TexOpModulate, TexOpModulate2x, TexOpModulate4x, TexOpAdd };
enum GpuAddress : uint32_t { AddressWrap = 1, AddressMirror, AddressClamp };
enum GpuFilter : uint32_t { FilterNone = 0, FilterPoint, FilterLinear };
constexpr uint32_t TCI_PASSTHRU = 0;
constexpr uint32_t TCI_CAMERASPACENORMAL = 0x10000;
constexpr uint32_t TCI_CAMERASPACEREFLECTIONVECTOR = 0x30000;
constexpr uint32_t TTFF_DISABLE = 0;
constexpr uint32_t TTFF_COUNT2 = 2;
enum GpuMaterialSource : uint32_t { MaterialSourceMaterial = 0, MaterialSourceColor1, MaterialSourceColor2 };

enum class GpuTransform : int { World, View, Projection, Texture0, Count };

enum class GpuPrimitive : int { PointList = 1, LineList, LineStrip, TriangleList, TriangleStrip, TriangleFan };

// Flexible vertex format bits: a vertex holds, in this order, a position (3 floats), a normal
// (3 floats), a point size (float), a diffuse colour (0xAARRGGBB), a specular colour, and
// texture coordinate sets (2 floats each; the count is in bits 8-11).
constexpr uint32_t FVF_XYZ = 0x002;
constexpr uint32_t FVF_NORMAL = 0x010;
constexpr uint32_t FVF_PSIZE = 0x020;
constexpr uint32_t FVF_DIFFUSE = 0x040;
constexpr uint32_t FVF_SPECULAR = 0x080;
constexpr uint32_t FVF_TEX1 = 0x100;
// Stride in bytes of a vertex of this format; 0 when the format is not supported (no XYZ position).
int gpuFvfStride(uint32_t fvf);

constexpr uint32_t CLEAR_TARGET = 1;
constexpr uint32_t CLEAR_ZBUFFER = 2;
constexpr uint32_t CLEAR_STENCIL = 4;

struct GpuDisplayMode {
    int width;
    int height;
    int refreshRate;
    GpuFormat format;  // X8R8G8B8 or R5G6B5
};

struct GpuPresentParams {
    int backBufferWidth;
    int backBufferHeight;
    GpuFormat backBufferFormat;
    bool windowed;
    bool autoDepthStencil;
    GpuFormat depthFormat;
    bool vsync;      // presentation interval one (full screen only)
    void* window;    // SDL_Window*; null selects the headless device
};

enum class GpuCoopLevel : int { Ok, Lost, NotReset };

struct GpuMaterial {
    float diffuse[4];   // r, g, b, a
    float ambient[4];
    float specular[4];
    float emissive[4];
    float power;
};

struct GpuLight {
    int type;           // 1 point, 2 spot, 3 directional (only directional lights are lit)
    float diffuse[4];
    float specular[4];
    float ambient[4];
    float position[3];
    float direction[3];
};

// Counters since the last gpuResetStats.
struct GpuStats {
    int submittedDraws;   // draw operations the caller issued
    int drawCalls;        // draws the implementation executed (fewer when consecutive draws were batched)
    int primitives;       // primitives submitted
    int clears;
    int presents;
    int scenes;
    // Frames the GL device presented, by what it drew again (damage tracking): the whole frame,
    // only changed rectangles, or nothing (the frame equalled the last one).
    int wholeFrames;
    int partialFrames;
    int unchangedFrames;
    int64_t redrawnPixels;  // pixels of the back buffer drawn again at presents
    int partialPresents;    // presents that copied only changed rectangles to the window
    int64_t damageMismatches;  // with gpuSetDamageCheck: pixels of kept frames unlike a whole redraw
    // GL device at presents: pixels the drawn commands' boxes cover within the rectangles they
    // are drawn in (an upper bound of the pixels shaded, counted once for each layer), and the
    // pixels copied from the still-layer cache.
    int64_t coveredPixels;
    int64_t cachedPixels;
};

// What the headless device (and, for tests, the GL device) remembers of one draw.
struct GpuDrawRecord {
    GpuPrimitive primitive;
    int primitiveCount;
    int vertexCount;
    uint32_t fvf;
    int texture;
    uint32_t alphaBlend, srcBlend, destBlend, alphaTest, alphaRef, alphaFunc, zEnable, cullMode;
    uint32_t magFilter, texCoordIndex;
    uint32_t addressU, addressV;
};

// One vertex of the last draw, as the device saw it.
struct GpuVertex {
    float pos[3];
    float normal[3];
    uint32_t color;   // 0xAARRGGBB
    float u, v;
    float pointSize;
};

constexpr int GPU_DRAW_LOG_SIZE = 256;
constexpr int GPU_LAST_VERTICES = 64;

// ---- display modes of the primary display and format checks ----
int gpuDisplayModeCount();
bool gpuDisplayMode(int index, GpuDisplayMode* out);
bool gpuDesktopMode(GpuDisplayMode* out);
// Can the device render into a back buffer of this format on a display of that format?
bool gpuCheckDeviceType(GpuFormat displayFormat, GpuFormat backBufferFormat);
// Is this depth format available (and usable with this display format)?
bool gpuCheckDepthFormat(GpuFormat displayFormat, GpuFormat depthFormat);

// ---- device ----
// Creates the device. With a window (an SDL_Window*) the GL device, otherwise the headless one.
// A window made with the OpenGL flag holds the context and is swapped; one made without it is
// shown through its surface (the context is made on a hidden window). False when no usable
// OpenGL 3.3 context can be made.
bool gpuCreate(const GpuPresentParams& params);
bool gpuReset(const GpuPresentParams& params);
void gpuRelease();
bool gpuCreated();
bool gpuIsHeadless();
GpuCoopLevel gpuTestCooperativeLevel();
// Headless only: make the device report a lost device until the next reset (for tests).
void gpuSimulateLostDevice();
void gpuPresent();
// While on, each present also keeps a copy of the window's pixels as shown (after scaling and
// the gamma ramp): BGRA bytes, rows top to bottom, drawable size. For checking the window.
void gpuCapturePresents(bool on);
bool gpuPresentedPixels(const uint8_t** pixels, int* width, int* height);
void gpuSetGammaRamp(const uint16_t red[256], const uint16_t green[256], const uint16_t blue[256]);
void gpuGetGammaRamp(uint16_t red[256], uint16_t green[256], uint16_t blue[256]);
// Logical size of the back buffer.
void gpuBackBufferSize(int* width, int* height);

void gpuSetRenderState(GpuRenderState state, uint32_t value);
uint32_t gpuGetRenderState(GpuRenderState state);
void gpuSetTextureStageState(GpuTextureStageState state, uint32_t value);
uint32_t gpuGetTextureStageState(GpuTextureStageState state);
// A null matrix sets the identity.
void gpuSetTransform(GpuTransform which, const float* m16);
void gpuGetTransform(GpuTransform which, float* m16);
void gpuSetMaterial(const GpuMaterial& material);
void gpuSetLight(int index, const GpuLight& light);
void gpuLightEnable(int index, bool on);
void gpuSetClipPlane(int index, const float plane[4]);

void gpuClear(uint32_t flags, uint32_t color, float z, uint32_t stencil);
// Restricts the clears and draws into the back buffer to a rectangle of it (x, y from the top
// left, in back-buffer pixels), so a frame can redraw only the part of the kept picture that
// changed; the rest stays as the last frame left it. A width or height of 0 or less lifts the
// restriction. Render targets are never restricted, and a present always shows the whole frame.
void gpuBeginScene();
void gpuEndScene();

// ---- textures ----
// Level 0 of size width x height in the given format; levels > 1 are filled from level 0
// automatically. Render targets are drawn into with gpuSetRenderTarget. 0 on failure.
int gpuCreateTexture(int width, int height, int levels, GpuFormat format, bool renderTarget);
void gpuReleaseTexture(int texture);
bool gpuTextureInfo(int texture, int* width, int* height, GpuFormat* format, bool* renderTarget);
// Mipmap levels of a texture (0 for no texture).
int gpuTextureLevels(int texture);
// Bytes a texture takes on the device: every level in its format, and for a render target its
// depth and stencil buffer (4 bytes a texel). 0 for no texture.
size_t gpuTextureBytes(int texture);
// Level 0 texels, rows top to bottom; *pitch is the row length in bytes. Null for a render
// target or a bad handle. The texture is updated at unlock.
void* gpuLockTexture(int texture, int* pitch);
void gpuUnlockTexture(int texture);
void gpuSetTexture(int texture);
int gpuGetTexture();
// Draw into a render-target texture (0: the back buffer).
bool gpuSetRenderTarget(int texture);
// Copies the pixels of a render target (0: the back buffer) as BGRA bytes, rows top to bottom,
// width x height x 4 bytes. The headless device returns what the clears left.
bool gpuReadPixels(int renderTarget, uint8_t* out, int capacity);

// ---- buffers ----
int gpuCreateVertexBuffer(int bytes);
int gpuCreateIndexBuffer(int bytes);  // 16-bit indices
void gpuReleaseBuffer(int buffer);
void* gpuLockBuffer(int buffer);
void gpuUnlockBuffer(int buffer);
void gpuSetStreamSource(int vertexBuffer, int stride);
void gpuSetVertexFormat(uint32_t fvf);
void gpuSetIndices(int indexBuffer, int baseVertex);
void gpuDrawPrimitive(GpuPrimitive type, int startVertex, int primitiveCount);
void gpuDrawIndexedPrimitive(GpuPrimitive type, int minIndex, int numVertices, int startIndex, int primitiveCount);
void gpuDrawPrimitiveUP(GpuPrimitive type, int primitiveCount, const void* vertices, int stride);

// ---- counters and records ----
// Consecutive draws that share every state are merged into one draw call (on by default).
void gpuSetBatching(bool on);
// The GL device shades with programs specialised to each state combination it meets (on by
// default); off, every draw uses the one general program (tests compare the two).
void gpuSetSpecialisedPrograms(bool on);
// The GL device draws a frame at present, only where it differs from the last one (on by
// default); off, every frame is drawn whole as its draws arrive (tests compare the two).
void gpuSetDamageTracking(bool on);
// For tests: at every present of a frame drawn only where it changed (or not at all), also draw
// it whole into a second target and count the pixels that differ (GpuStats::damageMismatches).
void gpuSetDamageCheck(bool on);
// The GL device keeps the picture of a frame's leading commands that seldom change (the still
// layers: backdrop, dialog frame) in a target of its own and starts each redrawn rectangle from
// a copy of it (on by default); off, every redrawn rectangle draws all of its layers.
void gpuSetStillCache(bool on);
// The window lost its picture (exposed, resized, shown again): the next present shows the
// frame even when nothing in it changed.
void gpuRepaintWindow();
// Where the window's surface keeps its pixels from one present to the next (an EGL surface
// with preserved swaps), a present copies only the rectangles that changed since the last one
// to the window (on by default); off, every present copies the whole frame.
void gpuSetPartialPresents(bool on);
// For tests on surfaces that are never swapped (the offscreen driver's pbuffer keeps its pixels
// without saying so): present as if the window kept its frame.
void gpuAssumeWindowKeepsFrame();
GpuStats gpuStats();
void gpuResetStats();
// Draw log (ring); index 0 is the oldest still held.
int gpuDrawLogCount();
const GpuDrawRecord* gpuDrawLogEntry(int index);
const GpuDrawRecord* gpuLastDraw();
// The vertices of the last draw (up to GPU_LAST_VERTICES), in submission order.
int gpuLastVertices(const GpuVertex** out);
void gpuClearDrawLog();

// Where present puts a back buffer of backW x backH in a drawable of drawW x drawH pixels: scaled
// uniformly to fit, centred, rows from the bottom as GL counts them (letterboxed or pillarboxed).
struct GpuViewport {
    int x, y, width, height;
};
GpuViewport gpuLetterbox(int drawW, int drawH, int backW, int backH);

// A hidden window that can hold an OpenGL context, for tests, tools and benchmarks that render
// offscreen. Null when no video driver is available.
void* gpuCreateHiddenWindow(int width, int height);
// A hidden window without OpenGL, as the OS layer makes it where Mesa draws in software: a
// device created on it draws with a context of its own and presents through the window's
// surface. Null when the video driver gives it no surface.
void* gpuCreateHiddenSurfaceWindow(int width, int height);
void gpuResizeHiddenWindow(void* window, int width, int height);
void gpuDestroyHiddenWindow(void* window);

// Bytes of texture pictures held in main memory by the device (all of them on the headless
// device; on the GL device only pictures being changed: the GPU keeps the rest).
int64_t gpuCpuTextureBytes();
