#include "platform/os/driverload.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <pthread.h>

namespace {

struct DriverPreload {
    pthread_t worker{};
    bool running = false;  // started and not yet joined
    bool started = false;  // started once in this process (a library once loaded stays loaded)
    ~DriverPreload()
    {
        if (running) pthread_join(worker, nullptr);
    }
};

DriverPreload preload;

// The folder of Mesa's driver: the first of LIBGL_DRIVERS_PATH, else "dri" beside Mesa's EGL
// library. False when neither is known.
bool driverFolder(void* egl, char* out, size_t capacity)
{
    const char* env = std::getenv("LIBGL_DRIVERS_PATH");
    if (env && env[0]) {
        size_t n = std::strcspn(env, ":");
        if (n + 1 > capacity) return false;
        std::memcpy(out, env, n);
        out[n] = 0;
        return true;
    }
    void* symbol = egl ? dlsym(egl, "__egl_Main") : nullptr;
    Dl_info info;
    if (!symbol || !dladdr(symbol, &info) || !info.dli_fname) return false;
    const char* slash = std::strrchr(info.dli_fname, '/');
    if (!slash) return false;
    int n = std::snprintf(out, capacity, "%.*s/dri", static_cast<int>(slash - info.dli_fname), info.dli_fname);
    return n > 0 && static_cast<size_t>(n) < capacity;
}

void* load(void*)
{
    // As Mesa's loaders open them (the same files are then found in memory, not mapped again).
    void* egl = dlopen("libEGL_mesa.so.0", RTLD_NOW | RTLD_LOCAL);
    char folder[PATH_MAX];
    if (!driverFolder(egl, folder, sizeof folder)) return nullptr;
    char path[PATH_MAX + 32];
    std::snprintf(path, sizeof path, "%s/swrast_dri.so", folder);
    dlopen(path, RTLD_NOW | RTLD_GLOBAL);
    return nullptr;
}

}  // namespace

bool osPreloadSoftwareDriver()
{
    if (preload.started) return false;
    preload.started = true;
    preload.running = pthread_create(&preload.worker, nullptr, load, nullptr) == 0;
    return preload.running;
}

void osFinishDriverPreload()
{
    if (preload.running) pthread_join(preload.worker, nullptr);
    preload.running = false;
}
