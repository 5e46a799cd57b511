// Stage pictures beside the map, their covers, and the artefact screen.
#include "map/stagepicture.h"

#include "audio/audio.h"
#include "graphics/draw.h"
#include "graphics/textures.h"
#include "map/mapdraw.h"
#include "ui/panels.h"
#include "resources/texts.h"
#include "ui/font.h"

#include <cmath>
#include <cstdio>
#include <cstring>

StagePictureState stagePictures;

const Vec2 COVER_PIECE_OFFSETS[COVER_PIECES] = {
    {-55.0f, 95.0f}, {55.0f, 95.0f},   {95.0f, 55.0f},   {95.0f, -55.0f}, {55.0f, -95.0f},
    {-55.0f, -95.0f}, {-95.0f, -55.0f}, {-95.0f, 55.0f}, {0.0f, 45.0f},   {0.0f, -45.0f},
};

namespace {

constexpr int ART_COUNT = 15;
const Vec2 PICTURE_CENTRE{256.0f, 156.0f};
const Vec2 PANEL_PICTURE_CENTRE{0.0f, 100.0f};
constexpr float PANEL_PICTURE_SIZE = 330.0f;
constexpr float OK_GROW_MS = 600.0f;

struct StagePictureTextures {
    Texture* art[ART_COUNT];
    Texture* plain;                 // "zaglushka.jpg"
    Texture* coverBase[COVER_PIECES + 1];   // the plain cover with the alpha of mask i
    Texture* coverOrnament[COVER_PIECES + 1];
};

StagePictureTextures pictures;

const Rect FULL_UV{0.0f, 0.0f, 1.0f, 1.0f};

int clampStage(int stage)
{
    if (stage < 0) return 0;
    return stage > ART_COUNT - 1 ? ART_COUNT - 1 : stage;
}

float clamp01(float v)
{
    return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
}

void quad(const Texture* t, const Vec2& c, float size, int alpha)
{
    if (!t || alpha <= 0) return;
    setTexture(t);
    drawQuadCentered(c, size, size, FULL_UV, Color(255, 255, 255, alpha > 255 ? 255 : alpha));
}

void drawCover(int cover, const Vec2& c, float size, int alpha)
{
    if (cover < 1 || cover > COVER_PIECES) return;
    quad(pictures.coverBase[cover], c, size, alpha);
    quad(pictures.coverOrnament[cover], c, size, alpha);
}

constexpr float TEXT_BOX_MARGIN = 1.5f;  // in sizes: left start (0.5) and right margin (1)

// A stage's title or story text: "stagetitle%i" / "stage%i" with the stage number from 1.
const char16_t* stageText(const char* pattern, int stage)
{
    char key[24];
    std::snprintf(key, sizeof key, pattern, clampStage(stage) + 1);
    const char16_t* t = text(key);
    return t ? t : u"";
}

// Left-aligned wrapped text in a box from (left, top), scale lowered until the block fits. The
// lines start half a size in from the left edge and keep a size clear of the right edge, so no
// line runs into the panel's border.
void drawTextBox(float left, float top, float width, float height, float scale, const char16_t* s, bool centred)
{
    auto wrap = [&] { return wrapText(width - TEXT_BOX_MARGIN * scale, s, scale); };
    float h = wrap();
    while (h > height && scale > 8.0f) {
        scale -= 0.5f;
        h = wrap();
    }
    if (centred)
        drawText(left + width / 2.0f, top - scale, scale, wrappedText(), true);
    else
        drawText(left + scale, top - scale, scale, wrappedText(), false);
}

} // namespace

void resetStagePictures()
{
    stagePictures = StagePictureState{};
    StagePicture& p = stagePictures.picture;
    p.centre = PICTURE_CENTRE;
    p.size = STAGE_PICTURE_SIZE;
    stagePictures.panel.state = -1;
}

