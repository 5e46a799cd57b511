#include "menus/levelresult.h"

#include <cmath>

LevelResultView levelResultView;

namespace {

constexpr int DONE_PHASE = 4;

int lineValue(int line)
{
    switch (line) {
    case 0: return levelResultView.score;
    case 1: return levelResultView.combo;
    case 2: return levelResultView.moves;
    default: return levelResultView.timeMs;
    }
}

} // namespace

void startLevelResult(int score, int combo, int moves, int timeMs)
{
    levelResultView = LevelResultView{};
    levelResultView.score = score;
    levelResultView.combo = combo;
    levelResultView.moves = moves;
    levelResultView.timeMs = timeMs;
}

int stepLevelResult(float dt)
{
    LevelResultView& r = levelResultView;
    r.pulseClock += dt;
    if (r.done) return -1;
    if (r.phase >= DONE_PHASE) {
        r.done = 1;
        return -1;
    }
    // The first frame of a phase is the one that finds its clock at 0.
    int started = r.phaseTime == 0.0f ? r.phase : -1;
    r.phaseTime += dt;
    if (r.phaseTime > RESULT_PHASE_MS) {
        r.fraction[r.phase] = 1.0f;
        r.phase += 1;
        r.phaseTime = 0.0f;
    } else {
        r.fraction[r.phase] = r.phaseTime / RESULT_PHASE_MS;
    }
    return started;
}

bool levelResultEnter()
{
    LevelResultView& r = levelResultView;
    if (r.done) return false;
    for (float& f : r.fraction) f = 1.0f;
    r.phase = DONE_PHASE + 1;
    r.phaseTime = 0.0f;
    r.done = 1;
    return true;
}

int levelResultShown(int line)
{
    if (line < 0 || line >= RESULT_LINES) return 0;
    float f = levelResultView.fraction[line];
    if (f >= 1.0f) return lineValue(line);
    return static_cast<int>(static_cast<double>(lineValue(line)) * f);
}

float levelResultBurstY(int line)
{
    return 100.0f - 50.0f * static_cast<float>(line);
}

void splitMinutesSeconds(int ms, int* minutes, int* seconds)
{
    int s = ms > 0 ? ms / 1000 : 0;
    *minutes = s / 60;
    *seconds = s % 60;
}

bool beatsRecord(int value, int record)
{
    return value <= record;
}

int recordPulseAlpha(float clockMs)
{
    return static_cast<int>((std::sin(clockMs * 0.01f) * 0.5f + 0.5f) * 127.0f + 128.0f);
}
