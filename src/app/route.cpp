#include "app/route.h"

#include "app/cursors.h"
#include "app/screens.h"
#include "app/shell.h"
#include "core/appstate.h"
#include "effects/backdrops.h"
#include "game/gameflow.h"
#include "game/playstate.h"
#include "game/replay.h"
#include "game/board.h"
#include "graphics/device.h"
#include "graphics/textures.h"
#include "menus/dialogflow.h"
#include "menus/menus.h"
#include "persist/profile.h"
#include "persist/settings.h"
#include "platform/os/os.h"
#include "trophies/trophyroom.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

RouteState route;

namespace {

void toFrontEnd()
{
    route.frontEndVisits += 1;
    requestScreen(&screens.menu);
    setMenuMode(MENU_MODE_MAIN);
    setBackdrop(FRONT_END_BACKDROP);
}

void toGameScreen()
{
    route.gameVisits += 1;
    requestScreen(&screens.game);
    openShutter(1000.0f, "");
}

void quitProgram() { app.quitRequested = 1; }

void applyFullscreen(bool on)
{
    // At once, as F11 does: the desktop's full screen or the window, never a mode switch; the
    // device takes the new presentation at its next frame.
    persist.settings.fullscreen = on ? 1 : 0;
    osSetFullscreen(on);
    applyDisplaySettings(on);
    persist.settings.colorDepth32 = device.colorDepth32;
}

void setSoftwareCursor(bool on)
{
    if (on) setProgramCursor(CURSOR_ARROW);
    else setSystemCursor();
}

// The credits show a backdrop of their own, the main menu the front end's: the menu screen
// cross-fades to it (without the camera move) under the opening shutter.
void setFrontEndMode(int mode)
{
    setMenuMode(mode);
    int wanted = mode == MENU_MODE_CREDITS ? CREDITS_BACKDROP : mode == MENU_MODE_MAIN ? FRONT_END_BACKDROP : -1;
    if (wanted < 0) return;
    if (wanted != backdrop.number) prepareBackdrop(wanted);
    else if (backdrop.fadeMs > 0.0f) setBackdrop(wanted);  // back before a cross-fade away completed
}

// After a level (won and clicked on, or the game complete): the map with the mode's dialog, told
// which level was just won so that its mark bursts, the cover gives a piece and a finished stage
// shows its artefact. The play state has already moved on to the next level; after the last one
// it is back at the first.
void toModeMenu(int mode)
{
    int completed = -1;
    if (play.gameComplete) completed = LEVELS_PER_MODE - 1;
    else if (play.levelAdvance) completed = play.levelIndex - 1;
    requestScreen(&screens.menu);
    openModeDialogAfterLevel(mode, completed, play.gameComplete != 0);
}

// The trophy trip of the game: the room returns to the game afterwards.
void toTrophyRoom() { enterTrophyRoom(TROPHY_RETURN_GAME); }

void showTrophyScreen()
{
    route.trophyVisits += 1;
    requestScreen(&screens.trophy);
}

// Back from the trophy room to the game it was reached from: the shutter opens over the board.
void trophyRoomToGame()
{
    requestScreen(&screens.game);
    openShutter(1000.0f, "");
}

} // namespace

void installRoute()
{
    dialogRoute.toFrontEnd = toFrontEnd;
    dialogRoute.toGameScreen = toGameScreen;
    dialogRoute.quitProgram = quitProgram;
    dialogRoute.applyFullscreen = applyFullscreen;
    dialogRoute.setSoftwareCursor = setSoftwareCursor;
    dialogRoute.setFrontEndMode = setFrontEndMode;
    gameFlow.toModeMenu = toModeMenu;
    gameFlow.toFrontEnd = returnToMainMenu;
    gameFlow.toTrophyRoom = toTrophyRoom;
    trophyRoute.showRoom = showTrophyScreen;
    trophyRoute.toFrontEnd = toFrontEnd;
    trophyRoute.toGame = trophyRoomToGame;
}

void resetRoute()
{
    route = RouteState{};
    installRoute();
}