bool loadStagePictures()
{
    bool ok = true;
    for (int i = 0; i < ART_COUNT; ++i) {
        char name[48];
        std::snprintf(name, sizeof name, "artefacts\\art%.2i.jpg", i);
        pictures.art[i] = loadTexture(name);
        ok = ok && pictures.art[i];
    }
    pictures.plain = loadTexture("mask\\zaglushka.jpg");
    ok = ok && pictures.plain;
    for (int i = 1; i <= COVER_PIECES; ++i) {
        char base[32], mask[32], ornament[32];
        std::snprintf(base, sizeof base, "mapcover%i", i);
        std::snprintf(mask, sizeof mask, "mask\\mask%i.tga", i);
        std::snprintf(ornament, sizeof ornament, "mask\\cover%i.tga", i);
        pictures.coverBase[i] = copyTextureWithMask(base, "mask\\zaglushka.jpg", mask);
        releaseTextureByName(mask);  // only the cover needs it
        pictures.coverOrnament[i] = loadTexture(ornament);
        ok = ok && pictures.coverBase[i] && pictures.coverOrnament[i];
    }
    return ok;
}

void releaseStagePictures()
{
    for (Texture* t : pictures.art) releaseTexture(t);
    releaseTexture(pictures.plain);
    for (int i = 0; i <= COVER_PIECES; ++i) {
        releaseTexture(pictures.coverBase[i]);
        releaseTexture(pictures.coverOrnament[i]);
    }
    pictures = StagePictureTextures{};
}

void setStageProgress(int stage, int done, int total)
{
    StagePicture& p = stagePictures.picture;
    p.stage = clampStage(stage);
    float n = total > 0 ? static_cast<float>(total) : 1.0f;
    p.progress = clamp01(static_cast<float>(done) / n);
    p.progressBefore = clamp01(static_cast<float>(done - 1) / n);
    p.coverStep = static_cast<int>(p.progress * 10.0f);
    p.coverStepBefore = static_cast<int>(p.progressBefore * 10.0f);
    p.pieceCount = 0;
    float k = p.size / STAGE_PICTURE_SIZE;
    for (int i = p.coverStepBefore; i < p.coverStep && i < COVER_PIECES; ++i)
        p.piecePoints[p.pieceCount++] = p.centre.add(COVER_PIECE_OFFSETS[i].scale(k));
}

int coverForStep(int step)
{
    return step >= 0 && step < COVER_PIECES ? step + 1 : 0;
}

void startReveal()
{
    StagePicture& p = stagePictures.picture;
    p.reveal = 1;
    p.revealTimer = 0.0f;
    p.due = 0;
}

void startDue()
{
    StagePicture& p = stagePictures.picture;
    p.due = 1;
    p.dueTimer = 0.0f;
}

void updateStagePicture(float dt)
{
    StagePicture& p = stagePictures.picture;
    if (p.reveal) {
        p.revealTimer += dt;
        if (0.007f * p.revealTimer > REVEAL_END_PHASE) p.reveal = 0;
    }
    if (p.due) {
        p.dueTimer += dt;
        if (p.dueTimer > DUE_END_MS) p.due = 0;
    }
}

void drawStagePicture(bool covered)
{
    const StagePicture& p = stagePictures.picture;
    quad(pictures.art[p.stage], p.centre, p.size, 255);
    if (!covered) return;
    const int now = coverForStep(p.coverStep), before = coverForStep(p.coverStepBefore);
    if (p.reveal && p.progressBefore < 1.0f) {
        if (p.progress < 1.0f) drawCover(now, p.centre, p.size, 255);
        drawCover(before, p.centre, p.size, static_cast<int>(128.0f + 127.0f * std::cos(0.007f * p.revealTimer)));
    } else if (p.due) {
        drawCover(now, p.centre, p.size, 255);
        drawCover(before, p.centre, p.size, static_cast<int>(240.0f + 15.0f * std::cos(0.025f * p.dueTimer)));
    } else if (p.progress < 1.0f) {
        drawCover(now, p.centre, p.size, 255);
    }
}

void drawArtefactPicture(int stage, const Vec2& centre, float size, int alpha)
{
    quad(pictures.art[clampStage(stage)], centre, size, alpha);
}

void drawStageTexts(int stage)
{
    selectFont(0);
    setTextColour(255, 230, 80, 255);
    drawTextCentred(249.0f, -10.0f, 14.0f, stageText("stagetitle%i", stage));
    setTextColour(255, 255, 255, 255);
    drawTextBox(130.0f, -30.0f, 238.0f, 108.0f, 11.0f, stageText("stage%i", stage), false);
}

// ---- Artefact screen ----

