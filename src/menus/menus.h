#pragma once
// Menu tree and dialog framework. Every menu and dialog of the game is a node of one tree read
// from "menu.txt": a dialog lists its buttons, and a button whose name is itself a dialog opens
// it. Captions come from the text tables under the node's name. One dialog at a time is current;
// it opens and closes with a 300 ms slide-and-fade, is drawn each frame (a standard vertical
// button list or the dialog's own drawing routine), keeps a focused button that follows the
// keyboard and the pointer, and runs the action of a button 300 ms after it is activated (the
// closing animation comes first).
//
// The per-dialog content (drawing, on-open steps, key rules, button actions, back steps) is
// registered by the dialog files (src/menus/dialogs_*.cpp) through the hooks at the end of this
// header; the framework itself knows only the standard list, message boxes and "gameplay".
//
// Coordinates are the centred 2-D screen space (x right, y up, origin at the screen centre).
// All state lives in `menus`; tests reset it with resetMenus().
#include "core/math.h"
#include "ui/panels.h"

#include <cstdint>

constexpr int MENU_NODE_CAPACITY = 256;   // nodes of the tree (dialogs and buttons)
constexpr int MENU_NAME_UNITS = 64;       // UTF-16 units of a name or caption, terminator included
constexpr int MENU_MAX_CHILDREN = 16;     // buttons of one dialog
constexpr int MENU_BUTTON_CAPACITY = 64;  // button rectangles registered in one frame
constexpr int MENU_WIDGET_CAPACITY = 128; // widgets registered in one frame
constexpr int EDIT_MAX_CHARS = 12;        // characters of a profile name
constexpr float EDIT_MAX_WIDTH = 140.0f;  // width of a profile name at scale 16
constexpr float MENU_ANIM_MS = 300.0f;    // opening and closing animation
constexpr float EDIT_REFUSED_MS = 300.0f; // the name field flashes this long when a letter is refused

// Sliders: a press on the track (or up to SLIDER_ARROW_GAP beside it) moves the knob there and
// the knob follows the held button; a press in an arrow zone (SLIDER_ARROW_GAP to
// SLIDER_ARROW_REACH beside the track) steps one unit, and holding it repeats after
// SLIDER_REPEAT_DELAY_MS at SLIDER_REPEAT_PER_S units a second.
constexpr float SLIDER_ARROW_GAP = 25.6f;
constexpr float SLIDER_ARROW_REACH = 64.0f;
constexpr float SLIDER_REPEAT_DELAY_MS = 400.0f;
constexpr float SLIDER_REPEAT_PER_S = 30.0f;
constexpr int CREDITS_LINE_CAPACITY = 128;
constexpr int MESSAGE_TEXT_UNITS = 512;

// Windows virtual-key codes the framework reacts to.
constexpr int MENU_KEY_BACKSPACE = 8;
constexpr int MENU_KEY_ENTER = 13;
constexpr int MENU_KEY_ESCAPE = 27;
constexpr int MENU_KEY_SPACE = 32;
constexpr int MENU_KEY_END = 35;
constexpr int MENU_KEY_HOME = 36;
constexpr int MENU_KEY_LEFT = 37;
constexpr int MENU_KEY_UP = 38;
constexpr int MENU_KEY_RIGHT = 39;
constexpr int MENU_KEY_DOWN = 40;
constexpr int MENU_KEY_DELETE = 46;

struct MenuNode;
struct Texture;
using MenuDrawHandler = void (*)(MenuNode* dialog);

// One dialog or button. Nodes live in the fixed table `menus.nodes` for the whole run, so node
// pointers stay valid; `parent` is re-pointed at run time so that "back" returns to the dialog
// that opened a node.
struct MenuNode {
    char16_t name[MENU_NAME_UNITS];     // also the text-table key
    char16_t caption[MENU_NAME_UNITS];  // text-table entry for name, empty when there is none
    char key[MENU_NAME_UNITS];          // name as an 8-bit string (for lookups and logs)
    MenuNode* parent;
    MenuNode* children[MENU_MAX_CHILDREN];
    int childCount;                     // 0 for a plain button
    MenuDrawHandler drawHandler;        // null: the standard button list
};

