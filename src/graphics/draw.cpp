// Sprite, quad and mesh drawing on the device.
#include "graphics/draw.h"

#include "core/appstate.h"
#include "graphics/device.h"

#include <cmath>
#include <cstring>

DrawState drawState;

namespace {

constexpr float Z2D = 10.0f;

void draw(const void* vertices, int prims, uint32_t fvf, GpuPrimitive type)
{
    gpuSetVertexFormat(fvf);
    gpuDrawPrimitiveUP(type, prims, vertices, gpuFvfStride(fvf));
    app.triangleCount += prims;
}

uint8_t mod(uint8_t c, float f) { return static_cast<uint8_t>(static_cast<int>(c * f) & 255); }

// A strip in the order top-right, bottom-right, top-left, bottom-left.
void drawStrip(const Vec3 p[4], const Vec2 t[4], const uint32_t c[4])
{
    QuadVertex v[4];
    for (int i = 0; i < 4; ++i) v[i] = {p[i], c[i], t[i].x, t[i].y};
    draw(v, 2, FVF_QUADVERTEX, GpuPrimitive::TriangleStrip);
}

// Two triangles: corners 1, 2, 3 and 1, 3, 4.
void drawList(const Vec3 p[4], const Vec2 t[4], const uint32_t c[4])
{
    static const int order[6] = {0, 1, 2, 0, 2, 3};
    QuadVertex v[6];
    for (int i = 0; i < 6; ++i) v[i] = {p[order[i]], c[order[i]], t[order[i]].x, t[order[i]].y};
    draw(v, 2, FVF_QUADVERTEX, GpuPrimitive::TriangleList);
}

void rectQuad(const Rect& r, const Rect& uv, const uint32_t c[4], float z)
{
    const Vec3 p[4] = {{r.right, r.top, z}, {r.right, r.bottom, z}, {r.left, r.top, z}, {r.left, r.bottom, z}};
    const Vec2 t[4] = {{uv.right, uv.top}, {uv.right, uv.bottom}, {uv.left, uv.top}, {uv.left, uv.bottom}};
    drawStrip(p, t, c);
}

Vec3 normalized(Vec3 v)
{
    float len = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (len == 0.0f) return v;
    return v.scale(1.0f / len);
}

Vec3 billboardSide(const Vec3& start, const Vec3& end, float halfWidth)
{
    Matrix view = getTransform(GpuTransform::View);
    return normalized(end.sub(start).cross(view.column2())).scale(halfWidth);
}

void setCull(uint32_t mode) { setRenderState(GpuRenderState::CullMode, mode); }

}  // namespace

void resetDrawState() { drawState = DrawState(); }

void enableSwitch(int n)
{
    switch (n) {
    case 0: setRenderState(GpuRenderState::Lighting, 1); break;
    case 1: setRenderState(GpuRenderState::ZEnable, 1); break;
    case 2: setRenderState(GpuRenderState::ZWriteEnable, 1); break;
    case 3: setOrthoProjection(800.0f, 600.0f, 1.0f, 500.0f); break;
    case 4: setRenderState(GpuRenderState::AlphaBlendEnable, 1); break;
    case 5: setRenderState(GpuRenderState::AlphaTestEnable, 1); break;
    case 6: setRenderState(GpuRenderState::PointSpriteEnable, 1); break;
    case 7:
        setTextureStageState(GpuTextureStageState::MagFilter, FilterLinear);
        setTextureStageState(GpuTextureStageState::MinFilter, FilterLinear);
        setTextureStageState(GpuTextureStageState::MipFilter, FilterLinear);
        break;
    default: break;
    }
}

