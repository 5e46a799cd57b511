#pragma once
// Trophies. Until they are built, awards are recorded (core/requestlog.h) and every
// trophy counts as not yet won.

void loadTrophies();
// Awards trophy `number` (1..17) to the named profile; true when it was newly won.
bool awardTrophy(int number, const char* profileName);
