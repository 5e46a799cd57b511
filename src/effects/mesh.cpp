// Meshes and composite objects: the ".msh_s" reader and builder, the two caches, ".cgo" files and
// drawing with frustum culling.
#include "effects/mesh.h"

#include "graphics/device.h"
#include "resources/files.h"
#include "resources/keyvalue.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

MeshState meshState;

namespace {

void fail(char* error, int capacity, const char* format, ...)
{
    if (!error || capacity <= 0) return;
    va_list args;
    va_start(args, format);
    std::vsnprintf(error, static_cast<size_t>(capacity), format, args);
    va_end(args);
}

int32_t readI32(const uint8_t* p)
{
    uint32_t v = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    int32_t s;
    std::memcpy(&s, &v, 4);
    return s;
}

float readF32(const uint8_t* p)
{
    uint32_t v = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    float f;
    std::memcpy(&f, &v, 4);
    return f;
}

Vec3 readVec3(const uint8_t* p) { return {readF32(p), readF32(p + 4), readF32(p + 8)}; }

bool finite3(const Vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// Unit normal of the face a, b, c: outward for faces wound clockwise as seen from outside (the
// front faces of the device's counter-clockwise culling). Zero for a degenerate face.
Vec3 faceNormal(const Vec3& a, const Vec3& b, const Vec3& c)
{
    Vec3 n = b.sub(a).cross(c.sub(a));
    float len = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    if (!(len > 0.0f) || !std::isfinite(len)) return {0.0f, 0.0f, 0.0f};
    return n.scale(1.0f / len);
}

Vec3 unit(const Vec3& v)
{
    float len = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (!(len > 0.0f) || !std::isfinite(len)) return {0.0f, 0.0f, 0.0f};
    return v.scale(1.0f / len);
}

Vec3 transformPoint(const Vec3& p, const Matrix& m)
{
    return {p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0],
            p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1],
            p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2] + m.m[3][2]};
}

// The bits of a float as a sort key, with -0 taken as +0 (they compare equal).
uint32_t coordKey(float f)
{
    if (f == 0.0f) f = 0.0f;
    uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

// The device buffers of a built mesh (nothing when no device exists).
void makeBuffers(MeshModel& mesh)
{
    if (!gpuCreated() || mesh.buffersTried) return;
    mesh.buffersTried = 1;
    std::vector<Vec3> positions(static_cast<size_t>(mesh.vertexCount)), normals(positions.size());
    std::vector<Vec2> uvs(positions.size());
    for (int i = 0; i < mesh.vertexCount; ++i) {
        positions[i] = mesh.vertices[i].pos;
        normals[i] = mesh.vertices[i].normal;
        uvs[i] = {mesh.vertices[i].u, mesh.vertices[i].v};
    }
    std::vector<uint32_t> indices;
    if (mesh.indices) indices.assign(mesh.indices, mesh.indices + mesh.faceCount * 3);
    Mesh& g = mesh.gpu;
    g.vertexCount = mesh.vertexCount;
    g.triangleCount = mesh.faceCount;
    g.positions = positions.data();
    g.normals = normals.data();
    g.uvs = uvs.data();
    g.indices = mesh.indices ? indices.data() : nullptr;
    createMeshBuffers(g, FVF_MESHVERTEX);
    // the buffers hold their own copy; the arrays go away here
    g.positions = nullptr;
    g.normals = nullptr;
    g.uvs = nullptr;
    g.indices = nullptr;
}

void copyName(char* out, const char* name)
{
    std::snprintf(out, MESH_NAME_SIZE, "%s", name ? name : "");
}

}  // namespace

Matrix meshRotation(const Vec3& angles)
{
    float cx = std::cos(angles.x), sx = std::sin(angles.x);
    float cy = std::cos(angles.y), sy = std::sin(angles.y);
    float cz = std::cos(angles.z), sz = std::sin(angles.z);
    Matrix rx, ry, rz;
    rx.m[1][1] = cx;
    rx.m[1][2] = sx;
    rx.m[2][1] = -sx;
    rx.m[2][2] = cx;
    ry.m[0][0] = cy;
    ry.m[0][2] = -sy;
    ry.m[2][0] = sy;
    ry.m[2][2] = cy;
    rz.m[0][0] = cz;
    rz.m[0][1] = sz;
    rz.m[1][0] = -sz;
    rz.m[1][1] = cz;
    return Matrix::multiply(Matrix::multiply(rz, rx), ry);
}

