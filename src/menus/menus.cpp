// Menu tree, dialog state, animation and input of the dialog framework (drawing is in
// menus_draw.cpp).
#include "menus/menus.h"

#include "audio/audio.h"
#include "core/appstate.h"
#include "core/dialogport.h"
#include "effects/effects.h"
#include "persist/settings.h"
#include "platform/os/files.h"
#include "resources/files.h"
#include "resources/texts.h"
#include "ui/font.h"
#include "ui/messages.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

MenusState menus;
MenuHooks menuHooks;

namespace {
// The modules below ask for dialogs through the port in core; the menus answer.
void installDialogHooks()
{
    dialogPort.openDialog = [](const char* name) { openDialog(name); };
    dialogPort.showMessageBox = showMessageBox;
}
[[maybe_unused]] const bool dialogHooksInstalled = (installDialogHooks(), true);

// ---- Registries of the dialog files (kept across resets) ----

constexpr int DIALOG_REGISTRY_SIZE = 64;
constexpr int ACTION_REGISTRY_SIZE = 160;

struct DialogEntry {
    char name[MENU_NAME_UNITS];
    DialogHandlers handlers;
};

struct ActionEntry {
    char button[MENU_NAME_UNITS];
    char dialog[MENU_NAME_UNITS];  // "" for any dialog
    ButtonAction action;
};

struct Registry {
    DialogEntry dialogs[DIALOG_REGISTRY_SIZE];
    int dialogCount = 0;
    ActionEntry actions[ACTION_REGISTRY_SIZE];
    int actionCount = 0;
};

Registry registry;

void copyName(char* out, const char* name)
{
    std::snprintf(out, MENU_NAME_UNITS, "%s", name ? name : "");
}

const DialogEntry* findDialogEntry(const char* key)
{
    for (int i = 0; i < registry.dialogCount; i++)
        if (std::strcmp(registry.dialogs[i].name, key) == 0) return &registry.dialogs[i];
    return nullptr;
}

void applyHandlers(MenuNode& node)
{
    const DialogEntry* e = findDialogEntry(node.key);
    node.drawHandler = e ? e->handlers.draw : nullptr;
}

// ---- UTF-16 helpers ----

int length16(const char16_t* s)
{
    int n = 0;
    while (s[n]) n++;
    return n;
}

bool equals16(const char16_t* a, const char16_t* b)
{
    for (; *a && *a == *b; ++a, ++b) {
    }
    return *a == *b;
}

// ---- Tree building ----

struct MenuFile {
    std::vector<char16_t> units;  // the file without its byte-order mark
};

bool isLineEnd(char16_t c) { return c == u'\r' || c == u'\n'; }

// Index just past the line break at or after i.
size_t skipLineBreak(const MenuFile& f, size_t i)
{
    size_t n = f.units.size();
    while (i < n && !isLineEnd(f.units[i])) i++;
    if (i < n && f.units[i] == u'\r') i++;
    if (i < n && f.units[i] == u'\n') i++;
    return i;
}

// Position just past "name=" when a line of the file starts with it; npos otherwise.
size_t findBlock(const MenuFile& f, const char16_t* name, int nameLength)
{
    size_t n = f.units.size();
    size_t len = static_cast<size_t>(nameLength);
    for (size_t start = 0; start < n; start = skipLineBreak(f, start)) {
        if (start + len < n && f.units[start + len] == u'=' &&
            std::memcmp(&f.units[start], name, len * sizeof(char16_t)) == 0)
            return start + len + 1;
    }
    return static_cast<size_t>(-1);
}

MenuNode* buildNode(const MenuFile& f, const char16_t* name, MenuNode* parent);

MenuNode* appendNode(const char16_t* name)
{
    if (menus.nodeCount >= MENU_NODE_CAPACITY) {
        menus.treeDamaged = true;
        return nullptr;
    }
    MenuNode& node = menus.nodes[menus.nodeCount++];
    node = MenuNode{};
    int i = 0;
    for (; name[i] && i < MENU_NAME_UNITS - 1; i++) {
        node.name[i] = name[i];
        node.key[i] = name[i] < 0x80 ? static_cast<char>(name[i]) : '?';
    }
    node.name[i] = 0;
    node.key[i] = 0;
    if (const char16_t* caption = textW(node.name)) {
        int k = 0;
        for (; caption[k] && k < MENU_NAME_UNITS - 1; k++) node.caption[k] = caption[k];
        node.caption[k] = 0;
    }
    applyHandlers(node);
    return &node;
}

MenuNode* buildNode(const MenuFile& f, const char16_t* name, MenuNode* parent)
{
    if (MenuNode* existing = findDialogW(name)) return existing;
    MenuNode* node = appendNode(name);
    if (!node) return nullptr;
    node->parent = parent;
    size_t pos = findBlock(f, node->name, length16(node->name));
    if (pos == static_cast<size_t>(-1)) return node;  // a plain button
    pos = skipLineBreak(f, pos);
    size_t n = f.units.size();
    while (pos < n && !isLineEnd(f.units[pos])) {
        char16_t child[MENU_NAME_UNITS];
        int k = 0;
        size_t i = pos;
        for (; i < n && !isLineEnd(f.units[i]); i++)
            if (k < MENU_NAME_UNITS - 1) child[k++] = f.units[i];
        child[k] = 0;
        pos = skipLineBreak(f, i);
        MenuNode* c = buildNode(f, child, node);
        if (!c) continue;
        if (node->childCount >= MENU_MAX_CHILDREN) {
            menus.treeDamaged = true;
            continue;
        }
        node->children[node->childCount++] = c;
    }
    return node;
}

MenuNode* ensureNode(const MenuFile& f, const char* name)
{
    char16_t wide[MENU_NAME_UNITS];
    int i = 0;
    for (; name[i] && i < MENU_NAME_UNITS - 1; i++) wide[i] = static_cast<unsigned char>(name[i]);
    wide[i] = 0;
    return buildNode(f, wide, nullptr);
}

// No slider follows the button and no arrow repeats.
void releaseSliders()
{
    menus.sliderGrabbed = -1;
    menus.sliderRepeatSlot = -1;
    menus.sliderRepeatDir = 0;
    menus.sliderHeldMs = menus.sliderNextStepMs = 0.0f;
}

void resetMenuState()
{
    menus.current = nullptr;
    menus.focus = 0;
    menus.lastFocus = 0;
    menus.selected = -1;
    menus.opening = menus.closing = false;
    menus.animTime = dialogPort.anim = menus.slide = 0.0f;
    panels.clockMs = 0.0f;
    menus.pendingActivate = menus.pendingBack = false;
    menus.pendingKey = 0;
    menus.pointerMoved = menus.buttonHeld = false;
    releaseSliders();
    menus.mainDismissed = false;
    menus.editing = false;
    menus.editRefusedMs = 0.0f;
    std::memset(menus.editBuffer, 0, sizeof menus.editBuffer);
    menus.cursor = menus.editLength = 0;
    menus.pendingTextCount = 0;
    menus.messageText[0] = 0;
    menus.messageKey[0] = 0;
    menus.buttonCount = menus.widgetCount = menus.widgetSlotsKept = 0;
}

bool animating() { return menus.opening || menus.closing; }

bool inside(float x, float y, float left, float top, float right, float bottom)
{
    return x >= left && x <= right && y >= bottom && y <= top;
}

bool strictlyInside(float x, float y, const Widget& w)
{
    return x > w.left && x < w.right && y > w.bottom && y < w.top;
}

bool messageBoxActive()
{
    return nodeIs(menus.current, "messageboxok") || nodeIs(menus.current, "messageboxyn");
}

// ---- Text entry ----

bool roomForCharacter()
{
    return menus.editLength < EDIT_MAX_CHARS && measureText(menus.editBuffer, 16.0f) < EDIT_MAX_WIDTH;
}

// A character that does not fit is refused where the player sees and hears it: the field
// flashes and the refusal sound plays.
void insertCharacter(char16_t c)
{
    if (!roomForCharacter()) {
        menus.editRefusedMs = EDIT_REFUSED_MS;
        playSound("MaxPlayers.ogg");
        return;
    }
    int len = menus.editLength;
    if (menus.cursor < 0) menus.cursor = 0;
    if (menus.cursor > len) menus.cursor = len;
    for (int i = len; i > menus.cursor; i--) menus.editBuffer[i] = menus.editBuffer[i - 1];
    menus.editBuffer[menus.cursor] = c;
    menus.editLength = len + 1;
    menus.editBuffer[menus.editLength] = 0;
    menus.cursor++;
}

void removeAt(int index)
{
    if (index < 0 || index >= menus.editLength) return;
    for (int i = index; i < menus.editLength; i++) menus.editBuffer[i] = menus.editBuffer[i + 1];
    menus.editLength--;
    menus.editBuffer[menus.editLength] = 0;
}

void editKey(int key)
{
    switch (key) {
    case MENU_KEY_BACKSPACE:
        if (menus.cursor > 0) {
            removeAt(menus.cursor - 1);
            menus.cursor--;
        }
        break;
    case MENU_KEY_END: menus.cursor = menus.editLength; break;
    case MENU_KEY_HOME: menus.cursor = 0; break;
    case MENU_KEY_LEFT:
        if (menus.cursor > 0) menus.cursor--;
        break;
    case MENU_KEY_RIGHT:
        if (menus.cursor < menus.editLength) menus.cursor++;
        break;
    case MENU_KEY_DELETE: removeAt(menus.cursor); break;
    default: break;
    }
    if (menus.textInputSeen) {
        // Typed characters come from the text-input messages, in any case and any script.
        for (int i = 0; i < menus.pendingTextCount; i++)
            if (menus.pendingText[i] >= 0x20 && menus.pendingText[i] != 0x7F) insertCharacter(menus.pendingText[i]);
    } else if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9') || key == ' ') {
        insertCharacter(static_cast<char16_t>(key));
    }
}

