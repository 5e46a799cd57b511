// The scene command of ostrimar-data: prints the placed objects of a backdrop scene file
// ("level<n>.lev") as the game reads them. See docs/data-tool.md.
#include "commands.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "effects/backdrops.h"
#include "platform/os/files.h"
#include "resources/unicode.h"

#include <cstdlib>

namespace {

// What makes a scene file malformed for a data-set maker (the game skips such objects): null
// when the file is sound.
const char* sceneProblem(const uint8_t* bytes, int32_t size, char* detail, size_t capacity)
{
    int32_t declared = 0;
    int32_t fits = sceneRecordsInFile(bytes, size, &declared);
    if (size < SCENE_HEADER_SIZE) {
        std::snprintf(detail, capacity, "shorter than the %d-byte header (%d bytes)", SCENE_HEADER_SIZE, size);
        return detail;
    }
    if (declared < 0) {
        std::snprintf(detail, capacity, "negative object count %d", declared);
        return detail;
    }
    int64_t needed = SCENE_HEADER_SIZE + int64_t(declared) * SCENE_OBJECT_SIZE;
    if (needed != size) {
        std::snprintf(detail, capacity, "object count %d needs %lld bytes, the file has %d", declared,
                      static_cast<long long>(needed), size);
        return detail;
    }
    for (int32_t i = 0; i < declared && i < fits; ++i) {
        SceneRecord r;
        readSceneRecord(bytes, i, &r);
        if (std::strlen(r.name) >= size_t(CATALOGUE_NAME_SIZE)) {
            std::snprintf(detail, capacity, "object %d: name without its terminator", i);
            return detail;
        }
        const float v[7] = {r.left, r.top, r.right, r.bottom, r.angle, r.scrollX, r.scrollY};
        for (float x : v)
            if (!std::isfinite(x)) {
                std::snprintf(detail, capacity, "object %d (%s): a number that is not finite", i, r.name);
                return detail;
            }
    }
    return nullptr;
}

}  // namespace

int cmdScene(int argc, char** argv)
{
    if (argc != 1) {
        std::fprintf(stderr, "usage: ostrimar-data scene FILE\n");
        return 1;
    }
    const char* path = argv[0];
    int32_t size = 0;
    uint8_t* bytes = osReadFile(path, &size);
    if (!bytes) {
        std::fprintf(stderr, "%s: cannot read the file\n", path);
        return 1;
    }
    char detail[160];
    if (const char* problem = sceneProblem(bytes, size, detail, sizeof detail)) {
        std::fprintf(stderr, "%s: malformed scene: %s\n", path, problem);
        std::free(bytes);
        return 1;
    }
    int32_t declared = 0;
    sceneRecordsInFile(bytes, size, &declared);
    for (int32_t i = 0; i < declared; ++i) {
        SceneRecord r;
        readSceneRecord(bytes, i, &r);
        std::printf("%s\t%g %g %g %g\t%g\t%g %g\t%d\t%d\n", cp1251ToUtf8(r.name).c_str(), r.left, r.top, r.right, r.bottom, r.angle,
                    r.scrollX, r.scrollY, r.mirrored ? 1 : 0, r.firstPass != 0 ? 1 : 0);
    }
    std::free(bytes);
    return 0;
}
