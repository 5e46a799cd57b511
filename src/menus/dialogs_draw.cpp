// The drawing of every dialog that has its own look, registered with the framework together with
// the dialogs' on-open steps, back steps, key rules and button actions (dialogs.cpp).
#include "menus/dialogflow.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "audio/audio.h"
#include "core/appstate.h"
#include "core/dialogport.h"
#include "effects/effects.h"
#include "game/boardrender.h"
#include "game/playstate.h"
#include "graphics/draw.h"
#include "graphics/textures.h"
#include "map/map.h"
#include "menus/levelresult.h"
#include "menus/menus.h"
#include "persist/profile.h"
#include "persist/records.h"
#include "persist/settings.h"
#include "resources/texts.h"
#include "ui/font.h"
#include "ui/messages.h"

namespace {

const Color WHITE(255, 255, 255, 255);
const Color SHADOW(0, 0, 0, 192);
const Color TITLE(255, 255, 155, 255);

// ---- Text helpers ----

const char16_t* keyOr(const char* key)
{
    const char16_t* t = text(key);
    return t ? t : u"";
}

// Copies a UTF-16 text into out (cut to fit).
void copyText(char16_t* out, int capacity, const char16_t* from)
{
    int n = 0;
    for (; from && from[n] && n < capacity - 1; n++) out[n] = from[n];
    out[n] = 0;
}

void appendAscii(char16_t* out, int capacity, int* n, const char* s)
{
    for (; *s && *n < capacity - 1; s++) out[(*n)++] = static_cast<unsigned char>(*s);
    out[*n] = 0;
}

// Fills a format text of the tables: "%s" takes the next string, "%i" and "%.2i" the next numbers
// (two digits at least for "%.2i"); "%%" is a percent sign. Missing arguments leave the place empty.
void formatText(char16_t* out, int capacity, const char16_t* format, const int* numbers, int numberCount,
                const char16_t* str = nullptr)
{
    int n = 0, ni = 0;
    out[0] = 0;
    for (int i = 0; format && format[i] && n < capacity - 1; i++) {
        char16_t c = format[i];
        if (c != u'%') {
            out[n++] = c;
            continue;
        }
        char16_t next = format[i + 1];
        if (next == u'%') {
            out[n++] = u'%';
            i++;
        } else if (next == u's') {
            for (int k = 0; str && str[k] && n < capacity - 1; k++) out[n++] = str[k];
            i++;
        } else if (next == u'i' || next == u'd') {
            char buf[16];
            std::snprintf(buf, sizeof buf, "%d", ni < numberCount ? numbers[ni] : 0);
            ni++;
            appendAscii(out, capacity, &n, buf);
            i++;
        } else if (next == u'.' && format[i + 2] == u'2' && (format[i + 3] == u'i' || format[i + 3] == u'd')) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "%.2d", ni < numberCount ? numbers[ni] : 0);
            ni++;
            appendAscii(out, capacity, &n, buf);
            i += 3;
        } else {
            out[n++] = c;
        }
    }
    out[n] = 0;
}

void formatAscii(char16_t* out, int capacity, const char* format, const int* numbers, int count)
{
    char16_t wide[64];
    int n = 0;
    for (; format[n] && n < 63; n++) wide[n] = static_cast<unsigned char>(format[n]);
    wide[n] = 0;
    formatText(out, capacity, wide, numbers, count);
}

// Scaling of a dialog by 1 - anim² about the screen centre.
struct Scaler {
    float s;
    float x(float v) const { return v * s; }
    float y(float v) const { return v * s; }
};

Scaler dialogScale()
{
    float s = 1.0f - dialogPort.anim * dialogPort.anim;
    return Scaler{s < 0.0f ? 0.0f : s};
}

bool pointerIn(float left, float top, float right, float bottom)
{
    Vec2 p = pointerToScreen();
    return p.x > left && p.x < right && p.y < top && p.y > bottom;
}

float pulse(float rate) { return std::sin(panels.clockMs * rate) * 0.5f + 0.5f; }

Color highlightColour() { return Color(255, 200, 100, static_cast<int>(50.0f + 30.0f * pulse(0.008f))); }

// Graphic buttons for every child of the current dialog, side by side, centred on x at y.
void buttonRow(const Scaler& k, float y, float width, float height, float textScale)
{
    MenuNode* d = menus.current;
    int n = d ? d->childCount : 0;
    float step = width + 16.0f;
    float x0 = -(static_cast<float>(n) - 1.0f) * step / 2.0f;
    for (int i = 0; i < n; i++)
        drawButton(k.x(x0 + step * static_cast<float>(i)), k.y(y), width * k.s, height * k.s, textScale * k.s, nullptr);
}

// A plain filled rectangle (no texture).
void fillRect(float left, float top, float right, float bottom, Color c)
{
    setTexture(nullptr);
    drawQuadRect(Rect{left, top, right, bottom}, Rect{0, 0, 1, 1}, c);
}

// ---- "main" ----

