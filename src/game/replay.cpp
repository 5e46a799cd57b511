#include "game/replay.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "core/appstate.h"
#include "core/dialogport.h"
#include "core/random.h"
#include "game/board.h"
#include "game/gameflow.h"
#include "game/level.h"
#include "game/outcome.h"
#include "persist/profile.h"
#include "persist/settings.h"
#include "platform/os/files.h"

ReplayRecorderState replayRecorder;
ReplayPlayerState replayPlayer;

namespace {

constexpr char REPLAY_MAGIC[4] = {'O', 'R', 'P', 'L'};
constexpr const char* REPLAY_FOLDER = "replays";
constexpr int32_t MOUSE_LIMIT = 100000;
constexpr float OUTSIDE_CLOCK_MAX = 1.0e7f;

// ---- Little-endian writing and reading ----

struct Writer {
    uint8_t* at;
    uint8_t* end;
    bool ok = true;
    void bytes(const void* p, int n)
    {
        if (at + n > end) {
            ok = false;
            return;
        }
        std::memcpy(at, p, static_cast<size_t>(n));
        at += n;
    }
    void u8(uint8_t v) { bytes(&v, 1); }
    void u32(uint32_t v)
    {
        uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
                        static_cast<uint8_t>(v >> 24)};
        bytes(b, 4);
    }
    void i32(int32_t v) { u32(static_cast<uint32_t>(v)); }
    void u64(uint64_t v)
    {
        u32(static_cast<uint32_t>(v));
        u32(static_cast<uint32_t>(v >> 32));
    }
    void f32(float v)
    {
        uint32_t u;
        std::memcpy(&u, &v, 4);
        u32(u);
    }
};

struct Reader {
    const uint8_t* at;
    const uint8_t* end;
    bool ok = true;
    void bytes(void* p, int n)
    {
        if (at + n > end) {
            ok = false;
            std::memset(p, 0, static_cast<size_t>(n));
            return;
        }
        std::memcpy(p, at, static_cast<size_t>(n));
        at += n;
    }
    uint8_t u8()
    {
        uint8_t v = 0;
        bytes(&v, 1);
        return v;
    }
    uint32_t u32()
    {
        uint8_t b[4];
        bytes(b, 4);
        return static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 | static_cast<uint32_t>(b[2]) << 16 |
               static_cast<uint32_t>(b[3]) << 24;
    }
    int32_t i32() { return static_cast<int32_t>(u32()); }
    uint64_t u64()
    {
        uint64_t lo = u32();
        uint64_t hi = u32();
        return lo | hi << 32;
    }
    float f32()
    {
        uint32_t u = u32();
        float v;
        std::memcpy(&v, &u, 4);
        return v;
    }
};

uint32_t checksum32(const uint8_t* p, int32_t n)
{
    uint32_t h = 2166136261u;
    for (int32_t i = 0; i < n; i++) {
        h ^= p[i];
        h *= 16777619u;
    }
    return h;
}

uint32_t floatBits(float v)
{
    uint32_t u;
    std::memcpy(&u, &v, 4);
    return u;
}

float bitsFloat(int32_t bits)
{
    float v;
    uint32_t u = static_cast<uint32_t>(bits);
    std::memcpy(&v, &u, 4);
    return v;
}

void say(char* why, int capacity, const char* text)
{
    if (why && capacity > 0) std::snprintf(why, static_cast<size_t>(capacity), "%s", text);
}

bool validOutside(const ReplayOutside& o)
{
    if (o.flags < 0 || o.flags >= (1 << 5) || ((o.flags >> 3) & 3) > 2) return false;
    return std::isfinite(o.shutterClockMs) && std::isfinite(o.shutterDurationMs) && o.shutterClockMs >= 0.0f &&
           o.shutterDurationMs >= 0.0f && o.shutterClockMs < OUTSIDE_CLOCK_MAX && o.shutterDurationMs < OUTSIDE_CLOCK_MAX;
}

// ---- The state the screens change beside the level flow ----

ReplayOutside takeOutside()
{
    ReplayOutside o;
    const Shutter& s = gameFlow.shutter;
    int direction = s.direction < 0 ? 0 : s.direction > 0 ? 2 : 1;
    o.flags = (dialogPort.open ? 1 : 0) | (play.paused ? 2 : 0) | (play.shutterMoving ? 4 : 0) | direction << 3;
    o.shutterClockMs = s.clockMs;
    o.shutterDurationMs = s.durationMs;
    return o;
}

