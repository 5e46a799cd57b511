#pragma once
// The project's one random-number generator: 15-bit results (0..32767), the classic linear
// congruential form, identical on every platform so that a seed reproduces a game exactly.
// Used wherever the game draws a random number.
#include <cstdint>

constexpr int RAND15_MAX = 32767;

struct RandomState {
    uint32_t next = 1;
};

extern RandomState randomState;

void srand15(uint32_t seed);
int rand15();
