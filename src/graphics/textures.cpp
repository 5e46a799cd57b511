// The texture manager.
#include "graphics/textures.h"

#include "graphics/device.h"
#include "platform/image/image.h"
#include "platform/os/msgbox.h"
#include "resources/files.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

TextureManager textureManager = {};

namespace {

void message(const char* format, const char* name, const char* caption, bool exitAfter)
{
    std::snprintf(textureManager.lastMessage, sizeof textureManager.lastMessage, format, name);
    std::snprintf(textureManager.lastCaption, sizeof textureManager.lastCaption, "%s", caption);
    osMessageBox(textureManager.lastMessage, caption);
    if (exitAfter && fileTable.exitHook) fileTable.exitHook(1);
}

bool hasTgaSuffix(const char* name) { return std::strstr(name, ".tga") || std::strstr(name, ".TGA"); }

bool nameFits(const char* name) { return name && std::strlen(name) < sizeof(Texture::name); }

// Adds a record for a device texture; on a full table the texture is released and null returned.
Texture* registerTexture(const char* name, int handle, int width, int height, bool hasAlpha, bool renderTarget,
                         GpuFormat format)
{
    if (textureManager.count >= TEXTURE_LIMIT) {
        gpuReleaseTexture(handle);
        message("Couldn't create texture: %s", name, "Init error", false);
        return nullptr;
    }
    Texture* t = new Texture{};
    std::snprintf(t->name, sizeof t->name, "%s", name);
    t->texture = handle;
    t->width = width;
    t->height = height;
    t->hasAlpha = hasAlpha ? 1 : 0;
    t->opaque = !hasAlpha && !renderTarget &&
                (format == GpuFormat::X8R8G8B8 || format == GpuFormat::R5G6B5 || format == GpuFormat::X1R5G5B5);
    t->renderTarget = renderTarget ? 1 : 0;
    t->format = static_cast<int32_t>(format);
    textureManager.records[textureManager.count++] = t;
    return t;
}

uint16_t to565(const uint8_t* p) { return static_cast<uint16_t>(((p[2] >> 3) << 11) | ((p[1] >> 2) << 5) | (p[0] >> 3)); }
uint16_t to1555(const uint8_t* p)
{
    return static_cast<uint16_t>(((p[3] >= 128) << 15) | ((p[2] >> 3) << 10) | ((p[1] >> 3) << 5) | (p[0] >> 3));
}
uint16_t to4444(const uint8_t* p)
{
    return static_cast<uint16_t>(((p[3] >> 4) << 12) | ((p[2] >> 4) << 8) | ((p[1] >> 4) << 4) | (p[0] >> 4));
}

// Writes BGRA pixels into the texture's level 0 at (0, 0), clipped, leaving the rest as it is.
bool writeTexels(int handle, const ImageData& img)
{
    int w = 0, h = 0, pitch = 0;
    GpuFormat f = GpuFormat::Unknown;
    if (!gpuTextureInfo(handle, &w, &h, &f, nullptr)) return false;
    uint8_t* dst = static_cast<uint8_t*>(gpuLockTexture(handle, &pitch));
    if (!dst) return false;
    int cw = img.width < w ? img.width : w, ch = img.height < h ? img.height : h;
    for (int y = 0; y < ch; ++y) {
        const uint8_t* s = &img.pixels[static_cast<size_t>(y) * img.width * 4];
        uint8_t* d = dst + static_cast<size_t>(y) * pitch;
        for (int x = 0; x < cw; ++x, s += 4) {
            uint16_t v;
            switch (f) {
            case GpuFormat::A8R8G8B8: std::memcpy(d + x * 4, s, 4); break;
            case GpuFormat::X8R8G8B8:
                std::memcpy(d + x * 4, s, 3);
                d[x * 4 + 3] = 255;
                break;
            case GpuFormat::R5G6B5: v = to565(s); std::memcpy(d + x * 2, &v, 2); break;
            case GpuFormat::X1R5G5B5:
            case GpuFormat::A1R5G5B5: v = to1555(s); std::memcpy(d + x * 2, &v, 2); break;
            case GpuFormat::A4R4G4B4: v = to4444(s); std::memcpy(d + x * 2, &v, 2); break;
            default: break;
            }
        }
    }
    gpuUnlockTexture(handle);
    return true;
}

// Level 0 of a texture as BGRA pixels.
bool readTexels(int handle, ImageData* out)
{
    int w = 0, h = 0, pitch = 0;
    GpuFormat f = GpuFormat::Unknown;
    bool rt = false;
    if (!gpuTextureInfo(handle, &w, &h, &f, &rt)) return false;
    out->width = w;
    out->height = h;
    out->hasAlpha = true;
    out->pixels.assign(static_cast<size_t>(w) * h * 4, 0);
    if (rt) return gpuReadPixels(handle, out->pixels.data(), static_cast<int>(out->pixels.size()));
    const uint8_t* src = static_cast<const uint8_t*>(gpuLockTexture(handle, &pitch));
    if (!src) return false;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* d = &out->pixels[(static_cast<size_t>(y) * w + x) * 4];
            const uint8_t* s = src + static_cast<size_t>(y) * pitch;
            uint16_t v = 0;
            if (gpuFormatBytes(f) == 2) std::memcpy(&v, s + x * 2, 2);
            switch (f) {
            case GpuFormat::A8R8G8B8: std::memcpy(d, s + x * 4, 4); break;
            case GpuFormat::X8R8G8B8: std::memcpy(d, s + x * 4, 3); d[3] = 255; break;
            case GpuFormat::R5G6B5:
                d[0] = static_cast<uint8_t>((v & 31) * 255 / 31);
                d[1] = static_cast<uint8_t>(((v >> 5) & 63) * 255 / 63);
                d[2] = static_cast<uint8_t>((v >> 11) * 255 / 31);
                d[3] = 255;
                break;
            case GpuFormat::X1R5G5B5:
            case GpuFormat::A1R5G5B5:
                d[0] = static_cast<uint8_t>((v & 31) * 255 / 31);
                d[1] = static_cast<uint8_t>(((v >> 5) & 31) * 255 / 31);
                d[2] = static_cast<uint8_t>(((v >> 10) & 31) * 255 / 31);
                d[3] = f == GpuFormat::A1R5G5B5 ? ((v >> 15) ? 255 : 0) : 255;
                break;
            case GpuFormat::A4R4G4B4:
                d[0] = static_cast<uint8_t>((v & 15) * 17);
                d[1] = static_cast<uint8_t>(((v >> 4) & 15) * 17);
                d[2] = static_cast<uint8_t>(((v >> 8) & 15) * 17);
                d[3] = static_cast<uint8_t>((v >> 12) * 17);
                break;
            default: break;
            }
        }
    gpuUnlockTexture(handle);
    return true;
}

