// The OpenGL 3.3 core device. Every frame is drawn into an offscreen framebuffer of the back
// buffer's size (rows stored top first, so read-back and render-target textures need no flip);
// present scales it, letterboxed, into the window's drawable through the gamma ramp.
//
// One shader stands in for the fixed-function stage the drawing code uses: texture x diffuse
// (modulate / select / add), alpha test with reference and function, the texture transform
// applied to (u, v, 1, 0), camera-space normal and reflection texture coordinates, directional
// lighting, point sprites. Row-major row-vector matrices are uploaded as they are and applied
// as M * v. Clip z runs from 0 to w as in the original API and is mapped to GL's -w..w; pixel
// centres sit on whole coordinates as in the original API (a half-pixel shift in the shader).
// The shader's switches (texture operations, alpha test, texture coordinate sources, lighting,
// point sprites) are constants in a program made for each combination met, so a software
// rasteriser shades each pixel without them; a general program reads them from uniforms.
// The back buffer's frame is recorded rather than drawn at once, and drawn at present only where
// it differs from the last frame (platform/gpu/damage.h); an unchanged frame is not presented.
// Redrawn rectangles start from a copy of the frame's still layers kept by the device (the
// still-layer cache) where that costs less than drawing them.
// Consecutive draws that share every state are merged into one draw call.
#include <epoxy/egl.h>
#include <epoxy/gl.h>

#include <SDL.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "platform/gpu/damage.h"
#include "platform/gpu/gpu_internal.h"
#include "platform/os/os.h"
#include "platform/os/os_sdl.h"
#include "platform/os/startlog.h"

namespace {

// A program specialised for one combination of the switches below (or the general one, which
// reads them from uniforms): llvmpipe shades every pixel with the code it is given, so branches
// decided by constants cost nothing while branches on uniforms are evaluated for every pixel.
struct GlProgram {
    uint32_t key = 0;
    GLuint program = 0;
    GLint uWorld, uView, uProj, uTex, uTexCount, uTexGen, uPixel, uLighting, uAmbient, uMatDiffuse,
        uMatAmbient, uMatEmissive, uLightDir, uLightColor, uLightCount, uPointSize, uPointMin, uPointScale,
        uPointAbc, uViewportH, uPointSprite, uHasTexture, uColorOp, uAlphaOp, uAlphaTest, uAlphaFunc,
        uAlphaRef, uSampler, uTexArray, uLayers;
};

// Specialised programs kept at once; past this every other combination uses the general one.
constexpr int GL_MAX_PROGRAMS = 48;
constexpr uint32_t GL_GENERAL_PROGRAM = 0xFFFFFFFFu;

// Everything of the front's state a recorded draw needs to be drawn again later.
struct GlSnapshot {
    uint32_t renderStates[static_cast<int>(GpuRenderState::Count)];
    uint32_t stageStates[static_cast<int>(GpuTextureStageState::Count)];
    float transforms[static_cast<int>(GpuTransform::Count)][16];
    GpuMaterial material;
    GpuLight lights[GPU_MAX_LIGHTS];
    uint8_t lightOn[GPU_MAX_LIGHTS];
    int texture;
    uint32_t textureVersion;
};

// One recorded clear or batch of the back buffer's frame.
struct GlCommand {
    bool clear;
    int batchKind;  // 1 triangles, 2 lines, 3 points
    int snapshot;   // index in GlRecording::snapshots
    int first;      // vertices in GlRecording::vertices
    int count;
    uint32_t clearFlags, clearColor, clearStencil;
    float clearZ;
    DamageRect box;  // every pixel the command can touch
    int firstItem;   // its first item in GlRecording::items (the rest follow up to the next command's)
};

// Draws not yet sent, gathered by state: one batch per run of draws that share a snapshot of the
// state (and a primitive kind). A draw joins an earlier batch of its state when it touches none
// of the pixels the draws after that batch can touch (their boxes, as batchBox computes them): it
// then commutes with them, so drawing it earlier gives the same picture.
struct GlPendingBatch {
    int snapshot;   // in GlDevice::pendingSnapshots
    int batchKind;  // 1 triangles, 2 lines, 3 points
    std::vector<GpuVertex> vertices;
    std::vector<int> drawStarts;     // where each of the front's draws starts
    std::vector<DamageRect> boxes;   // the pixels each draw can touch
    DamageRect box;                  // all of them
};

// How many batches back a draw looks for one of its state, and how many wait at most.
constexpr int GL_JOIN_WINDOW = 64;
constexpr int GL_MAX_PENDING = 256;

// Texture families: small pictures of one size and format (the strips of the figures, the tiles)
// are copied, each as a layer, into one array texture, so that draws which differ only in which of
// them they use share a state and can be gathered into one call. The layer goes with each vertex;
// an array layer samples exactly as the texture it copies (same size, levels, format, swizzle and
// sampler), so the picture does not change.
constexpr int GL_FAMILIES = 8;
constexpr int GL_FAMILY_LAYERS = 16;
constexpr int GL_FAMILY_MAX_TEXELS = 512 * 512;
constexpr int GL_FAMILY_HANDLE = 0x40000000;  // snapshots name family f as GL_FAMILY_HANDLE + f

struct GlFamily {
    int width = 0, height = 0, levels = 0;
    GpuFormat format = GpuFormat::Unknown;
    GLuint array = 0;
    int layers = 0;                            // layers the array has room for
    int members = 0;                           // layers in use
    int textures[GL_FAMILY_LAYERS] = {};       // the texture in each layer
    GLuint names[GL_FAMILY_LAYERS] = {};       // its GL texture then (a released one is not copied)
    uint32_t copied[GL_FAMILY_LAYERS] = {};    // the version copied into the layer (0: none yet)
};

// A frame of the back buffer as recorded (damage.h tells why).
struct GlRecording {
    std::vector<GlCommand> commands;
    std::vector<DamageItem> items;  // one per clear and per draw the front made (a batch holds several)
    std::vector<GpuVertex> vertices;
    std::vector<GlSnapshot> snapshots;
    std::vector<uint64_t> snapshotHashes;
    bool drawn = false;         // drawn before present (something needed the pixels): later draws go straight
    bool colourCleared = false;
    bool depthCleared = false;
    bool comparable = true;     // begins with a clear of the picture (and of depth before depth is used)
};

// The still-layer cache keeps at most this many pictures, and weighs cuts for frames of at most
// this many commands.
constexpr int STILL_LEVELS = 2;
constexpr int STILL_MAX_COMMANDS = 64;

// One picture of the still-layer cache: a frame's commands [0, cut) drawn.
struct GlStillLevel {
    GLuint framebuffer = 0, color = 0, depth = 0;
    int cut = 0;                    // the cut it is meant for (0: not in use)
    int drawnCut = 0;               // the commands the picture holds (0: no picture)
    std::vector<DamageItem> items;  // their items
};

// The still-layer cache: pictures of a frame's leading commands that seldom change (backdrop,
// dialog frame), at one or two cuts. A redrawn rectangle starts from an exact copy of the higher
// picture and draws only the commands after its cut. The pictures are kept up to date like the
// back buffer: where the leading commands differ from the ones a picture was drawn from, they
// are drawn again there (from a copy of the lower picture) and copied into it.
struct GlStillCache {
    GlStillLevel levels[STILL_LEVELS];
    int width = 0, height = 0;
    // What each pair of cuts (lower, higher; lower 0: one picture) has cost in recent frames, in
    // pixels covered (weighCuts), each frame's figures weighing a sixteenth less at each frame.
    int64_t totals[STILL_MAX_COMMANDS + 1][STILL_MAX_COMMANDS + 1] = {};
    int frames = 0;
};

struct GlDevice {
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    GLuint program = 0;
    GLuint presentProgram = 0;
    GLuint copyProgram = 0;  // made at the first copy (copyThroughProgram); 0 before, or when it failed
    bool copyProgramTried = false;
    GLint cBack = -1, cBox = -1;
    GLuint copySampler = 0;
    GLint copyFilter = 0;    // the copy sampler's filter (0: not set yet)
    GLuint vao = 0;
    GLuint vbo = 0;
    GLuint presentVao = 0;
    GLuint sampler = 0;
    GLuint backFramebuffer = 0;
    GLuint backColor = 0;
    GLuint backDepth = 0;
    GLuint gammaTexture = 0;
    GLuint checkFramebuffer = 0, checkColor = 0, checkDepth = 0;  // gpuSetDamageCheck's second target
    uint16_t gammaShown[3][256] = {};  // the ramp in gammaTexture
    // Since the last present the back buffer was only cleared to a colour (nothing drawn): that
    // frame is shown by clearing the window, with no copy and no shader.
    bool frameIsClear = false;
    uint32_t frameClearColor = 0;
    bool gammaUploaded = false;
    int targetWidth = 0;
    int targetHeight = 0;
    bool dirty = true;
    std::vector<GlPendingBatch> pending;  // the first pendingCount are in use (the rest keep their memory)
    int pendingCount = 0;
    std::vector<GlSnapshot> pendingSnapshots;
    int liveSnapshot = -1;  // the snapshot of the state as it is now (-1: changed since the last one)
    bool liveBakes = false;  // its texture transform is applied to the draws' texture points here
    float bakeMatrix[16] = {};
    std::vector<GpuVertex> incoming;  // the draw being added, as a list
    std::vector<GpuVertex> upload;    // every pending vertex, for one buffer upload
    GlProgram programs[GL_MAX_PROGRAMS];
    int programCount = 0;
    GlProgram* bound = nullptr;  // the program the last batch was drawn with
    GlRecording recordings[2];
    int recording = 0;            // the frame being recorded; the other is the last presented
    bool lastComparable = false;  // the last presented frame can be compared with this one
    bool windowStale = true;      // the window must be shown the frame at the next present
    // The window's surface keeps its pixels between presents (EGL preserved swaps), and the
    // size at which the whole frame was last copied to it (0 x 0: never since it was made).
    bool windowKeepsFrame = false;
    int windowFrameWidth = 0, windowFrameHeight = 0;
    uint16_t rampPresented[3][256] = {};  // the brightness ramp the window was last shown through
    uint32_t versions = 0;        // the last texture version handed out
    GLint pBack, pGamma, pBox;
    GlStillCache still;
    // Present through the window's surface (a window made without OpenGL, where Mesa draws in
    // software): the context lives on a hidden window of its own, a present draws into
    // windowFramebuffer as it would into the window and copies the rectangles it changed into
    // the surface, which SDL sends to the X server as they are.
    bool surfacePresent = false;
    SDL_Window* contextWindow = nullptr;  // the window the context is made on (the window itself without surfacePresent)
    GLuint windowFramebuffer = 0, windowColor = 0;
    int windowColorWidth = 0, windowColorHeight = 0;
    bool surfaceFailed = false;           // said once on standard error
    std::vector<uint8_t> surfaceRows;     // a row being turned over (a converted rectangle's rows)
    GlFamily families[GL_FAMILIES];
    int familyCount = 0;
    int liveLayer = -1;     // the live snapshot's family layer (-1: a plain texture or none)
    float liveMvp[16] = {};  // the live snapshot's world x view x projection
};

GlDevice gl;

void releaseStillCache();
// The family a snapshot's texture handle names, or null.
GlFamily* familyOf(int handle)
{
    int f = handle - GL_FAMILY_HANDLE;
    return f >= 0 && f < gl.familyCount ? &gl.families[f] : nullptr;
}

// Mip levels of a GL texture of `levels` levels (its highest level is levels - 1, at most the full chain).
int familyLevels(int width, int height, int levels)
{
    int n = 1;
    for (int side = width > height ? width : height; side > 1; side >>= 1) ++n;
    return levels < 1 ? 1 : levels < n ? levels : n;
}

// Copies into the family's array every member whose texels changed since they were copied: level
// by level, as GL stores them (RGBA8), so the layer holds the same texels.
void syncFamily(GlFamily& f)
{
    if (!f.array) {
        glGenTextures(1, &f.array);
        glBindTexture(GL_TEXTURE_2D_ARRAY, f.array);
        glTexParameteri(GL_TEXTURE_2D_ARRAY, GL_TEXTURE_SWIZZLE_A, f.format == GpuFormat::X8R8G8B8 ? GL_ONE : GL_ALPHA);
        glTexParameteri(GL_TEXTURE_2D_ARRAY, GL_TEXTURE_MAX_LEVEL, f.levels - 1);
        f.layers = 0;
    }
    if (f.layers < f.members) {
        f.layers = f.members <= 4 ? 4 : f.members <= 8 ? 8 : GL_FAMILY_LAYERS;
        glBindTexture(GL_TEXTURE_2D_ARRAY, f.array);
        for (int l = 0, w = f.width, h = f.height; l < f.levels; ++l, w = w > 1 ? w / 2 : 1, h = h > 1 ? h / 2 : 1)
            glTexImage3D(GL_TEXTURE_2D_ARRAY, l, GL_RGBA8, w, h, f.layers, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
        for (int i = 0; i < GL_FAMILY_LAYERS; ++i) f.copied[i] = 0;
    }
    std::vector<uint8_t> texels;
    for (int i = 0; i < f.members; ++i) {
        GpuTextureSlot* t = gpuTextureSlot(f.textures[i]);
        if (!t || t->glTexture != f.names[i] || t->version == f.copied[i]) continue;
        texels.resize(static_cast<size_t>(f.width) * f.height * 4);
        glActiveTexture(GL_TEXTURE0);
        for (int l = 0, w = f.width, h = f.height; l < f.levels; ++l, w = w > 1 ? w / 2 : 1, h = h > 1 ? h / 2 : 1) {
            glBindTexture(GL_TEXTURE_2D, t->glTexture);
            glPixelStorei(GL_PACK_ALIGNMENT, 4);
            glGetTexImage(GL_TEXTURE_2D, l, GL_BGRA, GL_UNSIGNED_BYTE, texels.data());
            glBindTexture(GL_TEXTURE_2D_ARRAY, f.array);
            glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
            glTexSubImage3D(GL_TEXTURE_2D_ARRAY, l, 0, 0, i, w, h, 1, GL_BGRA, GL_UNSIGNED_BYTE, texels.data());
        }
        f.copied[i] = t->version;
    }
}

// The shaders' switches (declared in front of them, as uniforms or as constants).
const char* kVertexSwitches[] = {"uTexCount", "uTexGen", "uLighting", "uPointScale"};
const char* kFragmentSwitches[] = {"uHasTexture", "uColorOp", "uAlphaOp", "uAlphaTest", "uAlphaFunc", "uPointSprite",
                                   "uTexArray"};

const char* kVertexShader = R"(
layout(location = 0) in vec3 aPos;
layout(location = 1) in vec3 aNormal;
layout(location = 2) in vec4 aColor;
layout(location = 3) in vec2 aUV;
layout(location = 4) in float aPointSize;
uniform mat4 uWorld, uView, uProj, uTex;
uniform int uLightCount;
uniform vec2 uPixel;
uniform vec4 uAmbient, uMatDiffuse, uMatAmbient, uMatEmissive;
uniform vec3 uLightDir[4];
uniform vec4 uLightColor[4];
uniform float uPointSize, uPointMin, uViewportH;
uniform vec3 uPointAbc;
out vec4 vColor;
out vec2 vUV;
flat out float vLayer;
void main() {
    vLayer = aNormal.x;  // the layer of a texture family (its draws are unlit, without generated coordinates)
    vec4 worldPos = uWorld * vec4(aPos, 1.0);
    vec4 viewPos = uView * worldPos;
    vec4 clip = uProj * viewPos;
    clip.y = -clip.y;
    clip.xy += uPixel * clip.w;
    clip.z = 2.0 * clip.z - clip.w;
    gl_Position = clip;
    vec4 col = aColor.zyxw;
    if (uLighting != 0) {
        vec3 n = normalize((uWorld * vec4(aNormal, 0.0)).xyz + vec3(1e-20));
        vec3 lit = uMatEmissive.rgb + uAmbient.rgb * uMatAmbient.rgb;
        for (int i = 0; i < uLightCount; ++i)
            lit += max(dot(n, -normalize(uLightDir[i])), 0.0) * uLightColor[i].rgb * uMatDiffuse.rgb * col.rgb;
        col = vec4(clamp(lit, 0.0, 1.0), uMatDiffuse.a * col.a);
    }
    vColor = col;
    vec4 tc = vec4(aUV, 1.0, 0.0);
    if (uTexGen != 0) {
        vec3 n = normalize((uView * (uWorld * vec4(aNormal, 0.0))).xyz + vec3(1e-20));
        if (uTexGen == 2) {
            vec3 e = normalize(viewPos.xyz);
            n = e - 2.0 * dot(n, e) * n;
        }
        tc = vec4(n, 1.0);
    }
    if (uTexCount != 0) tc = uTex * tc;
    vUV = tc.xy;
    float ps = aPointSize > 0.0 ? aPointSize : uPointSize;
    if (uPointScale != 0) {
        float d = length(viewPos.xyz);
        ps = uViewportH * ps * sqrt(1.0 / max(uPointAbc.x + uPointAbc.y * d + uPointAbc.z * d * d, 1e-6));
    }
    gl_PointSize = max(ps, uPointMin);
}
)";

const char* kFragmentShader = R"(
in vec4 vColor;
in vec2 vUV;
flat in float vLayer;
uniform sampler2D uSampler;
uniform sampler2DArray uLayers;
uniform float uAlphaRef;
out vec4 fragColor;
vec4 combine(int op, vec4 t, vec4 d) {
    if (op == 2) return t;
    if (op == 3) return d;
    if (op == 4) return t * d;
    if (op == 5) return min(t * d * 2.0, 1.0);
    if (op == 6) return min(t * d * 4.0, 1.0);
    if (op == 7) return min(t + d, 1.0);
    return d;
}
void main() {
    vec2 uv = uPointSprite != 0 ? gl_PointCoord : vUV;
    vec4 t = uHasTexture == 0 ? vec4(1.0) : uTexArray != 0 ? texture(uLayers, vec3(uv, vLayer)) : texture(uSampler, uv);
    vec4 c = vec4(combine(uColorOp, t, vColor).rgb, combine(uAlphaOp, t, vColor).a);
    if (uAlphaTest != 0) {
        float a = floor(c.a * 255.0 + 0.5);
        bool pass = true;
        if (uAlphaFunc == 1) pass = false;
        else if (uAlphaFunc == 2) pass = a < uAlphaRef;
        else if (uAlphaFunc == 3) pass = a == uAlphaRef;
        else if (uAlphaFunc == 4) pass = a <= uAlphaRef;
        else if (uAlphaFunc == 5) pass = a > uAlphaRef;
        else if (uAlphaFunc == 6) pass = a != uAlphaRef;
        else if (uAlphaFunc == 7) pass = a >= uAlphaRef;
        if (!pass) discard;
    }
    fragColor = c;
}
)";

