#include "effects/backdrops.h"

#include "core/appstate.h"
#include "core/dialogport.h"
#include "graphics/device.h"
#include "graphics/draw.h"
#include "platform/os/files.h"
#include "resources/files.h"

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

// The backdrop's own generator (the classic 15-bit form), so that loading a scene or spawning
// spray never changes the game's random sequence.
int backdropRand()
{
    backdrop.random = backdrop.random * 214013u + 2531011u;
    return static_cast<int>((backdrop.random >> 16) & 0x7FFF);
}
float backdropUnit() { return static_cast<float>(backdropRand()) / 32767.0f; }

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

// A catalogue texture that is still registered (textures released wholesale, as at shutdown or
// in tests, leave the entry without one rather than with a dangling pointer).
Texture* liveTexture(Texture* t)
{
    if (!t) return nullptr;
    for (int i = 0; i < textureManager.count; ++i)
        if (textureManager.records[i] == t) return t;
    return nullptr;
}

uint8_t channel(float v)
{
    if (v <= 0.0f) return 0;
    if (v >= 1.0f) return 255;
    return static_cast<uint8_t>(v * 255.0f);
}

// ---- Reading ----------------------------------------------------------------------------

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Copies [begin, end) trimmed into out; false when it does not fit (or is empty).
bool copyTrimmed(const char* begin, const char* end, char* out, int capacity)
{
    while (begin < end && isSpace(*begin)) ++begin;
    while (end > begin && isSpace(end[-1])) --end;
    if (end <= begin || end - begin >= capacity) return false;
    std::memcpy(out, begin, static_cast<size_t>(end - begin));
    out[end - begin] = 0;
    return true;
}

bool endsWithNoCase(const char* s, const char* suffix)
{
    size_t n = std::strlen(s), m = std::strlen(suffix);
    if (n < m) return false;
    for (size_t i = 0; i < m; ++i) {
        char a = s[n - m + i], b = suffix[i];
        if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
        if (a != b) return false;
    }
    return true;
}

bool isPictureFile(const char* file) { return endsWithNoCase(file, ".tga") || endsWithNoCase(file, ".jpg"); }
bool isCompositeFile(const char* file) { return endsWithNoCase(file, ".cgo"); }

int32_t readInt32(const uint8_t* p)
{
    uint32_t v = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    int32_t out;
    std::memcpy(&out, &v, sizeof out);
    return out;
}

float readFloat(const uint8_t* p)
{
    int32_t bits = readInt32(p);
    float out;
    std::memcpy(&out, &bits, sizeof out);
    return out;
}

bool usable(float v) { return std::isfinite(v) && std::fabs(v) <= SCENE_VALUE_LIMIT; }

// Loads the scene of a number into the placed objects; a missing file is a fatal load error.
void loadScene(int number)
{
    backdrop.sceneNumber = number;
    backdrop.objectCount = 0;
    int32_t size = 0;
    const uint8_t* bytes = readFile(backdropSceneName(number), &size, true);
    if (!bytes) return;
    parseScene(bytes, size);
    releaseFile(bytes);
    // Outside a cross-fade the objects start at random points of their cycles; a scene that
    // completes one starts them at 0.
    bool fading = backdrop.fadeMs > 0.0f || backdrop.sceneFadeMs > 0.0f;
    for (int i = 0; i < backdrop.objectCount; ++i)
        backdrop.objects[i].clockMs = fading ? 0.0f : static_cast<float>(backdropRand() % 501);
}

// ---- Drawing ----------------------------------------------------------------------------

Color scaled(Color c, const float tint[4], float alpha)
{
    return Color(channel(c.r / 255.0f * tint[0]), channel(c.g / 255.0f * tint[1]), channel(c.b / 255.0f * tint[2]),
                 channel(c.a / 255.0f * tint[3] * alpha));
}

// Draws a picture over the whole screen at the picture depth. Clamped at its edges: the picture
// fills only the top-left of its power-of-two texture, and the device's repeating default would
// filter the empty far edge of the texture into the picture's first row and column.
void drawPicture(const Texture* t, Color colour)
{
    if (!t || t->width <= 0 || t->height <= 0) return;
    setTextureStageState(GpuTextureStageState::AddressU, AddressClamp);
    setTextureStageState(GpuTextureStageState::AddressV, AddressClamp);
    setTexture(t);
    Rect r;
    r.set(-BACKDROP_PICTURE_W / 2, BACKDROP_PICTURE_H / 2, BACKDROP_PICTURE_W / 2, -BACKDROP_PICTURE_H / 2);
    Rect uv;
    uv.set(0.0f, 0.0f, BACKDROP_PICTURE_W / t->width, BACKDROP_PICTURE_H / t->height);
    drawQuadRect(r, uv, colour, BACKDROP_PICTURE_Z);
}