void disableSwitch(int n)
{
    switch (n) {
    case 0: setRenderState(GpuRenderState::Lighting, 0); break;
    case 1: setRenderState(GpuRenderState::ZEnable, 0); break;
    case 2: setRenderState(GpuRenderState::ZWriteEnable, 0); break;
    case 3: setTransform(GpuTransform::Projection, &device.perspectiveMatrix); break;
    case 4: setRenderState(GpuRenderState::AlphaBlendEnable, 0); break;
    case 5: setRenderState(GpuRenderState::AlphaTestEnable, 0); break;
    case 6: setRenderState(GpuRenderState::PointSpriteEnable, 0); break;
    case 7:
        setTextureStageState(GpuTextureStageState::MagFilter, FilterPoint);
        setTextureStageState(GpuTextureStageState::MinFilter, FilterPoint);
        setTextureStageState(GpuTextureStageState::MipFilter, FilterNone);
        break;
    default: break;
    }
}

void setBlendMode(int m)
{
    uint32_t src = BlendSrcAlpha, dst = BlendInvSrcAlpha;
    if (m == 1) {
        src = BlendSrcColor;
        dst = BlendOne;
    } else if (m == 2) {
        src = BlendOne;
        dst = BlendZero;
    }
    setRenderState(GpuRenderState::SrcBlend, src);
    setRenderState(GpuRenderState::DestBlend, dst);
}

void begin2D()
{
    setRenderState(GpuRenderState::ZEnable, 0);
    setBlendMode(0);
    setRenderState(GpuRenderState::AlphaBlendEnable, 1);
    setRenderState(GpuRenderState::AlphaTestEnable, 1);
    setRenderState(GpuRenderState::AlphaRef, 1);
    enableSwitch(7);
    setTransform(GpuTransform::World, nullptr);
    setTransform(GpuTransform::View, nullptr);
    setOrthoProjection(800.0f, 600.0f, 1.0f, 100.0f);
}

void rebuildFrustum()
{
    drawState.frustum.rebuild(getTransform(GpuTransform::View), getTransform(GpuTransform::Projection));
}

void setColorMultiplier(float r, float g, float b, float a)
{
    drawState.colorMultiplier[0] = r;
    drawState.colorMultiplier[1] = g;
    drawState.colorMultiplier[2] = b;
    drawState.colorMultiplier[3] = a;
}

Color modulateColor(Color c)
{
    const float* m = drawState.colorMultiplier;
    Color out;
    out.r = mod(c.r, m[0]);
    out.g = mod(c.g, m[1]);
    out.b = mod(c.b, m[2]);
    out.a = mod(c.a, m[3]);
    return out;
}

void drawQuadCentered(float x, float y, float w, float h, const Rect& uv, Color color, float z)
{
    Rect r;
    r.set(x - w / 2, y + h / 2, x + w / 2, y - h / 2);
    drawQuadRect(r, uv, color, z);
}

void drawQuadCentered(const Vec2& centre, float w, float h, const Rect& uv, Color color, float z)
{
    drawQuadCentered(centre.x, centre.y, w, h, uv, color, z);
}

void drawQuadRect(const Rect& rect, const Rect& uv, Color color, float z)
{
    uint32_t c = modulateColor(color).asWord();
    const uint32_t cs[4] = {c, c, c, c};
    rectQuad(rect, uv, cs, z);
}

void drawQuadRectColors(const Rect& rect, const Rect& uv, Color c1, Color c2, Color c3, Color c4, float z)
{
    const uint32_t cs[4] = {modulateColor(c1).asWord(), modulateColor(c2).asWord(), modulateColor(c3).asWord(),
                            modulateColor(c4).asWord()};
    rectQuad(rect, uv, cs, z);
}

