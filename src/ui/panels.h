#pragma once
// The dialog frame and the graphic button, drawn from the menu pictures: the frame of pieces from
// the "_a_menutex.jpg" atlas over the "white.jpg" grain with turning flares at its corners, and the
// button from "button.tga" stretched between its rounded ends. The menus load the pictures and
// advance the clock; every screen that shows a panel (dialogs, the map, the trophy room) draws it
// here.
#include "core/math.h"

struct Texture;

struct PanelState {
    Texture* atlas = nullptr;   // "_a_menutex.jpg", the frame pieces
    Texture* fill = nullptr;    // "white.jpg", the panel fill
    Texture* button = nullptr;  // "button.tga"
    float clockMs = 0.0f;       // the menu clock, runs with the frame time (turns the flares)
    Color focusTextColour = Color(255, 150, 0, 255);  // a focused button's caption
};

extern PanelState panels;

// Dialog frame centred at (x, y) / from its top-left corner.
void drawPanel(float x, float y, float width, float height);
void drawPanelRect(float left, float top, float width, float height);
// One atlas piece (0..25) with its top-left corner at (left, top), at the border scale.
void drawPanelPiece(int piece, float left, float top, float borderScale = 1.0f);

// The width and caption size a graphic button is drawn with: its own when the caption fits
// between its rounded ends; else wider (up to 1.4 times), then with a smaller caption.
struct ButtonFit {
    float width;
    float textScale;
};
ButtonFit fitButton(float w, float h, float ts, const char16_t* caption);
// The button's picture and caption, without registering a button (for panels that handle their
// own press); focused draws the caption in the focus colour.
void drawButtonPicture(float x, float y, float width, float height, float textScale, const char16_t* caption,
                       bool focused);