void drawMain(MenuNode* d)
{
    if (menus.mainDismissed) return;
    Scaler k = dialogScale();
    int n = d->childCount;
    float height = 2.0f * 18.0f * static_cast<float>(n) + 96.0f;
    float width = widestCaption(d, 10.8f, 0, -1) + 128.0f;
    // A menu of more than eight buttons moves down so that its panel stays on the screen, and
    // its panel reaches down far enough for the second group's last caption.
    float rest = 100.0f;
    if (rest + height / 2.0f > 296.0f) rest = 296.0f - height / 2.0f;
    float cy = rest + menus.slide;
    int firstGroup = n < 3 ? n : 3;
    float top = cy + height / 2.0f, bottom = cy - height / 2.0f;
    float lastLine = cy - 0.24f * height - 18.0f * static_cast<float>(n - firstGroup) + 18.0f;
    if (n > firstGroup && lastLine - 44.0f < bottom) bottom = lastLine - 44.0f;
    drawPanel(k.x(-210.0f), k.y((top + bottom) / 2.0f), width * k.s, (top - bottom) * k.s);
    drawButtonList(k.x(-210.0f), k.y(cy + 0.24f * height), 18.0f * k.s, true, 0, firstGroup);
    if (n > firstGroup) {
        drawPanelPiece(4, k.x(-210.0f - 32.0f), k.y(cy + 8.0f), 0.5f * k.s);
        drawButtonList(k.x(-210.0f), k.y(cy - 0.24f * height), 18.0f * k.s, true, firstGroup, n);
    }
    // The greeting balloon with the change-profile link.
    if (profileState.count > 0) {
        const float bx = 230.0f, by = -190.0f;
        drawPanel(k.x(bx), k.y(by), 300.0f * k.s, 120.0f * k.s);
        char16_t line[96];
        formatText(line, 96, keyOr("hallo"), nullptr, 0, currentProfile().name);
        setTextColour(240, 233, 0, 255);
        drawTextCentred(k.x(bx), k.y(by + 22.0f), 12.5f * k.s, line);
        const char16_t* link = keyOr("ifnotyou");
        float lw = measureText(link, 11.0f);
        Widget w{};
        w.left = bx - lw / 2.0f;
        w.right = bx + lw / 2.0f;
        w.top = by - 6.0f;
        w.bottom = by - 34.0f;
        w.kind = WIDGET_PROFILE_LINK;
        w.id = profileState.current;
        bool hovered = pointerIn(w.left, w.top, w.right, w.bottom);
        w.flag = hovered ? 1 : 0;
        registerWidget(w);
        if (hovered) setTextColour(255, 255, 255, 255);
        else setTextColour(100, 250, 100, 255);
        drawTextCentred(k.x(bx), k.y(by - 20.0f), 11.0f * k.s, link);
        setTextColour(WHITE);
    }
    // The tip of the button under the pointer (the first six).
    if (dialogPort.anim == 0.0f) {
        for (int i = 0; i < menus.buttonCount && i < 6; i++) {
            const ButtonRect& r = menus.buttons[i];
            if (!pointerIn(r.left, r.top, r.right, r.bottom)) continue;
            const char16_t* tip = textRelative("adventuretip", i);
            if (!tip) break;
            float h = wrapText(270.0f, tip, 10.0f) + 40.0f;
            float ty = (r.top + r.bottom) / 2.0f;
            drawPanelRect(40.0f, ty + h / 2.0f, 300.0f, h);
            setTextColour(WHITE);
            drawText(60.0f, ty + h / 2.0f - 26.0f, 10.0f, wrappedText());
            break;
        }
    }
}

// ---- "profiles" ----

void drawProfiles(MenuNode* d)
{
    (void)d;
    float slide = menus.slide;
    int count = profileState.count;
    drawPanelRect(25.0f, slide + 280.0f, 330.0f, 30.0f * static_cast<float>(count) + 115.0f);
    setTextColour(0, 255, 255, 255);
    drawTextCentred(190.0f, slide + 220.0f, 18.0f, keyOr("curusers"));
    for (int i = 0; i < count; i++) {
        const char16_t* name = profileState.profiles[i].name;
        float y = slide + 180.0f - 30.0f * static_cast<float>(i);
        float w = measureText(name, 14.0f);
        Widget wd{};
        wd.left = 190.0f - w / 2.0f - 6.0f;
        wd.right = 190.0f + w / 2.0f + 6.0f;
        wd.top = y + 18.0f;
        wd.bottom = y - 18.0f;
        wd.kind = WIDGET_PROFILE_ENTRY;
        wd.id = i;
        int slot = registerWidget(wd);
        bool chosen = slot >= 0 && slot == menus.selected;
        if (chosen) drawWidgetHighlight(wd, highlightColour());
        if (chosen) setTextColour(255, 255, 55, 255);
        else setTextColour(WHITE);
        drawTextCentred(190.0f, y, 14.0f, name);
    }
    setTextColour(WHITE);
    drawStandardDialog(-210.0f, 150.0f + slide, 16.0f, false, 0, -1);
}

// ---- "newprofile" and "rename" ----

// The input box: the longest accepted name at the name's scale 17, which starts 17 right of
// centre, with room for the caret and a margin on both sides.
float nameBoxWidth() { return longestNameWidth(17.0f) + 2.0f * (17.0f + 24.0f); }

void drawNameDialog(MenuNode* d)
{
    (void)d;
    Scaler k = dialogScale();
    drawPanel(0.0f, 0.0f, 400.0f * k.s, 280.0f * k.s);
    setTextColour(WHITE);
    drawTextCentred(0.0f, k.y(90.0f), 15.0f * k.s, keyOr("entername"));
    // The input box, as wide as the longest name the field accepts; it flashes red when a
    // character is refused.
    float half = nameBoxWidth() / 2.0f;
    Color edge = Color(255, 220, 160, 255);
    if (menus.editRefusedMs > 0.0f) {
        float f = std::sin(menus.editRefusedMs / EDIT_REFUSED_MS * 3.14159265f);
        edge = Color(255, static_cast<int>(220.0f - 180.0f * f), static_cast<int>(160.0f - 140.0f * f), 255);
    }
    fillRect(k.x(-half), k.y(52.0f), k.x(half), k.y(-12.0f), edge);
    fillRect(k.x(-half + 3.0f), k.y(49.0f), k.x(half - 3.0f), k.y(-9.0f), Color(20, 8, 0, 230));
    Widget w{};
    w.left = -half;
    w.right = half;
    w.top = 52.0f;
    w.bottom = -12.0f;
    w.kind = WIDGET_TEXTFIELD;
    w.flag = menus.editing ? 1 : 0;
    registerWidget(w);
    const char16_t* name = menus.editBuffer;
    float width = measureText(name, 17.0f);
    float x0 = -width / 2.0f + 17.0f;
    setTextColour(WHITE);
    drawText(k.x(x0), k.y(20.0f), 17.0f * k.s, name);
    // The caret after the cursor position.
    char16_t before[EDIT_MAX_CHARS + 1] = {};
    for (int i = 0; i < menus.cursor && i < EDIT_MAX_CHARS; i++) before[i] = name[i];
    float cx = x0 - 17.0f + measureText(before, 17.0f) + 4.0f;
    int alpha = static_cast<int>(pulse(0.01f) * 255.0f);
    setTextColour(255, 255, 55, alpha);
    drawText(k.x(cx), k.y(20.0f), 17.0f * k.s, u"|");
    setTextColour(WHITE);
    if (profileState.count > 0) {
        drawButton(k.x(-90.0f), k.y(-80.0f), 128.0f * k.s, 64.0f * k.s, 18.0f * k.s, nullptr);
        if (menus.current && menus.current->childCount > 1)
            drawButton(k.x(90.0f), k.y(-80.0f), 128.0f * k.s, 64.0f * k.s, 18.0f * k.s, nullptr);
    } else {
        drawButton(0.0f, k.y(-80.0f), 150.0f * k.s, 64.0f * k.s, 18.0f * k.s, nullptr);
    }
}

