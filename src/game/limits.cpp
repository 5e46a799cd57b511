#include "game/limits.h"

#include <cmath>
#include <cstdio>

#include "core/appstate.h"
#include "core/dialogport.h"
#include "audio/audio.h"
#include "effects/effects.h"
#include "effects/flare.h"
#include "game/board.h"
#include "game/boardstep.h"
#include "game/hudtext.h"
#include "game/level.h"
#include "game/playstate.h"
#include "game/scoring.h"
#include "graphics/draw.h"
#include "graphics/textures.h"

CandleState candle;

namespace {

constexpr float PI = 3.14159265358979f;

bool adventure() { return play.gameMode == ModeAdventure; }
bool puzzle() { return play.gameMode == ModePuzzle; }

void waitAllDrops()
{
    for (WaxDrop& d : candle.drops) d = WaxDrop{Vec2{}, Vec2{}, Vec2{16.0f, 64.0f}, 0.0f, 0, 1};
}

// Releases the waiting drops once the drop timer passes the interval, and moves the others.
void moveWaxDrops()
{
    candle.dropTimerMs += app.frameMs;
    if (candle.dropTimerMs > candle.dropIntervalMs) {
        for (int i = 0; i < WAX_DROP_COUNT; i++) {
            WaxDrop& d = candle.drops[i];
            if (!d.waiting) continue;
            d.pos = Vec2{368.0f + randomUpTo(4.0f * static_cast<float>(i)), candle.flameY};
            d.step = Vec2{};
            d.picture = randomBelow(4);
            d.size = Vec2{16.0f, 64.0f};
            d.alpha = 1.0f;
            d.waiting = 0;
        }
        candle.dropTimerMs = 0.0f;
        candle.dropIntervalMs = 5000.0f + randomUpTo(10000.0f);
    }
    for (WaxDrop& d : candle.drops) {
        if (d.waiting) continue;
        // The random step adds to the motion, so a drop creeps and then runs down.
        d.step.x += randomUpTo(0.02f);
        d.step.y -= randomUpTo(0.02f);
        d.pos.x += d.step.x;
        d.pos.y += d.step.y;
        if (d.pos.y < -208.0f) d.alpha = (d.pos.y + 240.0f) / 32.0f;
        if (d.pos.y < -240.0f || d.pos.y > candle.flameY) d.waiting = 1;
    }
}

bool boardSettledWithSquares()
{
    if (board.idleTimerMs >= 0.0f || !isIdle()) return false;
    for (const auto& row : board.cells) {
        for (const Cell& c : row) {
            if (c.tile > 0) return true;
        }
    }
    return false;
}

} // namespace

void resetCandle()
{
    candle = CandleState{};
    candle.flameY = 480.0f - 224.0f;
    candle.dropIntervalMs = 5000.0f;
    waitAllDrops();
}

float adventureTimeLimitMs(int levelIndex, float rawTime)
{
    if (levelIndex <= 0) return 300000.0f;
    if (levelIndex == 1) return 150000.0f;
    // The formula holds for the 129 levels; a larger index is read as the last.
    if (levelIndex >= LEVEL_COUNT_MAX) levelIndex = LEVEL_COUNT_MAX - 1;
    double n = levelIndex + 1;
    double factor = 110.0 / (32.0 * std::sqrt(n) - 5.5 * n + 0.08 * n * n) + 0.9;
    return static_cast<float>(factor * 1000.0 * clampLevelTime(rawTime));
}

int puzzleMoveLimit(int levelIndex, int rawMoves)
{
    int moves = clampLevelMoves(rawMoves);
    if (levelIndex <= 1) return moves * 2;
    if (levelIndex >= LEVEL_COUNT_MAX) levelIndex = LEVEL_COUNT_MAX - 1;
    double n = levelIndex + 1;
    double factor = 29.0 / (20.0 * std::sqrt(n) - 5.5 * n + 0.3 * n * n) + 1.0;
    return static_cast<int>(moves * factor);
}

float untimedLimitMs(int targetsTotal)
{
    return static_cast<float>(targetsTotal > 0 ? targetsTotal : 0) * UNTIMED_MS_PER_TARGET;
}

void applyLimits()
{
    // Only adventure plays against the time; the other modes keep a time value of 7 s per target
    // (the level statistics read it), and only puzzle counts the moves.
    play.timeLimitMs = adventure() ? adventureTimeLimitMs(play.levelIndex, levelFiles.rawTime)
                                   : untimedLimitMs(board.targetsTotal);
    play.moveLimit = puzzle() ? puzzleMoveLimit(play.levelIndex, levelFiles.rawMoves) : NO_MOVE_LIMIT;
    play.timeUsedMs = 0.0f;
    play.limitClockMs = 0.0f;
    play.movesShown = 0.0f;
    play.warnTickMs = 0.0f;
    play.limitRunning = 1;
    resetCandle();
}

float timeLeftMs()
{
    float left = play.timeLimitMs - play.timeUsedMs;
    return left > 0.0f ? left : 0.0f;
}

