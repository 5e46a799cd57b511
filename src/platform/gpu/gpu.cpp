// The device front: state shared by both implementations, the headless device, vertex
// conversion to the device's own vertex form, draw records and counters.
#include "platform/gpu/gpu_internal.h"
#include "platform/os/os.h"

#include <algorithm>
#include <cstring>

GpuState gpu;

namespace {

void identity(float* m)
{
    std::memset(m, 0, 16 * sizeof(float));
    m[0] = m[5] = m[10] = m[15] = 1.0f;
}

uint32_t floatBits(float f)
{
    uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

// The values a freshly created or reset device starts with.
void setDefaultStates()
{
    uint32_t* rs = gpu.renderStates;
    rs[static_cast<int>(GpuRenderState::ZEnable)] = 1;
    rs[static_cast<int>(GpuRenderState::ZWriteEnable)] = 1;
    rs[static_cast<int>(GpuRenderState::ZFunc)] = CmpLessEqual;
    rs[static_cast<int>(GpuRenderState::AlphaTestEnable)] = 0;
    rs[static_cast<int>(GpuRenderState::AlphaRef)] = 0;
    rs[static_cast<int>(GpuRenderState::AlphaFunc)] = CmpAlways;
    rs[static_cast<int>(GpuRenderState::AlphaBlendEnable)] = 0;
    rs[static_cast<int>(GpuRenderState::SrcBlend)] = BlendOne;
    rs[static_cast<int>(GpuRenderState::DestBlend)] = BlendZero;
    rs[static_cast<int>(GpuRenderState::CullMode)] = CullCCW;
    rs[static_cast<int>(GpuRenderState::Lighting)] = 1;
    rs[static_cast<int>(GpuRenderState::LastPixel)] = 1;
    rs[static_cast<int>(GpuRenderState::SpecularMaterialSource)] = MaterialSourceColor2;
    rs[static_cast<int>(GpuRenderState::Ambient)] = 0;
    rs[static_cast<int>(GpuRenderState::PointSpriteEnable)] = 0;
    rs[static_cast<int>(GpuRenderState::PointScaleEnable)] = 0;
    rs[static_cast<int>(GpuRenderState::PointSize)] = floatBits(1.0f);
    rs[static_cast<int>(GpuRenderState::PointSizeMin)] = floatBits(0.0f);
    rs[static_cast<int>(GpuRenderState::PointScaleA)] = floatBits(1.0f);
    rs[static_cast<int>(GpuRenderState::PointScaleB)] = floatBits(0.0f);
    rs[static_cast<int>(GpuRenderState::PointScaleC)] = floatBits(0.0f);
    uint32_t* ts = gpu.stageStates;
    ts[static_cast<int>(GpuTextureStageState::ColorOp)] = TexOpModulate;
    ts[static_cast<int>(GpuTextureStageState::AlphaOp)] = TexOpSelectArg1;
    ts[static_cast<int>(GpuTextureStageState::AddressU)] = AddressWrap;
    ts[static_cast<int>(GpuTextureStageState::AddressV)] = AddressWrap;
    ts[static_cast<int>(GpuTextureStageState::MagFilter)] = FilterPoint;
    ts[static_cast<int>(GpuTextureStageState::MinFilter)] = FilterPoint;
    ts[static_cast<int>(GpuTextureStageState::MipFilter)] = FilterNone;
    ts[static_cast<int>(GpuTextureStageState::TexCoordIndex)] = TCI_PASSTHRU;
    ts[static_cast<int>(GpuTextureStageState::TextureTransformFlags)] = TTFF_DISABLE;
    for (auto& t : gpu.transforms) identity(t);
    gpu.material = {};
    gpu.material.diffuse[0] = gpu.material.diffuse[1] = gpu.material.diffuse[2] = gpu.material.diffuse[3] = 1.0f;
    for (auto& l : gpu.lights) l = {};
    for (bool& on : gpu.lightOn) on = false;
    gpu.texture = 0;
    gpu.renderTarget = 0;
    gpu.streamBuffer = 0;
    gpu.streamStride = 0;
    gpu.fvf = 0;
    gpu.indexBuffer = 0;
    gpu.baseVertex = 0;
    gpu.inScene = false;
    for (int c = 0; c < 3; ++c)
        for (int i = 0; i < 256; ++i) gpu.gamma[c][i] = static_cast<uint16_t>(i * 257);
}

void dropCpuCopy(GpuTextureSlot& t)
{
    std::vector<uint8_t>().swap(t.texels);
}

// A state change does not send the draws made before it: the GL device keeps each waiting draw's
// state with it (and may batch later draws of an earlier state with them, gpu_gl.cpp).
bool stateChange(uint32_t& slot, uint32_t value)
{
    if (slot == value) return false;
    slot = value;
    if (gpu.created && !gpu.headless) glDeviceStateChanged();
    return true;
}

int vertexCountFor(GpuPrimitive type, int prims)
{
    switch (type) {
    case GpuPrimitive::PointList: return prims;
    case GpuPrimitive::LineList: return prims * 2;
    case GpuPrimitive::LineStrip: return prims + 1;
    case GpuPrimitive::TriangleList: return prims * 3;
    case GpuPrimitive::TriangleStrip:
    case GpuPrimitive::TriangleFan: return prims + 2;
    }
    return 0;
}

bool validPrimitive(GpuPrimitive type)
{
    int t = static_cast<int>(type);
    return t >= static_cast<int>(GpuPrimitive::PointList) && t <= static_cast<int>(GpuPrimitive::TriangleFan);
}

// Reads one vertex of format fvf into the device form.
void convertVertex(uint32_t fvf, const uint8_t* src, GpuVertex& out)
{
    out = {};
    out.color = 0xFFFFFFFFu;
    out.pointSize = 1.0f;
    std::memcpy(out.pos, src, 12);
    src += 12;
    if (fvf & FVF_NORMAL) {
        std::memcpy(out.normal, src, 12);
        src += 12;
    }
    if (fvf & FVF_PSIZE) {
        std::memcpy(&out.pointSize, src, 4);
        src += 4;
    }
    if (fvf & FVF_DIFFUSE) {
        std::memcpy(&out.color, src, 4);
        src += 4;
    }
    if (fvf & FVF_SPECULAR) src += 4;
    if ((fvf >> 8) & 0xF) {
        std::memcpy(&out.u, src, 4);
        std::memcpy(&out.v, src + 4, 4);
    }
}

void record(GpuPrimitive type, int prims, int vertexCount)
{
    GpuDrawRecord& r = gpu.drawLog[gpu.drawLogTotal % GPU_DRAW_LOG_SIZE];
    gpu.drawLogTotal++;
    const uint32_t* rs = gpu.renderStates;
    r.primitive = type;
    r.primitiveCount = prims;
    r.vertexCount = vertexCount;
    r.fvf = gpu.fvf;
    r.texture = gpu.texture;
    r.alphaBlend = rs[static_cast<int>(GpuRenderState::AlphaBlendEnable)];
    r.srcBlend = rs[static_cast<int>(GpuRenderState::SrcBlend)];
    r.destBlend = rs[static_cast<int>(GpuRenderState::DestBlend)];
    r.alphaTest = rs[static_cast<int>(GpuRenderState::AlphaTestEnable)];
    r.alphaRef = rs[static_cast<int>(GpuRenderState::AlphaRef)];
    r.alphaFunc = rs[static_cast<int>(GpuRenderState::AlphaFunc)];
    r.zEnable = rs[static_cast<int>(GpuRenderState::ZEnable)];
    r.cullMode = rs[static_cast<int>(GpuRenderState::CullMode)];
    r.magFilter = gpu.stageStates[static_cast<int>(GpuTextureStageState::MagFilter)];
    r.addressU = gpu.stageStates[static_cast<int>(GpuTextureStageState::AddressU)];
    r.addressV = gpu.stageStates[static_cast<int>(GpuTextureStageState::AddressV)];
    r.texCoordIndex = gpu.stageStates[static_cast<int>(GpuTextureStageState::TexCoordIndex)];
    int keep = vertexCount < GPU_LAST_VERTICES ? vertexCount : GPU_LAST_VERTICES;
    std::memcpy(gpu.lastVertices, gpu.scratch.data(), keep * sizeof(GpuVertex));
    gpu.lastVertexCount = keep;
}

// Converts, records and hands over one draw whose vertices are in gpu.scratch.
void submit(GpuPrimitive type, int prims, int vertexCount)
{
    record(type, prims, vertexCount);
    gpu.stats.submittedDraws++;
    gpu.stats.primitives += prims;
    if (gpu.headless)
        gpu.stats.drawCalls++;
    else
        glDeviceDraw(type, prims, gpu.scratch.data(), vertexCount);
}

GpuBufferSlot* bufferSlot(int handle)
{
    if (handle <= 0 || handle > static_cast<int>(gpu.buffers.size())) return nullptr;
    GpuBufferSlot& b = gpu.buffers[handle - 1];
    return b.used ? &b : nullptr;
}

void resizeHeadlessBackBuffer()
{
    gpu.headlessBackBuffer.assign(static_cast<size_t>(gpu.params.backBufferWidth) * gpu.params.backBufferHeight * 4, 0);
}

std::vector<GpuDisplayMode> headlessModes()
{
    std::vector<GpuDisplayMode> m;
    const int sizes[][2] = {{640, 480}, {800, 600}, {1024, 768}, {1280, 1024}, {1280, 960}, {1600, 1200}};
    for (auto& s : sizes) {
        m.push_back({s[0], s[1], 60, GpuFormat::R5G6B5});
        m.push_back({s[0], s[1], 60, GpuFormat::X8R8G8B8});
    }
    return m;
}

std::vector<GpuDisplayMode> currentModes(GpuDisplayMode* desktop)
{
    std::vector<GpuDisplayMode> modes;
    GpuDisplayMode d = {1024, 768, 60, GpuFormat::X8R8G8B8};
    if (!glDisplayModes(modes, &d)) modes = headlessModes();
    if (desktop) *desktop = d;
    return modes;
}

}  // namespace

int gpuFormatBytes(GpuFormat format)
{
    switch (format) {
    case GpuFormat::A8R8G8B8:
    case GpuFormat::X8R8G8B8: return 4;
    case GpuFormat::R5G6B5:
    case GpuFormat::X1R5G5B5:
    case GpuFormat::A1R5G5B5:
    case GpuFormat::A4R4G4B4: return 2;
    default: return 0;
    }
}

int gpuFvfStride(uint32_t fvf)
{
    if ((fvf & 0x00E) != FVF_XYZ) return 0;
    int stride = 12;
    if (fvf & FVF_NORMAL) stride += 12;
    if (fvf & FVF_PSIZE) stride += 4;
    if (fvf & FVF_DIFFUSE) stride += 4;
    if (fvf & FVF_SPECULAR) stride += 4;
    stride += 8 * static_cast<int>((fvf >> 8) & 0xF);
    return stride;
}

GpuViewport gpuLetterbox(int drawW, int drawH, int backW, int backH)
{
    // One formula for the picture and the pointer (the OS layer maps positions through it).
    GpuViewport v;
    osLetterbox(drawW, drawH, backW, backH, &v.x, &v.y, &v.width, &v.height);
    return v;
}

GpuTextureSlot* gpuTextureSlot(int handle)
{
    if (handle <= 0 || handle > static_cast<int>(gpu.textures.size())) return nullptr;
    GpuTextureSlot& t = gpu.textures[handle - 1];
    return t.used ? &t : nullptr;
}

int gpuDisplayModeCount()
{
    return static_cast<int>(currentModes(nullptr).size());
}

bool gpuDisplayMode(int index, GpuDisplayMode* out)
{
    std::vector<GpuDisplayMode> modes = currentModes(nullptr);
    if (index < 0 || index >= static_cast<int>(modes.size()) || !out) return false;
    *out = modes[index];
    return true;
}

bool gpuDesktopMode(GpuDisplayMode* out)
{
    if (!out) return false;
    currentModes(out);
    return true;
}

bool gpuCheckDeviceType(GpuFormat displayFormat, GpuFormat backBufferFormat)
{
    // Every frame is rendered into the device's own 32-bit back buffer, so any display format
    // takes the 32-bit and 16-bit colour formats.
    if (displayFormat != GpuFormat::X8R8G8B8 && displayFormat != GpuFormat::R5G6B5) return false;
    return backBufferFormat == GpuFormat::A8R8G8B8 || backBufferFormat == GpuFormat::X8R8G8B8 ||
           backBufferFormat == GpuFormat::R5G6B5 || backBufferFormat == GpuFormat::X1R5G5B5;
}

bool gpuCheckDepthFormat(GpuFormat displayFormat, GpuFormat depthFormat)
{
    if (displayFormat != GpuFormat::X8R8G8B8 && displayFormat != GpuFormat::R5G6B5) return false;
    // The depth buffers OpenGL 3.3 guarantees: 16 bit, and 24 bit with or without 8 bits of stencil.
    return depthFormat == GpuFormat::D16 || depthFormat == GpuFormat::D24S8 || depthFormat == GpuFormat::D24X8;
}

bool gpuCreate(const GpuPresentParams& params)
{
    if (gpu.created) gpuRelease();
    if (params.backBufferWidth <= 0 || params.backBufferHeight <= 0 || params.backBufferWidth > 8192 ||
        params.backBufferHeight > 8192)
        return false;
    gpu.params = params;
    gpu.headless = params.window == nullptr;
    gpu.textures.clear();
    gpu.buffers.clear();
    gpu.stats = {};
    gpu.drawLogTotal = 0;
    gpu.lastVertexCount = 0;
    gpu.coop = GpuCoopLevel::Ok;
    gpu.batching = true;
    gpu.specialisedPrograms = true;
    gpu.damageTracking = true;
    gpu.damageCheck = false;
    gpu.stillCache = true;
    gpu.partialPresents = true;
    setDefaultStates();
    if (!gpu.headless && !glDeviceCreate(params)) {
        gpu.headless = true;
        return false;
    }
    resizeHeadlessBackBuffer();
    gpu.created = true;
    return true;
}

bool gpuReset(const GpuPresentParams& params)
{
    if (!gpu.created) return false;
    if (params.backBufferWidth <= 0 || params.backBufferHeight <= 0 || params.backBufferWidth > 8192 ||
        params.backBufferHeight > 8192)
        return false;
    GpuPresentParams p = params;
    p.window = gpu.params.window;
    if (!gpu.headless) {
        glDeviceFlush();
        if (!glDeviceReset(p)) return false;
    }
    gpu.params = p;
    setDefaultStates();
    if (!gpu.headless) glDeviceStateChanged();
    resizeHeadlessBackBuffer();
    gpu.coop = GpuCoopLevel::Ok;
    return true;
}

void gpuRelease()
{
    if (!gpu.created) return;
    if (!gpu.headless) {
        for (auto& t : gpu.textures)
            if (t.used) glDeviceReleaseTexture(t);
        glDeviceRelease();
    }
    gpu.textures.clear();
    gpu.buffers.clear();
    gpu.headlessBackBuffer.clear();
    gpuCapturePresents(false);
    gpu.created = false;
    gpu.headless = true;
}

bool gpuCreated() { return gpu.created; }
bool gpuIsHeadless() { return gpu.headless; }

GpuCoopLevel gpuTestCooperativeLevel() { return gpu.coop; }

void gpuSimulateLostDevice()
{
    if (gpu.created && gpu.headless) gpu.coop = GpuCoopLevel::NotReset;
}

void gpuPresent()
{
    if (!gpu.created) return;
    gpu.stats.presents++;
    if (!gpu.headless) glDevicePresent();
}

void gpuCapturePresents(bool on)
{
    gpu.capturePresents = on;
    if (!on) {
        gpu.presented.clear();
        gpu.presented.shrink_to_fit();
        gpu.presentedWidth = gpu.presentedHeight = 0;
    }
}

bool gpuPresentedPixels(const uint8_t** pixels, int* width, int* height)
{
    if (gpu.presented.empty() || !pixels || !width || !height) return false;
    *pixels = gpu.presented.data();
    *width = gpu.presentedWidth;
    *height = gpu.presentedHeight;
    return true;
}

void gpuSetGammaRamp(const uint16_t red[256], const uint16_t green[256], const uint16_t blue[256])
{
    std::memcpy(gpu.gamma[0], red, 512);
    std::memcpy(gpu.gamma[1], green, 512);
    std::memcpy(gpu.gamma[2], blue, 512);
}

void gpuGetGammaRamp(uint16_t red[256], uint16_t green[256], uint16_t blue[256])
{
    std::memcpy(red, gpu.gamma[0], 512);
    std::memcpy(green, gpu.gamma[1], 512);
    std::memcpy(blue, gpu.gamma[2], 512);
}

void gpuBackBufferSize(int* width, int* height)
{
    if (width) *width = gpu.params.backBufferWidth;
    if (height) *height = gpu.params.backBufferHeight;
}

void gpuSetRenderState(GpuRenderState state, uint32_t value)
{
    int s = static_cast<int>(state);
    if (s < 0 || s >= static_cast<int>(GpuRenderState::Count)) return;
    stateChange(gpu.renderStates[s], value);
}

uint32_t gpuGetRenderState(GpuRenderState state)
{
    int s = static_cast<int>(state);
    if (s < 0 || s >= static_cast<int>(GpuRenderState::Count)) return 0;
    return gpu.renderStates[s];
}

void gpuSetTextureStageState(GpuTextureStageState state, uint32_t value)
{
    int s = static_cast<int>(state);
    if (s < 0 || s >= static_cast<int>(GpuTextureStageState::Count)) return;
    stateChange(gpu.stageStates[s], value);
}

uint32_t gpuGetTextureStageState(GpuTextureStageState state)
{
    int s = static_cast<int>(state);
    if (s < 0 || s >= static_cast<int>(GpuTextureStageState::Count)) return 0;
    return gpu.stageStates[s];
}

void gpuSetTransform(GpuTransform which, const float* m16)
{
    int w = static_cast<int>(which);
    if (w < 0 || w >= static_cast<int>(GpuTransform::Count)) return;
    float m[16];
    if (m16)
        std::memcpy(m, m16, sizeof m);
    else
        identity(m);
    if (std::memcmp(m, gpu.transforms[w], sizeof m) == 0) return;
    std::memcpy(gpu.transforms[w], m, sizeof m);
    if (gpu.created && !gpu.headless) glDeviceStateChanged();
}

void gpuGetTransform(GpuTransform which, float* m16)
{
    int w = static_cast<int>(which);
    if (w < 0 || w >= static_cast<int>(GpuTransform::Count) || !m16) return;
    std::memcpy(m16, gpu.transforms[w], 16 * sizeof(float));
}

void gpuSetMaterial(const GpuMaterial& material)
{
    if (std::memcmp(&material, &gpu.material, sizeof material) == 0) return;
    gpu.material = material;
    if (gpu.created && !gpu.headless) glDeviceStateChanged();
}

void gpuSetLight(int index, const GpuLight& light)
{
    if (index < 0 || index >= GPU_MAX_LIGHTS) return;
    gpu.lights[index] = light;
    if (gpu.created && !gpu.headless) glDeviceStateChanged();
}

void gpuLightEnable(int index, bool on)
{
    if (index < 0 || index >= GPU_MAX_LIGHTS || gpu.lightOn[index] == on) return;
    gpu.lightOn[index] = on;
    if (gpu.created && !gpu.headless) glDeviceStateChanged();
}

void gpuSetClipPlane(int, const float[4])
{
    // No drawing code enables user clip planes; the plane is accepted and has no effect.
}

void gpuClear(uint32_t flags, uint32_t color, float z, uint32_t stencil)
{
    if (!gpu.created) return;
    gpu.stats.clears++;
    if (gpu.headless) {
        if ((flags & CLEAR_TARGET) && gpu.renderTarget == 0) {
            uint8_t px[4] = {static_cast<uint8_t>(color), static_cast<uint8_t>(color >> 8),
                             static_cast<uint8_t>(color >> 16), static_cast<uint8_t>(color >> 24)};
            for (size_t i = 0; i + 4 <= gpu.headlessBackBuffer.size(); i += 4) std::memcpy(&gpu.headlessBackBuffer[i], px, 4);
        }
        return;
    }
    glDeviceClear(flags, color, z, stencil);
}

void gpuBeginScene()
{
    gpu.inScene = true;
    gpu.stats.scenes++;
}

void gpuEndScene()
{
    if (gpu.created && !gpu.headless) glDeviceFlush();
    gpu.inScene = false;
}

int gpuCreateTexture(int width, int height, int levels, GpuFormat format, bool renderTarget)
{
    if (!gpu.created || width <= 0 || height <= 0 || width > 8192 || height > 8192) return 0;
    int bpp = gpuFormatBytes(format);
    if (bpp == 0) return 0;
    int handle = 0;
    for (size_t i = 0; i < gpu.textures.size(); ++i)
        if (!gpu.textures[i].used) {
            handle = static_cast<int>(i) + 1;
            break;
        }
    if (handle == 0) {
        if (gpu.textures.size() >= static_cast<size_t>(GPU_MAX_TEXTURES)) return 0;
        gpu.textures.emplace_back();
        handle = static_cast<int>(gpu.textures.size());
    }
    GpuTextureSlot& t = gpu.textures[handle - 1];
    t = GpuTextureSlot();
    t.used = true;
    t.width = width;
    t.height = height;
    t.levels = levels < 1 ? 1 : levels;
    t.format = format;
    t.renderTarget = renderTarget;
    t.texels.assign(static_cast<size_t>(width) * height * bpp, 0);
    if (!gpu.headless && !glDeviceCreateTexture(t)) {
        t = GpuTextureSlot();
        return 0;
    }
    // A render target lives on the GPU only (read back with gpuReadPixels).
    if (!gpu.headless && renderTarget) dropCpuCopy(t);
    return handle;
}

void gpuReleaseTexture(int texture)
{
    GpuTextureSlot* t = gpuTextureSlot(texture);
    if (!t) return;
    if (!gpu.headless) {
        glDeviceFlush();
        glDeviceReleaseTexture(*t);
    }
    if (gpu.texture == texture) gpu.texture = 0;
    if (gpu.renderTarget == texture) gpuSetRenderTarget(0);
    *t = GpuTextureSlot();
}

bool gpuTextureInfo(int texture, int* width, int* height, GpuFormat* format, bool* renderTarget)
{
    GpuTextureSlot* t = gpuTextureSlot(texture);
    if (!t) return false;
    if (width) *width = t->width;
    if (height) *height = t->height;
    if (format) *format = t->format;
    if (renderTarget) *renderTarget = t->renderTarget;
    return true;
}

int gpuTextureLevels(int texture)
{
    GpuTextureSlot* t = gpuTextureSlot(texture);
    return t ? t->levels : 0;
}

size_t gpuTextureBytes(int texture)
{
    GpuTextureSlot* t = gpuTextureSlot(texture);
    if (!t) return 0;
    size_t bytes = 0;
    int w = t->width, h = t->height;
    for (int l = 0; l < t->levels; ++l) {
        bytes += static_cast<size_t>(w) * h * gpuFormatBytes(t->format);
        w = w > 1 ? w / 2 : 1;
        h = h > 1 ? h / 2 : 1;
    }
    if (t->renderTarget) bytes += static_cast<size_t>(t->width) * t->height * 4;
    return bytes;
}

void* gpuLockTexture(int texture, int* pitch)
{
    GpuTextureSlot* t = gpuTextureSlot(texture);
    if (!t || t->renderTarget || t->locked) return nullptr;
    if (t->texels.empty()) {
        // The CPU copy went away once the GPU had the picture: fetch it back for the change.
        t->texels.assign(static_cast<size_t>(t->width) * t->height * gpuFormatBytes(t->format), 0);
        if (!gpu.headless) {
            glDeviceFlush();
            glDeviceDownloadTexture(*t);
        }
    }
    t->locked = true;
    if (pitch) *pitch = t->width * gpuFormatBytes(t->format);
    return t->texels.data();
}

void gpuUnlockTexture(int texture)
{
    GpuTextureSlot* t = gpuTextureSlot(texture);
    if (!t || !t->locked) return;
    t->locked = false;
    if (!gpu.headless) {
        glDeviceFlush();
        glDeviceUploadTexture(*t);
        // The GPU holds the picture now; keeping a second copy in memory helps nobody (a lock
        // reads it back, and a reset of this device keeps its textures).
        dropCpuCopy(*t);
    }
}

int64_t gpuCpuTextureBytes()
{
    int64_t total = 0;
    for (const GpuTextureSlot& t : gpu.textures)
        if (t.used) total += static_cast<int64_t>(t.texels.capacity());
    return total;
}

void gpuSetTexture(int texture)
{
    if (texture != 0 && !gpuTextureSlot(texture)) texture = 0;
    if (texture == gpu.texture) return;
    gpu.texture = texture;
    if (gpu.created && !gpu.headless) glDeviceStateChanged();
}

int gpuGetTexture() { return gpu.texture; }

bool gpuSetRenderTarget(int texture)
{
    if (texture != 0) {
        GpuTextureSlot* t = gpuTextureSlot(texture);
        if (!t || !t->renderTarget) return false;
    }
    if (gpu.created && !gpu.headless) {
        glDeviceFlush();
        if (!glDeviceSetRenderTarget(texture)) return false;
    }
    gpu.renderTarget = texture;
    return true;
}

bool gpuReadPixels(int renderTarget, uint8_t* out, int capacity)
{
    if (!gpu.created || !out) return false;
    int w = gpu.params.backBufferWidth, h = gpu.params.backBufferHeight;
    if (renderTarget != 0) {
        GpuTextureSlot* t = gpuTextureSlot(renderTarget);
        if (!t || !t->renderTarget) return false;
        w = t->width;
        h = t->height;
    }
    if (capacity < w * h * 4) return false;
    if (gpu.headless) {
        if (renderTarget == 0)
            std::memcpy(out, gpu.headlessBackBuffer.data(), static_cast<size_t>(w) * h * 4);
        else
            std::memset(out, 0, static_cast<size_t>(w) * h * 4);
        return true;
    }
    glDeviceFlush();
    return glDeviceReadPixels(renderTarget, out, w, h);
}

int gpuCreateVertexBuffer(int bytes)
{
    if (!gpu.created || bytes <= 0 || bytes > (64 << 20)) return 0;
    if (gpu.buffers.size() >= static_cast<size_t>(GPU_MAX_BUFFERS)) {
        for (size_t i = 0; i < gpu.buffers.size(); ++i)
            if (!gpu.buffers[i].used) {
                gpu.buffers[i].used = true;
                gpu.buffers[i].isIndex = false;
                gpu.buffers[i].bytes.assign(bytes, 0);
                return static_cast<int>(i) + 1;
            }
        return 0;
    }
    GpuBufferSlot b;
    b.used = true;
    b.bytes.assign(bytes, 0);
    gpu.buffers.push_back(b);
    return static_cast<int>(gpu.buffers.size());
}

int gpuCreateIndexBuffer(int bytes)
{
    int h = gpuCreateVertexBuffer(bytes);
    if (h) gpu.buffers[h - 1].isIndex = true;
    return h;
}

void gpuReleaseBuffer(int buffer)
{
    GpuBufferSlot* b = bufferSlot(buffer);
    if (!b) return;
    if (gpu.streamBuffer == buffer) gpu.streamBuffer = 0;
    if (gpu.indexBuffer == buffer) gpu.indexBuffer = 0;
    *b = GpuBufferSlot();
}

void* gpuLockBuffer(int buffer)
{
    GpuBufferSlot* b = bufferSlot(buffer);
    return b ? b->bytes.data() : nullptr;
}

void gpuUnlockBuffer(int) {}

void gpuSetStreamSource(int vertexBuffer, int stride)
{
    gpu.streamBuffer = vertexBuffer;
    gpu.streamStride = stride;
}

void gpuSetVertexFormat(uint32_t fvf) { gpu.fvf = fvf; }

void gpuSetIndices(int indexBuffer, int baseVertex)
{
    gpu.indexBuffer = indexBuffer;
    gpu.baseVertex = baseVertex;
}

void gpuDrawPrimitiveUP(GpuPrimitive type, int primitiveCount, const void* vertices, int stride)
{
    if (!gpu.created || !vertices || primitiveCount <= 0 || !validPrimitive(type)) return;
    int fvfStride = gpuFvfStride(gpu.fvf);
    if (fvfStride == 0 || stride < fvfStride) return;
    int n = vertexCountFor(type, primitiveCount);
    gpu.scratch.resize(n);
    const uint8_t* src = static_cast<const uint8_t*>(vertices);
    for (int i = 0; i < n; ++i) convertVertex(gpu.fvf, src + static_cast<size_t>(i) * stride, gpu.scratch[i]);
    submit(type, primitiveCount, n);
}

void gpuDrawPrimitive(GpuPrimitive type, int startVertex, int primitiveCount)
{
    GpuBufferSlot* b = bufferSlot(gpu.streamBuffer);
    if (!gpu.created || !b || primitiveCount <= 0 || startVertex < 0 || !validPrimitive(type)) return;
    int stride = gpu.streamStride;
    int fvfStride = gpuFvfStride(gpu.fvf);
    if (fvfStride == 0 || stride < fvfStride) return;
    int n = vertexCountFor(type, primitiveCount);
    if (static_cast<size_t>(startVertex + n) * stride > b->bytes.size() + (stride - fvfStride)) return;
    gpu.scratch.resize(n);
    for (int i = 0; i < n; ++i)
        convertVertex(gpu.fvf, b->bytes.data() + static_cast<size_t>(startVertex + i) * stride, gpu.scratch[i]);
    submit(type, primitiveCount, n);
}

void gpuDrawIndexedPrimitive(GpuPrimitive type, int minIndex, int numVertices, int startIndex, int primitiveCount)
{
    (void)minIndex;
    (void)numVertices;
    GpuBufferSlot* vb = bufferSlot(gpu.streamBuffer);
    GpuBufferSlot* ib = bufferSlot(gpu.indexBuffer);
    if (!gpu.created || !vb || !ib || primitiveCount <= 0 || startIndex < 0 || !validPrimitive(type)) return;
    int stride = gpu.streamStride;
    int fvfStride = gpuFvfStride(gpu.fvf);
    if (fvfStride == 0 || stride < fvfStride) return;
    int n = vertexCountFor(type, primitiveCount);
    if (static_cast<size_t>(startIndex + n) * 2 > ib->bytes.size()) return;
    size_t vertexCapacity = (vb->bytes.size() + (stride - fvfStride)) / stride;
    gpu.scratch.resize(n);
    for (int i = 0; i < n; ++i) {
        uint16_t idx;
        std::memcpy(&idx, ib->bytes.data() + static_cast<size_t>(startIndex + i) * 2, 2);
        size_t v = static_cast<size_t>(idx) + gpu.baseVertex;
        if (v >= vertexCapacity) return;  // an index past the buffer draws nothing
        convertVertex(gpu.fvf, vb->bytes.data() + v * stride, gpu.scratch[i]);
    }
    submit(type, primitiveCount, n);
}

void gpuSetSpecialisedPrograms(bool on)
{
    if (gpu.created && !gpu.headless) glDeviceFlush();
    gpu.specialisedPrograms = on;
}

void gpuSetDamageTracking(bool on)
{
    if (gpu.created && !gpu.headless) {
        glDeviceFlush();
        glDeviceDrawRecorded();  // the frame's later draws follow the new setting
    }
    gpu.damageTracking = on;
}

void gpuSetDamageCheck(bool on) { gpu.damageCheck = on; }

void gpuSetStillCache(bool on) { gpu.stillCache = on; }

void gpuRepaintWindow()
{
    if (gpu.created && !gpu.headless) glDeviceRepaintWindow();
}

void gpuSetPartialPresents(bool on) { gpu.partialPresents = on; }

void gpuAssumeWindowKeepsFrame()
{
    if (gpu.created && !gpu.headless) glDeviceAssumeWindowKeepsFrame();
}

void gpuSetBatching(bool on)
{
    if (gpu.created && !gpu.headless) glDeviceFlush();
    gpu.batching = on;
}

GpuStats gpuStats()
{
    if (gpu.created && !gpu.headless) glDeviceFlush();
    return gpu.stats;
}

void gpuResetStats() { gpu.stats = {}; }

int gpuDrawLogCount()
{
    return gpu.drawLogTotal < GPU_DRAW_LOG_SIZE ? gpu.drawLogTotal : GPU_DRAW_LOG_SIZE;
}

const GpuDrawRecord* gpuDrawLogEntry(int index)
{
    int count = gpuDrawLogCount();
    if (index < 0 || index >= count) return nullptr;
    int first = gpu.drawLogTotal - count;
    return &gpu.drawLog[(first + index) % GPU_DRAW_LOG_SIZE];
}

const GpuDrawRecord* gpuLastDraw()
{
    int count = gpuDrawLogCount();
    return count ? gpuDrawLogEntry(count - 1) : nullptr;
}

int gpuLastVertices(const GpuVertex** out)
{
    if (out) *out = gpu.lastVertices;
    return gpu.lastVertexCount;
}

void gpuClearDrawLog()
{
    gpu.drawLogTotal = 0;
    gpu.lastVertexCount = 0;
}
