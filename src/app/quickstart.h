#pragma once
// The route into a game while the menus are not there yet: a key at the splash prompt starts
// adventure level 1 on the game screen with a fresh in-memory profile, the game's requests to go
// back to the menus or to the trophy room start the profile's current level again, and the
// game's dialogs take their default answer after a moment. The
// program switches it on at start; tests of the splash screen leave it off and see the menu route.
#include <cstdint>

struct QuickStartState {
    uint8_t enabled;
    int32_t gamesStarted;
};

extern QuickStartState quickStart;

// Loads the game's HUD pictures and the font, makes a profile when none exists, starts a new
// adventure game at the profile's level and asks for the game screen.
void quickStartGame();