void drawSprite(float x, float y, float pivotX, float pivotY, float angle, float w, float h, const Rect& uv,
                Color color, float z)
{
    float hw = w / 2, hh = h / 2;
    Vec2 c[4] = {{x - hw, y + hh}, {x + hw, y + hh}, {x + hw, y - hh}, {x - hw, y - hh}};
    float a = angle * 0.017453292f, cs = std::cos(a), sn = std::sin(a);
    for (Vec2& p : c) {
        float dx = p.x - pivotX, dy = p.y - pivotY;
        p = {dx * cs - dy * sn + pivotX, dx * sn + dy * cs + pivotY};
    }
    uint32_t col = modulateColor(color).asWord();
    const Vec3 p[4] = {{c[1].x, c[1].y, z}, {c[2].x, c[2].y, z}, {c[0].x, c[0].y, z}, {c[3].x, c[3].y, z}};
    const Vec2 t[4] = {{uv.right, uv.top}, {uv.right, uv.bottom}, {uv.left, uv.top}, {uv.left, uv.bottom}};
    const uint32_t cols[4] = {col, col, col, col};
    drawStrip(p, t, cols);
}

bool drawSprite3D(const Texture* texture, float x, float y, float angle, float halfSize, Color color)
{
    if (!drawState.frustum.containsSphere(x, y, 0.0f, halfSize)) return false;
    setRenderState(GpuRenderState::AlphaBlendEnable, 1);
    setBlendMode(0);
    setTexture(texture);
    Matrix view = getTransform(GpuTransform::View);
    Vec3 r = view.column0().scale(halfSize), u = view.column1().scale(halfSize);
    float a = angle * 0.017453292f, sn = std::sin(a), cs = std::cos(a);
    Vec3 up = r.scale(sn).add(u.scale(cs));
    Vec3 right = r.scale(cs).sub(u.scale(sn));
    Vec3 centre = {x, y, 0.0f};
    const Vec3 corners[4] = {centre.sub(right).add(up), centre.sub(right).sub(up), centre.add(right).sub(up),
                             centre.add(right).add(up)};
    const Color colors[4] = {color, color, color, color};
    drawQuad4Turned(corners, colors);
    return true;
}

void drawPixelRect(float x0, float y0, float x1, float y1, float u0, float v0, float u1, float v1, Color color)
{
    Rect r, uv;
    r.set(x0 - 400.0f, -(y0 - 300.0f), x1 - 400.0f, -(y1 - 300.0f));
    uv.set(u0 + 0.001f, v0 + 0.001f, u1 - 0.001f, v1 - 0.001f);
    drawQuadRect(r, uv, color, Z2D);
}

void drawPixelRectPlain(float x0, float y0, float x1, float y1)
{
    float l = x0 - 400.0f, t = -(y0 - 300.0f), r = x1 - 400.0f, b = -(y1 - 300.0f);
    // top-left, top-right, bottom-right and top-left, bottom-right, bottom-left (clockwise on screen)
    const TexVertex v[6] = {{{l, t, Z2D}, 0, 0}, {{r, t, Z2D}, 1, 0}, {{r, b, Z2D}, 1, 1},
                            {{l, t, Z2D}, 0, 0}, {{r, b, Z2D}, 1, 1}, {{l, b, Z2D}, 0, 1}};
    draw(v, 2, FVF_TEXVERTEX, GpuPrimitive::TriangleList);
}

void drawQuad4(const Vec3 corners[4], const Vec2 uv[4], Color color)
{
    uint32_t c = modulateColor(color).asWord();
    const uint32_t cs[4] = {c, c, c, c};
    drawStrip(corners, uv, cs);
}

void drawQuad4Colors(const Vec3 corners[4], const Vec2 uv[4], const Color colors[4])
{
    uint32_t cs[4];
    for (int i = 0; i < 4; ++i) cs[i] = modulateColor(colors[i]).asWord();
    drawList(corners, uv, cs);
}

void drawQuad4Turned(const Vec3 corners[4], const Color colors[4])
{
    static const Vec2 uv[4] = {{0, 0}, {0, -1}, {-1, -1}, {-1, 0}};
    drawQuad4Colors(corners, uv, colors);
}

void drawQuad4Unit(const Vec3 corners[4], Color color)
{
    static const Vec2 uv[4] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
    uint32_t c = modulateColor(color).asWord();
    const uint32_t cs[4] = {c, c, c, c};
    drawList(corners, uv, cs);
}

