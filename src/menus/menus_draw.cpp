// Drawing of the dialog framework: the panel frame from the "_a_menutex.jpg" atlas, the standard
// button list and dialog, graphic buttons from "button.tga", message boxes and the pause menu.
#include "menus/menus.h"

#include "effects/flare.h"
#include "graphics/draw.h"
#include "graphics/textures.h"
#include "ui/font.h"

#include <cmath>

namespace {

constexpr float PI = 3.14159265358979f;
constexpr float CELL = 64.0f;       // screen units of one atlas cell at border scale 1
constexpr float UV_INSET = 0.003f;  // texture coordinates are inset on every side

// Atlas pieces: column, row, width and height in cells of the 4 x 8 grid.
struct AtlasPiece {
    int col, row, w, h;
};
constexpr AtlasPiece PIECES[26] = {
    {0, 0, 1, 1}, {1, 0, 1, 1}, {0, 1, 1, 1}, {1, 1, 1, 1}, {0, 2, 1, 1}, {1, 2, 1, 1}, {2, 0, 1, 1},
    {3, 0, 1, 1}, {2, 1, 1, 1}, {3, 1, 1, 1}, {0, 3, 2, 1}, {0, 4, 2, 1}, {2, 3, 1, 2}, {3, 3, 1, 2},
    {0, 7, 1, 1}, {1, 7, 1, 1}, {0, 5, 1, 1}, {0, 6, 1, 1}, {2, 5, 1, 1}, {3, 5, 1, 1}, {1, 6, 1, 1},
    {1, 5, 1, 1}, {3, 7, 1, 1}, {2, 7, 1, 1}, {3, 6, 1, 1}, {2, 6, 1, 1},
};

Rect pieceUv(int piece)
{
    const AtlasPiece& p = PIECES[piece];
    Rect uv;
    uv.left = p.col / 4.0f + UV_INSET;
    uv.top = p.row / 8.0f + UV_INSET;
    uv.right = (p.col + p.w) / 4.0f - UV_INSET;
    uv.bottom = (p.row + p.h) / 8.0f - UV_INSET;
    return uv;
}

Rect screenRect(float left, float top, float right, float bottom)
{
    Rect r;
    r.left = left;
    r.top = top;
    r.right = right;
    r.bottom = bottom;
    return r;
}

const Color WHITE(255, 255, 255, 255);

// Draws a piece stretched over a screen rectangle; flipX / flipY mirror it.
void drawPieceStretched(int piece, float left, float top, float right, float bottom, bool flipX, bool flipY)
{
    Rect uv = pieceUv(piece);
    if (flipX) std::swap(uv.left, uv.right);
    if (flipY) std::swap(uv.top, uv.bottom);
    drawQuadRect(screenRect(left, top, right, bottom), uv, WHITE);
}

// The edge between a and b (a < b) tiled with whole cells stretched to fit.
void drawEdge(int piece, bool horizontal, float a, float b, float fixedA, float fixedB, bool flip)
{
    float length = b - a;
    if (length <= 0.5f) return;
    int tiles = static_cast<int>(std::lround(length / CELL));
    if (tiles < 1) tiles = 1;
    float step = length / tiles;
    for (int i = 0; i < tiles; i++) {
        float s = a + i * step, e = s + step;
        if (horizontal)
            drawPieceStretched(piece, s, fixedA, e, fixedB, false, flip);
        else
            drawPieceStretched(piece, fixedA, e, fixedB, s, flip, false);
    }
}

bool inMessageBox()
{
    return nodeIs(menus.current, "messageboxok") || nodeIs(menus.current, "messageboxyn");
}

// Message boxes: the whole box scaled by 1 - anim^2 about the screen centre.
void drawMessageBox(MenuNode* dialog)
{
    float k = 1.0f - menus.anim * menus.anim;
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
    menus.atlas = loadJpegAlpha("_a_menutex.jpg", true);
    menus.fill = loadTexture("white.jpg");
    menus.balloon = loadJpegAlpha("_a_baloon.jpg", true);
    menus.button = loadTexture("button.tga");
}

void drawPanelPiece(int piece, float left, float top, float borderScale)
{
    if (piece < 0 || piece >= 26 || !menus.atlas) return;
    setTexture(menus.atlas);
    const AtlasPiece& p = PIECES[piece];
    float w = p.w * CELL * borderScale, h = p.h * CELL * borderScale;
    drawPieceStretched(piece, left, top, left + w, top - h, false, false);
}

void drawPanel(float x, float y, float width, float height)
{
    drawPanelRect(x - width / 2.0f, y + height / 2.0f, width, height);
}

void drawPanelRect(float left, float top, float width, float height)
{
    // Nearly opaque: the board's gems, flying tiles and messages behind a panel must not compete
    // with its text.
    constexpr int PANEL_FILL_ALPHA = 245;
    if (!(width > 0.0f) || !(height > 0.0f)) return;
    float right = left + width, bottom = top - height;
    // Fill: the grain picture repeated every 208 by 128 units, tinted deep red-brown.
    if (menus.fill) {
        setTexture(menus.fill);
        Rect uv = screenRect(0.0f, 0.0f, width / 208.0f, height / 128.0f);
        drawQuadRect(screenRect(left, top, right, bottom), uv, Color(55, 15, 0, PANEL_FILL_ALPHA));
    }
    // Frame: corners 0 (top left), 1 (top right), 2 (bottom left), 3 (bottom right), each one cell
    // inside the rectangle (smaller when the panel is too small for two); the edges between them
    // tiled with piece 4 (top, mirrored for the bottom) and piece 5 (left, mirrored for the right).
    if (menus.atlas) {
        setTexture(menus.atlas);
        float c = CELL;
        if (c > width / 2.0f) c = width / 2.0f;
        if (c > height / 2.0f) c = height / 2.0f;
        drawEdge(4, true, left + c, right - c, top, top - CELL, false);
        drawEdge(4, true, left + c, right - c, bottom + CELL, bottom, true);
        drawEdge(5, false, bottom + c, top - c, left, left + CELL, false);
        drawEdge(5, false, bottom + c, top - c, right - CELL, right, true);
        drawPieceStretched(0, left, top, left + c, top - c, false, false);
        drawPieceStretched(1, right - c, top, right, top - c, false, false);
        drawPieceStretched(2, left, bottom + c, left + c, bottom, false, false);
        drawPieceStretched(3, right - c, bottom + c, right, bottom, false, false);
    }
    // Flares turning at the corners, 2 units outwards diagonally.
    const Vec2 corners[4] = {{left - 2.0f, top + 2.0f}, {right + 2.0f, top + 2.0f}, {right + 2.0f, bottom - 2.0f},
                             {left - 2.0f, bottom - 2.0f}};
    for (int k = 0; k < 4; k++) {
        float v = std::sin(menus.clockMs * 0.0005f + k * PI / 2.0f) * 0.5f + 0.5f;
        int grey = static_cast<int>(255.0f * v);
        drawFlare(corners[k], 560.0f * v, 90.0f * v, Color(grey, grey, grey, grey), 12);
    }
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
            setTextColour(menus.focusTextColour);
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

ButtonFit fitButton(float w, float h, float ts, const char16_t* caption)
{
    // A caption keeps the button's rounded ends clear (about a third of the height each side):
    // the button grows up to 1.4 times its width, and beyond that the caption gets smaller.
    ButtonFit fit{w, ts};
    if (!caption || !(ts > 0.0f)) return fit;
    float margin = 0.35f * h;
    float textW = measureText(caption, ts);
    if (textW + 2.0f * margin <= w) return fit;
    float widest = 1.4f * w;
    fit.width = textW + 2.0f * margin < widest ? textW + 2.0f * margin : widest;
    float room = fit.width - 2.0f * margin;
    if (textW > room && textW > 0.0f) fit.textScale = ts * room / textW;
    return fit;
}

void drawButtonPicture(float x, float y, float w, float h, float ts, const char16_t* caption, bool focused)
{
    ButtonFit fit = fitButton(w, h, ts, caption);
    w = fit.width;
    ts = fit.textScale;
    float left = x - w / 2.0f, top = y + h / 2.0f, right = left + w, bottom = top - h;
    if (menus.button && w > 0.0f && h > 0.0f) {
        setTexture(menus.button);
        float imgW = static_cast<float>(menus.button->width), imgH = static_cast<float>(menus.button->height);
        float endW = imgH > 0.0f ? imgW / 2.0f * (h / imgH) : w / 2.0f;
        if (endW > w / 2.0f) endW = w / 2.0f;
        drawQuadRect(screenRect(left, top, left + endW, bottom), screenRect(0.0f, 0.0f, 0.5f, 1.0f), WHITE);
        if (right - endW > left + endW)
            drawQuadRect(screenRect(left + endW, top, right - endW, bottom), screenRect(0.5f, 0.0f, 0.5f, 1.0f),
                         WHITE);
        drawQuadRect(screenRect(right - endW, top, right, bottom), screenRect(0.5f, 0.0f, 1.0f, 1.0f), WHITE);
    }
    Color colour = focused ? menus.focusTextColour : WHITE;
    drawTextShadowed(x + 2.0f, y - 0.15f * ts, ts, caption ? caption : u"", true, colour, Color(0, 0, 0, 192), 2.0f,
                     1.0f, -1.0f);
    setTextColour(WHITE);
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
    float k = 1.0f - menus.anim * menus.anim;
    if (nodeIs(dialog, "gameplay")) {
        bool software = menuHooks.softwareCursor && *menuHooks.softwareCursor;
        if (!software && menuHooks.arrowPointer) menuHooks.arrowPointer();
        fade(k);
        drawStandardDialog(0.0f, 500.0f * menus.anim * menus.anim, 18.0f, true, 0, -1);
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
    float k = 1.0f - menus.anim * menus.anim;
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
