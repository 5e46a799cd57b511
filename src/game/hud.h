#pragma once
// The game screen's HUD around the board: the left panel (score, level, lives, the "menu" and
// "trophies" buttons, the hammer panel), its slide while paused, lost or won, the pause overlay,
// the one-time tip panels and the trip to the trophy room.
#include <cstdint>

#include "core/math.h"

constexpr float HUD_SLIDE_MIN = -128.0f;
constexpr float HUD_SLIDE_RATE = 0.2f;  // per ms
constexpr float TIP_PANEL_WIDTH = 300.0f;
constexpr float TIP_PANEL_HEIGHT = 110.0f;      // least height; a longer text makes it taller
constexpr float TIP_PANEL_MAX_HEIGHT = 260.0f;
constexpr float TIP_TEXT_SIZE = 10.0f;

struct TipPanel {
    char key[32];        // text key of the open tip
    Vec2 pos;            // where the tip points
    float tipDelayMs;    // > 0: still waiting; below -250 its button answers
    uint8_t needsButton;
    uint8_t arrow;
    float height;        // of the panel, from the wrapped text
};

struct HudButton {
    float size;          // text size, pulsing under the mouse
    uint8_t rising;
};

struct HudState {
    TipPanel tip;
    HudButton menuButton;
    HudButton trophiesButton;
    float hammerGlowClockMs;
    float afterWinPulseMs;
    float hammerShakeMs;  // the panel shakes while > 0: the hammer was pressed before it was ready
    float hammerClockMs;  // drives the ready halo and the armed frame's pulse
};

// The HUD's texts on the left bar and the boxes (plaques, or the wood between them) they are kept
// inside: centre (x before the bar's slide), the size they are drawn at when they fit, and the
// box's width and height. Texts too wide are scaled or wrapped (fitHudText, game/hudtext.h).
struct HudTextBox {
    const char* key;  // the text key; "" for a number
    float x, y;
    float size;
    float width, height;
};
enum HudBox {
    HUD_BOX_SCORE_LABEL,
    HUD_BOX_SCORE,
    HUD_BOX_LEVEL_LABEL,
    HUD_BOX_LEVEL,
    HUD_BOX_LIVES_LABEL,
    HUD_BOX_LAST_LIFE,
    HUD_BOX_MENU,
    HUD_BOX_TROPHIES,
    HUD_BOX_COUNT
};
extern const HudTextBox HUD_TEXT_BOXES[HUD_BOX_COUNT];

// How long the hammer panel shakes after a press on a hammer that is not ready.
constexpr float HAMMER_SHAKE_MS = 450.0f;
// The panel's sideways offset for the shake's remaining time (0 when still).
float hammerShakeOffset(float remainingMs);

extern HudState hud;

void resetHud();

// Opens the tip panel of a text key pointing at (x, y) unless one is open; the one-time tips
// show once per profile and "nomoves" once per level. Every tip has a button; all but "nomoves"
// an arrow.
void showTip(const char* key, float x, float y, float delayMs = 0.0f, bool needsButton = true, int arrow = 1);
void closeTip();
// Per frame: closes the panel when a dialog opens, the level ends or the game pauses; counts the
// delay down.
void updateTipPanel();
// The tip panel's button rectangle (centred coordinates).
Rect tipButtonRect();
// A click while a tip is open: only its button (once the panel has shown for 250 ms) closes it.
void tipPanelClick(Vec2 p);

// HUD slide per frame.
void updateHudSlide();
// The trophy trip per frame: at 500 ms the shutter closes, at 1500 ms the trophy room opens.
// Returns true in the frame in which the game leaves for the trophy room.
bool updateTrophyTrip(bool trophyWaiting);
// The hover pulse of the two text buttons.
void updateHudButtons(Vec2 cursor);

// Hit tests of the HUD's buttons (centred coordinates).
bool overMenuButton(Vec2 p);
bool overTrophiesButton(Vec2 p);
bool overHammerButton(Vec2 p);

// Pause overlay pulse at a pause clock: (a, p) of the overlay.
float pausePulse(float pauseClockMs);
// The "keytoresume" prompt waits for the player's key, so it is always readable: its pulse (0..1)
// only moves its opacity between PROMPT_LEAST_OPACITY and full. Returns the alpha (0..255).
constexpr float PROMPT_LEAST_OPACITY = 0.6f;
int promptAlpha(float pulse);

// Drawing: the left panel with its texts, hearts and the hammer panel; the bonus number of a won
// level; the pause overlay; the tip panel.
void drawHud();
void drawBonusNumber();
void drawPauseOverlay();
void drawTipPanel();
// Loads the HUD's, candle's and shutter's pictures (missing ones are drawn as nothing) and the font.
void loadHudPictures();
// The font (required) and the shutter's picture: what every screen draws with.
void loadFontAndShutter();
// Releases the HUD's and candle's pictures (the font and the shutter's picture stay).
void releaseHudPictures();