void drawBillboard(const Vec3& start, const Vec3& end, float halfWidth, Color color)
{
    Vec3 side = billboardSide(start, end, halfWidth);
    const Vec3 corners[4] = {start.sub(side), end.sub(side), end.add(side), start.add(side)};
    drawQuad4Unit(corners, color);
}

void drawBillboardGradient(const Vec3& start, const Vec3& end, float halfWidth, Color startColor, Color endColor)
{
    Vec3 side = billboardSide(start, end, halfWidth);
    const Vec3 corners[4] = {start.sub(side), end.sub(side), end.add(side), start.add(side)};
    const Color colors[4] = {startColor, endColor, endColor, startColor};
    drawQuad4Turned(corners, colors);
}

void drawBillboardRepeated(const Vec3& start, const Vec3& end, float halfWidth, int segments, const Rect& uv,
                           Color color)
{
    if (segments <= 0) return;
    Vec3 side = billboardSide(start, end, halfWidth);
    Vec3 along = end.sub(start);
    const Vec2 t[4] = {{uv.left, uv.top}, {uv.left, uv.bottom}, {uv.right, uv.bottom}, {uv.right, uv.top}};
    const Color colors[4] = {color, color, color, color};
    for (int i = 0; i < segments; ++i) {
        float t0 = static_cast<float>(i) / segments, t1 = (i + 1.05f) / segments;
        Vec3 a = start.add(along.scale(t0)), b = start.add(along.scale(t1));
        const Vec3 corners[4] = {a.sub(side), b.sub(side), b.add(side), a.add(side)};
        drawQuad4Colors(corners, t, colors);
    }
}

void setTexture(const Texture* texture) { setDeviceTexture(texture ? texture->texture : 0); }

void setTextureCameraNormal(const Texture* texture)
{
    setTexture(texture);
    setTextureStageState(GpuTextureStageState::TexCoordIndex, TCI_CAMERASPACENORMAL);
}

void drawUserPrimitives(const void* vertices, int count, uint32_t fvf, GpuPrimitive type)
{
    if (gpuFvfStride(fvf) == 0) return;
    draw(vertices, count, fvf, type);
}

void drawLine(const Vec3& a, const Vec3& b)
{
    const Vec3 v[2] = {a, b};
    draw(v, 1, FVF_XYZ, GpuPrimitive::LineList);
}

bool createMeshBuffers(Mesh& mesh, uint32_t fvf)
{
    releaseMeshBuffers(mesh);
    if (!mesh.positions || mesh.triangleCount <= 0 || (fvf & ~(FVF_XYZ | FVF_NORMAL | FVF_TEX1)) != 0 ||
        !(fvf & FVF_XYZ))
        return false;
    int stride = 12 + ((fvf & FVF_NORMAL) ? 12 : 0) + ((fvf & FVF_TEX1) ? 8 : 0);
    bool indexed = mesh.indices != nullptr;
    int count = indexed ? mesh.vertexCount : mesh.triangleCount * 3;
    if (count <= 0 || (indexed && mesh.vertexCount > 65536)) return false;
    mesh.vertexBuffer = gpuCreateVertexBuffer(count * stride);
    uint8_t* v = static_cast<uint8_t*>(gpuLockBuffer(mesh.vertexBuffer));
    if (!v) return false;
    for (int i = 0; i < count; ++i) {
        uint8_t* d = v + static_cast<size_t>(i) * stride;
        std::memcpy(d, &mesh.positions[i], 12);
        d += 12;
        if (fvf & FVF_NORMAL) {
            Vec3 n = mesh.normals ? mesh.normals[i] : Vec3{0, 0, 1};
            std::memcpy(d, &n, 12);
            d += 12;
        }
        if (fvf & FVF_TEX1) {
            Vec2 t = mesh.uvs ? mesh.uvs[i] : Vec2{};
            std::memcpy(d, &t, 8);
        }
    }
    gpuUnlockBuffer(mesh.vertexBuffer);
    if (indexed) {
        mesh.indexBuffer = gpuCreateIndexBuffer(mesh.triangleCount * 6);
        uint8_t* ib = static_cast<uint8_t*>(gpuLockBuffer(mesh.indexBuffer));
        if (!ib) {
            releaseMeshBuffers(mesh);
            return false;
        }
        for (int i = 0; i < mesh.triangleCount * 3; ++i) {
            uint16_t narrow = static_cast<uint16_t>(mesh.indices[i]);
            std::memcpy(ib + i * 2, &narrow, 2);
        }
        gpuUnlockBuffer(mesh.indexBuffer);
    }
    mesh.fvf = fvf;
    mesh.stride = stride;
    return true;
}

