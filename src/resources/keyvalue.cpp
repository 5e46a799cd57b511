// Reader of key=value data files: substring search for the key, value up to the next CR.
#include "resources/keyvalue.h"

#include <cstdlib>
#include <cstring>

namespace {

// Start of the value of key, or null.
const char* findValue(const char* text, const char* key)
{
    if (!text || !key) return nullptr;
    const char* at = std::strstr(text, key);
    return at ? at + std::strlen(key) : nullptr;
}

} // namespace

int kvValueLength(const char* text, const char* key)
{
    const char* v = findValue(text, key);
    if (!v) return -1;
    const char* cr = std::strchr(v, '\r');
    return int(cr ? cr - v : std::strlen(v));
}

const char* kvString(char* out, int capacity, const char* text, const char* key)
{
    if (!out || capacity <= 0) return nullptr;
    out[0] = 0;
    int length = kvValueLength(text, key);
    if (length < 0 || length > capacity - 1) return nullptr;
    std::memcpy(out, findValue(text, key), size_t(length));
    out[length] = 0;
    return out;
}

float kvFloat(const char* text, const char* key)
{
    char buf[KV_NUMBER_BUFFER];
    if (!kvString(buf, sizeof buf, text, key) || buf[0] == 0) return 0.0f;
    return float(std::atof(buf));
}

int kvInt(const char* text, const char* key)
{
    char buf[KV_NUMBER_BUFFER];
    if (!kvString(buf, sizeof buf, text, key) || buf[0] == 0) return 0;
    double d = std::atof(buf);
    // Out-of-range values saturate instead of overflowing the conversion.
    if (!(d > -2147483648.0)) return d < 0 ? INT32_MIN : 0;  // also NaN -> 0
    if (d >= 2147483647.0) return INT32_MAX;
    return int(d);
}

int kvFloatList(const char* text, float* values, int capacity, const char* key)
{
    char buf[KV_LIST_BUFFER];
    if (!values || !kvString(buf, sizeof buf, text, key) || buf[0] == 0) return 0;
    if (!std::strchr(buf, ')') && !std::strchr(buf, '}')) return 0;
    int count = 0;
    char* p = buf + 1;
    for (;;) {
        char* cut = std::strchr(p, ',');
        if (!cut) cut = std::strchr(p, '}');
        if (!cut) cut = std::strchr(p, ')');
        if (!cut) break;
        *cut = 0;
        if (count < capacity) values[count++] = float(std::atof(p));
        p = cut + 1;
    }
    return count;
}

Vec3 kvVec3(const char* text, const char* key, bool* ok)
{
    Vec3 v;
    if (ok) *ok = false;
    char buf[KV_VEC3_BUFFER];
    if (!kvString(buf, sizeof buf, text, key) || buf[0] == 0) return v;
    char* p = buf + 1;
    char* cut = std::strchr(p, ',');
    if (cut) *cut = 0;
    v.x = float(std::atof(p));
    if (!cut) return v;
    p = cut + 1;
    cut = std::strchr(p, ',');
    if (cut) *cut = 0;
    v.y = float(std::atof(p));
    if (!cut) return v;
    p = cut + 1;
    cut = std::strchr(p, ')');
    if (cut) *cut = 0;
    v.z = float(std::atof(p));
    if (ok) *ok = cut != nullptr;
    return v;
}