void openArtefactPanel(int stage, const Vec2& iconPos)
{
    ArtefactPanel& a = stagePictures.panel;
    a.state = 0;
    a.timer = 0.0f;
    a.iconPos = iconPos;
    a.stage = clampStage(stage);
}

bool artefactPanelOpen()
{
    return stagePictures.panel.state >= 0;
}

bool updateArtefactPanel(float dt)
{
    ArtefactPanel& a = stagePictures.panel;
    if (a.state < 0) return false;
    a.timer += dt;
    const float lengths[5] = {ARTEFACT_MOVE_MS, ARTEFACT_OPEN_MS, -1.0f, ARTEFACT_CLOSE_MS, ARTEFACT_FLY_MS};
    if (a.state <= 4 && lengths[a.state] >= 0.0f && a.timer > lengths[a.state]) {
        a.state++;
        a.timer = 0.0f;
    }
    if (a.state == 5) {
        a.state = -1;
        return true;
    }
    return false;
}

Rect artefactOkArea()
{
    const ArtefactPanel& a = stagePictures.panel;
    float f = a.state == 2 ? clamp01(a.timer / OK_GROW_MS) : 0.0f;
    return Rect::fromCenter(Vec2{0.0f, -220.0f}, 160.0f * f, 56.0f * f);
}

bool artefactPanelClick(const Vec2& pointer)
{
    ArtefactPanel& a = stagePictures.panel;
    if (a.state != 2) return false;
    Rect r = artefactOkArea();
    if (r.width() <= 0.0f || !r.contains(pointer)) return false;
    playSound("map7.ogg");
    playSound("menu.ogg");
    a.state = 3;
    a.timer = 0.0f;
    return true;
}

void artefactPictureAt(Vec2* centre, float* size)
{
    const ArtefactPanel& a = stagePictures.panel;
    Vec2 c = PANEL_PICTURE_CENTRE;
    float s = PANEL_PICTURE_SIZE;
    if (a.state == 0) {
        float f = clamp01(a.timer / ARTEFACT_MOVE_MS);
        c = PICTURE_CENTRE.lerp(PANEL_PICTURE_CENTRE, f);
        s = STAGE_PICTURE_SIZE + (PANEL_PICTURE_SIZE - STAGE_PICTURE_SIZE) * f;
    } else if (a.state == 4) {
        float f = clamp01(a.timer / ARTEFACT_FLY_MS);
        c = PANEL_PICTURE_CENTRE.lerp(a.iconPos, f);
        s = PANEL_PICTURE_SIZE * (1.0f - f);
    }
    *centre = c;
    *size = s;
}

float artefactPanelHeight()
{
    const ArtefactPanel& a = stagePictures.panel;
    switch (a.state) {
    case 1: return ARTEFACT_PANEL_HEIGHT * clamp01(a.timer / ARTEFACT_OPEN_MS);
    case 2: return ARTEFACT_PANEL_HEIGHT;
    case 3: return ARTEFACT_PANEL_HEIGHT * (1.0f - clamp01(a.timer / ARTEFACT_CLOSE_MS));
    default: return 0.0f;
    }
}

void drawArtefactPanel()
{
    const ArtefactPanel& a = stagePictures.panel;
    if (a.state < 0) return;
    float h = artefactPanelHeight();
    if (h > 0.0f) drawPanel(0.0f, 0.0f, 0.68f * h, h);
    Vec2 c;
    float s;
    artefactPictureAt(&c, &s);
    quad(pictures.plain, c, 0.97f * s, 255);
    quad(pictures.art[a.stage], c, 0.92f * s, 255);
    if (a.state != 2) return;
    float d = a.timer / 6.0f;
    if (d > 100.0f) d = 100.0f;
    selectFont(0);
    if (d > 1.0f) {
        setTextColour(255, 230, 80, 255);
        drawTextCentred(0.0f, -100.0f + 0.08f * d, 0.12f * d, stageText("stagetitle%i", a.stage));
        setTextColour(255, 255, 255, 255);
        drawTextBox(-1.5f * d, -100.0f - 0.18f * d, 3.0f * d, 88.0f, 0.12f * d, stageText("stage%i", a.stage), true);
    }
    const char16_t* ok = text("ok");
    drawButtonPicture(0.0f, -240.0f, 128.0f, 64.0f, 12.0f, ok && ok[0] ? ok : u"OK",
                      artefactOkArea().contains(pointerForPanels()));
}
