#include "platform/os/startlog.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <unistd.h>

namespace {

struct StartLog {
    int enabled = -1;        // -1: the environment not yet read
    bool done = false;       // start-up is over: no more marks
    double firstMs = 0.0;    // monotonic time of the first mark
    double processMs = 0.0;  // the process's age at the first mark (boot clock minus start time)
};

StartLog startLog;

double clockMs(clockid_t id)
{
    timespec t{};
    clock_gettime(id, &t);
    return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
}

// The process's start time after boot in milliseconds (field 22 of /proc/self/stat, in clock
// ticks), or a negative number when it cannot be read.
double processStartMs()
{
    FILE* f = std::fopen("/proc/self/stat", "r");
    if (!f) return -1.0;
    char line[1024];
    size_t n = std::fread(line, 1, sizeof line - 1, f);
    std::fclose(f);
    line[n] = 0;
    // The command name may hold spaces: the fields after it start past the last ')'.
    const char* p = std::strrchr(line, ')');
    if (!p) return -1.0;
    int field = 2;
    for (; *p && field < 22; ++p)
        if (*p == ' ') field++;
    long long ticks = std::atoll(p);
    long hz = sysconf(_SC_CLK_TCK);
    return hz > 0 ? static_cast<double>(ticks) * 1000.0 / static_cast<double>(hz) : -1.0;
}

}  // namespace

void osStartupMark(const char* what)
{
    if (startLog.enabled < 0) {
        const char* v = std::getenv("OSTRIMAR_STARTUP_LOG");
        startLog.enabled = v && v[0] && std::strcmp(v, "0") != 0 ? 1 : 0;
        if (startLog.enabled) {
            startLog.firstMs = clockMs(CLOCK_MONOTONIC);
            double started = processStartMs();
            startLog.processMs = started >= 0.0 ? clockMs(CLOCK_BOOTTIME) - started : 0.0;
        }
    }
    if (!startLog.enabled || startLog.done) return;
    double now = clockMs(CLOCK_MONOTONIC);
    double since = now - startLog.firstMs;
    // The monotonic clock's reading too, to line the marks up with a profiler's samples.
    std::fprintf(stderr, "startup %7.1f ms (%7.1f since the first mark, monotonic %.3f s): %s\n",
                 startLog.processMs + since, since, now / 1000.0, what ? what : "");
}

void osStartupDone()
{
    startLog.done = true;
}
