#include "game/hud.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/appstate.h"
#include "core/dialogport.h"
#include "core/requestlog.h"
#include "audio/audio.h"
#include "effects/flare.h"
#include "game/board.h"
#include "game/boardstep.h"
#include "game/gameflow.h"
#include "game/hudtext.h"
#include "game/limits.h"
#include "game/playstate.h"
#include "graphics/draw.h"
#include "graphics/textures.h"
#include "persist/profile.h"
#include "resources/files.h"
#include "ui/font.h"

HudState hud;

// The bar's picture (tools/datagen gen_board_pieces.cpp) has the score plaque at x 10..106,
// y 34..60, the level plaque at 24..92 / 112..148, the lives plaque at 8..108 / 206..234 and the
// menu plaque at 14..102 / 272..299 (pixels from its top left corner, the screen's too); the
// boxes keep 4 units off each plaque's ends.
const HudTextBox HUD_TEXT_BOXES[HUD_BOX_COUNT] = {
    {"score", -340.0f, 280.0f, 12.0f, 104.0f, 24.0f},
    {"", -342.0f, 253.0f, 12.0f, 88.0f, 26.0f},
    {"level", -340.0f, 200.0f, 12.0f, 104.0f, 24.0f},
    {"", -342.0f, 170.0f, 15.0f, 60.0f, 36.0f},
    {"lives", -340.0f, 114.0f, 11.0f, 104.0f, 22.0f},
    {"lastlife", -342.0f, 80.0f, 10.0f, 92.0f, 28.0f},
    {"menu", -342.0f, 15.0f, 12.5f, 80.0f, 27.0f},
    {"trophies", -342.0f, -193.0f, 10.0f, 90.0f, 16.0f},
};

namespace {

constexpr float PI = 3.14159265358979f;

const Color WHITE(255, 255, 255, 255);
const Color YELLOW(255, 230, 60, 255);
const Color GREEN(90, 230, 90, 255);

// Button places (text centres) and hit boxes.
constexpr float MENU_X = -342.0f, MENU_Y = 15.0f;
// The trophy button sits on the bar's foot below the hammer panel: the cup, its label under it.
constexpr float TROPHIES_X = -342.0f, TROPHIES_Y = -193.0f;
constexpr float TROPHY_PICTURE_Y = -165.0f;
constexpr float TROPHY_PICTURE_SIZE = 34.0f;
constexpr float TROPHIES_TEXT_SIZE = 10.0f;

bool inside(Vec2 p, float x0, float y0, float x1, float y1)
{
    return p.x >= x0 && p.x <= x1 && p.y >= y0 && p.y <= y1;
}

void drawPicture(const char* name, float x, float y, float w, float h, Color colour)
{
    Texture* t = findTexture(name);
    if (!t) return;
    setTexture(t);
    drawQuadCentered(x, y, w, h, Rect{0.0f, 0.0f, 1.0f, 1.0f}, colour);
}

// The left bar (down to its foot) and the candle on the right: a tip panel keeps off them when
// the screen leaves room beside them, which it always does sideways.
constexpr float BAR_RIGHT = -282.0f, BAR_BOTTOM = -210.0f;
constexpr float CANDLE_LEFT = 272.0f, CANDLE_TOP = -30.0f;

Vec2 tipPanelCentre()
{
    float x = hud.tip.pos.x;
    float h = hud.tip.height > 0.0f ? hud.tip.height : TIP_PANEL_HEIGHT;
    float y = hud.tip.pos.y + 40.0f + h / 2.0f;
    if (y > 300.0f - h / 2.0f - 10.0f) y = hud.tip.pos.y - 40.0f - h / 2.0f;
    if (y < -300.0f + h / 2.0f + 10.0f) y = -300.0f + h / 2.0f + 10.0f;
    float halfW = TIP_PANEL_WIDTH / 2.0f;
    float maxX = 400.0f - halfW - 10.0f;
    if (x > maxX) x = maxX;
    if (x < -maxX) x = -maxX;
    float top = y + h / 2.0f;
    float bottom = y - h / 2.0f;
    if (x - halfW < BAR_RIGHT && bottom < 300.0f && top > BAR_BOTTOM) x = BAR_RIGHT + halfW + 6.0f;
    if (x + halfW > CANDLE_LEFT && bottom < CANDLE_TOP) x = CANDLE_LEFT - halfW - 6.0f;
    return Vec2{x, y};
}

void stepButton(HudButton& b, float low, bool hot)
{
    float high = low + 1.0f;
    if (!hot) {
        b.size = low;
        b.rising = 1;
        return;
    }
    if (b.size < low) b.size = low;
    float d = 0.003f * app.frameMs;
    if (b.rising) {
        b.size += d;
        if (b.size >= high) {
            b.size = high;
            b.rising = 0;
        }
    } else {
        b.size -= d;
        if (b.size <= low) {
            b.size = low;
            b.rising = 1;
        }
    }
}

} // namespace