void releaseMeshBuffers(Mesh& mesh)
{
    gpuReleaseBuffer(mesh.vertexBuffer);
    gpuReleaseBuffer(mesh.indexBuffer);
    mesh.vertexBuffer = mesh.indexBuffer = 0;
}

void drawMesh(const Mesh& mesh)
{
    if (!mesh.vertexBuffer) return;
    gpuSetStreamSource(mesh.vertexBuffer, mesh.stride);
    gpuSetVertexFormat(mesh.fvf);
    if (mesh.indexBuffer) {
        gpuSetIndices(mesh.indexBuffer, 0);
        gpuDrawIndexedPrimitive(GpuPrimitive::TriangleList, 0, mesh.vertexCount, 0, mesh.triangleCount);
    } else {
        gpuDrawPrimitive(GpuPrimitive::TriangleList, 0, mesh.triangleCount);
    }
    app.triangleCount += mesh.triangleCount;
}

int queueMesh(Mesh* mesh, const Texture* texture, const Matrix& world)
{
    if (!mesh || drawState.instanceCount >= MESH_QUEUE_INSTANCES) return 0;
    int g = 0;
    while (g < drawState.groupCount && !(drawState.groups[g].mesh == mesh && drawState.groups[g].texture == texture)) ++g;
    if (g == drawState.groupCount) {
        if (drawState.groupCount >= MESH_QUEUE_GROUPS) return 0;
        drawState.groups[g] = {mesh, texture, 0};
        drawState.groupCount++;
    }
    drawState.groups[g].instanceCount++;
    drawState.instanceMatrices[drawState.instanceCount] = world;
    drawState.instanceGroup[drawState.instanceCount] = g;
    return ++drawState.instanceCount;
}

void flushMeshes()
{
    setCull(CullCCW);
    for (int g = 0; g < drawState.groupCount; ++g) {
        const MeshGroup& group = drawState.groups[g];
        setTexture(group.texture);
        if (group.mesh->reflection)
            setTextureStageState(GpuTextureStageState::TexCoordIndex, TCI_CAMERASPACEREFLECTIONVECTOR);
        if (group.mesh->twoSided) setCull(CullNone);
        if (group.texture && group.texture->hasAlpha) {
            setRenderState(GpuRenderState::AlphaTestEnable, 1);
            setCull(CullNone);
            setRenderState(GpuRenderState::AlphaBlendEnable, 1);
            if (drawState.premultipliedAlpha) {
                setRenderState(GpuRenderState::SrcBlend, BlendOne);
                setRenderState(GpuRenderState::DestBlend, BlendInvSrcAlpha);
            } else {
                setBlendMode(0);
            }
        }
        for (int i = 0; i < drawState.instanceCount; ++i) {
            if (drawState.instanceGroup[i] != g) continue;
            setTransform(GpuTransform::World, &drawState.instanceMatrices[i]);
            drawMesh(*group.mesh);
        }
        setRenderState(GpuRenderState::AlphaBlendEnable, 0);
        setRenderState(GpuRenderState::AlphaTestEnable, 0);
        setCull(CullCCW);
        setTextureStageState(GpuTextureStageState::TexCoordIndex, TCI_PASSTHRU);
    }
    drawState.instanceCount = 0;
    drawState.groupCount = 0;
}
