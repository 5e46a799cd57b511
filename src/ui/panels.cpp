// The dialog frame and the graphic button: the panel drawn from the "_a_menutex.jpg" atlas over the
// "white.jpg" grain, and the button from "button.tga". The menus draw every dialog with them; the
// map, the stage pictures and the trophy room draw their own panels with them too.
#include "ui/panels.h"

#include "effects/flare.h"
#include "graphics/draw.h"
#include "graphics/textures.h"
#include "ui/font.h"

#include <cmath>
#include <utility>

PanelState panels;

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

}  // namespace

void drawPanelPiece(int piece, float left, float top, float borderScale)
{
    if (piece < 0 || piece >= 26 || !panels.atlas) return;
    setTexture(panels.atlas);
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
    if (panels.fill) {
        setTexture(panels.fill);
        Rect uv = screenRect(0.0f, 0.0f, width / 208.0f, height / 128.0f);
        drawQuadRect(screenRect(left, top, right, bottom), uv, Color(55, 15, 0, PANEL_FILL_ALPHA));
    }
    // Frame: corners 0 (top left), 1 (top right), 2 (bottom left), 3 (bottom right), each one cell
    // inside the rectangle (smaller when the panel is too small for two); the edges between them
    // tiled with piece 4 (top, mirrored for the bottom) and piece 5 (left, mirrored for the right).
    if (panels.atlas) {
        setTexture(panels.atlas);
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
        float v = std::sin(panels.clockMs * 0.0005f + k * PI / 2.0f) * 0.5f + 0.5f;
        int grey = static_cast<int>(255.0f * v);
        drawFlare(corners[k], 560.0f * v, 90.0f * v, Color(grey, grey, grey, grey), 12);
    }
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
    if (panels.button && w > 0.0f && h > 0.0f) {
        setTexture(panels.button);
        float imgW = static_cast<float>(panels.button->width), imgH = static_cast<float>(panels.button->height);
        float endW = imgH > 0.0f ? imgW / 2.0f * (h / imgH) : w / 2.0f;
        if (endW > w / 2.0f) endW = w / 2.0f;
        drawQuadRect(screenRect(left, top, left + endW, bottom), screenRect(0.0f, 0.0f, 0.5f, 1.0f), WHITE);
        if (right - endW > left + endW)
            drawQuadRect(screenRect(left + endW, top, right - endW, bottom), screenRect(0.5f, 0.0f, 0.5f, 1.0f),
                         WHITE);
        drawQuadRect(screenRect(right - endW, top, right, bottom), screenRect(0.5f, 0.0f, 1.0f, 1.0f), WHITE);
    }
    Color colour = focused ? panels.focusTextColour : WHITE;
    drawTextShadowed(x + 2.0f, y - 0.15f * ts, ts, caption ? caption : u"", true, colour, Color(0, 0, 0, 192), 2.0f,
                     1.0f, -1.0f);
    setTextColour(WHITE);
}
