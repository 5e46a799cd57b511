// Meshes and composite objects: flat and smooth building on small hand-made meshes (the split of
// vertices by texture coordinate, normals, index values), bounding volumes, refused files, the
// caches, ".cgo" files, drawing states and culling against the view's planes.
#include "graphics/gfx_helpers.h"

#include "effects/mesh.h"

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Corner {
    int vertex;
    float u, v;
};

// The bytes of a ".msh_s" file.
std::vector<uint8_t> meshFile(uint8_t smooth, const std::vector<Vec3>& positions, const std::vector<Corner>& corners,
                              Vec3 translation = {}, Vec3 rotation = {})
{
    std::vector<uint8_t> out(3, 0);
    auto f32 = [&](float f) {
        uint8_t b[4];
        std::memcpy(b, &f, 4);
        out.insert(out.end(), b, b + 4);
    };
    auto i32 = [&](int32_t i) {
        uint8_t b[4];
        std::memcpy(b, &i, 4);
        out.insert(out.end(), b, b + 4);
    };
    out.push_back(smooth);
    for (Vec3 v : {translation, rotation}) {
        f32(v.x);
        f32(v.y);
        f32(v.z);
    }
    out.push_back(7);
    i32(int32_t(positions.size()));
    i32(int32_t(corners.size() / 3));
    for (const Vec3& p : positions) {
        f32(p.x);
        f32(p.y);
        f32(p.z);
    }
    for (const Corner& c : corners) i32(c.vertex);
    for (const Corner& c : corners) {
        f32(c.u);
        f32(c.v);
    }
    return out;
}

// A unit square in the plane z = 0 as two faces (0, 1, 2) and (0, 2, 3), wound clockwise as seen
// from -z. Vertex 0 has different texture coordinates in the two faces (0.9 first, then 0.1);
// vertex 2 the same in both.
const std::vector<Vec3> squareCorners = {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}};
const std::vector<Corner> squareFaces = {{0, 0.9f, 0.0f}, {1, 0.0f, 1.0f}, {2, 1.0f, 1.0f},
                                         {0, 0.1f, 0.0f}, {2, 1.0f, 1.0f}, {3, 1.0f, 0.0f}};

bool build(const std::vector<uint8_t>& bytes, MeshModel* m, std::string* why = nullptr)
{
    char error[160] = {};
    bool ok = buildMesh(bytes.data(), int64_t(bytes.size()), m, error, sizeof error);
    if (why) *why = error;
    return ok;
}

void expectVec(const Vec3& v, float x, float y, float z, float tol = 1e-5f)
{
    EXPECT_NEAR(v.x, x, tol);
    EXPECT_NEAR(v.y, y, tol);
    EXPECT_NEAR(v.z, z, tol);
}

TEST(MeshBuild, FlatMeshHasThreeVerticesPerFaceWithFaceNormalsAndFlippedV)
{
    MeshModel m;
    ASSERT_TRUE(build(meshFile(0, squareCorners, squareFaces), &m));
    EXPECT_EQ(m.smooth, 0);
    EXPECT_EQ(m.kept, 7);
    EXPECT_EQ(m.faceCount, 2);
    ASSERT_EQ(m.vertexCount, 6);
    EXPECT_EQ(m.indices, nullptr);
    for (int c = 0; c < 6; ++c) {
        const Vec3& p = squareCorners[size_t(squareFaces[c].vertex)];
        expectVec(m.vertices[c].pos, p.x, p.y, p.z);
        expectVec(m.vertices[c].normal, 0, 0, -1);  // towards the viewer
        EXPECT_FLOAT_EQ(m.vertices[c].u, squareFaces[c].u);
        EXPECT_FLOAT_EQ(m.vertices[c].v, 1.0f - squareFaces[c].v);
    }
    freeMeshModel(&m);
}

