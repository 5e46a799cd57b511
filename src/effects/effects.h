#pragma once
// Particle effects. Until they are built, requests are recorded (core/requestlog.h).

void loadEffects();
// Starts the named effect at (x, y) moving toward (targetX, targetY). Recorded with the name,
// the cell as `a`, and x, y.
void startEffect(const char* name, float x, float y, float targetX, float targetY, float size, int cell);
void clearEffects();
void updateAndDrawEffects();
