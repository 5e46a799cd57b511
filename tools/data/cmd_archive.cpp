// Archive, text-table and key/value commands of ostrimar-data.
#include "commands.h"

#include <cstdio>

int cmdList(int, char**) { std::fprintf(stderr, "list: not built yet\n"); return 1; }
int cmdUnpack(int, char**) { std::fprintf(stderr, "unpack: not built yet\n"); return 1; }
int cmdPack(int, char**) { std::fprintf(stderr, "pack: not built yet\n"); return 1; }
int cmdTexts(int, char**) { std::fprintf(stderr, "texts: not built yet\n"); return 1; }
int cmdKv(int, char**) { std::fprintf(stderr, "kv: not built yet\n"); return 1; }