TEST(MeshBuild, SmoothMeshSplitsVerticesByTextureCoordinateInCornerOrder)
{
    MeshModel m;
    ASSERT_TRUE(build(meshFile(1, squareCorners, squareFaces), &m));
    // vertex 0 splits in two (u 0.9 made first, then 0.1), vertices 1, 2, 3 stay one each
    ASSERT_EQ(m.vertexCount, 5);
    ASSERT_NE(m.indices, nullptr);
    const uint16_t want[6] = {0, 2, 3, 1, 3, 4};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(m.indices[i], want[i]) << "index " << i;
    EXPECT_FLOAT_EQ(m.vertices[0].u, 0.9f);
    EXPECT_FLOAT_EQ(m.vertices[1].u, 0.1f);
    EXPECT_FLOAT_EQ(m.vertices[0].v, 1.0f);
    EXPECT_FLOAT_EQ(m.vertices[4].v, 1.0f);  // vertex 3's v = 0 turned to 1
    expectVec(m.vertices[0].pos, 0, 0, 0);
    expectVec(m.vertices[1].pos, 0, 0, 0);
    expectVec(m.vertices[4].pos, 1, 0, 0);
    for (int i = 0; i < 5; ++i) expectVec(m.vertices[i].normal, 0, 0, -1);
    freeMeshModel(&m);
}

TEST(MeshBuild, SmoothNormalsAverageTheFacesAroundAVertex)
{
    // a roof: one face facing -z, one facing -x, sharing the edge of vertices 0 and 1
    std::vector<Vec3> p = {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {0, 1, 1}};
    std::vector<Corner> f = {{0, 0, 0}, {1, 0, 1}, {2, 1, 1}, {0, 0, 0}, {3, 1, 1}, {1, 0, 1}};
    MeshModel m;
    ASSERT_TRUE(build(meshFile(1, p, f), &m));
    ASSERT_EQ(m.vertexCount, 4);
    float h = std::sqrt(0.5f);
    expectVec(m.vertices[0].normal, -h, 0, -h);
    expectVec(m.vertices[1].normal, -h, 0, -h);
    expectVec(m.vertices[2].normal, 0, 0, -1);
    expectVec(m.vertices[3].normal, -1, 0, 0);
    freeMeshModel(&m);
    // the same file built flat keeps each face's own normal
    ASSERT_TRUE(build(meshFile(0, p, f), &m));
    expectVec(m.vertices[0].normal, 0, 0, -1);
    expectVec(m.vertices[3].normal, -1, 0, 0);
    freeMeshModel(&m);
}

TEST(MeshBuild, BoundingBoxAndSphereCoverEveryPosition)
{
    std::vector<Vec3> p = {{-1, 0, -2}, {3, 4, 2}, {0, 1, 0}, {2, 2, 1}};
    std::vector<Corner> f = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}};  // vertex 3 is in no face and still counts
    MeshModel m;
    ASSERT_TRUE(build(meshFile(1, p, f), &m));
    expectVec(m.boxMin, -1, 0, -2);
    expectVec(m.boxMax, 3, 4, 2);
    expectVec(m.sphereCentre, 1, 2, 0);
    EXPECT_NEAR(m.sphereRadius, std::sqrt(4.0f + 4.0f + 4.0f), 1e-5f);
    for (const Vec3& q : p) {
        Vec3 d = q.sub(m.sphereCentre);
        EXPECT_LE(std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z), m.sphereRadius + 1e-5f);
    }
    EXPECT_EQ(m.vertexCount, 3);  // only used vertices become output vertices
    freeMeshModel(&m);
}

TEST(MeshBuild, LocalMatrixTurnsAboutTheOriginThenTranslates)
{
    const float quarter = 1.5707964f;
    MeshModel m;
    ASSERT_TRUE(build(meshFile(0, squareCorners, squareFaces, {5, 6, 7}, {0, quarter, 0}), &m));
    // yaw: +x turns to -z; the translation sits in row 3 and is not turned
    EXPECT_NEAR(m.local.m[0][0], 0, 1e-6f);
    EXPECT_NEAR(m.local.m[0][2], -1, 1e-6f);
    EXPECT_NEAR(m.local.m[2][0], 1, 1e-6f);
    EXPECT_FLOAT_EQ(m.local.m[3][0], 5);
    EXPECT_FLOAT_EQ(m.local.m[3][1], 6);
    EXPECT_FLOAT_EQ(m.local.m[3][2], 7);
    // pitch turns +y to +z, roll turns +x to +y
    Matrix pitch = meshRotation({quarter, 0, 0}), roll = meshRotation({0, 0, quarter});
    EXPECT_NEAR(pitch.m[1][2], 1, 1e-6f);
    EXPECT_NEAR(roll.m[0][1], 1, 1e-6f);
    // roll is applied first, then pitch: +x -> +y (roll) -> +z (pitch)
    Matrix both = meshRotation({quarter, 0, quarter});
    EXPECT_NEAR(both.m[0][2], 1, 1e-6f);
    freeMeshModel(&m);
}

