// Floating messages (status message, pop-up texts, flying letters) and the pointer position.
#include "ui/messages.h"

#include "core/appstate.h"
#include "graphics/draw.h"
#include "platform/os/os.h"
#include "resources/texts.h"
#include "ui/font.h"

#include <cmath>

MessagesState messages;

namespace {

constexpr float PI = 3.14159265358979f;

void copyText(char16_t* out, int capacity, const char16_t* text)
{
    int i = 0;
    while (text[i] && i < capacity - 1) {
        out[i] = text[i];
        ++i;
    }
    out[i] = 0;
}

// 0.5 + 0.5 sin at f hertz on the program clock.
float osc(float f) { return std::sin(2.0f * PI * f * app.globalTimeMs / 1000.0f) * 0.5f + 0.5f; }

int truncAlpha(float v) { return v < 255.0f ? static_cast<int>(v) : 255; }

}  // namespace

void resetMessages()
{
    messages.status.text[0] = 0;
    messages.status.timer = 0.0f;
    for (PopupText& p : messages.popups) p = PopupText{{}, 0.0f, 0.0f, -1.0f, 0.0f, 0.0f, 0.0f};
    messages.nextPopup = 0;
    clearFlyingLetters();
}

void showStatusMessage(const char16_t* text)
{
    if (!text) return;
    copyText(messages.status.text, STATUS_TEXT_UNITS, text);
    if (messages.status.timer <= 0.0f) messages.status.timer = STATUS_MESSAGE_MS;
}

void showStatusMessage(const char* textKey)
{
    if (!textKey) return;
    const char16_t* value = text(textKey);
    showStatusMessage(value ? value : convertAnsi(textKey));
}

void drawStatusMessage()
{
    StatusMessage& m = messages.status;
    if (!currentFont() || m.timer <= 0.0f) return;
    float dt = app.frameMs;
    m.timer -= (m.timer >= 500.0f && m.timer <= 1000.0f) ? dt * 0.3f : dt;
    float t = m.timer;
    int alpha = static_cast<int>(std::sin(t * PI / 1500.0f) * 127.0f + 127.0f);
    setTextColour(255, 255, 255, alpha);
    float y = -270.0f;
    float scale = 24.9f;
    if (t > 1000.0f) {
        y = -270.0f - (t - 1000.0f) * 0.1f;
        scale = (std::sin(t * PI / 1500.0f) * 12.0f + 6.0f) * 1.5f;
    } else if (t >= 500.0f) {
        scale = 24.9f + std::sin((t - 500.0f) * 2.0f * PI / 125.0f);
    } else {
        y = -270.0f - (500.0f - t) * 0.1f;
    }
    // A message wider than the screen is wrapped, its lines going up from the bottom line so
    // that none leaves the screen.
    float height = wrapText(STATUS_MESSAGE_WIDTH, m.text, scale);
    float extra = height - TEXT_LINE_STEP * scale;
    drawTextCentred(0.0f, y + (extra > 0.0f ? extra : 0.0f), scale, wrappedText());
}

void addPopupText(const char16_t* text, float x, float y, float scale, float durationMs)
{
    if (!text || !(durationMs > 0.0f)) return;
    PopupText& p = messages.popups[messages.nextPopup];
    copyText(p.text, POPUP_TEXT_UNITS, text);
    p.x = x;
    p.y = y;
    p.scale = scale;
    p.width = measureText(p.text, scale);
    p.life = POPUP_LIFE;
    p.rate = POPUP_LIFE / durationMs;
    messages.nextPopup = (messages.nextPopup + 1) % POPUP_SLOTS;
}

void addPopupText(const char* text, float x, float y, float scale, float durationMs)
{
    if (!text) return;
    addPopupText(convertAnsi(text), x, y, scale, durationMs);
}