void resetHud()
{
    hud = HudState{};
    hud.menuButton = HudButton{12.5f, 1};
    hud.trophiesButton = HudButton{TROPHIES_TEXT_SIZE, 1};
}

void showTip(const char* key, float x, float y, float delayMs, bool needsButton, int arrow)
{
    if (!key || play.tipOpen) return;
    int flag = tipFlagIndex(key);
    bool noMoves = std::strcmp(key, "nomoves") == 0;
    if (flag >= 0) {
        if (!tipWanted(flag)) return;
        playSound("TipShow.ogg");
        // "welcome" keeps its flag: the board clears it once the hint was shown.
        if (flag != TipWelcome) markTipShown(flag);
    } else if (noMoves) {
        if (play.noMovesTipShown) return;
        playSound("TipShow.ogg");
        playSound("NoMoreMove.ogg");
        play.noMovesTipShown = 1;
    }
    // Recorded too, so the rules that ask for tips can be checked.
    recordRequest("showTip", key, 1, noMoves ? 0 : 1, x, y);
    (void)needsButton;
    (void)arrow;
    play.tipOpen = 1;
    TipPanel& t = hud.tip;
    std::snprintf(t.key, sizeof t.key, "%s", key);
    t.pos = Vec2{x, y};
    t.tipDelayMs = delayMs;
    t.needsButton = 1;  // every panel of the game closes by its button
    t.arrow = noMoves ? 0 : 1;
    // The panel grows with its wrapped text (a line is 1.8 times the text size).
    char16_t text[512];
    keyText(key, text, 512);
    float h = wrapText(TIP_PANEL_WIDTH - 30.0f, text, TIP_TEXT_SIZE) + 70.0f;
    t.height = h < TIP_PANEL_HEIGHT ? TIP_PANEL_HEIGHT : h > TIP_PANEL_MAX_HEIGHT ? TIP_PANEL_MAX_HEIGHT : h;
}

void closeTip()
{
    play.tipOpen = 0;
    hud.tip.key[0] = 0;
}

void updateTipPanel()
{
    if (!play.tipOpen) return;
    if (dialogPort.open || play.levelWon || play.levelLost || play.paused) {
        closeTip();
        return;
    }
    hud.tip.tipDelayMs -= app.frameMs;
}

Rect tipButtonRect()
{
    Vec2 c = tipPanelCentre();
    float bottom = c.y - hud.tip.height / 2.0f;
    Rect r;
    r.set(c.x - 45.0f, bottom + 40.0f, c.x + 45.0f, bottom + 14.0f);
    return r;
}

void tipPanelClick(Vec2 p)
{
    if (!play.tipOpen || hud.tip.tipDelayMs >= -250.0f) return;
    Rect r = tipButtonRect();
    if (inside(p, r.left, r.bottom, r.right, r.top)) {
        playSound("ButtonClick.ogg");
        closeTip();
    }
}

void updateHudSlide()
{
    float d = HUD_SLIDE_RATE * app.frameMs;
    auto fall = [d](float& v) { v = v - d < HUD_SLIDE_MIN ? HUD_SLIDE_MIN : v - d; };
    auto rise = [d](float& v) { v = v + d > 0.0f ? 0.0f : v + d; };
    if (play.levelWon) {
        if (play.completeClockMs > 5000.0f) fall(play.rightSlide);
        fall(play.leftSlide);
    }
    if (play.paused || play.levelLost) {
        fall(play.leftSlide);
        fall(play.rightSlide);
    }
    if (!play.paused && !play.levelWon && !play.levelLost) {
        rise(play.leftSlide);
        rise(play.rightSlide);
    }
}

