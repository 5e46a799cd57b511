// Drawing of the dialog framework: the panel frame from the "_a_menutex.jpg" atlas, the standard
// button list and dialog, graphic buttons from "button.tga", message boxes and the pause menu.
#include "menus/menus.h"
#include "core/dialogport.h"

#include "effects/flare.h"
#include "graphics/draw.h"
#include "graphics/textures.h"
#include "ui/font.h"

#include <cmath>

namespace {

const Color WHITE(255, 255, 255, 255);

Rect screenRect(float left, float top, float right, float bottom)
{
    Rect r;
    r.set(left, top, right, bottom);
    return r;
}

bool inMessageBox()
{
    return nodeIs(menus.current, "messageboxok") || nodeIs(menus.current, "messageboxyn");
}

// Message boxes: the whole box scaled by 1 - anim^2 about the screen centre.
void drawMessageBox(MenuNode* dialog)
{
    float k = 1.0f - dialogPort.anim * dialogPort.anim;
    if (k <= 0.001f) return;
    float wrappedHeight = wrapText(340.0f, menus.messageText, 12.0f);
    float height = wrappedHeight + 170.0f;
    drawPanel(0.0f, 0.0f, 450.0f * k, height * k);
    setTextColour(WHITE);
    drawText(0.0f, (height / 2.0f - 60.0f) * k, 14.0f * k, wrappedText(), true);
    float by = (-height / 2.0f + 62.0f) * k;
    if (dialog->childCount <= 1) {
        drawButton(0.0f, by, 128.0f * k, 64.0f * k, 17.0f * k, nullptr);
    } else {
        drawButton(-90.0f * k, by, 128.0f * k, 64.0f * k, 17.0f * k, nullptr);
        drawButton(90.0f * k, by, 128.0f * k, 64.0f * k, 17.0f * k, nullptr);
    }
}

void fade(float alpha)
{
    setColorMultiplier(1.0f, 1.0f, 1.0f, alpha);
}

}  // namespace

void loadMenuPictures()
{
    panels.atlas = loadJpegAlpha("_a_menutex.jpg", true);
    panels.fill = loadTexture("white.jpg");
    menus.balloon = loadJpegAlpha("_a_baloon.jpg", true);
    panels.button = loadTexture("button.tga");
}




float widestCaption(const MenuNode* dialog, float scale, int first, int last)
{
    if (!dialog) return 0.0f;
    if (last < 0 || last > dialog->childCount) last = dialog->childCount;
    if (first < 0) first = 0;
    float widest = 0.0f;
    for (int i = first; i < last; i++) {
        float w = measureText(dialog->children[i]->caption, scale);
        if (w > widest) widest = w;
    }
    return widest;
}

void drawButtonList(float x, float y, float s, bool centred, int first, int last)
{
    MenuNode* dialog = menus.current;
    if (!dialog) return;
    if (last < 0 || last > dialog->childCount) last = dialog->childCount;
    if (first < 0) first = 0;
    int n = last - first;
    if (n <= 0) return;
    float height = 2.0f * s * n;
    float maxW = widestCaption(dialog, s, first, last);
    if (!centred) x -= maxW / 2.0f - s;
    float r = centred ? maxW / 2.0f : 0.0f;
    for (int i = first; i < last; i++) {
        float line = y + height / 2.0f - s - 2.0f * s * (i - first);
        const char16_t* caption = dialog->children[i]->caption;
        if (i == menus.focus) {
            setTextColour(panels.focusTextColour);
            drawTextGlow(x, line, s, menus.focusGlowColour, caption, centred);
        } else {
            setTextColour(WHITE);
            drawText(x, line, s, caption, centred);
        }
        registerButton(x - s - r, line + 1.2f * s, x + maxW - r, line - 0.8f * s);
    }
    setTextColour(WHITE);
}

void drawStandardDialog(float x, float y, float s, bool centred, int first, int last)
{
    MenuNode* dialog = menus.current;
    if (!dialog) return;
    if (last < 0 || last > dialog->childCount) last = dialog->childCount;
    if (first < 0) first = 0;
    int n = last - first;
    if (n < 0) n = 0;
    float maxW = widestCaption(dialog, s, first, last);
    drawPanel(x, y, maxW + 64.0f, 2.0f * s * n + 64.0f);
    drawButtonList(x, y, s, centred, first, last);
}



void drawButton(float x, float y, float w, float h, float ts, const char16_t* caption)
{
    float left = x - w / 2.0f, top = y + h / 2.0f, right = left + w, bottom = top - h;
    int index = menus.buttonCount;
    if (!caption) {
        MenuNode* dialog = menus.current;
        caption = dialog && index < dialog->childCount ? dialog->children[index]->caption : u"";
    }
    drawButtonPicture(x, y, w, h, ts, caption, index == menus.focus);
    // The click box is the button as drawn (grown for a long caption).
    float grow = (fitButton(w, h, ts, caption).width - w) / 2.0f;
    registerButton(left - grow, top, right + grow, bottom);
}

void drawWidgetHighlight(const Widget& w, Color colour)
{
    drawGlowRect(w.left - 32.0f, w.top + 16.0f, w.right + 32.0f, w.bottom - 16.0f, colour);
}

void drawMenus()
{
    menus.widgetSlotsKept = menus.widgetCount;
    menus.widgetCount = 0;
    menus.buttonCount = 0;
    MenuNode* dialog = menus.current;
    if (!dialog) return;
    float k = 1.0f - dialogPort.anim * dialogPort.anim;
    if (nodeIs(dialog, "gameplay")) {
        bool software = menuHooks.softwareCursor && *menuHooks.softwareCursor;
        if (!software && menuHooks.arrowPointer) menuHooks.arrowPointer();
        fade(k);
        drawStandardDialog(0.0f, 500.0f * dialogPort.anim * dialogPort.anim, 18.0f, true, 0, -1);
        fade(1.0f);
    } else if (dialog->drawHandler) {
        dialog->drawHandler(dialog);
    } else if (inMessageBox()) {
        drawMessageBox(dialog);
    } else if (dialog->childCount > 0) {
        fade(k);
        drawStandardDialog(-210.0f, 150.0f + menus.slide, 16.0f, true, 0, -1);
        fade(1.0f);
    }
    setTextColour(WHITE);
}

void drawModalVeil()
{
    float k = 1.0f - dialogPort.anim * dialogPort.anim;
    if (k <= 0.0f) return;
    setTexture(nullptr);
    drawQuadRect(screenRect(-400.0f, 300.0f, 400.0f, -300.0f), screenRect(0.0f, 0.0f, 1.0f, 1.0f),
                 Color(0, 0, 0, static_cast<int>(static_cast<float>(MODAL_VEIL_ALPHA) * k)));
}

void drawDialogs(int pass)
{
    if (pass == 0) {
        updateMenus();
        drawMenus();
        return;
    }
    if (const DialogHandlers* h = dialogHandlers(menus.current))
        if (h->secondPass) h->secondPass(menus.current);
}