void freeMeshModel(MeshModel* mesh)
{
    if (!mesh) return;
    releaseMeshBuffers(mesh->gpu);
    delete[] mesh->vertices;
    delete[] mesh->indices;
    *mesh = MeshModel();
}

bool buildMesh(const uint8_t* data, int64_t size, MeshModel* out, char* error, int capacity)
{
    if (!out) return false;
    freeMeshModel(out);
    if (!data || size < MESH_HEADER_SIZE) {
        fail(error, capacity, "shorter than the %d-byte header", MESH_HEADER_SIZE);
        return false;
    }
    int32_t vCount = readI32(data + 29), fCount = readI32(data + 33);
    if (vCount < 0 || fCount < 0) {
        fail(error, capacity, "negative count (%d vertices, %d faces)", vCount, fCount);
        return false;
    }
    if (fCount == 0) {
        fail(error, capacity, "no faces");
        return false;
    }
    int64_t need = MESH_HEADER_SIZE + int64_t(vCount) * 12 + int64_t(fCount) * 12 + int64_t(fCount) * 24;
    if (need != size) {
        fail(error, capacity, "%d vertices and %d faces need %lld bytes, the file has %lld", vCount, fCount,
             static_cast<long long>(need), static_cast<long long>(size));
        return false;
    }
    Vec3 translation = readVec3(data + 4), rotation = readVec3(data + 16);
    if (!finite3(translation) || !finite3(rotation)) {
        fail(error, capacity, "translation or rotation is not a number");
        return false;
    }
    const uint8_t* posData = data + MESH_HEADER_SIZE;
    const uint8_t* faceData = posData + int64_t(vCount) * 12;
    const uint8_t* uvData = faceData + int64_t(fCount) * 12;
    std::vector<Vec3> positions(static_cast<size_t>(vCount));
    for (int i = 0; i < vCount; ++i) {
        positions[i] = readVec3(posData + int64_t(i) * 12);
        if (!finite3(positions[i])) {
            fail(error, capacity, "vertex %d is not a number", i);
            return false;
        }
    }
    const int corners = fCount * 3;
    std::vector<int32_t> cornerVertex(static_cast<size_t>(corners));
    std::vector<Vec2> cornerUv(static_cast<size_t>(corners));
    for (int c = 0; c < corners; ++c) {
        int32_t v = readI32(faceData + int64_t(c) * 4);
        if (v < 0 || v >= vCount) {
            fail(error, capacity, "face %d names vertex %d of %d", c / 3, v, vCount);
            return false;
        }
        cornerVertex[c] = v;
        float u = readF32(uvData + int64_t(c) * 8), tv = readF32(uvData + int64_t(c) * 8 + 4);
        if (!std::isfinite(u) || !std::isfinite(tv)) {
            fail(error, capacity, "texture coordinate of face %d is not a number", c / 3);
            return false;
        }
        cornerUv[c] = {u, 1.0f - tv};
    }

    MeshModel& m = *out;
    m.smooth = data[3];
    m.kept = data[28];
    m.translation = translation;
    m.rotation = rotation;
    m.local = meshRotation(rotation);
    m.local.m[3][0] = translation.x;
    m.local.m[3][1] = translation.y;
    m.local.m[3][2] = translation.z;
    m.inputVertexCount = vCount;
    m.faceCount = fCount;

    if (m.smooth == 0) {
        m.vertexCount = corners;
        m.vertices = new MeshVertex[static_cast<size_t>(corners)];
        for (int f = 0; f < fCount; ++f) {
            const Vec3& a = positions[cornerVertex[f * 3]];
            const Vec3& b = positions[cornerVertex[f * 3 + 1]];
            const Vec3& c = positions[cornerVertex[f * 3 + 2]];
            Vec3 n = faceNormal(a, b, c);
            for (int k = 0; k < 3; ++k) {
                int c3 = f * 3 + k;
                m.vertices[c3] = {positions[cornerVertex[c3]], n, cornerUv[c3].x, cornerUv[c3].y};
            }
        }
    } else {
        // vertex normals: the sum of the unit normals of the faces around each vertex
        std::vector<Vec3> normals(static_cast<size_t>(vCount));
        for (int f = 0; f < fCount; ++f) {
            Vec3 n = faceNormal(positions[cornerVertex[f * 3]], positions[cornerVertex[f * 3 + 1]],
                                positions[cornerVertex[f * 3 + 2]]);
            for (int k = 0; k < 3; ++k) normals[cornerVertex[f * 3 + k]].addAssign(n);
        }
        // corners of each vertex, in corner order
        std::vector<int> start(static_cast<size_t>(vCount) + 1, 0), list(static_cast<size_t>(corners));
        for (int c = 0; c < corners; ++c) start[cornerVertex[c] + 1]++;
        for (int v = 0; v < vCount; ++v) start[v + 1] += start[v];
        std::vector<int> fill(start.begin(), start.end() - 1);
        for (int c = 0; c < corners; ++c) list[fill[cornerVertex[c]]++] = c;
        // Split each vertex by texture coordinate: the corners with the same (u, v) share one output
        // vertex, made in the order of each group's first corner.
        std::vector<int> cornerOut(static_cast<size_t>(corners), -1);
        std::vector<MeshVertex> out;
        std::vector<int> sorted;
        for (int v = 0; v < vCount; ++v) {
            int b = start[v], e = start[v + 1];
            if (b == e) continue;
            sorted.assign(list.begin() + b, list.begin() + e);
            auto key = [&](int c) {
                return (uint64_t(coordKey(cornerUv[c].x)) << 32) | coordKey(cornerUv[c].y);
            };
            std::stable_sort(sorted.begin(), sorted.end(), [&](int x, int y) { return key(x) < key(y); });
            // each run of equal coordinates is one group; its first corner is its smallest (stable sort)
            std::vector<int> firsts;
            for (size_t i = 0; i < sorted.size(); ++i)
                if (i == 0 || key(sorted[i]) != key(sorted[i - 1])) firsts.push_back(sorted[i]);
            std::sort(firsts.begin(), firsts.end());
            Vec3 n = unit(normals[v]);
            for (int first : firsts) {
                cornerOut[first] = static_cast<int>(out.size());
                out.push_back({positions[v], n, cornerUv[first].x, cornerUv[first].y});
            }
            int runFirst = -1;
            for (size_t i = 0; i < sorted.size(); ++i) {
                if (i == 0 || key(sorted[i]) != key(sorted[i - 1])) runFirst = sorted[i];
                cornerOut[sorted[i]] = cornerOut[runFirst];
            }
            if (out.size() > static_cast<size_t>(MESH_INDEX_LIMIT)) {
                fail(error, capacity, "more than %d vertices after the split by texture coordinate", MESH_INDEX_LIMIT);
                freeMeshModel(&m);
                return false;
            }
        }
        m.vertexCount = static_cast<int>(out.size());
        m.vertices = new MeshVertex[out.size()];
        std::copy(out.begin(), out.end(), m.vertices);
        m.indices = new uint16_t[static_cast<size_t>(corners)];
        for (int c = 0; c < corners; ++c) m.indices[c] = static_cast<uint16_t>(cornerOut[c]);
    }

    // bounding box and sphere of the file's positions
    if (vCount > 0) {
        m.boxMin = m.boxMax = positions[0];
        for (const Vec3& p : positions) {
            m.boxMin = {std::min(m.boxMin.x, p.x), std::min(m.boxMin.y, p.y), std::min(m.boxMin.z, p.z)};
            m.boxMax = {std::max(m.boxMax.x, p.x), std::max(m.boxMax.y, p.y), std::max(m.boxMax.z, p.z)};
        }
        // In double: far-out (finite) positions of a damaged file overflow the float sums, and the
        // radius stays finite (at most the largest float).
        double cx = (double(m.boxMin.x) + m.boxMax.x) / 2, cy = (double(m.boxMin.y) + m.boxMax.y) / 2;
        double cz = (double(m.boxMin.z) + m.boxMax.z) / 2;
        m.sphereCentre = {float(cx), float(cy), float(cz)};
        double r2 = 0.0;
        for (const Vec3& p : positions) {
            double dx = p.x - cx, dy = p.y - cy, dz = p.z - cz;
            r2 = std::max(r2, dx * dx + dy * dy + dz * dz);
        }
        m.sphereRadius = float(std::min(std::sqrt(r2), double(FLT_MAX)));
    }
    return true;
}