const char* kPresentVertex = R"(#version 330 core
out vec2 vUV;
void main() {
    vec2 p = vec2(gl_VertexID == 1 ? 3.0 : -1.0, gl_VertexID == 2 ? 3.0 : -1.0);
    vUV = vec2(p.x * 0.5 + 0.5, 0.5 - p.y * 0.5);
    gl_Position = vec4(p, 0.0, 1.0);
}
)";

const char* kPresentFragment = R"(#version 330 core
in vec2 vUV;
uniform sampler2D uBack;
uniform usampler2D uGamma;
uniform vec4 uBox;
out vec4 fragColor;
// The frame's point under this window pixel, from the pixel's own position (uBox: the
// letterbox's x, y, width, height): the same in a whole copy and in one under a scissor,
// where an interpolated coordinate can differ in its last bit and round a texel the other way.
vec2 backPoint() { return vec2((gl_FragCoord.x - uBox.x) / uBox.z, 1.0 - (gl_FragCoord.y - uBox.y) / uBox.w); }
void main() {
    vec4 c = texture(uBack, backPoint());
    ivec3 i = ivec3(floor(c.rgb * 255.0 + 0.5));
    // the display uses the high byte of each ramp entry
    fragColor = vec4(float(texelFetch(uGamma, ivec2(i.r, 0), 0).r >> 8u) / 255.0,
                     float(texelFetch(uGamma, ivec2(i.g, 1), 0).r >> 8u) / 255.0,
                     float(texelFetch(uGamma, ivec2(i.b, 2), 0).r >> 8u) / 255.0, 1.0);
}
)";

// The window's copy of the frame where the ramp is neutral. A program of ours rather than
// glBlitFramebuffer: Mesa keeps the machine code of programs in its shader cache between runs,
// while the blitter's own shaders are compiled again at every start (on llvmpipe about 70 ms
// before the first frame shows). Filtered as the blit was: linear where the frame is scaled,
// texel for texel where it is not.
const char* kCopyFragment = R"(#version 330 core
in vec2 vUV;
uniform sampler2D uBack;
uniform vec4 uBox;
out vec4 fragColor;
// The frame's point under this window pixel, from the pixel's own position (uBox: the
// letterbox's x, y, width, height): the same in a whole copy and in one under a scissor,
// where an interpolated coordinate can differ in its last bit and round a texel the other way.
vec2 backPoint() { return vec2((gl_FragCoord.x - uBox.x) / uBox.z, 1.0 - (gl_FragCoord.y - uBox.y) / uBox.w); }
void main() {
    fragColor = vec4(texture(uBack, backPoint()).rgb, 1.0);
}
)";

GLuint compile(GLenum type, const char* src)
{
    GLuint s = glCreateShader(type);
    glShaderSource(s, 1, &src, nullptr);
    glCompileShader(s);
    GLint ok = 0;
    glGetShaderiv(s, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[1024];
        glGetShaderInfoLog(s, sizeof log, nullptr, log);
        std::fprintf(stderr, "shader: %s\n", log);
        glDeleteShader(s);
        return 0;
    }
    return s;
}

GLuint link(const char* vs, const char* fs)
{
    GLuint v = compile(GL_VERTEX_SHADER, vs);
    GLuint f = compile(GL_FRAGMENT_SHADER, fs);
    if (!v || !f) return 0;
    GLuint p = glCreateProgram();
    glAttachShader(p, v);
    glAttachShader(p, f);
    glLinkProgram(p);
    glDeleteShader(v);
    glDeleteShader(f);
    GLint ok = 0;
    glGetProgramiv(p, GL_LINK_STATUS, &ok);
    if (!ok) {
        glDeleteProgram(p);
        return 0;
    }
    return p;
}

GLenum blendFactor(uint32_t b)
{
    switch (b) {
    case BlendZero: return GL_ZERO;
    case BlendOne: return GL_ONE;
    case BlendSrcColor: return GL_SRC_COLOR;
    case BlendInvSrcColor: return GL_ONE_MINUS_SRC_COLOR;
    case BlendSrcAlpha: return GL_SRC_ALPHA;
    case BlendInvSrcAlpha: return GL_ONE_MINUS_SRC_ALPHA;
    case BlendDestAlpha: return GL_DST_ALPHA;
    case BlendInvDestAlpha: return GL_ONE_MINUS_DST_ALPHA;
    case BlendDestColor: return GL_DST_COLOR;
    case BlendInvDestColor: return GL_ONE_MINUS_DST_COLOR;
    }
    return GL_ONE;
}

GLenum compareFunc(uint32_t c)
{
    switch (c) {
    case CmpNever: return GL_NEVER;
    case CmpLess: return GL_LESS;
    case CmpEqual: return GL_EQUAL;
    case CmpLessEqual: return GL_LEQUAL;
    case CmpGreater: return GL_GREATER;
    case CmpNotEqual: return GL_NOTEQUAL;
    case CmpGreaterEqual: return GL_GEQUAL;
    }
    return GL_ALWAYS;
}

GLint wrapMode(uint32_t a)
{
    if (a == AddressClamp) return GL_CLAMP_TO_EDGE;
    if (a == AddressMirror) return GL_MIRRORED_REPEAT;
    return GL_REPEAT;
}

float bitsFloat(uint32_t u)
{
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}

uint32_t rs(GpuRenderState s) { return gpu.renderStates[static_cast<int>(s)]; }
uint32_t ts(GpuTextureStageState s) { return gpu.stageStates[static_cast<int>(s)]; }

void colorVec(uint32_t c, float* out)
{
    out[0] = ((c >> 16) & 255) / 255.0f;
    out[1] = ((c >> 8) & 255) / 255.0f;
    out[2] = (c & 255) / 255.0f;
    out[3] = ((c >> 24) & 255) / 255.0f;
}

void bindTarget(int texture)
{
    GpuTextureSlot* t = texture ? gpuTextureSlot(texture) : nullptr;
    if (t) {
        glBindFramebuffer(GL_FRAMEBUFFER, t->glFramebuffer);
        gl.targetWidth = t->width;
        gl.targetHeight = t->height;
    } else {
        glBindFramebuffer(GL_FRAMEBUFFER, gl.backFramebuffer);
        gl.targetWidth = gpu.params.backBufferWidth;
        gl.targetHeight = gpu.params.backBufferHeight;
    }
    glViewport(0, 0, gl.targetWidth, gl.targetHeight);
    glDisable(GL_SCISSOR_TEST);
    gl.dirty = true;
}

// Sends the fixed-function state to GL; called before a batch is drawn when anything changed.
void applyState(const GlProgram& g)
{
    glUseProgram(g.program);
    gl.bound = const_cast<GlProgram*>(&g);
    if (rs(GpuRenderState::ZEnable)) {
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(compareFunc(rs(GpuRenderState::ZFunc)));
    } else {
        glDisable(GL_DEPTH_TEST);
    }
    glDepthMask(rs(GpuRenderState::ZWriteEnable) ? GL_TRUE : GL_FALSE);
    if (rs(GpuRenderState::AlphaBlendEnable)) {
        glEnable(GL_BLEND);
        glBlendFunc(blendFactor(rs(GpuRenderState::SrcBlend)), blendFactor(rs(GpuRenderState::DestBlend)));
    } else {
        glDisable(GL_BLEND);
    }
    // Rows are stored top first, so GL's window y grows downward as the original screen y does;
    // a triangle that looks clockwise on screen then has a positive area in GL's terms (front,
    // GL_CCW), and the original's counter-clockwise culling removes GL's back faces.
    uint32_t cull = rs(GpuRenderState::CullMode);
    if (cull == CullNone) {
        glDisable(GL_CULL_FACE);
    } else {
        glEnable(GL_CULL_FACE);
        glFrontFace(GL_CCW);
        glCullFace(cull == CullCCW ? GL_BACK : GL_FRONT);
    }
    const float* w = gpu.transforms[static_cast<int>(GpuTransform::World)];
    glUniformMatrix4fv(g.uWorld, 1, GL_FALSE, w);
    glUniformMatrix4fv(g.uView, 1, GL_FALSE, gpu.transforms[static_cast<int>(GpuTransform::View)]);
    glUniformMatrix4fv(g.uProj, 1, GL_FALSE, gpu.transforms[static_cast<int>(GpuTransform::Projection)]);
    glUniformMatrix4fv(g.uTex, 1, GL_FALSE, gpu.transforms[static_cast<int>(GpuTransform::Texture0)]);
    glUniform1i(g.uTexCount, ts(GpuTextureStageState::TextureTransformFlags) != TTFF_DISABLE ? 1 : 0);
    uint32_t tci = ts(GpuTextureStageState::TexCoordIndex) & 0xFFFF0000u;
    glUniform1i(g.uTexGen, tci == TCI_CAMERASPACENORMAL ? 1 : tci == TCI_CAMERASPACEREFLECTIONVECTOR ? 2 : 0);
    glUniform2f(g.uPixel, 1.0f / gl.targetWidth, 1.0f / gl.targetHeight);
    glUniform1i(g.uLighting, rs(GpuRenderState::Lighting) ? 1 : 0);
    float v[4];
    colorVec(rs(GpuRenderState::Ambient), v);
    glUniform4fv(g.uAmbient, 1, v);
    glUniform4fv(g.uMatDiffuse, 1, gpu.material.diffuse);
    glUniform4fv(g.uMatAmbient, 1, gpu.material.ambient);
    glUniform4fv(g.uMatEmissive, 1, gpu.material.emissive);
    float dirs[12] = {}, cols[16] = {};
    int n = 0;
    for (int i = 0; i < GPU_MAX_LIGHTS && n < 4; ++i) {
        if (!gpu.lightOn[i] || gpu.lights[i].type != 3) continue;
        std::memcpy(dirs + n * 3, gpu.lights[i].direction, 12);
        std::memcpy(cols + n * 4, gpu.lights[i].diffuse, 16);
        ++n;
    }
    glUniform3fv(g.uLightDir, 4, dirs);
    glUniform4fv(g.uLightColor, 4, cols);
    glUniform1i(g.uLightCount, n);
    glUniform1f(g.uPointSize, bitsFloat(rs(GpuRenderState::PointSize)));
    glUniform1f(g.uPointMin, bitsFloat(rs(GpuRenderState::PointSizeMin)));
    glUniform1i(g.uPointScale, rs(GpuRenderState::PointScaleEnable) ? 1 : 0);
    glUniform3f(g.uPointAbc, bitsFloat(rs(GpuRenderState::PointScaleA)), bitsFloat(rs(GpuRenderState::PointScaleB)),
                bitsFloat(rs(GpuRenderState::PointScaleC)));
    glUniform1f(g.uViewportH, static_cast<float>(gl.targetHeight));
    GpuTextureSlot* t = gpuTextureSlot(gpu.texture);
    GlFamily* family = familyOf(gpu.texture);
    if (family) syncFamily(*family);
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D_ARRAY, family ? family->array : 0);
    glBindSampler(1, gl.sampler);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, t ? t->glTexture : 0);
    glUniform1i(g.uHasTexture, t || family ? 1 : 0);
    glUniform1i(g.uTexArray, family ? 1 : 0);
    glUniform1i(g.uColorOp, static_cast<int>(ts(GpuTextureStageState::ColorOp)));
    glUniform1i(g.uAlphaOp, static_cast<int>(ts(GpuTextureStageState::AlphaOp)));
    glUniform1i(g.uAlphaTest, rs(GpuRenderState::AlphaTestEnable) ? 1 : 0);
    glUniform1i(g.uAlphaFunc, static_cast<int>(rs(GpuRenderState::AlphaFunc)));
    glUniform1f(g.uAlphaRef, static_cast<float>(rs(GpuRenderState::AlphaRef) & 255));
    uint32_t mag = ts(GpuTextureStageState::MagFilter), min = ts(GpuTextureStageState::MinFilter),
             mip = ts(GpuTextureStageState::MipFilter);
    glSamplerParameteri(gl.sampler, GL_TEXTURE_MAG_FILTER, mag == FilterLinear ? GL_LINEAR : GL_NEAREST);
    GLint minMode;
    if (mip == FilterNone)
        minMode = min == FilterLinear ? GL_LINEAR : GL_NEAREST;
    else if (mip == FilterLinear)
        minMode = min == FilterLinear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
    else
        minMode = min == FilterLinear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    glSamplerParameteri(gl.sampler, GL_TEXTURE_MIN_FILTER, minMode);
    glSamplerParameteri(gl.sampler, GL_TEXTURE_WRAP_S, wrapMode(ts(GpuTextureStageState::AddressU)));
    glSamplerParameteri(gl.sampler, GL_TEXTURE_WRAP_T, wrapMode(ts(GpuTextureStageState::AddressV)));
    glBindSampler(0, gl.sampler);
    gl.dirty = false;
}