TEST(MeshBuild, DamagedFilesAreRefusedWithAReason)
{
    const std::vector<uint8_t> good = meshFile(1, squareCorners, squareFaces);
    MeshModel m;
    std::string why;
    auto refused = [&](std::vector<uint8_t> bytes, const char* words) {
        bool ok = build(bytes, &m, &why);
        EXPECT_FALSE(ok) << words;
        EXPECT_NE(why.find(words), std::string::npos) << "reason was: " << why;
        EXPECT_EQ(m.vertices, nullptr);
        EXPECT_EQ(m.vertexCount, 0);
    };
    auto put32 = [](std::vector<uint8_t>& b, size_t at, int32_t v) { std::memcpy(&b[at], &v, 4); };
    auto putF = [](std::vector<uint8_t>& b, size_t at, float v) { std::memcpy(&b[at], &v, 4); };

    refused(std::vector<uint8_t>(good.begin(), good.begin() + 30), "header");
    refused(std::vector<uint8_t>(good.begin(), good.end() - 1), "need");
    std::vector<uint8_t> longer = good;
    longer.push_back(0);
    refused(longer, "need");
    std::vector<uint8_t> b = good;
    put32(b, 29, -1);
    refused(b, "negative");
    b = good;
    put32(b, 29, 0x7fffffff);  // counts far beyond the file
    refused(b, "need");
    b = good;
    put32(b, 33, 0x7fffffff);
    refused(b, "need");
    b = good;
    put32(b, 33, 0);
    refused(std::vector<uint8_t>(b.begin(), b.begin() + 37 + 48), "no faces");
    size_t faces = 37 + 4 * 12, uvs = faces + 6 * 4;
    b = good;
    put32(b, faces + 8, 4);  // one past the last vertex
    refused(b, "names vertex 4");
    b = good;
    put32(b, faces + 12, -1);
    refused(b, "names vertex -1");
    b = good;
    putF(b, 37 + 16, std::nanf(""));
    refused(b, "vertex 1 is not a number");
    b = good;
    putF(b, uvs + 20, INFINITY);
    refused(b, "texture coordinate");
    b = good;
    putF(b, 20, std::nanf(""));
    refused(b, "rotation");
    // the good file itself builds
    EXPECT_TRUE(build(good, &m));
    freeMeshModel(&m);
}

TEST(MeshBuild, SmoothMeshNeedingMoreThan65536VerticesIsRefusedFlatIsNot)
{
    // one vertex in 21846 faces, every corner with its own texture coordinate: 65538 outputs
    std::vector<Vec3> p = {{0, 0, 0}};
    std::vector<Corner> f;
    for (int c = 0; c < 21846 * 3; ++c) f.push_back({0, float(c), 0.0f});
    MeshModel m;
    std::string why;
    EXPECT_FALSE(build(meshFile(1, p, f), &m, &why));
    EXPECT_NE(why.find("65536"), std::string::npos) << why;
    EXPECT_EQ(m.indices, nullptr);
    EXPECT_TRUE(build(meshFile(0, p, f), &m, &why)) << why;  // flat meshes use no indices
    EXPECT_EQ(m.vertexCount, 21846 * 3);
    freeMeshModel(&m);
    // exactly 65536 outputs still fit: the last two corners share the first one's coordinates
    f[65536] = {0, 0.0f, 0.0f};
    f[65537] = {0, 0.0f, 0.0f};
    ASSERT_TRUE(build(meshFile(1, p, f), &m, &why)) << why;
    EXPECT_EQ(m.vertexCount, 65536);
    EXPECT_EQ(m.indices[65535], 65535);
    EXPECT_EQ(m.indices[65537], 0);
    freeMeshModel(&m);
}

// ---- caches, files and drawing ----

