#include "core/random.h"

RandomState randomState;

void srand15(uint32_t seed)
{
    randomState.next = seed;
}

int rand15()
{
    randomState.next = randomState.next * 1103515245u + 12345u;
    return static_cast<int>((randomState.next >> 16) & 0x7FFFu);
}