// A wrapped texture offset: the fraction of a value computed in double precision, so that the
// long program clock does not wear the float coordinates down.
float wrapped(double v) { return static_cast<float>(v - std::floor(v)); }

// A texture offset moved on in whole texels. The slowly drifting layers (clouds, still water)
// move a few texels a second: in whole steps the picture between steps is the same from frame to frame, so
// the device has nothing to draw again (a sub-texel offset changes every pixel of the layer in
// every frame), and the steps, under a pixel each, do not show.
float wholeTexels(float offset, float size) { return std::floor(offset * size) / size; }

// A leaves object's swing turned in steps that move its far corners (from the pivot in the middle
// of an end: the width along, half the height across) by one screen unit. The twigs swing a
// few units to each side, a fraction of a unit a frame at the idle rate: in whole steps most
// frames draw the twig where the last one did, so the device has nothing to draw again there.
float wholePixelSwing(float degrees, const Rect& r)
{
    float reach = std::hypot(r.right - r.left, (r.top - r.bottom) / 2);
    if (!(reach > 1.0f)) return degrees;
    float step = 180.0f / PI_F / reach;
    return std::round(degrees / step) * step;
}

}  // namespace

Rect backdropObjectUv(const PlacedObject& o, const Texture* t, double clockMs)
{
    float w = o.rect.right - o.rect.left, h = o.rect.top - o.rect.bottom;
    float tw = t && t->width > 0 ? static_cast<float>(t->width) : 1.0f;
    float th = t && t->height > 0 ? static_cast<float>(t->height) : 1.0f;
    Rect uv;
    uv.set(0.0f, 0.0f, 1.0f, 1.0f);
    switch (o.rule) {
    case RuleSky: {
        float u0 = wholeTexels(wrapped(clockMs * -0.000003), tw);
        float span = std::fabs(h) > 0.001f ? (w / h) * (th / tw) : 1.0f;
        uv.set(u0, 0.0f, u0 + span, 1.0f);
        break;
    }
    case RuleWaterfall:
    case RuleWater: {
        double k = o.rule == RuleWaterfall ? 0.00001 : 0.000002;
        float u0 = wrapped(-o.scrollX * clockMs * k), v0 = wrapped(-o.scrollY * clockMs * k);
        if (o.rule == RuleWater) {
            u0 = wholeTexels(u0, tw);
            v0 = wholeTexels(v0, th);
        }
        uv.set(u0, v0, u0 + std::fabs(w) / tw, v0 + std::fabs(h) / th);
        break;
    }
    default:
        break;
    }
    if (o.mirrored) {
        float u = uv.left;
        uv.left = uv.right;
        uv.right = u;
    }
    return uv;
}

