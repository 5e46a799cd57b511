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
    // SDL's box returns -1 where no message service can be reached (its video driver has none and
    // no X display is there to draw one); the message must still be seen.
    bool systemBox = !osState.headless && osState.sdlVideo && !osState.systemMessageBoxFails &&
                     SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, c, t, static_cast<SDL_Window*>(osState.window)) == 0;
    if (systemBox) {
        osState.lastMessageWay = OsMessageWay::SystemBox;
        return;
    }
    bool drawn = osState.messageFallback && osState.messageFallback(t, c);
    osState.lastMessageWay = drawn ? OsMessageWay::ProgramWindow : OsMessageWay::StandardErrorOnly;
}

void osSetMessageBoxFallback(OsMessageFallback fallback)
{
    osState.messageFallback = fallback;
}

OsMessageWay osLastMessageWay()
{
    return osState.lastMessageWay;
}