class MeshFiles : public GraphicsTest {
protected:
    void SetUp() override
    {
        GraphicsTest::SetUp();
        resetMeshes();
    }
    void TearDown() override
    {
        resetMeshes();
        GraphicsTest::TearDown();
    }
    void putText(const std::string& name, const std::string& text) { put(name, std::vector<uint8_t>(text.begin(), text.end())); }
    // Texture files as data sets give them: pictures with alpha are Targa files, opaque ones JPEG.
    void putTexture(const std::string& name, bool alpha)
    {
        ImageData img = makePicture(8, 8, [alpha](int x, int) { return (alpha && x < 4 ? 0x40000000u : 0xFF000000u) | 0x8040C0u; });
        img.hasAlpha = alpha;
        put(name, alpha ? encodedTga(img, true) : encodedJpeg(img));
    }
};

TEST_F(MeshFiles, MeshCacheFindsByExactNameAndHasALimit)
{
    put("cube.msh_s", meshFile(1, squareCorners, squareFaces));
    const MeshModel* a = loadMesh("cube.msh_s");
    ASSERT_NE(a, nullptr);
    EXPECT_STREQ(a->fileName, "cube.msh_s");
    // changed on disk: the cached mesh is served, not read again
    put("cube.msh_s", meshFile(0, squareCorners, squareFaces));
    EXPECT_EQ(loadMesh("cube.msh_s"), a);
    EXPECT_EQ(meshState.meshCount, 1);
    // another spelling of the name is another cache entry (the file itself is found either way)
    const MeshModel* b = loadMesh("CUBE.msh_s");
    ASSERT_NE(b, nullptr);
    EXPECT_NE(b, a);
    EXPECT_EQ(b->smooth, 0);
    // fill the cache to its limit: the next new name is refused, cached names still come back
    while (meshState.meshCount < MESH_CACHE_SIZE) {
        MeshModel* filler = new MeshModel;
        std::snprintf(filler->fileName, sizeof filler->fileName, "filler%d", meshState.meshCount);
        meshState.meshes[meshState.meshCount++] = filler;
    }
    put("other.msh_s", meshFile(1, squareCorners, squareFaces));
    EXPECT_EQ(loadMesh("other.msh_s"), nullptr);
    EXPECT_NE(std::string(meshState.lastError).find("cache full"), std::string::npos);
    EXPECT_EQ(loadMesh("cube.msh_s"), a);
}

TEST_F(MeshFiles, MissingMeshIsFatalDamagedMeshIsSkippedWithItsName)
{
    EXPECT_EQ(loadMesh("nothing.msh_s"), nullptr);
    EXPECT_EQ(ExitRecorder::exits(), 1);
    std::vector<uint8_t> bad = meshFile(1, squareCorners, squareFaces);
    bad.pop_back();
    put("bad.msh_s", bad);
    EXPECT_EQ(loadMesh("bad.msh_s"), nullptr);
    EXPECT_EQ(ExitRecorder::exits(), 1);  // damage is not fatal
    EXPECT_NE(std::string(meshState.lastError).find("bad.msh_s"), std::string::npos) << meshState.lastError;
    EXPECT_EQ(meshState.meshCount, 0);
}

TEST_F(MeshFiles, CompositeReadsMeshesAndTexturesAndIsCached)
{
    startHeadless();
    put("body.msh_s", meshFile(1, squareCorners, squareFaces));
    put("sails.msh_s", meshFile(0, squareCorners, squareFaces, {0, 2, 0}));
    putTexture("wood.jpg", false);
    putTexture("cloth.tga", true);
    putText("mill.cgo", "nummeshes=2\r\nmesh0=body.msh_s\r\ntexture0=wood.jpg\r\nmesh1= sails.msh_s \r\ntexture1=cloth.tga\r\n");
    CompositeObject* mill = loadComposite("mill.cgo");
    ASSERT_NE(mill, nullptr);
    EXPECT_EQ(mill->meshCount, 2);
    ASSERT_NE(mill->meshes[0], nullptr);
    ASSERT_NE(mill->meshes[1], nullptr);
    EXPECT_STREQ(mill->meshes[1]->fileName, "sails.msh_s");
    ASSERT_NE(mill->textures[1], nullptr);
    EXPECT_EQ(mill->textures[1]->hasAlpha, 1);
    EXPECT_EQ(mill->textures[0]->hasAlpha, 0);
    EXPECT_NE(mill->meshes[0]->gpu.vertexBuffer, 0);
    EXPECT_NE(mill->meshes[0]->gpu.indexBuffer, 0);
    EXPECT_EQ(mill->meshes[1]->gpu.indexBuffer, 0);
    EXPECT_EQ(loadComposite("mill.cgo"), mill);
    EXPECT_EQ(meshState.compositeCount, 1);
    // a second object sharing a mesh uses the cached one
    putText("two.cgo", "nummeshes=1\r\nmesh0=body.msh_s\r\n");
    CompositeObject* two = loadComposite("two.cgo");
    ASSERT_NE(two, nullptr);
    EXPECT_EQ(two->meshes[0], mill->meshes[0]);
    EXPECT_EQ(two->textures[0], nullptr);
    EXPECT_EQ(meshState.meshCount, 2);
}

