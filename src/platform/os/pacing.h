#pragma once
// Frame pacing: never start frames faster than the display refreshes. A pure rule on a
// microsecond clock that the caller supplies (monotonic in the game, fake in tests).
//
// Frames are due on a cadence of one refresh period. A frame that is ready early waits for its
// due time; a frame that is late starts at once and is not made up for later: when the loop fell
// more than a whole period behind, the cadence starts again from the late frame, so a slow frame
// is never followed by a burst. Within any span of time T the number of frames started is at most
// T / period + 1.
//
// An idle window is drawn more slowly: when the player has given no input (key, button, pointer
// motion, window change) for PACING_IDLE_AFTER_US, frames are at most PACING_IDLE_HZ a second
// (never faster than the display). The game advances by measured frame times, so only the
// smoothness of slow idle animations changes. The first input after that brings the full rate
// back at once: the next frame is due one refresh period after the last one started. A screen
// whose idle picture barely moves may ask for a slower idle rate (pacerSetIdleRate).
#include <cstdint>

constexpr int PACING_DEFAULT_HZ = 60;
constexpr int PACING_IDLE_HZ = 30;
constexpr int PACING_MIN_IDLE_HZ = 5;
constexpr uint64_t PACING_IDLE_AFTER_US = 3000000;

struct FramePacer {
    uint64_t periodUs = 1000000 / PACING_DEFAULT_HZ;  // the display's refresh period
    uint64_t dueUs = 0;        // earliest start of the next frame
    uint64_t lastStartUs = 0;  // start of the last frame
    uint64_t lastInputUs = 0;  // the player's last input (the first frame counts as one)
    uint64_t idlePeriodUs = 1000000 / PACING_IDLE_HZ;  // the period while idle
    bool started = false;      // a frame has started (dueUs is meaningful)
};

// Period from a refresh rate in Hz; unknown (0 or less) counts as 60 Hz, and rates are kept
// within 24..1000 Hz so a strange report cannot stop or unleash the loop.
void pacerSetRefreshRate(FramePacer& pacer, int hz);
// The idle rate in Hz: 0 or less gives PACING_IDLE_HZ; others are kept within
// PACING_MIN_IDLE_HZ..PACING_IDLE_HZ (a screen may only slow its idle frames down).
void pacerSetIdleRate(FramePacer& pacer, int hz);
// How long to wait at nowUs before the next frame may start (0 when it is due or late).
uint64_t pacerWaitUs(const FramePacer& pacer, uint64_t nowUs);
// A frame starts at nowUs: schedules the one after it.
void pacerFrameStarted(FramePacer& pacer, uint64_t nowUs);
// The player did something at nowUs: leaves the idle rate at once.
void pacerInputSeen(FramePacer& pacer, uint64_t nowUs);
// The period frames are started at, at nowUs: the refresh period, or the idle one.
uint64_t pacerActivePeriodUs(const FramePacer& pacer, uint64_t nowUs);