void locate(GlProgram& g)
{
    GLuint p = g.program;
    g.uWorld = glGetUniformLocation(p, "uWorld");
    g.uView = glGetUniformLocation(p, "uView");
    g.uProj = glGetUniformLocation(p, "uProj");
    g.uTex = glGetUniformLocation(p, "uTex");
    g.uTexCount = glGetUniformLocation(p, "uTexCount");
    g.uTexGen = glGetUniformLocation(p, "uTexGen");
    g.uPixel = glGetUniformLocation(p, "uPixel");
    g.uLighting = glGetUniformLocation(p, "uLighting");
    g.uAmbient = glGetUniformLocation(p, "uAmbient");
    g.uMatDiffuse = glGetUniformLocation(p, "uMatDiffuse");
    g.uMatAmbient = glGetUniformLocation(p, "uMatAmbient");
    g.uMatEmissive = glGetUniformLocation(p, "uMatEmissive");
    g.uLightDir = glGetUniformLocation(p, "uLightDir");
    g.uLightColor = glGetUniformLocation(p, "uLightColor");
    g.uLightCount = glGetUniformLocation(p, "uLightCount");
    g.uPointSize = glGetUniformLocation(p, "uPointSize");
    g.uPointMin = glGetUniformLocation(p, "uPointMin");
    g.uPointScale = glGetUniformLocation(p, "uPointScale");
    g.uPointAbc = glGetUniformLocation(p, "uPointAbc");
    g.uViewportH = glGetUniformLocation(p, "uViewportH");
    g.uPointSprite = glGetUniformLocation(p, "uPointSprite");
    g.uHasTexture = glGetUniformLocation(p, "uHasTexture");
    g.uColorOp = glGetUniformLocation(p, "uColorOp");
    g.uAlphaOp = glGetUniformLocation(p, "uAlphaOp");
    g.uAlphaTest = glGetUniformLocation(p, "uAlphaTest");
    g.uAlphaFunc = glGetUniformLocation(p, "uAlphaFunc");
    g.uAlphaRef = glGetUniformLocation(p, "uAlphaRef");
    g.uSampler = glGetUniformLocation(p, "uSampler");
    g.uTexArray = glGetUniformLocation(p, "uTexArray");
    g.uLayers = glGetUniformLocation(p, "uLayers");
}

// A texture stage operation as the shader's combine() tells them apart (anything else is the
// diffuse colour, as "disable" gives it).
uint32_t combineOp(uint32_t op) { return op >= 2 && op <= 7 ? op : 1; }

// The switches the state selects, packed: texture transform (1 bit), texture coordinate
// generation (2), lighting (1), point scale (1), texture (1), colour and alpha operation (3 + 3),
// alpha test (1), its function (4), point sprite (1), texture family (1).
uint32_t programKey(int batchKind)
{
    uint32_t tci = ts(GpuTextureStageState::TexCoordIndex) & 0xFFFF0000u;
    uint32_t texGen = tci == TCI_CAMERASPACENORMAL ? 1 : tci == TCI_CAMERASPACEREFLECTIONVECTOR ? 2 : 0;
    uint32_t alphaTest = rs(GpuRenderState::AlphaTestEnable) ? 1 : 0;
    uint32_t alphaFunc = alphaTest ? rs(GpuRenderState::AlphaFunc) : 0;
    if (alphaFunc > 8) alphaFunc = 8;  // the shader passes every unknown function, as "always"
    uint32_t key = ts(GpuTextureStageState::TextureTransformFlags) != TTFF_DISABLE ? 1 : 0;
    key |= texGen << 1;
    key |= (rs(GpuRenderState::Lighting) ? 1u : 0u) << 3;
    key |= (rs(GpuRenderState::PointScaleEnable) ? 1u : 0u) << 4;
    bool family = familyOf(gpu.texture) != nullptr;
    key |= (gpuTextureSlot(gpu.texture) || family ? 1u : 0u) << 5;
    key |= combineOp(ts(GpuTextureStageState::ColorOp)) << 6;
    key |= combineOp(ts(GpuTextureStageState::AlphaOp)) << 9;
    key |= alphaTest << 12;
    key |= alphaFunc << 13;
    key |= (batchKind == 3 && rs(GpuRenderState::PointSpriteEnable) ? 1u : 0u) << 17;
    key |= (family ? 1u : 0u) << 18;
    return key;
}

// Compiles the program for a key (GL_GENERAL_PROGRAM: the switches stay uniforms); false when
// GL refuses it.
bool makeProgram(GlProgram& g, uint32_t key)
{
    std::string vs = "#version 330 core\n", fs = vs;
    const int vertexValues[4] = {static_cast<int>(key & 1), static_cast<int>((key >> 1) & 3),
                                 static_cast<int>((key >> 3) & 1), static_cast<int>((key >> 4) & 1)};
    const int fragmentValues[7] = {static_cast<int>((key >> 5) & 1), static_cast<int>((key >> 6) & 7),
                                   static_cast<int>((key >> 9) & 7), static_cast<int>((key >> 12) & 1),
                                   static_cast<int>((key >> 13) & 15), static_cast<int>((key >> 17) & 1),
                                   static_cast<int>((key >> 18) & 1)};
    for (int i = 0; i < 4; ++i)
        vs += key == GL_GENERAL_PROGRAM ? std::string("uniform int ") + kVertexSwitches[i] + ";\n"
                                        : std::string("const int ") + kVertexSwitches[i] + " = " +
                                              std::to_string(vertexValues[i]) + ";\n";
    for (int i = 0; i < 7; ++i)
        fs += key == GL_GENERAL_PROGRAM ? std::string("uniform int ") + kFragmentSwitches[i] + ";\n"
                                        : std::string("const int ") + kFragmentSwitches[i] + " = " +
                                              std::to_string(fragmentValues[i]) + ";\n";
    vs += kVertexShader;
    fs += kFragmentShader;
    g = GlProgram();
    g.key = key;
    g.program = link(vs.c_str(), fs.c_str());
    if (!g.program) return false;
    locate(g);
    glUseProgram(g.program);
    glUniform1i(g.uSampler, 0);
    glUniform1i(g.uLayers, 1);
    glUniform1i(g.uPointSprite, 0);
    gl.bound = nullptr;
    return true;
}

// The program for the current state: a specialised one, made on first use, or the general one
// (always programs[0]) when the table is full or GL refused the specialised one.
GlProgram& programFor(int batchKind)
{
    if (!gpu.specialisedPrograms) return gl.programs[0];
    uint32_t key = programKey(batchKind);
    for (int i = 1; i < gl.programCount; ++i)
        if (gl.programs[i].key == key) return gl.programs[i].program ? gl.programs[i] : gl.programs[0];
    if (gl.programCount >= GL_MAX_PROGRAMS) return gl.programs[0];
    GlProgram& g = gl.programs[gl.programCount++];
    if (!makeProgram(g, key)) {
        g.program = 0;  // remembered as refused, so it is not compiled again
        g.key = key;
        return gl.programs[0];
    }
    return g;
}

// ---- recording the back buffer's frame (damage tracking) ----

void takeSnapshot(GlSnapshot& out)
{
    std::memset(&out, 0, sizeof out);  // padding too, for the hash
    std::memcpy(out.renderStates, gpu.renderStates, sizeof out.renderStates);
    std::memcpy(out.stageStates, gpu.stageStates, sizeof out.stageStates);
    std::memcpy(out.transforms, gpu.transforms, sizeof out.transforms);
    out.material = gpu.material;
    std::memcpy(out.lights, gpu.lights, sizeof out.lights);
    for (int i = 0; i < GPU_MAX_LIGHTS; ++i) out.lightOn[i] = gpu.lightOn[i] ? 1 : 0;
    out.texture = gpu.texture;
    GpuTextureSlot* t = gpuTextureSlot(gpu.texture);
    out.textureVersion = t ? t->version : 0;
}

void putSnapshot(const GlSnapshot& in)
{
    std::memcpy(gpu.renderStates, in.renderStates, sizeof in.renderStates);
    std::memcpy(gpu.stageStates, in.stageStates, sizeof in.stageStates);
    std::memcpy(gpu.transforms, in.transforms, sizeof in.transforms);
    gpu.material = in.material;
    std::memcpy(gpu.lights, in.lights, sizeof in.lights);
    for (int i = 0; i < GPU_MAX_LIGHTS; ++i) gpu.lightOn[i] = in.lightOn[i] != 0;
    gpu.texture = in.texture;
}

// Puts a batch's recorded state into GL, with the program for its kind of primitive.
void applyBatchState(const GlSnapshot& snapshot, int batchKind)
{
    putSnapshot(snapshot);
    GlProgram& g = programFor(batchKind);
    applyState(g);
    glUniform1i(g.uPointSprite, batchKind == 3 && rs(GpuRenderState::PointSpriteEnable) ? 1 : 0);
    glBindVertexArray(gl.vao);
}

// v x M for a row-major matrix (the shader's convention).
void transformRow(const float v[4], const float* m, float out[4])
{
    for (int j = 0; j < 4; ++j) out[j] = v[0] * m[j] + v[1] * m[4 + j] + v[2] * m[8 + j] + v[3] * m[12 + j];
}

// The back-buffer pixels a batch can touch: its vertices taken through the shader's transforms
// (`mvp`: world x view x projection of the snapshot, multiplied once per state) to window pixels, widened by two pixels (and by half a point's size); the whole target when a
// vertex lies at or behind the eye, or points grow with distance.
DamageRect batchBox(const GlSnapshot& st, const float* mvp, const GpuVertex* v, int count, int batchKind)
{
    int w = gpu.params.backBufferWidth, h = gpu.params.backBufferHeight;
    DamageRect whole = {0, 0, w, h};
    float margin = 2.0f;
    if (batchKind == 3) {
        if (st.renderStates[static_cast<int>(GpuRenderState::PointScaleEnable)]) return whole;
        float stateSize = bitsFloat(st.renderStates[static_cast<int>(GpuRenderState::PointSize)]);
        float minSize = bitsFloat(st.renderStates[static_cast<int>(GpuRenderState::PointSizeMin)]);
        float largest = stateSize > minSize ? stateSize : minSize;
        for (int i = 0; i < count; ++i)
            if (v[i].pointSize > largest) largest = v[i].pointSize;
        if (!(largest < 4096.0f)) return whole;
        margin += largest * 0.5f;
    }
    float x0 = 1e30f, y0 = 1e30f, x1 = -1e30f, y1 = -1e30f;
    for (int i = 0; i < count; ++i) {
        float p[4] = {v[i].pos[0], v[i].pos[1], v[i].pos[2], 1.0f}, c[4];
        transformRow(p, mvp, c);
        if (!(c[3] > 1e-6f)) return whole;
        float nx = c[0] / c[3] + 1.0f / float(w), ny = -c[1] / c[3] + 1.0f / float(h);
        float px = (nx + 1.0f) * 0.5f * float(w), py = (ny + 1.0f) * 0.5f * float(h);
        if (!(px > -1e6f && px < 1e6f && py > -1e6f && py < 1e6f)) return whole;
        if (px < x0) x0 = px;
        if (px > x1) x1 = px;
        if (py < y0) y0 = py;
        if (py > y1) y1 = py;
    }
    if (count <= 0) return {0, 0, 0, 0};
    DamageRect r = {static_cast<int>(std::floor(x0 - margin)), static_cast<int>(std::floor(y0 - margin)),
                    static_cast<int>(std::ceil(x1 + margin)), static_cast<int>(std::ceil(y1 + margin))};
    if (r.x0 < 0) r.x0 = 0;
    if (r.y0 < 0) r.y0 = 0;
    if (r.x1 > w) r.x1 = w;
    if (r.y1 > h) r.y1 = h;
    return r;
}

void clearNow(uint32_t flags, uint32_t color, float z, uint32_t stencil)
{
    GLbitfield bits = 0;
    if (flags & CLEAR_TARGET) {
        float c[4];
        colorVec(color, c);
        glClearColor(c[0], c[1], c[2], c[3]);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        bits |= GL_COLOR_BUFFER_BIT;
    }
    if (flags & CLEAR_ZBUFFER) {
        glClearDepth(z);
        glDepthMask(GL_TRUE);
        bits |= GL_DEPTH_BUFFER_BIT;
    }
    if (flags & CLEAR_STENCIL) {
        glClearStencil(static_cast<GLint>(stencil));
        glStencilMask(0xFF);
        bits |= GL_STENCIL_BUFFER_BIT;
    }
    glClear(bits);
    gl.dirty = true;
}

GLenum modeOf(int batchKind) { return batchKind == 1 ? GL_TRIANGLES : batchKind == 2 ? GL_LINES : GL_POINTS; }

GlRecording& current() { return gl.recordings[gl.recording]; }

// Draws of the back buffer are recorded while damage tracking is on and nothing has yet needed
// this frame's pixels.
bool recordingOn() { return gpu.damageTracking && gpu.renderTarget == 0 && !current().drawn; }

// Moves a pending batch into the frame's recording; `mapped` gives each pending snapshot's index in
// the recording (-1: not there yet).
void recordPending(const GlPendingBatch& b, std::vector<int>& mapped)
{
    GlRecording& r = current();
    int& at = mapped[static_cast<size_t>(b.snapshot)];
    if (at < 0) {
        r.snapshots.push_back(gl.pendingSnapshots[static_cast<size_t>(b.snapshot)]);
        r.snapshotHashes.push_back(damageHash(&r.snapshots.back(), sizeof(GlSnapshot), 0));
        at = static_cast<int>(r.snapshots.size()) - 1;
    }
    const GlSnapshot& st = r.snapshots[static_cast<size_t>(at)];
    uint64_t stateHash = r.snapshotHashes[static_cast<size_t>(at)];
    if (st.renderStates[static_cast<int>(GpuRenderState::ZEnable)] ||
        st.renderStates[static_cast<int>(GpuRenderState::ZWriteEnable)])
        if (!r.depthCleared) r.comparable = false;
    if (!r.colourCleared) r.comparable = false;
    GlCommand c = {};
    c.batchKind = b.batchKind;
    c.snapshot = at;
    c.first = static_cast<int>(r.vertices.size());
    c.count = static_cast<int>(b.vertices.size());
    c.firstItem = static_cast<int>(r.items.size());
    r.vertices.insert(r.vertices.end(), b.vertices.begin(), b.vertices.end());
    // An item for each of the front's draws in the batch, so that one quad moving damages its
    // own place rather than that of every quad batched with it.
    size_t draws = b.drawStarts.size();
    for (size_t i = 0; i < draws; ++i) {
        int from = b.drawStarts[i];
        int to = i + 1 < draws ? b.drawStarts[i + 1] : c.count;
        if (to <= from) continue;
        uint64_t hash = damageHash(b.vertices.data() + from, static_cast<size_t>(to - from) * sizeof(GpuVertex), stateHash);
        hash = damageHash(&c.batchKind, sizeof c.batchKind, hash);
        r.items.push_back({hash, b.boxes[i]});
    }
    c.box = b.box;
    r.commands.push_back(c);
}