bool sameOutside(const ReplayOutside& a, const ReplayOutside& b)
{
    return a.flags == b.flags && floatBits(a.shutterClockMs) == floatBits(b.shutterClockMs) &&
           floatBits(a.shutterDurationMs) == floatBits(b.shutterDurationMs);
}

void applyOutside(const ReplayOutside& o)
{
    dialogPort.open = (o.flags & 1) ? 1 : 0;
    play.paused = (o.flags & 2) ? 1 : 0;
    play.shutterMoving = (o.flags & 4) ? 1 : 0;
    Shutter& s = gameFlow.shutter;
    s.direction = ((o.flags >> 3) & 3) - 1;
    s.clockMs = o.shutterClockMs;
    s.durationMs = o.shutterDurationMs;
}

// ---- Recording ----

bool addEvent(ReplayEventKind kind, int32_t a, int32_t b, int32_t c)
{
    Replay& r = replayRecorder.replay;
    if (r.eventCount >= REPLAY_MAX_EVENTS) {
        replayRecorder.overflow = 1;
        return false;
    }
    ReplayEvent& e = r.events[r.eventCount++];
    e.frame = static_cast<uint32_t>(r.frameCount);
    e.kind = kind;
    e.a = a;
    e.b = b;
    e.c = c;
    return true;
}

// The start state the rules read, taken when the level's first frame or event comes, so that
// what a route sets after the level start (the banked score, a second try) is in it.
void takeStart()
{
    ReplayRecorderState& rec = replayRecorder;
    if (rec.started) return;
    rec.started = 1;
    ReplayStart& s = rec.replay.start;
    s.bankedScore = play.bankedScore;
    s.lives = profileLives();
    s.profileScore = profileScore();
    s.secondTry = play.secondTry ? 1 : 0;
    const Profile& p = currentProfile();
    for (int i = 0; i < TIP_FLAG_COUNT; i++) s.hints[i] = p.hintFlags[i] ? 1 : 0;
    if (!trophies.profileLoaded || std::strcmp(trophies.profile, play.profileStem) != 0) loadTrophyFlags(play.profileStem);
    for (int i = 0; i < TROPHY_COUNT; i++) {
        s.trophyFlags[2 * i] = trophies.flags[i].isNew ? 1 : 0;
        s.trophyFlags[2 * i + 1] = trophies.flags[i].won ? 1 : 0;
    }
    s.hammerShown = board.hammerShown;
    s.hammerTarget = board.hammerTarget;
}

// Notes the pointer and the screens' state when they changed since the replay last saw them.
void noteSurroundings()
{
    ReplayRecorderState& rec = replayRecorder;
    if (app.mouseX != rec.mouseX || app.mouseY != rec.mouseY) {
        rec.mouseX = app.mouseX;
        rec.mouseY = app.mouseY;
        addEvent(ReplayMouse, app.mouseX, app.mouseY, 0);
    }
    ReplayOutside now = takeOutside();
    if (!sameOutside(now, rec.outside)) {
        rec.outside = now;
        addEvent(ReplayScreen, now.flags, static_cast<int32_t>(floatBits(now.shutterClockMs)),
                 static_cast<int32_t>(floatBits(now.shutterDurationMs)));
    }
}

