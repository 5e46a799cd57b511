#pragma once
// The window, its messages, the millisecond timer, sleeping, cursors and the single-instance lock.
//
// Two variants behind one interface, chosen at osInit:
// - the SDL variant opens a real window and turns SDL events into window-procedure messages
//   (WM_* below, with Windows virtual-key codes);
// - the headless variant has no window and no SDL video at all: its messages come only from
//   osPostMessage and from a script (osSetScript) that tests use to drive the real main loop
//   frame by frame, and it can run on a fake clock.
// With osCatchCloseSignals, SIGTERM and SIGINT arrive as WM_CLOSE in both variants.
#include <climits>
#include <cstdint>

// Window-procedure messages (the Win32 values, so that logs read as they would there).
constexpr uint32_t WM_SIZE = 0x0005;
constexpr uint32_t WM_ACTIVATE = 0x0006;
constexpr uint32_t WM_CLOSE = 0x0010;
constexpr uint32_t WM_QUIT = 0x0012;
constexpr uint32_t WM_KEYDOWN = 0x0100;
constexpr uint32_t WM_KEYUP = 0x0101;
constexpr uint32_t WM_CHAR = 0x0102;  // one typed character: wParam is its UTF-16 code unit
constexpr uint32_t WM_MOUSEMOVE = 0x0200;
constexpr uint32_t WM_LBUTTONDOWN = 0x0201;
constexpr uint32_t WM_LBUTTONUP = 0x0202;
constexpr uint32_t WM_LBUTTONDBLCLK = 0x0203;
constexpr uint32_t WM_RBUTTONDOWN = 0x0204;
constexpr uint32_t WM_RBUTTONUP = 0x0205;
constexpr uint32_t WM_RBUTTONDBLCLK = 0x0206;
constexpr uint32_t WM_MBUTTONDOWN = 0x0207;
constexpr uint32_t WM_MBUTTONUP = 0x0208;
constexpr uint32_t WM_MBUTTONDBLCLK = 0x0209;

// WM_ACTIVATE's wParam low word: 0 inactive, 1 active.
constexpr uint32_t WA_INACTIVE = 0;
constexpr uint32_t WA_ACTIVE = 1;

// Virtual-key codes the game uses (letters are 0x41..0x5A, digits 0x30..0x39).
constexpr int VK_BACK = 8;
constexpr int VK_TAB = 9;
constexpr int VK_RETURN = 13;
constexpr int VK_SHIFT = 16;
constexpr int VK_CONTROL = 17;
constexpr int VK_MENU = 18;
constexpr int VK_PAUSE = 19;
constexpr int VK_ESCAPE = 27;
constexpr int VK_SPACE = 32;
constexpr int VK_PRIOR = 33;
constexpr int VK_NEXT = 34;
constexpr int VK_END = 35;
constexpr int VK_HOME = 36;
constexpr int VK_LEFT = 37;
constexpr int VK_UP = 38;
constexpr int VK_RIGHT = 39;
constexpr int VK_DOWN = 40;
constexpr int VK_INSERT = 45;
constexpr int VK_DELETE = 46;
constexpr int VK_NUMPAD0 = 0x60;
constexpr int VK_F1 = 0x70;
constexpr int VK_F11 = 0x7A;
constexpr int VK_F12 = 0x7B;

// One window-procedure message. For mouse messages lParam packs the client position as on
// Windows: x in the low 16 bits, y in the high 16 bits, each signed.
struct OsMessage {
    uint32_t message = 0;
    uint32_t wParam = 0;
    uint32_t lParam = 0;
};

constexpr uint32_t packMousePosition(int x, int y)
{
    return (static_cast<uint32_t>(x) & 0xFFFFu) | ((static_cast<uint32_t>(y) & 0xFFFFu) << 16);
}
constexpr int mouseXOf(uint32_t lParam) { return static_cast<int16_t>(lParam & 0xFFFFu); }
constexpr int mouseYOf(uint32_t lParam) { return static_cast<int16_t>(lParam >> 16); }