// The size texture coordinates of a loaded picture are reckoned in: its own size rounded up to
// powers of two, as the drawing code was written for textures stretched to that size. The device
// texture holds the picture at its own size (GL 3.3 takes any size): coordinates 0..1 cover the
// whole picture either way, so only the resampling of the stretch is gone.
void roundedSize(const ImageData& img, int* width, int* height)
{
    *width = imageRoundUpPow2(img.width);
    *height = imageRoundUpPow2(img.height);
}

bool tgaServedByJpeg(const char* name, char* alt, size_t capacity)
{
    char tmp[sizeof(Texture::name) + 8];
    std::snprintf(tmp, sizeof tmp, "_a_%s", name);
    char* dot = std::strchr(tmp, '.');
    if (dot) *dot = 0;
    int n = std::snprintf(alt, capacity, "%s.jpg", tmp);
    return n > 0 && static_cast<size_t>(n) < capacity;
}

}  // namespace

int nextPow2(int n)
{
    for (int p = 2; p <= 1024; p <<= 1)
        if (p >= n) return p;
    return 0;
}

Texture* findTexture(const char* name)
{
    if (!name) return nullptr;
    for (int i = 0; i < textureManager.count; ++i)
        if (std::strcmp(textureManager.records[i]->name, name) == 0) return textureManager.records[i];
    return nullptr;
}

Texture* loadTexture(const char* name) { return loadTextureEx(name, true, false); }

