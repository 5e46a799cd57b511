// Fuzz target: the key/value reader. The input is a key (up to the first zero byte) followed by the
// file's text, terminated the way the game terminates a data file.
#include "resources/keyvalue.h"

#include <cstring>
#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20)) return 0;
    const uint8_t* zero = static_cast<const uint8_t*>(std::memchr(data, 0, size));
    size_t keyLength = zero ? size_t(zero - data) : size;
    std::vector<char> key(data, data + keyLength);
    key.push_back(0);
    const uint8_t* rest = zero ? zero + 1 : data + size;
    std::vector<char> text(rest, data + size);
    if (text.empty()) text.push_back(0);
    text.back() = 0;  // the last byte becomes the terminator

    char out[64];
    kvString(out, sizeof out, text.data(), key.data());
    kvInt(text.data(), key.data());
    kvFloat(text.data(), key.data());
    float values[8];
    kvFloatList(text.data(), values, 8, key.data());
    bool ok = false;
    kvVec3(text.data(), key.data(), &ok);
    return 0;
}