void recordClear(uint32_t flags, uint32_t color, float z, uint32_t stencil)
{
    GlRecording& r = current();
    GlCommand c = {};
    c.clear = true;
    c.clearFlags = flags;
    c.clearColor = color;
    c.clearZ = z;
    c.clearStencil = stencil;
    if (flags & CLEAR_TARGET) r.colourCleared = true;
    if (flags & CLEAR_ZBUFFER) r.depthCleared = true;
    uint32_t words[4] = {flags, color, stencil, 0};
    std::memcpy(&words[3], &z, 4);
    c.box = {0, 0, gpu.params.backBufferWidth, gpu.params.backBufferHeight};
    c.firstItem = static_cast<int>(r.items.size());
    r.commands.push_back(c);
    r.items.push_back({damageHash(words, sizeof words, 0x5151), c.box});
}

// The recording's vertices into the device's buffer, before its commands are drawn.
void uploadRecording(const GlRecording& r)
{
    glBindVertexArray(gl.vao);
    glBindBuffer(GL_ARRAY_BUFFER, gl.vbo);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(r.vertices.size() * sizeof(GpuVertex)), r.vertices.data(),
                 GL_STREAM_DRAW);
}

int64_t rectArea(const DamageRect& r) { return damageEmpty(r) ? 0 : int64_t(r.x1 - r.x0) * (r.y1 - r.y0); }

DamageRect rectMeet(const DamageRect& a, const DamageRect& b)
{
    return {a.x0 > b.x0 ? a.x0 : b.x0, a.y0 > b.y0 ? a.y0 : b.y0, a.x1 < b.x1 ? a.x1 : b.x1, a.y1 < b.y1 ? a.y1 : b.y1};
}

// Draws the recording's commands [from, to) into the bound framebuffer (uploaded already), under
// the scissor of `rect` (null: everywhere), each only where its box meets the rectangle.
void replayCommands(const GlRecording& r, int from, int to, const DamageRect* rect)
{
    if (rect) {
        glEnable(GL_SCISSOR_TEST);
        glScissor(rect->x0, rect->y0, rect->x1 - rect->x0, rect->y1 - rect->y0);
    } else {
        glDisable(GL_SCISSOR_TEST);
    }
    int applied = -1, appliedKind = 0;
    for (int i = from; i < to; ++i) {
        const GlCommand& c = r.commands[static_cast<size_t>(i)];
        if (rect && !damageIntersects(c.box, *rect)) continue;
        gpu.stats.coveredPixels += rectArea(rect ? rectMeet(c.box, *rect) : c.box);
        if (c.clear) {
            clearNow(c.clearFlags, c.clearColor, c.clearZ, c.clearStencil);
            applied = -1;
            continue;
        }
        if (c.snapshot != applied || c.batchKind != appliedKind || gl.dirty) {
            applyBatchState(r.snapshots[static_cast<size_t>(c.snapshot)], c.batchKind);
            applied = c.snapshot;
            appliedKind = c.batchKind;
        }
        glDrawArrays(modeOf(c.batchKind), c.first, c.count);
    }
}

// Draws a recording into the back buffer: within the damage's rectangles, or all of it (null).
void replay(GlRecording& r, const Damage* damage, GLuint framebuffer = 0)
{
    if (r.commands.empty()) return;
    GlSnapshot live;
    takeSnapshot(live);
    bindTarget(0);
    if (framebuffer) glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    uploadRecording(r);
    int n = static_cast<int>(r.commands.size());
    if (!damage) replayCommands(r, 0, n, nullptr);
    else
        for (int p = 0; p < damage->count; ++p) replayCommands(r, 0, n, &damage->rects[p]);
    putSnapshot(live);
    bindTarget(gpu.renderTarget);  // the scissor off again, the state marked for sending
}

void restartRecording()
{
    GlRecording& r = current();
    r.commands.clear();
    r.items.clear();
    r.vertices.clear();
    r.snapshots.clear();
    r.snapshotHashes.clear();
    r.drawn = false;
    r.colourCleared = r.depthCleared = false;
    r.comparable = true;
}

// Something needs this frame's pixels before its present (a read-back, a render target, a
// texture the recorded draws use changing or going): what was recorded is drawn now, whole,
// and the rest of the frame is drawn as it comes. The next frame is drawn whole.
void drawRecordedNow()
{
    GlRecording& r = current();
    if (r.drawn || r.commands.empty()) return;
    replay(r, nullptr);
    r.drawn = true;
    r.comparable = false;
}

GLenum depthInternal(GpuFormat f)
{
    if (f == GpuFormat::D16 || f == GpuFormat::D16Lockable) return GL_DEPTH_COMPONENT16;
    if (f == GpuFormat::D24X8) return GL_DEPTH_COMPONENT24;
    return GL_DEPTH24_STENCIL8;
}

bool makeBackBuffer(const GpuPresentParams& p)
{
    if (gl.backFramebuffer) {
        glDeleteFramebuffers(1, &gl.backFramebuffer);
        glDeleteTextures(1, &gl.backColor);
        if (gl.backDepth) glDeleteRenderbuffers(1, &gl.backDepth);
        gl.backFramebuffer = gl.backColor = gl.backDepth = 0;
    }
    gl.frameIsClear = false;
    glGenFramebuffers(1, &gl.backFramebuffer);
    glGenTextures(1, &gl.backColor);
    glBindTexture(GL_TEXTURE_2D, gl.backColor);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, p.backBufferWidth, p.backBufferHeight, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glBindFramebuffer(GL_FRAMEBUFFER, gl.backFramebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, gl.backColor, 0);
    if (p.autoDepthStencil) {
        GLenum depth = depthInternal(p.depthFormat);
        glGenRenderbuffers(1, &gl.backDepth);
        glBindRenderbuffer(GL_RENDERBUFFER, gl.backDepth);
        glRenderbufferStorage(GL_RENDERBUFFER, depth, p.backBufferWidth, p.backBufferHeight);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, depth == GL_DEPTH24_STENCIL8 ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT,
                                  GL_RENDERBUFFER, gl.backDepth);
    }
    return glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
}

void applyWindowMode(const GpuPresentParams& p)
{
    if (!gl.window) return;
    // (Without a window manager the OS layer has placed the window already, without SDL's wait.)
    if (!osWindowPlacedByHand(gl.window)) {
        SDL_SetWindowFullscreen(gl.window, p.windowed ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
        if (p.windowed) SDL_SetWindowPosition(gl.window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    }
    if (gl.surfacePresent) return;  // a surface is not swapped: frame pacing is the loop's alone
    // Present on the vertical blank where the driver offers it: adaptive first (a late frame
    // is shown at once instead of waiting a whole period), then plain; the loop caps the frame
    // rate at the display's refresh rate either way.
    if (SDL_GL_SetSwapInterval(-1) != 0) SDL_GL_SetSwapInterval(1);
}

GpuFormat formatOfSdl(uint32_t f)
{
    return SDL_BITSPERPIXEL(f) == 16 ? GpuFormat::R5G6B5 : GpuFormat::X8R8G8B8;
}

// Asks the window's surface to keep its pixels across swaps, so that a present need only copy
// what changed. EGL offers it as a surface attribute (where the surface's configuration allows
// it, as Mesa's does); GLX has no such promise for the configurations SDL chooses, and there
// every present copies the whole frame.
bool askPreservedSwaps()
{
    if (!epoxy_has_egl()) return false;
    EGLDisplay display = eglGetCurrentDisplay();
    EGLSurface surface = eglGetCurrentSurface(EGL_DRAW);
    if (display == EGL_NO_DISPLAY || surface == EGL_NO_SURFACE || eglGetCurrentContext() == EGL_NO_CONTEXT) return false;
    EGLint behaviour = 0;
    if (eglQuerySurface(display, surface, EGL_SWAP_BEHAVIOR, &behaviour) && behaviour == EGL_BUFFER_PRESERVED) return true;
    if (!eglSurfaceAttrib(display, surface, EGL_SWAP_BEHAVIOR, EGL_BUFFER_PRESERVED)) return false;
    return eglQuerySurface(display, surface, EGL_SWAP_BEHAVIOR, &behaviour) && behaviour == EGL_BUFFER_PRESERVED;
}

// The window pixels (GL's rows, bottom up) a present must copy again for a changed rectangle of
// the back buffer (rows top first), through the letterbox: widened by a texel each way for the
// smooth filter, which reads a texel's neighbours.
DamageRect windowRectOf(const DamageRect& d, const GpuViewport& box, int backWidth, int backHeight)
{
    double sx = double(box.width) / backWidth, sy = double(box.height) / backHeight;
    int x0 = box.x + int(std::floor((d.x0 - 1) * sx)), x1 = box.x + int(std::ceil((d.x1 + 1) * sx));
    int y0 = box.y + box.height - int(std::ceil((d.y1 + 1) * sy));
    int y1 = box.y + box.height - int(std::floor((d.y0 - 1) * sy));
    DamageRect r = {x0 < box.x ? box.x : x0, y0 < box.y ? box.y : y0, x1 > box.x + box.width ? box.x + box.width : x1,
                    y1 > box.y + box.height ? box.y + box.height : y1};
    return r;
}

// A window made without OpenGL is shown through its surface: the context goes on a hidden
// window of its own (never shown, never swapped). False when that window cannot be made.
bool openSurfacePresent()
{
    if (!gl.window || (SDL_GetWindowFlags(gl.window) & SDL_WINDOW_OPENGL)) return true;
    gl.contextWindow = static_cast<SDL_Window*>(gpuCreateHiddenWindow(16, 16));
    if (!gl.contextWindow) {
        std::fprintf(stderr, "OpenGL window: %s\n", SDL_GetError());
        return false;
    }
    gl.surfacePresent = true;
    return true;
}

void closeSurfacePresent()
{
    if (gl.surfacePresent && gl.contextWindow) gpuDestroyHiddenWindow(gl.contextWindow);
    gl.contextWindow = nullptr;
    gl.surfacePresent = false;
}

// The window's surface for this present, and the size a present can fill: the window's (X's
// real size, osWindowPixels) within the surface's. SDL's idea of the size, and so its surface,
// can be larger than the X window (without a window manager a window brought back from full
// screen keeps the desktop's size for SDL); the X server clips what lies outside. Null when SDL
// has no surface for the window.
SDL_Surface* windowSurface(int* w, int* h)
{
    SDL_Surface* s = SDL_GetWindowSurface(gl.window);
    if (!s || !s->pixels) {
        if (!gl.surfaceFailed) std::fprintf(stderr, "window surface: %s\n", SDL_GetError());
        gl.surfaceFailed = true;
        return nullptr;
    }
    if (*w > s->w) *w = s->w;
    if (*h > s->h) *h = s->h;
    return s;
}

// Binds a framebuffer object of the window's size to draw the window's picture into.
bool bindWindowFramebuffer(int w, int h)
{
    if (!gl.windowFramebuffer || w != gl.windowColorWidth || h != gl.windowColorHeight) {
        if (!gl.windowFramebuffer) glGenFramebuffers(1, &gl.windowFramebuffer);
        if (!gl.windowColor) glGenRenderbuffers(1, &gl.windowColor);
        glBindRenderbuffer(GL_RENDERBUFFER, gl.windowColor);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, w, h);
        glBindFramebuffer(GL_FRAMEBUFFER, gl.windowFramebuffer);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, gl.windowColor);
        gl.windowColorWidth = w;
        gl.windowColorHeight = h;
        gl.windowFrameWidth = gl.windowFrameHeight = 0;  // it holds no frame yet
        if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
            gl.windowColorWidth = gl.windowColorHeight = 0;
            return false;
        }
    }
    glBindFramebuffer(GL_FRAMEBUFFER, gl.windowFramebuffer);
    return true;
}

// How glReadPixels writes the surface's pixel format; false where it has no such form (the
// pixels are then read as BGRA and converted).
bool surfaceTransfer(uint32_t format, GLenum* glFormat, GLenum* type, int* bytes)
{
    switch (format) {
    case SDL_PIXELFORMAT_ARGB8888:
    case SDL_PIXELFORMAT_RGB888:
        *glFormat = GL_BGRA, *type = GL_UNSIGNED_INT_8_8_8_8_REV, *bytes = 4;
        return true;
    case SDL_PIXELFORMAT_ABGR8888:
    case SDL_PIXELFORMAT_BGR888:
        *glFormat = GL_RGBA, *type = GL_UNSIGNED_INT_8_8_8_8_REV, *bytes = 4;
        return true;
    case SDL_PIXELFORMAT_RGB565:
        *glFormat = GL_RGB, *type = GL_UNSIGNED_SHORT_5_6_5, *bytes = 2;
        return true;
    default:
        return false;
    }
}

// Copies window rectangles (GL's rows, bottom up) of the window's framebuffer object into the
// surface (rows top down) and has SDL show just those; h is the height the frame was drawn at.
// Where GL writes the surface's format the rows are read straight into the surface and turned
// over in place (no copy of the frame on the side); otherwise through a rectangle's worth of
// BGRA, converted.
void copyToSurface(SDL_Surface* s, const DamageRect* rects, int count, int h)
{
    GLenum format = GL_BGRA, type = GL_UNSIGNED_INT_8_8_8_8_REV;
    int bytes = 4;
    bool direct = surfaceTransfer(s->format->format, &format, &type, &bytes) && s->pitch % bytes == 0;
    if (!direct) format = GL_BGRA, type = GL_UNSIGNED_INT_8_8_8_8_REV, bytes = 4;
    if (SDL_MUSTLOCK(s) && SDL_LockSurface(s) != 0) return;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, gl.windowFramebuffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    if (direct) glPixelStorei(GL_PACK_ROW_LENGTH, s->pitch / bytes);
    SDL_Rect shown[DAMAGE_MAX_RECTS + 1];
    int n = 0;
    for (int i = 0; i < count && n < DAMAGE_MAX_RECTS + 1; ++i) {
        const DamageRect& r = rects[i];
        int rw = r.x1 - r.x0, rh = r.y1 - r.y0;
        if (rw <= 0 || rh <= 0) continue;
        size_t row = size_t(rw) * bytes;
        uint8_t* top = static_cast<uint8_t*>(s->pixels) + size_t(h - r.y1) * s->pitch + size_t(r.x0) * s->format->BytesPerPixel;
        if (direct) {
            glReadPixels(r.x0, r.y0, rw, rh, format, type, top);
            gl.surfaceRows.resize(row);
            for (int y = 0; y < rh / 2; ++y) {
                uint8_t* a = top + size_t(y) * s->pitch;
                uint8_t* b = top + size_t(rh - 1 - y) * s->pitch;
                std::memcpy(gl.surfaceRows.data(), a, row);
                std::memcpy(a, b, row);
                std::memcpy(b, gl.surfaceRows.data(), row);
            }
        } else {
            gl.surfaceRows.resize(row * rh);
            glReadPixels(r.x0, r.y0, rw, rh, format, type, gl.surfaceRows.data());
            for (int y = 0; y < rh; ++y)
                SDL_ConvertPixels(rw, 1, SDL_PIXELFORMAT_ARGB8888, &gl.surfaceRows[size_t(rh - 1 - y) * row], int(row),
                                  s->format->format, top + size_t(y) * s->pitch, s->pitch);
        }
        shown[n++] = {r.x0, h - r.y1, rw, rh};
    }
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    if (SDL_MUSTLOCK(s)) SDL_UnlockSurface(s);
    if (n > 0) SDL_UpdateWindowSurfaceRects(gl.window, shown, n);
}