// ---- "options" ----

struct OptionsMemory {
    int32_t sfx = -1;
    uint8_t cursor = 0;
};
OptionsMemory optionsMemory;

void drawSlider(float y, int32_t* value)
{
    Widget w{};
    w.left = -80.0f;
    w.right = 80.0f;
    w.top = y + 12.0f;
    w.bottom = y - 12.0f;
    w.kind = WIDGET_SLIDER;
    w.steps = 101;
    w.value = static_cast<int16_t>(*value);
    int slot = registerBoundWidget(w, value, nullptr);
    fillRect(-80.0f, y + 3.0f, 80.0f, y - 3.0f, Color(120, 70, 20, 255));
    float f = static_cast<float>(*value) / 100.0f;
    fillRect(-80.0f, y + 3.0f, -80.0f + 160.0f * f, y - 3.0f, Color(255, 200, 80, 255));
    float kx = -80.0f + 160.0f * f;
    Color knob = slot >= 0 && slot == menus.selected ? Color(255, 255, 155, 255) : Color(230, 200, 150, 255);
    fillRect(kx - 5.0f, y + 10.0f, kx + 5.0f, y - 10.0f, knob);
    // The arrows in the middle of their zones beside the track.
    const float arrowX = 80.0f + (SLIDER_ARROW_GAP + SLIDER_ARROW_REACH) / 2.0f;
    setTextColour(WHITE);
    drawTextCentred(-arrowX, y, 14.0f, u"<");
    drawTextCentred(arrowX, y, 14.0f, u">");
}

void drawCheckBox(float y, uint8_t* flag, const char* key)
{
    Widget w{};
    w.left = -112.0f;
    w.right = -88.0f;
    w.top = y + 12.0f;
    w.bottom = y - 12.0f;
    w.kind = WIDGET_CHECKBOX;
    w.flag = *flag;
    int slot = registerBoundWidget(w, nullptr, flag);
    Color edge = slot >= 0 && slot == menus.selected ? Color(255, 255, 155, 255) : Color(230, 200, 150, 255);
    fillRect(-112.0f, y + 12.0f, -88.0f, y - 12.0f, edge);
    fillRect(-109.0f, y + 9.0f, -91.0f, y - 9.0f, Color(20, 8, 0, 255));
    if (*flag) fillRect(-105.0f, y + 5.0f, -95.0f, y - 5.0f, Color(255, 200, 60, 255));
    setTextColour(WHITE);
    drawText(-60.0f, y, 10.0f, keyOr(key));
}

void drawOptions(MenuNode* d)
{
    drawPanelRect(-190.0f, 260.0f + menus.slide, 380.0f, 450.0f);
    setTextColour(TITLE);
    drawTextCentred(0.0f, 205.0f + menus.slide, 17.0f, d->caption);
    setTextColour(WHITE);
    drawTextCentred(0.0f, 160.0f, 13.0f, keyOr("sfxvolume"));
    drawSlider(135.0f, &persist.settings.sfxVolume);
    drawTextCentred(0.0f, 97.0f, 13.0f, keyOr("musicvolume"));
    drawSlider(72.0f, &persist.settings.musicVolume);
    drawCheckBox(22.0f, &dialogs.fullscreenChoice, "fullscreen");
    drawCheckBox(-18.0f, &persist.settings.softwareCursor, "customcursor");
    drawCheckBox(-58.0f, &app.calmMotion, "calmmotion");
    buttonRow(Scaler{1.0f}, -118.0f, 128.0f, 64.0f, 15.0f);
    // Changes take effect at once.
    if (optionsMemory.sfx >= 0 && optionsMemory.sfx != persist.settings.sfxVolume) playSound("SFXVolume.ogg");
    optionsMemory.sfx = persist.settings.sfxVolume;
    if (optionsMemory.cursor != persist.settings.softwareCursor && dialogRoute.setSoftwareCursor)
        dialogRoute.setSoftwareCursor(persist.settings.softwareCursor != 0);
    optionsMemory.cursor = persist.settings.softwareCursor;
    applyVolumes(persist.settings.musicVolume, persist.settings.sfxVolume);
}

void optionsOpened(MenuNode*)
{
    optionsMemory.sfx = -1;
    optionsMemory.cursor = persist.settings.softwareCursor;
}

// ---- Mode dialogs ----

