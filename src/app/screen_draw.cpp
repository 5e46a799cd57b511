// The drawing the screens do themselves. Each function also records its call
// (core/requestlog.h) so that tests can follow what a screen drew without a GPU. The
// program's cursor picture is not built yet: that part stays a recorded request.
#include "app/screen_draw.h"

#include "core/requestlog.h"
#include "graphics/device.h"
#include "graphics/draw.h"
#include "graphics/textures.h"
#include "platform/image/decodeahead.h"
#include "platform/os/files.h"
#include "resources/texts.h"
#include "ui/font.h"

#include <climits>
#include <cstdio>

namespace {

// The 800 by 600 pictures and the 472 by 72 bar fill their textures. The bar's texture
// coordinates are nudged by half a texel and an eighth of one (0.001 of the 512 by 128 texture
// the bar once sat in).
constexpr float BAR_WIDTH = 472.0f;
constexpr float BAR_HEIGHT = 72.0f;
constexpr float BAR_NUDGE_U = 0.512f / BAR_WIDTH;
constexpr float BAR_NUDGE_V = 0.128f / BAR_HEIGHT;

struct ScreenDrawState {
    Texture* splash1 = nullptr;
    Texture* splash2 = nullptr;
    Texture* loadscreen = nullptr;
    Texture* loadbar = nullptr;
    bool loaded = false;  // loadSplashPictures ran: the later pictures load when first drawn
};

ScreenDrawState pictures;

Rect rect(float l, float t, float r, float b)
{
    Rect x;
    x.set(l, t, r, b);
    return x;
}

}  // namespace

void decodeFirstSplashAhead(const char* dataDir)
{
    char path[PATH_MAX + 32];
    std::snprintf(path, sizeof path, "%ssplash1.jpg", dataDir ? dataDir : "");
    imageDecodeAhead(path);
}

bool loadSplashPictures()
{
    setRenderState(GpuRenderState::CullMode, CullNone);
    pictures = ScreenDrawState();
    // Only the first picture is needed for the first frame: the others are decoded when they are
    // first drawn, and each picture that has had its turn is released when the next one shows.
    pictures.splash1 = loadTextureSized("splash1.jpg", 800, 600);
    dropDecodeAhead();  // (nothing left when the picture was the one decoded ahead)
    pictures.loaded = true;
    bool second = osFileExists("splash2.jpg");
    recordRequest("loadSplashPictures", "", second ? 1 : 0);
    return second;
}

namespace {

Texture* picture(Texture** slot, const char* name, int width, int height)
{
    if (!*slot && pictures.loaded) *slot = loadTextureSized(name, width, height);
    return *slot;
}

void releasePicture(Texture** slot)
{
    releaseTexture(*slot);
    *slot = nullptr;
}

}  // namespace

void drawSplashPicture(bool second, int brightness)
{
    recordRequest("drawSplashPicture", "", second ? 1 : 0, brightness);
    begin2D();
    if (second && !pictures.splash2 && pictures.loaded) {
        picture(&pictures.splash2, "splash2.jpg", 800, 600);
        releasePicture(&pictures.splash1);
    }
    setTexture(second ? pictures.splash2 : picture(&pictures.splash1, "splash1.jpg", 800, 600));
    disableSwitch(7);
    // pixel (0, 0) to (799, 599) in centred coordinates
    uint8_t b = static_cast<uint8_t>(brightness);
    drawQuadRect(rect(-400.0f, 300.0f, 399.0f, -299.0f), rect(0.0f, 0.0f, 1.0f, 1.0f), Color(b, b, b, 255));
    enableSwitch(7);
}

void drawLoadingPictureAndBar(const Color& tint, float progress)
{
    recordRequest("drawLoadingPictureAndBar", "", static_cast<int>(tint.asWord()), 0, progress);
    begin2D();
    if (!pictures.loadscreen && pictures.loaded) {
        picture(&pictures.loadscreen, "loadscreen.jpg", 800, 600);
        releasePicture(&pictures.splash1);
        releasePicture(&pictures.splash2);
    }
    setTexture(pictures.loadscreen);
    drawQuadRect(rect(-400.0f, 300.0f, 400.0f, -300.0f), rect(0.0f, 0.0f, 1.0f, 1.0f), tint);
    if (progress < 0.0f) progress = 0.0f;
    if (progress > 1.0f) progress = 1.0f;
    setTexture(picture(&pictures.loadbar, "loadbar.tga", 472, 72));
    drawQuadRect(rect(-224.0f, -229.0f, -224.0f + progress * BAR_WIDTH, -229.0f - BAR_HEIGHT),
                 rect(BAR_NUDGE_U, BAR_NUDGE_V, progress + BAR_NUDGE_U, 1.0f + BAR_NUDGE_V), tint, 10.0f);
}

void drawPromptText(float size)
{
    recordRequest("drawPromptText", "keytoresume", 0, 0, size);
    selectFont(0);
    const char16_t* prompt = text("keytoresume");
    if (prompt)
        drawTextShadowed(0.0f, -260.0f, size, prompt, true, Color(255, 255, 255, 255), Color(0, 0, 0, 192), 1.0f, 1.0f,
                         -1.0f);
    setTextColour(255, 255, 255, 255);
    selectFont(0);
}

void releaseSplashPictures()
{
    recordRequest("releaseSplashPictures");
    releaseTexture(pictures.splash1);
    releaseTexture(pictures.splash2);
    releaseTexture(pictures.loadscreen);
    releaseTexture(pictures.loadbar);
    pictures = ScreenDrawState();
}

void menuRenderSetup()
{
    recordRequest("menuRenderSetup");
    setRenderState(GpuRenderState::AlphaBlendEnable, 1);
    setBlendMode(0);
    setRenderState(GpuRenderState::ZEnable, 0);
    setRenderState(GpuRenderState::AlphaTestEnable, 1);
    setRenderState(GpuRenderState::AlphaRef, 1);
    setRenderState(GpuRenderState::Lighting, 0);
    setOrthoProjection(800.0f, 600.0f, 1.0f, 500.0f);
    Matrix view;
    view.preTranslate(0.0f, 0.0f, 120.0f);
    setTransform(GpuTransform::View, &view);
    setTransform(GpuTransform::World, nullptr);
    rebuildFrustum();
    setRenderState(GpuRenderState::CullMode, CullNone);
}

void menuRenderFinish()
{
    recordRequest("menuRenderFinish");
    setRenderState(GpuRenderState::AlphaTestEnable, 0);
    setRenderState(GpuRenderState::SrcBlend, BlendSrcAlpha);
    setRenderState(GpuRenderState::DestBlend, BlendInvSrcAlpha);
}

void selectDefaultFont()
{
    recordRequest("selectDefaultFont");
    selectFont(0);
}

