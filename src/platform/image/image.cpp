// Picture decoding (stb_image for TGA and PNG, TurboJPEG for JPEG), scaling and encoding.
#include "platform/image/image.h"
#include "platform/image/decodeahead.h"

#include <stb_image.h>
#include <stb_image_write.h>
#include <turbojpeg.h>

#include <cmath>
#include <cstring>

namespace {

uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

// Checks that a TGA file holds every byte its header promises (stb_image would quietly fill a
// truncated picture with zeros). Returns false for an unsupported or damaged file.
bool tgaComplete(const uint8_t* d, size_t size)
{
    if (size < 18) return false;
    int idLength = d[0], mapType = d[1], type = d[2];
    int mapLength = le16(d + 5), mapBits = d[7];
    int w = le16(d + 12), h = le16(d + 14), bits = d[16];
    if (w <= 0 || h <= 0 || w > IMAGE_MAX_SIDE || h > IMAGE_MAX_SIDE || mapType > 1) return false;
    int base = type & 7;
    if (base != 1 && base != 2 && base != 3) return false;
    if ((type & ~8) != base) return false;
    if (base == 1 && (mapType != 1 || (bits != 8 && bits != 16))) return false;
    if (base != 1 && bits != 8 && bits != 15 && bits != 16 && bits != 24 && bits != 32) return false;
    size_t pos = 18 + static_cast<size_t>(idLength);
    if (mapType == 1) pos += static_cast<size_t>(mapLength) * ((mapBits + 7) / 8);
    size_t bpp = (bits + 7) / 8;
    size_t pixels = static_cast<size_t>(w) * h;
    if (!(type & 8)) return pos <= size && pixels * bpp <= size - pos;
    size_t done = 0;
    while (done < pixels) {
        if (pos >= size) return false;
        uint8_t head = d[pos++];
        size_t run = (head & 0x7F) + 1;
        size_t need = (head & 0x80) ? bpp : run * bpp;
        if (need > size - pos) return false;
        pos += need;
        done += run;
    }
    return true;
}

void rgbaToBgra(const uint8_t* src, size_t count, uint8_t* dst)
{
    for (size_t i = 0; i < count; ++i) {
        dst[i * 4 + 0] = src[i * 4 + 2];
        dst[i * 4 + 1] = src[i * 4 + 1];
        dst[i * 4 + 2] = src[i * 4 + 0];
        dst[i * 4 + 3] = src[i * 4 + 3];
    }
}

bool decodeStb(const uint8_t* data, size_t size, ImageData* out)
{
    if (size > 0x7FFFFFFF) return false;
    int w = 0, h = 0, comp = 0;
    if (!stbi_info_from_memory(data, static_cast<int>(size), &w, &h, &comp) || w <= 0 || h <= 0 ||
        w > IMAGE_MAX_SIDE || h > IMAGE_MAX_SIDE)
        return false;
    stbi_uc* px = stbi_load_from_memory(data, static_cast<int>(size), &w, &h, &comp, 4);
    if (!px) return false;
    out->width = w;
    out->height = h;
    out->hasAlpha = comp == 2 || comp == 4;
    out->pixels.resize(static_cast<size_t>(w) * h * 4);
    rgbaToBgra(px, static_cast<size_t>(w) * h, out->pixels.data());
    stbi_image_free(px);
    return true;
}

void writeToVector(void* context, void* data, int size)
{
    auto* v = static_cast<std::vector<uint8_t>*>(context);
    const uint8_t* p = static_cast<const uint8_t*>(data);
    v->insert(v->end(), p, p + size);
}

std::vector<uint8_t> toRgba(const ImageData& image, int channels)
{
    size_t n = static_cast<size_t>(image.width) * image.height;
    std::vector<uint8_t> v(n * channels);
    for (size_t i = 0; i < n; ++i) {
        const uint8_t* s = &image.pixels[i * 4];
        v[i * channels + 0] = s[2];
        v[i * channels + 1] = s[1];
        v[i * channels + 2] = s[0];
        if (channels == 4) v[i * channels + 3] = s[3];
    }
    return v;
}

bool validImage(const ImageData& image)
{
    return image.width > 0 && image.height > 0 &&
           image.pixels.size() == static_cast<size_t>(image.width) * image.height * 4;
}

// One output value of the separable filter: element o of m resampled from n source elements,
// at(i) giving the four channels of source element i. Where it shrinks, the output is the area
// average of the source elements it covers; where it grows, the bilinear blend of two.
template <class At>
void resampleOne(At at, int n, int m, int o, float* dst)
{
    double scale = static_cast<double>(n) / m;
    double acc[4] = {0, 0, 0, 0};
    if (scale <= 1.0) {
        double x = (o + 0.5) * scale - 0.5;
        if (x < 0) x = 0;
        int i0 = static_cast<int>(x);
        int i1 = i0 + 1 < n ? i0 + 1 : n - 1;
        double f = x - i0;
        const float* a = at(i0);
        const float* b = at(i1);
        for (int c = 0; c < 4; ++c) acc[c] = a[c] * (1 - f) + b[c] * f;
    } else {
        double x0 = o * scale, x1 = (o + 1) * scale;
        for (int i = static_cast<int>(x0); i < n && i < x1; ++i) {
            double lo = i > x0 ? i : x0, hi = i + 1 < x1 ? i + 1 : x1;
            double wgt = hi - lo;
            const float* a = at(i);
            for (int c = 0; c < 4; ++c) acc[c] += a[c] * wgt;
        }
        for (double& v : acc) v /= scale;
    }
    for (int c = 0; c < 4; ++c) dst[c] = static_cast<float>(acc[c]);
}

// The last source element resampleOne reads for output o.
int lastSourceOf(int n, int m, int o)
{
    double scale = static_cast<double>(n) / m;
    if (scale <= 1.0) {
        double x = (o + 0.5) * scale - 0.5;
        int i0 = static_cast<int>(x < 0 ? 0 : x);
        return i0 + 1 < n ? i0 + 1 : n - 1;
    }
    double x0 = o * scale, x1 = (o + 1) * scale;
    int last = static_cast<int>(x0);
    while (last + 1 < n && last + 1 < x1) ++last;
    return last;
}

}  // namespace

