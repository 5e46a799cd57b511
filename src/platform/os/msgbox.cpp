// The message box: SDL's simple box over the window when a display is up, and always the same
// text on standard error (the only output of a headless run).
#include "platform/os/msgbox.h"

#include "platform/os/os.h"

#include <SDL.h>

#include <cstdio>

void osMessageBox(const char* text, const char* caption)
{
    const char* t = text ? text : "";
    const char* c = caption ? caption : "";
    std::fprintf(stderr, "%s: %s\n", c, t);
    std::fflush(stderr);
    if (osState.headless || !osState.sdlVideo) return;
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, c, t, static_cast<SDL_Window*>(osState.window));
}
