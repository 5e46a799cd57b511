// Fuzz target: picture decoding (TGA raw and run-length, JPEG, PNG), the JPEG-with-alpha split and
// the loader's power-of-two scaling of whatever decodes.
#include "platform/image/image.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 22)) return 0;
    // An exact-size copy, so that any read past the end is caught by the address sanitizer.
    std::vector<uint8_t> buffer(data, data + size);
    ImageData img;
    if (imageDecode(buffer.data(), buffer.size(), &img)) {
        if (img.pixels.size() != size_t(img.width) * img.height * 4) __builtin_trap();
        if (size_t(img.width) * img.height <= 256 * 256) {
            ImageData scaled;
            imageScale(img, imageRoundUpPow2(img.width), imageRoundUpPow2(img.height), &scaled);
        }
    }
    size_t split = imageJpegAlphaSplit(buffer.data(), buffer.size());
    if (split > buffer.size()) __builtin_trap();
    if (split > 0) imageDecodeJpeg(buffer.data(), split, &img);
    return 0;
}
