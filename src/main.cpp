// Program entry: everything happens in the shell (app/shell.h).
#include "app/shell.h"

int main()
{
    ShellOptions options;
    options.catchSignals = true;
    options.paceFrames = true;
    return shellMain(options);
}