// The map (drawn by the menu screen under the dialog) with the dialog's two picture buttons: the
// start button at the lower right and the back button in the map's upper left corner. The map's
// own picture serves each button; the caption is the dialog's.
void drawModeDialog(MenuNode* d)
{
    float fade = 1.0f - dialogPort.anim;
    if (fade < 0.0f) fade = 0.0f;
    bool blocked = mapBlocksInput();
    struct Place {
        float x, y, w, h, scale;
    };
    static const Place places[2] = {{258.0f, -252.0f, 256.0f, 106.0f, 26.0f}, {-364.0f, 264.0f, 64.0f, 64.0f, 18.0f}};
    int count = d->childCount < 2 ? d->childCount : 2;
    for (int i = 0; i < count; i++) {
        const Place& p = places[i];
        bool focused = !blocked && menus.focus == i;
        drawMapButton(i, p.x, p.y, p.w, p.h, fade, focused);
        Color colour = focused ? panels.focusTextColour : WHITE;
        colour.a = static_cast<uint8_t>(static_cast<float>(colour.a) * fade);
        // The start caption sits on its wide button; the round back button is too small for a
        // word, so its caption follows it on the right and the pointer reaches both.
        bool beside = i == 1;
        float textX = beside ? p.x + p.w / 2.0f + 4.0f : p.x + 2.0f;
        drawTextShadowed(textX, p.y - 0.15f * p.scale, p.scale, d->children[i]->caption, !beside, colour,
                         Color(0, 0, 0, static_cast<int>(192.0f * fade)), 2.0f, 1.0f, -1.0f);
        float right = p.x + p.w / 2.0f;
        if (beside) right = textX + measureText(d->children[i]->caption, p.scale);
        registerButton(p.x - p.w / 2.0f, p.y + p.h / 2.0f, right, p.y - p.h / 2.0f);
    }
    setTextColour(WHITE);
}

// A press over a mode dialog reaches the map first; while the artefact screen or the
// congratulation is open the map takes every press.
bool modeDialogPress(MenuNode*)
{
    if (mapBlocksInput()) {
        mapClick();
        return true;
    }
    return mapClick();
}

// ---- "loadgamequest" ----

void drawLoadGameQuest(MenuNode*)
{
    Scaler k = dialogScale();
    const float top = 175.0f, bottom = -175.0f;
    drawPanel(0.0f, 0.0f, 450.0f * k.s, 350.0f * k.s);
    static const char* const titles[3] = {"loadclassicmode", "loadendlessmode", "loadpuzzlemode"};
    int tab = dialogs.modeTab >= 0 && dialogs.modeTab < 3 ? dialogs.modeTab : 0;
    setTextColour(TITLE);
    drawTextCentred(0.0f, k.y(top - 65.0f), 19.0f * k.s, keyOr(titles[tab]));
    setTextColour(WHITE);
    drawTextCentred(0.0f, k.y(top - 110.0f), 13.0f * k.s, keyOr("loadmsg"));
    const Profile& p = currentProfile();
    int numbers[2] = {stageToLevel(p.stage[tab], p.stagePosition[tab]) + 1, p.score[tab]};
    char16_t line[96];
    formatText(line, 96, keyOr("surlevscore"), numbers, 2);
    drawTextCentred(0.0f, k.y(top - 150.0f), 17.0f * k.s, line);
    drawButton(k.x(-0.23f * 450.0f), k.y(bottom + 57.0f), 128.0f * k.s, 64.0f * k.s, 18.0f * k.s, nullptr);
    drawButton(k.x(0.23f * 450.0f), k.y(bottom + 57.0f), 128.0f * k.s, 64.0f * k.s, 18.0f * k.s, nullptr);
}

// ---- "gameplaytip" ----

void drawGameplayTip(MenuNode*)
{
    Scaler k = dialogScale();
    const char16_t* tip = textByIndex(menus.gameTipIndex + dialogs.gameTipsShown);
    if (!tip) tip = u"";
    float h = wrapText(440.0f, tip, 10.0f) + 80.0f;
    float top = h / 2.0f, bottom = -h / 2.0f;
    drawPanel(0.0f, 0.0f, 500.0f * k.s, h * k.s);
    setTextColour(WHITE);
    drawText(k.x(-220.0f), k.y(top - 26.0f), 10.0f * k.s, wrappedText());
    drawButton(k.x(-160.0f), k.y(bottom + 38.0f), 128.0f * k.s, 48.0f * k.s, 15.0f * k.s, nullptr);
    uint8_t on = dialogs.gameTipsOff ? 0 : 1;
    Widget w{};
    w.left = 20.0f;
    w.right = 44.0f;
    w.top = bottom + 50.0f;
    w.bottom = bottom + 26.0f;
    w.kind = WIDGET_CHECKBOX;
    w.flag = on;
    registerBoundWidget(w, nullptr, &on);
    dialogs.gameTipsOff = on ? 0 : 1;
    fillRect(k.x(20.0f), k.y(bottom + 50.0f), k.x(44.0f), k.y(bottom + 26.0f), Color(230, 200, 150, 255));
    fillRect(k.x(23.0f), k.y(bottom + 47.0f), k.x(41.0f), k.y(bottom + 29.0f), Color(20, 8, 0, 255));
    if (on) fillRect(k.x(27.0f), k.y(bottom + 43.0f), k.x(37.0f), k.y(bottom + 33.0f), Color(255, 200, 60, 255));
    setTextColour(WHITE);
    drawText(k.x(64.0f), k.y(bottom + 38.0f), 12.0f * k.s, keyOr("showgametip"));
}

// ---- "credits" ----

void drawCredits(MenuNode*)
{
    menus.focus = -1;
    dialogs.creditsTime = advanceCredits(dialogs.creditsTime, app.frameMs, menus.creditsCount);
    for (int i = 0; i < menus.creditsCount; i++) {
        float y = creditsLineY(i, dialogs.creditsTime);
        float a = creditsAlpha(y);
        if (a <= 0.0f) continue;
        const char16_t* line = menus.credits[i];
        bool heading = line[0] == u'{';
        if (heading) line++;
        int alpha = static_cast<int>(a * 255.0f);
        Color c = heading ? Color(255, 255, 0, alpha) : Color(255, 255, 255, alpha);
        drawTextShadowed(0.0f, y, 16.0f, line, true, c, Color(0, 0, 0, alpha), 2.0f, 1.0f, -1.0f);
    }
    setTextColour(WHITE);
}

void creditsOpened(MenuNode*) { menus.focus = -1; }

// ---- "hiscore" ----

