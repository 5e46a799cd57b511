#pragma once
// Small 3-D decorations: meshes read from ".msh_s" files and composite objects (".cgo" files)
// that put several meshes, each with its own texture, together. Meshes and composites are read
// once into caches by exact file name and stay there; a mesh becomes the device's vertex buffer
// (position, normal, texture coordinate: 32 bytes a vertex) and, for smooth meshes, a 16-bit
// index buffer. drawComposite draws every mesh of an object with its own world matrix and skips
// the meshes whose bounding sphere lies outside the view.
//
// ".msh_s" (little-endian, counts not aligned): bytes 0-2 unused; byte 3 smooth flag (0 flat
// faces, else shared smoothed vertices); 4: translation (3 floats); 16: rotation (3 floats, see
// meshRotation); 28: one byte kept but unused; 29: vertex count V (int32); 33: face count F
// (int32); 37: V positions (3 floats each); then F faces (3 int32 vertex indices each); then
// F x 3 texture coordinates (u, v floats) of the face corners. A file whose size differs from
// what its counts need, a face index outside the vertices, a smooth mesh that needs more than
// 65536 vertices, or a coordinate that is NaN or infinite is refused with a message in
// meshState.lastError. Names in a ".cgo" file are relative to the current folder.
#include "core/math.h"
#include "graphics/draw.h"
#include "graphics/textures.h"

#include <cstdint>

constexpr int MESH_CACHE_SIZE = 1024;
constexpr int COMPOSITE_CACHE_SIZE = 512;
constexpr int COMPOSITE_MESH_LIMIT = 16;    // meshes of one composite object
constexpr int MESH_NAME_SIZE = 128;
constexpr int MESH_INDEX_LIMIT = 65536;     // vertices 16-bit indices can address
constexpr int MESH_HEADER_SIZE = 37;

// One mesh as read and built. Flat meshes hold three vertices per face in face order and no
// indices; smooth meshes hold their split vertices and three indices per face.
struct MeshModel {
    char fileName[MESH_NAME_SIZE] = {};
    uint8_t smooth = 0;
    uint8_t kept = 0;              // the byte at offset 28 (not used)
    Vec3 translation;              // as stored
    Vec3 rotation;                 // as stored
    Matrix local;                  // rotation about the mesh's origin, then the translation
    int inputVertexCount = 0;      // V of the file
    int faceCount = 0;             // F
    MeshVertex* vertices = nullptr;
    int vertexCount = 0;
    uint16_t* indices = nullptr;   // 3 F, smooth meshes only
    Vec3 boxMin, boxMax;           // of the file's positions
    Vec3 sphereCentre;             // centre of the box
    float sphereRadius = 0.0f;     // farthest position from the centre
    Mesh gpu;                      // the device buffers (none without a device)
    uint8_t buffersTried = 0;      // making the buffers was tried on a device (not tried again)
};

struct CompositeObject {
    char fileName[MESH_NAME_SIZE] = {};
    int meshCount = 0;
    const MeshModel* meshes[COMPOSITE_MESH_LIMIT] = {};   // null: that mesh was refused (not drawn)
    Texture* textures[COMPOSITE_MESH_LIMIT] = {};         // null: drawn without a texture
    Matrix extra[COMPOSITE_MESH_LIMIT];                   // run-time matrix after the parent
    uint8_t hasExtra[COMPOSITE_MESH_LIMIT] = {};
};

struct MeshState {
    MeshModel* meshes[MESH_CACHE_SIZE] = {};
    int meshCount = 0;
    CompositeObject* composites[COMPOSITE_CACHE_SIZE] = {};
    int compositeCount = 0;
    char lastError[256] = {};      // why the last mesh or composite was refused
    int drawnMeshes = 0;           // meshes drawn and culled since the reset (for tests and counters)
    int culledMeshes = 0;
};

extern MeshState meshState;

// Frees both caches and their device buffers.
void resetMeshes();

// Reads and builds a mesh from the bytes of a ".msh_s" file (no device buffers). False, with the
// reason in error (capacity bytes), when the file is refused; out is then left empty.
bool buildMesh(const uint8_t* data, int64_t size, MeshModel* out, char* error, int capacity);
// Frees what buildMesh allocated and the device buffers.
void freeMeshModel(MeshModel* mesh);
// The rotation of the three values at offset 16: angles in radians about x (pitch), y (yaw) and
// z (roll), applied roll first, then pitch, then yaw (row vectors: Rz x Rx x Ry).
Matrix meshRotation(const Vec3& angles);

// From the cache, or read (a missing file is the file table's fatal error), built and added.
// Null when the file is refused or the cache is full (meshState.lastError says why).
const MeshModel* loadMesh(const char* fileName);
// From the cache, or read with all its meshes and textures. A missing ".cgo", mesh or texture file
// is fatal; a refused mesh leaves its slot empty. Null when the ".cgo" is refused (more than
// COMPOSITE_MESH_LIMIT meshes) or the cache is full.
CompositeObject* loadComposite(const char* fileName);
// Reads a composite from the text of a ".cgo" file (terminated), loading its meshes and textures.
bool parseComposite(const char* text, CompositeObject* out, char* error, int capacity);

// Sets the matrix applied after the parent for one mesh of the object (ignored out of range).
void setMeshExtraMatrix(CompositeObject* object, int mesh, const Matrix& m);
void clearMeshExtraMatrix(CompositeObject* object, int mesh);
// An extra matrix that turns mesh i by degrees about its own z axis through its own origin, both
// as placed by local x parent (the windmill's sails about their hub). Counter-clockwise as seen
// from the side the axis points away from.
Matrix spinAboutMeshOrigin(const CompositeObject* object, int mesh, const Matrix& parent, float degrees);
// The world matrix of mesh i: local x parent, then x the extra matrix when one is set.
Matrix compositeMeshWorld(const CompositeObject* object, int mesh, const Matrix& parent);
// False when the mesh's bounding sphere, placed by world, lies outside one of the planes.
bool meshInFrustum(const Frustum& frustum, const MeshModel& mesh, const Matrix& world);
// Draws every mesh of the object under the parent matrix, culled against the frustum of the
// device's current view and projection. The texture's alpha decides the states (alpha test,
// culling, blending); the device's states, world and texture transforms are put back afterwards.
void drawComposite(const CompositeObject* object, const Matrix& parent);
