#include "effects/backdrops.h"

#include "core/appstate.h"
#include "core/requestlog.h"
#include "graphics/draw.h"

#include <cmath>
#include <cstdio>
#include <cstring>

Backdrop backdrop;

namespace {

constexpr float PI_F = 3.14159265358979f;

const float TINT_PRESETS[3][4] = {
    {0.8f, 0.8f, 1.0f, 1.0f},
    {1.0f, 0.8f, 0.8f, 1.0f},
    {1.0f, 1.0f, 1.0f, 1.0f},
};

int clampNumber(int number) { return number < 0 || number >= BACKDROP_COUNT ? 0 : number; }

// The picture of a backdrop: 800 x 600 texels in the top left of a power-of-two texture. When the
// file is missing the plain loader is asked for it as a required picture, which shows the
// loader's "Couldn't load texture" message and stops the program; a damaged file gets the
// JPEG-with-alpha loader's message. Either way the backdrop stays without a picture (drawn black).
Texture* loadPicture(int number)
{
    const char* name = backdropPictureName(number);
    char before[sizeof textureManager.lastMessage];
    std::memcpy(before, textureManager.lastMessage, sizeof before);
    textureManager.lastMessage[0] = 0;
    Texture* t = loadJpegAlphaSized(name, static_cast<int>(BACKDROP_PICTURE_W), static_cast<int>(BACKDROP_PICTURE_H));
    if (t) {
        std::memcpy(textureManager.lastMessage, before, sizeof before);
        return t;
    }
    // No message yet: the file is missing.
    if (!textureManager.lastMessage[0])
        if (Texture* plain = loadTextureEx(name, true, false)) releaseTexture(plain);
    return nullptr;
}

// The registered picture of a number (the pointers are looked up each time, so a release of every
// texture, as around a device reset, leaves nothing dangling).
Texture* registeredPicture(int number) { return number < 0 ? nullptr : findTexture(backdropPictureName(number)); }

// The picture of a number, loaded once the data set is open; a failed load is not retried for
// the same choice.
Texture* picture(int number, int8_t& failed)
{
    if (number < 0) return nullptr;
    if (Texture* t = registeredPicture(number)) return t;
    if (!backdrop.ready || failed) return nullptr;
    Texture* t = loadPicture(number);
    if (!t) failed = 1;
    return t;
}

void releasePictureOf(int number)
{
    if (number >= 0) releaseTextureByName(backdropPictureName(number));
}

}  // namespace

namespace {

// Draws a picture over the whole screen, scaled about the centre and shifted (the camera move).
void drawPicture(const Texture* t, Color colour, float shiftX, float shiftY, float scale)
{
    if (!t || t->width <= 0 || t->height <= 0) return;
    setTexture(t);
    float hw = BACKDROP_PICTURE_W / 2 * scale, hh = BACKDROP_PICTURE_H / 2 * scale;
    Rect r;
    r.set(shiftX - hw, shiftY + hh, shiftX + hw, shiftY - hh);
    Rect uv;
    uv.set(0.0f, 0.0f, BACKDROP_PICTURE_W / t->width, BACKDROP_PICTURE_H / t->height);
    drawQuadRect(r, uv, colour);
}

uint8_t channel(float v)
{
    if (v <= 0.0f) return 0;
    if (v >= 1.0f) return 255;
    return static_cast<uint8_t>(v * 255.0f);
}

}  // namespace

const char* backdropPictureName(int number)
{
    static char name[64];
    std::snprintf(name, sizeof name, "AnimBacks\\_a_back%d.jpg", clampNumber(number));
    return name;
}

void resetBackdrop()
{
    releasePictureOf(backdrop.number);
    if (backdrop.nextNumber != backdrop.number) releasePictureOf(backdrop.nextNumber);
    backdrop = Backdrop{};
}

void loadBackdropCatalogue()
{
    recordRequest("loadBackdropCatalogue");
    backdrop.ready = 1;
}

