#pragma once
// Score of a level around the board's point rules: the rising "+N" numbers over the places that
// scored, the combo prize for chain reactions of bonuses, the smooth count-up of the shown score
// with the extra life every 250,000 points, and the flying score sprites of a won level.
#include <cstdint>

#include "core/math.h"

constexpr int SCORE_POPUP_COUNT = 64;
constexpr int SCORE_SPRITE_COUNT = 128;
constexpr int EXTRA_LIFE_POINTS = 250000;
constexpr int COMBO_POINTS = 250;
// Score numbers of neighbouring places stay apart: every other column's starts this much higher,
// and each is drawn at most this wide (a place is 54 units wide).
constexpr float SCORE_POPUP_STAGGER = 16.0f;
constexpr float SCORE_POPUP_WIDTH = 48.0f;

struct ScorePopup {
    Vec2 pos;
    Vec2 rise;        // per ms
    float size;
    float sizeChange; // per ms
    float alpha;
    float alphaChange;
    int32_t value;
};

struct ScoreSprite {
    Vec2 pos;
    Vec2 drift;
    Vec2 target;
    float turn;
    float spin;
    float ageMs;
    float emitMs;
    Color colour;
    uint8_t live;
    uint32_t kind;
};

struct ScoringState {
    ScorePopup popups[SCORE_POPUP_COUNT];
    int32_t nextPopup;
    ScoreSprite sprites[SCORE_SPRITE_COUNT];
    int32_t nextSprite;
};

extern ScoringState scoring;

void resetScoring();

// A rising "+value" at (x, y) (the board calls it for every place that scored in a pass).
void addScorePopup(float x, float y, int value);
// One flying score sprite leaving (from) during the level-complete sequence.
void startScoreSprite(Vec2 from);

// Text key of the combo prize for a count (null below 3).
const char* comboKey(int count);
// Points of the combo prize for a count (0 below 3).
int comboPoints(int count);
// The combo award (checks its own conditions: board at rest, nothing holding the game).
void awardCombo();
// The count-up of the shown score, with the extra life when a multiple of 250,000 is passed.
void updateScoreCountUp();
// Smallest multiple of 250,000 that is at least total.
int nextExtraLifeMark(int total);

// Draw and advance the popups and the sprites (after the board).
void drawScorePopups();
void drawScoreSprites();