bool updateTrophyTrip(bool trophyWaiting)
{
    bool atRest = isIdle() && board.idleTimerMs < 0.0f;
    bool inTime = !play.levelWon || play.completeClockMs <= 1000.0f;
    if (!atRest || !inTime) return false;
    if (!trophyWaiting && !play.trophyTrip) {
        play.trophyTripMs = 0.0f;
        return false;
    }
    float t = play.trophyTripMs;
    play.trophyTripMs += app.frameMs;
    if (t < 500.0f && play.trophyTripMs >= 500.0f) {
        play.paused = 1;
        play.pauseClockMs = 0.0f;
        closeShutter(1000.0f, play.trophyTrip ? "" : "gettrophy");
    }
    if (t < 1500.0f && play.trophyTripMs >= 1500.0f) {
        playSound("GetTrophy.ogg");
        play.trophyTrip = 0;
        play.paused = 0;
        play.trophyTripMs = 0.0f;
        return true;
    }
    return false;
}

void updateHudButtons(Vec2 cursor)
{
    bool active = play.limitRunning && !dialogPort.open && !play.tipOpen;
    stepButton(hud.menuButton, 12.5f, active && overMenuButton(cursor));
    stepButton(hud.trophiesButton, TROPHIES_TEXT_SIZE, active && overTrophiesButton(cursor));
}

bool overMenuButton(Vec2 p)
{
    return inside(p, MENU_X - 40.0f, MENU_Y - 14.0f, MENU_X + 40.0f, MENU_Y + 14.0f);
}

bool overTrophiesButton(Vec2 p)
{
    return inside(p, TROPHIES_X - 40.0f, TROPHIES_Y - 12.0f, TROPHIES_X + 40.0f, TROPHY_PICTURE_Y + TROPHY_PICTURE_SIZE / 2.0f);
}

bool overHammerButton(Vec2 p)
{
    return inside(p, -378.0f, -136.0f, -314.0f, -2.0f);
}

float hammerShakeOffset(float remainingMs)
{
    if (remainingMs <= 0.0f) return 0.0f;
    float left = remainingMs > HAMMER_SHAKE_MS ? 1.0f : remainingMs / HAMMER_SHAKE_MS;
    return 4.0f * left * std::sin((HAMMER_SHAKE_MS - remainingMs) * 0.06f);
}

int promptAlpha(float pulse)
{
    if (pulse < 0.0f) pulse = 0.0f;
    if (pulse > 1.0f) pulse = 1.0f;
    return static_cast<int>(255.0f * (PROMPT_LEAST_OPACITY + (1.0f - PROMPT_LEAST_OPACITY) * pulse));
}

float pausePulse(float pauseClockMs)
{
    float a = (std::cos(0.0003f * pauseClockMs - 0.9424779f) + 1.0f) / 2.0f;
    return a > 0.7f ? (a - 0.7f) / 0.3f : 0.0f;
}

