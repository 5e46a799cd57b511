// The map's path: reading "mapspline.spl", the point at an arc length, and the stage and level
// points derived from it.
#include "map/map.h"

#include <cmath>
#include <cstring>

namespace {

// Reads a little-endian 32-bit word (the file is a memory image of the machine it was made on).
uint32_t readWord(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

float readFloat(const uint8_t* p)
{
    uint32_t w = readWord(p);
    float f;
    std::memcpy(&f, &w, sizeof f);
    return f;
}

// Coordinates far outside the picture mean a damaged file (a map pixel is 0..1024).
constexpr float MAX_COORDINATE = 100000.0f;
constexpr float POINT_SHIFT_Y = 30.0f;

} // namespace

const char* mapPathStatusText(MapPathStatus status)
{
    switch (status) {
    case MapPathStatus::Ok: return "ok";
    case MapPathStatus::Missing: return "the file is missing";
    case MapPathStatus::TooShort: return "the file is shorter than its header";
    case MapPathStatus::BadCount: return "the point count is below 2 or above 4096";
    case MapPathStatus::TooLong: return "the points run past the end of the file";
    case MapPathStatus::BadLength: return "the path length is not a positive number within the points' reach";
    case MapPathStatus::BadPoint: return "a point is not a finite number within the map";
    }
    return "unknown";
}

MapPathStatus parseMapPath(const uint8_t* data, int32_t size, MapPath& path)
{
    path.count = 0;
    path.length = 0.0f;
    if (!data) return MapPathStatus::Missing;
    if (size < 8) return MapPathStatus::TooShort;
    int32_t n = static_cast<int32_t>(readWord(data));
    if (n < 2 || n > MAP_PATH_MAX_POINTS) return MapPathStatus::BadCount;
    // Compared in 64 bits: 8 + 8 n cannot overflow for n <= 4096, but size is the file's word.
    if (static_cast<int64_t>(size) < 8 + 8 * static_cast<int64_t>(n)) return MapPathStatus::TooLong;
    float length = readFloat(data + 4);
    // The points lie 20 apart, so the path cannot be longer than they reach (one step of slack).
    if (!std::isfinite(length) || length <= 0.0f || length > MAP_PATH_STEP * static_cast<float>(n))
        return MapPathStatus::BadLength;
    for (int32_t i = 0; i < n; ++i) {
        float x = readFloat(data + 8 + 8 * i);
        float y = readFloat(data + 12 + 8 * i);
        if (!std::isfinite(x) || !std::isfinite(y) || std::fabs(x) > MAX_COORDINATE || std::fabs(y) > MAX_COORDINATE)
            return MapPathStatus::BadPoint;
        path.points[i] = Vec2{x, y + POINT_SHIFT_Y};
    }
    path.count = n;
    path.length = length;
    return MapPathStatus::Ok;
}

Vec2 pathPointAt(float a)
{
    const MapPath& p = mapState.path;
    if (a > p.length) return Vec2{-1000.0f, 0.0f};
    if (a < 0.0f) return Vec2{1000.0f, 0.0f};
    if (p.count < 2) return p.count == 1 ? p.points[0] : Vec2{};
    int i = static_cast<int>(a / MAP_PATH_STEP);
    if (i > p.count - 2) return p.points[p.count - 1];
    float f = a / MAP_PATH_STEP - static_cast<float>(i);
    return p.points[i].lerp(p.points[i + 1], f);
}

void deriveMapPoints()
{
    MapState& m = mapState;
    m.stageCount = 0;
    while (m.stageCount < MAP_STAGE_COUNT && MAP_STAGE_LEVELS[m.stageCount] > 0) m.stageCount++;
    const float length = m.path.length;
    const int s = m.stageCount;
    for (int i = 0; i < MAP_STAGE_COUNT; ++i) {
        float arc = s > 1 ? static_cast<float>(i) * length / static_cast<float>(s - 1) : 0.0f;
        m.stageArc[i] = arc > length ? length : arc;
    }
    // 129 equal steps; each stage owns as many steps as it has levels.
    const float step = length / static_cast<float>(MAP_LEVEL_COUNT);
    constexpr float MARGIN = 0.6f * 32.0f;
    int first = 0;
    for (int st = 0; st <= MAP_STAGE_COUNT; ++st) {
        float arc = static_cast<float>(first) * step;
        if (st == MAP_STAGE_COUNT) arc = length - 0.1f;
        m.stageBoundary[st] = pathPointAt(arc);
        if (st == MAP_STAGE_COUNT) break;
        const int count = MAP_STAGE_LEVELS[st];
        const float share = step * static_cast<float>(count);
        const float slot = (share - 32.0f) / static_cast<float>(count > 0 ? count : 1);
        for (int k = 0; k < count && first + k < MAP_LEVEL_COUNT; ++k) {
            float a = static_cast<float>(first) * step + MARGIN + slot * (static_cast<float>(k) + 0.5f);
            Vec2 d = pathPointAt(a + 2.0f).sub(pathPointAt(a - 2.0f));
            d.normalize();
            m.levelPoint[first + k] = pathPointAt(a);
            m.levelDirection[first + k] = d;
        }
        first += count;
    }
}
