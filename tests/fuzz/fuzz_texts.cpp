// Fuzz target: the UTF-16 text-table parser and its lookups.
#include "resources/texts.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 24)) return 0;
    std::vector<uint8_t> buffer(data, data + size);  // exact size: overreads are caught
    resetTextTables();
    parseTextData(buffer.data(), int32_t(buffer.size()));
    text("lang");
    textRelative("defname1", 9);
    for (int i = 0; i < textTable.count; ++i) textW(textTable.entries[i].key);
    resetTextTables();
    return 0;
}