void currentDate(char* out, int capacity)
{
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    std::snprintf(out, static_cast<size_t>(capacity), "%04d%02d%02d-%02d%02d%02d", tm.tm_year + 1900, tm.tm_mon + 1,
                  tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
}

bool writeReplayFile(const char* path, const Replay& r)
{
    int32_t size = replaySize(r);
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    if (replayToBytes(r, bytes.data(), size) != size) return false;
    return osWriteFileAtomic(path, bytes.data(), size);
}

// The replays folder of the settings folder (made when missing); false when there is none.
bool replaysFolder(char* out, int capacity)
{
    if (replayRecorder.folder[0]) {
        std::snprintf(out, static_cast<size_t>(capacity), "%s", replayRecorder.folder);
    } else if (!settingsPath(REPLAY_FOLDER, out, capacity)) {
        return false;
    }
    return osFolderExists(out) || osCreateDirectory(out) || osFolderExists(out);
}

void finishRecording(ReplayOutcome outcome)
{
    ReplayRecorderState& rec = replayRecorder;
    if (!rec.active) return;
    rec.active = 0;
    Replay& r = rec.replay;
    if (rec.overflow || !rec.started || r.frameCount <= 0) return;
    r.result.outcome = outcome;
    r.result.score = play.levelScore;
    r.result.moves = play.movesMade;
    r.result.boardHash = boardHash();
    char path[OS_PATH_MAX + 256];
    if (rec.outPath[0]) {
        std::snprintf(path, sizeof path, "%s", rec.outPath);
    } else {
        char folder[OS_PATH_MAX];
        if (!replaysFolder(folder, sizeof folder)) {
            rec.writeFailures++;
            return;
        }
        char stem[PROFILE_STEM_MAX];
        std::snprintf(stem, sizeof stem, "%s", play.profileStem[0] ? play.profileStem : "player");
        char date[32];
        currentDate(date, sizeof date);
        char name[200];
        replayFileName(stem, r.start.mode, r.start.levelIndex, date, name, sizeof name);
        std::snprintf(path, sizeof path, "%s/%s", folder, name);
        // Two levels ended within a second: the later one gets a number.
        for (int n = 2; osFileExists(path) && n < 100; n++) {
            char numbered[48];
            std::snprintf(numbered, sizeof numbered, "%.20s-%02d", date, n);
            replayFileName(stem, r.start.mode, r.start.levelIndex, numbered, name, sizeof name);
            std::snprintf(path, sizeof path, "%s/%s", folder, name);
        }
    }
    if (!writeReplayFile(path, r)) {
        rec.writeFailures++;
        return;
    }
    if (!rec.outPath[0]) {
        char folder[OS_PATH_MAX];
        if (replaysFolder(folder, sizeof folder)) pruneReplays(folder, play.profileStem[0] ? play.profileStem : "player", REPLAYS_PER_PROFILE);
    }
    std::snprintf(rec.lastPath, sizeof rec.lastPath, "%s", path);
    rec.written++;
}

// ---- Playing ----

// The trophy trip of a replay does not leave the level: the trophy counts as seen at once, as the
// trophy room makes it (the way back to the board, the shutter, was recorded with the rest).
void replayTrophyTrip() { clearNewTrophies(play.profileStem); }

void finishPlaying()
{
    ReplayPlayerState& pl = replayPlayer;
    pl.active = 0;
    const Replay& r = pl.replay;
    pl.result.outcome = play.levelWon ? ReplayWon : play.levelLost ? ReplayLost : ReplayLeft;
    pl.result.score = play.levelScore;
    pl.result.moves = play.movesMade;
    pl.result.boardHash = boardHash();
    const ReplayResult& want = r.result;
    if (pl.result.outcome != want.outcome || pl.result.score != want.score || pl.result.moves != want.moves ||
        pl.result.boardHash != want.boardHash) {
        char got[200];
        replayLine(r, pl.result, got, sizeof got);
        std::snprintf(pl.why, sizeof pl.why, "the game went another way than recorded (replayed %.100s)", got);
        pl.failed = 1;
        return;
    }
    pl.finished = 1;
}

} // namespace

void resetReplays()
{
    // The tables are large: cleared field by field rather than by a temporary copy.
    ReplayRecorderState& rec = replayRecorder;
    rec.enabled = rec.active = rec.started = rec.overflow = 0;
    rec.mouseX = rec.mouseY = 0;
    rec.outside = ReplayOutside{};
    rec.outPath[0] = rec.folder[0] = rec.lastPath[0] = 0;
    rec.written = rec.writeFailures = 0;
    rec.replay.frameCount = rec.replay.eventCount = 0;
    rec.replay.start = ReplayStart{};
    rec.replay.result = ReplayResult{};
    ReplayPlayerState& pl = replayPlayer;
    pl.active = pl.finished = pl.failed = pl.onScreen = 0;
    pl.frame = pl.nextEvent = pl.mouseX = pl.mouseY = 0;
    pl.why[0] = 0;
    pl.result = ReplayResult{};
    // The player's replay itself stays: it is only read while a replay is being played.
}

const char* replayModeName(int mode)
{
    switch (mode) {
    case ModeAdventure: return "adventure";
    case ModeTimeless: return "timeless";
    case ModePuzzle: return "puzzle";
    default: return "?";
    }
}

