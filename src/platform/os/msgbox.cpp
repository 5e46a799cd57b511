// Stand-in until the window layer exists: standard error only.
#include "platform/os/msgbox.h"

#include <cstdio>

void osMessageBox(const char* text, const char* caption)
{
    std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
}