// What the surface shows in its top left w x h pixels, as BGRA rows top first (gpuCapturePresents).
void captureSurface(SDL_Surface* s, int w, int h)
{
    gpu.presented.resize(size_t(w) * h * 4);
    if (SDL_MUSTLOCK(s) && SDL_LockSurface(s) != 0) return;
    SDL_ConvertPixels(w, h, s->format->format, s->pixels, s->pitch, SDL_PIXELFORMAT_ARGB8888, gpu.presented.data(), w * 4);
    if (SDL_MUSTLOCK(s)) SDL_UnlockSurface(s);
    gpu.presentedWidth = w;
    gpu.presentedHeight = h;
}

}  // namespace

bool glDeviceCreate(const GpuPresentParams& params)
{
    gl = GlDevice();
    gl.window = static_cast<SDL_Window*>(params.window);
    gl.contextWindow = gl.window;
    if (!openSurfacePresent()) return false;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    gl.context = SDL_GL_CreateContext(gl.contextWindow);
    if (!gl.context) {
        std::fprintf(stderr, "OpenGL context: %s\n", SDL_GetError());
        closeSurfacePresent();
        gl.window = nullptr;
        return false;
    }
    osStartupMark("GL context made");
    SDL_GL_MakeCurrent(gl.contextWindow, gl.context);
    if (epoxy_gl_version() < 33) {
        glDeviceRelease();
        return false;
    }
    gl.programCount = 1;
    gl.presentProgram = link(kPresentVertex, kPresentFragment);
    if (!makeProgram(gl.programs[0], GL_GENERAL_PROGRAM) || !gl.presentProgram) {
        glDeviceRelease();
        return false;
    }
    osStartupMark("device programs linked");
    gl.pBack = glGetUniformLocation(gl.presentProgram, "uBack");
    gl.pGamma = glGetUniformLocation(gl.presentProgram, "uGamma");
    gl.pBox = glGetUniformLocation(gl.presentProgram, "uBox");
    glGenVertexArrays(1, &gl.vao);
    glGenVertexArrays(1, &gl.presentVao);
    glGenBuffers(1, &gl.vbo);
    glBindVertexArray(gl.vao);
    glBindBuffer(GL_ARRAY_BUFFER, gl.vbo);
    const GLsizei stride = sizeof(GpuVertex);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(offsetof(GpuVertex, pos)));
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(offsetof(GpuVertex, normal)));
    glEnableVertexAttribArray(2);
    glVertexAttribPointer(2, 4, GL_UNSIGNED_BYTE, GL_TRUE, stride, reinterpret_cast<void*>(offsetof(GpuVertex, color)));
    glEnableVertexAttribArray(3);
    glVertexAttribPointer(3, 2, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(offsetof(GpuVertex, u)));
    glEnableVertexAttribArray(4);
    glVertexAttribPointer(4, 1, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(offsetof(GpuVertex, pointSize)));
    glGenSamplers(1, &gl.sampler);
    glGenTextures(1, &gl.gammaTexture);
    glBindTexture(GL_TEXTURE_2D, gl.gammaTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glEnable(GL_PROGRAM_POINT_SIZE);
    // rows are stored top first, so GL's "lower left" is the picture's top left, where point
    // sprite coordinates start in the original API
    glPointParameteri(GL_POINT_SPRITE_COORD_ORIGIN, GL_LOWER_LEFT);
    if (!makeBackBuffer(params)) {
        glDeviceRelease();
        return false;
    }
    // The window's framebuffer object keeps its pixels like a preserved swap.
    gl.windowKeepsFrame = gl.surfacePresent || askPreservedSwaps();
    bindTarget(0);
    applyWindowMode(params);
    return true;
}

bool glDeviceReset(const GpuPresentParams& params)
{
    if (!gl.context) return false;
    restartRecording();  // the kept frame is gone with the old back buffer
    gl.lastComparable = false;
    gl.windowStale = true;
    if (!makeBackBuffer(params)) return false;
    gpu.params = params;
    bindTarget(0);
    applyWindowMode(params);
    return true;
}

void glDeviceRelease()
{
    if (gl.context) {
        for (int i = 0; i < gl.programCount; ++i)
            if (gl.programs[i].program) glDeleteProgram(gl.programs[i].program);
        if (gl.presentProgram) glDeleteProgram(gl.presentProgram);
        if (gl.copyProgram) glDeleteProgram(gl.copyProgram);
        if (gl.copySampler) glDeleteSamplers(1, &gl.copySampler);
        if (gl.vbo) glDeleteBuffers(1, &gl.vbo);
        if (gl.vao) glDeleteVertexArrays(1, &gl.vao);
        if (gl.presentVao) glDeleteVertexArrays(1, &gl.presentVao);
        if (gl.sampler) glDeleteSamplers(1, &gl.sampler);
        if (gl.gammaTexture) glDeleteTextures(1, &gl.gammaTexture);
        if (gl.backFramebuffer) glDeleteFramebuffers(1, &gl.backFramebuffer);
        if (gl.backColor) glDeleteTextures(1, &gl.backColor);
        if (gl.backDepth) glDeleteRenderbuffers(1, &gl.backDepth);
        if (gl.checkFramebuffer) glDeleteFramebuffers(1, &gl.checkFramebuffer);
        if (gl.checkColor) glDeleteTextures(1, &gl.checkColor);
        if (gl.checkDepth) glDeleteRenderbuffers(1, &gl.checkDepth);
        releaseStillCache();
        if (gl.windowFramebuffer) glDeleteFramebuffers(1, &gl.windowFramebuffer);
        if (gl.windowColor) glDeleteRenderbuffers(1, &gl.windowColor);
        SDL_GL_MakeCurrent(gl.contextWindow, nullptr);
        SDL_GL_DeleteContext(gl.context);
    }
    closeSurfacePresent();
    gl = GlDevice();
}

void glDeviceStateChanged()
{
    gl.dirty = true;
    gl.liveSnapshot = -1;
}

void glDeviceRepaintWindow() { gl.windowStale = true; }

void glDeviceAssumeWindowKeepsFrame() { gl.windowKeepsFrame = true; }

void glDeviceDrawRecorded() { drawRecordedNow(); }

void glDeviceFlush()
{
    if (gl.pendingCount == 0 || !gl.context) return;
    if (gpu.renderTarget == 0) gl.frameIsClear = false;
    if (recordingOn()) {
        std::vector<int> mapped(gl.pendingSnapshots.size(), -1);
        for (int i = 0; i < gl.pendingCount; ++i) recordPending(gl.pending[static_cast<size_t>(i)], mapped);
        gpu.stats.drawCalls += gl.pendingCount;
    } else {
        gl.upload.clear();
        for (int i = 0; i < gl.pendingCount; ++i) {
            const GlPendingBatch& b = gl.pending[static_cast<size_t>(i)];
            gl.upload.insert(gl.upload.end(), b.vertices.begin(), b.vertices.end());
        }
        GlSnapshot live;
        takeSnapshot(live);
        glBindVertexArray(gl.vao);
        glBindBuffer(GL_ARRAY_BUFFER, gl.vbo);
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(gl.upload.size() * sizeof(GpuVertex)), gl.upload.data(),
                     GL_STREAM_DRAW);
        int first = 0, applied = -1, appliedKind = 0;
        for (int i = 0; i < gl.pendingCount; ++i) {
            const GlPendingBatch& b = gl.pending[static_cast<size_t>(i)];
            if (b.snapshot != applied || b.batchKind != appliedKind) {
                applyBatchState(gl.pendingSnapshots[static_cast<size_t>(b.snapshot)], b.batchKind);
                applied = b.snapshot;
                appliedKind = b.batchKind;
            }
            int count = static_cast<int>(b.vertices.size());
            glDrawArrays(modeOf(b.batchKind), first, count);
            first += count;
            gpu.stats.drawCalls++;
        }
        putSnapshot(live);
        gl.dirty = true;
        GpuTextureSlot* target = gpuTextureSlot(gpu.renderTarget);
        if (target) target->version = ++gl.versions;
    }
    gl.pendingCount = 0;
    gl.pendingSnapshots.clear();
    gl.liveSnapshot = -1;
}

namespace {

// out = a x b x c for row-major matrices (v x out = ((v x a) x b) x c).
void multiply3(const float* a, const float* b, const float* c, float* out)
{
    float ab[16];
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            ab[i * 4 + j] = a[i * 4] * b[j] + a[i * 4 + 1] * b[4 + j] + a[i * 4 + 2] * b[8 + j] + a[i * 4 + 3] * b[12 + j];
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            out[i * 4 + j] = ab[i * 4] * c[j] + ab[i * 4 + 1] * c[4 + j] + ab[i * 4 + 2] * c[8 + j] + ab[i * 4 + 3] * c[12 + j];
}

// A family member whose picture was released (and its draws sent then): its layer is free again.
bool memberGone(const GlFamily& f, int layer)
{
    GpuTextureSlot* t = gpuTextureSlot(f.textures[layer]);
    return !t || t->glTexture != f.names[layer];
}

// Puts the snapshot's texture into its family (made or joined on first use) and names the family
// instead of the texture, so that the snapshots of the family's members are equal; gives the
// texture's layer, or -1 when it stays a plain texture: with gathering off, drawing into a
// render target, lit or generated texture points (the layer rides in the normal), a texture
// that is large, drawn into, of another format than 32-bit colour, or no room left.
int joinFamily(GlSnapshot& s)
{
    // Where Mesa draws in software (the window shown through its surface) every texture lives in
    // main memory, so a layer would be a second copy of its picture, while the calls it saves
    // cost that driver next to nothing (its cost is the pixels shaded): pictures join families
    // only where a GPU draws.
    if (!gpu.batching || gpu.renderTarget != 0 || gl.surfacePresent) return -1;
    if (s.renderStates[static_cast<int>(GpuRenderState::Lighting)] ||
        (s.stageStates[static_cast<int>(GpuTextureStageState::TexCoordIndex)] & 0xFFFF0000u) != 0)
        return -1;
    GpuTextureSlot* t = gpuTextureSlot(s.texture);
    if (!t || t->renderTarget || !t->glTexture || t->width * t->height > GL_FAMILY_MAX_TEXELS) return -1;
    if (t->format != GpuFormat::A8R8G8B8 && t->format != GpuFormat::X8R8G8B8) return -1;
    int levels = familyLevels(t->width, t->height, t->levels);
    int f = 0;
    while (f < gl.familyCount && !(gl.families[f].width == t->width && gl.families[f].height == t->height &&
                                   gl.families[f].levels == levels && gl.families[f].format == t->format))
        ++f;
    if (f == gl.familyCount) {
        // a family given back (all its pictures released) is made again first
        int empty = 0;
        while (empty < gl.familyCount && gl.families[empty].width != 0) ++empty;
        if (empty < gl.familyCount) f = empty;
    }
    if (f == gl.familyCount && f == GL_FAMILIES) {
        // a family whose pictures are all gone makes room
        for (f = 0; f < GL_FAMILIES; ++f) {
            int live = 0;
            for (int i = 0; i < gl.families[f].members; ++i) live += memberGone(gl.families[f], i) ? 0 : 1;
            if (live == 0) break;
        }
        if (f == GL_FAMILIES) return -1;
        if (gl.families[f].array) glDeleteTextures(1, &gl.families[f].array);
        gl.families[f].width = 0;  // made again below
    }
    if (f == gl.familyCount || gl.families[f].width == 0) {
        GlFamily& made = gl.families[f];
        if (f == gl.familyCount) gl.familyCount++;
        made = GlFamily();
        made.width = t->width;
        made.height = t->height;
        made.levels = levels;
        made.format = t->format;
    }
    GlFamily& family = gl.families[f];
    int layer = 0;
    while (layer < family.members && !(family.textures[layer] == s.texture && family.names[layer] == t->glTexture)) ++layer;
    bool found = layer < family.members;
    if (!found) {
        // the layer of a picture released since (its draws were sent before it went) is free
        for (int i = 0; i < family.members; ++i)
            if (memberGone(family, i)) {
                layer = i;
                break;
            }
    }
    if (!found && layer < family.members) {
        family.textures[layer] = s.texture;
        family.names[layer] = t->glTexture;
        family.copied[layer] = 0;
    } else if (!found) {
        if (layer == GL_FAMILY_LAYERS) return -1;
        if (layer == family.layers && family.array) {
            // the array grows (and is filled again): nothing waiting may use it as it is
            GlSnapshot keep = s;
            glDeviceFlush();
            drawRecordedNow();
            s = keep;
        }
        family.textures[layer] = s.texture;
        family.names[layer] = t->glTexture;
        family.copied[layer] = 0;
        family.members++;
    }
    // A member's texels changing gives it the newest version: the family's is the newest of its
    // members', so a recorded draw of the family differs from an earlier one when any has changed.
    uint32_t version = 0;
    for (int i = 0; i < family.members; ++i) {
        GpuTextureSlot* m = gpuTextureSlot(family.textures[i]);
        if (m && m->glTexture == family.names[i] && m->version > version) version = m->version;
    }
    s.texture = GL_FAMILY_HANDLE + f;
    s.textureVersion = version;
    return layer;
}

// The snapshot of the state draws are made with now: an equal one already waiting is shared.
// A texture transform that only maps the texture points (no generated coordinates) is applied
// to the draws' points here instead of in the shader (as the shader would: (u, v, 1, 0) times
// the matrix), so that draws differing only in it (frames of a strip) share a batch.
int liveSnapshot()
{
    if (gl.liveSnapshot >= 0) return gl.liveSnapshot;
    GlSnapshot s;
    takeSnapshot(s);
    uint32_t& flags = s.stageStates[static_cast<int>(GpuTextureStageState::TextureTransformFlags)];
    uint32_t tci = s.stageStates[static_cast<int>(GpuTextureStageState::TexCoordIndex)] & 0xFFFF0000u;
    gl.liveBakes = flags != TTFF_DISABLE && tci == 0;
    if (gl.liveBakes) {
        float* m = s.transforms[static_cast<int>(GpuTransform::Texture0)];
        std::memcpy(gl.bakeMatrix, m, sizeof gl.bakeMatrix);
        flags = TTFF_DISABLE;
        for (int i = 0; i < 16; ++i) m[i] = i % 5 == 0 ? 1.0f : 0.0f;
    }
    gl.liveLayer = joinFamily(s);
    multiply3(s.transforms[static_cast<int>(GpuTransform::World)], s.transforms[static_cast<int>(GpuTransform::View)],
              s.transforms[static_cast<int>(GpuTransform::Projection)], gl.liveMvp);
    // The most recent first: a state comes back more often than an old one.
    for (int i = static_cast<int>(gl.pendingSnapshots.size()) - 1, n = 0; i >= 0 && n < 8; --i, ++n)
        if (std::memcmp(&gl.pendingSnapshots[static_cast<size_t>(i)], &s, sizeof s) == 0) return gl.liveSnapshot = i;
    gl.pendingSnapshots.push_back(s);
    return gl.liveSnapshot = static_cast<int>(gl.pendingSnapshots.size()) - 1;
}

// The batch a draw of the given state, kind and box goes into (a new one at the end when no
// earlier one can take it).
GlPendingBatch& batchFor(int snapshot, int kind, const DamageRect& box, bool reorder)
{
    for (int i = gl.pendingCount - 1, n = 0; i >= 0 && n < GL_JOIN_WINDOW; --i, ++n) {
        GlPendingBatch& b = gl.pending[static_cast<size_t>(i)];
        if (b.snapshot == snapshot && b.batchKind == kind) return b;
        if (!reorder) break;
        if (!damageIntersects(b.box, box)) continue;
        bool clash = false;
        for (const DamageRect& r : b.boxes)
            if (damageIntersects(r, box)) {
                clash = true;
                break;
            }
        if (clash) break;
    }
    if (gl.pendingCount == GL_MAX_PENDING) {
        GlSnapshot keep = gl.pendingSnapshots[static_cast<size_t>(snapshot)];
        glDeviceFlush();
        gl.pendingSnapshots.push_back(keep);
        snapshot = gl.liveSnapshot = 0;
    }
    if (static_cast<int>(gl.pending.size()) == gl.pendingCount) gl.pending.emplace_back();
    GlPendingBatch& b = gl.pending[static_cast<size_t>(gl.pendingCount++)];
    b.snapshot = snapshot;
    b.batchKind = kind;
    b.vertices.clear();
    b.drawStarts.clear();
    b.boxes.clear();
    b.box = {0, 0, 0, 0};
    return b;
}

}  // namespace