void resetMeshes()
{
    for (int i = 0; i < meshState.meshCount; ++i) {
        freeMeshModel(meshState.meshes[i]);
        delete meshState.meshes[i];
    }
    for (int i = 0; i < meshState.compositeCount; ++i) delete meshState.composites[i];
    meshState = MeshState();
}

namespace {

void report(const char* kind, const char* fileName, const char* reason)
{
    std::snprintf(meshState.lastError, sizeof meshState.lastError, "Damaged %s file: %s (%s)", kind, fileName, reason);
    std::fprintf(stderr, "%s\n", meshState.lastError);
}

// A value of the ".cgo" text without the spaces around it; false when the key is absent or empty.
bool nameValue(const char* text, const char* key, char* out)
{
    if (!kvString(out, MESH_NAME_SIZE, text, key)) return false;
    size_t b = 0, e = std::strlen(out);
    while (b < e && (out[b] == ' ' || out[b] == '\t')) ++b;
    while (e > b && (out[e - 1] == ' ' || out[e - 1] == '\t' || out[e - 1] == '\n')) --e;
    std::memmove(out, out + b, e - b);
    out[e - b] = 0;
    return out[0] != 0;
}

}  // namespace

const MeshModel* loadMesh(const char* fileName)
{
    if (!fileName) return nullptr;
    for (int i = 0; i < meshState.meshCount; ++i)
        if (std::strcmp(meshState.meshes[i]->fileName, fileName) == 0) return meshState.meshes[i];
    if (meshState.meshCount >= MESH_CACHE_SIZE) {
        std::snprintf(meshState.lastError, sizeof meshState.lastError, "Mesh cache full (%d meshes): %s",
                      MESH_CACHE_SIZE, fileName);
        return nullptr;
    }
    int32_t size = 0;
    uint8_t* data = readFile(fileName, &size, true);
    if (!data) {
        std::snprintf(meshState.lastError, sizeof meshState.lastError, "Can't load mesh: %s", fileName);
        return nullptr;
    }
    MeshModel* mesh = new MeshModel;
    char reason[160];
    bool ok = buildMesh(data, size, mesh, reason, sizeof reason);
    releaseFile(data);
    if (!ok) {
        report("mesh", fileName, reason);
        delete mesh;
        return nullptr;
    }
    copyName(mesh->fileName, fileName);
    makeBuffers(*mesh);
    meshState.meshes[meshState.meshCount++] = mesh;
    return mesh;
}

