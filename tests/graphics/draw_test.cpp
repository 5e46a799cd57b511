// Drawing operations on the headless device: vertices, states, switches and counters.
#include "gfx_helpers.h"

#include <cmath>

namespace {

class DrawTest : public GraphicsTest {
protected:
    void SetUp() override
    {
        GraphicsTest::SetUp();
        startHeadless();
        begin2D();
        gpuClearDrawLog();
    }
    std::vector<GpuVertex> lastVertices()
    {
        const GpuVertex* v = nullptr;
        int n = gpuLastVertices(&v);
        return std::vector<GpuVertex>(v, v + n);
    }
    static Rect uv(float u0, float v0, float u1, float v1)
    {
        Rect r;
        r.set(u0, v0, u1, v1);
        return r;
    }
};

TEST_F(DrawTest, CentredQuadIsAStripTopRightBottomRightTopLeftBottomLeft)
{
    drawQuadCentered(10, 20, 100, 50, uv(0.1f, 0.2f, 0.7f, 0.9f), Color(1, 2, 3, 4), 7);
    const GpuDrawRecord* d = gpuLastDraw();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->primitive, GpuPrimitive::TriangleStrip);
    EXPECT_EQ(d->primitiveCount, 2);
    EXPECT_EQ(d->fvf, 0x142u);
    std::vector<GpuVertex> v = lastVertices();
    ASSERT_EQ(v.size(), 4u);
    const float want[4][4] = {{60, 45, 0.7f, 0.2f}, {60, -5, 0.7f, 0.9f}, {-40, 45, 0.1f, 0.2f}, {-40, -5, 0.1f, 0.9f}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(v[i].pos[0], want[i][0]) << i;
        EXPECT_FLOAT_EQ(v[i].pos[1], want[i][1]) << i;
        EXPECT_FLOAT_EQ(v[i].pos[2], 7.0f);
        EXPECT_FLOAT_EQ(v[i].u, want[i][2]) << i;
        EXPECT_FLOAT_EQ(v[i].v, want[i][3]) << i;
        EXPECT_EQ(v[i].color, 0x04010203u);
    }
    EXPECT_EQ(app.triangleCount, 2);
}

TEST_F(DrawTest, CornerColoursGoTopRightBottomRightTopLeftBottomLeft)
{
    Rect r;
    r.set(-10, 10, 10, -10);
    drawQuadRectColors(r, uv(0, 0, 1, 1), Color(1, 0, 0, 255), Color(2, 0, 0, 255), Color(3, 0, 0, 255), Color(4, 0, 0, 255));
    std::vector<GpuVertex> v = lastVertices();
    ASSERT_EQ(v.size(), 4u);
    EXPECT_EQ(v[0].pos[0], 10.0f);
    EXPECT_EQ(v[0].pos[1], 10.0f);
    for (int i = 0; i < 4; ++i) EXPECT_EQ((v[i].color >> 16) & 255, uint32_t(i + 1));
}

TEST_F(DrawTest, PixelRectangleCoversTheWholeScreenInCentredCoordinates)
{
    drawPixelRect(0, 0, 800, 600, 0, 0, 1, 1, Color(255, 255, 255, 255));
    std::vector<GpuVertex> v = lastVertices();
    ASSERT_EQ(v.size(), 4u);
    EXPECT_EQ(v[0].pos[0], 400.0f);   // top-right
    EXPECT_EQ(v[0].pos[1], 300.0f);
    EXPECT_EQ(v[3].pos[0], -400.0f);  // bottom-left
    EXPECT_EQ(v[3].pos[1], -300.0f);
    EXPECT_EQ(v[0].pos[2], 10.0f);
    // texture coordinates pulled inward by 0.001
    EXPECT_FLOAT_EQ(v[3].u, 0.001f);
    EXPECT_FLOAT_EQ(v[0].u, 0.999f);
    EXPECT_FLOAT_EQ(v[0].v, 0.001f);
}

