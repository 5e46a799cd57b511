#include "platform/image/decodeahead.h"

#include <cstdio>
#include <cstring>
#include <pthread.h>
#include <sys/stat.h>
#include <string>
#include <utility>
#include <vector>

namespace {

// Larger files are not decoded ahead (the loader reads and judges them as always).
constexpr long AHEAD_MAX_BYTES = 64L * 1024 * 1024;

struct DecodeAheadState {
    pthread_t worker{};
    bool running = false;         // the worker was started and not yet joined
    std::string path;             // the file to read (set before the worker starts)
    long expectedSize = -1;       // its size when the worker was started
    bool started = false;         // a decode was started and its result not yet taken or dropped
    std::vector<uint8_t> bytes;   // the file as read by the worker (written only by it, before it ends)
    bool read = false;            // the worker read the file
    bool decoded = false;         // imageDecode's result on those bytes
    ImageData picture;
    int taken = 0;                // results taken by imageDecode since the last reset
    ~DecodeAheadState() { join(); }
    void join()
    {
        if (running) pthread_join(worker, nullptr);
        running = false;
    }
};

DecodeAheadState ahead;

// Set on the worker: its own imageDecode must decode, not wait for itself.
thread_local bool onWorker = false;

void* work(void*)
{
    onWorker = true;
    FILE* f = std::fopen(ahead.path.c_str(), "rb");
    if (!f) return nullptr;
    bool fits = std::fseek(f, 0, SEEK_END) == 0;
    long size = fits ? std::ftell(f) : -1;
    fits = fits && size > 0 && size <= AHEAD_MAX_BYTES && std::fseek(f, 0, SEEK_SET) == 0;
    if (fits) {
        ahead.bytes.resize(static_cast<size_t>(size));
        fits = std::fread(ahead.bytes.data(), 1, ahead.bytes.size(), f) == ahead.bytes.size();
    }
    std::fclose(f);
    if (!fits) {
        ahead.bytes.clear();
        return nullptr;
    }
    ahead.read = true;
    ahead.decoded = imageDecode(ahead.bytes.data(), ahead.bytes.size(), &ahead.picture);
    return nullptr;
}

// Waits for the worker and drops what it holds.
void drop()
{
    ahead.join();
    ahead.started = false;
    ahead.read = false;
    ahead.decoded = false;
    ahead.bytes = std::vector<uint8_t>();
    ahead.picture = ImageData();
}

}  // namespace

bool imageDecodeAhead(const char* path)
{
    drop();
    struct stat st;
    if (!path || stat(path, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0 || st.st_size > AHEAD_MAX_BYTES)
        return false;
    ahead.path = path;
    ahead.expectedSize = static_cast<long>(st.st_size);
    ahead.running = pthread_create(&ahead.worker, nullptr, work, nullptr) == 0;
    ahead.started = ahead.running;
    return ahead.running;
}

bool imageTakeDecodedAhead(const uint8_t* data, size_t size, ImageData* out, bool* ok)
{
    // Another picture (of another size) does not wait for the worker.
    if (onWorker || !ahead.started || !data || !out || static_cast<long>(size) != ahead.expectedSize) return false;
    ahead.join();
    if (!ahead.read || ahead.bytes.size() != size || std::memcmp(ahead.bytes.data(), data, size) != 0) return false;
    *out = std::move(ahead.picture);
    if (ok) *ok = ahead.decoded;
    ahead.taken++;
    drop();
    return true;
}

void dropDecodeAhead()
{
    drop();
}

int imageDecodesTakenAhead()
{
    return ahead.taken;
}

void resetDecodeAhead()
{
    drop();
    ahead.taken = 0;
}
