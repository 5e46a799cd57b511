#include "game/statedump.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/appstate.h"
#include "game/board.h"
#include "game/boardkeys.h"
#include "game/playstate.h"

namespace {

struct StateDump {
    float lastWriteMs = -1000.0f;
};

StateDump dump;

constexpr float DUMP_INTERVAL_MS = 100.0f;

} // namespace

bool formatGameState(char* out, size_t capacity)
{
    std::string s;
    char line[96];
    std::snprintf(line, sizeof line, "level=%d\nscore=%d\nmoves=%d\nwon=%d lost=%d paused=%d tip=%d\n",
                  play.levelIndex + 1, play.bankedScore + play.levelScore, play.movesMade, play.levelWon, play.levelLost,
                  play.paused, play.tipOpen);
    s += line;
    std::snprintf(line, sizeof line, "timeused=%d\n", static_cast<int>(play.timeUsedMs));
    s += line;
    for (int row = 0; row < BOARD_ROWS; row++) {
        s += "row=";
        for (int col = 0; col < BOARD_COLS; col++) {
            const Cell& c = board.cells[row][col];
            char ch = c.tile < 0 ? '.' : c.colour < 0 ? '-' : static_cast<char>('a' + (c.colour % 26));
            s += ch;
        }
        s += '\n';
    }
    std::snprintf(line, sizeof line, "cursor=%d %d shown=%d\n", boardKeys.row, boardKeys.col, boardKeys.shown);
    s += line;
    if (s.size() + 1 > capacity) return false;
    std::snprintf(out, capacity, "%s", s.c_str());
    return true;
}

bool writeGameState(const char* path)
{
    char text[1024];
    if (!path || !formatGameState(text, sizeof text)) return false;
    std::string tmp = std::string(path) + ".tmp";
    FILE* f = std::fopen(tmp.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fputs(text, f) >= 0;
    ok = std::fclose(f) == 0 && ok;
    return ok && std::rename(tmp.c_str(), path) == 0;
}

void dumpGameStateIfAsked()
{
    static const char* path = std::getenv("OSTRIMAR_STATE_FILE");
    if (!path || !path[0]) return;
    if (app.globalTimeMs - dump.lastWriteMs < DUMP_INTERVAL_MS && app.globalTimeMs >= dump.lastWriteMs) return;
    dump.lastWriteMs = app.globalTimeMs;
    writeGameState(path);
}
