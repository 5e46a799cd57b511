// Fuzz target: the backdrop object catalogue ("gameobjs.txt"). The input is the file's text,
// not terminated. Every entry kept must have a terminated name and file name that fit their
// fields, a picture or composite file, and a group number the file opened.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "effects/backdrops.h"

namespace {

bool endsWith(const char* s, const char* suffix)
{
    size_t n = std::strlen(s), m = std::strlen(suffix);
    if (n < m) return false;
    for (size_t i = 0; i < m; ++i) {
        char c = s[n - m + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != suffix[i]) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20)) return 0;
    char* text = static_cast<char*>(std::malloc(size ? size : 1));
    if (size) std::memcpy(text, data, size);
    parseCatalogue(text, static_cast<int32_t>(size));
    if (backdrop.catalogueCount < 0 || backdrop.catalogueCount > CATALOGUE_CAPACITY) std::abort();
    for (int i = 0; i < backdrop.catalogueCount; ++i) {
        const CatalogueObject& c = backdrop.catalogue[i];
        if (!std::memchr(c.name, 0, sizeof c.name) || !std::memchr(c.file, 0, sizeof c.file)) std::abort();
        if (!c.name[0] || !c.file[0]) std::abort();
        if (!endsWith(c.file, ".tga") && !endsWith(c.file, ".jpg") && !endsWith(c.file, ".cgo")) std::abort();
        if (c.group < -1 || c.group >= backdrop.groupCount) std::abort();
        if (findCatalogueObject(c.name) > i) std::abort();
    }
    std::free(text);
    return 0;
}
