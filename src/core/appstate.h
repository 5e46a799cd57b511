#pragma once
// Process-wide state of the shell that every module reads: frame time, clock, mouse,
// data directory, flags. One instance, `app`; tests reset it with resetAppState().
#include <climits>
#include <cstdint>

struct AppState {
    int appActive = 0;
    int quitRequested = 0;
    char startDir[PATH_MAX] = {};
    char dataDir[PATH_MAX] = {};
    uint32_t lastFrameTime = 0;
    uint32_t frameMsRaw = 0;
    float frameMs = 0.0f;
    float timeScale = 1.0f;
    float globalTimeMs = 0.0f;
    uint32_t fpsAccumMs = 0;
    int fpsFrames = 0;
    char fpsText[32] = {};
    uint8_t debugOverlayOn = 0;
    int triangleCount = 0;
    uint8_t deferredLoadRequested = 0;
    uint8_t settingsLoaded = 0;
    int mouseX = 0;
    int mouseY = 0;
    // The "calm motion" option (docs/effects.md): no shake, no camera moves, no flashes, a
    // quarter of the particles. Only what is drawn changes, never the game's rules.
    uint8_t calmMotion = 0;
};

extern AppState app;

void resetAppState();