// ---- Widgets ----

void toggleSelectedFlag()
{
    if (menus.selected < 0 || menus.selected >= menus.widgetCount) return;
    Widget& w = menus.widgets[menus.selected];
    w.flag = w.flag ? 0 : 1;
    if (w.kind == WIDGET_TEXTFIELD) menus.editing = w.flag != 0;
}

bool levelSelectable(int level)
{
    if (menuHooks.mapUnlocked && *menuHooks.mapUnlocked) return true;
    int highest = menuHooks.highestUnlockedLevel ? menuHooks.highestUnlockedLevel() : 0;
    return level <= highest;
}

void hoverTest(const Vec2& p)
{
    if (menus.pointerMoved) {
        for (int k = 0; k < menus.buttonCount; k++) {
            const ButtonRect& b = menus.buttons[k];
            if (inside(p.x, p.y, b.left, b.top, b.right, b.bottom)) menus.focus = k;
        }
    }
    for (int i = 0; i < menus.widgetCount; i++) {
        Widget& w = menus.widgets[i];
        bool in = inside(p.x, p.y, w.left, w.top, w.right, w.bottom);
        if (w.kind == WIDGET_PROFILE_LINK) {
            w.flag = in ? 1 : 0;
            continue;
        }
        if (!in || w.kind == WIDGET_PROFILE_ENTRY) continue;
        if (!menus.editing && !messageBoxActive()) menus.selected = i;
    }
    menus.pointerMoved = false;
}

