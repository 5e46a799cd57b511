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
// Consecutive draws that share every state are merged into one draw call.
#include <epoxy/egl.h>
#include <epoxy/gl.h>

#include <SDL.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/gpu/damage.h"
#include "platform/gpu/gpu_internal.h"
#include "platform/os/os.h"

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

struct GlDevice {
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    GLuint program = 0;
    GLuint presentProgram = 0;
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
    GLint pBack, pGamma;
    GlFamily families[GL_FAMILIES];
    int familyCount = 0;
    int liveLayer = -1;     // the live snapshot's family layer (-1: a plain texture or none)
    float liveMvp[16] = {};  // the live snapshot's world x view x projection
};

GlDevice gl;

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
out vec4 fragColor;
void main() {
    vec4 c = texture(uBack, vUV);
    ivec3 i = ivec3(floor(c.rgb * 255.0 + 0.5));
    // the display uses the high byte of each ramp entry
    fragColor = vec4(float(texelFetch(uGamma, ivec2(i.r, 0), 0).r >> 8u) / 255.0,
                     float(texelFetch(uGamma, ivec2(i.g, 1), 0).r >> 8u) / 255.0,
                     float(texelFetch(uGamma, ivec2(i.b, 2), 0).r >> 8u) / 255.0, 1.0);
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
    r.commands.push_back(c);
    r.items.push_back({damageHash(words, sizeof words, 0x5151), c.box});
}

// Draws a recording into the back buffer: within the damage's rectangles, or all of it (null).
void replay(GlRecording& r, const Damage* damage, GLuint framebuffer = 0)
{
    if (r.commands.empty()) return;
    GlSnapshot live;
    takeSnapshot(live);
    bindTarget(0);
    if (framebuffer) glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glBindVertexArray(gl.vao);
    glBindBuffer(GL_ARRAY_BUFFER, gl.vbo);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(r.vertices.size() * sizeof(GpuVertex)), r.vertices.data(),
                 GL_STREAM_DRAW);
    int passes = damage ? damage->count : 1;
    for (int p = 0; p < passes; ++p) {
        if (damage) {
            const DamageRect& d = damage->rects[p];
            glEnable(GL_SCISSOR_TEST);
            glScissor(d.x0, d.y0, d.x1 - d.x0, d.y1 - d.y0);
        }
        int applied = -1, appliedKind = 0;
        for (size_t i = 0; i < r.commands.size(); ++i) {
            const GlCommand& c = r.commands[i];
            if (damage && !damageIntersects(c.box, damage->rects[p])) continue;
            if (c.clear) {
                clearNow(c.clearFlags, c.clearColor, c.clearZ, c.clearStencil);
                applied = -1;
                continue;
            }
            if (c.snapshot != applied || c.batchKind != appliedKind || gl.dirty) {
                putSnapshot(r.snapshots[static_cast<size_t>(c.snapshot)]);
                GlProgram& g = programFor(c.batchKind);
                applyState(g);
                glUniform1i(g.uPointSprite, c.batchKind == 3 && rs(GpuRenderState::PointSpriteEnable) ? 1 : 0);
                glBindVertexArray(gl.vao);
                applied = c.snapshot;
                appliedKind = c.batchKind;
            }
            glDrawArrays(modeOf(c.batchKind), c.first, c.count);
        }
    }
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
    SDL_SetWindowFullscreen(gl.window, p.windowed ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
    if (p.windowed) SDL_SetWindowPosition(gl.window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
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

}  // namespace

bool glDeviceCreate(const GpuPresentParams& params)
{
    gl = GlDevice();
    gl.window = static_cast<SDL_Window*>(params.window);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    gl.context = SDL_GL_CreateContext(gl.window);
    if (!gl.context) {
        std::fprintf(stderr, "OpenGL context: %s\n", SDL_GetError());
        gl.window = nullptr;
        return false;
    }
    SDL_GL_MakeCurrent(gl.window, gl.context);
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
    gl.pBack = glGetUniformLocation(gl.presentProgram, "uBack");
    gl.pGamma = glGetUniformLocation(gl.presentProgram, "uGamma");
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
    gl.windowKeepsFrame = askPreservedSwaps();
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
        SDL_GL_MakeCurrent(gl.window, nullptr);
        SDL_GL_DeleteContext(gl.context);
    }
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
                putSnapshot(gl.pendingSnapshots[static_cast<size_t>(b.snapshot)]);
                GlProgram& g = programFor(b.batchKind);
                applyState(g);
                glUniform1i(g.uPointSprite, b.batchKind == 3 && rs(GpuRenderState::PointSpriteEnable) ? 1 : 0);
                glBindVertexArray(gl.vao);
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
    if (!gpu.batching || gpu.renderTarget != 0) return -1;
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
    replay(r, nullptr, gl.checkFramebuffer);
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
            replay(r, d.whole ? nullptr : &d);
            if (d.whole) gpu.stats.wholeFrames++;
            else gpu.stats.partialFrames++;
            gpu.stats.redrawnPixels += damageArea(d);
        }
    } else {
        replay(r, nullptr);
        gpu.stats.wholeFrames++;
        gpu.stats.redrawnPixels += int64_t(gpu.params.backBufferWidth) * gpu.params.backBufferHeight;
    }
    if (gpu.damageCheck && kept) checkKeptFrame(r);
    gl.lastComparable = !r.drawn && r.comparable && gpu.damageTracking;
    gl.recording = 1 - gl.recording;
    restartRecording();
    return changed;
}