float movesLeftShown()
{
    float left = static_cast<float>(play.moveLimit) - play.movesShown;
    return left > 0.0f ? left : 0.0f;
}

void updateLimits()
{
    if (dialogPort.open || play.tipOpen || play.paused || play.levelLost || play.completeClockMs > 5000.0f) return;
    float frameMs = app.frameMs;
    if (adventure()) {
        play.limitRunning = play.timeLimitMs >= play.timeUsedMs ? 1 : 0;
        if (play.shutterMoving) return;
        if (play.levelWon) {
            // A won level has ended: its time stands (the bonus and the burn-down were measured
            // on it), nothing ticks and it cannot be lost any more; only the wax keeps running.
            if (play.limitRunning) moveWaxDrops();
            return;
        }
        play.limitClockMs += frameMs;
        if (play.limitRunning) {
            moveWaxDrops();
            play.timeUsedMs += frameMs;
            if (play.timeLimitMs - WARN_WINDOW_MS < play.timeUsedMs) {
                play.warnTickMs += frameMs;
                float f = (play.timeLimitMs - play.timeUsedMs) / WARN_WINDOW_MS;
                if (f < 0.0f) f = 0.0f;
                if (play.warnTickMs > 300.0f * f + 300.0f) {
                    playSound("TimeOut.ogg");
                    play.warnTickMs = 0.0f;
                }
            }
        } else {
            if (play.limitClockMs > play.timeLimitMs && play.limitClockMs <= play.timeLimitMs + 100.0f + frameMs)
                playSound("DefeatLevel.ogg");
            if (play.limitClockMs > play.timeLimitMs) {
                play.levelLost = 1;
                play.tipOpen = 0;
            }
        }
    } else if (puzzle()) {
        play.limitRunning = play.movesMade < play.moveLimit ? 1 : 0;
        play.limitClockMs += frameMs;
        if (!play.limitRunning) {
            // The last move may still clear the last square: the loss waits until the board has
            // come to rest with a square left (the win sequence runs instead otherwise).
            if (!play.levelWon && boardSettledWithSquares()) {
                play.levelLost = 1;
                play.tipOpen = 0;
            }
            return;
        }
        float d = static_cast<float>(play.movesMade) - play.movesShown;
        if (d > 0.001f) play.movesShown += frameMs * d * 0.005f;
        else play.movesShown = static_cast<float>(play.movesMade);
        moveWaxDrops();
        if (movesLeftShown() < 5.0f) {
            play.warnTickMs += frameMs;
            if (play.warnTickMs > 600.0f) play.warnTickMs = 0.0f;
        }
    }
}

void updateCandleHeight()
{
    float t = play.completeClockMs;
    if (adventure()) {
        float L = play.timeLimitMs;
        float u = play.timeUsedMs;
        if (!play.levelWon) candle.candleBurnt = 1.0f - (L - u) / CANDLE_FULL_MS;
        else if (t < 4000.0f) candle.candleBurnt = (u + t / 4000.0f * (L - u)) / CANDLE_FULL_MS + 1.0f - L / CANDLE_FULL_MS;
        else candle.candleBurnt = 1.0f;
    } else if (puzzle()) {
        float L = static_cast<float>(play.moveLimit);
        float u = play.movesShown;
        if (!play.levelWon) candle.candleBurnt = 1.0f - (L - u) / CANDLE_FULL_MOVES;
        else if (t < 4000.0f) candle.candleBurnt = (u + t / 4000.0f * (L - u)) / CANDLE_FULL_MOVES + 1.0f - L / CANDLE_FULL_MOVES;
        else candle.candleBurnt = 1.0f;
    } else {
        candle.candleBurnt = 0.0f;
    }
    // A limit longer than a full candle (or a used-up one) still draws a sensible candle.
    if (candle.candleBurnt < 0.0f) candle.candleBurnt = 0.0f;
    if (candle.candleBurnt > 1.0f) candle.candleBurnt = 1.0f;
    candle.flameY = (1.0f - candle.candleBurnt) * 480.0f - 224.0f;
}

namespace {

void flameEffects(float x)
{
    float frameMs = app.frameMs;
    float fy = candle.flameY - 24.0f + 32.0f;
    bool calm;
    bool smoulder;
    if (adventure()) {
        float left = play.timeLimitMs - play.timeUsedMs;
        calm = left > 3000.0f;
        smoulder = left <= 3000.0f && left > 1500.0f;
    } else {
        float left = static_cast<float>(play.moveLimit) - play.movesShown;
        calm = left >= 4.0f;
        smoulder = left < 4.0f && left > 1.0f;
    }
    if (calm) {
        candle.flareMs += frameMs;
        if (candle.flareMs > 50.0f) {
            candle.flareMs = 0.0f;
            startEffect("flareIQ", x, fy, x, fy, 1.0f, -1);
        }
    } else {
        candle.smokeMs += frameMs;
        if (candle.smokeMs > 10.0f) {
            candle.smokeMs = 0.0f;
            startEffect("smokeIQ", x, fy, x, fy, 1.0f, -1);
        }
    }
    if (smoulder) {
        candle.smoulderMs += frameMs;
        if (candle.smoulderMs > 50.0f) {
            candle.smoulderMs = 0.0f;
            startEffect("smolderingIQ", x, fy, x, fy, 1.0f, -1);
        }
    }
}

void drawPicture(const char* name, float x, float y, float w, float h, const Rect& uv, Color colour)
{
    Texture* t = findTexture(name);
    if (!t) return;
    setTexture(t);
    drawQuadCentered(x, y, w, h, uv, colour);
}

} // namespace