void glDeviceDraw(GpuPrimitive type, int prims, const GpuVertex* v, int count)
{
    int kind = 1;
    if (type == GpuPrimitive::LineList || type == GpuPrimitive::LineStrip) kind = 2;
    if (type == GpuPrimitive::PointList) kind = 3;
    std::vector<GpuVertex>& in = gl.incoming;
    in.clear();
    switch (type) {
    case GpuPrimitive::TriangleStrip:
        for (int i = 0; i < prims; ++i) {
            // odd triangles of a strip swap their first two corners to keep the winding
            if (i & 1) {
                in.push_back(v[i + 1]);
                in.push_back(v[i]);
            } else {
                in.push_back(v[i]);
                in.push_back(v[i + 1]);
            }
            in.push_back(v[i + 2]);
        }
        break;
    case GpuPrimitive::TriangleFan:
        for (int i = 0; i < prims; ++i) {
            in.push_back(v[0]);
            in.push_back(v[i + 1]);
            in.push_back(v[i + 2]);
        }
        break;
    case GpuPrimitive::LineStrip:
        for (int i = 0; i < prims; ++i) {
            in.push_back(v[i]);
            in.push_back(v[i + 1]);
        }
        break;
    default: in.assign(v, v + count); break;
    }
    int snapshot = liveSnapshot();
    if (gl.liveLayer >= 0)
        for (GpuVertex& x : in) x.normal[0] = static_cast<float>(gl.liveLayer);
    if (gl.liveBakes) {
        const float* m = gl.bakeMatrix;
        for (GpuVertex& x : in) {
            float u = x.u, w = x.v;
            x.u = u * m[0] + w * m[4] + m[8] + 0.0f * m[12];
            x.v = u * m[1] + w * m[5] + m[9] + 0.0f * m[13];
        }
    }
    // Draws into the back buffer may be put in another order where they cannot touch the same
    // pixels (render targets keep theirs: the boxes are the back buffer's).
    bool boxes = gpu.renderTarget == 0;
    DamageRect box = boxes ? batchBox(gl.pendingSnapshots[static_cast<size_t>(snapshot)], gl.liveMvp, in.data(),
                                      static_cast<int>(in.size()), kind)
                           : DamageRect{0, 0, gpu.params.backBufferWidth, gpu.params.backBufferHeight};
    GlPendingBatch& b = batchFor(gl.liveSnapshot, kind, box, boxes && gpu.batching);
    b.drawStarts.push_back(static_cast<int>(b.vertices.size()));
    b.boxes.push_back(box);
    b.box = damageUnite(b.box, box);
    b.vertices.insert(b.vertices.end(), in.begin(), in.end());
    if (!gpu.batching) glDeviceFlush();
}

void glDeviceClear(uint32_t flags, uint32_t color, float z, uint32_t stencil)
{
    glDeviceFlush();
    if (recordingOn()) {
        recordClear(flags, color, z, stencil);
    } else {
        clearNow(flags, color, z, stencil);
        GpuTextureSlot* target = gpuTextureSlot(gpu.renderTarget);
        if (target) target->version = ++gl.versions;
    }
    if (gpu.renderTarget == 0 && (flags & CLEAR_TARGET)) {
        gl.frameIsClear = true;
        gl.frameClearColor = color;
    }
}

namespace {

// True when the ramp's high bytes (what the display uses) map every level to itself.
bool gammaIsNeutral()
{
    for (int c = 0; c < 3; ++c)
        for (int i = 0; i < 256; ++i)
            if ((gpu.gamma[c][i] >> 8) != i) return false;
    return true;
}

}  // namespace

// Draws the recording whole into a second target of the back buffer's size and counts the
// pixels in which it differs from the back buffer (drawn only where it changed).
void checkKeptFrame(GlRecording& r)
{
    int w = gpu.params.backBufferWidth, h = gpu.params.backBufferHeight;
    if (!gl.checkFramebuffer) {
        glGenFramebuffers(1, &gl.checkFramebuffer);
        glGenTextures(1, &gl.checkColor);
        glGenRenderbuffers(1, &gl.checkDepth);
        glBindTexture(GL_TEXTURE_2D, gl.checkColor);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
        glBindRenderbuffer(GL_RENDERBUFFER, gl.checkDepth);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, w, h);
        glBindFramebuffer(GL_FRAMEBUFFER, gl.checkFramebuffer);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, gl.checkColor, 0);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, gl.checkDepth);
    }
    int64_t covered = gpu.stats.coveredPixels;
    replay(r, nullptr, gl.checkFramebuffer);
    gpu.stats.coveredPixels = covered;  // not the frame's work
    std::vector<uint8_t> kept(size_t(w) * h * 4), whole(kept.size());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, gl.backFramebuffer);
    glReadPixels(0, 0, w, h, GL_BGRA, GL_UNSIGNED_BYTE, kept.data());
    glBindFramebuffer(GL_READ_FRAMEBUFFER, gl.checkFramebuffer);
    glReadPixels(0, 0, w, h, GL_BGRA, GL_UNSIGNED_BYTE, whole.data());
    for (size_t i = 0; i < kept.size(); i += 4)
        if (std::memcmp(&kept[i], &whole[i], 3) != 0) gpu.stats.damageMismatches++;
    bindTarget(gpu.renderTarget);
}

namespace {

int64_t logCovered = 0;

// Measuring aid (OSTRIMAR_DAMAGE_LOG=file): one line a drawn frame with the still cache's cuts,
// the pixels covered by the commands drawn, the damage, the pixels each command's box covers
// within it, and the commands whose items the last frame did not have; every 30th frame a line
// listing the frame's commands.
void logFrame(const GlRecording& r, const GlRecording& last, const Damage& d, bool whole)
{
    static std::FILE* out = nullptr;
    static bool opened = false;
    if (!opened) {
        opened = true;
        const char* path = std::getenv("OSTRIMAR_DAMAGE_LOG");
        if (path && *path) out = std::fopen(path, "w");
    }
    if (!out) return;
    timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    int64_t covered = 0;
    int n = static_cast<int>(r.commands.size());
    for (int i = 0; i < n; ++i) {
        const GlCommand& c = r.commands[static_cast<size_t>(i)];
        if (whole) covered += rectArea(c.box);
        else
            for (int p = 0; p < d.count; ++p) covered += rectArea(rectMeet(c.box, d.rects[p]));
    }
    std::fprintf(out, "cut=%d,%d real=%lld ", gl.still.levels[0].cut, gl.still.levels[1].cut, (long long)(gpu.stats.coveredPixels - logCovered));
    logCovered = gpu.stats.coveredPixels;
    std::fprintf(out, "t=%lld.%03ld cmds=%d items=%d rects=%d area=%lld whole=%d covered=%lld changed:", (long long)ts.tv_sec,
                 ts.tv_nsec / 1000000, n, static_cast<int>(r.items.size()), d.count, (long long)(whole ? 480000 : damageArea(d)),
                 whole ? 1 : 0, (long long)covered);
    std::fprintf(out, " cov=");
    for (int i = 0; i < n; ++i) {
        const GlCommand& c = r.commands[static_cast<size_t>(i)];
        int64_t a = 0;
        if (whole) a = rectArea(c.box);
        else
            for (int p = 0; p < d.count; ++p) a += rectArea(rectMeet(c.box, d.rects[p]));
        std::fprintf(out, "%lld,", (long long)a);
    }
    int shown = 0;
    for (int i = 0; i < n && shown < 16; ++i) {
        const GlCommand& c = r.commands[static_cast<size_t>(i)];
        int to = i + 1 < n ? r.commands[static_cast<size_t>(i) + 1].firstItem : static_cast<int>(r.items.size());
        int differing = 0;
        for (int k = c.firstItem; k < to; ++k) {
            bool found = false;
            for (const DamageItem& o : last.items)
                if (o.hash == r.items[static_cast<size_t>(k)].hash) { found = true; break; }
            if (!found) differing++;
        }
        if (!differing) continue;
        GlSnapshot none = {};
        const GlSnapshot& st = c.clear ? none : r.snapshots[static_cast<size_t>(c.snapshot)];
        std::fprintf(out, " [%d tex=%d k=%d v=%d d=%d/%d z=%u box=%d,%d-%d,%d]", i, c.clear ? -1 : st.texture, c.batchKind,
                     c.count, differing, to - c.firstItem, c.clear ? 0 : st.renderStates[static_cast<int>(GpuRenderState::ZEnable)],
                     c.box.x0, c.box.y0, c.box.x1, c.box.y1);
        shown++;
    }
    std::fprintf(out, "\n");
    static int logged = 0;
    if (++logged % 30 == 0) {
        std::fprintf(out, "list:");
        for (int i = 0; i < n; ++i) {
            const GlCommand& c = r.commands[static_cast<size_t>(i)];
            GlSnapshot none = {};
            const GlSnapshot& st = c.clear ? none : r.snapshots[static_cast<size_t>(c.snapshot)];
            std::fprintf(out, " [%d tex=%d v=%d z=%u zw=%u blend=%u box=%d,%d-%d,%d]", i, c.clear ? -1 : st.texture, c.count,
                         c.clear ? c.clearFlags : st.renderStates[static_cast<int>(GpuRenderState::ZEnable)],
                         c.clear ? 0 : st.renderStates[static_cast<int>(GpuRenderState::ZWriteEnable)],
                         c.clear ? 0 : st.renderStates[static_cast<int>(GpuRenderState::AlphaBlendEnable)], c.box.x0, c.box.y0,
                         c.box.x1, c.box.y1);
        }
        std::fprintf(out, "\n");
    }
    std::fflush(out);
}

}  // namespace

namespace {

// ---- the still-layer cache ----

void releaseStillLevel(GlStillLevel& l)
{
    if (l.framebuffer) glDeleteFramebuffers(1, &l.framebuffer);
    if (l.color) glDeleteTextures(1, &l.color);
    if (l.depth) glDeleteRenderbuffers(1, &l.depth);
    l = GlStillLevel();
}

void releaseStillCache()
{
    for (GlStillLevel& l : gl.still.levels) releaseStillLevel(l);
    gl.still.width = gl.still.height = 0;
}

// A level's target at the back buffer's size, with a depth buffer of the back buffer's format
// when `depth` (made on first need: the menus' layers after the cut test no depth).
bool makeStillTarget(GlStillLevel& l, bool depth)
{
    int w = gpu.params.backBufferWidth, h = gpu.params.backBufferHeight;
    if (gl.still.width != w || gl.still.height != h) {  // a new back buffer: new pictures at the same cuts
        int cuts[STILL_LEVELS];
        for (int i = 0; i < STILL_LEVELS; ++i) cuts[i] = gl.still.levels[i].cut;
        releaseStillCache();
        for (int i = 0; i < STILL_LEVELS; ++i) gl.still.levels[i].cut = cuts[i];
        gl.still.width = w;
        gl.still.height = h;
    }
    if (!l.framebuffer) {
        glGenFramebuffers(1, &l.framebuffer);
        glGenTextures(1, &l.color);
        glBindTexture(GL_TEXTURE_2D, l.color);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glBindFramebuffer(GL_FRAMEBUFFER, l.framebuffer);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, l.color, 0);
        l.drawnCut = 0;
    }
    if (depth && !l.depth) {
        GLenum format = depthInternal(gpu.params.depthFormat);
        glGenRenderbuffers(1, &l.depth);
        glBindRenderbuffer(GL_RENDERBUFFER, l.depth);
        glRenderbufferStorage(GL_RENDERBUFFER, format, w, h);
        glBindFramebuffer(GL_FRAMEBUFFER, l.framebuffer);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, format == GL_DEPTH24_STENCIL8 ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT,
                                  GL_RENDERBUFFER, l.depth);
        l.drawnCut = 0;  // its depth was never drawn
    }
    glBindFramebuffer(GL_FRAMEBUFFER, l.framebuffer);
    bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    if (!complete) releaseStillLevel(l);
    return complete;
}

int itemsBefore(const GlRecording& r, int command)
{
    return command < static_cast<int>(r.commands.size()) ? r.commands[static_cast<size_t>(command)].firstItem
                                                          : static_cast<int>(r.items.size());
}

// A copy of a rectangle between two framebuffers of the back buffer's size, colour and (with
// `depth`) depth and stencil: an exact copy (same place, nearest; with the scissor off, Mesa
// copies the memory).
void copyRect(GLuint from, GLuint to, const DamageRect& d, bool depth)
{
    glBindFramebuffer(GL_READ_FRAMEBUFFER, from);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, to);
    glDisable(GL_SCISSOR_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_TRUE);
    glStencilMask(0xFF);
    GLbitfield bits = GL_COLOR_BUFFER_BIT;
    if (depth) bits |= depthInternal(gpu.params.depthFormat) == GL_DEPTH24_STENCIL8 ? GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT
                                                                                     : GL_DEPTH_BUFFER_BIT;
    glBlitFramebuffer(d.x0, d.y0, d.x1, d.y1, d.x0, d.y0, d.x1, d.y1, bits, GL_NEAREST);
    glBindFramebuffer(GL_FRAMEBUFFER, gl.backFramebuffer);
    gl.dirty = true;
    gpu.stats.cachedPixels += rectArea(d);
}

