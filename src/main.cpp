// Program entry: everything happens in the shell (app/shell.h).
#include "app/quickstart.h"
#include "app/shell.h"

int main()
{
    ShellOptions options;
    options.catchSignals = true;
    options.paceFrames = true;
    quickStart.enabled = 1;  // until the menus exist, the splash leads straight into a game
    return shellMain(options);
}