void drawCandle()
{
    if (play.gameMode == ModeTimeless) return;
    candle.freeClockMs += app.frameMs;
    updateCandleHeight();
    float s = 1.1f * play.rightSlide;
    float x = 368.0f - s;
    // The body is drawn burnt down in whole pixels of its 480: it shrinks a few pixels a minute,
    // so between steps its picture stays the same and the device need not draw it again (a
    // fraction of a pixel less each frame would change all of it every frame).
    float burnt = std::floor(candle.candleBurnt * 480.0f) / 480.0f;

    if (play.levelWon) {
        // The level-complete sequence: score sprites leave the flame.
        if (play.completeClockMs < 4000.0f) {
            candle.scoreSpriteMs += app.frameMs;
            while (candle.scoreSpriteMs > 50.0f) {
                candle.scoreSpriteMs -= 50.0f;
                startScoreSprite(Vec2{x, candle.flameY - 24.0f});
            }
        }
    } else if (play.limitRunning) {
        flameEffects(x);
    }
    if (play.limitRunning) {
        float size = 128.0f + randomUpTo(2.0f);
        drawFlare(Vec2{x, candle.flameY - 24.0f + 36.0f}, randomUpTo(1.0f), size, Color(160, 160, 160, 160), 40);
    }

    Color white(255, 255, 255, 255);
    drawPicture("_a_candlestick.jpg", 336.0f - s, -44.0f, 128.0f, 512.0f, Rect{0.0f, 0.0f, 1.0f, 1.0f}, white);
    drawPicture("_a_candle.jpg", x, -240.0f * burnt - 24.0f, 64.0f, (1.0f - burnt) * 480.0f + 32.0f,
                Rect{0.0f, 0.9375f * burnt, 1.0f, 1.0f}, white);
    static const char* const dropNames[4] = {"drop1.tga", "drop2.tga", "drop3.tga", "drop4.tga"};
    for (const WaxDrop& d : candle.drops) {
        if (d.waiting) continue;
        int a = static_cast<int>(d.alpha * 255.0f);
        if (a < 0) a = 0;
        if (a > 255) a = 255;
        int pic = d.picture >= 0 && d.picture < 4 ? d.picture : 0;
        drawPicture(dropNames[pic], d.pos.x - s, d.pos.y, d.size.x, d.size.y, Rect{0.0f, 0.0f, 1.0f, 1.0f},
                    Color(255, 255, 255, a));
    }
    if (burnt < 1.0f) drawPicture("candlefire.tga", x, candle.flameY - 24.0f, 64.0f, 64.0f, Rect{0.0f, 0.0f, 1.0f, 1.0f}, white);
    drawPicture("candlepool.tga", 336.0f - s, -240.0f - 32.0f * (1.0f - burnt) - 16.0f, burnt * 128.0f, burnt * 64.0f,
                Rect{0.0f, 0.0f, 1.0f, 1.0f}, white);

    // The countdown written on the candle.
    char buf[32];
    if (adventure()) {
        float left = play.timeLimitMs - play.timeUsedMs;
        if (left < WARN_WINDOW_MS && !play.levelWon && left >= 0.0f) {
            float f = left / WARN_WINDOW_MS;
            int g = static_cast<int>((f * 0.5f + 0.5f) * 255.0f);
            float size = 16.0f + 0.5f * (4.0f * std::sin(20.0f * PI * (1.0f - f)) + 4.0f);
            std::snprintf(buf, sizeof buf, "%i", static_cast<int>(left / 1000.0f));
            hudTextFormat("timelast", buf, x, candle.flameY - 70.0f, size, Color(g, g, g, 255), true);
        }
    } else if (puzzle()) {
        int left = static_cast<int>(static_cast<float>(play.moveLimit) - play.movesShown);
        if (left < 0) left = 0;
        float size = 16.0f;
        int g = 255;
        if (left < 5) {
            g = static_cast<int>((static_cast<float>(left) / 5.0f * 0.5f + 0.5f) * 255.0f);
            size = 16.0f + 0.5f * (4.0f * std::sin(0.01f * candle.freeClockMs) + 4.0f);
        }
        std::snprintf(buf, sizeof buf, "%i", left);
        hudTextFormat("moveslast", buf, x, candle.flameY - 70.0f, size, Color(g, g, g, 255), true);
    }
}
