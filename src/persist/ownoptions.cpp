#include "persist/ownoptions.h"

#include <cstdlib>
#include <cstring>

#include "core/appstate.h"
#include "persist/settings.h"
#include "platform/os/files.h"

namespace {

const uint8_t MAGIC[4] = {'O', 'S', 'O', 'P'};

uint32_t readU32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

void writeU32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t fnv1a(const uint8_t* p, int n)
{
    uint32_t h = 2166136261u;
    for (int i = 0; i < n; ++i) {
        h ^= p[i];
        h *= 16777619u;
    }
    return h;
}

} // namespace

const char* ownOptionsStatusText(OwnOptionsStatus status)
{
    switch (status) {
    case OwnOptionsStatus::Ok: return "ok";
    case OwnOptionsStatus::Missing: return "missing";
    case OwnOptionsStatus::BadSize: return "wrong size";
    case OwnOptionsStatus::BadMagic: return "not an options file";
    case OwnOptionsStatus::BadVersion: return "unknown version";
    case OwnOptionsStatus::BadChecksum: return "checksum mismatch";
    case OwnOptionsStatus::BadFlags: return "unknown flags";
    }
    return "unknown";
}

OwnOptionsStatus ownOptionsFromBytes(const uint8_t* data, int32_t size, OwnOptions& out)
{
    if (!data) return OwnOptionsStatus::Missing;
    if (size != OWN_OPTIONS_FILE_SIZE) return OwnOptionsStatus::BadSize;
    if (std::memcmp(data, MAGIC, 4) != 0) return OwnOptionsStatus::BadMagic;
    if (readU32(data + 4) != OWN_OPTIONS_VERSION) return OwnOptionsStatus::BadVersion;
    if (readU32(data + 12) != fnv1a(data, 12)) return OwnOptionsStatus::BadChecksum;
    uint32_t flags = readU32(data + 8);
    if ((flags & ~OWN_OPTION_CALM_MOTION) != 0) return OwnOptionsStatus::BadFlags;
    out.calmMotion = (flags & OWN_OPTION_CALM_MOTION) ? 1 : 0;
    return OwnOptionsStatus::Ok;
}

void ownOptionsToBytes(const OwnOptions& options, uint8_t out[OWN_OPTIONS_FILE_SIZE])
{
    std::memcpy(out, MAGIC, 4);
    writeU32(out + 4, OWN_OPTIONS_VERSION);
    writeU32(out + 8, options.calmMotion ? OWN_OPTION_CALM_MOTION : 0u);
    writeU32(out + 12, fnv1a(out, 12));
}

OwnOptionsStatus loadOwnOptions()
{
    app.calmMotion = 0;
    char path[OS_PATH_MAX];
    if (!settingsPath(OWN_OPTIONS_FILE, path, sizeof path)) return OwnOptionsStatus::Missing;
    int32_t size = 0;
    uint8_t* data = osReadFile(path, &size);
    OwnOptions options;
    OwnOptionsStatus status = ownOptionsFromBytes(data, size, options);
    std::free(data);
    if (status == OwnOptionsStatus::Ok) app.calmMotion = options.calmMotion;
    return status;
}

bool saveOwnOptions()
{
    if (!ensureSettingsFolder()) return false;
    char path[OS_PATH_MAX];
    if (!settingsPath(OWN_OPTIONS_FILE, path, sizeof path)) return false;
    OwnOptions options;
    options.calmMotion = app.calmMotion ? 1 : 0;
    uint8_t bytes[OWN_OPTIONS_FILE_SIZE];
    ownOptionsToBytes(options, bytes);
    return osWriteFileAtomic(path, bytes, OWN_OPTIONS_FILE_SIZE);
}