bool isSlider(int slot)
{
    if (slot < 0 || slot >= menus.widgetCount) return false;
    const Widget& w = menus.widgets[slot];
    return w.kind == WIDGET_SLIDER && w.steps > 0 && w.right > w.left;
}

// The knob of a slider under pointer x: the nearest position to x along the track.
void sliderMoveTo(Widget& w, float x)
{
    float f = (x - w.left) / (w.right - w.left);
    if (f < 0.0f) f = 0.0f;
    if (f > 1.0f) f = 1.0f;
    int v = static_cast<int>(std::lround(f * static_cast<float>(w.steps - 1)));
    w.value = static_cast<int16_t>(v);
}

// One unit towards dir (-1 or +1), within 0..steps - 1.
void sliderStep(Widget& w, int dir)
{
    int v = w.value + dir;
    if (v < 0) v = 0;
    if (v > w.steps - 1) v = w.steps - 1;
    w.value = static_cast<int16_t>(v);
}

// Which zone of slider w holds x: -1 the "<" zone, +1 the ">" zone, 0 the track (with
// SLIDER_ARROW_GAP beside it), 2 none.
int sliderZone(const Widget& w, float x)
{
    if (x < w.left - SLIDER_ARROW_REACH || x > w.right + SLIDER_ARROW_REACH) return 2;
    if (x <= w.left - SLIDER_ARROW_GAP) return -1;
    if (x >= w.right + SLIDER_ARROW_GAP) return 1;
    return 0;
}

// A press at p on slider `slot`: on the track the knob moves there and follows the held button;
// on an arrow one step, repeated while held. Either way the slider becomes selected.
void sliderPress(int slot, const Vec2& p)
{
    if (!isSlider(slot)) return;
    Widget& w = menus.widgets[slot];
    if (!inside(p.x, p.y, w.left - SLIDER_ARROW_REACH, w.top, w.right + SLIDER_ARROW_REACH, w.bottom)) return;
    int zone = sliderZone(w, p.x);
    if (zone == 0) {
        sliderMoveTo(w, p.x);
        menus.sliderGrabbed = slot;
    } else {
        sliderStep(w, zone);
        menus.sliderRepeatSlot = slot;
        menus.sliderRepeatDir = zone;
        menus.sliderHeldMs = 0.0f;
        menus.sliderNextStepMs = SLIDER_REPEAT_DELAY_MS;
    }
    menus.selected = slot;
}

