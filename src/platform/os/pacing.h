#pragma once
// Frame pacing: never start frames faster than the display refreshes. A pure rule on a
// microsecond clock that the caller supplies (monotonic in the game, fake in tests).
//
// Frames are due on a cadence of one refresh period. A frame that is ready early waits for its
// due time; a frame that is late starts at once and is not made up for later: when the loop fell
// more than a whole period behind, the cadence starts again from the late frame, so a slow frame
// is never followed by a burst. Within any span of time T the number of frames started is at most
// T / period + 1.
#include <cstdint>

constexpr int PACING_DEFAULT_HZ = 60;

struct FramePacer {
    uint64_t periodUs = 1000000 / PACING_DEFAULT_HZ;
    uint64_t dueUs = 0;    // earliest start of the next frame
    bool started = false;  // a frame has started (dueUs is meaningful)
};

// Period from a refresh rate in Hz; unknown (0 or less) counts as 60 Hz, and rates are kept
// within 24..1000 Hz so a strange report cannot stop or unleash the loop.
void pacerSetRefreshRate(FramePacer& pacer, int hz);
// How long to wait at nowUs before the next frame may start (0 when it is due or late).
uint64_t pacerWaitUs(const FramePacer& pacer, uint64_t nowUs);
// A frame starts at nowUs: schedules the one after it.
void pacerFrameStarted(FramePacer& pacer, uint64_t nowUs);
