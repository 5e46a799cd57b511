// The mesh command of ostrimar-data: reads a ".msh_s" file as the game builds it and prints its
// smooth flag, counts and bounding sphere. See docs/data-tool.md and docs/meshes.md.
#include "commands.h"

#include "effects/mesh.h"
#include "platform/os/files.h"

#include <cstdio>
#include <cstdlib>

int cmdMesh(int argc, char** argv)
{
    if (argc != 1) {
        std::fprintf(stderr, "usage: ostrimar-data mesh FILE.msh_s\n");
        return 1;
    }
    int32_t size = 0;
    uint8_t* data = osReadFile(argv[0], &size);
    if (!data) {
        std::fprintf(stderr, "%s: cannot be read\n", argv[0]);
        return 1;
    }
    MeshModel mesh;
    char error[160] = {};
    bool ok = buildMesh(data, size, &mesh, error, sizeof error);
    std::free(data);
    if (!ok) {
        std::fprintf(stderr, "%s: %s\n", argv[0], error);
        return 1;
    }
    std::printf("smooth\t%d\n", mesh.smooth ? 1 : 0);
    std::printf("vertices\t%d\n", mesh.inputVertexCount);
    std::printf("faces\t%d\n", mesh.faceCount);
    std::printf("sphere\t%g %g %g %g\n", mesh.sphereCentre.x, mesh.sphereCentre.y, mesh.sphereCentre.z,
                mesh.sphereRadius);
    freeMeshModel(&mesh);
    return 0;
}
