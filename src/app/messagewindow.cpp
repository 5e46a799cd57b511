#include "app/messagewindow.h"

#include "core/appstate.h"
#include "core/math.h"
#include "graphics/device.h"
#include "graphics/draw.h"
#include "platform/gpu/gpu.h"
#include "platform/os/files.h"
#include "platform/os/os.h"
#include "resources/files.h"
#include "resources/texts.h"
#include "resources/unicode.h"
#include "ui/font.h"

#include <climits>
#include <cstdio>
#include <string>

MessageWindowState messageWindow;

namespace {

constexpr float PANEL_HALF_WIDTH = 340.0f;
constexpr float PANEL_HALF_HEIGHT = 170.0f;
constexpr float CAPTION_SCALE = 16.0f;
constexpr float TEXT_SCALE = 12.0f;
constexpr float PROMPT_SCALE = 10.0f;
constexpr uint64_t POLL_US = 30000;  // between looks at the window's messages while nothing arrives

std::u16string toUtf16(const char* text)
{
    std::u16string out;
    if (!utf8ToUtf16(text ? text : "", out)) out = convertAnsi(text ? text : "");
    return out;
}

// The font: the game's, or loaded now from the data set when the failure came before the game
// loaded it. A failure to load it is reported on standard error only (this message is showing)
// and does not end the program here.
bool haveFont()
{
    if (currentFont()) return true;
    void (*exitHook)(int) = fileTable.exitHook;
    fileTable.exitHook = nullptr;
    char folder[PATH_MAX];
    std::snprintf(folder, sizeof folder, "%s", osGetCurrentDirectory());
    osSetCurrentDirectory(app.dataDir);
    loadFont("font", 1.0f, 1.0f);
    osSetCurrentDirectory(folder);
    fileTable.exitHook = exitHook;
    return currentFont() != nullptr;
}

void drawMessage(const std::u16string& caption, const std::u16string& body)
{
    clearDepth(1.0f);
    clearColor(0xFF000000u);
    beginScene();
    begin2D();
    setTexture(nullptr);
    Rect panel;
    panel.set(-PANEL_HALF_WIDTH, PANEL_HALF_HEIGHT, PANEL_HALF_WIDTH, -PANEL_HALF_HEIGHT);
    drawQuadRect(panel, Rect{}, Color(28, 34, 52, 255));
    setTextColour(255, 220, 120, 255);
    drawTextCentred(0.0f, PANEL_HALF_HEIGHT - 40.0f, CAPTION_SCALE, caption.c_str());
    setTextColour(255, 255, 255, 255);
    wrapText(2.0f * PANEL_HALF_WIDTH - 60.0f, body.c_str(), TEXT_SCALE);
    drawText(-PANEL_HALF_WIDTH + 30.0f, PANEL_HALF_HEIGHT - 90.0f, TEXT_SCALE, wrappedText());
    // The splash screen's "press a key" line, when the texts are loaded.
    if (const char16_t* prompt = text("keytoresume")) {
        setTextColour(200, 200, 200, 255);
        drawTextCentred(0.0f, -PANEL_HALF_HEIGHT + 30.0f, PROMPT_SCALE, prompt);
    }
    endScene();
    presentFrame();
    messageWindow.framesDrawn++;
}

}  // namespace

void resetMessageWindow()
{
    messageWindow = MessageWindowState{};
}

bool showMessageInWindow(const char* message, const char* caption)
{
    if (messageWindow.inside || !device.created || gpuIsHeadless()) return false;
    messageWindow.inside = true;
    if (!haveFont()) {
        messageWindow.inside = false;
        return false;
    }
    std::u16string captionText = toUtf16(caption);
    std::u16string bodyText = toUtf16(message);
    messageWindow.closeAsked = false;
    bool draw = true;
    bool dismissed = false;
    while (!dismissed) {
        if (draw || osTakeWindowExposed()) drawMessage(captionText, bodyText);
        draw = false;
        OsMessage m;
        bool any = false;
        while (!dismissed && osPeekMessage(&m)) {
            any = true;
            switch (m.message) {
            case WM_KEYDOWN:
                // A key held down since before the message does not dismiss it.
                if ((m.lParam & (1u << 30)) == 0) dismissed = true;
                break;
            case WM_LBUTTONDOWN:
            case WM_RBUTTONDOWN:
            case WM_MBUTTONDOWN:
                dismissed = true;
                break;
            case WM_CLOSE:
            case WM_QUIT:
                // Dismissed, and the game closes as soon as it goes on.
                dismissed = true;
                messageWindow.closeAsked = true;
                osPostMessage(m);
                break;
            case WM_SIZE:
            case WM_ACTIVATE:
                // The window procedure keeps the projection and the activation as they are.
                if (osState.windowProc) osState.windowProc(m);
                draw = true;
                break;
            default:
                break;
            }
        }
        if (!dismissed && !any && !draw) osSleepUs(POLL_US);
    }
    // The time the message showed is no frame time: a game that goes on does not jump.
    app.lastFrameTime = timeGetTime();
    messageWindow.shown++;
    messageWindow.inside = false;
    return true;
}
