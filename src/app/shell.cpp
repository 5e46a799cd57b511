#include "app/shell.h"

#include "app/route.h"

#include "core/appstate.h"
#include "core/math.h"
#include "core/random.h"
#include "core/requestlog.h"
#include "app/cursors.h"
#include "app/messagewindow.h"
#include "app/screen_draw.h"
#include "app/screens.h"
#include "audio/audio.h"
#include "game/boardrender.h"
#include "game/hud.h"
#include "game/gameflow.h"
#include "game/level.h"
#include "effects/backdrops.h"
#include "effects/effects.h"
#include "graphics/device.h"
#include "graphics/screenshot.h"
#include "map/map.h"
#include "menus/menus.h"
#include "persist/records.h"
#include "game/savegame.h"
#include "game/replay.h"
#include "persist/profile.h"
#include "persist/ownoptions.h"
#include "persist/settings.h"
#include "platform/os/dirs.h"
#include "platform/os/files.h"
#include "platform/os/msgbox.h"
#include "platform/os/os.h"
#include "platform/os/startlog.h"
#include "resources/files.h"
#include "resources/texts.h"
#include "resources/unicode.h"
#include "trophies/trophies.h"
#include "ui/debugoverlay.h"
#include "ui/messages.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

ShellState shell;

namespace {

// The time and move values of a level file, for the default records (the level reader writes
// the board, which holds nothing yet during the deferred load).
bool levelLimitsForRecords(int level, float* time, int* moves)
{
    // Only the two values are wanted: what the reader learns besides (the backdrop) is the scan's.
    LevelFilesState before = levelFiles;
    bool ok = readLevel(level);
    *time = levelFiles.rawTime;
    *moves = levelFiles.rawMoves;
    levelFiles = before;
    return ok;
}

constexpr int SCREEN_WIDTH = 800;
constexpr int SCREEN_HEIGHT = 600;
constexpr uint32_t FPS_PERIOD_MS = 300;
constexpr int REFRESH_QUERY_FRAMES = 120;  // frames between looks at the display's refresh rate
constexpr unsigned FRAME_CLEAR_COLOR = 0xFFB4B4B4u;

void progressFromFileTable(int32_t bytes)
{
    addLoadProgress(bytes);
}

bool equalsUtf16(const char16_t* a, const char* b)
{
    for (; *a && *b; ++a, ++b)
        if (*a != static_cast<char16_t>(static_cast<unsigned char>(*b))) return false;
    return *a == 0 && *b == 0;
}

void copyText(char* out, int capacity, const char* text)
{
    std::snprintf(out, static_cast<size_t>(capacity), "%s", text);
}

// The one-copy lock of the settings folder this start would write (the data folder's name where
// no settings folder can be named). False when another copy holds it: that copy's window is
// brought to the front and standard error says so.
bool takeSingleInstanceLock()
{
    char folder[PATH_MAX];
    if (!osSettingsDirName(folder, sizeof folder)) copyText(folder, sizeof folder, app.dataDir);
    char name[64];
    osLockNameFor("Ostrimar", folder, name, sizeof name);
    if (osAcquireSingleInstance(name)) return true;
    switch (osRaiseRunningCopy()) {
    case OsRaiseResult::Raised:
        std::fprintf(stderr, "Ostrimar is already running (process %ld); its window was brought to the front.\n",
                     osState.lockOwnerPid);
        break;
    case OsRaiseResult::NoWindow:
        std::fprintf(stderr, "Ostrimar is already running (process %ld) and has no window to bring to the front yet.\n",
                     osState.lockOwnerPid);
        break;
    case OsRaiseResult::NotPossible:
        std::fprintf(stderr, "Ostrimar is already running (process %ld); switch to its window.\n",
                     osState.lockOwnerPid);
        break;
    }
    return false;
}

// The sentence of a state file that could not be read, in the loading error's box.
bool stopForUnreadableStateFile()
{
    if (!persist.readErrorText[0]) return false;
    char text[sizeof persist.readErrorText + 64];
    std::snprintf(text, sizeof text, "%s\nProgram will now stop.", persist.readErrorText);
    osMessageBox(text, "Loading Error");
    return true;
}

}  // namespace

