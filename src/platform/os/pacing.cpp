// Frame pacing rule (see pacing.h).
#include "platform/os/pacing.h"

void pacerSetRefreshRate(FramePacer& pacer, int hz)
{
    if (hz <= 0) hz = PACING_DEFAULT_HZ;
    if (hz < 24) hz = 24;
    if (hz > 1000) hz = 1000;
    pacer.periodUs = 1000000u / static_cast<uint64_t>(hz);
}

uint64_t pacerWaitUs(const FramePacer& pacer, uint64_t nowUs)
{
    if (!pacer.started || nowUs >= pacer.dueUs) return 0;
    return pacer.dueUs - nowUs;
}

void pacerFrameStarted(FramePacer& pacer, uint64_t nowUs)
{
    if (!pacer.started || nowUs >= pacer.dueUs + pacer.periodUs || nowUs < pacer.dueUs) {
        // First frame, more than a period late, or started early anyway (the caller chose not
        // to wait): the cadence restarts from this frame.
        pacer.dueUs = nowUs + pacer.periodUs;
        pacer.started = true;
        return;
    }
    // On time or a little late: keep the cadence.
    pacer.dueUs += pacer.periodUs;
}