// While the button is held: a grabbed knob follows the pointer; a held arrow repeats its step
// after SLIDER_REPEAT_DELAY_MS at SLIDER_REPEAT_PER_S steps a second while the pointer stays on it.
void sliderHold(const Vec2& p, float dt)
{
    if (isSlider(menus.sliderGrabbed)) sliderMoveTo(menus.widgets[menus.sliderGrabbed], p.x);
    if (!isSlider(menus.sliderRepeatSlot)) return;
    Widget& w = menus.widgets[menus.sliderRepeatSlot];
    menus.sliderHeldMs += dt;
    bool onArrow = inside(p.x, p.y, w.left - SLIDER_ARROW_REACH, w.top, w.right + SLIDER_ARROW_REACH, w.bottom) &&
                   sliderZone(w, p.x) == menus.sliderRepeatDir;
    const float period = 1000.0f / SLIDER_REPEAT_PER_S;
    while (menus.sliderHeldMs >= menus.sliderNextStepMs) {
        if (onArrow) sliderStep(w, menus.sliderRepeatDir);
        menus.sliderNextStepMs += period;
    }
}

void handleKey(int key)
{
    if (menus.editing) editKey(key);
    menus.pendingTextCount = 0;
    if (key == 0) return;
    if (menus.mainDismissed) {
        menus.mainDismissed = false;
        openDialog("main");
        return;
    }
    MenuNode* dialog = menus.current;
    if (!dialog) return;
    // A selected slider takes Left and Right: one unit each (the system's key repeat repeats).
    if ((key == MENU_KEY_LEFT || key == MENU_KEY_RIGHT) && !menus.editing && isSlider(menus.selected)) {
        sliderStep(menus.widgets[menus.selected], key == MENU_KEY_LEFT ? -1 : 1);
        return;
    }
    if (const DialogHandlers* h = dialogHandlers(dialog))
        if (h->keyRule) h->keyRule(dialog, &key);
    if (menus.current != dialog || animating()) return;  // the rule opened or closed a dialog
    switch (key) {
    case MENU_KEY_ENTER:
        if (menus.focus < 0) {
            toggleSelectedFlag();
        } else {
            playSound("ButtonClick.ogg");
            menus.pendingActivate = true;
            closeDialog();
        }
        break;
    case MENU_KEY_ESCAPE:
        if (nodeIs(dialog, "newprofile") || nodeIs(dialog, "messageboxok")) break;
        menus.pendingBack = true;
        closeDialog();
        menus.focus = 0;
        break;
    case MENU_KEY_SPACE: toggleSelectedFlag(); break;
    case MENU_KEY_LEFT:
    case MENU_KEY_UP:
        if (dialog->childCount > 0) menus.focus = menus.focus - 1 < 0 ? dialog->childCount - 1 : menus.focus - 1;
        break;
    case MENU_KEY_RIGHT:
    case MENU_KEY_DOWN:
        if (dialog->childCount > 0) menus.focus = (menus.focus + 1) % dialog->childCount;
        break;
    default: break;
    }
}

// The closing animation has ended: the pending activation or back step runs with the closed
// dialog still current (so that what it opens can take it as parent); if it opens nothing, no
// dialog is current.
void finishClosing()
{
    MenuNode* closed = menus.current;
    int opensBefore = menus.opens;
    if (menus.pendingActivate) {
        menus.pendingActivate = false;
        activateButton(closed, menus.focus);
    }
    if (menus.pendingBack) {
        menus.pendingBack = false;
        goBack(closed);
    }
    if (menus.opens == opensBefore && menus.current == closed) menus.current = nullptr;
}

}  // namespace

// ---- Loading ----

void resetMenus()
{
    resetDialogPort();
    installDialogHooks();
    menus.nodeCount = 0;
    menus.treeDamaged = false;
    resetMenuState();
    menus.creditsCount = 0;
    menus.tipIndex = menus.gameTipIndex = 0;
    menus.profileIndex = 0;
    menus.textInputSeen = false;
    menus.opens = menus.activations = 0;
    panels.focusTextColour = Color(255, 150, 0, 255);
    menus.focusGlowColour = Color(255, 200, 100, 50);
    panels.atlas = panels.fill = menus.balloon = panels.button = nullptr;
}

