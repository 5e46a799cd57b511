#include "core/random.h"

RandomState randomState;
RulesRandomState rulesRandom;

void srand15(uint32_t seed)
{
    randomState.next = seed;
}

int rand15()
{
    randomState.next = randomState.next * 1103515245u + 12345u;
    return static_cast<int>((randomState.next >> 16) & 0x7FFFu);
}

void setRulesSeed(uint32_t seed)
{
    rulesRandom.seed = seed;
    rulesRandom.fixedSeed = 1;
}

void startRulesStream(int32_t levelIndex)
{
    if (!rulesRandom.fixedSeed) {
        uint32_t high = static_cast<uint32_t>(rand15());
        rulesRandom.seed = (high << 15) ^ static_cast<uint32_t>(rand15()) ^ (static_cast<uint32_t>(rand15()) << 30);
    }
    // A mix of seed and level (murmur's finaliser), so neighbouring seeds and levels start far apart.
    uint32_t h = rulesRandom.seed ^ (static_cast<uint32_t>(levelIndex) + 1u) * 0x9E3779B9u;
    h ^= h >> 16;
    h *= 0x85EBCA6Bu;
    h ^= h >> 13;
    h *= 0xC2B2AE35u;
    h ^= h >> 16;
    rulesRandom.next = h;
}

int rulesRand15()
{
    rulesRandom.next = rulesRandom.next * 1103515245u + 12345u;
    return static_cast<int>((rulesRandom.next >> 16) & 0x7FFFu);
}
