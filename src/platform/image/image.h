#pragma once
// Picture decoding and encoding in memory: TGA (raw and RLE, 24 and 32 bit, both origins) and
// PNG through stb_image, JPEG through TurboJPEG; filtered scaled copies; PNG, TGA and JPEG
// writing. Pixels are BGRA bytes (the 32-bit word 0xAARRGGBB), rows from the top.
#include <cstddef>
#include <cstdint>
#include <vector>

// Pictures larger than this on either side are refused (the game's largest are 1024 pixels), so a
// damaged header cannot make the decoder reserve gigabytes.
constexpr int IMAGE_MAX_SIDE = 4096;

struct ImageData {
    int width = 0;
    int height = 0;
    bool hasAlpha = false;        // the file carried an alpha channel (32-bit TGA, PNG with alpha)
    std::vector<uint8_t> pixels;  // width * height * 4, BGRA
};

enum class ImageKind { Unknown, Jpeg, Tga, Png };

// Recognises JPEG and PNG by their signatures and TGA by a plausible header.
ImageKind imageKind(const uint8_t* data, size_t size);

// Decodes a JPEG, TGA or PNG file held in memory. False (and out emptied) when the data is not a
// picture or is damaged: a truncated TGA, a JPEG with missing or corrupt data.
bool imageDecode(const uint8_t* data, size_t size, ImageData* out);
bool imageDecodeJpeg(const uint8_t* data, size_t size, ImageData* out);
bool imageDecodeTga(const uint8_t* data, size_t size, ImageData* out);

// The size the picture loader gives a texture made from a picture of this size: each side
// rounded up to a power of two (the picture is then stretched over the texture).
int imageRoundUpPow2(int n);

// A filtered copy of src at width x height: area averaging where it shrinks, bilinear where it
// grows. False for an empty source or a size of 0 or less.
bool imageScale(const ImageData& src, int width, int height, ImageData* out);

// Where a JPEG-with-alpha file's JPEG part ends: just after the first 0xFF 0xD9 pair, scanning
// from the start. 0 when the pair does not occur.
size_t imageJpegAlphaSplit(const uint8_t* data, size_t size);

// Encoders; false on failure. TGA is 32-bit with alpha (or 24-bit without), top-left origin.
bool imageEncodePng(const ImageData& image, std::vector<uint8_t>* out);
bool imageEncodeTga(const ImageData& image, bool withAlpha, std::vector<uint8_t>* out);
bool imageEncodeJpeg(const ImageData& image, int quality, std::vector<uint8_t>* out);