// Adds what each pair of cuts would have cost this frame (drawn with damage d, compared with
// `last`), in pixels covered by the commands drawn, to the running totals:
// - the commands at and after the higher cut, within the frame's rectangles, and a copy there;
// - where commands before the higher cut changed since the last frame (estimated with the changed
//   items' own boxes): the commands between the cuts, a copy from the lower picture and one into
//   the higher; where commands before the lower cut changed, the commands before it and a copy.
// A copy is counted as a quarter of a layer.
void weighCuts(const GlRecording& r, const GlRecording& last, const Damage& d)
{
    GlStillCache& s = gl.still;
    int n = static_cast<int>(r.commands.size());
    // Frames of another number of commands are weighed as they come (commands keep their places
    // up to the first one added or removed; the older figures fade); more than the table holds
    // start the figures again.
    if (n > STILL_MAX_COMMANDS) {
        std::memset(s.totals, 0, sizeof s.totals);
        s.frames = 0;
        return;
    }
    static int64_t changedCover[STILL_MAX_COMMANDS + 1][STILL_MAX_COMMANDS + 1];  // [c][i]: prefix sums of M
    int64_t cover[STILL_MAX_COMMANDS] = {};
    int64_t m[STILL_MAX_COMMANDS][STILL_MAX_COMMANDS] = {};  // [c][i]: command i within command c's changed boxes
    int64_t changedArea[STILL_MAX_COMMANDS + 1] = {};        // prefix sums of the changed boxes' area by command
    DamageRect whole = {0, 0, gpu.params.backBufferWidth, gpu.params.backBufferHeight};
    for (int i = 0; i < n; ++i) {
        const DamageRect& box = r.commands[static_cast<size_t>(i)].box;
        for (int p = 0; p < d.count; ++p) cover[i] += rectArea(rectMeet(box, d.whole ? whole : d.rects[p]));
    }
    auto changed = [&](const DamageRect& box, int c) {
        changedArea[c + 1] += rectArea(box);
        for (int i = 0; i < n; ++i) m[c][i] += rectArea(rectMeet(r.commands[static_cast<size_t>(i)].box, box));
    };
    int lastN = static_cast<int>(last.commands.size());
    for (int c = 0; c < n; ++c) {
        int from = r.commands[static_cast<size_t>(c)].firstItem, to = itemsBefore(r, c + 1);
        int lastFrom = c < lastN ? last.commands[static_cast<size_t>(c)].firstItem : 0;
        int lastTo = c < lastN ? itemsBefore(last, c + 1) : 0;
        if (to - from == lastTo - lastFrom) {
            for (int k = 0; k < to - from; ++k) {
                const DamageItem& now = r.items[static_cast<size_t>(from + k)];
                const DamageItem& was = last.items[static_cast<size_t>(lastFrom + k)];
                if (now.hash != was.hash) changed(damageUnite(now.box, was.box), c);
            }
        } else {
            for (int k = from; k < to; ++k) changed(r.items[static_cast<size_t>(k)].box, c);
            for (int k = lastFrom; k < lastTo; ++k) changed(last.items[static_cast<size_t>(k)].box, c);
        }
    }
    for (int c = 0; c <= n; ++c)
        for (int i = 0; i <= n; ++i)
            changedCover[c][i] = c == 0 || i == 0 ? 0 : changedCover[c - 1][i] + changedCover[c][i - 1] - changedCover[c - 1][i - 1] + m[c - 1][i - 1];
    for (int c = 1; c <= n; ++c) changedArea[c] += changedArea[c - 1];
    int64_t after[STILL_MAX_COMMANDS + 1];
    after[n] = 0;
    for (int i = n - 1; i >= 0; --i) after[i] = after[i + 1] + cover[i];
    int64_t copies = damageArea(d) / 4;
    for (int b = 0; b <= n; ++b)
        for (int a = 0; a <= b; ++a) {
            int64_t cost = after[b];
            if (b > 0) cost += copies + changedCover[b][b] - changedCover[b][a];
            if (a > 0) cost += changedCover[a][a] + changedArea[b] / 2 + changedArea[a] / 4;
            int64_t& t = s.totals[a][b];
            t += cost - t / 16;
        }
    s.frames++;
}

// The cuts frames are drawn with: once 16 frames have been weighed, the pair that has cost least,
// when over the next 256 frames or so (16 times the totals; an idle screen stays for many more)
// it would save a tenth of what the pair in use costs, after paying for drawing its pictures
// whole once.
void chooseCuts(const GlRecording& r)
{
    GlStillCache& s = gl.still;
    int n = static_cast<int>(r.commands.size());
    for (GlStillLevel& l : s.levels)
        if (l.cut > n) l.cut = 0;
    if (s.levels[0].cut >= s.levels[1].cut) s.levels[0].cut = 0;
    if (s.frames < 16 || n > STILL_MAX_COMMANDS) return;
    int bestA = 0, bestB = 0;
    for (int b = 0; b <= n; ++b)
        for (int a = 0; a <= b; ++a)
            if (s.totals[a][b] < s.totals[bestA][bestB]) bestA = a, bestB = b;
    if (bestA == bestB) bestA = 0;
    int useA = s.levels[0].cut, useB = s.levels[1].cut;
    if (bestA == useA && bestB == useB) return;
    int64_t pictures = 0;  // drawing the pictures that change whole
    for (int i = bestA == useA ? bestA : 0; i < bestB; ++i) pictures += rectArea(r.commands[static_cast<size_t>(i)].box);
    if ((s.totals[bestA][bestB] * 16 + pictures) * 10 < s.totals[useA][useB] * 16 * 9) {
        s.levels[0].cut = bestA;
        s.levels[1].cut = bestB;
    }
}

// Brings a level's picture up to the frame's commands [0, cut): where they differ from the ones
// it holds (everywhere when it holds others), they are drawn again in the back buffer, from a
// copy of the lower picture (`below`, null: from the frame's start), and copied into it. The
// rectangles drawn are added to `touched`.
void updateStillLevel(GlStillLevel& l, const GlStillLevel* below, bool belowDepth, const GlRecording& r, bool depth,
                      Damage& touched)
{
    int w = gpu.params.backBufferWidth, h = gpu.params.backBufferHeight;
    int prefix = itemsBefore(r, l.cut);
    Damage u = {{{0, 0, w, h}}, 1, true};
    if (l.drawnCut == l.cut) u = damageBetween(l.items.data(), static_cast<int>(l.items.size()), r.items.data(), prefix, w, h);
    glBindFramebuffer(GL_FRAMEBUFFER, gl.backFramebuffer);
    for (int p = 0; p < u.count; ++p) {
        const DamageRect& rect = u.rects[p];
        if (below) copyRect(below->framebuffer, gl.backFramebuffer, rect, belowDepth);
        replayCommands(r, below ? below->cut : 0, l.cut, u.whole ? nullptr : &rect);
        copyRect(gl.backFramebuffer, l.framebuffer, rect, depth);
        damageAdd(touched, rect, w, h);
    }
    l.items.assign(r.items.begin(), r.items.begin() + prefix);
    l.drawnCut = l.cut;
}

// Whether a command in [from, to) tests depth.
bool testsDepth(const GlRecording& r, int from, int to)
{
    for (int i = from; i < to; ++i) {
        const GlCommand& c = r.commands[static_cast<size_t>(i)];
        if (!c.clear && r.snapshots[static_cast<size_t>(c.snapshot)].renderStates[static_cast<int>(GpuRenderState::ZEnable)])
            return true;
    }
    return false;
}

// Draws the frame within the damage (its rectangles; whole: everywhere) from the still cache:
// the pictures brought up to the frame's leading commands, then within each rectangle a copy of
// the higher picture and the commands after its cut. The rectangles drawn are added to the
// damage. False when no cut is in use (the caller draws the usual way).
bool drawFromStillCache(GlRecording& r, Damage& damage)
{
    GlStillCache& s = gl.still;
    int n = static_cast<int>(r.commands.size());
    GlStillLevel& top = s.levels[1];
    GlStillLevel& low = s.levels[0];
    if (!gpu.stillCache || top.cut <= 0 || top.cut > n || low.cut >= top.cut || !r.comparable || r.drawn) return false;
    bool autoDepth = gpu.params.autoDepthStencil;
    // A picture keeps depth when a command after its cut tests it.
    bool topDepth = autoDepth && testsDepth(r, top.cut, n);
    bool lowDepth = autoDepth && low.cut > 0 && testsDepth(r, low.cut, n);
    GlSnapshot live;
    takeSnapshot(live);
    bindTarget(0);
    bool made = makeStillTarget(top, topDepth) && (low.cut == 0 || makeStillTarget(low, lowDepth));
    if (!made) {
        releaseStillCache();
        low.cut = top.cut = 0;
        bindTarget(gpu.renderTarget);
        return false;
    }
    uploadRecording(r);
    Damage touched = damage;
    if (low.cut > 0) updateStillLevel(low, nullptr, false, r, lowDepth, touched);
    updateStillLevel(top, low.cut > 0 ? &low : nullptr, lowDepth, r, topDepth, touched);
    for (int p = 0; p < touched.count; ++p) {
        const DamageRect& d = touched.rects[p];
        copyRect(top.framebuffer, gl.backFramebuffer, d, topDepth);
        replayCommands(r, top.cut, n, touched.whole ? nullptr : &d);
    }
    damage = touched;
    putSnapshot(live);
    bindTarget(gpu.renderTarget);
    return true;
}

}  // namespace

// Draws the recorded frame where it differs from the last one; false when nothing differs.
// `shown` receives the rectangles drawn again (whole when the frame was drawn whole, none when
// nothing changed).
bool drawFrame(Damage* shown)
{
    *shown = Damage{};
    shown->whole = true;
    GlRecording& r = current();
    // Nothing cleared or drawn: the back buffer keeps the frame it has.
    if (gpu.damageTracking && !r.drawn && r.commands.empty()) return false;
    bool changed = true, kept = false;  // kept: drawn only where it changed, or not at all
    bool cached = false;                // drawn from the still cache
    if (r.drawn || !gpu.damageTracking) {
        gpu.stats.wholeFrames++;
        gpu.stats.redrawnPixels += int64_t(gpu.params.backBufferWidth) * gpu.params.backBufferHeight;
    } else if (gl.lastComparable && r.comparable) {
        const GlRecording& last = gl.recordings[1 - gl.recording];
        Damage d = damageBetween(last.items.data(), static_cast<int>(last.items.size()), r.items.data(),
                                 static_cast<int>(r.items.size()), gpu.params.backBufferWidth, gpu.params.backBufferHeight);
        kept = !d.whole;
        *shown = d;
        if (d.count == 0) {
            changed = false;
            gpu.stats.unchangedFrames++;
        } else {
            weighCuts(r, last, d);
            chooseCuts(r);
            cached = drawFromStillCache(r, d);
            if (!cached) replay(r, d.whole ? nullptr : &d);
            *shown = d;
            kept = !d.whole;
            if (d.whole) gpu.stats.wholeFrames++;
            else gpu.stats.partialFrames++;
            gpu.stats.redrawnPixels += damageArea(d);
        }
    } else {
        Damage whole = {{{0, 0, gpu.params.backBufferWidth, gpu.params.backBufferHeight}}, 1, true};
        cached = drawFromStillCache(r, whole);
        if (!cached) replay(r, nullptr);
        gpu.stats.wholeFrames++;
        gpu.stats.redrawnPixels += int64_t(gpu.params.backBufferWidth) * gpu.params.backBufferHeight;
    }
    if (changed) logFrame(r, gl.recordings[1 - gl.recording], *shown, !kept);
    if (gpu.damageCheck && (kept || cached)) checkKeptFrame(r);
    gl.lastComparable = !r.drawn && r.comparable && gpu.damageTracking;
    gl.recording = 1 - gl.recording;
    restartRecording();
    return changed;
}