const char* replayOutcomeName(int outcome)
{
    switch (outcome) {
    case ReplayWon: return "won";
    case ReplayLost: return "lost";
    case ReplayLeft: return "left";
    default: return "?";
    }
}

uint64_t boardHash()
{
    uint64_t h = 0xCBF29CE484222325ull;
    auto mix = [&h](int32_t v) {
        for (int i = 0; i < 4; i++) {
            h ^= static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
            h *= 0x100000001B3ull;
        }
    };
    for (const auto& row : board.cells) {
        for (const Cell& c : row) {
            mix(c.tile);
            mix(c.tile < 0 ? -1 : c.colour);
            mix(c.chained);
            mix(static_cast<int32_t>(c.bonus));
        }
    }
    return h;
}

bool readReplayFile(const char* path, Replay* out, char* why, int whyCapacity)
{
    int32_t size = 0;
    uint8_t* bytes = osReadFile(path, &size);
    if (!bytes) {
        std::snprintf(why, static_cast<size_t>(whyCapacity), "cannot read the file");
        return false;
    }
    bool ok = replayFromBytes(bytes, size, out, why, whyCapacity);
    std::free(bytes);
    return ok;
}

void replayLine(const Replay& r, const ReplayResult& result, char* out, int capacity)
{
    std::snprintf(out, static_cast<size_t>(capacity), "level=%d mode=%s frames=%d score=%d moves=%d outcome=%s board=%016llx",
                  r.start.levelIndex + 1, replayModeName(r.start.mode), r.frameCount, result.score, result.moves,
                  replayOutcomeName(result.outcome), static_cast<unsigned long long>(result.boardHash));
}

int32_t replaySize(const Replay& r)
{
    return REPLAY_HEADER_SIZE + REPLAY_START_SIZE + 4 * r.frameCount + REPLAY_EVENT_SIZE * r.eventCount;
}

int32_t replayToBytes(const Replay& r, uint8_t* out, int32_t capacity)
{
    if (r.frameCount < 0 || r.frameCount > REPLAY_MAX_FRAMES || r.eventCount < 0 || r.eventCount > REPLAY_MAX_EVENTS)
        return 0;
    int32_t size = replaySize(r);
    if (!out || capacity < size) return 0;
    Writer w{out, out + size};
    w.bytes(REPLAY_MAGIC, 4);
    w.u32(REPLAY_VERSION);
    w.u32(0);  // checksum, below
    w.u32(static_cast<uint32_t>(size - REPLAY_HEADER_SIZE));
    w.u32(static_cast<uint32_t>(r.frameCount));
    w.u32(static_cast<uint32_t>(r.eventCount));
    w.u64(0);
    const ReplayStart& s = r.start;
    char name[REPLAY_LEVEL_NAME_MAX] = {};
    std::snprintf(name, sizeof name, "%s", s.levelName);
    w.bytes(name, REPLAY_LEVEL_NAME_MAX);
    w.u64(s.levelHash);
    w.i32(s.levelIndex);
    w.i32(s.mode);
    w.u32(s.rulesSeed);
    w.u32(s.looksSeed);
    w.i32(s.bankedScore);
    w.i32(s.lives);
    w.i32(s.profileScore);
    w.u8(s.secondTry);
    w.bytes(s.hints, TIP_FLAG_COUNT);
    w.bytes(s.trophyFlags, TROPHY_COUNT * 2);
    w.f32(s.hammerShown);
    w.f32(s.hammerTarget);
    w.i32(s.outside.flags);
    w.f32(s.outside.shutterClockMs);
    w.f32(s.outside.shutterDurationMs);
    w.u8(r.result.outcome);
    w.i32(r.result.score);
    w.i32(r.result.moves);
    w.u64(r.result.boardHash);
    w.u8(0);
    w.u8(0);
    for (int32_t i = 0; i < r.frameCount; i++) w.f32(r.frameMs[i]);
    for (int32_t i = 0; i < r.eventCount; i++) {
        const ReplayEvent& e = r.events[i];
        w.u32(e.frame);
        w.u8(e.kind);
        w.u8(0);
        w.u8(0);
        w.u8(0);
        w.i32(e.a);
        w.i32(e.b);
        w.i32(e.c);
    }
    if (!w.ok || w.at != out + size) return 0;
    uint32_t sum = checksum32(out + REPLAY_HEADER_SIZE, size - REPLAY_HEADER_SIZE);
    Writer c{out + 8, out + 12};
    c.u32(sum);
    return size;
}

