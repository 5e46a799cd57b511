// Fuzz target: a ".cgo" composite object file. Its text is read with two small meshes and a
// texture present in a scratch folder (on the headless device), so names that exist load and
// every other name, count or key takes the refusal or missing-file paths (a missing file's fatal
// exit is replaced by a return). The object must keep to its mesh limit and its slots.
#include "effects/mesh.h"
#include "graphics/device.h"
#include "graphics/textures.h"
#include "platform/os/files.h"
#include "resources/files.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

void noExit(int) {}

void put(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A triangle as a ".msh_s" file.
std::vector<uint8_t> triangle(uint8_t smooth)
{
    std::vector<uint8_t> b(37 + 36 + 12 + 24, 0);
    b[3] = smooth;
    int32_t three = 3, one = 1;
    std::memcpy(&b[29], &three, 4);
    std::memcpy(&b[33], &one, 4);
    const float p[9] = {0, 0, 0, 0, 1, 0, 1, 0, 0};
    std::memcpy(&b[37], p, sizeof p);
    const int32_t f[3] = {0, 1, 2};
    std::memcpy(&b[73], f, sizeof f);
    return b;
}

bool prepared = false;

void prepare()
{
    std::string dir = std::filesystem::temp_directory_path().string() + "/ostrimar_fuzz_cgo";
    std::filesystem::create_directories(dir);
    put(dir + "/a.msh_s", triangle(1));
    put(dir + "/b.msh_s", triangle(0));
    // an 2 x 2 Targa picture with alpha
    std::vector<uint8_t> tga = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 32, 0x28};
    for (int i = 0; i < 4; ++i) tga.insert(tga.end(), {0x40, 0x80, 0xC0, 0x80});
    put(dir + "/t.tga", tga);
    resetFiles();
    osSetCurrentDirectory(dir.c_str());
    createDevice(nullptr);
    prepared = true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 16)) return 0;
    if (!prepared) prepare();
    resetFileTable();
    fileTable.exitHook = noExit;
    resetMeshes();
    std::vector<char> text(data, data + size);
    text.push_back(0);
    CompositeObject object;
    char error[160] = {};
    if (parseComposite(text.data(), &object, error, sizeof error)) {
        if (object.meshCount < 0 || object.meshCount > COMPOSITE_MESH_LIMIT) __builtin_trap();
        for (int i = object.meshCount; i < COMPOSITE_MESH_LIMIT; ++i)
            if (object.meshes[i] || object.textures[i]) __builtin_trap();
        Matrix parent;
        parent.setDiagonal(40, 40, 40);
        parent.m[3][2] = 50;
        drawComposite(&object, parent);
    } else if (error[0] == 0) {
        __builtin_trap();
    }
    if (meshState.meshCount > MESH_CACHE_SIZE) __builtin_trap();
    resetMeshes();
    releaseAllTextures();
    return 0;
}