void setBackdrop(int number)
{
    recordRequest("setBackdrop", "", number);
    number = clampNumber(number);
    backdrop.fadeMs = 0.0f;
    int next = backdrop.nextNumber;
    backdrop.nextNumber = -1;
    backdrop.nextPicture = nullptr;
    backdrop.nextFailed = 0;
    if (next >= 0 && next != number && next != backdrop.number) releasePictureOf(next);
    if (number != backdrop.number) {
        releasePictureOf(backdrop.number);
        backdrop.number = number;
        backdrop.pictureFailed = 0;
    }
    backdrop.picture = registeredPicture(number);
}

void prepareBackdrop(int number)
{
    recordRequest("prepareBackdrop", "", number);
    number = clampNumber(number);
    if (backdrop.nextNumber != number) {
        if (backdrop.nextNumber != backdrop.number) releasePictureOf(backdrop.nextNumber);
        backdrop.nextNumber = number;
        backdrop.nextFailed = 0;
    }
    backdrop.nextPicture = registeredPicture(number);
    backdrop.fadeMs = BACKDROP_FADE_MS;
}

void setBackdropTint(int preset)
{
    recordRequest("setBackdropTint", "", preset);
    if (preset < 0 || preset > 2) return;
    for (int i = 0; i < 4; ++i) backdrop.targetTint[i] = TINT_PRESETS[preset][i];
}

void drawBackdrop(bool withCameraMove)
{
    recordRequest("drawBackdrop", "", withCameraMove ? 1 : 0);
    if (backdrop.number < 0) setBackdrop(0);
    // Pictures are loaded when first drawn.
    backdrop.picture = picture(backdrop.number, backdrop.pictureFailed);
    backdrop.nextPicture = backdrop.fadeMs > 0.0f ? picture(backdrop.nextNumber, backdrop.nextFailed) : nullptr;
    float dt = app.frameMs > 0.0f ? app.frameMs : 0.0f;
    // 1. The tint drifts towards its target.
    float k = dt * BACKDROP_TINT_RATE;
    if (k > 1.0f) k = 1.0f;
    for (int i = 0; i < 4; ++i) backdrop.tint[i] += (backdrop.targetTint[i] - backdrop.tint[i]) * k;
    Color colour(channel(backdrop.tint[0]), channel(backdrop.tint[1]), channel(backdrop.tint[2]), 255);
    // 2. The cross-fade: the clock falls to 1500 ms and holds there until setBackdrop ends it.
    float shiftX = 0.0f, shiftY = 0.0f, scale = 1.0f, fade = 0.0f;
    if (backdrop.fadeMs > 0.0f) {
        if (backdrop.fadeMs >= BACKDROP_FADE_HOLD_MS) {
            backdrop.fadeMs -= withCameraMove ? dt : 6.0f * dt;
            if (backdrop.fadeMs < 0.0f) backdrop.fadeMs = 0.0f;
        }
        float s = 1.0f - backdrop.fadeMs / BACKDROP_FADE_MS;
        // The next picture covers the current one as the clock runs from 3000 to 1500.
        fade = 2.0f * s;
        if (fade > 1.0f) fade = 1.0f;
        if (withCameraMove) {
            float s2 = s * s;
            shiftX = std::cos(s * 1.5f * PI_F) * 30.0f * s2;
            shiftY = std::sin(s * PI_F) * 30.0f * s2;
            scale = 1.0f + 1.5f * s2;
        }
    }
    backdrop.lastShift[0] = shiftX;
    backdrop.lastShift[1] = shiftY;
    backdrop.lastScale = scale;
    backdrop.lastFade = backdrop.nextPicture ? fade : 0.0f;
    // 3. The pictures: opaque, then the next one blended over it.
    setBlendMode(0);
    drawPicture(backdrop.picture, colour, shiftX, shiftY, scale);
    if (backdrop.nextPicture && backdrop.nextPicture != backdrop.picture && fade > 0.0f) {
        Color faded = colour;
        faded.a = channel(fade);
        drawPicture(backdrop.nextPicture, faded, shiftX, shiftY, scale);
    }
    setTexture(nullptr);
}