Texture* loadTextureEx(const char* name, bool fatal, bool forceAlpha)
{
    if (!name) return nullptr;
    if (Texture* t = findTexture(name)) return t;
    if (hasTgaSuffix(name)) {
        char alt[sizeof(Texture::name)];
        if (tgaServedByJpeg(name, alt, sizeof alt))
            if (Texture* t = loadJpegAlpha(alt, false)) return t;
    }
    int32_t size = 0;
    const uint8_t* data = nameFits(name) ? readFile(name, &size, false) : nullptr;
    ImageData img;
    bool decoded = data && imageDecode(data, static_cast<size_t>(size), &img);
    // The GPU gets the decoded picture: the file's bytes are not needed any more (a member of a
    // packed archive stays registered and is read again if the picture is ever loaded again).
    if (data) releaseFile(data);
    if (!decoded) {
        if (fatal) message("Couldn't load texture: %s", name, "Loading error", true);
        return nullptr;
    }
    GpuFormat format = forceAlpha || img.hasAlpha ? GpuFormat::A8R8G8B8 : GpuFormat::X8R8G8B8;
    int handle = gpuCreateTexture(img.width, img.height, 2, format, false);
    if (!handle || !writeTexels(handle, img)) {
        gpuReleaseTexture(handle);
        if (fatal) message("Couldn't load texture: %s", name, "Loading error", true);
        return nullptr;
    }
    int w = 0, h = 0;
    roundedSize(img, &w, &h);
    return registerTexture(name, handle, w, h, forceAlpha || hasTgaSuffix(name), false, format);
}

Texture* loadJpegAlpha(const char* name, bool fatal)
{
    if (!nameFits(name)) return nullptr;
    if (Texture* t = findTexture(name)) return t;
    int32_t size = 0;
    const uint8_t* data = readFile(name, &size, false);
    if (!data) return nullptr;
    size_t split = imageJpegAlphaSplit(data, static_cast<size_t>(size));
    ImageData img;
    bool ok = split > 0 && imageDecode(data, split, &img);
    // The alpha stream is laid out at the rounded size: a picture of another size is stretched
    // to it, as the file was made for.
    int rw = 0, rh = 0;
    if (ok) roundedSize(img, &rw, &rh);
    if (ok && (rw != img.width || rh != img.height)) {
        ImageData scaled;
        ok = imageScale(img, rw, rh, &scaled);
        img = std::move(scaled);
    }
    // The alpha stream must cover every texel (a short one is a damaged file; extra bytes are ignored).
    size_t texels = static_cast<size_t>(img.width) * img.height;
    if (ok && static_cast<size_t>(size) - split < texels) ok = false;
    int handle = ok ? gpuCreateTexture(img.width, img.height, 1, GpuFormat::A8R8G8B8, false) : 0;
    if (handle) {
        const uint8_t* alpha = data + split;
        for (size_t i = 0; i < texels; ++i) img.pixels[i * 4 + 3] = alpha[i];
        ok = writeTexels(handle, img);
    }
    releaseFile(data);
    if (!ok || !handle) {
        gpuReleaseTexture(handle);
        if (fatal) message("Can't load texture: %s", name, "Loading error", true);
        return nullptr;
    }
    return registerTexture(name, handle, img.width, img.height, true, false, GpuFormat::A8R8G8B8);
}

Texture* loadJpegAlphaSized(const char* name, int width, int height)
{
    if (!nameFits(name) || width <= 0 || height <= 0) return nullptr;
    if (Texture* t = findTexture(name)) return t;
    int32_t size = 0;
    const uint8_t* data = readFile(name, &size, false);
    if (!data) return nullptr;
    size_t split = imageJpegAlphaSplit(data, static_cast<size_t>(size));
    ImageData img;
    bool ok = split > 0 && imageDecodeJpeg(data, split, &img) &&
              static_cast<size_t>(size) - split >= static_cast<size_t>(width) * height;
    Texture* t = nullptr;
    if (ok && nextPow2(width) && nextPow2(height)) {
        t = createTexture(name, width, height, GpuFormat::A8R8G8B8, false);
        if (t) {
            // The picture is copied unscaled into the width x height texture; texels it does not
            // cover stay transparent black. Texel (r, c) takes alpha byte r * width + c.
            ImageData area;
            area.width = width;
            area.height = height;
            area.pixels.assign(static_cast<size_t>(width) * height * 4, 0);
            const uint8_t* alpha = data + split;
            bool opaque = true;
            for (int r = 0; r < height; ++r)
                for (int c = 0; c < width; ++c) {
                    uint8_t* d = &area.pixels[(static_cast<size_t>(r) * width + c) * 4];
                    if (r < img.height && c < img.width)
                        std::memcpy(d, &img.pixels[(static_cast<size_t>(r) * img.width + c) * 4], 3);
                    d[3] = alpha[static_cast<size_t>(r) * width + c];
                    opaque = opaque && d[3] == 255;
                }
            writeTexels(t->texture, area);
            t->hasAlpha = 1;
            t->opaque = opaque ? 1 : 0;
        }
    }
    releaseFile(data);
    if (!ok) message("Can't load texture: %s", name, "Loading error", true);
    return t;
}

