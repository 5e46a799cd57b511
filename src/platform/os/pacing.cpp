// Frame pacing rule (see pacing.h).
#include "platform/os/pacing.h"

void pacerSetRefreshRate(FramePacer& pacer, int hz)
{
    if (hz <= 0) hz = PACING_DEFAULT_HZ;
    if (hz < 24) hz = 24;
    if (hz > 1000) hz = 1000;
    pacer.periodUs = 1000000u / static_cast<uint64_t>(hz);
}

void pacerSetIdleRate(FramePacer& pacer, int hz)
{
    if (hz <= 0 || hz > PACING_IDLE_HZ) hz = PACING_IDLE_HZ;
    if (hz < PACING_MIN_IDLE_HZ) hz = PACING_MIN_IDLE_HZ;
    pacer.idlePeriodUs = 1000000u / static_cast<uint64_t>(hz);
}

uint64_t pacerWaitUs(const FramePacer& pacer, uint64_t nowUs)
{
    if (!pacer.started || nowUs >= pacer.dueUs) return 0;
    return pacer.dueUs - nowUs;
}

uint64_t pacerActivePeriodUs(const FramePacer& pacer, uint64_t nowUs)
{
    bool idle = pacer.started && nowUs >= pacer.lastInputUs && nowUs - pacer.lastInputUs >= PACING_IDLE_AFTER_US;
    return idle && pacer.idlePeriodUs > pacer.periodUs ? pacer.idlePeriodUs : pacer.periodUs;
}

void pacerFrameStarted(FramePacer& pacer, uint64_t nowUs)
{
    if (!pacer.started) pacer.lastInputUs = nowUs;
    uint64_t period = pacerActivePeriodUs(pacer, nowUs);
    pacer.lastStartUs = nowUs;
    if (!pacer.started || nowUs >= pacer.dueUs + period || nowUs < pacer.dueUs) {
        // First frame, more than a period late, or started early anyway (the caller chose not
        // to wait): the cadence restarts from this frame.
        pacer.dueUs = nowUs + period;
        pacer.started = true;
        return;
    }
    // On time or a little late: keep the cadence.
    pacer.dueUs += period;
}

void pacerInputSeen(FramePacer& pacer, uint64_t nowUs)
{
    pacer.lastInputUs = nowUs;
    if (pacer.started && pacer.dueUs > pacer.lastStartUs + pacer.periodUs) pacer.dueUs = pacer.lastStartUs + pacer.periodUs;
}
