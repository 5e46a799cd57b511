#pragma once
// The ambient sounds behind play and the trophy room: birds every 6,200 ms (three calls taken in
// a wandering order) and running water, a brook every 3,100 ms or a waterfall every 3,000 ms,
// chosen by the backdrop. A period P "passes" in a frame in which the clock moves on (dt > 0) and
// either was at 0, or was at least P/2 modulo P before the frame and is below P/2 after it.
#include <cstdint>

constexpr int AMBIENCE_BIRDS_MS = 6200;
constexpr int AMBIENCE_BROOK_MS = 3100;
constexpr int AMBIENCE_WATERFALL_MS = 3000;

struct AmbienceState {
    int32_t birdCounter;  // k: the next call is "birds<1 + k mod 3>.ogg"
};

// The gameplay screen's counter and the trophy room's own.
extern AmbienceState playAmbience;
extern AmbienceState roomAmbience;

void resetAmbience();

// True when a clock at t ms, advanced by dt ms, passes the period (never when dt <= 0).
bool ambiencePeriodPassed(int t, int dt, int period);
// The water sound of a backdrop number: "brook.ogg", "waterfall.ogg" or null (no water).
const char* ambienceWaterSound(int backdropNumber);
// One frame of the gameplay ambience: t is the level clock in whole ms before this frame's dt.
void updatePlayAmbience(int t, int dt, int backdropNumber);
// One frame of the trophy room's ambience: birds, and a waterfall every 3,000 ms (called by the
// trophy room every frame with its clock since entry).
void updateTrophyRoomAmbience(int t, int dt);