void drawHiscore(MenuNode* d)
{
    Scaler k = dialogScale();
    const float top = 225.0f;
    // Over the board the table is the end of a game: it says so above the panel.
    if (dialogs.hiscoreFromGame)
        drawTextShadowed(0.0f, k.y(top + 40.0f), 26.0f * k.s, keyOr("gameover"), true, Color(55, 255, 255, 255),
                         Color(0, 0, 0, 220), 2.0f, 1.0f, -1.0f);
    drawPanel(0.0f, 0.0f, 470.0f * k.s, 450.0f * k.s);
    static const char* const modes[3] = {"classicmode", "endlessmode", "puzzlemode"};
    int tab = dialogs.modeTab >= 0 && dialogs.modeTab < 3 ? dialogs.modeTab : 0;
    setTextColour(TITLE);
    drawTextCentred(k.x(-110.0f), k.y(top - 60.0f), 20.0f * k.s, d->caption);
    setTextColour(WHITE);
    drawTextCentred(k.x(110.0f), k.y(top - 60.0f), 14.0f * k.s, keyOr(modes[tab]));
    // Arrows beside the mode name step the tab.
    Widget left{};
    left.left = 8.0f;
    left.right = 32.0f;
    left.top = top - 48.0f;
    left.bottom = top - 72.0f;
    left.kind = WIDGET_LEFT_ARROW;
    registerWidget(left);
    Widget right = left;
    right.left = 188.0f;
    right.right = 212.0f;
    right.kind = WIDGET_RIGHT_ARROW;
    registerWidget(right);
    drawTextCentred(k.x(20.0f), k.y(top - 60.0f), 14.0f * k.s, u"<");
    drawTextCentred(k.x(200.0f), k.y(top - 60.0f), 14.0f * k.s, u">");
    int highlightMode = dialogs.hiscoreFromGame ? play.gameMode : (profileState.count > 0 ? profileMode() : -1);
    float y = top - 105.0f;
    for (int e = 0; e < HISCORE_ENTRIES; e++) {
        const HiscoreEntry& entry = profileState.hiscores[tab][e];
        if (e == dialogs.newScoreRow && tab == highlightMode) setTextColour(panels.focusTextColour);
        else setTextColour(WHITE);
        drawText(k.x(-164.5f), k.y(y), 12.0f * k.s, entry.name);
        char16_t score[24];
        int numbers[1] = {entry.score};
        formatAscii(score, 24, "%i", numbers, 1);
        drawText(k.x(94.0f), k.y(y), 12.0f * k.s, score);
        y -= 25.0f;
    }
    setTextColour(WHITE);
    drawButton(0.0f, k.y(y - 30.0f), 128.0f * k.s, 64.0f * k.s, 19.0f * k.s, nullptr);
}

// ---- "howtoplay" ----

// The help pages: a title and rows of a picture beside a wrapped text. The texts come from the
// text tables, the pictures from the board's and the HUD's pictures (already loaded for play).
enum class HelpPicture {
    None, Group, Squares, Chain, Bomb, SuperBomb, Thunder, CrossBomb, DiagonalBomb, Hammer, Streak, Heart, Label, Key
};

struct HelpRow {
    const char* text;
    HelpPicture picture;
    const char* label;  // the key cap's or the label's text key
};

constexpr int HELP_ROWS_PER_PAGE = 6;

struct HelpPage {
    const char* title;
    HelpRow rows[HELP_ROWS_PER_PAGE];
};

const HelpPage HELP_PAGES[HELP_PAGE_COUNT] = {
    {"helptitle1",
     {{"helpgroups", HelpPicture::Group, nullptr},
      {"helpsquares", HelpPicture::Squares, nullptr},
      {"helpchains", HelpPicture::Chain, nullptr},
      {"helpshuffle", HelpPicture::None, nullptr}}},
    {"helptitle2",
     {{"helpbomb", HelpPicture::Bomb, nullptr},
      {"helpsuperbomb", HelpPicture::SuperBomb, nullptr},
      {"helpthunder", HelpPicture::Thunder, nullptr},
      {"helpcross", HelpPicture::CrossBomb, nullptr},
      {"helpdiagonal", HelpPicture::DiagonalBomb, nullptr}}},
    {"helptitle3",
     {{"helphammer", HelpPicture::Hammer, nullptr},
      {"helpstreak", HelpPicture::Streak, nullptr},
      {"helpcombo", HelpPicture::None, nullptr},
      {"helplives", HelpPicture::Heart, nullptr}}},
    {"helptitle4",
     {{"helpadventure", HelpPicture::Label, "classicmode"},
      {"helptimeless", HelpPicture::Label, "endlessmode"},
      {"helppuzzle", HelpPicture::Label, "puzzlemode"}}},
    {"helptitle5",
     {{"helpmouse", HelpPicture::Key, "keymouse"},
      {"helpspace", HelpPicture::Key, "keyspace"},
      {"helppause", HelpPicture::Key, "keypause"},
      {"helpmenukeys", HelpPicture::Key, "keymenus"},
      {"helpfullscreen", HelpPicture::Key, "keyfullscreen"},
      {"helpscreenshot", HelpPicture::Key, "keyscreenshot"}}},
};

// The panel and its parts (screen units; the panel is centred on HELP_Y).
constexpr float HELP_W = 640.0f, HELP_H = 540.0f, HELP_Y = 0.0f;
constexpr float HELP_TOP = HELP_Y + HELP_H / 2.0f, HELP_BOTTOM = HELP_Y - HELP_H / 2.0f;
constexpr float HELP_LEFT = -HELP_W / 2.0f;
constexpr float HELP_PICTURE_X = HELP_LEFT + 78.0f;    // centre of the picture column
constexpr float HELP_TEXT_X = HELP_LEFT + 148.0f;      // left edge of the texts
constexpr float HELP_TEXT_W = HELP_W - 148.0f - 36.0f; // the text column
// The wrap lets a line pass its width by the unit after a break: the texts wrap a glyph short.
constexpr float HELP_WRAP_W = HELP_TEXT_W - 16.0f;
constexpr float HELP_TEXT_SCALE = 11.0f;
constexpr float HELP_ROWS_TOP = HELP_TOP - 82.0f;
constexpr float HELP_ROWS_LIMIT = HELP_BOTTOM + 78.0f; // the page arrows and the button lie below
constexpr float HELP_PICTURE_H = 48.0f;
constexpr float HELP_ROW_GAP = 12.0f;
constexpr float HELP_CONTROLS_Y = HELP_BOTTOM + 44.0f;