void showScreenshotSaved(const char* path)
{
    // Only the file's name: the whole path does not fit the message line (the folder is the
    // screenshot folder of docs/platform.md).
    std::string shown = path ? path : "";
    size_t slash = shown.find_last_of('/');
    if (slash != std::string::npos && slash + 1 < shown.size()) shown.erase(0, slash + 1);
    std::u16string name;
    if (!utf8ToUtf16(shown, name)) name.assign(shown.begin(), shown.end());
    const char16_t* format = text("screenshotsaved");
    std::u16string message = format ? std::u16string(format) : std::u16string(u"screenshotsaved %s");
    size_t at = message.find(u"%s");
    if (at != std::u16string::npos) message.replace(at, 2, name);
    else message += u" " + name;
    showStatusMessage(message.c_str());
}

void resetShell()
{
    shell = ShellState{};
}

void chooseDataDir()
{
    copyText(app.startDir, sizeof app.startDir, osGetCurrentDirectory());
    char exeDir[PATH_MAX];
    if (!osExecutableDir(exeDir, sizeof exeDir)) exeDir[0] = 0;
    char found[PATH_MAX];
    bool portable = true;
    size_t len = 0;
    if (osLocateData(app.startDir, exeDir, found, sizeof found, &portable)) len = std::strlen(found);
    if (len == 0 || len + 2 > sizeof app.dataDir) {
        // Too long for the data folder field: the relative name, which the tracked current
        // folder resolves, still finds it.
        copyText(app.dataDir, sizeof app.dataDir, "Data/");
        return;
    }
    std::memcpy(app.dataDir, found, len);
    app.dataDir[len] = '/';
    app.dataDir[len + 1] = 0;
}

bool windowProc(const OsMessage& msg)
{
    shell.messagesHandled++;
    Screen* screen = screens.currentScreen;
    switch (msg.message) {
    case WM_SIZE:
        setProjectionForClient();
        return true;
    case WM_ACTIVATE:
        if ((msg.wParam & 0xFFFFu) != 0) {
            resumeAudio();
            app.appActive = 1;
            app.frameMs = 0.0f;
            app.frameMsRaw = 0;
            app.lastFrameTime = timeGetTime();
            if (screen) screen->activate();
        } else {
            pauseAudio();
            app.appActive = 0;
        }
        return true;
    case WM_CLOSE:
        replayLevelLeft();
        // A save that fails now is shown in the window; the window stays until the player has
        // seen it (a second close quits: the failure was told once already).
        if (!saveForClosing()) return true;
        shell.savedAtClose = app.settingsLoaded != 0;
        app.quitRequested = 1;
        return true;
    case WM_KEYDOWN:
        if (screen) screen->keyDown(static_cast<int>(msg.wParam));
        return true;
    case WM_KEYUP:
        return true;
    case WM_CHAR:
        if (screen) screen->textInput(static_cast<char16_t>(msg.wParam));
        return true;
    case WM_MOUSEMOVE:
        app.mouseX = mouseXOf(msg.lParam);
        app.mouseY = mouseYOf(msg.lParam);
        if (screen) screen->mouseMove();
        return true;
    case WM_LBUTTONDOWN:
        if (screen) screen->lButtonDown();
        return true;
    case WM_LBUTTONUP:
        if (screen) screen->lButtonUp();
        return true;
    case WM_LBUTTONDBLCLK:
        if (screen) screen->lButtonDblClk();
        return true;
    case WM_RBUTTONDOWN:
        if (screen) screen->rButtonDown();
        return true;
    case WM_RBUTTONUP:
        if (screen) screen->rButtonUp();
        return true;
    case WM_MBUTTONDOWN:
        if (screen) screen->mButtonDown();
        return true;
    default:
        return false;
    }
}

void measureFrameTime(uint32_t now)
{
    app.frameMsRaw = now - app.lastFrameTime;
    app.lastFrameTime = now;
    app.fpsAccumMs += app.frameMsRaw;
    app.fpsFrames += 1;
    if (app.fpsAccumMs > FPS_PERIOD_MS) {
        std::snprintf(app.fpsText, sizeof app.fpsText, "%.1f FPS",
                      1000.0f / static_cast<float>(app.fpsAccumMs) * static_cast<float>(app.fpsFrames));
        app.fpsAccumMs -= FPS_PERIOD_MS;
        app.fpsFrames = 0;
    }
    app.frameMs = static_cast<float>(app.frameMsRaw) * app.timeScale;
}