ImageKind imageKind(const uint8_t* data, size_t size)
{
    if (!data) return ImageKind::Unknown;
    if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) return ImageKind::Jpeg;
    static const uint8_t png[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (size >= 8 && std::memcmp(data, png, 8) == 0) return ImageKind::Png;
    if (size >= 18) {
        int type = data[2], mapType = data[1];
        if (mapType <= 1 && (type == 1 || type == 2 || type == 3 || type == 9 || type == 10 || type == 11))
            return ImageKind::Tga;
    }
    return ImageKind::Unknown;
}

bool imageDecodeJpeg(const uint8_t* data, size_t size, ImageData* out)
{
    if (!out) return false;
    *out = ImageData();
    if (!data || size < 4 || size > 0x7FFFFFFF) return false;
    tjhandle tj = tjInitDecompress();
    if (!tj) return false;
    int w = 0, h = 0, sub = 0, space = 0;
    bool ok = tjDecompressHeader3(tj, data, static_cast<unsigned long>(size), &w, &h, &sub, &space) == 0 && w > 0 &&
              h > 0 && w <= IMAGE_MAX_SIDE && h <= IMAGE_MAX_SIDE;
    if (ok) {
        out->pixels.resize(static_cast<size_t>(w) * h * 4);
        // Any complaint of the decoder (missing data, corrupt segments) counts as a damaged picture.
        ok = tjDecompress2(tj, data, static_cast<unsigned long>(size), out->pixels.data(), w, w * 4, h, TJPF_BGRA,
                           TJFLAG_STOPONWARNING) == 0;
    }
    tjDestroy(tj);
    if (!ok) {
        *out = ImageData();
        return false;
    }
    out->width = w;
    out->height = h;
    out->hasAlpha = false;
    return true;
}

bool imageDecodeTga(const uint8_t* data, size_t size, ImageData* out)
{
    if (!out) return false;
    *out = ImageData();
    if (!data || !tgaComplete(data, size)) return false;
    return decodeStb(data, size, out);
}

bool imageDecode(const uint8_t* data, size_t size, ImageData* out)
{
    if (!out) return false;
    // The same bytes decoded ahead on a second thread (start-up's first picture): that result.
    bool aheadOk = false;
    if (imageTakeDecodedAhead(data, size, out, &aheadOk)) return aheadOk;
    switch (imageKind(data, size)) {
    case ImageKind::Jpeg: return imageDecodeJpeg(data, size, out);
    case ImageKind::Tga: return imageDecodeTga(data, size, out);
    case ImageKind::Png:
        *out = ImageData();
        return decodeStb(data, size, out);
    default: *out = ImageData(); return false;
    }
}

int imageRoundUpPow2(int n)
{
    int p = 1;
    while (p < n && p < (1 << 30)) p <<= 1;
    return p;
}