namespace {

// Draws a wrapped text centred line by line from y downwards, and notes its key in the HUD's
// text list.
void drawWrappedTipText(const char* key, const char16_t* wrapped, float x, float y)
{
    char16_t line[256];
    int n = 0;
    float lineY = y;
    for (int i = 0;; i++) {
        char16_t ch = wrapped[i];
        if (ch == u'\r') continue;
        if (ch == u'\n' || ch == 0) {
            line[n] = 0;
            if (currentFont()) {
                drawTextShadowed(x, lineY, TIP_TEXT_SIZE, line, true, WHITE, Color(0, 0, 0, 190), 2.0f, 1.0f, -1.0f);
            }
            lineY -= 1.8f * TIP_TEXT_SIZE;
            n = 0;
            if (ch == 0) break;
            continue;
        }
        if (n < 255) line[n++] = ch;
    }
    noteHudText(key, x, y, TIP_TEXT_SIZE, WHITE, true);
}

void drawHearts(float ls)
{
    float px = -392.0f + ls;
    float py = 81.0f;
    int lives = profileLives();
    float grow = 0.0f;
    if (play.lifeGained && play.lifeGainedMs < 2400.0f) grow = 2.0f * std::sin(play.lifeGainedMs * PI / 200.0f);
    float size = 24.0f + 2.0f * grow;
    if (lives <= 0) {
        const HudTextBox& b = HUD_TEXT_BOXES[HUD_BOX_LAST_LIFE];
        hudTextInBox(b.key, b.x + ls, b.y, b.size, b.width, b.height, WHITE);
    } else if (lives <= 3) {
        for (int i = 0; i < lives; i++) drawPicture("heart.tga", px + 26.0f * static_cast<float>(i + 1), py, size, size, WHITE);
    } else {
        drawPicture("heart.tga", px + 36.0f, py, size, size, WHITE);
        char buf[16];
        std::snprintf(buf, sizeof buf, "x%i", lives);
        hudLiteral(buf, px + 66.0f, py - 12.0f, 11.0f, GREEN, false);
    }
}

// The hammer panel in its three states, each unmistakable at a glance:
// - charging: the meter fills from the bottom in a dull, dimmed amber with a spark at its level;
//   the frame stays dark;
// - ready: the well shines at full brightness, the hammer, handle and frame glow in turn and the
//   frame burns gold, breathing slowly;
// - armed (the hammer is in the player's hand, the pointer shows it): the well is empty and the
//   frame burns red, pulsing quickly, until the hammer is used or put back.
void drawHammerPanel(float ls)
{
    hud.hammerClockMs += app.frameMs;
    float shake = 0.0f;
    if (hud.hammerShakeMs > 0.0f) {
        shake = hammerShakeOffset(hud.hammerShakeMs);
        hud.hammerShakeMs -= app.frameMs;
        if (hud.hammerShakeMs < 0.0f) hud.hammerShakeMs = 0.0f;
    }
    float x0 = -378.0f + ls + shake;
    float y0 = -136.0f;
    float cx = x0 + 32.0f;
    float cy = y0 + 64.0f;
    bool armed = board.hammerArmed != 0;
    bool ready = !armed && board.hammerShown >= board.hammerFull;
    Texture* flare = findTexture("flare.jpg");
    drawPicture("hammer.texture1.tga", cx, cy, 64.0f, 128.0f, WHITE);
    float shown = board.hammerShown;
    if (shown < 0.0f) shown = 0.0f;
    if (shown > 1.0f) shown = 1.0f;
    if (!armed) {
        Texture* fill = findTexture("hammer.texture2.tga");
        if (fill && shown > 0.0f) {
            setTexture(fill);
            float h = 128.0f * shown;
            // Charging: dimmed, so that a nearly full meter never passes for a ready hammer.
            Color tint = ready ? WHITE : Color(125, 105, 92, 255);
            drawQuadCentered(cx, y0 + h / 2.0f, 64.0f, h, Rect{0.0f, 1.0f - shown, 1.0f, 1.0f}, tint);
        }
    }
    if (!ready && !armed) {
        if (flare) {
            float size = 100.0f + 50.0f * std::sin(0.005f * board.boardClockMs);
            setBlendMode(1);
            setTexture(flare);
            drawQuadCentered(cx, y0 + 128.0f * shown, size * 0.5f, size * 0.25f, Rect{0.0f, 0.0f, 1.0f, 1.0f},
                             Color(255, 220, 60, 255));
            setBlendMode(0);
        }
    } else if (ready) {
        hud.hammerGlowClockMs += app.frameMs * (0.5f + randomUpTo(0.5f));
        static const char* const lum[3] = {"hammer.texturelum1.jpg", "hammer.texturelum2.jpg", "hammer.texturelum3.jpg"};
        setBlendMode(1);
        for (int i = 0; i < 3; i++) {
            float b = 0.5f + 0.5f * std::sin(0.005f * hud.hammerGlowClockMs + 2.0f * PI * static_cast<float>(i) / 3.0f);
            int g = static_cast<int>(b * 255.0f);
            drawPicture(lum[i], cx, cy, 64.0f, 128.0f, Color(g, g, g, 255));
        }
        // And the frame burns gold, breathing slowly.
        float breath = 0.75f + 0.25f * std::sin(0.004f * hud.hammerClockMs);
        int a = static_cast<int>(255.0f * breath);
        drawPicture("hammer.texturelum3.jpg", cx, cy, 64.0f, 128.0f, Color(a, a * 4 / 5, a / 3, 255));
        setBlendMode(0);
    } else {
        // Armed: the frame's glow in red, twice, pulsing fast.
        float p = 0.6f + 0.4f * std::sin(0.012f * hud.hammerClockMs);
        int r = static_cast<int>(255.0f * p);
        setBlendMode(1);
        for (int i = 0; i < 2; i++) drawPicture("hammer.texturelum3.jpg", cx, cy, 64.0f, 128.0f, Color(r, r / 5, r / 10, 255));
        setBlendMode(0);
    }
}

} // namespace