void runFrame()
{
    if (!app.appActive || osWindowMinimised()) {
        // Nothing is drawn and time does not advance (activation resets the frame clock):
        // block until the window system has something to say.
        osWaitMessage();
        return;
    }
    Screen* screen = screens.currentScreen;
    clearDepth(1.0f);
    clearColor(FRAME_CLEAR_COLOR);
    beginScene();
    if (screen) screen->render();
    if (app.debugOverlayOn) drawDebugOverlay();
    // Cleared every frame (after the overlay has drawn it) so the count cannot grow without
    // bound while the overlay is off.
    app.triangleCount = 0;
    endScene();
    presentFrame();
    char saved[PATH_MAX + 32];
    if (takeSavedScreenshot(saved, sizeof saved)) showScreenshotSaved(saved);
    measureFrameTime(timeGetTime());
    // A failed save waiting for its message box (a dialog was moving when it happened).
    if (persist.errorPending) showSaveError();
    screen = screens.currentScreen;
    if (screen) screen->update();
    finishFrameSwitch();
    dumpScreenIfAsked();
    if (shell.framesRun < 2) osStartupMark(shell.framesRun == 0 ? "first frame" : "second frame");
    if (shell.framesRun == 1) osStartupDone();
    shell.framesRun++;
}

void paceFrame()
{
    if (shell.framesRun % REFRESH_QUERY_FRAMES == 0) pacerSetRefreshRate(shell.pacer, osRefreshRate());
    pacerSetIdleRate(shell.pacer, screens.currentScreen ? screens.currentScreen->idleFrameRate() : 0);
    uint64_t wait = pacerWaitUs(shell.pacer, osMonotonicUs());
    if (wait > 0) osSleepUs(wait);
    pacerFrameStarted(shell.pacer, osMonotonicUs());
}

void toggleFullscreen()
{
    Settings& settings = persist.settings;
    settings.fullscreen = settings.fullscreen ? 0 : 1;
    osSetFullscreen(settings.fullscreen != 0);
    applyDisplaySettings(settings.fullscreen != 0);
    settings.colorDepth32 = device.colorDepth32;
    shell.fullscreenToggles++;
}

bool deferredLoad()
{
    shell.deferredLoads++;
    srand15(timeGetTime());
    osSetCurrentDirectory(app.dataDir);
    // A missing archive is skipped; a damaged one keeps the members before the damage.
    openArchive("targa.dat");
    openArchive("jpeg.dat");
    openArchive("texts.dat");
    loadTextFile("settings.txt");
    const char16_t* lang = text("lang");
    shell.languageFolder = (lang && equalsUtf16(lang, "eng")) ? 2 : 1;
    std::snprintf(shell.textDir, sizeof shell.textDir, "%stxt/%d/", app.dataDir, shell.languageFolder);
    osSetCurrentDirectory(shell.textDir);
    loadTextFile("menutext.txt");
    loadTextFile("strings.txt");
    loadTextFile("tips.txt");
    osSetCurrentDirectory(app.dataDir);
    // The writable folder: "settings" in a portable copy's data folder, else under the user's
    // data home (persist/settings.h asks the OS layer where; created when missing).
    ensureSettingsFolder();
    loadProfiles();
    // Default records take each level's time and move values from its file.
    setRecordsLevelSource(levelLimitsForRecords);
    loadRecords();
    // A state file that is there but cannot be read: stop, rather than play on without the
    // player's data and overwrite it at the next save.
    if (stopForUnreadableStateFile()) return false;
    app.settingsLoaded = 1;
    osSetCurrentDirectory(app.dataDir);
    loadEffects();
    loadBackdropCatalogue();
    menuHooks.arrowPointer = setSystemCursor;
    menuHooks.softwareCursor = &persist.settings.softwareCursor;
    menuHooks.mapUnlocked = &screens.mapUnlocked;
    menuHooks.highestUnlockedLevel = profileBestLevel;
    loadMenus(shell.textDir);
    loadMenuPictures();
    initAudio(persist.settings.musicVolume, persist.settings.sfxVolume);
    loadSounds();
    // The font and the shutter's picture; the board's and the HUD's pictures are loaded when a
    // level is drawn and released when the game screen is left (docs/platform.md, "Memory").
    loadFontAndShutter();
    boardRender.picturesOnShow = 1;
    loadTrophies();
    // The level descriptions: every level file once, up to the first missing one, so that each
    // level's backdrop is known before the level starts.
    scanLevels();
    loadMap();
    screens.currentScreen = &screens.splash;
    return true;
}

void shutdownShell()
{
    if (shell.deviceCreated) {
        releaseDevice();
        shell.deviceCreated = false;
    }
    shutdownAudio();
    freeTextTables();
    osDestroyWindow();
    shell.windowCreated = false;
}