namespace {

// A sky strip whose ends fade out over up to 60 screen units, so that clouds drifting in or out
// of a strip narrower than the screen do not end at a straight edge.
void drawFeathered(const Rect& r, const Rect& uv, Color colour, float z)
{
    float w = r.right - r.left;
    float f = w / 4 < 60.0f ? w / 4 : 60.0f;
    float xs[4] = {r.left, r.left + f, r.right - f, r.right};
    Color clear = colour;
    clear.a = 0;
    for (int i = 0; i < 3; ++i) {
        Rect part, partUv;
        part.set(xs[i], r.top, xs[i + 1], r.bottom);
        float u0 = uv.left + (uv.right - uv.left) * (xs[i] - r.left) / w;
        float u1 = uv.left + (uv.right - uv.left) * (xs[i + 1] - r.left) / w;
        partUv.set(u0, uv.top, u1, uv.bottom);
        Color left = i == 0 ? clear : colour, right = i == 2 ? clear : colour;
        drawQuadRectColors(part, partUv, right, right, left, left, z);
    }
}

// Textures that flow repeat across their rectangles; the others are clamped at their edges, so
// that the filtering does not bring in the texels of the opposite edge (a line along the top of
// a grass tuft that grows from its bottom edge, a speck at the tip of a twig).
void setAddressing(uint8_t rule, bool composite)
{
    bool repeatU = composite || rule == RuleSky || rule == RuleWaterfall || rule == RuleWater;
    bool repeatV = composite || rule == RuleWaterfall || rule == RuleWater;
    setTextureStageState(GpuTextureStageState::AddressU, repeatU ? AddressWrap : AddressClamp);
    setTextureStageState(GpuTextureStageState::AddressV, repeatV ? AddressWrap : AddressClamp);
}

// One placed object: a textured rectangle turned by its angle (about its centre, or about the
// middle of the left edge, the right one when mirrored, for leaves), or its composite.
void drawObject(PlacedObject& o, const float tint[4], float alpha, float z, double clockMs)
{
    const CatalogueObject& entry = backdrop.catalogue[o.object];
    setAddressing(o.rule, entry.composite != nullptr);
    float w = o.rect.right - o.rect.left, h = o.rect.top - o.rect.bottom;
    float cx = (o.rect.left + o.rect.right) / 2, cy = (o.rect.top + o.rect.bottom) / 2;
    if (entry.composite) {
        // Meshes are drawn opaque: while their scene fades (a cross-fade, a scene fading in)
        // they are shown only for the more opaque half of it, rather than floating over the
        // other land's picture.
        if (!backdrop.meshHooks.draw || alpha < 0.5f) return;
        // The decorations are two units tall about their origin: two units are the rectangle's
        // height. Depth is squeezed into the 2-D depth range, in front of the picture.
        float s = std::fabs(h) / 2;
        float a = o.drawAngle * PI_F / 180.0f, cs = std::cos(a), sn = std::sin(a);
        Matrix parent;
        parent.m[0][0] = s * cs;
        parent.m[0][1] = s * sn;
        parent.m[1][0] = -s * sn;
        parent.m[1][1] = s * cs;
        parent.m[2][2] = 10.0f;
        parent.m[3][0] = cx;
        parent.m[3][1] = cy;
        parent.m[3][2] = z + 20.0f;
        // A windmill's sails (its mesh 1) turn with the object's clock.
        if (o.rule == RulePlain && std::strstr(entry.name, "windmill") && entry.composite->meshCount > 1)
            setMeshExtraMatrix(entry.composite, 1,
                               spinAboutMeshOrigin(entry.composite, 1, parent, o.clockMs * WINDMILL_DEGREES_PER_MS));
        backdrop.meshHooks.draw(entry.composite, parent);
        setTransform(GpuTransform::World, nullptr);
        o.drawn = 1;
        return;
    }
    Texture* t = liveTexture(entry.texture);
    if (!t) return;
    setTexture(t);
    Rect uv = backdropObjectUv(o, t, clockMs);
    Color colour = scaled(o.colour, tint, alpha);
    if (o.rule == RuleSky && o.drawAngle == 0.0f && w > 0.0f) {
        drawFeathered(o.rect, uv, colour, z);
        o.drawn = 1;
        return;
    }
    float pivotX = cx, pivotY = cy;
    if (o.rule == RuleLeaves) pivotX = o.mirrored ? o.rect.right : o.rect.left;
    drawSprite(cx, cy, pivotX, pivotY, o.drawAngle, w, h, uv, colour, z);
    o.drawn = 1;
}

// Advances the animation of every placed object by dt and decides the first pass.
void animateObjects(float dt, bool fading)
{
    int swinging = 0;
    for (int i = 0; i < backdrop.objectCount; ++i) {
        PlacedObject& o = backdrop.objects[i];
        o.drawn = 0;
        o.drawAngle = o.angle;
        switch (o.rule) {
        case RuleSpray: {
            o.clockMs += dt;
            float area = std::fabs((o.rect.right - o.rect.left) * (o.rect.top - o.rect.bottom));
            float interval = area > 0.0f ? 300000.0f / area : INFINITY;
            if (o.clockMs > interval) {
                o.clockMs = 0.0f;
                if (!fading) {
                    SpraySprite& s = backdrop.spray[backdrop.nextSpray];
                    backdrop.nextSpray = (backdrop.nextSpray + 1) % SPRAY_RING_SIZE;
                    float w = o.rect.right - o.rect.left, h = o.rect.top - o.rect.bottom;
                    s.position.x = (o.rect.left + o.rect.right) / 2 + (backdropUnit() - 0.5f) * w;
                    s.position.y = (o.rect.top + o.rect.bottom) / 2 + (backdropUnit() - 0.5f) * h;
                    s.life = SPRAY_LIFE_MS;
                    s.texture = backdrop.catalogue[o.object].texture;
                }
            }
            break;
        }
        case RuleLeaves: {
            o.clockMs += dt;
            float t = o.clockMs + 400.0f * static_cast<float>(swinging++);
            o.drawAngle = o.angle + wholePixelSwing(leavesSwing(backdrop.catalogue[o.object].name, t), o.rect);
            float grey = 255.0f - std::trunc(std::sqrt(o.scrollX * o.scrollX + o.scrollY * o.scrollY));
            int g = grey < 0.0f ? 0 : static_cast<int>(grey);
            o.colour = Color(g, g, g, 255);
            break;
        }
        default:
            // composites keep a clock of their own (the windmill's sails)
            if (backdrop.catalogue[o.object].composite) o.clockMs += dt;
            break;
        }
    }
}

bool inFirstPass(const PlacedObject& o) { return o.rule != RulePlain || o.firstPass; }

// The spray sprites of one texture go to the device as one triangle list.
struct SprayBatch {
    QuadVertex vertices[SPRAY_RING_SIZE * 6];
    int sprites = 0;
    const Texture* texture = nullptr;
};

void flushSpray(SprayBatch& b)
{
    if (b.sprites > 0 && b.texture) {
        setTexture(b.texture);
        drawUserPrimitives(b.vertices, b.sprites * 2, FVF_QUADVERTEX, GpuPrimitive::TriangleList);
    }
    b.sprites = 0;
}

void drawSpray(float dt, const float tint[4])
{
    // The sprites add their texture's colour (source colour, one): its alpha plays no part, so
    // the alpha test is off while they are drawn.
    uint32_t alphaTest = getRenderState(GpuRenderState::AlphaTestEnable);
    setRenderState(GpuRenderState::AlphaTestEnable, 0);
    setBlendMode(1);
    static SprayBatch batch;
    batch.sprites = 0;
    batch.texture = nullptr;
    for (SpraySprite& s : backdrop.spray) {
        if (s.life <= 0.0f) continue;
        float v = std::sin(s.life / SPRAY_LIFE_MS * PI_F);
        float half = ((SPRAY_LIFE_MS - s.life) * 0.011f + 15.0f) / 2;
        int g = static_cast<int>(channel(v));
        Texture* t = liveTexture(s.texture);
        if (t) {
            if (t != batch.texture) {
                flushSpray(batch);
                batch.texture = t;
            }
            uint32_t c = modulateColor(scaled(Color(g, g, g, 255), tint, 1.0f)).asWord();
            float x0 = s.position.x - half, x1 = s.position.x + half;
            float y0 = s.position.y + half, y1 = s.position.y - half;
            const QuadVertex corners[4] = {{{x0, y0, 10.0f}, c, 0.0f, 0.0f}, {{x1, y0, 10.0f}, c, 1.0f, 0.0f},
                                           {{x1, y1, 10.0f}, c, 1.0f, 1.0f}, {{x0, y1, 10.0f}, c, 0.0f, 1.0f}};
            static const int order[6] = {0, 1, 2, 0, 2, 3};
            QuadVertex* out = &batch.vertices[batch.sprites * 6];
            for (int k = 0; k < 6; ++k) out[k] = corners[order[k]];
            ++batch.sprites;
        }
        s.life -= dt;
    }
    flushSpray(batch);
    setBlendMode(0);
    setRenderState(GpuRenderState::AlphaTestEnable, alphaTest);
}

void drawExtras(const float tint[4])
{
    for (int i = 0; i < backdrop.extraCount; ++i) {
        const ExtraSprite& e = backdrop.extras[i];
        setBlendMode(e.blendMode >= 0 && e.blendMode <= 2 ? e.blendMode : 0);
        setTexture(e.texture);
        drawSprite(e.x, e.y, e.x, e.y, e.angle, e.w, e.h, e.uv, scaled(e.colour, tint, 1.0f));
    }
    backdrop.extraCount = 0;
    setBlendMode(0);
}

}  // namespace

