#include "trophies/trophylayout.h"

#include "persist/settings.h"
#include "platform/os/files.h"
#include "resources/files.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

TrophyLayout trophyLayout;

namespace {

constexpr const char* LAYOUT_FILE = "trophy.cfg";

float getFloat(const uint8_t* p)
{
    uint32_t bits = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    float v;
    std::memcpy(&v, &bits, 4);
    return v;
}

void putFloat(uint8_t* p, float v)
{
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    for (int k = 0; k < 4; k++) p[k] = uint8_t(bits >> (8 * k));
}

bool validSize(float v) { return std::isfinite(v) && v > 0.0f && v <= 1024.0f; }

bool validSlot(const TrophySlot& s)
{
    return validSize(s.width) && validSize(s.height) && std::isfinite(s.x) && std::isfinite(s.y) &&
           std::fabs(s.x) <= 400.0f && std::fabs(s.y) <= 300.0f && std::isfinite(s.scale) && s.scale > 0.0f &&
           s.scale <= 8.0f;
}

void defaultLayout()
{
    for (int i = 0; i < TROPHY_COUNT; i++) {
        trophyLayout.slots[i] = defaultTrophySlot(i, TROPHY_DEFAULT_SIZE, TROPHY_DEFAULT_SIZE);
        trophyLayout.fromFile[i] = 0;
    }
}

} // namespace

void resetTrophyLayout()
{
    trophyLayout = TrophyLayout{};
    defaultLayout();
}

TrophySlot defaultTrophySlot(int index, float width, float height)
{
    TrophySlot s{};
    s.width = width;
    s.height = height;
    s.x = static_cast<float>(index) * (760.0f / 17.0f) - 380.0f;
    s.y = 280.0f - static_cast<float>(index) * (560.0f / 17.0f);
    s.scale = 1.0f;
    return s;
}

bool trophyLayoutFromBytes(const uint8_t* data, int32_t size)
{
    defaultLayout();
    if (!data || size != TROPHY_LAYOUT_BYTES) return false;
    bool all = true;
    for (int i = 0; i < TROPHY_COUNT; i++) {
        const uint8_t* r = data + i * TROPHY_SLOT_BYTES;
        TrophySlot s{};
        s.width = getFloat(r + 0);
        s.height = getFloat(r + 4);
        s.x = getFloat(r + 8);
        s.y = getFloat(r + 12);
        s.scale = getFloat(r + 20);
        if (!validSlot(s)) {
            all = false;
            continue;
        }
        trophyLayout.slots[i] = s;
        trophyLayout.fromFile[i] = 1;
    }
    return all;
}

void trophyLayoutToBytes(uint8_t out[TROPHY_LAYOUT_BYTES])
{
    std::memset(out, 0, TROPHY_LAYOUT_BYTES);
    for (int i = 0; i < TROPHY_COUNT; i++) {
        uint8_t* r = out + i * TROPHY_SLOT_BYTES;
        const TrophySlot& s = trophyLayout.slots[i];
        putFloat(r + 0, s.width);
        putFloat(r + 4, s.height);
        putFloat(r + 8, s.x);
        putFloat(r + 12, s.y);
        putFloat(r + 20, s.scale);
        r[88] = s.hovered ? 1 : 0;
    }
}

void loadTrophyLayout()
{
    trophyLayout.loaded = 1;
    char path[1024];
    if (settingsPath(LAYOUT_FILE, path, sizeof path) && osFileSize(path) == TROPHY_LAYOUT_BYTES) {
        int32_t size = 0;
        uint8_t* data = osReadFile(path, &size);
        bool read = data && trophyLayoutFromBytes(data, size);
        std::free(data);
        if (read) return;
    }
    // Only a file of the right size is read at all (a huge one is not worth the memory).
    int32_t size = 0;
    uint8_t* data = nullptr;
    if (findFile(LAYOUT_FILE) || osFileSize(LAYOUT_FILE) == TROPHY_LAYOUT_BYTES) data = readFile(LAYOUT_FILE, &size, false);
    trophyLayoutFromBytes(data, size);  // absent or damaged: the default places
    if (data) releaseFile(data);
}

bool saveTrophyLayout()
{
    char path[1024];
    if (!settingsPath(LAYOUT_FILE, path, sizeof path)) return false;
    uint8_t bytes[TROPHY_LAYOUT_BYTES];
    trophyLayoutToBytes(bytes);
    if (!ensureSettingsFolder()) {
        reportFolderFailure();
        return false;
    }
    if (!osWriteFileAtomic(path, bytes, TROPHY_LAYOUT_BYTES)) {
        reportWriteFailure(path);
        return false;
    }
    trophyLayout.saves++;
    return true;
}

void fitDefaultSlot(int index, float width, float height)
{
    if (index < 0 || index >= TROPHY_COUNT || trophyLayout.fromFile[index]) return;
    trophyLayout.slots[index].width = width;
    trophyLayout.slots[index].height = height;
}