// A scripted message for the headless variant: delivered once `frame` idle polls have passed
// (an idle poll is an osPeekMessage that found nothing, i.e. one pass of the main loop's frame).
struct OsScriptStep {
    uint32_t frame;
    OsMessage msg;
};

constexpr int OS_QUEUE_SIZE = 256;
constexpr int OS_SCRIPT_SIZE = 1024;

// How the last message box reached the player (platform/os/msgbox.h).
enum class OsMessageWay { None, StandardErrorOnly, SystemBox, ProgramWindow };
// The program's own way of showing a message; true when it was shown and dismissed.
using OsMessageFallback = bool (*)(const char* text, const char* caption);

struct OsState {
    bool initialised = false;
    bool headless = true;
    bool sdlVideo = false;      // SDL's video subsystem is up (SDL variant)
    bool eglAsked = false;      // windows are made with EGL for OpenGL (software rendering)
    bool surfaceWindow = false; // the window has no OpenGL: it is shown through its surface (software rendering)
    void* window = nullptr;     // SDL_Window* in the SDL variant
    int clientWidth = 800;      // logical client size the game draws at
    int clientHeight = 600;
    bool fullscreen = false;
    bool active = false;        // last activation state reported as WM_ACTIVATE
    bool minimised = false;     // hidden or minimised: the loop draws nothing and waits
    bool exposed = false;       // the window must be given its picture again (osTakeWindowExposed)
    int windowPixelWidth = 0;   // the X window's real size in pixels, 0 when unknown or not X11
    int windowPixelHeight = 0;
    int lastMouseX = -1;        // last position reported as WM_MOUSEMOVE
    int lastMouseY = -1;
    // Messages waiting to be taken (posted, or translated from one SDL event into several).
    OsMessage queue[OS_QUEUE_SIZE];
    int queueHead = 0;
    int queueCount = 0;
    // Headless script.
    OsScriptStep script[OS_SCRIPT_SIZE];
    int scriptCount = 0;
    int scriptNext = 0;
    uint32_t idlePolls = 0;
    uint32_t maxIdlePolls = 0;  // when non-zero, WM_CLOSE is delivered after this many idle polls
    bool closeDelivered = false;
    void (*idleHook)(uint32_t idlePoll, void* user) = nullptr;
    void* idleHookUser = nullptr;
    // Clock.
    bool fakeClock = false;
    uint64_t fakeNowUs = 0;     // the fake clock, in microseconds
    uint32_t fakeStepMs = 0;    // fake clock advance per idle poll
    uint32_t sleptMs = 0;       // total requested by osSleep (both clocks), whole milliseconds
    uint64_t sleptUs = 0;       // total requested by osSleep and osSleepUs, microseconds
    uint32_t sleeps = 0;        // calls of osSleep / osSleepUs that slept
    uint32_t waits = 0;         // calls of osWaitMessage
    // Keys the OS layer keeps for itself (never sent to the game as key messages).
    int screenshotPresses = 0;  // F12 presses not yet taken by osTakeScreenshotRequest
    int fullscreenToggles = 0;  // F11 / Alt+Enter presses not yet taken by osTakeFullscreenToggle
    bool altDown = false;
    // Single instance.
    int lockFd = -1;
    char lockDir[PATH_MAX] = {};  // overrides the runtime folder when not empty (tests)
    char lockPath[PATH_MAX] = {};
    long lockOwnerPid = 0;          // the holder named in the lock file when another copy holds it
    unsigned long lockOwnerWindow = 0;  // its X window, 0 when it has none (yet) or is not on X11
    // Cursor.
    void* cursor = nullptr;     // SDL_Cursor* of the colour cursor in use, if any
    // Tests: SDL's message box fails as it does where no message service exists.
    bool systemMessageBoxFails = false;
    OsMessageFallback messageFallback = nullptr;  // see osSetMessageBoxFallback
    OsMessageWay lastMessageWay = OsMessageWay::None;
    // Window procedure for messages sent at once rather than queued (activation on show).
    bool (*windowProc)(const OsMessage& msg) = nullptr;
};

extern OsState osState;