TEST_F(DrawTest, PlainPixelRectangleIsATexturedListWithoutColour)
{
    drawPixelRectPlain(100, 50, 300, 150);
    const GpuDrawRecord* d = gpuLastDraw();
    EXPECT_EQ(d->primitive, GpuPrimitive::TriangleList);
    EXPECT_EQ(d->fvf, 0x102u);
    std::vector<GpuVertex> v = lastVertices();
    ASSERT_EQ(v.size(), 6u);
    EXPECT_EQ(v[0].pos[0], -300.0f);
    EXPECT_EQ(v[0].pos[1], 250.0f);
    EXPECT_EQ(v[0].color, 0xFFFFFFFFu);  // no diffuse colour: white
}

TEST_F(DrawTest, MultiplierTruncatesEachChannel)
{
    setColorMultiplier(1, 1, 1, 0.5f);
    Color c = modulateColor(Color(255, 255, 255, 255));
    EXPECT_EQ(c.a, 127);
    EXPECT_EQ(c.r, 255);
    setColorMultiplier(0.999f, 0.5f, 0.1f, 1);
    c = modulateColor(Color(100, 201, 9, 3));
    EXPECT_EQ(c.r, 99);
    EXPECT_EQ(c.g, 100);
    EXPECT_EQ(c.b, 0);
    EXPECT_EQ(c.a, 3);
    // factors above 1 wrap in the low 8 bits
    setColorMultiplier(2, 1, 1, 1);
    EXPECT_EQ(modulateColor(Color(200, 0, 0, 0)).r, uint8_t(400 & 255));
    setColorMultiplier(1, 1, 1, 0.5f);
    drawQuadCentered(0, 0, 10, 10, uv(0, 0, 1, 1), Color(255, 255, 255, 255));
    EXPECT_EQ(lastVertices()[0].color, 0x7FFFFFFFu);
}

TEST_F(DrawTest, SpriteTurnedNinetyDegreesSwapsWidthAndHeight)
{
    drawSprite(50, 60, 50, 60, 90, 40, 10, uv(0, 0, 1, 1), Color(255, 255, 255, 255));
    std::vector<GpuVertex> v = lastVertices();
    ASSERT_EQ(v.size(), 4u);
    float minX = 1e9f, maxX = -1e9f, minY = 1e9f, maxY = -1e9f;
    for (const GpuVertex& p : v) {
        minX = std::fmin(minX, p.pos[0]);
        maxX = std::fmax(maxX, p.pos[0]);
        minY = std::fmin(minY, p.pos[1]);
        maxY = std::fmax(maxY, p.pos[1]);
    }
    EXPECT_NEAR(maxX - minX, 10.0f, 1e-4f);
    EXPECT_NEAR(maxY - minY, 40.0f, 1e-4f);
    // counter-clockwise: the top-right corner (70, 65) goes to (45, 80)
    EXPECT_NEAR(v[0].pos[0], 45.0f, 1e-4f);
    EXPECT_NEAR(v[0].pos[1], 80.0f, 1e-4f);
    EXPECT_EQ(v[0].u, 1.0f);
    EXPECT_EQ(v[0].v, 0.0f);
}

TEST_F(DrawTest, SpriteRotatesAboutAnOutsidePivot)
{
    drawSprite(10, 0, 0, 0, 180, 2, 2, uv(0, 0, 1, 1), Color(255, 255, 255, 255));
    std::vector<GpuVertex> v = lastVertices();
    float cx = 0, cy = 0;
    for (const GpuVertex& p : v) {
        cx += p.pos[0] / 4;
        cy += p.pos[1] / 4;
    }
    EXPECT_NEAR(cx, -10.0f, 1e-4f);
    EXPECT_NEAR(cy, 0.0f, 1e-4f);
}