bool parseComposite(const char* text, CompositeObject* out, char* error, int capacity)
{
    if (!text || !out) return false;
    int n = kvInt(text, "nummeshes=");
    if (n < 0) n = 0;
    if (n > COMPOSITE_MESH_LIMIT) {
        fail(error, capacity, "%d meshes, at most %d", n, COMPOSITE_MESH_LIMIT);
        return false;
    }
    out->meshCount = n;
    for (int i = 0; i < n; ++i) {
        char key[32], name[MESH_NAME_SIZE];
        std::snprintf(key, sizeof key, "mesh%d=", i);
        out->meshes[i] = nameValue(text, key, name) ? loadMesh(name) : nullptr;
        std::snprintf(key, sizeof key, "texture%d=", i);
        out->textures[i] = nameValue(text, key, name) ? loadTexture(name) : nullptr;
    }
    return true;
}

CompositeObject* loadComposite(const char* fileName)
{
    if (!fileName) return nullptr;
    for (int i = 0; i < meshState.compositeCount; ++i)
        if (std::strcmp(meshState.composites[i]->fileName, fileName) == 0) return meshState.composites[i];
    if (meshState.compositeCount >= COMPOSITE_CACHE_SIZE) {
        std::snprintf(meshState.lastError, sizeof meshState.lastError, "Composite cache full (%d objects): %s",
                      COMPOSITE_CACHE_SIZE, fileName);
        return nullptr;
    }
    int32_t size = 0;
    char* text = readTextData(fileName, &size, true);
    if (!text) {
        std::snprintf(meshState.lastError, sizeof meshState.lastError, "Can't load composite object: %s", fileName);
        return nullptr;
    }
    CompositeObject* object = new CompositeObject;
    char reason[160];
    bool ok = parseComposite(text, object, reason, sizeof reason);
    if (size > 0) releaseFile(text);
    if (!ok) {
        report("composite object", fileName, reason);
        delete object;
        return nullptr;
    }
    copyName(object->fileName, fileName);
    meshState.composites[meshState.compositeCount++] = object;
    return object;
}