// Height of a row: its wrapped text or its picture, whichever is taller.
float helpRowHeight(const HelpRow& row)
{
    float h = wrapText(HELP_WRAP_W, keyOr(row.text), HELP_TEXT_SCALE);
    return h > HELP_PICTURE_H ? h : HELP_PICTURE_H;
}

// Widest line of the text last wrapped.
float widestWrappedLine(float scale)
{
    const char16_t* t = wrappedText();
    float widest = 0.0f;
    char16_t line[TEXT_BUFFER_UNITS];
    int n = 0;
    for (int i = 0;; i++) {
        if (t[i] == 0 || t[i] == u'\n' || t[i] == u'\r') {
            line[n] = 0;
            float w = measureText(line, scale);
            if (w > widest) widest = w;
            n = 0;
            if (t[i] == 0) break;
            continue;
        }
        if (n < TEXT_BUFFER_UNITS - 1) line[n++] = t[i];
    }
    return widest;
}

const Texture* figurePictureOf(int colour)
{
    const char* name = figureStripName(colour);
    return name ? findTexture(name) : nullptr;
}

// A figure's first frame, upright, size s, centred at (x, y).
void helpFigure(int colour, float x, float y, float s, int alpha)
{
    const Texture* t = figurePictureOf(colour);
    if (!t) return;
    setTexture(t);
    drawQuadCentered(x, y, s, s, figureFrameRect(0), Color(255, 255, 255, alpha));
}

// A whole picture centred at (x, y); nothing when the data set has none.
void helpPicture(const Texture* t, float x, float y, float w, float h, Color c)
{
    if (!t) return;
    setTexture(t);
    drawQuadCentered(x, y, w, h, Rect{0.0f, 0.0f, 1.0f, 1.0f}, c);
}

void helpSprite(const char* name, float x, float y, float w, float h, Color c)
{
    helpPicture(findTexture(name), x, y, w, h, c);
}

void helpGlow(float x, float y, float size, Color c)
{
    setBlendMode(1);
    helpSprite("flare.jpg", x, y, size, size, c);
    setBlendMode(0);
}

// A key cap: a light rounded-looking box with the key's name.
void helpKeyCap(float x, float y, const char16_t* label, float alpha)
{
    float w = measureText(label, 11.0f) + 20.0f;
    if (w < 36.0f) w = 36.0f;
    auto a = static_cast<int>(255.0f * alpha);
    fillRect(x - w / 2.0f, y + 15.0f, x + w / 2.0f, y - 15.0f, Color(255, 220, 160, a));
    fillRect(x - w / 2.0f + 2.0f, y + 13.0f, x + w / 2.0f - 2.0f, y - 11.0f, Color(60, 25, 8, a));
    setTextColour(255, 255, 200, a);
    drawTextCentred(x, y, 11.0f, label);
}

void drawHelpPicture(const HelpRow& row, float x, float y, float alpha)
{
    int a = static_cast<int>(255.0f * alpha);
    const Color white(255, 255, 255, a);
    switch (row.picture) {
    case HelpPicture::None: break;
    case HelpPicture::Group:
        // Three figures of one colour in an L, one of another colour beside them.
        helpFigure(3, x - 22.0f, y + 12.0f, 30.0f, a);
        helpFigure(3, x + 6.0f, y + 12.0f, 30.0f, a);
        helpFigure(3, x - 22.0f, y - 16.0f, 30.0f, a);
        helpFigure(1, x + 6.0f, y - 16.0f, 30.0f, a);
        helpFigure(1, x + 34.0f, y - 16.0f, 30.0f, a);
        break;
    case HelpPicture::Squares:
        helpPicture(boardRender.tiles[1], x - 22.0f, y, 44.0f, 44.0f, white);
        helpPicture(boardRender.tiles[2], x + 24.0f, y, 44.0f, 44.0f, white);
        break;
    case HelpPicture::Chain:
        helpFigure(5, x, y, 44.0f, a);
        helpPicture(boardRender.chain, x, y, 56.0f, 56.0f, white);
        break;
    case HelpPicture::Bomb:
        helpGlow(x, y, 84.0f, Color(255, 200, 120, a * 3 / 5));
        helpFigure(4, x, y, 44.0f, a);
        helpGlow(x, y, 36.0f, Color(255, 255, 230, a));
        break;
    case HelpPicture::SuperBomb:
    case HelpPicture::CrossBomb:
        helpFigure(row.picture == HelpPicture::SuperBomb ? 2 : 0, x, y, 44.0f, a);
        helpPicture(row.picture == HelpPicture::SuperBomb ? boardRender.megaMark : boardRender.crossMark, x, y, 50.0f,
                    50.0f, white);
        break;
    case HelpPicture::Thunder:
        helpGlow(x, y, 80.0f, Color(90, 90, 255, a * 3 / 4));
        helpFigure(7, x, y, 44.0f, a);
        helpGlow(x, y, 30.0f, Color(200, 220, 255, a));
        break;
    case HelpPicture::DiagonalBomb: helpFigure(6, x, y, 44.0f, a); break;
    case HelpPicture::Hammer: helpSprite("hammer.texture1.tga", x, y, 26.0f, 52.0f, white); break;
    case HelpPicture::Streak:
        // Three groups of one colour, clicked one after another.
        for (int i = 0; i < 3; i++) helpFigure(2, x - 30.0f + 30.0f * static_cast<float>(i), y, 28.0f, a);
        break;
    case HelpPicture::Heart: helpSprite("heart.tga", x, y, 36.0f, 36.0f, white); break;
    case HelpPicture::Label: {
        const char16_t* label = keyOr(row.label);
        float s = 12.0f, w = measureText(label, s);
        if (w > 120.0f) s *= 120.0f / w;  // a long mode name still fits its column
        setTextColour(255, 255, 155, a);
        drawTextCentred(x, y, s, label);
        break;
    }
    case HelpPicture::Key: helpKeyCap(x, y, keyOr(row.label), alpha); break;
    }
}