TEST_F(DrawTest, SwitchesAndBlendModes)
{
    enableSwitch(0);
    EXPECT_EQ(getRenderState(GpuRenderState::Lighting), 1u);
    disableSwitch(0);
    disableSwitch(1);
    EXPECT_EQ(getRenderState(GpuRenderState::ZEnable), 0u);
    disableSwitch(2);
    EXPECT_EQ(getRenderState(GpuRenderState::ZWriteEnable), 0u);
    enableSwitch(3);
    Matrix p = getTransform(GpuTransform::Projection);
    EXPECT_FLOAT_EQ(p.m[0][0], 2.0f / 800);
    EXPECT_FLOAT_EQ(p.m[2][2], 1.0f / 499);
    setProjectionForClient();
    disableSwitch(3);
    EXPECT_FLOAT_EQ(getTransform(GpuTransform::Projection).m[2][3], 1.0f);
    disableSwitch(7);
    EXPECT_EQ(gpuGetTextureStageState(GpuTextureStageState::MagFilter), uint32_t(FilterPoint));
    EXPECT_EQ(gpuGetTextureStageState(GpuTextureStageState::MipFilter), uint32_t(FilterNone));
    enableSwitch(7);
    EXPECT_EQ(gpuGetTextureStageState(GpuTextureStageState::MinFilter), uint32_t(FilterLinear));
    const uint32_t want[3][2] = {{BlendSrcAlpha, BlendInvSrcAlpha}, {BlendSrcColor, BlendOne}, {BlendOne, BlendZero}};
    for (int m = 0; m < 3; ++m) {
        setBlendMode(m);
        EXPECT_EQ(getRenderState(GpuRenderState::SrcBlend), want[m][0]);
        EXPECT_EQ(getRenderState(GpuRenderState::DestBlend), want[m][1]);
    }
}

TEST_F(DrawTest, Begin2DPreset)
{
    setRenderState(GpuRenderState::ZEnable, 1);
    setRenderState(GpuRenderState::AlphaRef, 128);
    Matrix moved;
    moved.m[3][0] = 5;
    setTransform(GpuTransform::View, &moved);
    begin2D();
    EXPECT_EQ(getRenderState(GpuRenderState::ZEnable), 0u);
    EXPECT_EQ(getRenderState(GpuRenderState::AlphaBlendEnable), 1u);
    EXPECT_EQ(getRenderState(GpuRenderState::AlphaTestEnable), 1u);
    EXPECT_EQ(getRenderState(GpuRenderState::AlphaRef), 1u);
    EXPECT_EQ(getTransform(GpuTransform::View).m[3][0], 0.0f);
    Matrix p = getTransform(GpuTransform::Projection);
    EXPECT_FLOAT_EQ(p.m[2][2], 1.0f / 99);
    EXPECT_FLOAT_EQ(p.m[3][2], 1.0f / (1 - 100));
}

TEST_F(DrawTest, Sprite3DOutsideTheFrustumDrawsNothing)
{
    setProjectionForClient();
    disableSwitch(3);
    Matrix view;
    view.m[3][2] = 120;  // camera looking down +z from 120 units before the board
    setTransform(GpuTransform::View, &view);
    rebuildFrustum();
    int draws = gpuDrawLogCount();
    EXPECT_FALSE(drawSprite3D(nullptr, 5000, 0, 0, 10, Color(255, 255, 255, 255)));
    EXPECT_EQ(gpuDrawLogCount(), draws);
    EXPECT_TRUE(drawSprite3D(nullptr, 0, 0, 0, 10, Color(255, 255, 255, 255)));
    const GpuDrawRecord* d = gpuLastDraw();
    EXPECT_EQ(d->primitive, GpuPrimitive::TriangleList);
    EXPECT_EQ(d->alphaBlend, 1u);
    std::vector<GpuVertex> v = lastVertices();
    ASSERT_EQ(v.size(), 6u);
    // first corner: centre - right + up = (-10, 10) with the turned texture point (0, 0)
    EXPECT_NEAR(v[0].pos[0], -10.0f, 1e-4f);
    EXPECT_NEAR(v[0].pos[1], 10.0f, 1e-4f);
    EXPECT_EQ(v[1].v, -1.0f);
    EXPECT_EQ(v[2].u, -1.0f);
}