int shellMain(const ShellOptions& options)
{
    // 1. The display first: without one there is nothing to play on, and a copy that cannot show
    // a window must not hold the lock (a later start with a display would find it taken).
    osStartupMark("shell entered");
    if (options.catchSignals) osCatchCloseSignals();
    ReplayShow replay;
    if (options.replayFile && !prepareReplayShow(options.replayFile, &replay)) return 1;
    replayRecorder.enabled = options.replayFile ? 0 : 1;
    if (options.headless) {
        osInit(true);
    } else if (!osInit(false)) {
        std::fprintf(stderr, "Ostrimar: no display could be opened (is DISPLAY or WAYLAND_DISPLAY set?)\n");
        return 1;
    }
    osStartupMark("display opened");
    osSetWindowProc(windowProc);
    // Where the desktop has no message service, messages are drawn in the game's window.
    osSetMessageBoxFallback(showMessageInWindow);
    // 2. Tables built once; the screens' route for the dialogs and the game.
    buildSqrtTable();
    installRoute();
    // 3. The data folder becomes the current folder.
    chooseDataDir();
    // One copy per settings folder: a second start brings the running copy's window forward.
    if (!takeSingleInstanceLock()) {
        osSetWindowProc(nullptr);
        osSetMessageBoxFallback(nullptr);
        osShutdown();
        return 0;
    }
    osStartupMark("lock taken");
    // The first splash picture is decoded on a second thread while the window and the device are
    // made (loadSplash takes it).
    decodeFirstSplashAhead(app.dataDir);
    osSetCurrentDirectory(app.dataDir);
    fileTable.progressHook = progressFromFileTable;
    // 4.-5. Settings before the window: its style and the device depend on full screen.
    loadSettings();
    loadOwnOptions();  // "options.dat": this program's own options (calm motion)
    if (stopForUnreadableStateFile()) {
        osShutdown();
        return 1;
    }
    osStartupMark("settings read");
    Settings& settings = persist.settings;
    bool fullscreen = settings.fullscreen != 0;
    chooseDisplay(fullscreen);
    settings.colorDepth32 = device.colorDepth32;
    // 6.-10. Window and device.
    if (!osCreateWindow("Ostrimar", SCREEN_WIDTH, SCREEN_HEIGHT, fullscreen)) {
        osShutdown();
        return 0;
    }
    osStartupMark("window created");
    shell.windowCreated = true;
    setProgramIcon();
    osStartupMark("icon set");
    if (!fullscreen) osShowWindow();
    if (!createDevice(osWindowHandle())) {
        shutdownShell();
        osShutdown();
        return 0;
    }
    osStartupMark("device created");
    shell.deviceCreated = true;
    if (fullscreen) osShowWindow();
    osStartupMark("window shown");
    setProjectionForClient();
    // 11.-12. The splash screen, and one blank frame at once.
    screens.currentScreen = &screens.splash;
    beginScene();
    clearColor(0x00000000u);
    endScene();
    presentFrame();
    osStartupMark("blank frame presented");
    // 13.-15.
    osSetCurrentDirectory(app.dataDir);
    loadSplash();
    if (settings.softwareCursor) setProgramCursor(CURSOR_ARROW);
    osStartupMark("splash loaded");
    app.lastFrameTime = timeGetTime();
    // 16. The loop: messages first, a frame whenever none is waiting.
    while (!app.quitRequested) {
        OsMessage msg;
        if (osPeekMessage(&msg)) {
            if (msg.message == WM_QUIT)
                app.quitRequested = 1;
            else
                windowProc(msg);
            // Anything the window system reports (input, focus, size) ends an idle spell.
            if (options.paceFrames) pacerInputSeen(shell.pacer, osMonotonicUs());
            continue;
        }
        if (osTakeFullscreenToggle()) toggleFullscreen();
        if (options.paceFrames && app.appActive && !osWindowMinimised()) paceFrame();
        runFrame();
        if (app.deferredLoadRequested) {
            if (!deferredLoad()) {
                shutdownShell();
                osShutdown();
                return 0;
            }
            app.debugOverlayOn = 0;
            app.deferredLoadRequested = 0;
            if (options.replayFile && !startReplayShow(replay)) app.quitRequested = 1;
        }
    }
    replayLevelLeft();
    // 17. The shared state files only when they were read (never from a closed splash).
    if (app.settingsLoaded && !shell.savedAtClose) saveAll();
    // 18.
    shutdownShell();
    setSystemCursor();
    fileTable.progressHook = nullptr;
    osSetWindowProc(nullptr);
    osSetMessageBoxFallback(nullptr);
    osShutdown();
    return options.replayFile ? endReplayShow(replay) : 0;
}
