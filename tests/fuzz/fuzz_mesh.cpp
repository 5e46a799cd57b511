// Fuzz target: a ".msh_s" mesh file. Whatever the bytes, building either refuses the file with a
// reason or gives vertices and indices that stay inside each other.
#include "effects/mesh.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20)) return 0;
    MeshModel mesh;
    char error[160] = {};
    if (!buildMesh(data, static_cast<int64_t>(size), &mesh, error, sizeof error)) {
        if (error[0] == 0 || mesh.vertices) __builtin_trap();
        return 0;
    }
    if (mesh.faceCount <= 0 || mesh.vertexCount <= 0) __builtin_trap();
    if (mesh.smooth) {
        if (!mesh.indices || mesh.vertexCount > MESH_INDEX_LIMIT) __builtin_trap();
        for (int i = 0; i < mesh.faceCount * 3; ++i)
            if (mesh.indices[i] >= mesh.vertexCount) __builtin_trap();
    } else if (mesh.vertexCount != mesh.faceCount * 3 || mesh.indices) {
        __builtin_trap();
    }
    if (!std::isfinite(mesh.sphereRadius) || mesh.sphereRadius < 0) __builtin_trap();
    freeMeshModel(&mesh);
    return 0;
}
