#include "core/requestlog.h"

#include <cstdio>
#include <cstring>

RequestLogState requestLog;

void recordRequest(const char* op, const char* name, int a, int b, float x, float y)
{
    RecordedRequest& r = requestLog.entries[requestLog.count % REQUEST_LOG_SIZE];
    std::snprintf(r.op, sizeof r.op, "%s", op ? op : "");
    std::snprintf(r.name, sizeof r.name, "%s", name ? name : "");
    r.a = a;
    r.b = b;
    r.x = x;
    r.y = y;
    requestLog.count++;
}

void clearRequests()
{
    requestLog.count = 0;
}

int countRequests(const char* op, const char* name)
{
    int n = requestLog.count < REQUEST_LOG_SIZE ? requestLog.count : REQUEST_LOG_SIZE;
    int found = 0;
    for (int i = 0; i < n; i++) {
        const RecordedRequest& r = requestLog.entries[i];
        if (std::strcmp(r.op, op) != 0) continue;
        if (name && std::strcmp(r.name, name) != 0) continue;
        found++;
    }
    return found;
}

const RecordedRequest* lastRequest(const char* op)
{
    int n = requestLog.count < REQUEST_LOG_SIZE ? requestLog.count : REQUEST_LOG_SIZE;
    for (int k = 0; k < n; k++) {
        int i = (requestLog.count - 1 - k) % REQUEST_LOG_SIZE;
        if (std::strcmp(requestLog.entries[i].op, op) == 0) return &requestLog.entries[i];
    }
    return nullptr;
}
