// Level commands of ostrimar-data: print a level as the game reads it, play it headless.
#include "commands.h"

#include <cstdio>

int cmdLevel(int, char**) { std::fprintf(stderr, "level: not built yet\n"); return 1; }
int cmdPlay(int, char**) { std::fprintf(stderr, "play: not built yet\n"); return 1; }
