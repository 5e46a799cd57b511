#pragma once
// What the SDL variant of the OS layer uses inside itself, kept out of the public header so that
// nothing above the platform sees SDL's types. Included by os.cpp and the OS layer's tests.
#include <SDL.h>

// SDL key code to a Windows virtual-key code, 0 when the key has none.
int osVirtualKey(SDL_Keycode sdlKeycode);

// True when the OS layer places this window itself (the game's window on X11 without a window
// manager, which would leave SDL's full-screen requests unanswered): its full screen and window
// modes are made by osCreateWindow and osSetFullscreen, and must not be asked of SDL.
bool osWindowPlacedByHand(SDL_Window* w);