void drawHud()
{
    float ls = play.leftSlide;
    Texture* bar = findTexture("_a_gamebar.jpg");
    if (bar) {
        setTexture(bar);
        drawPixelRect(ls, 0.0f, ls + 127.0f, 511.0f, 0.0f, 0.0f, 1.0f, 1.0f, WHITE);
    }
    auto boxed = [ls](HudBox which, float size, Color colour) {
        const HudTextBox& b = HUD_TEXT_BOXES[which];
        hudTextInBox(b.key, b.x + ls, b.y, size, b.width, b.height, colour);
    };
    auto number = [ls](HudBox which, const char* value) {
        const HudTextBox& b = HUD_TEXT_BOXES[which];
        hudLiteralInBox(value, b.x + ls, b.y, b.size, b.width, b.height, YELLOW);
    };
    char buf[24];
    boxed(HUD_BOX_SCORE_LABEL, 12.0f, WHITE);
    std::snprintf(buf, sizeof buf, "%i", play.bankedScore + play.shownLevelScore);
    number(HUD_BOX_SCORE, buf);
    boxed(HUD_BOX_LEVEL_LABEL, 12.0f, WHITE);
    std::snprintf(buf, sizeof buf, "%i", play.levelIndex + 1);
    number(HUD_BOX_LEVEL, buf);
    boxed(HUD_BOX_LIVES_LABEL, 11.0f, WHITE);
    drawHearts(ls);
    bool menuHot = hud.menuButton.size > 12.5f;
    bool trophiesHot = hud.trophiesButton.size > TROPHIES_TEXT_SIZE;
    boxed(HUD_BOX_MENU, hud.menuButton.size, menuHot ? YELLOW : WHITE);
    drawPicture("trophybutton.tga", TROPHIES_X + ls, TROPHY_PICTURE_Y, TROPHY_PICTURE_SIZE, TROPHY_PICTURE_SIZE, WHITE);
    boxed(HUD_BOX_TROPHIES, hud.trophiesButton.size, trophiesHot ? YELLOW : WHITE);
    drawHammerPanel(ls);
}

void drawBonusNumber()
{
    if (!play.levelWon || play.gameMode == ModeTimeless || play.endBonus <= 0) return;
    float t = play.completeClockMs;
    if (t < 500.0f || t > 5500.0f) return;
    int value = static_cast<int>(static_cast<float>(play.endBonus) * (t - 500.0f) / 3000.0f);
    if (value > play.endBonus) value = play.endBonus;
    float size = 30.0f;
    int alpha = 255;
    if (t > 4500.0f) {
        float k = (5500.0f - t) / 1000.0f;
        size = 30.0f * k;
        alpha = static_cast<int>(255.0f * k);
    }
    char buf[24];
    std::snprintf(buf, sizeof buf, "%i", value);
    hudLiteral(buf, 0.0f, -180.0f, size, Color(255, 255, 255, alpha), true);
}

void drawPauseOverlay()
{
    if (play.paused && play.trophyTripMs <= 0.0f) {
        float p = pausePulse(play.pauseClockMs);
        if (play.pauseClockMs < 7000.0f) hudText("pause", 0.0f, 0.0f, 21.0f + 4.0f * p * p, WHITE, true);
        hudText("keytoresume", 0.0f, -280.0f, 13.0f + p, Color(255, 255, 255, promptAlpha(p)), true);
    } else if (play.levelAdvance) {
        float a = (std::cos(0.0002f * hud.afterWinPulseMs) + 1.0f) / 2.0f;
        hud.afterWinPulseMs += app.frameMs;
        hudText("keytoresume", 0.0f, -280.0f, 13.0f + a, Color(255, 255, 255, promptAlpha(a)), true);
    }
}

