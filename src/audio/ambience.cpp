#include "audio/ambience.h"

#include <cstdio>

#include "audio/audio.h"
#include "core/random.h"

AmbienceState playAmbience;
AmbienceState roomAmbience;

namespace {

void playBirds(AmbienceState& s)
{
    char name[16];
    std::snprintf(name, sizeof name, "birds%d.ogg", 1 + s.birdCounter % 3);
    playSound(name);
    s.birdCounter += 1 + rand15() % 2;
}

} // namespace

void resetAmbience()
{
    playAmbience = AmbienceState{};
    roomAmbience = AmbienceState{};
}

bool ambiencePeriodPassed(int t, int dt, int period)
{
    // A clock that stands still crosses nothing, not even at 0.
    if (period <= 0 || dt <= 0 || t < 0) return false;
    if (t == 0) return true;
    int half = period / 2;
    int64_t after = static_cast<int64_t>(t) + dt;
    return t % period >= half && after % period < half;
}

const char* ambienceWaterSound(int backdropNumber)
{
    switch (backdropNumber) {
    case 0: case 1: case 3: case 4: case 7:
        return "brook.ogg";
    case 2: case 5: case 6:
        return "waterfall.ogg";
    default:
        return backdropNumber >= 8 && backdropNumber <= 16 ? "waterfall.ogg" : nullptr;
    }
}

void updatePlayAmbience(int t, int dt, int backdropNumber)
{
    if (ambiencePeriodPassed(t, dt, AMBIENCE_BIRDS_MS)) playBirds(playAmbience);
    const char* water = ambienceWaterSound(backdropNumber);
    if (!water) return;
    int period = water[0] == 'b' ? AMBIENCE_BROOK_MS : AMBIENCE_WATERFALL_MS;
    if (ambiencePeriodPassed(t, dt, period)) playSound(water);
}

void updateTrophyRoomAmbience(int t, int dt)
{
    if (ambiencePeriodPassed(t, dt, AMBIENCE_BIRDS_MS)) playBirds(roomAmbience);
    if (ambiencePeriodPassed(t, dt, AMBIENCE_WATERFALL_MS)) playSound("waterfall.ogg");
}
