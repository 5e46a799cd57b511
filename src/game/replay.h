#pragma once
// Replays: every level played is recorded so that it can be played again exactly, through the one
// level flow (gameflow.h): the level file (name and a hash of its bytes), the mode, the seeds, the
// starting state the rules read, then every input event the level flow received with the frame it
// arrived before, and each frame's frameMs. The file format is in docs/data-format.md.
//
// Recording: beginLevel starts a recording (when `replayRecorder.enabled`); the level flow's
// entry points note their input (`replayNoteInput`), gameFrame notes its frame
// (`replayFrameStarts`), and whoever runs the frame notes its end after the shutter has moved
// (`replayFrameEnds`): the game screen, the data tool's bot, the replay player. A won or lost level
// ends the recording there; a level left (another level started, the game left, the window
// closed) ends it as "left". The file is written atomically.
//
// Playing: `replayPlayBegin` sets up the recorded start on a fresh world; from then on gameFrame
// applies each frame's events and frameMs before it runs, and `replayFrameEnds` checks the end.
// The game screen shows it (`ostrimar --replay`), the data tool runs it headless.
#include <cstdint>

#include "game/playstate.h"
#include "trophies/trophies.h"

constexpr uint32_t REPLAY_VERSION = 1;
constexpr int32_t REPLAY_HEADER_SIZE = 32;
constexpr int32_t REPLAY_START_SIZE = 184;   // start state and recorded result, see replay.cpp
constexpr int32_t REPLAY_EVENT_SIZE = 20;
constexpr int32_t REPLAY_MAX_FRAMES = 262144;  // about 73 minutes at 60 frames a second
constexpr int32_t REPLAY_MAX_EVENTS = 65536;
constexpr int32_t REPLAY_LEVEL_NAME_MAX = 64;
constexpr int REPLAYS_PER_PROFILE = 50;
constexpr float REPLAY_FRAME_MS_MAX = 60000.0f;

enum ReplayEventKind : uint8_t {
    ReplayMouse = 1,     // a = client x, b = client y
    ReplayPress,         // boardPress
    ReplayRelease,       // boardRelease
    ReplayDoubleClick,   // boardDoubleClick
    ReplayRightDown,     // boardRightDown
    ReplayRightUp,       // boardRightUp
    ReplayMiddleDown,    // boardMiddleDown
    ReplayKey,           // gameKeyDown(a), b = the debug keys' state
    ReplayScreen,        // what the screens changed beside the level flow (dialogs, shutter)
    ReplayPointerMove,   // boardPointerMove while the keyboard's cursor shows
    REPLAY_EVENT_KIND_END
};

struct ReplayEvent {
    uint32_t frame;  // applied before this frame runs
    uint8_t kind;
    int32_t a;
    int32_t b;
    int32_t c;
};

enum ReplayOutcome : uint8_t { ReplayWon = 0, ReplayLost = 1, ReplayLeft = 2 };

// The part of the game the screens change beside the level flow's entry points: an open dialog,
// the pause (the trophy trip, a dialog's resume), the shutter. Packed into a ReplayScreen event.
struct ReplayOutside {
    int32_t flags;    // bit 0 dialog open, bit 1 paused, bit 2 shutter moving, bits 3-4 direction + 1
    float shutterClockMs;
    float shutterDurationMs;
};

struct ReplayStart {
    char levelName[REPLAY_LEVEL_NAME_MAX];  // the level file's name, without folders
    uint64_t levelHash;                     // levelBytesHash of its bytes
    int32_t levelIndex;
    int32_t mode;
    uint32_t rulesSeed;
    uint32_t looksSeed;
    int32_t bankedScore;
    int32_t lives;
    int32_t profileScore;
    uint8_t secondTry;
    uint8_t hints[TIP_FLAG_COUNT];
    uint8_t trophyFlags[TROPHY_COUNT * 2];  // new, won per trophy
    float hammerShown;
    float hammerTarget;
    ReplayOutside outside;
};

struct ReplayResult {
    uint8_t outcome;
    int32_t score;      // the level's score at the end
    int32_t moves;
    uint64_t boardHash;
};