void buildMenuTree(const uint8_t* data, int32_t size)
{
    // A new tree keeps the dialog flag of the game flow and the pictures.
    uint8_t open = dialogPort.open;
    Texture* pictures[4] = {panels.atlas, panels.fill, menus.balloon, panels.button};
    resetMenus();
    dialogPort.open = open;
    panels.atlas = pictures[0];
    panels.fill = pictures[1];
    menus.balloon = pictures[2];
    panels.button = pictures[3];
    registerDialogs();
    MenuFile f;
    if (data && size >= 2) {
        size_t count = static_cast<size_t>(size) / 2;
        f.units.resize(count);
        for (size_t i = 0; i < count; i++)
            f.units[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
        if (!f.units.empty() && f.units[0] == 0xFEFF) f.units.erase(f.units.begin());
    }
    MenuNode* root = buildNode(f, u"main", nullptr);
    if (root && root->childCount > 0) {
        for (int i = 1; i < root->childCount; i++) root->children[i - 1] = root->children[i];
        root->childCount--;
        root->children[root->childCount] = nullptr;
    }
    const char* ensured[] = {"gameplaytip",  "loadgamequest", "newprofile", "rename",  "profiles", "levelcomplete",
                             "messageboxok", "messageboxyn",  "gameplay",   "defeat", "gameover"};
    for (const char* name : ensured) ensureNode(f, name);
    if (MenuNode* profiles = findDialog("profiles")) profiles->parent = root;
    // Every other dialog of the file exists too (with no parent), so that the game can open the
    // ones no button leads to ("replaywin", "survivalcomplete", ...).
    size_t n = f.units.size();
    for (size_t start = 0; start < n; start = skipLineBreak(f, start)) {
        size_t end = start;
        while (end < n && !isLineEnd(f.units[end]) && f.units[end] != u'=') end++;
        if (end >= n || f.units[end] != u'=' || end == start) continue;
        size_t after = end + 1;
        if (after < n && !isLineEnd(f.units[after])) continue;  // "name=" alone on its line
        char16_t name[MENU_NAME_UNITS];
        size_t len = end - start;
        if (len > MENU_NAME_UNITS - 1) continue;
        for (size_t i = 0; i < len; i++) name[i] = f.units[start + i];
        name[len] = 0;
        buildNode(f, name, nullptr);
    }
    menus.tipIndex = textIndex("tip1");
    menus.gameTipIndex = textIndex("gametip1");
}

void readCredits(const uint8_t* data, int32_t size)
{
    menus.creditsCount = 0;
    if (!data || size < 2) return;
    int n = size / 2;
    auto at = [&](int i) -> char16_t { return static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8)); };
    auto startsWith = [&](int i, const char* s) {
        for (int k = 0; s[k]; k++)
            if (i + k >= n || at(i + k) != static_cast<char16_t>(s[k])) return false;
        return true;
    };
    int i = 0;
    while (i < n && !startsWith(i, "[credits/]")) i++;
    if (i >= n) return;
    i += 10;
    while (i < n && isLineEnd(at(i))) i++;
    while (i < n && !startsWith(i, "[/credits]") && menus.creditsCount < CREDITS_LINE_CAPACITY) {
        char16_t* line = menus.credits[menus.creditsCount++];
        int k = 0;
        for (; i < n && !isLineEnd(at(i)); i++)
            if (k < MENU_NAME_UNITS - 1) line[k++] = at(i);
        line[k] = 0;
        if (i < n && at(i) == u'\r') i++;
        if (i < n && at(i) == u'\n') i++;
    }
}

void loadMenus(const char* textDir)
{
    int32_t size = 0;
    uint8_t* data = readFile("menu.txt", &size, true);
    buildMenuTree(data, data ? size : 0);
    if (data) releaseFile(data);
    menus.creditsCount = 0;
    // The credits are read inside the language folder (as the text tables are), so that a long
    // data path does not exceed the file table's name length.
    char previous[1024];
    std::snprintf(previous, sizeof previous, "%s", osGetCurrentDirectory());
    if (textDir && osSetCurrentDirectory(textDir)) {
        int32_t creditsSize = 0;
        uint8_t* credits = readFile("menutext.txt", &creditsSize, false);
        if (credits) {
            readCredits(credits, creditsSize);
            releaseFile(credits);
        }
        osSetCurrentDirectory(previous);
    }
}

float longestNameWidth(float scale)
{
    const BitmapFont* f = currentFont();
    if (!f) return 0.0f;
    float widest = f->widestTypable;
    float byCount = static_cast<float>(EDIT_MAX_CHARS) * widest * 16.0f;
    float byWidth = EDIT_MAX_WIDTH + widest * 16.0f;
    return (byCount < byWidth ? byCount : byWidth) * scale / 16.0f;
}