void setMeshExtraMatrix(CompositeObject* object, int mesh, const Matrix& m)
{
    if (!object || mesh < 0 || mesh >= object->meshCount) return;
    object->extra[mesh] = m;
    object->hasExtra[mesh] = 1;
}

void clearMeshExtraMatrix(CompositeObject* object, int mesh)
{
    if (!object || mesh < 0 || mesh >= object->meshCount) return;
    object->extra[mesh] = Matrix();
    object->hasExtra[mesh] = 0;
}

Matrix compositeMeshWorld(const CompositeObject* object, int mesh, const Matrix& parent)
{
    if (!object || mesh < 0 || mesh >= object->meshCount || !object->meshes[mesh]) return parent;
    Matrix world = Matrix::multiply(object->meshes[mesh]->local, parent);
    if (object->hasExtra[mesh]) world = Matrix::multiply(world, object->extra[mesh]);
    return world;
}

namespace {

// The inverse of an affine row-vector matrix (last column 0, 0, 0, 1); false when it has none.
bool affineInverse(const Matrix& m, Matrix* out)
{
    const float(*a)[4] = m.m;
    float c00 = a[1][1] * a[2][2] - a[1][2] * a[2][1], c01 = a[1][2] * a[2][0] - a[1][0] * a[2][2],
          c02 = a[1][0] * a[2][1] - a[1][1] * a[2][0];
    float det = a[0][0] * c00 + a[0][1] * c01 + a[0][2] * c02;
    if (!(std::fabs(det) > 1e-12f)) return false;
    float k = 1.0f / det;
    Matrix r;
    r.m[0][0] = c00 * k;
    r.m[1][0] = c01 * k;
    r.m[2][0] = c02 * k;
    r.m[0][1] = (a[0][2] * a[2][1] - a[0][1] * a[2][2]) * k;
    r.m[1][1] = (a[0][0] * a[2][2] - a[0][2] * a[2][0]) * k;
    r.m[2][1] = (a[0][1] * a[2][0] - a[0][0] * a[2][1]) * k;
    r.m[0][2] = (a[0][1] * a[1][2] - a[0][2] * a[1][1]) * k;
    r.m[1][2] = (a[0][2] * a[1][0] - a[0][0] * a[1][2]) * k;
    r.m[2][2] = (a[0][0] * a[1][1] - a[0][1] * a[1][0]) * k;
    for (int j = 0; j < 3; ++j)
        r.m[3][j] = -(a[3][0] * r.m[0][j] + a[3][1] * r.m[1][j] + a[3][2] * r.m[2][j]);
    *out = r;
    return true;
}

}  // namespace