// ---- Interface --------------------------------------------------------------------------

const char* backdropPictureName(int number)
{
    static char name[64];
    std::snprintf(name, sizeof name, "AnimBacks\\_a_back%d.jpg", clampNumber(number));
    return name;
}

const char* backdropSceneName(int number)
{
    static char name[64];
    std::snprintf(name, sizeof name, "AnimBacks\\level%d.lev", clampNumber(number));
    return name;
}

void resetBackdrop()
{
    releasePictureOf(backdrop.number);
    if (backdrop.nextNumber != backdrop.number) releasePictureOf(backdrop.nextNumber);
    // The backdrop is the only user of the composites: their cached textures may have been
    // released with every other texture, so they are read again with the next catalogue.
    resetMeshes();
    backdrop = Backdrop{};
}

BackdropRule backdropRule(const char* name)
{
    if (std::strstr(name, "sky")) return RuleSky;
    if (std::strstr(name, "waterfall")) return RuleWaterfall;
    if (std::strstr(name, "water")) return RuleWater;
    if (std::strstr(name, "spray")) return RuleSpray;
    if (std::strstr(name, "leaves")) return RuleLeaves;
    return RulePlain;
}

float leavesSwing(const char* name, float t)
{
    float f = 0.0022f, a = 0.6f, g = 0.0038f, b = 0.24f;
    if (std::strstr(name, "leaves1")) {
        f = 0.003f;
        a = 0.5f;
        g = 0.0043f;
        b = 0.2f;
    } else if (std::strstr(name, "leaves2")) {
        f = 0.004f;
        a = 0.18f;
        g = 0.0024f;
        b = 0.11f;
    }
    return a * std::sin(t * f) + b * std::sin(t * g);
}

void parseCatalogue(const char* text, int32_t size)
{
    backdrop.catalogueCount = 0;
    backdrop.groupCount = 0;
    backdrop.catalogueDropped = 0;
    if (!text || size <= 0) return;
    int group = -1;
    const char* end = text + size;
    const char* line = text;
    while (line < end) {
        const char* eol = line;
        while (eol < end && *eol != '\n' && *eol != 0) ++eol;
        const char* b = line;
        const char* e = eol;
        while (b < e && isSpace(*b)) ++b;
        while (e > b && isSpace(e[-1])) --e;
        if (e - b >= 3 && b[0] == '[' && e[-1] == ']') {
            if (e[-2] == '/' && b[1] != '/') {
                group = backdrop.groupCount++;  // "[name/]" opens a group
            } else if (b[1] == '/') {
                group = -1;                     // "[/name]" closes it
            }
        } else if (const char* eq = static_cast<const char*>(std::memchr(b, '=', static_cast<size_t>(e - b)))) {
            CatalogueObject entry = {};
            entry.group = group;
            bool ok = copyTrimmed(b, eq, entry.name, CATALOGUE_NAME_SIZE) &&
                      copyTrimmed(eq + 1, e, entry.file, CATALOGUE_FILE_SIZE) &&
                      (isPictureFile(entry.file) || isCompositeFile(entry.file));
            if (!ok || backdrop.catalogueCount >= CATALOGUE_CAPACITY) ++backdrop.catalogueDropped;
            else backdrop.catalogue[backdrop.catalogueCount++] = entry;
        }
        if (eol < end && *eol == 0) break;  // a terminator ends the text
        line = eol + 1;
    }
}

int findCatalogueObject(const char* name)
{
    for (int i = 0; i < backdrop.catalogueCount; ++i)
        if (std::strcmp(backdrop.catalogue[i].name, name) == 0) return i;
    return -1;
}

int32_t sceneRecordsInFile(const uint8_t* bytes, int32_t size, int32_t* declared)
{
    if (declared) *declared = 0;
    if (!bytes || size < SCENE_HEADER_SIZE) return 0;
    if (declared) *declared = readInt32(bytes + 64);
    return (size - SCENE_HEADER_SIZE) / SCENE_OBJECT_SIZE;
}

void readSceneRecord(const uint8_t* bytes, int32_t i, SceneRecord* out)
{
    const uint8_t* p = bytes + SCENE_HEADER_SIZE + static_cast<size_t>(i) * SCENE_OBJECT_SIZE;
    std::memcpy(out->name, p, CATALOGUE_NAME_SIZE);
    out->name[CATALOGUE_NAME_SIZE] = 0;
    float* fields[7] = {&out->left, &out->top, &out->right, &out->bottom, &out->angle, &out->scrollX, &out->scrollY};
    for (int k = 0; k < 7; ++k) *fields[k] = readFloat(p + 32 + 4 * k);
    out->mirrored = p[60];
    out->firstPass = readInt32(p + 61);
}

bool parseScene(const uint8_t* bytes, int32_t size)
{
    backdrop.objectCount = 0;
    backdrop.skippedObjects = 0;
    backdrop.sceneName[0] = 0;
    if (!bytes || size < SCENE_HEADER_SIZE) return false;
    std::memcpy(backdrop.sceneName, bytes, 63);
    backdrop.sceneName[63] = 0;
    int32_t count = 0;
    int32_t fits = sceneRecordsInFile(bytes, size, &count);
    if (count < 0) count = 0;
    if (count > fits) {
        backdrop.skippedObjects += count - fits;  // cut off by the end of the file
        count = fits;
    }
    for (int32_t i = 0; i < count; ++i) {
        SceneRecord r;
        readSceneRecord(bytes, i, &r);
        bool ok = usable(r.left) && usable(r.top) && usable(r.right) && usable(r.bottom) && usable(r.angle) &&
                  usable(r.scrollX) && usable(r.scrollY);
        int object = ok ? findCatalogueObject(r.name) : -1;
        // Composites that failed to load have nothing to draw.
        if (object >= 0 && isCompositeFile(backdrop.catalogue[object].file) && !backdrop.catalogue[object].composite)
            object = -1;
        if (object < 0 || backdrop.objectCount >= SCENE_CAPACITY) {
            ++backdrop.skippedObjects;
            continue;
        }
        PlacedObject& o = backdrop.objects[backdrop.objectCount++];
        o = PlacedObject{};
        o.object = object;
        o.rect.set(r.left, r.top, r.right, r.bottom);
        o.angle = r.angle;
        o.drawAngle = r.angle;
        o.scrollX = r.scrollX;
        o.scrollY = r.scrollY;
        o.mirrored = r.mirrored != 0;
        o.firstPass = r.firstPass != 0;
        o.rule = backdropRule(backdrop.catalogue[object].name);
        o.colour = Color(255, 255, 255, 255);
    }
    return true;
}

CompositeObject* loadBackdropComposite(const char* fileName)
{
    // The names inside a ".cgo" file are relative to its folder.
    char previous[OS_PATH_MAX];
    std::snprintf(previous, sizeof previous, "%s", osGetCurrentDirectory());
    if (!osSetCurrentDirectory("AnimBacks")) return nullptr;
    CompositeObject* object = loadComposite(fileName);
    osSetCurrentDirectory(previous);
    return object;
}

void loadBackdropCatalogue()
{
    int32_t size = 0;
    const char* name = "AnimBacks\\gameobjs.txt";
    const uint8_t* text = readFile(name, &size, true);
    if (text) {
        parseCatalogue(reinterpret_cast<const char*>(text), size);
        releaseFile(text);
    } else {
        parseCatalogue(nullptr, 0);
    }
    char path[CATALOGUE_FILE_SIZE + 16];
    for (int i = 0; i < backdrop.catalogueCount; ++i) {
        CatalogueObject& c = backdrop.catalogue[i];
        std::snprintf(path, sizeof path, "AnimBacks\\%s", c.file);
        if (isCompositeFile(c.file)) c.composite = backdrop.meshHooks.load ? backdrop.meshHooks.load(c.file) : nullptr;
        else c.texture = loadTexture(path);
    }
    // The scenes of the lands must exist; they are read again when their backdrop is shown.
    for (int n = 0; n < BACKDROP_SCENES_CHECKED; ++n) {
        const uint8_t* bytes = readFile(backdropSceneName(n), nullptr, true);
        if (bytes) releaseFile(bytes);
    }
    backdrop.ready = 1;
}

void setBackdrop(int number)
{
    number = clampNumber(number);
    int next = backdrop.nextNumber;
    // Completing a cross-fade towards another backdrop: its scene fades in over the picture
    // the cross-fade has already shown, rather than appearing at once.
    bool completes = backdrop.fadeMs > 0.0f && next == number && number != backdrop.number;
    backdrop.sceneFadeMs = completes ? BACKDROP_SCENE_FADE_MS : 0.0f;
    backdrop.fadeMs = 0.0f;
    backdrop.nextNumber = -1;
    backdrop.nextPicture = nullptr;
    backdrop.nextFailed = 0;
    if (next >= 0 && next != number && next != backdrop.number) releasePictureOf(next);
    if (number != backdrop.number) {
        releasePictureOf(backdrop.number);
        backdrop.number = number;
        backdrop.pictureFailed = 0;
        // The old scene's spray would hang in the new land's air where its foam was.
        for (SpraySprite& sprite : backdrop.spray) sprite.life = 0.0f;
    }
    backdrop.picture = registeredPicture(number);
}

void prepareBackdrop(int number)
{
    number = clampNumber(number);
    if (backdrop.nextNumber != number) {
        if (backdrop.nextNumber != backdrop.number) releasePictureOf(backdrop.nextNumber);
        backdrop.nextNumber = number;
        backdrop.nextFailed = 0;
    }
    backdrop.nextPicture = registeredPicture(number);
    backdrop.fadeMs = BACKDROP_FADE_MS;
}

bool backdropFadeHeld() { return backdrop.fadeMs > 0.0f && backdrop.fadeMs < BACKDROP_FADE_HOLD_MS; }

void setBackdropTint(int preset)
{
    if (preset < 0 || preset > 2) return;
    for (int i = 0; i < 4; ++i) backdrop.targetTint[i] = TINT_PRESETS[preset][i];
}

bool queueBackdropSprite(const ExtraSprite& sprite)
{
    if (backdrop.extraCount >= BACKDROP_EXTRA_SPRITES) return false;
    backdrop.extras[backdrop.extraCount++] = sprite;
    return true;
}

void drawBackdrop(bool withCameraMove)
{
    if (backdrop.number < 0) setBackdrop(0);
    // Pictures and scenes are loaded when first drawn.
    backdrop.picture = picture(backdrop.number, backdrop.pictureFailed);
    backdrop.nextPicture = backdrop.fadeMs > 0.0f ? picture(backdrop.nextNumber, backdrop.nextFailed) : nullptr;
    if (backdrop.ready && backdrop.sceneNumber != backdrop.number) loadScene(backdrop.number);
    float dt = app.frameMs > 0.0f ? app.frameMs : 0.0f;
    // 1. The tint drifts towards its target; a dialog over the game dims it.
    float k = dt * BACKDROP_TINT_RATE;
    if (k > 1.0f) k = 1.0f;
    for (int i = 0; i < 4; ++i) backdrop.tint[i] += (backdrop.targetTint[i] - backdrop.tint[i]) * k;
    float tint[4] = {backdrop.tint[0], backdrop.tint[1], backdrop.tint[2], 1.0f};
    if (dialogPort.open) {
        float dim = 0.2f * dialogPort.anim + 0.8f;
        for (int i = 0; i < 3; ++i) tint[i] *= dim;
    }
    for (int i = 0; i < 4; ++i) backdrop.lastDrawTint[i] = tint[i];
    Color colour(channel(tint[0]), channel(tint[1]), channel(tint[2]), 255);
    // 2. The cross-fade: the clock falls to 1500 ms and holds there until setBackdrop ends it.
    float shiftX = 0.0f, shiftY = 0.0f, scale = 1.0f, fade = 0.0f, objectAlpha = 1.0f, plainAlpha = 1.0f;
    bool fading = backdrop.fadeMs > 0.0f;
    // A cross-fade towards the backdrop already shown changes nothing of its scene.
    bool sceneChanges = backdrop.nextNumber != backdrop.number;
    if (fading) {
        if (backdrop.fadeMs >= BACKDROP_FADE_HOLD_MS) {
            backdrop.fadeMs -= withCameraMove ? dt : 6.0f * dt;
            if (backdrop.fadeMs < 0.0f) backdrop.fadeMs = 0.0f;
        }
        float s = 1.0f - backdrop.fadeMs / BACKDROP_FADE_MS;
        // The next picture covers the current one as the clock runs from 3000 to 1500; the
        // current scene's objects go with their picture, and below 1500 the animated ones are
        // drawn with the cube of the fade value.
        fade = 2.0f * s;
        if (fade > 1.0f) fade = 1.0f;
        if (!sceneChanges) {
            // objects stay as they are
        } else if (backdrop.fadeMs > BACKDROP_FADE_HOLD_MS) {
            objectAlpha = backdrop.nextPicture ? 1.0f - fade : 1.0f;
            plainAlpha = objectAlpha;
        } else if (backdrop.fadeMs > 0.0f) {
            float f = 1.0f - backdrop.fadeMs / BACKDROP_FADE_HOLD_MS;
            objectAlpha = f * f * f;
            plainAlpha = 0.0f;  // the next picture lies where they were
        }
        // Calm motion makes the move between lands a plain cross-fade (same timing).
        if (withCameraMove && !app.calmMotion) {
            float s2 = s * s;
            shiftX = std::cos(s * 1.5f * PI_F) * 30.0f * s2;
            shiftY = std::sin(s * PI_F) * 30.0f * s2;
            scale = 1.0f + 1.5f * s2;
        }
    }
    // A scene that completed a cross-fade fades in.
    if (!fading && backdrop.sceneFadeMs > 0.0f) {
        backdrop.sceneFadeMs -= dt;
        if (backdrop.sceneFadeMs < 0.0f) backdrop.sceneFadeMs = 0.0f;
        objectAlpha = plainAlpha = 1.0f - backdrop.sceneFadeMs / BACKDROP_SCENE_FADE_MS;
    }
    backdrop.lastShift[0] = shiftX;
    backdrop.lastShift[1] = shiftY;
    backdrop.lastScale = scale;
    backdrop.lastFade = backdrop.nextPicture ? fade : 0.0f;
    backdrop.lastObjectAlpha = objectAlpha;
    // 3. Animation.
    animateObjects(dt, fading);
    if (!backdrop.ready) {
        backdrop.extraCount = 0;
        return;
    }
    // The camera move is a view transform over everything the backdrop draws.
    Matrix oldView = getTransform(GpuTransform::View);
    uint32_t oldZ = getRenderState(GpuRenderState::ZEnable), oldZWrite = getRenderState(GpuRenderState::ZWriteEnable),
             oldZFunc = getRenderState(GpuRenderState::ZFunc);
    Matrix view;
    view.m[0][0] = scale;
    view.m[1][1] = scale;
    view.m[3][0] = shiftX;
    view.m[3][1] = shiftY;
    setTransform(GpuTransform::View, &view);
    setBlendMode(0);
    // 4. The pictures are laid under the first pass, so that its soft edges blend with them
    // rather than with the empty frame.
    double clock = static_cast<double>(app.globalTimeMs);
    int drawnObjects = 0;
    bool crossFading = backdrop.nextPicture && backdrop.nextPicture != backdrop.picture && fade > 0.0f;
    Color faded = colour;
    faded.a = channel(fade);
    setRenderState(GpuRenderState::ZEnable, 0);
    drawPicture(backdrop.picture, colour);
    if (crossFading) drawPicture(backdrop.nextPicture, faded);
    // 5. The first pass, nearer than the pictures, writes depth wherever it draws.
    clearDepth(1.0f);
    setRenderState(GpuRenderState::ZEnable, 1);
    setRenderState(GpuRenderState::ZWriteEnable, 1);
    setRenderState(GpuRenderState::ZFunc, CmpLessEqual);
    for (int i = 0; i < backdrop.objectCount; ++i) {
        PlacedObject& o = backdrop.objects[i];
        if (!inFirstPass(o)) continue;
        drawObject(o, tint, o.rule != RulePlain ? objectAlpha : plainAlpha, BACKDROP_FIRST_PASS_Z, clock);
        drawnObjects += o.drawn;
    }
    // 6. The pictures, behind the first pass: the depth test keeps them off its objects. An
    // opaque picture (alpha 255 throughout) would only lay the same pixels again where the first
    // pass drew nothing, so it is not drawn twice.
    if (!backdrop.picture || !backdrop.picture->opaque) {
        drawPicture(backdrop.picture, colour);
        if (crossFading) drawPicture(backdrop.nextPicture, faded);
    }
    // 7. The second pass over the picture (composites keep the depth test), the spray, the
    // queued sprites.
    for (int i = 0; i < backdrop.objectCount; ++i) {
        PlacedObject& o = backdrop.objects[i];
        if (inFirstPass(o)) continue;
        bool composite = backdrop.catalogue[o.object].composite != nullptr;
        setRenderState(GpuRenderState::ZEnable, composite ? 1 : 0);
        drawObject(o, tint, plainAlpha, 10.0f, clock);
        drawnObjects += o.drawn;
    }
    setRenderState(GpuRenderState::ZEnable, 0);
    setAddressing(RulePlain, true);  // the device's repeating default
    drawSpray(dt, tint);
    drawExtras(tint);
    backdrop.lastDrawnObjects = drawnObjects;
    setTexture(nullptr);
    setTransform(GpuTransform::View, &oldView);
    setRenderState(GpuRenderState::ZEnable, oldZ);
    setRenderState(GpuRenderState::ZWriteEnable, oldZWrite);
    setRenderState(GpuRenderState::ZFunc, oldZFunc);
}
