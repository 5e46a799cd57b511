#include "game/scoring.h"

#include <cmath>

#include <cstdio>

#include "core/appstate.h"
#include "core/dialogport.h"
#include "core/requestlog.h"
#include "audio/audio.h"
#include "effects/effects.h"
#include "effects/flare.h"
#include "game/board.h"
#include "game/boardstep.h"
#include "game/hudtext.h"
#include "game/outcome.h"
#include "game/playstate.h"
#include "persist/profile.h"
#include "trophies/trophies.h"
#include "ui/messages.h"

ScoringState scoring;

void resetScoring()
{
    scoring = ScoringState{};
}

void addScorePopup(float x, float y, int value)
{
    // Also recorded, so tests of the board's point rules can see each number.
    recordRequest("addScorePopup", "", value, 0, x, y);
    ScorePopup& p = scoring.popups[scoring.nextPopup];
    // Neighbouring places of a row would run their numbers together ("+100+100+100"): every
    // other column's number starts higher, and drawScorePopups keeps each within a place's width.
    long column = std::lround((x + 243.0f) / 54.0f);
    float lift = (column & 1) != 0 ? SCORE_POPUP_STAGGER : 0.0f;
    p = ScorePopup{Vec2{x, y + lift}, Vec2{0.0f, 0.03f}, 14.0f, 0.0f, 255.0f, -0.09f, value};
    scoring.nextPopup = (scoring.nextPopup + 1) % SCORE_POPUP_COUNT;
}

void startScoreSprite(Vec2 from)
{
    ScoreSprite& s = scoring.sprites[scoring.nextSprite];
    s = ScoreSprite{};
    s.pos = from;
    s.drift = Vec2{randomUpTo(0.6f), randomUpTo(1.0f) - 0.5f};
    s.target = Vec2{randomUpTo(50.0f), randomUpTo(50.0f) - 160.0f};
    s.turn = randomUpTo(360.0f);
    s.spin = randomUpTo(10.0f);
    s.colour = Color(155 + randomBelow(100), 155 + randomBelow(100), 155 + randomBelow(100), 255);
    s.live = 1;
    s.kind = 0;
    scoring.nextSprite = (scoring.nextSprite + 1) % SCORE_SPRITE_COUNT;
}

const char* comboKey(int count)
{
    if (count < 3) return nullptr;
    if (count == 3) return "coolcombo";
    if (count <= 5) return "supercombo";
    if (count <= 8) return "megacombo";
    if (count <= 10) return "ultracombo";
    return "impossible";
}

int comboPoints(int count)
{
    return count < 3 ? 0 : count * COMBO_POINTS;
}

namespace {

bool trophy(int number) { return awardTrophy(number, play.profileStem); }

} // namespace

void awardCombo()
{
    if (dialogPort.open || play.levelWon || play.levelLost || play.tipOpen || play.paused || play.shutterMoving) return;
    if (!isIdle() || board.idleTimerMs >= 0.0f) return;
    int count = play.comboCount;
    const char* key = comboKey(count);
    if (!key) return;
    int points = comboPoints(count);
    showKeyMessage(key, 0.0f, 15.0f, 20.0f, 2000.0f);
    char value[16];
    std::snprintf(value, sizeof value, "%i", points);
    showFormatMessage("youwon", value, 0.0f, -10.0f, 15.0f, 2000.0f);
    play.levelScore += points;
    play.comboCount = 0;
    playSound("BonusPrize.ogg");
    if (count >= 11) {
        if (!trophy(3) && !trophy(9)) trophy(1);
    } else if (count >= 9) {
        if (!trophy(9)) trophy(1);
    } else if (count >= 6) {
        trophy(1);
    }
}

int nextExtraLifeMark(int total)
{
    if (total <= 0) return 0;
    long long m = (static_cast<long long>(total) + EXTRA_LIFE_POINTS - 1) / EXTRA_LIFE_POINTS * EXTRA_LIFE_POINTS;
    return m > 0x7fffffffLL ? 0x7fffffff : static_cast<int>(m);
}

void updateScoreCountUp()
{
    long long t0 = static_cast<long long>(play.bankedScore) + play.shownLevelScore;
    float step = static_cast<float>(play.levelScore - play.shownLevelScore) * app.frameMs * 0.01f;
    if (step > 1.0f) {
        play.shownLevelScore += static_cast<int>(step);
        if (play.shownLevelScore > play.levelScore) play.shownLevelScore = play.levelScore;
        startEffect("score", -340.0f, 235.0f, -340.0f, 235.0f, 1.0f, -1);
    } else {
        play.shownLevelScore = play.levelScore;
    }
    if (play.gameMode == ModeTimeless) return;
    // After the last level the game was finished at the win: no life goes into the next game.
    if (play.levelWon && play.levelIndex >= LEVELS_PER_MODE - 1) return;
    long long t1 = static_cast<long long>(play.bankedScore) + play.shownLevelScore;
    if (t0 < 0 || t0 > 0x7fffffffLL) return;
    long long mark = nextExtraLifeMark(static_cast<int>(t0));
    if (t0 < mark && t1 >= mark) gainExtraLife();
}

void drawScorePopups()
{
    float frameMs = app.frameMs;
    for (ScorePopup& p : scoring.popups) {
        if (p.size <= 0.0f || p.alpha <= 0.0f) continue;
        char buf[24];
        std::snprintf(buf, sizeof buf, "+%i", p.value);
        int a = static_cast<int>(p.alpha);
        hudLiteralInBox(buf, p.pos.x, p.pos.y, p.size, SCORE_POPUP_WIDTH, 100.0f, Color(255, 255, 255, a > 255 ? 255 : a));
        p.pos.x += p.rise.x * frameMs;
        p.pos.y += p.rise.y * frameMs;
        p.size += p.sizeChange * frameMs;
        p.alpha += p.alphaChange * frameMs;
    }
}

void drawScoreSprites()
{
    float frameMs = app.frameMs;
    for (ScoreSprite& s : scoring.sprites) {
        if (!s.live) continue;
        drawFlare(s.pos, s.turn, 35.0f - 15.0f * s.ageMs / 3000.0f, s.colour, 33);
        float dx = s.target.x - s.pos.x;
        float dy = s.target.y - s.pos.y;
        if (dx * dx + dy * dy < 100.0f) {
            s.live = 0;
            continue;
        }
        s.ageMs += frameMs;
        if (s.ageMs > 3000.0f) {
            s.live = 0;
            continue;
        }
        s.emitMs += frameMs;
        while (s.emitMs > 100.0f) {
            s.emitMs -= 100.0f;
            startEffect("bonusscore", s.pos.x, s.pos.y, s.pos.x, s.pos.y, 1.0f, -1);
        }
        float k = 1.0f - s.ageMs / 3000.0f;
        s.drift.x *= k;
        s.drift.y *= k;
        s.pos.x += s.drift.x;
        s.pos.y += s.drift.y;
        s.drift.x *= 0.2f;
        s.drift.y *= 0.2f;
        float pull = s.ageMs / 3000.0f;
        pull = pull * pull * pull;
        s.pos.x += (s.target.x - s.pos.x) * pull;
        s.pos.y += (s.target.y - s.pos.y) * pull;
        s.turn += frameMs * s.spin * 0.1f;
    }
}