Matrix spinAboutMeshOrigin(const CompositeObject* object, int mesh, const Matrix& parent, float degrees)
{
    if (!object || mesh < 0 || mesh >= object->meshCount || !object->meshes[mesh]) return Matrix();
    // The turn happens in the mesh's own space, before its placement: placed x extra must equal
    // turn x placed, so extra = placed^-1 x turn x placed. (A turn about the placed axis in world
    // space would tip the sails out of their plane whenever the parent scales its axes unequally,
    // as the backdrop's flattened depth does.)
    Matrix placed = Matrix::multiply(object->meshes[mesh]->local, parent);
    Matrix inverse;
    if (!affineInverse(placed, &inverse)) return Matrix();
    float a = degrees * 0.017453292f, c = std::cos(a), s = std::sin(a);
    Matrix turn;  // about the mesh's own z axis, counter-clockwise for row vectors
    turn.m[0][0] = c;
    turn.m[0][1] = s;
    turn.m[1][0] = -s;
    turn.m[1][1] = c;
    return Matrix::multiply(Matrix::multiply(inverse, turn), placed);
}

bool meshInFrustum(const Frustum& frustum, const MeshModel& mesh, const Matrix& world)
{
    Vec3 c = transformPoint(mesh.sphereCentre, world);
    // the radius grows with the largest scale of the world matrix (its rows are the placed axes)
    float scale = 0.0f;
    for (int r = 0; r < 3; ++r) {
        const float* row = world.m[r];
        scale = std::max(scale, std::sqrt(row[0] * row[0] + row[1] * row[1] + row[2] * row[2]));
    }
    return frustum.containsSphere(c.x, c.y, c.z, mesh.sphereRadius * scale);
}

void drawComposite(const CompositeObject* object, const Matrix& parent)
{
    if (!object) return;
    Frustum frustum;
    frustum.rebuild(getTransform(GpuTransform::View), getTransform(GpuTransform::Projection));
    bool touched = false;
    Matrix savedWorld, savedTexture;
    uint32_t savedTest = 0, savedBlend = 0, savedCull = 0, savedSrc = 0, savedDest = 0;
    for (int i = 0; i < object->meshCount; ++i) {
        const MeshModel* mesh = object->meshes[i];
        if (!mesh) continue;
        Matrix world = compositeMeshWorld(object, i, parent);
        if (!meshInFrustum(frustum, *mesh, world)) {
            meshState.culledMeshes++;
            continue;
        }
        if (!mesh->buffersTried) makeBuffers(*const_cast<MeshModel*>(mesh));  // loaded before the device
        if (!touched) {
            touched = true;
            savedWorld = getTransform(GpuTransform::World);
            savedTexture = getTransform(GpuTransform::Texture0);
            savedTest = getRenderState(GpuRenderState::AlphaTestEnable);
            savedBlend = getRenderState(GpuRenderState::AlphaBlendEnable);
            savedCull = getRenderState(GpuRenderState::CullMode);
            savedSrc = getRenderState(GpuRenderState::SrcBlend);
            savedDest = getRenderState(GpuRenderState::DestBlend);
            // a texture scroll left by 2-D drawing must not move the meshes' pictures
            setTransform(GpuTransform::Texture0, nullptr);
        }
        const Texture* texture = object->textures[i];
        setTexture(texture);
        if (texture && texture->hasAlpha) {
            setRenderState(GpuRenderState::AlphaTestEnable, 1);
            setRenderState(GpuRenderState::CullMode, CullNone);
            setRenderState(GpuRenderState::AlphaBlendEnable, 1);
            setBlendMode(0);
        } else {
            setRenderState(GpuRenderState::AlphaTestEnable, 0);
        }
        setTransform(GpuTransform::World, &world);
        drawMesh(mesh->gpu);
        meshState.drawnMeshes++;
    }
    if (!touched) return;
    setTransform(GpuTransform::World, &savedWorld);
    setTransform(GpuTransform::Texture0, &savedTexture);
    setRenderState(GpuRenderState::AlphaTestEnable, savedTest);
    setRenderState(GpuRenderState::AlphaBlendEnable, savedBlend);
    setRenderState(GpuRenderState::CullMode, savedCull);
    setRenderState(GpuRenderState::SrcBlend, savedSrc);
    setRenderState(GpuRenderState::DestBlend, savedDest);
}
