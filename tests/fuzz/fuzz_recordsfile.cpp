// Fuzz target: "records.dat". Only an image of the exact size is taken; every holder name of a
// taken image is terminated inside its field.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "persist/records.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 18)) return 0;
    resetRecords();
    bool taken = recordsFromBytes(data, static_cast<int32_t>(size));
    if (taken != (size == static_cast<size_t>(RECORDS_FILE_SIZE))) std::abort();
    for (const auto& mode : recordsState.records) {
        for (const LevelRecord& r : mode) {
            for (const auto& name : r.names) {
                if (name[RECORD_NAME_CHARS - 1] != 0) std::abort();
            }
        }
    }
    return 0;
}