// Widget kinds.
constexpr int WIDGET_SLIDER = 0;
constexpr int WIDGET_CHECKBOX = 1;
constexpr int WIDGET_TEXTFIELD = 2;
constexpr int WIDGET_ENTRY = 3;          // selectable entry
constexpr int WIDGET_LEFT_ARROW = 4;     // a click posts Left
constexpr int WIDGET_RIGHT_ARROW = 5;    // a click posts Right
constexpr int WIDGET_PROFILE_LINK = 7;   // change-profile link
constexpr int WIDGET_PROFILE_ENTRY = 8;
constexpr int WIDGET_LEVEL_ENTRY = 9;

// A hit area registered by a drawing routine (the list is rebuilt every frame; sliders and check
// boxes keep value and flag in their slot between frames, see registerBoundWidget).
struct Widget {
    float left, top, right, bottom;  // screen space, y up: top > bottom
    int kind;
    int16_t steps;   // positions of a slider
    int16_t value;   // current position of a slider
    uint8_t flag;    // ticked box, hovered link, active text field
    int32_t id;      // the entry's own number: level index of a level entry, profile index, ...
};

struct ButtonRect {
    float left, top, right, bottom;
};

struct MenusState {
    // Whether a dialog is up, and its animation (`anim`), live in core/dialogport.h, where the
    // modules below the menus read them.

    // The tree.
    MenuNode nodes[MENU_NODE_CAPACITY] = {};
    int nodeCount = 0;
    bool treeDamaged = false;  // the file gave a dialog more children or nodes than the tables hold

    // Current dialog and focus.
    MenuNode* current = nullptr;
    int focus = 0;      // index of the focused child, -1 for none
    int lastFocus = 0;  // focus at the last update (for the focus sound)
    int selected = -1;  // index of the selected widget in the widget list, -1 for none

    // Animation.
    bool opening = false;
    bool closing = false;
    float animTime = 0.0f;  // ms into the running animation
    float slide = 0.0f;     // vertical slide offset
    // The menu clock (it turns the panels' corner flares) is `panels.clockMs`, ui/panels.h.

    // Pending actions and input.
    bool pendingActivate = false;
    bool pendingBack = false;
    int pendingKey = 0;     // one virtual-key code, consumed once per frame
    bool pointerMoved = false;
    bool buttonHeld = false;
    int sliderGrabbed = -1;    // widget slot whose knob follows the held button, -1 for none
    int sliderRepeatSlot = -1; // widget slot whose arrow is held, -1 for none
    int sliderRepeatDir = 0;   // -1 for "<", +1 for ">"
    float sliderHeldMs = 0.0f;     // time the arrow has been held
    float sliderNextStepMs = 0.0f; // held time of the next repeated step
    bool mainDismissed = false;  // "main" was left with Escape: nothing shows until a key or click

    // Text entry.
    bool editing = false;
    char16_t editBuffer[EDIT_MAX_CHARS + 1] = {};
    int cursor = 0;
    int editLength = 0;
    char16_t pendingText[16] = {};  // characters typed this frame (text-input messages)
    int pendingTextCount = 0;
    bool textInputSeen = false;  // text-input messages arrive: letter key codes no longer insert
    float editRefusedMs = 0.0f;  // > 0 while the field shows that a character was refused

    // Message box.
    char16_t messageText[MESSAGE_TEXT_UNITS] = {};
    char messageKey[64] = {};  // the text key the box was opened with

    // Profile being edited or removed (the change-profile link sets it).
    int profileIndex = 0;

    // Focus colours, pulsing.
    Color focusGlowColour = Color(255, 200, 100, 50);

    // Credits.
    char16_t credits[CREDITS_LINE_CAPACITY][MENU_NAME_UNITS] = {};
    int creditsCount = 0;

