// ostrimar-data: inspect and make data sets. See docs/data-tool.md.
#include "commands.h"

#include <cstdio>
#include <cstring>

namespace {

struct Command {
    const char* name;
    int (*run)(int, char**);
    const char* usage;
};

const Command commands[] = {
    {"list", cmdList, "list ARCHIVE"},
    {"unpack", cmdUnpack, "unpack ARCHIVE DIR"},
    {"pack", cmdPack, "pack ARCHIVE FILE..."},
    {"texts", cmdTexts, "texts FILE..."},
    {"kv", cmdKv, "kv FILE KEY string|int|float|list|vec3"},
    {"level", cmdLevel, "level FILE"},
    {"scene", cmdScene, "scene FILE.lev"},
    {"play", cmdPlay, "play FILE --seed N [--max-moves K] [--mode adventure|timeless|puzzle] [--level-index I] [--runs R] [--bot greedy|plan]"},
    {"preview", cmdPreview, "preview LEVEL OUT.png [--scale S]"},
    {"sheet", cmdSheet, "sheet FOLDER OUT.png"},
    {"mesh", cmdMesh, "mesh FILE.msh_s"},
    {"mix", cmdMix, "mix DATA_DIR [--wav DIR]"},
    {"replay", cmdReplay, "replay FILE.rpl [--data DIR]"},
    {"record", cmdRecord, "record LEVEL OUT.rpl [--mode adventure|timeless|puzzle] [--seed S] [--bot greedy|plan]"},
    {"campaign", cmdCampaign, "campaign DATA_DIR --mode adventure|timeless|puzzle [--levels N] [--from L] [--seed S] [--max-frames F] [--settings DIR] [--bot greedy|plan]"},
};

void usage(FILE* out)
{
    std::fprintf(out, "usage: ostrimar-data COMMAND ...\n");
    for (const Command& c : commands) std::fprintf(out, "  ostrimar-data %s\n", c.usage);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        usage(stderr);
        return 1;
    }
    // Asked for help: the usage on standard output, and success.
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        usage(stdout);
        return 0;
    }
    for (const Command& c : commands) {
        if (std::strcmp(argv[1], c.name) == 0) return c.run(argc - 2, argv + 2);
    }
    usage(stderr);
    return 1;
}
