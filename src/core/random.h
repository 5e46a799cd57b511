#pragma once
// The project's random-number generator: 15-bit results (0..32767), the classic linear
// congruential form, identical on every platform so that a seed reproduces a game exactly.
//
// Two streams: the rules' stream (`rulesRand15`) draws what the rules depend on (the colours of
// new figures, the recolour wave) and is seeded at every level start from the level's seed and the
// level's index only; the looks' stream (`rand15`) draws everything else (backdrops, score sprites,
// the candle's wax, songs, names). However many looks are drawn (another mode's candle, another
// draw rate), the rules' stream, and so the game, stays the same for a seed.
#include <cstdint>

constexpr int RAND15_MAX = 32767;

struct RandomState {
    uint32_t next = 1;
};

// The rules' stream and the seed its next level start uses.
struct RulesRandomState {
    uint32_t next = 1;
    uint32_t seed = 0;       // the seed of the level being played (or the next one to start)
    uint8_t fixedSeed = 0;   // 1: every level start uses `seed`; 0: each start draws a new seed
};

extern RandomState randomState;
extern RulesRandomState rulesRandom;

void srand15(uint32_t seed);
int rand15();

// Every level start uses this seed (tools and replays); the rules' stream of a level then depends
// on the seed and the level only.
void setRulesSeed(uint32_t seed);
// The level start: with no fixed seed a new one is drawn from the looks' stream; the rules'
// stream then starts from (seed, levelIndex).
void startRulesStream(int32_t levelIndex);
int rulesRand15();