TEST_F(DrawTest, BillboardIsABandAcrossTheViewDirection)
{
    drawBillboard(Vec3{0, 0, 0}, Vec3{100, 0, 0}, 5, Color(255, 255, 255, 255));
    std::vector<GpuVertex> v = lastVertices();
    ASSERT_EQ(v.size(), 6u);
    for (const GpuVertex& p : v) EXPECT_NEAR(std::fabs(p.pos[1]), 5.0f, 1e-4f);
    drawBillboardGradient(Vec3{0, 0, 0}, Vec3{0, 50, 0}, 2, Color(255, 0, 0, 255), Color(0, 0, 255, 255));
    v = lastVertices();
    for (const GpuVertex& p : v) EXPECT_EQ(p.pos[1] == 0.0f ? 0xFFFF0000u : 0xFF0000FFu, p.color);
    gpuClearDrawLog();
    drawBillboardRepeated(Vec3{0, 0, 0}, Vec3{100, 0, 0}, 5, 4, uv(0, 0, 1, 1), Color(255, 255, 255, 255));
    EXPECT_EQ(gpuDrawLogCount(), 4);
    v = lastVertices();
    float maxX = 0;
    for (const GpuVertex& p : v) maxX = std::fmax(maxX, p.pos[0]);
    EXPECT_NEAR(maxX, 100 * 4.05f / 4, 1e-3f);  // each piece overlaps the next by 0.05 of a piece
}

TEST_F(DrawTest, LinesAndUserPrimitivesCountTheirPrimitives)
{
    app.triangleCount = 0;
    drawLine(Vec3{0, 0, 0}, Vec3{1, 1, 1});
    EXPECT_EQ(gpuLastDraw()->primitive, GpuPrimitive::LineList);
    EXPECT_EQ(gpuLastDraw()->fvf, FVF_XYZ);
    QuadVertex tri[3] = {{{0, 0, 10}, 0xFFFFFFFF, 0, 0}, {{1, 0, 10}, 0xFFFFFFFF, 1, 0}, {{0, 1, 10}, 0xFFFFFFFF, 0, 1}};
    drawUserPrimitives(tri, 1, FVF_QUADVERTEX, GpuPrimitive::TriangleList);
    EXPECT_EQ(app.triangleCount, 2);
    EXPECT_EQ(gpuStats().primitives, 2);
}

Vec3 cubeCorners[8] = {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1}, {-1, -1, 1}, {1, -1, 1}, {1, 1, 1}, {-1, 1, 1}};
uint32_t cubeIndices[36] = {0, 1, 2, 0, 2, 3, 4, 6, 5, 4, 7, 6, 0, 4, 5, 0, 5, 1, 3, 2, 6, 3, 6, 7, 0, 3, 7, 0, 7, 4, 1, 5, 6, 1, 6, 2};

TEST_F(DrawTest, MeshBuffersAndIndexedDrawing)
{
    Mesh cube;
    cube.vertexCount = 8;
    cube.triangleCount = 12;
    cube.positions = cubeCorners;
    cube.indices = cubeIndices;
    ASSERT_TRUE(createMeshBuffers(cube, FVF_MESHVERTEX));
    EXPECT_EQ(cube.stride, 32);
    app.triangleCount = 0;
    drawMesh(cube);
    EXPECT_EQ(app.triangleCount, 12);
    const GpuDrawRecord* d = gpuLastDraw();
    EXPECT_EQ(d->primitiveCount, 12);
    EXPECT_EQ(d->vertexCount, 36);
    std::vector<GpuVertex> v = lastVertices();
    EXPECT_EQ(v[4].pos[0], 1.0f);  // index 2 -> corner (1, 1, -1)
    EXPECT_EQ(v[4].pos[1], 1.0f);
    releaseMeshBuffers(cube);
    EXPECT_EQ(cube.vertexBuffer, 0);
    Mesh bad;
    EXPECT_FALSE(createMeshBuffers(bad, FVF_MESHVERTEX));
}