// An arrow under the page that turns it (a widget of kind 4 or 5 posts Left or Right).
void helpPageArrow(int kind, float x, const char16_t* glyph)
{
    Widget w{};
    w.left = x - 16.0f;
    w.right = x + 16.0f;
    w.top = HELP_CONTROLS_Y + 16.0f;
    w.bottom = HELP_CONTROLS_Y - 16.0f;
    w.kind = kind;
    registerWidget(w);
    drawTextCentred(x, HELP_CONTROLS_Y, 18.0f, glyph);
}

void drawHelp(MenuNode* d)
{
    // The pages show the board's pictures, which are resident only around a level.
    loadBoardPicturesOnShow();
    Scaler k = dialogScale();
    float fade = k.s;
    int page = dialogs.helpPage >= 0 && dialogs.helpPage < HELP_PAGE_COUNT ? dialogs.helpPage : 0;
    const HelpPage& p = HELP_PAGES[page];
    float slide = menus.slide;
    drawPanel(0.0f, HELP_Y + slide, HELP_W * k.s, HELP_H * k.s);
    setTextColour(TITLE);
    drawTextCentred(0.0f, k.y(HELP_TOP - 30.0f + slide), 12.0f * k.s, d->caption);
    setTextColour(255, 255, 255, static_cast<int>(255.0f * fade));
    drawTextCentred(0.0f, k.y(HELP_TOP - 56.0f + slide), 17.0f * k.s, keyOr(p.title));
    float y = HELP_ROWS_TOP;
    for (const HelpRow& row : p.rows) {
        if (!row.text) break;
        float h = helpRowHeight(row);
        if (dialogPort.anim == 0.0f) {  // the rows appear once the panel is in place
            drawHelpPicture(row, HELP_PICTURE_X, y - h / 2.0f, 1.0f);
            float textH = wrapText(HELP_WRAP_W, keyOr(row.text), HELP_TEXT_SCALE);
            float textTop = y - (h - textH) / 2.0f;
            setTextColour(WHITE);
            drawText(HELP_TEXT_X, textTop - 0.9f * HELP_TEXT_SCALE, HELP_TEXT_SCALE, wrappedText());
        }
        y -= h + HELP_ROW_GAP;
    }
    // The page arrows (only towards pages that exist) and the page number.
    if (dialogPort.anim == 0.0f) {
        const float arrowDx = 70.0f;
        setTextColour(WHITE);
        if (page > 0) helpPageArrow(WIDGET_LEFT_ARROW, -arrowDx, u"<");
        if (page < HELP_PAGE_COUNT - 1) helpPageArrow(WIDGET_RIGHT_ARROW, arrowDx, u">");
        char16_t number[32];
        int numbers[2] = {page + 1, HELP_PAGE_COUNT};
        formatText(number, 32, text("helppage") ? keyOr("helppage") : u"%i / %i", numbers, 2);
        drawTextCentred(0.0f, HELP_CONTROLS_Y, 13.0f, number);
    }
    // The dialog's buttons ("back") at the lower right.
    for (int i = 0; i < d->childCount; i++)
        drawButton(k.x(HELP_W / 2.0f - 100.0f - 140.0f * static_cast<float>(i)), k.y(HELP_CONTROLS_Y + slide),
                   128.0f * k.s, 64.0f * k.s, 17.0f * k.s, nullptr);
    setTextColour(WHITE);
}

// ---- "levelcomplete" ----

void levelCompleteOpened(MenuNode*)
{
    startLevelResult(play.levelScore, play.bestStreak, play.movesMade, static_cast<int>(play.playClockMs));
}

void timeText(char16_t* out, int capacity, const char* format, int ms)
{
    int numbers[2];
    splitMinutesSeconds(ms, &numbers[0], &numbers[1]);
    formatAscii(out, capacity, format, numbers, 2);
}

// One record line: label, value (pulsing when the level set it) and the holder.
void recordLine(const Scaler& k, float y, const char* label, int own, int record, const char16_t* holder, bool isTime)
{
    bool beaten = beatsRecord(own, record);
    int value = beaten ? own : record;
    setTextColour(255, 200, 100, 255);
    drawText(k.x(-220.0f), k.y(y), 11.0f * k.s, keyOr(label));
    char16_t v[32];
    if (isTime) {
        timeText(v, 32, "   %.2i:%.2i", value);
    } else {
        int numbers[1] = {value};
        formatAscii(v, 32, "   %i", numbers, 1);
    }
    if (beaten) setTextColour(255, 200, 200, recordPulseAlpha(levelResultView.pulseClock));
    drawText(k.x(20.0f), k.y(y), 11.0f * k.s, v);
    setTextColour(255, 200, 100, 255);
    char16_t by[64];
    int n = 0;
    copyText(by, 64, keyOr("by"));
    while (by[n]) n++;
    if (n < 62) by[n++] = u' ';
    by[n] = 0;
    const char16_t* name = beaten ? currentProfile().name : holder;
    for (int i = 0; name && name[i] && n < 63; i++) by[n++] = name[i];
    by[n] = 0;
    drawText(k.x(120.0f), k.y(y), 11.0f * k.s, by);
}

void drawLevelComplete(MenuNode*)
{
    int started = stepLevelResult(app.frameMs);
    if (started >= 0) {
        playSound("LevelStatistic.ogg");
        float by = levelResultBurstY(started);
        startEffect("wowIQ", 300.0f, by, 300.0f, by, 1.0f, -1);
    }
    Scaler k = dialogScale();
    drawPanel(0.0f, 0.0f, 540.0f * k.s, 420.0f * k.s);
    setTextColour(TITLE);
    drawTextCentred(0.0f, k.y(160.0f), 20.0f * k.s, keyOr("levelresult"));
    static const char* const labels[RESULT_LINES] = {"yourscore", "yourcombo", "yourmoves", "yourtime"};
    for (int line = 0; line < RESULT_LINES; line++) {
        float y = 110.0f - 35.0f * static_cast<float>(line);
        setTextColour(WHITE);
        drawText(k.x(-200.0f), k.y(y), 14.0f * k.s, keyOr(labels[line]));
        char16_t v[32];
        int shown = levelResultShown(line);
        if (line == 3) {
            timeText(v, 32, "%.2i:%.2i", shown);
        } else {
            int numbers[1] = {shown};
            formatAscii(v, 32, "%i", numbers, 1);
        }
        drawText(k.x(100.0f), k.y(y), 14.0f * k.s, v);
    }
    const LevelRecord& rec = levelRecord(play.gameMode, play.levelIndex);
    recordLine(k, -50.0f, "bestmoves", levelResultView.moves, rec.results[2], rec.names[2], false);
    recordLine(k, -85.0f, "besttime", levelResultView.timeMs, rec.results[3], rec.names[3], true);
    setTextColour(WHITE);
    drawButton(0.0f, k.y(-420.0f / 2.0f + 55.0f), 128.0f * k.s, 64.0f * k.s, 18.0f * k.s, nullptr);
}

