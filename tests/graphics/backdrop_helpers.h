#pragma once
// Scene files and catalogues for the backdrop tests, written in the data set's formats.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

struct TestPlaced {
    std::string name;
    float left, top, right, bottom;
    float angle = 0.0f;
    float scrollX = 0.0f, scrollY = 0.0f;
    uint8_t mirrored = 0;
    int32_t firstPass = 0;
};

inline void appendBytes(std::vector<uint8_t>& out, const void* p, size_t n)
{
    const uint8_t* b = static_cast<const uint8_t*>(p);
    out.insert(out.end(), b, b + n);
}

// A "level<n>.lev" file: the 64-byte scene name, the object count (declaredCount when given,
// else the number of objects) and the 65-byte records.
inline std::vector<uint8_t> sceneFile(const std::vector<TestPlaced>& objects, int32_t declaredCount = INT32_MIN,
                                      const char* sceneName = "test scene")
{
    std::vector<uint8_t> out(64, 0);
    std::memcpy(out.data(), sceneName, std::strlen(sceneName));
    int32_t count = declaredCount == INT32_MIN ? static_cast<int32_t>(objects.size()) : declaredCount;
    appendBytes(out, &count, 4);
    for (const TestPlaced& o : objects) {
        char name[32] = {};
        std::memcpy(name, o.name.data(), o.name.size() < 32 ? o.name.size() : 32);
        appendBytes(out, name, 32);
        const float v[7] = {o.left, o.top, o.right, o.bottom, o.angle, o.scrollX, o.scrollY};
        appendBytes(out, v, sizeof v);
        out.push_back(o.mirrored);
        appendBytes(out, &o.firstPass, 4);
    }
    return out;
}

inline std::vector<uint8_t> textBytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }
