#include "trophies/trophyroom.h"

#include "audio/ambience.h"
#include "audio/audio.h"
#include "core/appstate.h"
#include "core/dialogport.h"
#include "core/requestlog.h"
#include "effects/backdrops.h"
#include "effects/effects.h"
#include "graphics/device.h"
#include "graphics/draw.h"
#include "ui/panels.h"
#include "platform/gpu/gpu.h"
#include "platform/os/files.h"
#include "persist/profile.h"
#include "resources/texts.h"
#include "trophies/trophylayout.h"
#include "ui/font.h"
#include "ui/messages.h"

#include <cmath>
#include <cstdio>
#include <cstring>

TrophyRoomState trophyRoom;
TrophyRoute trophyRoute;

namespace {

constexpr int KEY_ENTER = 13;
constexpr int KEY_ESCAPE = 27;
constexpr int KEY_SPACE = 32;
constexpr int MASK_SIZE = 128;
constexpr float TIP_WIDTH = 300.0f;
constexpr float TIP_TEXT_SCALE = 12.0f;
constexpr float PRESENT_TEXT_SCALE = 12.0f;
const Rect FULL{0.0f, 0.0f, 1.0f, 1.0f};

bool inside(Vec2 p, float cx, float cy, float w, float h)
{
    return p.x > cx - w / 2.0f && p.x < cx + w / 2.0f && p.y > cy - h / 2.0f && p.y < cy + h / 2.0f;
}

bool onExitButton(Vec2 p) { return inside(p, TROPHY_EXIT_X, TROPHY_EXIT_Y, TROPHY_EXIT_SIZE, TROPHY_EXIT_SIZE); }

bool onPresentationButton(Vec2 p)
{
    return inside(p, TROPHY_BUTTON_X, TROPHY_BUTTON_Y, TROPHY_BUTTON_W, TROPHY_BUTTON_H);
}

bool presentationShows() { return trophyRoom.presentation != Presentation::Idle; }

// Interaction with the shelves and the exit: not at first, not while leaving or presenting.
bool interactive()
{
    return trophyRoom.open && trophyRoom.clockMs >= TROPHY_ROOM_QUIET_MS && !trophyRoom.leaving && !presentationShows();
}

void startLeaving()
{
    if (trophyRoom.leaving) return;
    trophyRoom.leaving = 1;
    trophyRoom.leaveMs = 0.0f;
}

Color tinted(int r, int g, int b, int a, float t)
{
    return Color(static_cast<int>(r * t), static_cast<int>(g * t), static_cast<int>(b * t), static_cast<int>(a * t));
}

// A text by key, or the fallback when the table has none.
const char16_t* textOr(const char* key, const char16_t* fallback)
{
    const char16_t* s = text(key);
    return s && s[0] ? s : fallback;
}

const char16_t* tipText(int number, const char16_t* fallback)
{
    char key[24];
    std::snprintf(key, sizeof key, "trophytip%d", number);
    return textOr(key, fallback);
}

// Alpha of the picture's texel under texture point (u, v), from the device's copy of the texels.
int texelAlpha(const Texture* t, float u, float v)
{
    int w = 0, h = 0;
    GpuFormat format = GpuFormat::Unknown;
    bool target = false;
    if (!gpuTextureInfo(t->texture, &w, &h, &format, &target) || target || w <= 0 || h <= 0) return 0;
    int x = static_cast<int>(u * static_cast<float>(w));
    int y = static_cast<int>(v * static_cast<float>(h));
    if (x < 0 || y < 0 || x >= w || y >= h) return 0;
    int pitch = 0;
    const uint8_t* texels = static_cast<const uint8_t*>(gpuLockTexture(t->texture, &pitch));
    if (!texels) return 0;
    const uint8_t* p = texels + static_cast<size_t>(y) * pitch + static_cast<size_t>(x) * gpuFormatBytes(format);
    int alpha = 255;
    if (format == GpuFormat::A8R8G8B8) {
        alpha = p[3];
    } else if (format == GpuFormat::A4R4G4B4) {
        alpha = (p[1] >> 4) * 17;
    } else if (format == GpuFormat::A1R5G5B5) {
        alpha = (p[1] & 0x80) ? 255 : 0;
    }
    gpuUnlockTexture(t->texture);
    return alpha;
}

// The picture drawn alone into "masktex1" with a view one unit wide centred on the pointer, alpha
// tested at 128 over opaque black: blue is not 0 when the picture is opaque under the pointer.
bool opaqueOnDevice(const Texture* image, const TrophySlot& s, Vec2 p)
{
    Texture* target = trophyRoom.maskTarget;
    if (!target || !target->texture) return false;
    Matrix oldView = getTransform(GpuTransform::View);
    Matrix oldProjection = getTransform(GpuTransform::Projection);
    Matrix oldWorld = getTransform(GpuTransform::World);
    uint32_t blend = getRenderState(GpuRenderState::AlphaBlendEnable);
    uint32_t test = getRenderState(GpuRenderState::AlphaTestEnable);
    uint32_t ref = getRenderState(GpuRenderState::AlphaRef);
    uint32_t depth = getRenderState(GpuRenderState::ZEnable);
    if (!gpuSetRenderTarget(target->texture)) return false;
    clearColor(0xFF000000u);
    setRenderState(GpuRenderState::AlphaBlendEnable, 0);
    setRenderState(GpuRenderState::AlphaTestEnable, 1);
    setRenderState(GpuRenderState::AlphaRef, 128);
    setRenderState(GpuRenderState::ZEnable, 0);
    setOrthoProjection(1.0f, 1.0f, 1.0f, 500.0f);
    Matrix view;
    view.preTranslate(-p.x, -p.y, 120.0f);
    setTransform(GpuTransform::View, &view);
    setTransform(GpuTransform::World, nullptr);
    setTexture(image);
    drawQuadCentered(s.x, s.y, s.width * s.scale, s.height * s.scale, FULL, Color(255, 255, 255, 255));
    static uint8_t pixels[MASK_SIZE * MASK_SIZE * 4];
    bool read = gpuReadPixels(target->texture, pixels, sizeof pixels);
    gpuSetRenderTarget(0);
    setTransform(GpuTransform::View, &oldView);
    setTransform(GpuTransform::Projection, &oldProjection);
    setTransform(GpuTransform::World, &oldWorld);
    setRenderState(GpuRenderState::AlphaBlendEnable, blend);
    setRenderState(GpuRenderState::AlphaTestEnable, test);
    setRenderState(GpuRenderState::AlphaRef, ref);
    setRenderState(GpuRenderState::ZEnable, depth);
    return read && pixels[0] != 0;  // the blue byte of the first pixel
}

void stepHover(float dt)
{
    Vec2 p = pointerToScreen();
    trophyRoom.exitHovered = onExitButton(p) ? 1 : 0;
    int found = -1;
    for (int i = 0; i < TROPHY_COUNT; i++) trophyLayout.slots[i].hovered = 0;
    if (interactive()) {
        for (int i = 0; i < TROPHY_COUNT && found < 0; i++)
            if (trophyUnderPointer(i, p)) found = i;
    }
    if (found >= 0) trophyLayout.slots[found].hovered = 1;
    if (found != trophyRoom.hovered) {
        trophyRoom.hovered = found;
        trophyRoom.hoverMs = 0.0f;
    } else if (found >= 0) {
        trophyRoom.hoverMs += dt;
    }
}

void stepPresentation(float dt)
{
    Presentation& state = trophyRoom.presentation;
    if (state == Presentation::Idle) {
        if (trophyRoom.clockMs < TROPHY_ROOM_QUIET_MS || trophyRoom.leaving) return;
        int next = firstNewTrophy();
        if (next == 0) return;
        trophyRoom.presented = next;
        trophyRoom.presentMs = 0.0f;
        state = Presentation::Growing;
        return;
    }
    if (state == Presentation::Waiting) return;
    trophyRoom.presentMs += dt;
    if (trophyRoom.presentMs < TROPHY_PRESENT_MS) return;
    if (state == Presentation::Growing) {
        state = Presentation::Waiting;
        trophyRoom.presentMs = 0.0f;
        return;
    }
    // Shrunk away: the trophy is no longer new, and it arrives on its shelf with a sparkle.
    int number = trophyRoom.presented;
    presentTrophy(number, trophyRoom.profile);
    const TrophySlot& s = trophyLayout.slots[number - 1];
    startEffect("trophyadd2", s.x, s.y, s.x, s.y, 1.0f, -1);
    trophyRoom.presented = 0;
    trophyRoom.presentMs = 0.0f;
    state = Presentation::Idle;
}

void closePresentation()
{
    if (trophyRoom.presentation != Presentation::Waiting) return;
    trophyRoom.presentation = Presentation::Shrinking;
    trophyRoom.presentMs = 0.0f;
}

void drawTrophy(int i, float t)
{
    const TrophySlot& s = trophyLayout.slots[i];
    float w = s.width * s.scale, h = s.height * s.scale;
    float f = s.hovered ? 0.015f : 0.005f;
    int pulse = static_cast<int>(std::sin(trophyRoom.clockMs * f) * 50.0f + 205.0f);
    int number = i + 1;
    bool shown = trophyWon(number) && !trophyIsNew(number);
    if (shown && trophyRoom.image[i]) {
        setBlendMode(0);
        setTexture(trophyRoom.image[i]);
        drawQuadCentered(s.x, s.y, w, h, FULL, tinted(255, 255, 255, 255, t));
    }
    if (trophyRoom.glow[i]) {
        setBlendMode(1);
        setTexture(trophyRoom.glow[i]);
        Color c = shown ? tinted(255, 255, 255, 255, t) : tinted(pulse, pulse / 2 + 127, 255, pulse, t);
        drawQuadCentered(s.x, s.y, w, h, FULL, c);
        setBlendMode(0);
    }
}

void drawExitButton(float t)
{
    float b = trophyRoom.exitHovered && interactive() ? 1.0f : 0.75f;
    if (panels.button) {
        setTexture(panels.button);
        drawQuadCentered(TROPHY_EXIT_X, TROPHY_EXIT_Y, TROPHY_EXIT_SIZE, TROPHY_EXIT_SIZE * 0.75f, FULL,
                         tinted(255, 255, 255, 255, t * b));
    }
    if (currentFont()) {
        drawTextShadowed(TROPHY_EXIT_X + 1.0f, TROPHY_EXIT_Y - 2.0f, 11.0f, textOr("exit", u"Exit"), true,
                         tinted(255, 230, 160, 255, t * b), tinted(0, 0, 0, 192, t), 2.0f, 1.0f, -1.0f);
        setTextColour(Color(255, 255, 255, 255));
    }
}

// The tip balloon beside the hovered trophy: inwards from the shelf it stands on.
void drawTip(float t)
{
    if (trophyRoom.hovered < 0 || trophyRoom.hoverMs <= TROPHY_TIP_DELAY_MS || !currentFont()) return;
    const TrophySlot& s = trophyLayout.slots[trophyRoom.hovered];
    const char16_t* tip = tipText(trophyRoom.hovered + 1, u"UNKNOW");
    float height = wrapText(TIP_WIDTH - 30.0f, tip, TIP_TEXT_SCALE) + 24.0f;
    float halfW = s.width * s.scale / 2.0f;
    float cx = s.x <= 0.0f ? s.x + halfW + TIP_WIDTH / 2.0f : s.x - halfW - TIP_WIDTH / 2.0f;
    float cy = s.y;
    if (cy + height / 2.0f > 290.0f) cy = 290.0f - height / 2.0f;
    if (cy - height / 2.0f < -290.0f) cy = -290.0f + height / 2.0f;
    setBlendMode(0);
    setTexture(nullptr);
    drawQuadCentered(cx, cy, TIP_WIDTH + 4.0f, height + 4.0f, FULL, tinted(200, 160, 70, 230, t));
    drawQuadCentered(cx, cy, TIP_WIDTH, height, FULL, tinted(24, 22, 40, 235, t));
    drawTextShadowed(cx - TIP_WIDTH / 2.0f + 15.0f + TIP_TEXT_SCALE / 2.0f, cy + height / 2.0f - 12.0f - TIP_TEXT_SCALE * 0.6f,
                     TIP_TEXT_SCALE, wrappedText(), false, tinted(255, 255, 255, 255, t), tinted(0, 0, 0, 190, t), 2.0f,
                     1.0f, -1.0f);
    setTextColour(Color(255, 255, 255, 255));
}

// The presentation dialog, scaled about the screen's centre.
void drawPresentation(float t)
{
    if (!presentationShows() || trophyRoom.presented <= 0) return;
    float k = presentationScale();
    if (k <= 0.0f) return;
    int i = trophyRoom.presented - 1;
    Matrix oldWorld = getTransform(GpuTransform::World);
    Matrix world;
    world.m[0][0] = k;
    world.m[1][1] = k;
    setTransform(GpuTransform::World, &world);
    drawPanel(0.0f, 0.0f, TROPHY_DIALOG_W, TROPHY_DIALOG_H);
    // The picture at its own size.
    const Texture* image = trophyRoom.image[i];
    float w = image ? static_cast<float>(image->width) : 0.0f, h = image ? static_cast<float>(image->height) : 0.0f;
    if (image) {
        setBlendMode(0);
        setTexture(image);
        drawQuadCentered(-120.0f, 20.0f, w, h, FULL, tinted(255, 255, 255, 255, t));
    }
    if (trophyRoom.glow[i] && image) {
        setBlendMode(1);
        setTexture(trophyRoom.glow[i]);
        drawQuadCentered(-120.0f, 20.0f, w, h, FULL, tinted(255, 255, 255, 255, t));
        setBlendMode(0);
    }
    if (currentFont()) {
        // The name and the tip, each line centred in the text box (x -60 .. 170, top 75).
        constexpr float BOX_CENTRE = -60.0f + 230.0f / 2.0f;
        constexpr float NAME_SCALE = 14.0f;
        char key[24];
        std::snprintf(key, sizeof key, "trophy%d", trophyRoom.presented);
        const char16_t* name = text(key);
        float top = 75.0f;
        if (name && name[0]) {
            float height = wrapText(230.0f, name, NAME_SCALE);
            drawTextShadowed(BOX_CENTRE, top + 20.0f, NAME_SCALE, wrappedText(), true, tinted(255, 210, 90, 255, t),
                             tinted(0, 0, 0, 192, t), 2.0f, 1.0f, -1.0f);
            top -= height - 1.8f * NAME_SCALE;
        }
        wrapText(230.0f, tipText(trophyRoom.presented, u"UNKNOW ENTER TIPS!"), PRESENT_TEXT_SCALE);
        drawTextShadowed(BOX_CENTRE, top - 10.0f, PRESENT_TEXT_SCALE, wrappedText(), true, tinted(255, 255, 255, 255, t),
                         tinted(0, 0, 0, 192, t), 2.0f, 1.0f, -1.0f);
        setTextColour(Color(255, 255, 255, 255));
    }
    drawButtonPicture(TROPHY_BUTTON_X, TROPHY_BUTTON_Y, TROPHY_BUTTON_W, TROPHY_BUTTON_H, 18.0f, textOr("ok", u"OK"), true);
    setTransform(GpuTransform::World, &oldWorld);
}

void route(void (*hook)(), const char* name)
{
    if (hook) hook();
    else recordRequest(name);
}

} // namespace

void resetTrophyRoom()
{
    trophyRoom = TrophyRoomState{};
    trophyRoom.hovered = -1;
    trophyRoom.presentation = Presentation::Idle;
    trophyRoom.previousBackdrop = -1;
    trophyRoom.maskSlot = -1;
}

void loadTrophyPictures()
{
    if (trophyRoom.picturesLoaded || !trophies.definitionsLoaded) return;
    char previous[OS_PATH_MAX];
    std::snprintf(previous, sizeof previous, "%s", osGetCurrentDirectory());
    if (trophies.folder[0]) osSetCurrentDirectory(trophies.folder);
    for (int i = 0; i < TROPHY_COUNT; i++) {
        if (trophies.image[i][0]) trophyRoom.image[i] = loadTexture(trophies.image[i]);
        if (trophies.glow[i][0]) trophyRoom.glow[i] = loadTexture(trophies.glow[i]);
        if (trophyRoom.image[i])
            fitDefaultSlot(i, static_cast<float>(trophyRoom.image[i]->width), static_cast<float>(trophyRoom.image[i]->height));
    }
    osSetCurrentDirectory(previous);
    trophyRoom.maskTarget = findTexture("masktex1");
    if (!trophyRoom.maskTarget)
        trophyRoom.maskTarget = createTexture("masktex1", MASK_SIZE, MASK_SIZE, GpuFormat::A8R8G8B8, true);
    trophyRoom.picturesLoaded = 1;
}

namespace {

// The trophies' pictures are only needed while the room shows: they are released when it is left
// (about 6 MiB of textures with the default data set) and loaded again at the next visit.
void releaseTrophyPictures(const TrophyRoomState& room)
{
    Texture* pictures[2 * TROPHY_COUNT] = {};
    int count = 0;
    for (int i = 0; i < 2 * TROPHY_COUNT; i++) {
        Texture* t = i < TROPHY_COUNT ? room.image[i] : room.glow[i - TROPHY_COUNT];
        bool seen = false;  // two trophies may share a picture
        for (int k = 0; k < count; k++) seen = seen || pictures[k] == t;
        if (t && !seen) pictures[count++] = t;
    }
    for (int k = 0; k < count; k++) releaseTexture(pictures[k]);
}

}  // namespace

void enterTrophyRoom(int returnTarget)
{
    int visits = trophyRoom.visits;
    bool loaded = trophyRoom.picturesLoaded;
    TrophyRoomState keep = trophyRoom;
    resetTrophyRoom();
    if (loaded) {
        std::memcpy(trophyRoom.image, keep.image, sizeof trophyRoom.image);
        std::memcpy(trophyRoom.glow, keep.glow, sizeof trophyRoom.glow);
        trophyRoom.maskTarget = keep.maskTarget;
        trophyRoom.picturesLoaded = 1;
    }
    trophyRoom.visits = visits + 1;
    trophyRoom.maskTests = keep.maskTests;
    if (!trophyLayout.loaded) loadTrophyLayout();
    loadTrophyPictures();
    trophyRoom.open = 1;
    trophyRoom.returnTarget = returnTarget;
    trophyRoom.previousBackdrop = backdrop.number;
    setBackdrop(TROPHY_ROOM_BACKDROP);
    currentProfileStem(trophyRoom.profile, sizeof trophyRoom.profile);
    if (!trophies.profileLoaded || std::strcmp(trophies.profile, trophyRoom.profile) != 0)
        loadTrophyFlags(trophyRoom.profile);
    clearEffects();
    route(trophyRoute.showRoom, "toTrophyScreen");
}

void leaveTrophyRoom()
{
    clearNewTrophies(trophyRoom.profile);
    int target = trophyRoom.returnTarget;
    int previous = trophyRoom.previousBackdrop;
    TrophyRoomState keep = trophyRoom;
    resetTrophyRoom();
    releaseTrophyPictures(keep);
    trophyRoom.maskTarget = keep.maskTarget;
    trophyRoom.visits = keep.visits;
    trophyRoom.maskTests = keep.maskTests;
    for (TrophySlot& s : trophyLayout.slots) s.hovered = 0;
    if (target == TROPHY_RETURN_GAME) {
        if (previous >= 0) setBackdrop(previous);
        clearEffects();
        route(trophyRoute.toGame, "trophyRoomToGame");
        return;
    }
    requestMusic(0);
    route(trophyRoute.toFrontEnd, "trophyRoomToFrontEnd");
    dialogPort.open = 0;
    const char* names[3] = {"adventure", "timeless", "puzzle"};
    requestDialog(target >= 0 && target <= 2 ? names[target] : "main");
}

void updateTrophyRoom()
{
    if (!trophyRoom.open) return;
    float dt = app.frameMs;
    int before = static_cast<int>(trophyRoom.clockMs);
    trophyRoom.clockMs += dt;
    updateTrophyRoomAmbience(before, static_cast<int>(trophyRoom.clockMs) - before);
    if (trophyRoom.leaving) {
        trophyRoom.leaveMs += dt;
        if (trophyRoom.leaveMs >= TROPHY_ROOM_FADE_MS) {
            leaveTrophyRoom();
            return;
        }
    }
    stepHover(dt);
    stepPresentation(dt);
}

void trophyRoomKeyDown(int vk)
{
    if (!trophyRoom.open || vk == 0) return;
    if ((vk == KEY_ENTER || vk == KEY_SPACE) && trophyRoom.presentation == Presentation::Waiting) {
        closePresentation();
        return;
    }
    if (vk == KEY_ESCAPE && interactive()) {
        saveTrophyLayout();
        startLeaving();
    }
}

void trophyRoomPress()
{
    if (!trophyRoom.open || trophyRoom.leaving) return;
    Vec2 p = pointerToScreen();
    if (trophyRoom.presentation == Presentation::Waiting) {
        if (onPresentationButton(p)) {
            playSound("ButtonClick.ogg");
            closePresentation();
        }
        return;
    }
    if (!interactive()) return;
    if (onExitButton(p)) {
        playSound("ButtonClick.ogg");
        startLeaving();
        return;
    }
    if (trophyRoom.hovered >= 0) trophyRoom.hoverMs += TROPHY_TIP_DELAY_MS;
}

void trophyRoomDoubleClick() { trophyRoomPress(); }
void trophyRoomRelease() {}
void trophyRoomHover() {}

float trophyRoomTint()
{
    if (!trophyRoom.open) return 1.0f;
    float t = trophyRoom.clockMs / TROPHY_ROOM_FADE_MS;
    if (trophyRoom.leaving) t = 1.0f - trophyRoom.leaveMs / TROPHY_ROOM_FADE_MS;
    return t < 0.0f ? 0.0f : (t > 1.0f ? 1.0f : t);
}

bool trophyRoomQuiet()
{
    return trophyRoom.open && !trophyRoom.leaving && trophyRoom.clockMs >= TROPHY_ROOM_FADE_MS &&
           trophyRoom.clockMs >= TROPHY_ROOM_QUIET_MS && trophyRoom.presentation == Presentation::Idle &&
           firstNewTrophy() == 0;
}

float presentationScale()
{
    float u = trophyRoom.presentMs / TROPHY_PRESENT_MS;
    if (u > 1.0f) u = 1.0f;
    switch (trophyRoom.presentation) {
    case Presentation::Growing: return 1.0f - (1.0f - u) * (1.0f - u);
    case Presentation::Waiting: return 1.0f;
    case Presentation::Shrinking: return 1.0f - u * u;
    default: return 0.0f;
    }
}

bool trophyUnderPointer(int index, Vec2 p)
{
    if (index < 0 || index >= TROPHY_COUNT) return false;
    const TrophySlot& s = trophyLayout.slots[index];
    if (!inside(p, s.x, s.y, s.width, s.height) || onExitButton(p)) return false;
    const Texture* image = trophyRoom.image[index];
    if (!image || !image->texture || !gpuCreated()) return false;
    if (trophyRoom.maskSlot == index && trophyRoom.maskPoint.x == p.x && trophyRoom.maskPoint.y == p.y)
        return trophyRoom.maskOpaque != 0;
    bool opaque;
    if (gpuIsHeadless()) {
        float w = s.width * s.scale, h = s.height * s.scale;
        float u = (p.x - (s.x - w / 2.0f)) / w, v = ((s.y + h / 2.0f) - p.y) / h;
        opaque = texelAlpha(image, u, v) >= 128;
    } else {
        opaque = opaqueOnDevice(image, s, p);
    }
    trophyRoom.maskTests++;
    trophyRoom.maskSlot = index;
    trophyRoom.maskPoint = p;
    trophyRoom.maskOpaque = opaque ? 1 : 0;
    return opaque;
}

void drawTrophyRoom()
{
    // The fade in and out darkens everything of the room through the colour multiplier.
    float f = trophyRoomTint();
    setColorMultiplier(f, f, f, 1.0f);
    const float t = 1.0f;
    drawBackdrop(false);
    for (int i = 0; i < TROPHY_COUNT; i++) drawTrophy(i, t);
    drawExitButton(t);
    drawTip(t);
    drawPresentation(t);
    setBlendMode(0);
    setColorMultiplier(1.0f, 1.0f, 1.0f, 1.0f);
}
