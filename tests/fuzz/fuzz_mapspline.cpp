// Fuzz target: the map's path reader ("mapspline.spl"). The input is the whole file in a buffer
// of exactly its size. A refused file leaves the path empty; an accepted one has 2..4096 points,
// a positive finite length within the points' reach, and every point on it (and the stage and
// level points derived from it) is finite.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "map/map.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20)) return 0;
    std::unique_ptr<uint8_t[]> copy(new uint8_t[size ? size : 1]);
    if (size) std::memcpy(copy.get(), data, size);
    resetMap();
    MapPathStatus status = parseMapPath(size ? copy.get() : nullptr, static_cast<int32_t>(size), mapState.path);
    const MapPath& p = mapState.path;
    if (status != MapPathStatus::Ok) {
        if (p.count != 0) std::abort();
        return 0;
    }
    if (p.count < 2 || p.count > MAP_PATH_MAX_POINTS) std::abort();
    if (!std::isfinite(p.length) || p.length <= 0.0f || p.length > MAP_PATH_STEP * p.count) std::abort();
    // A counted walk: a step of length / 97 vanishes next to -10 when the length is tiny.
    for (int k = 0; k <= 97; k++) {
        Vec2 q = pathPointAt(-10.0f + (p.length + 20.0f) * static_cast<float>(k) / 97.0f);
        if (!std::isfinite(q.x) || !std::isfinite(q.y)) std::abort();
    }
    deriveMapPoints();
    for (int i = 0; i < MAP_LEVEL_COUNT; ++i)
        if (!std::isfinite(mapState.levelPoint[i].x) || !std::isfinite(mapState.levelDirection[i].y)) std::abort();
    return 0;
}
