// Fuzz target: "options.dat" of any size and content. It is taken whole or not at all: a refused
// image leaves the options untouched, an accepted one gives a flag of 0 or 1 and is exactly the
// image those options write back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "persist/ownoptions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 16)) return 0;
    OwnOptions options;
    options.calmMotion = 7;  // a value no accepted image can give
    OwnOptionsStatus status = ownOptionsFromBytes(data, static_cast<int32_t>(size), options);
    if (status != OwnOptionsStatus::Ok) {
        if (options.calmMotion != 7) std::abort();
        if (!ownOptionsStatusText(status)[0]) std::abort();
        return 0;
    }
    if (options.calmMotion > 1 || size != OWN_OPTIONS_FILE_SIZE) std::abort();
    uint8_t again[OWN_OPTIONS_FILE_SIZE];
    ownOptionsToBytes(options, again);
    if (std::memcmp(again, data, OWN_OPTIONS_FILE_SIZE) != 0) std::abort();
    return 0;
}