TEST_F(DrawTest, MeshQueueRejectsThe512thInstance)
{
    Mesh cube;
    cube.vertexCount = 8;
    cube.triangleCount = 12;
    cube.positions = cubeCorners;
    cube.indices = cubeIndices;
    ASSERT_TRUE(createMeshBuffers(cube, FVF_XYZ));
    Matrix m;
    for (int i = 1; i <= MESH_QUEUE_INSTANCES; ++i) ASSERT_EQ(queueMesh(&cube, nullptr, m), i);
    EXPECT_EQ(queueMesh(&cube, nullptr, m), 0);
    gpuClearDrawLog();
    flushMeshes();
    EXPECT_EQ(gpuDrawLogCount(), GPU_DRAW_LOG_SIZE);  // the ring holds the newest draws
    EXPECT_EQ(gpuStats().submittedDraws, MESH_QUEUE_INSTANCES);
    EXPECT_EQ(drawState.instanceCount, 0);
    EXPECT_EQ(queueMesh(&cube, nullptr, m), 1);
}

TEST_F(DrawTest, MeshQueueGroupsByMeshAndTextureWithTheirStates)
{
    Mesh a, b;
    for (Mesh* mesh : {&a, &b}) {
        mesh->vertexCount = 8;
        mesh->triangleCount = 12;
        mesh->positions = cubeCorners;
        mesh->indices = cubeIndices;
        ASSERT_TRUE(createMeshBuffers(*mesh, FVF_MESHVERTEX));
    }
    b.reflection = 1;
    Texture* glass = createTexture("glass", 4, 4, GpuFormat::A8R8G8B8, false);
    glass->hasAlpha = 1;
    Matrix m1, m2, m3;
    m1.m[3][0] = 1;
    m2.m[3][0] = 2;
    m3.m[3][0] = 3;
    queueMesh(&a, nullptr, m1);
    queueMesh(&b, glass, m2);
    queueMesh(&a, nullptr, m3);
    EXPECT_EQ(drawState.groupCount, 2);
    gpuClearDrawLog();
    flushMeshes();
    ASSERT_EQ(gpuDrawLogCount(), 3);
    // group order: both instances of a, then b
    EXPECT_EQ(gpuDrawLogEntry(0)->texture, 0);
    EXPECT_EQ(gpuDrawLogEntry(1)->texture, 0);
    const GpuDrawRecord* g = gpuDrawLogEntry(2);
    EXPECT_EQ(g->texture, glass->texture);
    EXPECT_EQ(g->alphaTest, 1u);
    EXPECT_EQ(g->alphaBlend, 1u);
    EXPECT_EQ(g->cullMode, uint32_t(CullNone));
    EXPECT_EQ(g->texCoordIndex, TCI_CAMERASPACEREFLECTIONVECTOR);
    EXPECT_EQ(getTransform(GpuTransform::World).m[3][0], 2.0f);
    // states are put back after each group
    EXPECT_EQ(getRenderState(GpuRenderState::AlphaBlendEnable), 0u);
    EXPECT_EQ(getRenderState(GpuRenderState::CullMode), uint32_t(CullCCW));
    EXPECT_EQ(gpuGetTextureStageState(GpuTextureStageState::TexCoordIndex), TCI_PASSTHRU);
    // premultiplied alpha blends with (ONE, INVSRCALPHA)
    drawState.premultipliedAlpha = 1;
    queueMesh(&b, glass, m2);
    flushMeshes();
    EXPECT_EQ(gpuLastDraw()->srcBlend, uint32_t(BlendOne));
    EXPECT_EQ(gpuLastDraw()->destBlend, uint32_t(BlendInvSrcAlpha));
}

}  // namespace