bool replayFromBytes(const uint8_t* data, int32_t size, Replay* out, char* why, int whyCapacity)
{
    if (!data || !out || size < REPLAY_HEADER_SIZE) {
        say(why, whyCapacity, "truncated: shorter than the header");
        return false;
    }
    Reader h{data, data + REPLAY_HEADER_SIZE};
    char magic[4];
    h.bytes(magic, 4);
    if (std::memcmp(magic, REPLAY_MAGIC, 4) != 0) {
        say(why, whyCapacity, "not a replay file");
        return false;
    }
    uint32_t version = h.u32();
    if (version != REPLAY_VERSION) {
        char text[80];
        std::snprintf(text, sizeof text, "wrong version %u (this game reads version %u)", version, REPLAY_VERSION);
        say(why, whyCapacity, text);
        return false;
    }
    uint32_t sum = h.u32();
    uint32_t bodySize = h.u32();
    uint32_t frames = h.u32();
    uint32_t events = h.u32();
    uint64_t reserved = h.u64();
    if (reserved != 0) {
        say(why, whyCapacity, "damaged header");
        return false;
    }
    if (frames < 1 || frames > static_cast<uint32_t>(REPLAY_MAX_FRAMES) || events > static_cast<uint32_t>(REPLAY_MAX_EVENTS)) {
        say(why, whyCapacity, "damaged header: frame or event count out of range");
        return false;
    }
    int64_t want = int64_t{REPLAY_START_SIZE} + 4 * int64_t{frames} + int64_t{REPLAY_EVENT_SIZE} * events;
    if (int64_t{bodySize} != want) {
        say(why, whyCapacity, "damaged header: sizes disagree");
        return false;
    }
    if (int64_t{size} - REPLAY_HEADER_SIZE < want) {
        say(why, whyCapacity, "truncated");
        return false;
    }
    if (int64_t{size} - REPLAY_HEADER_SIZE > want) {
        say(why, whyCapacity, "damaged: bytes after the end");
        return false;
    }
    if (checksum32(data + REPLAY_HEADER_SIZE, size - REPLAY_HEADER_SIZE) != sum) {
        say(why, whyCapacity, "damaged: checksum does not match");
        return false;
    }
    Reader b{data + REPLAY_HEADER_SIZE, data + size};
    ReplayStart& s = out->start;
    b.bytes(s.levelName, REPLAY_LEVEL_NAME_MAX);
    s.levelHash = b.u64();
    s.levelIndex = b.i32();
    s.mode = b.i32();
    s.rulesSeed = b.u32();
    s.looksSeed = b.u32();
    s.bankedScore = b.i32();
    s.lives = b.i32();
    s.profileScore = b.i32();
    s.secondTry = b.u8();
    b.bytes(s.hints, TIP_FLAG_COUNT);
    b.bytes(s.trophyFlags, TROPHY_COUNT * 2);
    s.hammerShown = b.f32();
    s.hammerTarget = b.f32();
    s.outside.flags = b.i32();
    s.outside.shutterClockMs = b.f32();
    s.outside.shutterDurationMs = b.f32();
    ReplayResult& res = out->result;
    res.outcome = b.u8();
    res.score = b.i32();
    res.moves = b.i32();
    res.boardHash = b.u64();
    uint8_t pad0 = b.u8();
    uint8_t pad1 = b.u8();
    // The level's name: terminated, not empty, printable, no folders (it is looked up in a folder).
    const char* end = static_cast<const char*>(std::memchr(s.levelName, 0, REPLAY_LEVEL_NAME_MAX));
    bool nameOk = end && end != s.levelName;
    for (const char* p = s.levelName; nameOk && p < end; p++) {
        unsigned char ch = static_cast<unsigned char>(*p);
        if (ch < 32 || ch > 126 || ch == '/' || ch == '\\') nameOk = false;
    }
    if (nameOk && (std::strcmp(s.levelName, ".") == 0 || std::strcmp(s.levelName, "..") == 0)) nameOk = false;
    const char* bad = nullptr;
    if (!nameOk) bad = "level name";
    else if (s.levelIndex < 0 || s.levelIndex >= LEVEL_COUNT_MAX) bad = "level index";
    else if (s.mode < ModeAdventure || s.mode > ModePuzzle) bad = "mode";
    else if (s.bankedScore < 0 || s.profileScore < 0) bad = "score";
    else if (s.lives < 0 || s.lives > 1000) bad = "lives";
    else if (s.secondTry > 1) bad = "second try";
    else if (!std::isfinite(s.hammerShown) || !std::isfinite(s.hammerTarget) || std::fabs(s.hammerShown) > 10.0f ||
             std::fabs(s.hammerTarget) > 10.0f)
        bad = "hammer";
    else if (!validOutside(s.outside)) bad = "screen state";
    else if (res.outcome > ReplayLeft) bad = "outcome";
    else if (res.score < 0 || res.moves < 0) bad = "result";
    else if (pad0 || pad1) bad = "reserved bytes";
    for (int i = 0; !bad && i < TIP_FLAG_COUNT; i++)
        if (s.hints[i] > 1) bad = "tip flags";
    for (int i = 0; !bad && i < TROPHY_COUNT * 2; i++)
        if (s.trophyFlags[i] > 1) bad = "trophy flags";
    out->frameCount = static_cast<int32_t>(frames);
    out->eventCount = static_cast<int32_t>(events);
    for (int32_t i = 0; !bad && i < out->frameCount; i++) {
        float ms = b.f32();
        if (!std::isfinite(ms) || ms < 0.0f || ms > REPLAY_FRAME_MS_MAX) bad = "frame time";
        out->frameMs[i] = ms;
    }
    uint32_t lastFrame = 0;
    for (int32_t i = 0; !bad && i < out->eventCount; i++) {
        ReplayEvent& e = out->events[i];
        e.frame = b.u32();
        e.kind = b.u8();
        uint8_t p0 = b.u8(), p1 = b.u8(), p2 = b.u8();
        e.a = b.i32();
        e.b = b.i32();
        e.c = b.i32();
        if (e.frame >= frames || e.frame < lastFrame) bad = "event frame";
        else if (e.kind < ReplayMouse || e.kind >= REPLAY_EVENT_KIND_END || p0 || p1 || p2) bad = "event kind";
        else if (e.kind == ReplayMouse && (e.a < -MOUSE_LIMIT || e.a > MOUSE_LIMIT || e.b < -MOUSE_LIMIT || e.b > MOUSE_LIMIT || e.c))
            bad = "pointer event";
        else if (e.kind == ReplayKey && (e.a < 0 || e.a > 0xFFFF || e.b < 0 || e.b > 1 || e.c)) bad = "key event";
        else if (e.kind == ReplayScreen && !validOutside(ReplayOutside{e.a, bitsFloat(e.b), bitsFloat(e.c)}))
            bad = "screen event";
        else if (e.kind != ReplayMouse && e.kind != ReplayKey && e.kind != ReplayScreen && (e.a || e.b || e.c))
            bad = "button event";
        lastFrame = e.frame;
    }
    if (!bad && (!b.ok || b.at != b.end)) bad = "length";
    if (bad) {
        char text[80];
        std::snprintf(text, sizeof text, "damaged: bad %s", bad);
        say(why, whyCapacity, text);
        return false;
    }
    return true;
}