// Starts the OS layer. headless = false brings up SDL's video; it returns false when no display
// can be opened (the program then says so and ends). headless = true never fails.
bool osInit(bool headless);
// False for SDL's drivers that show nothing (offscreen, dummy) unless asked for by name in
// SDL_VIDEODRIVER (`asked`, a comma-separated list, null when unset): SDL picks them by itself
// when no display can be reached. Pure.
bool osVideoDriverShows(const char* driver, const char* asked);
// Closes the window and SDL and resets the state (the lock is kept: it dies with the process).
void osShutdown();
// Resets the whole state to a fresh headless layer (tests). Releases the lock.
void resetOs();
bool osIsHeadless();

// Creates the hidden window (title, client size; full screen on the desktop's mode when asked).
// Returns false on failure. In the headless variant there is no window but this succeeds.
bool osCreateWindow(const char* title, int width, int height, bool fullscreen);
// The window procedure that receives messages sent at once (see osShowWindow); null for none.
void osSetWindowProc(bool (*proc)(const OsMessage& msg));
// Shows and raises the window and gives it the focus. As on Windows, showing a new foreground
// window activates it: a WM_ACTIVATE (active) is sent at once to the window procedure (queued
// when there is none), unless the window is already active.
void osShowWindow();
void osDestroyWindow();
// The window as an opaque handle for the graphics device: the SDL_Window*, null when headless.
// Made with SDL_WINDOW_OPENGL (the GL context is created on it) unless Mesa draws in software:
// then it is made without OpenGL and shown through its surface (osState.surfaceWindow), and the
// device makes its context elsewhere.
void* osWindowHandle();
// The logical client area (800 by 600): the size the game draws at and mouse positions refer to.
void osClientSize(int* width, int* height);
// The window's size in pixels for drawing (high-DPI aware), the logical size when headless. On
// X11 the size the X server has (SDL's own can lag behind, see docs/platform.md).
void osDrawableSize(int* width, int* height);
// The same for any SDL window (the device's): the program window's real size, else SDL's
// drawable size; 0 x 0 for none.
void osWindowPixels(void* window, int* width, int* height);
// The letterbox: where a backW x backH picture goes in a drawW x drawH drawable, scaled
// uniformly to fit and centred (the device draws into exactly this box).
void osLetterbox(int drawW, int drawH, int backW, int backH, int* x, int* y, int* w, int* h);
// Converts a window position (SDL's coordinates, window units) to the logical client area, for a
// window of windowW x windowH units whose drawable has drawW x drawH pixels (high-DPI: more
// pixels than units): through the same letterbox the device draws. Positions over the bars fall
// outside 0..799 / 0..599.
void osPointerToClient(int windowX, int windowY, int windowW, int windowH, int drawW, int drawH, int* clientX,
                       int* clientY);
// The same for a drawable as large as the window.
void osWindowToClient(int windowX, int windowY, int windowW, int windowH, int* clientX, int* clientY);

// Takes the next message, if any (PeekMessage with PM_REMOVE). False when the queue is empty:
// the caller then runs a frame. In the headless variant an empty poll advances the fake clock by
// its step and counts one idle poll.
bool osPeekMessage(OsMessage* out);
// Appends a message to the queue (false when full).
bool osPostMessage(const OsMessage& msg);
// Headless: replaces the script (at most OS_SCRIPT_SIZE steps, in the order given; steps must be
// in non-decreasing frame order). Returns false when it is too long.
bool osSetScript(const OsScriptStep* steps, int count);
// Headless: deliver WM_CLOSE after this many idle polls (0 = never), so a test can never hang.
void osSetMaxIdlePolls(uint32_t polls);
// Headless: called on each idle poll before it returns, with the poll's number (0-based).
void osSetIdleHook(void (*hook)(uint32_t idlePoll, void* user), void* user);

// Turns SIGTERM and SIGINT into WM_CLOSE (the program calls this; tests do not).
void osCatchCloseSignals();