TEST_F(MeshFiles, CompositeWithDamagedOrUnnamedMeshesKeepsTheOthersInTheirSlots)
{
    put("good.msh_s", meshFile(1, squareCorners, squareFaces));
    std::vector<uint8_t> bad = meshFile(1, squareCorners, squareFaces);
    bad[37 + 48] = 9;  // first face index 9 of 4 vertices
    put("bad.msh_s", bad);
    putText("mixed.cgo", "nummeshes=3\r\nmesh0=bad.msh_s\r\nmesh2=good.msh_s\r\n");
    CompositeObject* o = loadComposite("mixed.cgo");
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->meshCount, 3);
    EXPECT_EQ(o->meshes[0], nullptr);
    EXPECT_EQ(o->meshes[1], nullptr);
    EXPECT_NE(o->meshes[2], nullptr);
    EXPECT_EQ(ExitRecorder::exits(), 0);
    // too many meshes: refused as a whole
    putText("huge.cgo", "nummeshes=17\r\nmesh0=good.msh_s\r\n");
    EXPECT_EQ(loadComposite("huge.cgo"), nullptr);
    EXPECT_NE(std::string(meshState.lastError).find("huge.cgo"), std::string::npos) << meshState.lastError;
    // a missing mesh file is fatal
    putText("lost.cgo", "nummeshes=1\r\nmesh0=lost.msh_s\r\n");
    loadComposite("lost.cgo");
    EXPECT_EQ(ExitRecorder::exits(), 1);
    // and so is a missing composite
    EXPECT_EQ(loadComposite("none.cgo"), nullptr);
    EXPECT_EQ(ExitRecorder::exits(), 2);
}

TEST_F(MeshFiles, WorldMatrixIsLocalThenParentThenExtra)
{
    put("arm.msh_s", meshFile(0, squareCorners, squareFaces, {1, 0, 0}));
    putText("arm.cgo", "nummeshes=1\r\nmesh0=arm.msh_s\r\n");
    CompositeObject* o = loadComposite("arm.cgo");
    ASSERT_NE(o, nullptr);
    Matrix parent;
    parent.setDiagonal(2, 2, 2);
    parent.m[3][1] = 10;
    // local (move by x 1) then parent (scale 2, up 10): the mesh origin lands at (2, 10, 0)
    Matrix w = compositeMeshWorld(o, 0, parent);
    EXPECT_FLOAT_EQ(w.m[3][0], 2);
    EXPECT_FLOAT_EQ(w.m[3][1], 10);
    // the extra matrix comes last: a turn about z after the placement turns the whole placed mesh
    Matrix turn;
    turn.setRotationZ(90);
    setMeshExtraMatrix(o, 0, turn);
    w = compositeMeshWorld(o, 0, parent);
    EXPECT_NEAR(w.m[3][0], -10, 1e-5f);
    EXPECT_NEAR(w.m[3][1], 2, 1e-5f);
    setMeshExtraMatrix(o, 5, turn);  // out of range: ignored
    clearMeshExtraMatrix(o, 0);
    w = compositeMeshWorld(o, 0, parent);
    EXPECT_FLOAT_EQ(w.m[3][0], 2);
}