void replayFileName(const char* stem, int mode, int levelIndex, const char* date, char* out, int capacity)
{
    std::snprintf(out, static_cast<size_t>(capacity), "%s-%s-%d-%s.rpl", stem, replayModeName(mode), levelIndex + 1, date);
}

int pruneReplays(const char* folder, const char* stem, int keep)
{
    static OsFileName names[REPLAYS_PER_PROFILE * 4 + 64];
    char pattern[PROFILE_STEM_MAX + 16];
    std::snprintf(pattern, sizeof pattern, "%s-*.rpl", stem);
    int found = osListFolder(folder, pattern, names, static_cast<int>(sizeof names / sizeof names[0]));
    if (found <= 0) return 0;
    if (found > static_cast<int>(sizeof names / sizeof names[0])) found = static_cast<int>(sizeof names / sizeof names[0]);
    // Only this profile's names ("<stem>-<mode>-<level>-<date>"): another stem may begin with this one.
    struct Entry {
        const char* name;
        const char* date;
    };
    std::vector<Entry> mine;
    size_t stemLength = std::strlen(stem);
    for (int i = 0; i < found; i++) {
        const char* rest = names[i].name + stemLength + 1;
        int mode = -1;
        for (int m = 0; m <= ModePuzzle; m++) {
            size_t n = std::strlen(replayModeName(m));
            if (std::strncmp(rest, replayModeName(m), n) == 0 && rest[n] == '-') {
                mode = m;
                rest += n + 1;
            }
        }
        if (mode < 0) continue;
        const char* dash = std::strchr(rest, '-');
        if (!dash || dash == rest) continue;
        mine.push_back(Entry{names[i].name, dash + 1});
    }
    if (static_cast<int>(mine.size()) <= keep) return 0;
    std::sort(mine.begin(), mine.end(), [](const Entry& a, const Entry& b) {
        int d = std::strcmp(a.date, b.date);
        return d != 0 ? d < 0 : std::strcmp(a.name, b.name) < 0;
    });
    int removed = 0;
    for (size_t i = 0; i + static_cast<size_t>(keep) < mine.size(); i++) {
        char path[OS_PATH_MAX + OS_NAME_MAX + 2];
        std::snprintf(path, sizeof path, "%s/%s", folder, mine[i].name);
        if (osDeleteFile(path)) removed++;
    }
    return removed;
}