MenuNode* findDialogW(const char16_t* name)
{
    if (!name) return nullptr;
    for (int i = 0; i < menus.nodeCount; i++)
        if (equals16(menus.nodes[i].name, name)) return &menus.nodes[i];
    return nullptr;
}

MenuNode* findDialog(const char* name)
{
    if (!name) return nullptr;
    for (int i = 0; i < menus.nodeCount; i++)
        if (std::strcmp(menus.nodes[i].key, name) == 0) return &menus.nodes[i];
    return nullptr;
}

bool nodeIs(const MenuNode* node, const char* name)
{
    return node && name && std::strcmp(node->key, name) == 0;
}

const char* currentDialogName()
{
    return menus.current ? menus.current->key : "";
}

int childIndex(const MenuNode* dialog, const MenuNode* child)
{
    if (!dialog || !child) return -1;
    for (int i = 0; i < dialog->childCount; i++)
        if (dialog->children[i] == child) return i;
    return -1;
}

// ---- Opening and closing ----

void openDialog(MenuNode* node)
{
    if (!node || animating()) return;
    menus.current = node;
    menus.selected = -1;
    menus.buttonCount = menus.widgetCount = menus.widgetSlotsKept = 0;
    releaseSliders();
    menus.opening = true;
    menus.closing = false;
    menus.animTime = 0.0f;
    dialogPort.anim = 1.0f;
    menus.slide = MENU_ANIM_MS;
    menus.mainDismissed = false;
    // Text entry belongs to the dialog that turns it on in its on-open step.
    menus.editing = false;
    menus.pendingTextCount = 0;
    menus.opens++;
    // A dialog is a scene change: the particles of the scene below end (what the dialog's own
    // on-open step starts comes after).
    clearEffects();
    if (const DialogHandlers* h = dialogHandlers(node))
        if (h->onOpen) h->onOpen(node);
    menus.focus = 0;
}

void openDialog(const char* name)
{
    openDialog(findDialog(name));
}

void closeDialog()
{
    if (!menus.current || animating()) return;
    menus.closing = true;
    menus.animTime = 0.0f;
}

bool showMessageBox(const char* textKey, bool okOnly)
{
    if (!textKey) textKey = "";
    MenuNode* box = findDialog(okOnly ? "messageboxok" : "messageboxyn");
    if (!box || animating()) return false;
    const char16_t* t = text(textKey);
    int k = 0;
    if (t) {
        for (; t[k] && k < MESSAGE_TEXT_UNITS - 1; k++) menus.messageText[k] = t[k];
    } else {
        for (; textKey[k] && k < MESSAGE_TEXT_UNITS - 1; k++)
            menus.messageText[k] = static_cast<unsigned char>(textKey[k]);
    }
    menus.messageText[k] = 0;
    std::snprintf(menus.messageKey, sizeof menus.messageKey, "%s", textKey);
    box->parent = menus.current;
    openDialog(box);
    return true;
}

void goBack(MenuNode* dialog)
{
    if (!dialog) return;
    if (const DialogHandlers* h = dialogHandlers(dialog))
        if (h->back && h->back(dialog)) return;
    MenuNode* parent = dialog->parent;
    if (!parent) {
        if (nodeIs(dialog, "main")) {
            menus.mainDismissed = true;
            if (menus.current == dialog) menus.current = nullptr;
        }
        return;
    }
    int opensBefore = menus.opens;
    openDialog(parent);
    if (menus.opens != opensBefore) {
        int k = childIndex(parent, dialog);
        if (k >= 0) menus.focus = k;
    }
}

void activateButton(MenuNode* dialog, int index)
{
    if (!dialog || index < 0 || index >= dialog->childCount) return;
    MenuNode* button = dialog->children[index];
    menus.activations++;
    const ActionEntry* any = nullptr;
    for (int i = 0; i < registry.actionCount; i++) {
        const ActionEntry& e = registry.actions[i];
        if (std::strcmp(e.button, button->key) != 0) continue;
        if (e.dialog[0] == 0) {
            if (!any) any = &e;
        } else if (std::strcmp(e.dialog, dialog->key) == 0) {
            e.action(dialog, button);
            return;
        }
    }
    if (any) {
        any->action(dialog, button);
        return;
    }
    if (button->childCount > 0) {
        if (!nodeIs(button, "credits")) button->parent = dialog;
        openDialog(button);
    }
}

// ---- Per frame ----