Texture* loadTextureSized(const char* name, int width, int height)
{
    if (!name) return nullptr;
    if (Texture* t = findTexture(name)) return t;
    if (!nameFits(name) || width <= 0 || height <= 0 || !nextPow2(width) || !nextPow2(height)) {
        message("Couldn't load texture: %s", name, "Loading error", true);
        return nullptr;
    }
    Texture* t = createTexture(name, width, height, GpuFormat::A8R8G8B8, false);
    if (!t) return nullptr;
    int32_t size = 0;
    const uint8_t* data = readFile(name, &size, true);
    ImageData img;
    if (!data || !imageDecode(data, static_cast<size_t>(size), &img)) {
        if (data) releaseFile(data);
        releaseTexture(t);
        if (data) message("Couldn't load texture: %s", name, "Loading error", true);
        return nullptr;
    }
    // Unscaled into the width x height texture; a picture without alpha is opaque there.
    ImageData area;
    area.width = width;
    area.height = height;
    area.pixels.assign(static_cast<size_t>(width) * height * 4, 0);
    for (int r = 0; r < height && r < img.height; ++r)
        for (int c = 0; c < width && c < img.width; ++c) {
            uint8_t* d = &area.pixels[(static_cast<size_t>(r) * width + c) * 4];
            std::memcpy(d, &img.pixels[(static_cast<size_t>(r) * img.width + c) * 4], 4);
            if (!img.hasAlpha) d[3] = 255;
        }
    writeTexels(t->texture, area);
    t->hasAlpha = img.hasAlpha ? 1 : 0;
    t->opaque = img.hasAlpha ? 0 : 1;
    releaseFile(data);
    return t;
}

Texture* createTexture(const char* name, int width, int height, GpuFormat format, bool renderTarget)
{
    if (!name) return nullptr;
    if (Texture* t = findTexture(name)) return t;
    GpuFormat actual = format;
    if (renderTarget) {
        actual = device.selectedMode.textureFormat;
        if (gpuFormatBytes(actual) == 0) actual = GpuFormat::A8R8G8B8;
    }
    int handle = nameFits(name) && textureManager.count < TEXTURE_LIMIT
                     ? gpuCreateTexture(width, height, 1, actual, renderTarget)
                     : 0;
    if (!handle) {
        message("Couldn't create texture: %s", name, "Init error", false);
        return nullptr;
    }
    return registerTexture(name, handle, width, height, false, renderTarget, format);
}

Texture* copyTextureScaled(const char* newName, const char* sourceName, int width, int height)
{
    Texture* src = loadTextureEx(sourceName, true, true);
    if (!src) return nullptr;
    if (width < 0) width = src->width;
    if (height < 0) height = src->height;
    ImageData pixels, scaled;
    if (!readTexels(src->texture, &pixels) || !imageScale(pixels, width, height, &scaled)) {
        message("Couldn't create texture: %s", newName ? newName : "", "Init error", false);
        return nullptr;
    }
    Texture* t = createTexture(newName, width, height, GpuFormat::A8R8G8B8, false);
    if (!t) return nullptr;
    writeTexels(t->texture, scaled);
    t->hasAlpha = 1;
    t->opaque = 0;
    return t;
}

