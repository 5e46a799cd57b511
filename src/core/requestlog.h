#pragma once
// Requests to modules that are not built yet (sounds, particle effects, tips, trophies,
// dialogs, status messages, ...) are recorded here so that tests can check which request a
// rule made. A recording operation does nothing else. The log is a ring of 1024 entries.

struct RecordedRequest {
    char op[32];    // operation name, e.g. "startEffect"
    char name[64];  // its name argument (file, effect, key, dialog), "" when none
    int a;          // first integer argument (number, cell, ...)
    int b;
    float x;        // first float arguments (positions, sizes)
    float y;
};

constexpr int REQUEST_LOG_SIZE = 1024;

struct RequestLogState {
    RecordedRequest entries[REQUEST_LOG_SIZE];
    int count;  // total recorded since the last clear (may exceed the ring size)
};

extern RequestLogState requestLog;

void recordRequest(const char* op, const char* name = "", int a = 0, int b = 0, float x = 0.0f, float y = 0.0f);
void clearRequests();
// Number of recorded requests (still in the ring) with this operation and, when name is not null, this name.
int countRequests(const char* op, const char* name = nullptr);
// The newest recorded request with this operation, or null.
const RecordedRequest* lastRequest(const char* op);