void updateMenus()
{
    float dt = app.frameMs;
    if (menus.opening) {
        dialogPort.anim = 1.0f - menus.animTime / MENU_ANIM_MS;
        menus.slide = dialogPort.anim * dialogPort.anim * MENU_ANIM_MS;
        menus.animTime += dt;
        if (menus.animTime > MENU_ANIM_MS) {
            dialogPort.anim = 0.0f;
            menus.slide = 0.0f;
            menus.opening = false;
        }
    } else if (menus.closing) {
        dialogPort.anim = menus.animTime / MENU_ANIM_MS;
        menus.slide = dialogPort.anim * dialogPort.anim * 600.0f;
        menus.animTime += dt;
        if (menus.animTime > MENU_ANIM_MS) {
            dialogPort.anim = 1.0f;
            menus.closing = false;
            finishClosing();
        }
    }
    if (menus.focus != menus.lastFocus && menus.focus >= 0 && !animating()) playSound("MenuLineSelect.ogg");
    menus.lastFocus = menus.focus;
    panels.clockMs += dt;
    float p = std::sin(panels.clockMs * 0.005f) * 0.5f + 0.5f;
    panels.focusTextColour = Color(255, static_cast<int>(150.0f + 50.0f * p) % 256, 0, 255);
    menus.focusGlowColour = Color(255, 200, 100, static_cast<int>(50.0f + 20.0f * p));
    if (animating()) {
        menus.pendingKey = 0;
        menus.pendingTextCount = 0;
        return;
    }
    if (menus.editRefusedMs > 0.0f) menus.editRefusedMs -= dt;
    Vec2 pointer = pointerToScreen();
    hoverTest(pointer);
    if (menus.buttonHeld) sliderHold(pointer, dt);
    int key = menus.pendingKey;
    menus.pendingKey = 0;
    handleKey(key);
}

// ---- Widget registration ----

int registerButton(float left, float top, float right, float bottom)
{
    if (menus.buttonCount >= MENU_BUTTON_CAPACITY) return -1;
    menus.buttons[menus.buttonCount] = ButtonRect{left, top, right, bottom};
    return menus.buttonCount++;
}

int registerWidget(const Widget& widget)
{
    if (menus.widgetCount >= MENU_WIDGET_CAPACITY) return -1;
    int slot = menus.widgetCount++;
    Widget& w = menus.widgets[slot];
    bool kept = slot < menus.widgetSlotsKept && w.kind == widget.kind;
    Widget previous = w;
    w = widget;
    if (!kept) return slot;
    switch (widget.kind) {
    case WIDGET_SLIDER:
    case WIDGET_CHECKBOX:
    case WIDGET_TEXTFIELD:
        if (!menus.opening) {
            w.value = previous.value;
            w.flag = previous.flag;
        }
        break;
    case WIDGET_PROFILE_LINK: w.flag = previous.flag; break;  // the hover result
    default: break;
    }
    return slot;
}

int registerBoundWidget(const Widget& widget, int32_t* value, uint8_t* flag)
{
    Widget w = widget;
    if (value) w.value = static_cast<int16_t>(*value);
    if (flag) w.flag = *flag;
    int slot = registerWidget(w);
    if (slot < 0 || menus.opening) return slot;
    if (value) *value = menus.widgets[slot].value;
    if (flag) *flag = menus.widgets[slot].flag;
    return slot;
}

// ---- Input ----

void menuKeyDown(int virtualKey)
{
    if (animating() || virtualKey == 0) return;
    menus.pendingKey = virtualKey;
}

void menuTextInput(char16_t unit)
{
    menus.textInputSeen = true;
    if (animating()) return;
    if (menus.pendingTextCount < static_cast<int>(sizeof menus.pendingText / sizeof menus.pendingText[0]))
        menus.pendingText[menus.pendingTextCount++] = unit;
}

void menuPointerMove()
{
    menus.pointerMoved = true;
}