    // Text-table positions of the first numbered tips.
    int tipIndex = 0;
    int gameTipIndex = 0;

    // Per-frame lists.
    ButtonRect buttons[MENU_BUTTON_CAPACITY] = {};
    int buttonCount = 0;
    Widget widgets[MENU_WIDGET_CAPACITY] = {};
    int widgetCount = 0;
    int widgetSlotsKept = 0;  // slots whose value survives from the previous frame

    // Pictures (loadMenuPictures).
    Texture* balloon = nullptr;  // "_a_baloon.jpg"

    // Counters for tests and the benchmark.
    int opens = 0;        // dialogs opened since the reset
    int activations = 0;  // button actions run since the reset
};
extern MenusState menus;

// ---- Loading ----

// Empties the tree and every menu state, forgets the pictures (registered hooks stay).
void resetMenus();
// Reads "menu.txt" through the file table (required) and builds the tree and the tip positions
// from the loaded text tables; reads the credits from "<textDir>menutext.txt" (textDir is the
// language folder with its trailing slash; null or a missing file: no credits). No dialog is
// current afterwards.
void loadMenus(const char* textDir);
// The credits lines from a menutext.txt image (UTF-16 LE): after the marker "[credits/]" empty
// lines are skipped, then each line is one credits line until a line begins with "[/credits]".
void readCredits(const uint8_t* data, int32_t size);
// The same from menu.txt bytes in memory (UTF-16 LE, optional byte-order mark, CR LF lines).
// Damaged or hostile data never reads past the buffer; see docs/menus.md for what is tolerated.
void buildMenuTree(const uint8_t* data, int32_t size);
// Loads "_a_menutex.jpg", "white.jpg", "_a_baloon.jpg" and "button.tga" (needs a device).
void loadMenuPictures();

// Width at `scale` of the longest name the text entry accepts in the current font: at most
// EDIT_MAX_CHARS characters, and a character is added only while the name measures less than
// EDIT_MAX_WIDTH at scale 16, so the widest glyph can end a name just under that width.
float longestNameWidth(float scale);

MenuNode* findDialog(const char* name);
MenuNode* findDialogW(const char16_t* name);
// True when the node's name equals the 8-bit name.
bool nodeIs(const MenuNode* node, const char* name);
// Name of the current dialog, "" when none.
const char* currentDialogName();
// Index of child in dialog's children, -1 when it is not one.
int childIndex(const MenuNode* dialog, const MenuNode* child);

// ---- Opening and closing ----

// Ignored while an animation runs. Otherwise the node becomes current, selected = -1, the lists
// are emptied, the opening animation starts, the on-open step runs and focus = 0.
void openDialog(MenuNode* node);
void openDialog(const char* name);  // looks the node up first; an unknown name is ignored
// Starts the closing animation; when it ends no dialog is current unless a pending action opens one.
void closeDialog();
// Shows the text under textKey (the key itself when the tables lack it) in "messageboxok"
// (okOnly) or "messageboxyn", whose parent becomes the current dialog.
bool showMessageBox(const char* textKey, bool okOnly);
// Goes back from `dialog` now: the dialog's back hook, else its parent opens with the focus on
// the child through which it was reached; "main" without a parent is dismissed (nothing shows
// until the next key or click); any other dialog without a parent leaves no dialog.
void goBack(MenuNode* dialog);
// Runs the action of child `index` of `dialog` now (what an activation does after its closing
// animation): the registered button action, else the default (a button with children opens
// with the dialog as its parent).
void activateButton(MenuNode* dialog, int index);

// ---- Per frame ----

// Animation, focus sound, focus colours, hover, slider drag and key handling.
void updateMenus();
// Empties the button and widget lists and draws the current dialog.
void drawMenus();
// What a host screen calls per frame: pass 0 updates and draws, pass 1 draws the current
// dialog's second layer (if it registered one).
void drawDialogs(int pass);
// A dark veil over the whole screen under a modal dialog of the game screen, so that the board
// (gems, flying tiles, sparks) does not compete with the dialog's text. It fades with the
// dialog's opening and closing.
constexpr int MODAL_VEIL_ALPHA = 150;
void drawModalVeil();