// A key went down or up (virtual-key code; repeat = auto-repeat). The SDL variant calls this for
// every keyboard event; tests call it directly. F12 is the screenshot key and F11 or Alt+Enter
// toggle full screen: those are kept by the OS layer (counted, see below) and never reach the
// game as WM_KEYDOWN. Every other key becomes WM_KEYDOWN / WM_KEYUP.
void osKeyEvent(int virtualKey, bool down, bool repeat);
// True once for every press of the screenshot key not yet taken (presses within one frame are
// taken one per call, so each saves its own picture).
bool osTakeScreenshotRequest();
// True once after the window system exposed, resized, restored or showed the window: its
// picture must be shown again even when the frame did not change.
bool osTakeWindowExposed();
// True (once per press) when full screen was asked to toggle since the last call.
bool osTakeFullscreenToggle();

// Blocks until a message may be waiting (the window inactive, hidden or minimised: nothing is
// drawn and nothing is polled). SDL variant: waits for the next event. Headless: on the fake
// clock it returns at once (the script's next step comes with the next poll); otherwise it
// sleeps a while, so a loop with nothing to do never spins.
void osWaitMessage();
// True while the window is hidden or minimised.
bool osWindowMinimised();
// Refresh rate of the display the window is on, in Hz; 60 when unknown or headless.
int osRefreshRate();
// Switches the window between windowed and full screen on the desktop's mode (no mode switch).
void osSetFullscreen(bool fullscreen);

// The 32-bit millisecond timer (wraps after about 49.7 days), from a monotonic clock or the
// fake clock.
uint32_t timeGetTime();
// A monotonic clock in microseconds (or the fake clock), for frame pacing.
uint64_t osMonotonicUs();
// Sleeps; on the fake clock it advances the clock instead.
void osSleep(uint32_t ms);
void osSleepUs(uint64_t us);
// Folder of the running program (no trailing separator); false when it cannot be found.
bool osExecutableDir(char* out, int capacity);

// Switches to a fake clock starting at `start` (ms) that advances `stepMs` per idle poll.
void osUseFakeClock(uint32_t start, uint32_t stepMs);
void osAdvanceFakeClock(uint32_t ms);

// Single instance: takes an exclusive advisory lock on "<name>.lock" in the user's runtime folder
// (XDG_RUNTIME_DIR, else /tmp with the user id in the name). True when this process holds it,
// false when another process (or another holder in this process) does. A lock that cannot be
// created at all (unwritable folder) is not a reason to refuse to start: true.
// The holder writes "<pid> <window>" into the file (the X window id once osCreateWindow has made
// the window, 0 before and where the window is not an X window); a start that finds the lock
// taken reads the line into lockOwnerPid and lockOwnerWindow.
bool osAcquireSingleInstance(const char* name);
// Releases the lock (at exit it dies with the process anyway).
void osReleaseSingleInstance();
// A lock name for one settings folder: "<base>-<16 hex digits>" of a hash of the folder's name,
// so that copies that write different folders run side by side. Pure.
void osLockNameFor(const char* base, const char* folder, char* out, int capacity);
// Parses the lock file's line "<pid> <window>"; false when it is not one.
bool osParseLockOwner(const char* text, long* pid, unsigned long* window);

enum class OsRaiseResult {
    Raised,     // the running copy's window was asked to come to the front
    NoWindow,   // the running copy has no window yet (or its window is gone)
    NotPossible // no X11 display here (Wayland, headless): nothing can be asked
};
// Brings the window of the copy that holds the lock (lockOwnerWindow) to the front: on X11 a
// _NET_ACTIVE_WINDOW request to the window manager, and where no window manager runs, the window
// mapped, raised and given the focus directly. The window must carry the holder's _NET_WM_PID.
OsRaiseResult osRaiseRunningCopy();

// Cursors: back to the system arrow, or a colour cursor from 32-bit RGBA pixels (row-major, top
// row first). False when the cursor cannot be made (or headless).
void osSetArrowCursor();
bool osSetColorCursor(const uint8_t* rgba, int width, int height, int hotX, int hotY);
// The window's icon from 32-bit RGBA pixels (row-major, top row first). False when headless or
// the picture is unusable.
bool osSetWindowIcon(const uint8_t* rgba, int width, int height);
