#pragma once
// The texture manager: every texture of the program, registered under its name (compared
// exactly, case-sensitively). Pictures are read through the file table and decoded in memory;
// besides plain loading the manager builds textures from "JPEG with alpha" files (a JPEG
// immediately followed by one alpha byte per texel), textures holding a picture at a given
// size, blank textures, render targets (recreated after a device reset), scaled copies and
// copies with an alpha mask.
#include "platform/gpu/gpu.h"

#include <cstdint>

struct Texture {
    char name[128];
    // The size texture coordinates are reckoned in. A loaded picture: its own size rounded up to
    // powers of two (the device texture holds it at its own size, stretched over the same 0..1
    // coordinates); a picture loaded at a given size, a blank texture or a render target: the
    // device texture's size.
    int32_t width;
    int32_t height;
    int texture;          // device texture handle, 0 while a render target is released
    uint8_t hasAlpha;
    uint8_t opaque;       // every texel of the loaded picture (its area) has alpha 255
    uint8_t renderTarget;
    int32_t format;       // the format asked for at creation (blank textures only)
};

constexpr int TEXTURE_TABLE_SIZE = 1024;
constexpr int TEXTURE_LIMIT = 1023;  // a registration when this many are registered fails

struct TextureManager {
    Texture* records[TEXTURE_TABLE_SIZE];
    int count;
    // Text and caption of the last message box shown by the manager (for tests and diagnostics).
    char lastMessage[192];
    char lastCaption[32];
};

extern TextureManager textureManager;

Texture* findTexture(const char* name);
// loadTextureEx(name, fatal = true, forceAlpha = false).
Texture* loadTexture(const char* name);
// A picture file as a texture. A ".tga" request is served by "_a_<name>.jpg" (a JPEG with
// alpha) when that file exists. Missing or undecodable: "Couldn't load texture: %s" /
// "Loading error" and the exit hook when fatal; null otherwise.
Texture* loadTextureEx(const char* name, bool fatal, bool forceAlpha);
// A JPEG with alpha stream, decoded at its own size (a picture whose sides are not powers of two
// is stretched to the rounded size its alpha stream is laid out for). Missing: null.
Texture* loadJpegAlpha(const char* name, bool fatal);
// A JPEG with alpha stream in a width x height texture (sides up to 1024), unscaled.
Texture* loadJpegAlphaSized(const char* name, int width, int height);
// A picture in a width x height texture (sides up to 1024), unscaled; the file is required.
Texture* loadTextureSized(const char* name, int width, int height);
// A blank texture ("Couldn't create texture: %s" / "Init error" and null when it cannot be made).
Texture* createTexture(const char* name, int width, int height, GpuFormat format, bool renderTarget);
// The source (loaded with forced alpha) copied, filtered, into a new texture; a size below 0
// takes the source's.
Texture* copyTextureScaled(const char* newName, const char* sourceName, int width, int height);
// A copy of the source whose alpha comes from the first byte (blue) of each mask texel.
Texture* copyTextureWithMask(const char* newName, const char* sourceName, const char* maskName);
void releaseTexture(Texture* texture);
void releaseTextureByName(const char* name);
// Around a device reset: render targets give up their device texture, then get a new, empty one.
void onDeviceLost();
void onDeviceReset();
void releaseAllTextures();
// Bytes every registered texture takes on the device (gpuTextureBytes summed).
size_t textureTableBytes();
// Writes the registered textures to a file, one a line: name, device size, format, mipmap
// levels, bytes (with every level), then a total line; through a temporary file renamed over
// the old one. False when it cannot be written.
bool writeTextureTable(const char* path);
// The smallest of 2, 4, ..., 1024 that is >= n; 0 when n > 1024.
int nextPow2(int n);
