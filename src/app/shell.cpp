#include "app/shell.h"

#include "core/appstate.h"
#include "core/math.h"
#include "core/random.h"
#include "core/requestlog.h"
#include "app/cursors.h"
#include "app/screen_draw.h"
#include "app/screens.h"
#include "audio/audio.h"
#include "game/boardrender.h"
#include "game/level.h"
#include "effects/backdrops.h"
#include "effects/effects.h"
#include "graphics/device.h"
#include "map/map.h"
#include "menus/menus.h"
#include "persist/records.h"
#include "persist/savegame.h"
#include "persist/settings.h"
#include "platform/os/files.h"
#include "platform/os/os.h"
#include "resources/files.h"
#include "resources/texts.h"
#include "trophies/trophies.h"
#include "ui/debugoverlay.h"

#include <cstdio>
#include <cstring>

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
constexpr uint32_t INACTIVE_SLEEP_MS = 200;
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

// Loaders of modules that are not built yet and have no operation to call: each call site
// records its request so the order of the deferred load stays visible to tests.
void loadDialogPictures() { recordRequest("loadDialogPictures"); }
void loadLevelDescriptions() { recordRequest("loadLevelDescriptions"); }

void copyText(char* out, int capacity, const char* text)
{
    std::snprintf(out, static_cast<size_t>(capacity), "%s", text);
}

}  // namespace

void resetShell()
{
    shell = ShellState{};
}

void chooseDataDir()
{
    copyText(app.startDir, sizeof app.startDir, osGetCurrentDirectory());
    char candidate[OS_PATH_MAX];
    std::snprintf(candidate, sizeof candidate, "%s/Data", app.startDir);
    if (!osFolderExists(candidate)) {
        // Room for "/Data" after the program's folder.
        char exeDir[OS_PATH_MAX - 8];
        if (osExecutableDir(exeDir, sizeof exeDir)) {
            char besideProgram[OS_PATH_MAX];
            std::snprintf(besideProgram, sizeof besideProgram, "%s/Data", exeDir);
            if (osFolderExists(besideProgram)) std::memcpy(candidate, besideProgram, sizeof candidate);
        }
    }
    // Resolve the letter case once ("data" copied from elsewhere is found as "Data").
    char resolved[OS_PATH_MAX];
    if (osResolvePath(candidate, resolved, sizeof resolved)) copyText(candidate, sizeof candidate, resolved);
    size_t len = std::strlen(candidate);
    if (len + 2 > sizeof app.dataDir) {
        // Too long for the data folder field: the relative name, which the tracked current
        // folder resolves, still finds it.
        copyText(app.dataDir, sizeof app.dataDir, "Data/");
        return;
    }
    std::memcpy(app.dataDir, candidate, len);
    app.dataDir[len] = '/';
    app.dataDir[len + 1] = 0;
}

bool windowProc(const OsMessage& msg)
{
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
        saveGame();
        app.quitRequested = 1;
        return true;
    case WM_KEYDOWN:
        if (screen) screen->keyDown(static_cast<int>(msg.wParam));
        return true;
    case WM_KEYUP:
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
    if (!app.appActive) {
        osSleep(INACTIVE_SLEEP_MS);
        return;
    }
    clearDepth(1.0f);
    clearColor(FRAME_CLEAR_COLOR);
    beginScene();
    Screen* screen = screens.currentScreen;
    if (screen) screen->render();
    if (app.debugOverlayOn) drawDebugOverlay();
    // Cleared every frame (after the overlay has drawn it) so the count cannot grow without
    // bound while the overlay is off.
    app.triangleCount = 0;
    endScene();
    presentFrame();
    measureFrameTime(timeGetTime());
    screen = screens.currentScreen;
    if (screen) screen->update();
    finishFrameSwitch();
    shell.framesRun++;
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
    ensureSettingsFolder();
    loadProfiles();
    // Default records take each level's time and move values from its file.
    setRecordsLevelSource(levelLimitsForRecords);
    loadRecords();
    app.settingsLoaded = 1;
    osSetCurrentDirectory(app.dataDir);
    loadEffects();
    loadBackdropCatalogue();
    loadMenus();
    loadDialogPictures();
    initAudio();
    loadSounds();
    loadBoardPictures();
    loadTrophies();
    loadLevelDescriptions();
    // Every level file once, so that each level's backdrop is known before the level starts.
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
    // 1. One copy at a time: a second one leaves at once, silently.
    if (!osAcquireSingleInstance("Ostrimar")) return 0;
    if (options.catchSignals) osCatchCloseSignals();
    if (options.headless) {
        osInit(true);
    } else if (!osInit(false)) {
        std::fprintf(stderr, "Ostrimar: no display could be opened; running without a window.\n");
        osInit(true);
    }
    osSetWindowProc(windowProc);
    // 2. Tables built once.
    buildSqrtTable();
    // 3. The data folder becomes the current folder.
    chooseDataDir();
    osSetCurrentDirectory(app.dataDir);
    fileTable.progressHook = progressFromFileTable;
    // 4.-5. Settings before the window: its style and the device depend on full screen.
    loadSettings();
    Settings& settings = persist.settings;
    settings.colorDepth32 = settings.fullscreen ? 0 : 1;
    bool fullscreen = settings.fullscreen != 0;
    // 6.-10. Window and device.
    if (!osCreateWindow("Ostrimar", SCREEN_WIDTH, SCREEN_HEIGHT, fullscreen)) {
        osShutdown();
        return 0;
    }
    shell.windowCreated = true;
    setProgramIcon();
    if (!fullscreen) osShowWindow();
    if (!createDevice(osWindowHandle())) {
        shutdownShell();
        osShutdown();
        return 0;
    }
    shell.deviceCreated = true;
    if (fullscreen) osShowWindow();
    setProjectionForClient();
    // 11.-12. The splash screen, and one blank frame at once.
    screens.currentScreen = &screens.splash;
    beginScene();
    clearColor(0x00000000u);
    endScene();
    presentFrame();
    // 13.-15.
    osSetCurrentDirectory(app.dataDir);
    loadSplash();
    if (settings.softwareCursor) setProgramCursor(CURSOR_ARROW);
    app.lastFrameTime = timeGetTime();
    // 16. The loop: messages first, a frame whenever none is waiting.
    while (!app.quitRequested) {
        OsMessage msg;
        if (osPeekMessage(&msg)) {
            if (msg.message == WM_QUIT)
                app.quitRequested = 1;
            else
                windowProc(msg);
            continue;
        }
        runFrame();
        if (app.deferredLoadRequested) {
            if (!deferredLoad()) {
                shutdownShell();
                osShutdown();
                return 0;
            }
            app.debugOverlayOn = 0;
            app.deferredLoadRequested = 0;
        }
    }
    // 17. The shared state files only when they were read (never from a closed splash).
    if (app.settingsLoaded) saveAll();
    // 18.
    shutdownShell();
    setSystemCursor();
    fileTable.progressHook = nullptr;
    osSetWindowProc(nullptr);
    osShutdown();
    return 0;
}