// ---- Drawing helpers for the dialog routines ----

// The frame and the graphic button's picture are ui/panels.h's (drawPanel, drawButtonPicture).
void drawButtonList(float x, float y, float scale, bool centred, int first, int last);
void drawStandardDialog(float x, float y, float scale, bool centred, int first, int last);
// Graphic button; caption null: the caption of the child whose index is the number of buttons
// registered so far in this frame.
void drawButton(float x, float y, float width, float height, float textScale, const char16_t* caption);
// Widest caption of children first..last (-1 for all) at scale s.
float widestCaption(const MenuNode* dialog, float scale, int first, int last);
// A glowing highlight behind a widget (the glow rectangle grown by 32 across, 16 up and down).
void drawWidgetHighlight(const Widget& w, Color colour);

// Registers the next button rectangle (child k of the current dialog for the k-th one); returns
// its index, -1 when the list is full.
int registerButton(float left, float top, float right, float bottom);
// Registers a widget for this frame; returns its slot, -1 when the list is full. For sliders and
// check boxes, a slot that existed in the previous frame keeps its value and flag once the
// dialog has finished opening; while it opens the given record's value and flag are taken.
int registerWidget(const Widget& widget);
// registerWidget for a slider or check box bound to a variable: while the dialog opens the slot
// copies the variable, afterwards the variable copies the slot (so a change applies at once).
// Returns the slot.
int registerBoundWidget(const Widget& widget, int32_t* value, uint8_t* flag);

// ---- Input forwarded by the host screens ----

void menuKeyDown(int virtualKey);  // stored, unless an animation runs
void menuTextInput(char16_t unit); // one typed character (from the OS text-input message)
void menuPointerMove();
void menuLeftDown();
void menuLeftUp();
void menuDoubleClick();

// ---- Hooks for the dialog files ----

struct DialogHandlers {
    MenuDrawHandler draw = nullptr;         // drawing routine (null: the standard list)
    void (*onOpen)(MenuNode* dialog) = nullptr;
    // Dialog-specific key rule, run before Enter/Escape/arrows: may rewrite *key or set it to 0
    // to swallow it.
    void (*keyRule)(MenuNode* dialog, int* key) = nullptr;
    // Back step; return false to fall back to the default (the parent).
    bool (*back)(MenuNode* dialog) = nullptr;
    MenuDrawHandler secondPass = nullptr;   // drawn by drawDialogs(1)
    // A left press, before the dialog's buttons and widgets see it; true when it was used up
    // (a dialog over the map passes the press to the map first).
    bool (*press)(MenuNode* dialog) = nullptr;
};
// Registers the handlers of a dialog by name (replacing earlier ones); they reach the node at
// once if the tree is loaded, and on every later load.
void registerDialog(const char* name, const DialogHandlers& handlers);
const DialogHandlers* dialogHandlers(const MenuNode* dialog);

// A button action, run 300 ms after activation. `dialog` is the dialog the button belongs to.
using ButtonAction = void (*)(MenuNode* dialog, MenuNode* button);
// Registers the action for a button name, in one dialog (dialogName) or in any (null). The more
// specific one wins.
void registerButtonAction(const char* buttonName, const char* dialogName, ButtonAction action);

// Hooks into modules above the framework (set by the host; null ones do nothing).
struct MenuHooks {
    void (*arrowPointer)() = nullptr;             // window pointer to the standard arrow
    const uint8_t* softwareCursor = nullptr;      // software cursor setting
    const uint8_t* mapUnlocked = nullptr;         // every level selectable on the map
    int (*highestUnlockedLevel)() = nullptr;      // level entries up to this one are selectable
};
extern MenuHooks menuHooks;

// Registers every dialog of the game (defined with the dialog files; called by loadMenus).
void registerDialogs();