void replayLevelBegun()
{
    ReplayRecorderState& rec = replayRecorder;
    if (rec.active) finishRecording(ReplayLeft);
    if (!rec.enabled || replayPlayer.active) return;
    rec.active = 1;
    rec.started = 0;
    rec.overflow = 0;
    Replay& r = rec.replay;
    r.frameCount = 0;
    r.eventCount = 0;
    r.result = ReplayResult{};
    ReplayStart& s = r.start;
    s = ReplayStart{};
    std::snprintf(s.levelName, sizeof s.levelName, "%s", levelFiles.lastName);
    s.levelHash = levelFiles.lastHash;
    s.levelIndex = play.levelIndex;
    s.mode = play.gameMode;
    s.rulesSeed = rulesRandom.seed;
    s.looksSeed = randomState.next;
    s.outside = takeOutside();
    rec.outside = s.outside;
    rec.mouseX = app.mouseX;
    rec.mouseY = app.mouseY;
    // The pointer at the start is the replay's first event.
    addEvent(ReplayMouse, app.mouseX, app.mouseY, 0);
}

void replayNoteInput(ReplayEventKind kind, int32_t a, int32_t b)
{
    if (!replayRecorder.active) return;
    takeStart();
    noteSurroundings();
    addEvent(kind, a, b, 0);
}

void replayFrameStarts()
{
    ReplayRecorderState& rec = replayRecorder;
    if (rec.active) {
        takeStart();
        noteSurroundings();
        Replay& r = rec.replay;
        if (r.frameCount >= REPLAY_MAX_FRAMES) rec.overflow = 1;
        else r.frameMs[r.frameCount++] = app.frameMs;
    }
    if (replayPlayer.active) replayApplyFrame();
}

void replayFrameEnds()
{
    ReplayRecorderState& rec = replayRecorder;
    if (rec.active) {
        rec.outside = takeOutside();
        if (play.levelWon) finishRecording(ReplayWon);
        else if (play.levelLost) finishRecording(ReplayLost);
    }
    ReplayPlayerState& pl = replayPlayer;
    if (!pl.active) return;
    pl.frame++;
    bool ended = play.levelWon || play.levelLost;
    if (pl.frame >= pl.replay.frameCount) finishPlaying();
    else if (ended) {
        pl.active = 0;
        pl.failed = 1;
        std::snprintf(pl.why, sizeof pl.why, "the level ended at frame %d of %d: the game went another way than recorded",
                      pl.frame, pl.replay.frameCount);
    }
}

void replayLevelLeft() { finishRecording(ReplayLeft); }

void replayCancel()
{
    replayRecorder.active = 0;
}

// ---- Playing ----