namespace {

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
    } else if (gammaIsNeutral()) {
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
    gl.windowStale = false;
    std::memcpy(gl.rampPresented, gpu.gamma, sizeof gl.rampPresented);
    int w = 0, h = 0;
    osWindowPixels(gl.window, &w, &h);
    if (w <= 0 || h <= 0) {
        gl.windowFrameWidth = gl.windowFrameHeight = 0;  // the window missed this frame
        return;
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
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
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
    for (int pass = 0; pass < (partial ? changed.count : 1); ++pass) {
        if (partial) {
            DamageRect r = windowRectOf(changed.rects[pass], box, gpu.params.backBufferWidth, gpu.params.backBufferHeight);
            glEnable(GL_SCISSOR_TEST);
            glScissor(r.x0, r.y0, r.x1 - r.x0, r.y1 - r.y0);
        }
        copyFrameToWindow(box);
    }
    glDisable(GL_SCISSOR_TEST);
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
    bindTarget(gpu.renderTarget);
}

bool glDeviceCreateTexture(GpuTextureSlot& t)
{
    glGenTextures(1, &t.glTexture);
    glBindTexture(GL_TEXTURE_2D, t.glTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, t.levels - 1);
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

void glDeviceReleaseTexture(GpuTextureSlot& t)
{
    drawRecordedNow();  // recorded draws may use it
    if (t.glFramebuffer) glDeleteFramebuffers(1, &t.glFramebuffer);
    if (t.glDepth) glDeleteRenderbuffers(1, &t.glDepth);
    if (t.glTexture) glDeleteTextures(1, &t.glTexture);
    t.glFramebuffer = t.glDepth = t.glTexture = 0;
    gl.dirty = true;
}

void glDeviceUploadTexture(GpuTextureSlot& t)
{
    if (!t.glTexture || t.renderTarget) return;
    drawRecordedNow();  // recorded draws may use the old texels
    t.version = ++gl.versions;
    gl.liveSnapshot = -1;
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, t.glTexture);
    GLenum internal = GL_RGBA8, format = GL_BGRA, type = GL_UNSIGNED_BYTE;
    bool opaque = false;
    switch (t.format) {
    case GpuFormat::X8R8G8B8: opaque = true; break;
    case GpuFormat::R5G6B5:
        internal = GL_RGB8;
        format = GL_RGB;
        type = GL_UNSIGNED_SHORT_5_6_5;
        break;
    case GpuFormat::X1R5G5B5: opaque = true; [[fallthrough]];
    case GpuFormat::A1R5G5B5: type = GL_UNSIGNED_SHORT_1_5_5_5_REV; break;
    case GpuFormat::A4R4G4B4: type = GL_UNSIGNED_SHORT_4_4_4_4_REV; break;
    default: break;
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_A, opaque ? GL_ONE : GL_ALPHA);
    glPixelStorei(GL_UNPACK_ALIGNMENT, gpuFormatBytes(t.format) == 2 ? 2 : 4);
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(internal), t.width, t.height, 0, format, type, t.texels.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    if (t.levels > 1) glGenerateMipmap(GL_TEXTURE_2D);
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
    return SDL_CreateWindow("Ostrimar", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width, height,
                            SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
}

void gpuDestroyHiddenWindow(void* window)
{
    if (window) SDL_DestroyWindow(static_cast<SDL_Window*>(window));
}