struct Replay {
    ReplayStart start;
    ReplayResult result;
    int32_t frameCount;
    int32_t eventCount;
    float frameMs[REPLAY_MAX_FRAMES];
    ReplayEvent events[REPLAY_MAX_EVENTS];
};

struct ReplayRecorderState {
    uint8_t enabled;      // levels started are recorded
    uint8_t active;       // a level is being recorded
    uint8_t started;      // its start state was taken (at its first frame or event)
    uint8_t overflow;     // too many frames or events: not written
    int32_t mouseX, mouseY;
    ReplayOutside outside;  // the state the replay will have at this point
    // Where the files go: `outPath` when set (the data tool), else the settings folder's
    // "replays" subfolder (`folder` overrides it, tests).
    char outPath[OS_PATH_MAX];
    char folder[OS_PATH_MAX];
    int32_t written;           // files written
    int32_t writeFailures;
    char lastPath[OS_PATH_MAX + 256];  // the file written last
    Replay replay;
};

struct ReplayPlayerState {
    uint8_t active;    // frames are being played
    uint8_t finished;  // every frame ran and the result matched
    uint8_t failed;    // the game went another way than the recording (why says how)
    uint8_t onScreen;  // the game shows it: the player's input is ignored, Escape leaves
    int32_t frame;
    int32_t nextEvent;
    int32_t mouseX, mouseY;
    char why[160];
    ReplayResult result;  // what the replay ended with
    Replay replay;
};

extern ReplayRecorderState replayRecorder;
extern ReplayPlayerState replayPlayer;

void resetReplays();

// ---- The file ----
// Bytes of a replay; 0 when the buffer is too small.
int32_t replaySize(const Replay& r);
int32_t replayToBytes(const Replay& r, uint8_t* out, int32_t capacity);
// Reads and checks every field; false with the reason in why (nothing valid is assumed).
bool replayFromBytes(const uint8_t* data, int32_t size, Replay* out, char* why, int whyCapacity);
// Reads a replay file and checks it; false with the reason in why ("cannot read the file" when
// the file itself cannot be read).
bool readReplayFile(const char* path, Replay* out, char* why, int whyCapacity);
// The replay's line: "level=L mode=M frames=F score=S moves=K outcome=O board=H".
void replayLine(const Replay& r, const ReplayResult& result, char* out, int capacity);
const char* replayModeName(int mode);
const char* replayOutcomeName(int outcome);
// Hash of the board's places (tile, colour, chain, bonus of each).
uint64_t boardHash();

// ---- Recording ----
// The level flow calls these.
void replayLevelBegun();
void replayNoteInput(ReplayEventKind kind, int32_t a = 0, int32_t b = 0);
void replayFrameStarts();
void replayFrameEnds();
// The level was left (the game left, the window closed): the recording ends as "left".
void replayLevelLeft();
// The level on the board is not the level file's any more (a saved game was read over it): no
// recording of it.
void replayCancel();
// The file name of a recording: "<stem>-<mode>-<level>-<date>.rpl" (date YYYYMMDD-HHMMSS).
void replayFileName(const char* stem, int mode, int levelIndex, const char* date, char* out, int capacity);
// Keeps the newest `keep` replays of a profile in folder (by the date in their names).
int pruneReplays(const char* folder, const char* stem, int keep);

// ---- Playing ----
// Starts playing r on the current world (a profile selected): the start state, the seeds, the
// level read from levelPath. False with a reason (unreadable level, another level's bytes).
bool replayPlayBegin(const Replay& r, const char* levelPath, char* why, int whyCapacity);
// The player's part of gameFrame: the frame's events and frameMs.
void replayApplyFrame();
// The replay ran to its end (finished or failed).
bool replayPlayDone();
// One frame as the game screen runs it, without drawing: gameFrame, the shutter, the frame's end.
void replayHeadlessFrame();
// Plays the begun replay to its end headless; true with its line, false with the reason.
bool replayPlayHeadless(char* line, int lineCapacity);
