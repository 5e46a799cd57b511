// Fuzz target: the packed-archive walk (names, lengths, unscrambling) and name normalisation.
#include "resources/files.h"

#include <cstring>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

bool visit(void* context, const char* name, uint8_t* data, int32_t size)
{
    char key[FILE_NAME_SIZE];
    normaliseFileName(name, key, sizeof key);
    uint32_t& sum = *static_cast<uint32_t*>(context);
    for (int32_t i = 0; i < size; ++i) sum += data[i];  // touches every byte the walk hands out
    sum += uint32_t(std::strlen(key));
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 24)) return 0;
    // An exact-size copy, so that any read past the end is caught by the address sanitizer.
    std::vector<uint8_t> buffer(data, data + size);
    uint32_t sum = 0;
    walkArchive(buffer.data(), int32_t(buffer.size()), visit, &sum);
    return 0;
}
