// Program entry: everything happens in the shell (app/shell.h).
#include "app/shell.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    // Asked only for the version (packagers, scripts): answered before any window, sound or data
    // is opened.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("ostrimar %s\n", OSTRIMAR_VERSION);
        return 0;
    }
    ShellOptions options;
    options.catchSignals = true;
    options.paceFrames = true;
    for (int i = 1; i < argc; i++) {
        if (std::strcmp(argv[i], "--replay") == 0 && i + 1 < argc) {
            options.replayFile = argv[++i];
        } else {
            std::fprintf(stderr, "usage: ostrimar [--replay FILE.rpl]\n");
            return 1;
        }
    }
    return shellMain(options);
}
