#pragma once
// Sprite, quad and mesh drawing. 2-D drawing uses centred coordinates: x from -400 (left) to
// 400 (right), y from -300 (bottom) to 300 (top), depth z = 10 unless given; pixel coordinates
// (origin top-left, y down) convert as x - 400, -(y - 300). Texture rectangles are Rects used as
// (u0, v0, u1, v1): u0, v0 at the quad's top-left corner, u1, v1 at its bottom-right. Every quad
// colour is multiplied by the global colour multiplier; every draw adds its primitive count to
// app.triangleCount.
#include "core/math.h"
#include "graphics/textures.h"
#include "platform/gpu/gpu.h"

#include <cstdint>

struct QuadVertex {
    Vec3 pos;
    uint32_t color;  // 0xAARRGGBB
    float u, v;
};
struct TexVertex {
    Vec3 pos;
    float u, v;
};
struct MeshVertex {
    Vec3 pos;
    Vec3 normal;
    float u, v;
};
constexpr uint32_t FVF_QUADVERTEX = FVF_XYZ | FVF_DIFFUSE | FVF_TEX1;  // 0x142
constexpr uint32_t FVF_TEXVERTEX = FVF_XYZ | FVF_TEX1;                 // 0x102
constexpr uint32_t FVF_MESHVERTEX = FVF_XYZ | FVF_NORMAL | FVF_TEX1;   // 0x112
static_assert(sizeof(QuadVertex) == 24 && sizeof(TexVertex) == 20 && sizeof(MeshVertex) == 32);

// A mesh as the drawing code needs it: the geometry (filled by the mesh loader) and the device
// buffers createMeshBuffers makes from it. Without indices, positions hold triangleCount * 3 corners.
struct Mesh {
    int vertexCount = 0;
    int triangleCount = 0;
    const Vec3* positions = nullptr;
    const Vec3* normals = nullptr;   // optional
    const Vec2* uvs = nullptr;       // optional
    const uint32_t* indices = nullptr;  // triangleCount * 3, or null
    uint8_t reflection = 0;          // environment-mapped by the reflection vector
    uint8_t twoSided = 0;            // drawn without culling
    uint32_t fvf = 0;
    int stride = 0;
    int vertexBuffer = 0;
    int indexBuffer = 0;
};

constexpr int MESH_QUEUE_INSTANCES = 511;
constexpr int MESH_QUEUE_GROUPS = 255;

struct MeshGroup {
    Mesh* mesh;
    const Texture* texture;
    int instanceCount;
};

struct DrawState {
    float colorMultiplier[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    uint8_t premultipliedAlpha = 0;  // queued meshes with alpha blend as premultiplied (ONE, INVSRCALPHA)
    Frustum frustum;                 // the view frustum, rebuilt each frame by the screens
    Matrix instanceMatrices[MESH_QUEUE_INSTANCES];
    int instanceGroup[MESH_QUEUE_INSTANCES] = {};
    int instanceCount = 0;
    MeshGroup groups[MESH_QUEUE_GROUPS] = {};
    int groupCount = 0;
};

extern DrawState drawState;

void resetDrawState();

// Numbered render switches: 0 lighting, 1 depth test, 2 depth writes, 3 orthographic 2-D
// projection (off: the scene's perspective), 4 alpha blending, 5 alpha test, 6 point sprites,
// 7 texture filtering (linear; off: point sampling).
void enableSwitch(int n);
void disableSwitch(int n);
// 0 transparency (SRCALPHA, INVSRCALPHA), 1 additive glow (SRCCOLOR, ONE), 2 opaque (ONE, ZERO).
void setBlendMode(int m);
// The standard 2-D preset.
void begin2D();
// The view frustum from the device's view and projection transforms.
void rebuildFrustum();

void setColorMultiplier(float r, float g, float b, float a);
Color modulateColor(Color c);

void drawQuadCentered(float x, float y, float w, float h, const Rect& uv, Color color, float z = 10.0f);
void drawQuadCentered(const Vec2& centre, float w, float h, const Rect& uv, Color color, float z = 10.0f);
void drawQuadRect(const Rect& rect, const Rect& uv, Color color, float z = 10.0f);
// Colour 1 at top-right, 2 at bottom-right, 3 at top-left, 4 at bottom-left.
void drawQuadRectColors(const Rect& rect, const Rect& uv, Color c1, Color c2, Color c3, Color c4, float z = 10.0f);
// Rotated counter-clockwise by angle degrees about the pivot (pivotX, pivotY).
void drawSprite(float x, float y, float pivotX, float pivotY, float angle, float w, float h, const Rect& uv,
                Color color, float z = 10.0f);
// A camera-facing square in 3-D; false (nothing drawn) when outside the view frustum.
bool drawSprite3D(const Texture* texture, float x, float y, float angle, float halfSize, Color color);
void drawPixelRect(float x0, float y0, float x1, float y1, float u0, float v0, float u1, float v1, Color color);
void drawPixelRectPlain(float x0, float y0, float x1, float y1);
void drawQuad4(const Vec3 corners[4], const Vec2 uv[4], Color color);
void drawQuad4Colors(const Vec3 corners[4], const Vec2 uv[4], const Color colors[4]);
void drawQuad4Turned(const Vec3 corners[4], const Color colors[4]);
void drawQuad4Unit(const Vec3 corners[4], Color color);
void drawBillboard(const Vec3& start, const Vec3& end, float halfWidth, Color color);
void drawBillboardGradient(const Vec3& start, const Vec3& end, float halfWidth, Color startColor, Color endColor);
void drawBillboardRepeated(const Vec3& start, const Vec3& end, float halfWidth, int segments, const Rect& uv,
                           Color color);

void setTexture(const Texture* texture);
void setTextureCameraNormal(const Texture* texture);
void drawUserPrimitives(const void* vertices, int count, uint32_t fvf, GpuPrimitive type);
void drawLine(const Vec3& a, const Vec3& b);

// Builds the device buffers of a mesh for a vertex format (XYZ with optional NORMAL and TEX1).
bool createMeshBuffers(Mesh& mesh, uint32_t fvf);
void releaseMeshBuffers(Mesh& mesh);
void drawMesh(const Mesh& mesh);
// Queues one instance; 0 when the queue is full (511 instances or 255 groups), else the instance count.
int queueMesh(Mesh* mesh, const Texture* texture, const Matrix& world);
void flushMeshes();