void drawPopupTexts()
{
    bool font = currentFont() != nullptr;
    float dt = app.frameMs;
    for (PopupText& p : messages.popups) {
        if (!(p.life > 0.0f)) continue;
        if (font) {
            int g = static_cast<int>(230.0f + 25.0f * osc(3.0f));
            int b = static_cast<int>(100.0f + 155.0f * osc(4.0f));
            int alpha = 255;
            float scale;
            if (p.life > 1400.0f) {
                float k = (POPUP_LIFE - p.life) / 600.0f;
                alpha = truncAlpha((POPUP_LIFE - p.life) * 256.0f / 600.0f);
                scale = k * p.scale;
            } else if (p.life > 600.0f) {
                float k = (p.life - 600.0f) / 800.0f;
                scale = (std::sin(k * 3.0f * PI) * 0.1f + 1.0f) * p.scale;
            } else {
                float k = p.life / 600.0f;
                alpha = truncAlpha(p.life * 256.0f / 600.0f);
                scale = k * p.scale;
            }
            setTextColour(255, g, b, alpha);
            drawTextCentred(p.x, p.y, scale, p.text);
        }
        p.life -= dt * p.rate;
    }
    setTextColour(255, 255, 255, 255);
}

void spawnFlyingLetters(const char16_t* text, float x, float y, float s, float durationMs)
{
    if (!text || !(durationMs > 0.0f)) return;
    const BitmapFont* f = currentFont();
    float o = -measureText(text, s) / 2.0f;
    for (int i = 0; text[i]; ++i) {
        char16_t u = text[i];
        float adv = f ? f->advance[u] : 0.0f;
        if (i > 0) o += s * adv / 2.0f;
        FlyingLetter& l = messages.letters[messages.nextLetter];
        l.code = u;
        l.x = x + o;
        l.y = y;
        l.scale = s;
        l.duration = durationMs;
        l.timer = static_cast<float>(i) * FLYING_LETTER_DELAY_MS + durationMs;
        messages.nextLetter = (messages.nextLetter + 1) % FLYING_LETTER_SLOTS;
        o += s * adv / 2.0f;
    }
}

void drawFlyingLetters()
{
    const BitmapFont* f = currentFont();
    if (f) bindFontTexture();
    float dt = app.frameMs;
    for (FlyingLetter& l : messages.letters) {
        if (!(l.timer > 0.0f)) continue;
        float d = l.duration / 6.0f;
        if (f && l.timer <= 6.0f * d) {
            float alpha, k, lift = 0.0f;
            if (l.timer >= 5.0f * d) {
                float fr = (6.0f * d - l.timer) / d;
                alpha = fr * 255.0f;
                k = 2.0f - fr;
            } else if (l.timer <= 1.5f * d) {
                float fr = l.timer / (1.5f * d);
                alpha = fr * 255.0f;
                k = fr;
            } else {
                float theta = (l.timer - 1.5f * d) / (3.5f * d) * 3.0f * PI;
                alpha = 255.0f;
                k = 1.0f + 0.08f * std::sin(theta);
                lift = 2.0f * std::sin(2.0f * theta);
            }
            k = k * k;
            uint32_t colour = modulateColor(Color(255, 255, 255, static_cast<int>(alpha))).asWord();
            drawGlyph(*f, l.code, l.x * k, l.y + lift, k * l.scale, colour);
        }
        l.timer -= dt;
    }
}

void clearFlyingLetters()
{
    for (FlyingLetter& l : messages.letters) l = FlyingLetter{0, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    messages.nextLetter = 0;
}

void clearFloatingTexts()
{
    messages.status.timer = 0.0f;
    for (PopupText& p : messages.popups) p.life = -1.0f;
    clearFlyingLetters();
}

Vec2 clientToScreen(float clientX, float clientY, int clientWidth, int clientHeight)
{
    if (clientWidth <= 0 || clientHeight <= 0) {
        clientWidth = 800;
        clientHeight = 600;
    }
    return {clientX * 800.0f / static_cast<float>(clientWidth) - 400.0f,
            300.0f - clientY * 600.0f / static_cast<float>(clientHeight)};
}

Vec2 pointerToScreen()
{
    int w = 0, h = 0;
    osClientSize(&w, &h);
    return clientToScreen(static_cast<float>(app.mouseX), static_cast<float>(app.mouseY), w, h);
}

Vec2 windowToScreen(int windowX, int windowY, int windowWidth, int windowHeight)
{
    int cx = 0, cy = 0;
    osWindowToClient(windowX, windowY, windowWidth, windowHeight, &cx, &cy);
    int w = 0, h = 0;
    osClientSize(&w, &h);
    return clientToScreen(static_cast<float>(cx), static_cast<float>(cy), w, h);
}
