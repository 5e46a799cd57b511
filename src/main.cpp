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
    return shellMain(options);
}