// ---- "defeat" and "gameover" ----

void drawDefeat(MenuNode* d)
{
    Scaler k = dialogScale();
    float n = static_cast<float>(d->childCount);
    float width = widestCaption(d, 18.0f, 0, -1) + 94.0f;
    drawPanel(0.0f, 0.0f, width * k.s, (36.0f * n + 164.0f) * k.s);
    setTextColour(55, 255, 255, 255);
    drawTextCentred(0.0f, k.y(65.0f), 16.0f * k.s, keyOr("timeisup"));
    drawTextCentred(0.0f, k.y(30.0f), 16.0f * k.s, keyOr("loselife"));
    setTextColour(WHITE);
    drawButtonList(0.0f, k.y(-40.0f), 18.0f * k.s, true, 0, -1);
}

// ---- Replay dialogs: the pause menu's look ----

void drawLikePause(MenuNode*)
{
    if (menuHooks.arrowPointer && !(menuHooks.softwareCursor && *menuHooks.softwareCursor)) menuHooks.arrowPointer();
    drawStandardDialog(0.0f, 500.0f * dialogPort.anim * dialogPort.anim, 18.0f, true, 0, -1);
}

// ---- Registration ----

void nameOf(const MenuNode* n, char* out, int capacity)
{
    std::snprintf(out, static_cast<size_t>(capacity), "%s", n ? n->key : "");
}

void onOpen(MenuNode* d) { dialogOpened(d->key); }

void onOpenOptions(MenuNode* d)
{
    optionsOpened(d);
    dialogOpened(d->key);
}

void onOpenCredits(MenuNode* d)
{
    dialogOpened(d->key);
    creditsOpened(d);
}

void onOpenLevelComplete(MenuNode* d)
{
    dialogOpened(d->key);
    levelCompleteOpened(d);
}

void keyRule(MenuNode* d, int* key)
{
    const char* focused = "";
    if (menus.focus >= 0 && menus.focus < d->childCount && d->children[menus.focus]) focused = d->children[menus.focus]->key;
    *key = dialogKeyRule(d->key, focused, *key);
}

bool back(MenuNode* d)
{
    dialogBack(d->key);
    return true;
}

void action(MenuNode* d, MenuNode* b)
{
    char parent[MENU_NAME_UNITS];
    nameOf(d ? d->parent : nullptr, parent, sizeof parent);
    dialogAction(d ? d->key : "", b ? b->key : "", parent, menus.messageKey);
}

void reg(const char* name, MenuDrawHandler draw, void (*open)(MenuNode*) = onOpen,
         bool (*press)(MenuNode*) = nullptr)
{
    DialogHandlers h;
    h.draw = draw;
    h.onOpen = open;
    h.press = press;
    h.keyRule = keyRule;
    h.back = back;
    registerDialog(name, h);
}

} // namespace

HelpPageFit helpPageFit(int page)
{
    HelpPageFit fit{HELP_ROWS_TOP, HELP_ROWS_LIMIT, 0.0f, HELP_TEXT_W};
    if (page < 0 || page >= HELP_PAGE_COUNT) return fit;
    float y = HELP_ROWS_TOP;
    for (const HelpRow& row : HELP_PAGES[page].rows) {
        if (!row.text) break;
        float h = helpRowHeight(row);
        float w = widestWrappedLine(HELP_TEXT_SCALE);
        if (w > fit.widestLine) fit.widestLine = w;
        fit.rowsBottom = y - h;
        y -= h + HELP_ROW_GAP;
    }
    return fit;
}

void registerGameDialogs()
{
    mapState.onCongratulationDone = congratulationDone;
    reg("main", drawMain);
    reg("profiles", drawProfiles);
    reg("newprofile", drawNameDialog);
    reg("rename", drawNameDialog);
    reg("options", drawOptions, onOpenOptions);
    reg("adventure", drawModeDialog, onOpen, modeDialogPress);
    reg("timeless", drawModeDialog, onOpen, modeDialogPress);
    reg("puzzle", drawModeDialog, onOpen, modeDialogPress);
    reg("loadgamequest", drawLoadGameQuest);
    reg("gameplaytip", drawGameplayTip);
    reg("credits", drawCredits, onOpenCredits);
    reg("hiscore", drawHiscore);
    reg("howtoplay", drawHelp);
    reg("levelcomplete", drawLevelComplete, onOpenLevelComplete);
    reg("defeat", drawDefeat);
    reg("gameover", drawDefeat);
    reg("replaywin", drawLikePause);
    reg("replayloss", drawLikePause);
    reg("survivalcomplete", drawLikePause);
    // "gameplay" and the message boxes keep the framework's drawing.
    reg("gameplay", nullptr);
    reg("messageboxok", nullptr);
    reg("messageboxyn", nullptr);
    static const char* const buttons[] = {
        "selectprofile", "rename", "okrename", "remove", "oknewprofile", "newprofile", "adventure", "timeless",
        "puzzle", "start", "yes", "no", "ok", "exit", "quit", "trophyroom", "apply", "default", "cancel", "back",
        "resume game", "skip level", "restart level", "okcontinuegame", "oknextlevel", "main"};
    for (const char* b : buttons) registerButtonAction(b, nullptr, action);
}