bool replayPlayBegin(const Replay& r, const char* levelPath, char* why, int whyCapacity)
{
    ReplayPlayerState& pl = replayPlayer;
    if (&pl.replay != &r) {
        pl.replay.start = r.start;
        pl.replay.result = r.result;
        pl.replay.frameCount = r.frameCount;
        pl.replay.eventCount = r.eventCount;
        std::memcpy(pl.replay.frameMs, r.frameMs, sizeof(float) * static_cast<size_t>(r.frameCount));
        std::memcpy(pl.replay.events, r.events, sizeof(ReplayEvent) * static_cast<size_t>(r.eventCount));
    }
    pl.active = pl.finished = pl.failed = 0;
    pl.frame = pl.nextEvent = 0;
    pl.why[0] = 0;
    const ReplayStart& s = r.start;
    setProfileMode(s.mode);
    setProfileLives(s.lives);
    setProfileScore(s.profileScore);
    Profile& p = currentProfile();
    for (int i = 0; i < TIP_FLAG_COUNT; i++) p.hintFlags[i] = s.hints[i];
    play.bankedScore = s.bankedScore;
    srand15(s.looksSeed);
    uint8_t wasFixed = rulesRandom.fixedSeed;
    setRulesSeed(s.rulesSeed);
    levelFiles.lastHash = 0;
    uint8_t recording = replayRecorder.enabled;
    replayRecorder.enabled = 0;  // a replay played is not recorded again
    bool read = beginLevel(s.levelIndex, s.mode, levelPath);
    replayRecorder.enabled = recording;
    rulesRandom.fixedSeed = wasFixed;
    if (!read) {
        char text[160];
        std::snprintf(text, sizeof text, "cannot read the level file %s", s.levelName);
        say(why, whyCapacity, text);
        return false;
    }
    if (levelFiles.lastHash != s.levelHash) {
        char text[160];
        std::snprintf(text, sizeof text, "wrong level: %s is not the level file the replay was recorded on", s.levelName);
        say(why, whyCapacity, text);
        return false;
    }
    loadTrophyFlags(play.profileStem);
    for (int i = 0; i < TROPHY_COUNT; i++) {
        trophies.flags[i].isNew = s.trophyFlags[2 * i];
        trophies.flags[i].won = s.trophyFlags[2 * i + 1];
    }
    play.secondTry = s.secondTry;
    board.hammerShown = s.hammerShown;
    board.hammerTarget = s.hammerTarget;
    applyOutside(s.outside);
    gameFlow.toTrophyRoom = replayTrophyTrip;
    pl.active = 1;
    return true;
}

void replayApplyFrame()
{
    ReplayPlayerState& pl = replayPlayer;
    const Replay& r = pl.replay;
    if (!pl.active || pl.frame >= r.frameCount) return;
    // The pointer is the recording's, whatever the mouse on the screen does.
    app.mouseX = pl.mouseX;
    app.mouseY = pl.mouseY;
    while (pl.nextEvent < r.eventCount && r.events[pl.nextEvent].frame == static_cast<uint32_t>(pl.frame)) {
        const ReplayEvent& e = r.events[pl.nextEvent++];
        switch (e.kind) {
        case ReplayMouse:
            pl.mouseX = app.mouseX = e.a;
            pl.mouseY = app.mouseY = e.b;
            break;
        case ReplayScreen: applyOutside(ReplayOutside{e.a, bitsFloat(e.b), bitsFloat(e.c)}); break;
        case ReplayPress: boardPress(); break;
        case ReplayRelease: boardRelease(); break;
        case ReplayDoubleClick: boardDoubleClick(); break;
        case ReplayRightDown: boardRightDown(); break;
        case ReplayRightUp: boardRightUp(); break;
        case ReplayMiddleDown: boardMiddleDown(); break;
        case ReplayPointerMove: boardPointerMove(); break;
        case ReplayKey:
            gameFlow.debugKeysOn = static_cast<uint8_t>(e.b);
            gameKeyDown(e.a);
            break;
        default: break;
        }
    }
    app.frameMs = r.frameMs[pl.frame];
}

bool replayPlayDone() { return !replayPlayer.active; }

void replayHeadlessFrame()
{
    gameFrame();
    drawShutter();
    replayFrameEnds();
    app.globalTimeMs += app.frameMs;
}

bool replayPlayHeadless(char* line, int lineCapacity)
{
    while (!replayPlayDone()) replayHeadlessFrame();
    if (!replayPlayer.finished) {
        say(line, lineCapacity, replayPlayer.why[0] ? replayPlayer.why : "the replay did not finish");
        return false;
    }
    replayLine(replayPlayer.replay, replayPlayer.result, line, lineCapacity);
    return true;
}