void dumpScreenIfAsked()
{
    static const char* path = std::getenv("OSTRIMAR_SCREEN_FILE");
    static float lastWriteMs = -1000.0f;
    if (!path || !path[0]) return;
    if (app.globalTimeMs - lastWriteMs < 100.0f && app.globalTimeMs >= lastWriteMs) return;
    lastWriteMs = app.globalTimeMs;
    Screen* s = currentScreen();
    const char* screen = s == &screens.splash ? "splash" : s == &screens.menu ? "menu" : s == &screens.game ? "game" : "trophy";
    const MenuNode* d = menus.current;
    const char* focus = d && menus.focus >= 0 && menus.focus < d->childCount ? d->children[menus.focus]->key : "";
    int drawW = 0, drawH = 0;
    osDrawableSize(&drawW, &drawH);
    char text[320];
    std::snprintf(text, sizeof text,
                  "screen=%s\ndialog=%s\nfocus=%s\nprofiles=%d\nprompt=%d\nsettled=%d\ndrawable=%dx%d\nmouse=%d,%d\n"
                  "frames=%d\n",
                  screen, currentDialogName(), focus, profileState.count,
                  s == &screens.splash && screens.splash.waitingForKey() ? 1 : 0, menus.opening || menus.closing ? 0 : 1,
                  drawW, drawH, app.mouseX, app.mouseY, shell.framesRun);
    // Through a temporary file renamed over the old one, so a reader never sees half a file.
    std::string tmp = std::string(path) + ".tmp";
    FILE* f = std::fopen(tmp.c_str(), "wb");
    if (!f) return;
    bool ok = std::fputs(text, f) >= 0;
    ok = std::fclose(f) == 0 && ok;
    if (ok) std::rename(tmp.c_str(), path);
    // The textures resident on this screen, for measuring (docs/platform.md, "Textures by screen"):
    // one file per screen and dialog, the last one written while it showed.
    static const char* textures = std::getenv("OSTRIMAR_TEXTURE_FILE");
    if (textures && textures[0])
        writeTextureTable((std::string(textures) + "-" + screen + "-" + currentDialogName()).c_str());
}

// ---- A replay on the screen ----

bool prepareReplayShow(const char* file, ReplayShow* show)
{
    std::snprintf(show->file, sizeof show->file, "%s", file);
    show->folder[0] = 0;
    char why[160] = {};
    if (!readReplayFile(file, &replayPlayer.replay, why, sizeof why)) {
        std::fprintf(stderr, "%s: %s\n", file, why);
        return false;
    }
    char tmpl[] = "/tmp/ostrimar-replay-XXXXXX";
    if (!mkdtemp(tmpl)) {
        std::fprintf(stderr, "%s: no temporary folder for the replay\n", file);
        return false;
    }
    std::snprintf(show->folder, sizeof show->folder, "%s", tmpl);
    std::snprintf(persist.folderOverride, sizeof persist.folderOverride, "%s", tmpl);
    return true;
}

bool startReplayShow(const ReplayShow& show)
{
    if (profileState.count == 0) createProfile("Replay");
    resetBoard();
    const Replay& r = replayPlayer.replay;
    std::string level = std::string("levels/") + r.start.levelName;
    if (!osFileExists(level.c_str())) level = r.start.levelName;
    char why[160] = {};
    if (!replayPlayBegin(r, level.c_str(), why, sizeof why)) {
        std::fprintf(stderr, "%s: %s\n", show.file, why);
        replayPlayer.failed = 1;
        return false;
    }
    replayPlayer.onScreen = 1;
    requestScreen(&screens.game);
    return true;
}

int endReplayShow(const ReplayShow& show)
{
    int code = 0;
    if (replayPlayer.finished) {
        char line[200];
        replayLine(replayPlayer.replay, replayPlayer.result, line, sizeof line);
        std::printf("%s\n", line);
    } else if (replayPlayer.failed) {
        if (replayPlayer.why[0]) std::fprintf(stderr, "%s: %s\n", show.file, replayPlayer.why);
        code = 1;
    }
    // Left before its end: nothing to say.
    std::error_code ignored;
    if (show.folder[0]) std::filesystem::remove_all(show.folder, ignored);
    return code;
}