void drawTipPanel()
{
    if (!play.tipOpen || hud.tip.tipDelayMs > 0.0f) return;
    Vec2 c = tipPanelCentre();
    float h = hud.tip.height;
    Rect full{0.0f, 0.0f, 1.0f, 1.0f};
    setTexture(nullptr);
    if (hud.tip.arrow) {
        // A thin pointer from the panel's edge to the place the tip is about.
        float dy = hud.tip.pos.y > c.y ? h / 2.0f : -h / 2.0f;
        Vec2 from{c.x, c.y + dy};
        Vec2 to = hud.tip.pos;
        Vec2 mid{(from.x + to.x) / 2.0f, (from.y + to.y) / 2.0f};
        float len = std::sqrt((to.x - from.x) * (to.x - from.x) + (to.y - from.y) * (to.y - from.y));
        float angle = std::atan2(to.y - from.y, to.x - from.x) * 180.0f / PI;
        drawSprite(mid.x, mid.y, mid.x, mid.y, angle, len, 3.0f, full, Color(255, 220, 90, 220));
    }
    drawQuadCentered(c.x, c.y, TIP_PANEL_WIDTH + 4.0f, h + 4.0f, full, Color(200, 160, 70, 230));
    drawQuadCentered(c.x, c.y, TIP_PANEL_WIDTH, h, full, Color(24, 22, 40, 235));
    Rect r = tipButtonRect();
    bool ready = hud.tip.tipDelayMs < -250.0f;
    drawQuadCentered((r.left + r.right) / 2.0f, (r.top + r.bottom) / 2.0f, r.right - r.left, r.top - r.bottom, full,
                     ready ? Color(150, 100, 40, 255) : Color(80, 60, 40, 255));
    // The wrapped text, line by line from the top (the text layer keeps the record of the key).
    char16_t text[512];
    keyText(hud.tip.key, text, 512);
    float top = c.y + h / 2.0f - 22.0f;
    wrapText(TIP_PANEL_WIDTH - 30.0f, text, TIP_TEXT_SIZE);
    drawWrappedTipText(hud.tip.key, wrappedText(), c.x, top);
    hudText("ok", (r.left + r.right) / 2.0f, (r.top + r.bottom) / 2.0f, 11.0f, WHITE, true);
}

namespace {

// The HUD's and candle's pictures: shown only on the game screen (and some on the help pages).
const char* const HUD_JPEG_ALPHA[] = {"_a_gamebar.jpg", "_a_candlestick.jpg", "_a_candle.jpg"};
const char* const HUD_PLAIN[] = {"candlefire.tga", "candlepool.tga", "drop1.tga", "drop2.tga", "drop3.tga",
                                 "drop4.tga", "heart.tga", "trophybutton.tga", "hammer.texture1.tga",
                                 "hammer.texture2.tga", "hammer.texturelum1.jpg", "hammer.texturelum2.jpg",
                                 "hammer.texturelum3.jpg", "flare.jpg"};
// The screen-transition shutter's picture, drawn on every screen.
const char* const SHUTTER_PICTURE = "_a_gag.jpg";

}  // namespace

void loadFontAndShutter()
{
    // The font is required: a missing picture or metrics file ends the load with the file and
    // texture layers' message box.
    if (!currentFont()) loadFont("font", 1.0f, 1.0f);
    selectFont(0);
    if (!findTexture(SHUTTER_PICTURE)) loadJpegAlpha(SHUTTER_PICTURE, false);
}

void loadHudPictures()
{
    loadFontAndShutter();
    for (const char* n : HUD_JPEG_ALPHA) {
        if (!findTexture(n)) loadJpegAlpha(n, false);
    }
    for (const char* n : HUD_PLAIN) {
        if (!findTexture(n)) loadTextureEx(n, false, false);
    }
}

void releaseHudPictures()
{
    for (const char* n : HUD_JPEG_ALPHA) releaseTextureByName(n);
    for (const char* n : HUD_PLAIN) releaseTextureByName(n);
}