bool imageScale(const ImageData& src, int width, int height, ImageData* out)
{
    if (!out || !validImage(src) || width <= 0 || height <= 0 || width > 16384 || height > 16384) return false;
    const int sw = src.width, sh = src.height;
    // Rows first, then columns, one output row at a time: only the source rows that the output
    // row's column filter reads are kept, resampled to the new width, in a ring that the rows
    // pass through in order (a few rows instead of whole float copies of the picture).
    const double scale = static_cast<double>(sh) / height;
    int slots = static_cast<int>(std::ceil(scale)) + 2;
    if (slots > sh) slots = sh;
    std::vector<float> ring(static_cast<size_t>(slots) * width * 4);
    std::vector<int> rowInSlot(static_cast<size_t>(slots), -1);
    std::vector<float> line(static_cast<size_t>(sw) * 4);
    auto wideRow = [&](int y) -> const float* {
        int slot = y % slots;
        float* row = &ring[static_cast<size_t>(slot) * width * 4];
        if (rowInSlot[static_cast<size_t>(slot)] != y) {
            const uint8_t* p = &src.pixels[static_cast<size_t>(y) * sw * 4];
            for (size_t i = 0; i < line.size(); ++i) line[i] = p[i];
            for (int o = 0; o < width; ++o)
                resampleOne([&](int i) { return &line[static_cast<size_t>(i) * 4]; }, sw, width, o, row + o * 4);
            rowInSlot[static_cast<size_t>(slot)] = y;
        }
        return row;
    };
    ImageData r;
    r.width = width;
    r.height = height;
    r.hasAlpha = src.hasAlpha;
    r.pixels.resize(static_cast<size_t>(width) * height * 4);
    std::vector<const float*> rows(static_cast<size_t>(sh), nullptr);
    for (int oy = 0; oy < height; ++oy) {
        // The rows this output row reads, made before they are used (none is pushed out while
        // needed: the ring holds more rows than one output row reads).
        int last = lastSourceOf(sh, height, oy);
        int first = last - slots + 1 < 0 ? 0 : last - slots + 1;
        for (int y = first; y <= last; ++y) rows[static_cast<size_t>(y)] = wideRow(y);
        uint8_t* d = &r.pixels[static_cast<size_t>(oy) * width * 4];
        for (int x = 0; x < width; ++x) {
            float v[4];
            resampleOne([&](int i) { return rows[static_cast<size_t>(i)] + x * 4; }, sh, height, oy, v);
            for (int c = 0; c < 4; ++c) {
                float q = std::floor(v[c] + 0.5f);
                d[x * 4 + c] = static_cast<uint8_t>(q < 0 ? 0 : q > 255 ? 255 : q);
            }
        }
    }
    *out = std::move(r);
    return true;
}

size_t imageJpegAlphaSplit(const uint8_t* data, size_t size)
{
    if (!data) return 0;
    for (size_t i = 0; i + 1 < size; ++i)
        if (data[i] == 0xFF && data[i + 1] == 0xD9) return i + 2;
    return 0;
}

bool imageEncodePng(const ImageData& image, std::vector<uint8_t>* out)
{
    if (!out || !validImage(image)) return false;
    out->clear();
    std::vector<uint8_t> rgba = toRgba(image, 4);
    return stbi_write_png_to_func(writeToVector, out, image.width, image.height, 4, rgba.data(), image.width * 4) != 0;
}

bool imageEncodeTga(const ImageData& image, bool withAlpha, std::vector<uint8_t>* out)
{
    if (!out || !validImage(image) || image.width > 65535 || image.height > 65535) return false;
    const int bpp = withAlpha ? 4 : 3;
    out->assign(18, 0);
    (*out)[2] = 2;
    (*out)[12] = static_cast<uint8_t>(image.width);
    (*out)[13] = static_cast<uint8_t>(image.width >> 8);
    (*out)[14] = static_cast<uint8_t>(image.height);
    (*out)[15] = static_cast<uint8_t>(image.height >> 8);
    (*out)[16] = static_cast<uint8_t>(bpp * 8);
    (*out)[17] = static_cast<uint8_t>(0x20 | (withAlpha ? 8 : 0));  // top-left origin
    size_t n = static_cast<size_t>(image.width) * image.height;
    out->reserve(18 + n * bpp);
    for (size_t i = 0; i < n; ++i) out->insert(out->end(), &image.pixels[i * 4], &image.pixels[i * 4] + bpp);
    return true;
}

bool imageEncodeJpeg(const ImageData& image, int quality, std::vector<uint8_t>* out)
{
    if (!out || !validImage(image)) return false;
    tjhandle tj = tjInitCompress();
    if (!tj) return false;
    unsigned char* buf = nullptr;
    unsigned long len = 0;
    bool ok = tjCompress2(tj, image.pixels.data(), image.width, image.width * 4, image.height, TJPF_BGRA, &buf, &len,
                          TJSAMP_444, quality < 1 ? 1 : quality > 100 ? 100 : quality, TJFLAG_ACCURATEDCT) == 0;
    if (ok) out->assign(buf, buf + len);
    tjFree(buf);
    tjDestroy(tj);
    return ok;
}