TEST_F(MeshFiles, SpinTurnsAMeshAboutItsOwnPlacedOrigin)
{
    // a tilted sail whose hub (its origin) is placed at (0, 0.5, -0.6) in the object
    put("sail.msh_s", meshFile(0, squareCorners, squareFaces, {0, 0.5f, -0.6f}, {-0.3f, 0, 0}));
    putText("mill.cgo", "nummeshes=1\r\nmesh0=sail.msh_s\r\n");
    CompositeObject* o = loadComposite("mill.cgo");
    ASSERT_NE(o, nullptr);
    Matrix parent;
    parent.setDiagonal(100, 100, 100);
    parent.m[3][0] = -200;
    parent.m[3][2] = 250;
    auto world = [&](float x, float y, float z) {
        Matrix w = compositeMeshWorld(o, 0, parent);
        return Vec3{x * w.m[0][0] + y * w.m[1][0] + z * w.m[2][0] + w.m[3][0],
                    x * w.m[0][1] + y * w.m[1][1] + z * w.m[2][1] + w.m[3][1],
                    x * w.m[0][2] + y * w.m[1][2] + z * w.m[2][2] + w.m[3][2]};
    };
    Vec3 hub = world(0, 0, 0), tip = world(1, 0, 0), axisEnd = world(0, 0, 1);
    setMeshExtraMatrix(o, 0, spinAboutMeshOrigin(o, 0, parent, 90.0f));
    Vec3 hub2 = world(0, 0, 0), tip2 = world(1, 0, 0), axisEnd2 = world(0, 0, 1), up = world(0, 1, 0);
    clearMeshExtraMatrix(o, 0);
    Vec3 upBefore = world(0, 1, 0);
    // the hub and the mesh's own z axis stay; its x axis goes where its y axis was
    expectVec(hub2, hub.x, hub.y, hub.z, 1e-3f);
    expectVec(axisEnd2, axisEnd.x, axisEnd.y, axisEnd.z, 1e-3f);
    expectVec(tip2, upBefore.x, upBefore.y, upBefore.z, 1e-3f);
    EXPECT_GT(std::fabs(up.x - upBefore.x), 50.0f);  // and it really turned
}

TEST_F(MeshFiles, MeshesReadBeforeTheDeviceGetTheirBuffersWhenFirstDrawn)
{
    put("a.msh_s", meshFile(1, squareCorners, squareFaces));
    putText("o.cgo", "nummeshes=1\r\nmesh0=a.msh_s\r\n");
    CompositeObject* o = loadComposite("o.cgo");
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->meshes[0]->gpu.vertexBuffer, 0);
    startHeadless();
    begin2D();
    Matrix parent;
    parent.setDiagonal(50, 50, 50);
    parent.m[3][2] = 50;
    gpuClearDrawLog();
    drawComposite(o, parent);
    EXPECT_NE(o->meshes[0]->gpu.vertexBuffer, 0);
    EXPECT_NE(o->meshes[0]->gpu.indexBuffer, 0);
    ASSERT_EQ(gpuDrawLogCount(), 1);
    EXPECT_EQ(gpuLastDraw()->primitiveCount, 2);
}

TEST(MeshCulling, SphereOutsideOnePlaneByMoreThanItsRadiusIsCulled)
{
    MeshModel m;
    ASSERT_TRUE(build(meshFile(0, {{-1, -1, 0}, {1, 1, 0}, {1, -1, 0}}, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}), &m));
    ASSERT_NEAR(m.sphereRadius, std::sqrt(2.0f), 1e-6f);
    Frustum f;
    f.rebuild(Matrix(), Matrix::ortho(800, 600, 1, 100));
    float r = m.sphereRadius;
    auto at = [](float x, float y, float z, float s = 1) {
        Matrix w;
        w.setDiagonal(s, s, s);
        w.m[3][0] = x;
        w.m[3][1] = y;
        w.m[3][2] = z;
        return w;
    };
    EXPECT_TRUE(meshInFrustum(f, m, at(0, 0, 50)));
    EXPECT_TRUE(meshInFrustum(f, m, at(400 + r - 0.01f, 0, 50)));   // right plane: touching from outside
    EXPECT_FALSE(meshInFrustum(f, m, at(400 + r + 0.01f, 0, 50)));
    EXPECT_FALSE(meshInFrustum(f, m, at(-400 - r - 0.01f, 0, 50)));  // left
    EXPECT_FALSE(meshInFrustum(f, m, at(0, 300 + r + 0.01f, 50)));   // top
    EXPECT_FALSE(meshInFrustum(f, m, at(0, -300 - r - 0.01f, 50)));  // bottom
    EXPECT_FALSE(meshInFrustum(f, m, at(0, 0, 100 + r + 0.01f)));    // far
    EXPECT_TRUE(meshInFrustum(f, m, at(0, 0, 100 + r - 0.01f)));
    // a world scale grows the sphere: ten times the size reaches back into view
    EXPECT_TRUE(meshInFrustum(f, m, at(410, 0, 50, 10)));
    EXPECT_FALSE(meshInFrustum(f, m, at(410, 0, 50, 1)));
    freeMeshModel(&m);
}