void menuLeftDown()
{
    if (menus.mainDismissed) {
        menus.mainDismissed = false;
        openDialog("main");
        return;
    }
    menus.buttonHeld = true;
    menus.pointerMoved = true;
    releaseSliders();
    if (const DialogHandlers* h = dialogHandlers(menus.current))
        if (h->press && h->press(menus.current)) return;
    if (nodeIs(menus.current, "credits")) {
        menus.pendingKey = MENU_KEY_ENTER;
        return;
    }
    Vec2 p = pointerToScreen();
    if (!animating()) {
        for (int k = 0; k < menus.buttonCount; k++) {
            const ButtonRect& b = menus.buttons[k];
            if (inside(p.x, p.y, b.left, b.top, b.right, b.bottom)) {
                menus.focus = k;
                menus.pendingKey = MENU_KEY_ENTER;
                break;
            }
        }
    }
    for (int i = 0; i < menus.widgetCount; i++) {
        Widget& w = menus.widgets[i];
        switch (w.kind) {
        case WIDGET_SLIDER: sliderPress(i, p); break;
        case WIDGET_LEVEL_ENTRY:
            if (inside(p.x, p.y, w.left, w.top, w.right, w.bottom) && levelSelectable(w.id)) menus.selected = i;
            break;
        default:
            if (!strictlyInside(p.x, p.y, w)) break;
            switch (w.kind) {
            case WIDGET_CHECKBOX:
                w.flag = w.flag ? 0 : 1;
                menus.selected = i;
                break;
            case WIDGET_TEXTFIELD:
                w.flag = w.flag ? 0 : 1;
                menus.selected = i;
                menus.editing = w.flag != 0;
                break;
            case WIDGET_ENTRY:
            case WIDGET_PROFILE_ENTRY: menus.selected = i; break;
            case WIDGET_LEFT_ARROW: menus.pendingKey = MENU_KEY_LEFT; break;
            case WIDGET_RIGHT_ARROW: menus.pendingKey = MENU_KEY_RIGHT; break;
            case WIDGET_PROFILE_LINK:
                menus.profileIndex = persist.settings.currentProfile;
                openDialog("profiles");
                break;
            default: break;
            }
        }
    }
}

void menuLeftUp()
{
    menus.buttonHeld = false;
    releaseSliders();
}

void menuDoubleClick()
{
    // The second press of a quick double click arrives as the double click alone: a dialog that
    // takes presses itself (the map under a mode dialog) gets it as a press, so that two quick
    // clicks on two places of the map both land.
    if (const DialogHandlers* h = dialogHandlers(menus.current)) {
        if (h->press && h->press(menus.current)) {
            menus.buttonHeld = true;
            menus.pointerMoved = true;
            return;
        }
    }
    Vec2 p = pointerToScreen();
    // The second press of two quick clicks on a slider counts as a press of its own.
    menus.buttonHeld = true;
    releaseSliders();
    for (int i = 0; i < menus.widgetCount; i++) {
        const Widget& w = menus.widgets[i];
        if (w.kind == WIDGET_SLIDER) {
            sliderPress(i, p);
        } else if (w.kind == WIDGET_PROFILE_ENTRY && strictlyInside(p.x, p.y, w)) {
            menus.selected = i;
            if (MenuNode* dialog = menus.current) {
                int k = childIndex(dialog, findDialog("selectprofile"));
                if (k >= 0) menus.focus = k;
            }
            menus.pendingKey = MENU_KEY_ENTER;
        } else if (w.kind == WIDGET_LEVEL_ENTRY && inside(p.x, p.y, w.left, w.top, w.right, w.bottom) &&
                   levelSelectable(w.id)) {
            menus.selected = i;
            menus.pendingKey = MENU_KEY_ENTER;
        }
    }
}

// ---- Hooks ----

void registerDialog(const char* name, const DialogHandlers& handlers)
{
    if (!name || !name[0]) return;
    DialogEntry* e = const_cast<DialogEntry*>(findDialogEntry(name));
    if (!e) {
        if (registry.dialogCount >= DIALOG_REGISTRY_SIZE) return;
        e = &registry.dialogs[registry.dialogCount++];
        copyName(e->name, name);
    }
    e->handlers = handlers;
    if (MenuNode* node = findDialog(name)) node->drawHandler = handlers.draw;
}

const DialogHandlers* dialogHandlers(const MenuNode* dialog)
{
    if (!dialog) return nullptr;
    const DialogEntry* e = findDialogEntry(dialog->key);
    return e ? &e->handlers : nullptr;
}

void registerButtonAction(const char* buttonName, const char* dialogName, ButtonAction action)
{
    if (!buttonName || !buttonName[0] || !action) return;
    const char* d = dialogName ? dialogName : "";
    for (int i = 0; i < registry.actionCount; i++) {
        ActionEntry& e = registry.actions[i];
        if (std::strcmp(e.button, buttonName) == 0 && std::strcmp(e.dialog, d) == 0) {
            e.action = action;
            return;
        }
    }
    if (registry.actionCount >= ACTION_REGISTRY_SIZE) return;
    ActionEntry& e = registry.actions[registry.actionCount++];
    copyName(e.button, buttonName);
    copyName(e.dialog, d);
    e.action = action;
}
