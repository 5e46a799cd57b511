#pragma once
// A timing log of start-up, for finding where the time to the first frame goes. With the
// environment variable OSTRIMAR_STARTUP_LOG set (to anything but "0"), each mark prints one line
// on standard error: the milliseconds since the process started (from the kernel's start time,
// to 10 ms) and since the first mark, and what was just done. Unset, a mark costs one test of a
// flag.
// Marks after osStartupDone print nothing (start-up is over).
void osStartupMark(const char* what);
void osStartupDone();