TEST_F(MeshFiles, DrawingSetsStatesByTextureAlphaCullsAndPutsStatesBack)
{
    startHeadless();
    put("a.msh_s", meshFile(1, squareCorners, squareFaces));
    put("b.msh_s", meshFile(0, squareCorners, squareFaces));
    putTexture("opaque.jpg", false);
    putTexture("glass.tga", true);
    putText("o.cgo", "nummeshes=2\r\nmesh0=a.msh_s\r\ntexture0=glass.tga\r\nmesh1=b.msh_s\r\ntexture1=opaque.jpg\r\n");
    CompositeObject* o = loadComposite("o.cgo");
    ASSERT_NE(o, nullptr);
    begin2D();
    setRenderState(GpuRenderState::CullMode, CullCCW);
    setRenderState(GpuRenderState::AlphaBlendEnable, 0);
    setRenderState(GpuRenderState::AlphaTestEnable, 1);
    Matrix scroll;
    scroll.m[2][0] = 0.25f;  // a texture scroll left by 2-D drawing
    setTransform(GpuTransform::Texture0, &scroll);
    Matrix parent;
    parent.setDiagonal(50, 50, 50);
    parent.m[3][2] = 50;
    gpuClearDrawLog();
    app.triangleCount = 0;
    drawComposite(o, parent);
    ASSERT_EQ(gpuDrawLogCount(), 2);
    const GpuDrawRecord* glass = gpuDrawLogEntry(0);
    const GpuDrawRecord* opaque = gpuDrawLogEntry(1);
    EXPECT_EQ(glass->texture, o->textures[0]->texture);
    EXPECT_EQ(glass->alphaTest, 1u);
    EXPECT_EQ(glass->alphaBlend, 1u);
    EXPECT_EQ(glass->cullMode, uint32_t(CullNone));
    EXPECT_EQ(glass->srcBlend, uint32_t(BlendSrcAlpha));
    EXPECT_EQ(glass->primitive, GpuPrimitive::TriangleList);
    EXPECT_EQ(glass->fvf, FVF_MESHVERTEX);
    EXPECT_EQ(opaque->texture, o->textures[1]->texture);
    EXPECT_EQ(opaque->alphaTest, 0u);
    EXPECT_EQ(opaque->cullMode, uint32_t(CullNone));  // only alpha testing changes for opaque textures
    EXPECT_EQ(app.triangleCount, 4);
    EXPECT_EQ(meshState.drawnMeshes, 2);
    // the states, the world and the texture transform are back as they were
    EXPECT_EQ(getRenderState(GpuRenderState::CullMode), uint32_t(CullCCW));
    EXPECT_EQ(getRenderState(GpuRenderState::AlphaBlendEnable), 0u);
    EXPECT_EQ(getRenderState(GpuRenderState::AlphaTestEnable), 1u);
    EXPECT_FLOAT_EQ(getTransform(GpuTransform::World).m[0][0], 1.0f);
    EXPECT_FLOAT_EQ(getTransform(GpuTransform::Texture0).m[2][0], 0.25f);
    // the last draw's vertices are the flat mesh's own, in object space, with v turned
    const GpuVertex* v = nullptr;
    ASSERT_EQ(gpuLastVertices(&v), 6);
    EXPECT_FLOAT_EQ(v[0].pos[0], 0.0f);
    EXPECT_FLOAT_EQ(v[0].v, 1.0f);
    // moved out of the view: nothing drawn, both counted as culled
    parent.m[3][0] = 1000;
    gpuClearDrawLog();
    drawComposite(o, parent);
    EXPECT_EQ(gpuDrawLogCount(), 0);
    EXPECT_EQ(meshState.culledMeshes, 2);
}

}  // namespace