namespace {

// The neutral copy of the back buffer into the window's letterbox with the copy program; false
// when the program could not be made (the blit then copies).
bool copyThroughProgram(const GpuViewport& box)
{
    if (!gl.copyProgramTried) {
        gl.copyProgramTried = true;
        gl.copyProgram = link(kPresentVertex, kCopyFragment);
        if (gl.copyProgram) gl.cBack = glGetUniformLocation(gl.copyProgram, "uBack");
        if (gl.copyProgram) gl.cBox = glGetUniformLocation(gl.copyProgram, "uBox");
        if (gl.copyProgram) glGenSamplers(1, &gl.copySampler);
    }
    if (!gl.copyProgram) return false;
    int bw = gpu.params.backBufferWidth, bh = gpu.params.backBufferHeight;
    bool sameSize = box.width == bw && box.height == bh;
    glViewport(box.x, box.y, box.width, box.height);
    glUseProgram(gl.copyProgram);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, gl.backColor);
    GLint filter = sameSize ? GL_NEAREST : GL_LINEAR;
    if (filter != gl.copyFilter) {
        glSamplerParameteri(gl.copySampler, GL_TEXTURE_MIN_FILTER, filter);
        glSamplerParameteri(gl.copySampler, GL_TEXTURE_MAG_FILTER, filter);
        glSamplerParameteri(gl.copySampler, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glSamplerParameteri(gl.copySampler, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        gl.copyFilter = filter;
    }
    glBindSampler(0, gl.copySampler);
    glUniform1i(gl.cBack, 0);
    glUniform4f(gl.cBox, float(box.x), float(box.y), float(box.width), float(box.height));
    glBindVertexArray(gl.presentVao);
    glDrawArrays(GL_TRIANGLES, 0, 3);
    glBindSampler(0, 0);
    return true;
}

// Copies the back buffer into the window's letterbox (a plain colour frame is cleared instead),
// through the brightness ramp when it is not neutral.
void copyFrameToWindow(const GpuViewport& box)
{
    if (gl.frameIsClear) {
        // A plain colour (the first frame at start-up is one): the ramp applied here.
        float c[4];
        colorVec(gl.frameClearColor, c);
        for (int i = 0; i < 3; ++i) c[i] = static_cast<float>(gpu.gamma[i][static_cast<int>(c[i] * 255.0f + 0.5f)] >> 8) / 255.0f;
        glEnable(GL_SCISSOR_TEST);
        glScissor(box.x, box.y, box.width, box.height);
        glClearColor(c[0], c[1], c[2], 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glDisable(GL_SCISSOR_TEST);
    } else if (gammaIsNeutral() && !copyThroughProgram(box)) {
        // The common case costs one copy (a plain one when the window has the picture's size):
        // rows are stored top first, so the copy turns them over.
        int bw = gpu.params.backBufferWidth, bh = gpu.params.backBufferHeight;
        bool sameSize = box.width == bw && box.height == bh;
        glBindFramebuffer(GL_READ_FRAMEBUFFER, gl.backFramebuffer);
        glBlitFramebuffer(0, 0, bw, bh, box.x, box.y + box.height, box.x + box.width, box.y, GL_COLOR_BUFFER_BIT,
                          sameSize ? GL_NEAREST : GL_LINEAR);
    } else {
        glViewport(box.x, box.y, box.width, box.height);
        glUseProgram(gl.presentProgram);
        glActiveTexture(GL_TEXTURE1);
        glBindTexture(GL_TEXTURE_2D, gl.gammaTexture);
        if (!gl.gammaUploaded || std::memcmp(gl.gammaShown, gpu.gamma, sizeof gl.gammaShown) != 0) {
            glPixelStorei(GL_UNPACK_ALIGNMENT, 2);
            glTexImage2D(GL_TEXTURE_2D, 0, GL_R16UI, 256, 3, 0, GL_RED_INTEGER, GL_UNSIGNED_SHORT, gpu.gamma);
            glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
            std::memcpy(gl.gammaShown, gpu.gamma, sizeof gl.gammaShown);
            gl.gammaUploaded = true;
        }
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, gl.backColor);
        glBindSampler(0, 0);
        glUniform1i(gl.pBack, 0);
        glUniform1i(gl.pGamma, 1);
        glUniform4f(gl.pBox, float(box.x), float(box.y), float(box.width), float(box.height));
        glBindVertexArray(gl.presentVao);
        glDrawArrays(GL_TRIANGLES, 0, 3);
    }
}

}  // namespace

void glDevicePresent()
{
    glDeviceFlush();
    bool rampChanged = std::memcmp(gl.rampPresented, gpu.gamma, sizeof gl.rampPresented) != 0;
    Damage changed;
    bool stale = gl.windowStale;
    if (!drawFrame(&changed) && !stale && !rampChanged) return;  // the window shows this frame already
    osStartupMark("present: frame drawn");
    gl.windowStale = false;
    std::memcpy(gl.rampPresented, gpu.gamma, sizeof gl.rampPresented);
    int w = 0, h = 0;
    osWindowPixels(gl.window, &w, &h);
    SDL_Surface* surface = nullptr;
    if (gl.surfacePresent && w > 0 && h > 0) {
        surface = windowSurface(&w, &h);
        if (!surface || !bindWindowFramebuffer(w, h)) w = h = 0;
    }
    if (w <= 0 || h <= 0) {
        gl.windowFrameWidth = gl.windowFrameHeight = 0;  // the window missed this frame
        bindTarget(gpu.renderTarget);
        return;
    }
    // A new surface holds no frame: SDL makes one after a change of the window's size, often at
    // the last one's address, and also when the window came back to its size before this
    // present. The surfaces given a whole frame carry the device's mark.
    if (surface && surface->userdata != &gl) {
        gl.windowFrameWidth = gl.windowFrameHeight = 0;
        surface->userdata = &gl;
    }
    GpuViewport box = gpuLetterbox(w, h, gpu.params.backBufferWidth, gpu.params.backBufferHeight);
    // Where the window kept the last frame whole at this size, only the changed rectangles are
    // copied: each copy is the whole frame's copy under the scissor, so every window pixel comes
    // out as a whole present makes it.
    bool partial = gl.windowKeepsFrame && gpu.partialPresents && !stale && !rampChanged && !gl.frameIsClear &&
                   !changed.whole && changed.count > 0 && w == gl.windowFrameWidth && h == gl.windowFrameHeight;
    if (partial) {
        gpu.stats.partialPresents++;
    } else {
        gl.windowFrameWidth = w;
        gl.windowFrameHeight = h;
    }
    glBindFramebuffer(GL_FRAMEBUFFER, surface ? gl.windowFramebuffer : 0);
    glDisable(GL_SCISSOR_TEST);
    glViewport(0, 0, w, h);
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    if (!partial && (box.x != 0 || box.y != 0 || box.width != w || box.height != h)) {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    DamageRect copied[DAMAGE_MAX_RECTS] = {{0, 0, w, h}};
    for (int pass = 0; pass < (partial ? changed.count : 1); ++pass) {
        if (partial) {
            DamageRect r = windowRectOf(changed.rects[pass], box, gpu.params.backBufferWidth, gpu.params.backBufferHeight);
            copied[pass] = r;
            glEnable(GL_SCISSOR_TEST);
            glScissor(r.x0, r.y0, r.x1 - r.x0, r.y1 - r.y0);
        }
        copyFrameToWindow(box);
    }
    glDisable(GL_SCISSOR_TEST);
    osStartupMark("present: frame copied to the window");
    if (surface) {
        copyToSurface(surface, copied, partial ? changed.count : 1, h);
        if (gpu.capturePresents) captureSurface(surface, w, h);
        bindTarget(gpu.renderTarget);
        return;
    }
    if (gpu.capturePresents) {
        // GL's rows run bottom up: turned over into the device's order.
        size_t row = static_cast<size_t>(w) * 4;
        gpu.presented.resize(row * static_cast<size_t>(h));
        std::vector<uint8_t> bottomUp(gpu.presented.size());
        glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glReadPixels(0, 0, w, h, GL_BGRA, GL_UNSIGNED_BYTE, bottomUp.data());
        for (int y = 0; y < h; ++y)
            std::memcpy(&gpu.presented[static_cast<size_t>(y) * row], &bottomUp[static_cast<size_t>(h - 1 - y) * row], row);
        gpu.presentedWidth = w;
        gpu.presentedHeight = h;
    }
    SDL_GL_SwapWindow(gl.window);
    osStartupMark("present: swapped");
    bindTarget(gpu.renderTarget);
}

namespace {

// The internal format, transfer format and type of a picture texture's format, and whether its
// alpha reads as one.
void pictureFormatOf(GpuFormat f, GLenum* internal, GLenum* format, GLenum* type, bool* opaque)
{
    *internal = GL_RGBA8;
    *format = GL_BGRA;
    *type = GL_UNSIGNED_BYTE;
    *opaque = false;
    switch (f) {
    case GpuFormat::X8R8G8B8: *opaque = true; break;
    case GpuFormat::R5G6B5:
        *internal = GL_RGB8;
        *format = GL_RGB;
        *type = GL_UNSIGNED_SHORT_5_6_5;
        break;
    case GpuFormat::X1R5G5B5: *opaque = true; [[fallthrough]];
    case GpuFormat::A1R5G5B5: *type = GL_UNSIGNED_SHORT_1_5_5_5_REV; break;
    case GpuFormat::A4R4G4B4: *type = GL_UNSIGNED_SHORT_4_4_4_4_REV; break;
    default: break;
    }
}

// Storage of exactly the texture's levels (GL 4.2 or ARB_texture_storage). A texture made with
// glTexImage2D and a mipmap level gets a whole chain of levels from Mesa (a third more instead
// of a quarter).
bool haveTextureStorage() { return epoxy_gl_version() >= 42 || epoxy_has_gl_extension("GL_ARB_texture_storage"); }

// Level 1 of 4-byte texels: each texel the rounded mean of the 2 x 2 texels of level 0 it
// covers (the last row or column of an odd side counted twice).
std::vector<uint8_t> halfLevel(const uint8_t* src, int w, int h, int* hw, int* hh)
{
    *hw = w > 1 ? w / 2 : 1;
    *hh = h > 1 ? h / 2 : 1;
    std::vector<uint8_t> out(static_cast<size_t>(*hw) * *hh * 4);
    for (int y = 0; y < *hh; ++y) {
        int y0 = 2 * y < h ? 2 * y : h - 1, y1 = 2 * y + 1 < h ? 2 * y + 1 : h - 1;
        for (int x = 0; x < *hw; ++x) {
            int x0 = 2 * x < w ? 2 * x : w - 1, x1 = 2 * x + 1 < w ? 2 * x + 1 : w - 1;
            const uint8_t* a = src + (static_cast<size_t>(y0) * w + x0) * 4;
            const uint8_t* b = src + (static_cast<size_t>(y0) * w + x1) * 4;
            const uint8_t* c = src + (static_cast<size_t>(y1) * w + x0) * 4;
            const uint8_t* d = src + (static_cast<size_t>(y1) * w + x1) * 4;
            uint8_t* o = &out[(static_cast<size_t>(y) * *hw + x) * 4];
            for (int k = 0; k < 4; ++k) o[k] = static_cast<uint8_t>((a[k] + b[k] + c[k] + d[k] + 2) / 4);
        }
    }
    return out;
}

}  // namespace

bool glDeviceCreateTexture(GpuTextureSlot& t)
{
    glGenTextures(1, &t.glTexture);
    glBindTexture(GL_TEXTURE_2D, t.glTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, t.levels - 1);
    if (!t.renderTarget && haveTextureStorage()) {
        GLenum internal, format, type;
        bool opaque;
        pictureFormatOf(t.format, &internal, &format, &type, &opaque);
        glTexStorage2D(GL_TEXTURE_2D, t.levels, internal, t.width, t.height);
    }
    if (t.renderTarget) {
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, t.width, t.height, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        glGenFramebuffers(1, &t.glFramebuffer);
        glGenRenderbuffers(1, &t.glDepth);
        glBindRenderbuffer(GL_RENDERBUFFER, t.glDepth);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, t.width, t.height);
        t.version = ++gl.versions;
        glBindFramebuffer(GL_FRAMEBUFFER, t.glFramebuffer);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, t.glTexture, 0);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, t.glDepth);
        bool ok = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
        // clear the new target so that it starts transparent black
        glDisable(GL_SCISSOR_TEST);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        bindTarget(gpu.renderTarget);
        if (!ok) {
            glDeviceReleaseTexture(t);
            return false;
        }
        gl.dirty = true;
        return true;
    }
    glDeviceUploadTexture(t);
    gl.dirty = true;
    return true;
}

namespace {

// A family whose pictures are all released gives its array back at once: the board's pictures
// go when a level is left, and their layers' copies would otherwise stay resident on the map.
void releaseEmptyFamilies()
{
    for (int f = 0; f < gl.familyCount; ++f) {
        GlFamily& family = gl.families[f];
        if (!family.array || family.width == 0) continue;
        bool live = false;
        for (int i = 0; i < family.members && !live; ++i) live = !memberGone(family, i);
        if (live) continue;
        glDeviceFlush();  // nothing waiting may still name the family
        drawRecordedNow();
        glDeleteTextures(1, &family.array);
        family = GlFamily();  // width 0: made again when a picture of its kind is drawn
        gl.liveSnapshot = -1;
    }
}

}  // namespace

void glDeviceReleaseTexture(GpuTextureSlot& t)
{
    drawRecordedNow();  // recorded draws may use it
    if (t.glFramebuffer) glDeleteFramebuffers(1, &t.glFramebuffer);
    if (t.glDepth) glDeleteRenderbuffers(1, &t.glDepth);
    if (t.glTexture) glDeleteTextures(1, &t.glTexture);
    t.glFramebuffer = t.glDepth = t.glTexture = 0;
    gl.dirty = true;
    releaseEmptyFamilies();
}

void glDeviceUploadTexture(GpuTextureSlot& t)
{
    if (!t.glTexture || t.renderTarget) return;
    drawRecordedNow();  // recorded draws may use the old texels
    t.version = ++gl.versions;
    gl.liveSnapshot = -1;
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, t.glTexture);
    GLenum internal, format, type;
    bool opaque;
    pictureFormatOf(t.format, &internal, &format, &type, &opaque);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_A, opaque ? GL_ONE : GL_ALPHA);
    glPixelStorei(GL_UNPACK_ALIGNMENT, gpuFormatBytes(t.format) == 2 ? 2 : 4);
    GLint immutable = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_IMMUTABLE_FORMAT, &immutable);
    if (immutable)
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, t.width, t.height, format, type, t.texels.data());
    else
        glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(internal), t.width, t.height, 0, format, type, t.texels.data());
    if (t.levels > 1 && immutable && gpuFormatBytes(t.format) == 4) {
        // The mipmap levels made here rather than by glGenerateMipmap: Mesa's software driver
        // generates them by drawing, which keeps a few megabytes of blitting state for good.
        std::vector<uint8_t> level = t.texels;
        int w = t.width, h = t.height;
        for (int l = 1; l < t.levels; ++l) {
            int hw = 0, hh = 0;
            level = halfLevel(level.data(), w, h, &hw, &hh);
            w = hw;
            h = hh;
            glTexSubImage2D(GL_TEXTURE_2D, l, 0, 0, w, h, format, type, level.data());
        }
    } else if (t.levels > 1) {
        glGenerateMipmap(GL_TEXTURE_2D);
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    gl.dirty = true;
}

namespace {

// The GL pixel transfer of a texture format: what glTexImage2D was given.
void transferOf(GpuFormat f, GLenum* format, GLenum* type)
{
    *format = GL_BGRA;
    *type = GL_UNSIGNED_BYTE;
    switch (f) {
    case GpuFormat::R5G6B5:
        *format = GL_RGB;
        *type = GL_UNSIGNED_SHORT_5_6_5;
        break;
    case GpuFormat::X1R5G5B5:
    case GpuFormat::A1R5G5B5: *type = GL_UNSIGNED_SHORT_1_5_5_5_REV; break;
    case GpuFormat::A4R4G4B4: *type = GL_UNSIGNED_SHORT_4_4_4_4_REV; break;
    default: break;
    }
}

}  // namespace

void glDeviceDownloadTexture(GpuTextureSlot& t)
{
    if (!t.glTexture || t.texels.empty()) return;
    GLenum format, type;
    transferOf(t.format, &format, &type);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, t.glTexture);
    glPixelStorei(GL_PACK_ALIGNMENT, gpuFormatBytes(t.format) == 2 ? 2 : 4);
    glGetTexImage(GL_TEXTURE_2D, 0, format, type, t.texels.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    gl.dirty = true;
}

bool glDeviceSetRenderTarget(int texture)
{
    // A target drawn into while the frame is recorded would be drawn before the frame's
    // earlier draws that may use it.
    if (texture != 0) drawRecordedNow();
    bindTarget(texture);
    return true;
}

bool glDeviceReadPixels(int renderTarget, uint8_t* out, int width, int height)
{
    if (renderTarget == 0) drawRecordedNow();
    GLuint fbo = gl.backFramebuffer;
    if (renderTarget) {
        GpuTextureSlot* t = gpuTextureSlot(renderTarget);
        if (!t) return false;
        fbo = t->glFramebuffer;
    }
    glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_BYTE, out);
    bindTarget(gpu.renderTarget);
    return glGetError() == GL_NO_ERROR;
}

bool glDisplayModes(std::vector<GpuDisplayMode>& out, GpuDisplayMode* desktop)
{
    out.clear();
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return false;
    SDL_DisplayMode d;
    if (SDL_GetDesktopDisplayMode(0, &d) == 0 && d.w > 0 && d.h > 0 && desktop)
        *desktop = {d.w, d.h, d.refresh_rate, formatOfSdl(d.format)};
    int n = SDL_GetNumDisplayModes(0);
    bool has800 = false;
    for (int i = 0; i < n; ++i) {
        SDL_DisplayMode m;
        if (SDL_GetDisplayMode(0, i, &m) != 0 || m.w <= 0 || m.h <= 0) continue;
        GpuFormat f = formatOfSdl(m.format);
        // Frames are drawn into the device's own buffer and scaled, so each size the display
        // offers is usable at both colour depths.
        out.push_back({m.w, m.h, m.refresh_rate, f});
        out.push_back({m.w, m.h, m.refresh_rate, f == GpuFormat::R5G6B5 ? GpuFormat::X8R8G8B8 : GpuFormat::R5G6B5});
        if (m.w == 800 && m.h == 600) has800 = true;
    }
    if (out.empty()) return false;
    if (!has800) {
        out.push_back({800, 600, 60, GpuFormat::X8R8G8B8});
        out.push_back({800, 600, 60, GpuFormat::R5G6B5});
    }
    return true;
}

void* gpuCreateHiddenWindow(int width, int height)
{
    if (!SDL_WasInit(SDL_INIT_VIDEO) && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return nullptr;
    // No title: the window that only carries the context (never shown) must not be found by name
    // in the game's place (window tools, tests and scripts look the game up by its title).
    return SDL_CreateWindow("", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width, height,
                            SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
}

void* gpuCreateHiddenSurfaceWindow(int width, int height)
{
    if (!SDL_WasInit(SDL_INIT_VIDEO) && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return nullptr;
    // A surface of plain memory, not a texture of SDL's GL renderer (which remakes the window).
    SDL_SetHintWithPriority(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0", SDL_HINT_OVERRIDE);
    SDL_Window* w = SDL_CreateWindow("Ostrimar", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width, height,
                                     SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE);
    if (w && !SDL_GetWindowSurface(w)) {
        SDL_DestroyWindow(w);
        return nullptr;
    }
    return w;
}

void gpuResizeHiddenWindow(void* window, int width, int height)
{
    if (window) SDL_SetWindowSize(static_cast<SDL_Window*>(window), width, height);
}

void gpuDestroyHiddenWindow(void* window)
{
    if (window) SDL_DestroyWindow(static_cast<SDL_Window*>(window));
}
