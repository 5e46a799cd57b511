#pragma once
// Floating messages drawn over the game with the current font, each on its own timers in
// milliseconds advanced by the frame time:
// - the status message: one line that rises in near the bottom edge, pulses and sinks away;
// - pop-up texts (a ring of 16): short texts that grow in, pulse and shrink away;
// - flying letters (a ring of 256): a word whose letters appear one after another, zoom in,
//   wobble and fade.
// And the pointer position in the centred 800 x 600 screen space that every hit test uses.
// All state is in `messages`, which tests read and reset.
#include "core/math.h"

#include <cstdint>

constexpr int STATUS_TEXT_UNITS = 130;
constexpr int POPUP_TEXT_UNITS = 128;
constexpr int POPUP_SLOTS = 16;
constexpr int FLYING_LETTER_SLOTS = 256;
constexpr float STATUS_MESSAGE_MS = 1400.0f;
constexpr float STATUS_MESSAGE_WIDTH = 760.0f;  // wider messages are wrapped to this width
constexpr float POPUP_LIFE = 2000.0f;
constexpr float FLYING_LETTER_DELAY_MS = 40.0f;

struct StatusMessage {
    char16_t text[STATUS_TEXT_UNITS];
    float timer;  // 0 when nothing is shown; 1400 at the start
};

struct PopupText {
    char16_t text[POPUP_TEXT_UNITS];
    float width;  // measureText of the text at its scale
    float scale;
    float life;   // 2000 at the start, counts down; -1 marks a free slot
    float x, y;   // centre of the text
    float rate;   // life units per millisecond (2000 / duration)
};

struct FlyingLetter {
    uint16_t code;
    float x, y;      // centre of the letter
    float scale;
    float duration;  // length of the visible life
    float timer;     // counts down; idle while <= 0
};

struct MessagesState {
    StatusMessage status;
    PopupText popups[POPUP_SLOTS];
    int nextPopup;
    FlyingLetter letters[FLYING_LETTER_SLOTS];
    int nextLetter;
};

extern MessagesState messages;

// No message, every pop-up slot free, no letters.
void resetMessages();

// Shows a status message (cut to 129 units). A message already running keeps its timer and only
// changes its text. A null text shows nothing.
void showStatusMessage(const char16_t* text);
// The status message of the text looked up by an 8-bit key; a key the text tables lack shows the
// key itself, so that the missing text is visible.
void showStatusMessage(const char* textKey);
// Advances and draws the status message (once per frame; nothing without a font).
void drawStatusMessage();

// A pop-up text centred at (x, y) that lasts duration ms: nothing when duration <= 0, else the
// next slot of the ring (the oldest is overwritten when all 16 are busy). Texts are cut to 127
// units.
void addPopupText(const char16_t* text, float x, float y, float scale, float durationMs);
// The same for an 8-bit Windows-1251 text.
void addPopupText(const char* text, float x, float y, float scale, float durationMs);
// Advances and draws every pop-up text (once per frame), then resets the text colour to white.
void drawPopupTexts();

// Lays a word out centred on x, one letter per slot of the letter ring; letter i shows i x 40 ms
// after the first. Nothing when duration <= 0.
void spawnFlyingLetters(const char16_t* text, float x, float y, float scale, float durationMs);
// Advances and draws every letter (once per frame).
void drawFlyingLetters();
// Empties the letter ring.
void clearFlyingLetters();
// Ends the status message, every pop-up text and every letter at once.
void clearFloatingTexts();

// The pointer (the last mouse position the window reported, in client pixels) in the centred
// screen space: x from -400 (left) to 400, y from 300 (top) to -300.
Vec2 pointerToScreen();
// A client-area position (clientWidth x clientHeight pixels) in the centred screen space.
Vec2 clientToScreen(float clientX, float clientY, int clientWidth, int clientHeight);
// A position in a window of any size, where the 800 x 600 picture is letterboxed (scaled to fit
// and centred), in the centred screen space.
Vec2 windowToScreen(int windowX, int windowY, int windowWidth, int windowHeight);