Texture* copyTextureWithMask(const char* newName, const char* sourceName, const char* maskName)
{
    Texture* t = copyTextureScaled(newName, sourceName, -1, -1);
    if (!t) return nullptr;
    Texture* mask = loadTexture(maskName);
    if (!mask) return t;
    // The mask as BGRA texels, stretched to the copy's texels when both are reckoned at the same
    // size but the mask's texture holds its picture at another (its own) size.
    ImageData m;
    if (!readTexels(mask->texture, &m)) return t;
    if (mask->width == t->width && mask->height == t->height && (m.width != t->width || m.height != t->height)) {
        ImageData stretched;
        if (!imageScale(m, t->width, t->height, &stretched)) return t;
        m = std::move(stretched);
    }
    int pitch = 0;
    uint8_t* d = static_cast<uint8_t*>(gpuLockTexture(t->texture, &pitch));
    if (d) {
        size_t n = static_cast<size_t>(t->width) * t->height;
        size_t maskTexels = static_cast<size_t>(m.width) * m.height;
        // A mask smaller than the picture leaves the alpha of the texels it does not reach.
        for (size_t i = 0; i < n && i < maskTexels; ++i) d[i * 4 + 3] = m.pixels[i * 4];
        gpuUnlockTexture(t->texture);
    }
    return t;
}

void releaseTexture(Texture* texture)
{
    if (!texture) return;
    for (int i = 0; i < textureManager.count; ++i) {
        if (textureManager.records[i] != texture) continue;
        gpuReleaseTexture(texture->texture);
        delete texture;
        for (int j = i; j + 1 < textureManager.count; ++j) textureManager.records[j] = textureManager.records[j + 1];
        textureManager.records[--textureManager.count] = nullptr;
        return;
    }
}

void releaseTextureByName(const char* name) { releaseTexture(findTexture(name)); }

void onDeviceLost()
{
    for (int i = 0; i < textureManager.count; ++i) {
        Texture* t = textureManager.records[i];
        if (!t->renderTarget) continue;
        gpuReleaseTexture(t->texture);
        t->texture = 0;
    }
}

void onDeviceReset()
{
    GpuFormat f = device.selectedMode.textureFormat;
    if (gpuFormatBytes(f) == 0) f = GpuFormat::A8R8G8B8;
    for (int i = 0; i < textureManager.count; ++i) {
        Texture* t = textureManager.records[i];
        if (t->renderTarget && t->texture == 0) t->texture = gpuCreateTexture(t->width, t->height, 1, f, true);
    }
}

void releaseAllTextures()
{
    for (int i = 0; i < textureManager.count; ++i) {
        gpuReleaseTexture(textureManager.records[i]->texture);
        delete textureManager.records[i];
        textureManager.records[i] = nullptr;
    }
    textureManager.count = 0;
}

size_t textureTableBytes()
{
    size_t bytes = 0;
    for (int i = 0; i < textureManager.count; ++i) bytes += gpuTextureBytes(textureManager.records[i]->texture);
    return bytes;
}

namespace {

const char* formatName(GpuFormat f)
{
    switch (f) {
    case GpuFormat::A8R8G8B8: return "A8R8G8B8";
    case GpuFormat::X8R8G8B8: return "X8R8G8B8";
    case GpuFormat::R5G6B5: return "R5G6B5";
    case GpuFormat::X1R5G5B5: return "X1R5G5B5";
    case GpuFormat::A1R5G5B5: return "A1R5G5B5";
    case GpuFormat::A4R4G4B4: return "A4R4G4B4";
    default: return "?";
    }
}

}  // namespace

bool writeTextureTable(const char* path)
{
    if (!path || !path[0]) return false;
    std::string tmp = std::string(path) + ".tmp";
    FILE* f = std::fopen(tmp.c_str(), "wb");
    if (!f) return false;
    bool ok = true;
    for (int i = 0; i < textureManager.count; ++i) {
        const Texture* t = textureManager.records[i];
        int w = 0, h = 0;
        GpuFormat format = GpuFormat::Unknown;
        bool rt = false;
        gpuTextureInfo(t->texture, &w, &h, &format, &rt);
        ok = std::fprintf(f, "%s\t%dx%d\t%s%s\t%d\t%zu\n", t->name, w, h, formatName(format), rt ? " target" : "",
                          gpuTextureLevels(t->texture), gpuTextureBytes(t->texture)) > 0 && ok;
    }
    ok = std::fprintf(f, "total\t%d textures\t\t\t%zu\n", textureManager.count, textureTableBytes()) > 0 && ok;
    ok = std::fclose(f) == 0 && ok;
    return ok && std::rename(tmp.c_str(), path) == 0;
}
