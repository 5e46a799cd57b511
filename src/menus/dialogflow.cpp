#include "menus/dialogflow.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "audio/audio.h"
#include "core/requestlog.h"
#include "core/dialogport.h"
#include "game/board.h"
#include "game/gameflow.h"
#include "game/hud.h"
#include "game/outcome.h"
#include "game/playstate.h"
#include "map/map.h"
#include "effects/effects.h"
#include "menus/levelresult.h"
#include "menus/menus.h"
#include "persist/profile.h"
#include "game/savegame.h"
#include "persist/ownoptions.h"
#include "persist/settings.h"
#include "resources/texts.h"
#include "trophies/trophyroom.h"
#include "ui/messages.h"

DialogsState dialogs;
DialogRoute dialogRoute;

namespace {

constexpr int KEY_ENTER = 13;
constexpr int KEY_ESCAPE = 27;
constexpr int KEY_LEFT = 37;
constexpr int KEY_TAB = 9;
constexpr int KEY_UP = 38;
constexpr int KEY_DOWN = 40;
constexpr int KEY_RIGHT = 39;
// The profile's hint flag that stands for the prologue (the first ten are the board's tips).
constexpr int PROLOGUE_FLAG = 10;

bool is(const char* a, const char* b) { return std::strcmp(a, b) == 0; }

// ---- The framework by dialog name ----

void hostOpen(const char* name) { openDialog(name); }

void hostOpenFrom(const char* name, const char* parent)
{
    MenuNode* node = findDialog(name);
    if (!node) return;
    MenuNode* from = findDialog(parent);
    if (from) node->parent = from;
    openDialog(node);
}

void hostMessageBox(const char* textKey, bool okOnly) { showMessageBox(textKey, okOnly); }

// Opens the parent of a dialog with the focus on the child through which it was reached.
bool hostOpenParent(const char* name)
{
    MenuNode* node = findDialog(name);
    if (!node || !node->parent) return false;
    MenuNode* parent = node->parent;
    openDialog(parent);
    int index = childIndex(parent, node);
    if (index >= 0 && menus.current == parent) menus.focus = index;
    return true;
}

// The profile of the selected entry of the list, -1 for none.
int hostSelected()
{
    if (menus.selected < 0 || menus.selected >= menus.widgetCount) return -1;
    const Widget& w = menus.widgets[menus.selected];
    return w.kind == WIDGET_PROFILE_ENTRY ? w.id : -1;
}

void hostSetEditText(const char16_t* text)
{
    int n = 0;
    for (; text && text[n] && n < EDIT_MAX_CHARS; n++) menus.editBuffer[n] = text[n];
    for (int i = n; i <= EDIT_MAX_CHARS; i++) menus.editBuffer[i] = 0;
    menus.editLength = n;
    menus.cursor = 0;
}

bool isModeDialog(const char* name) { return modeOfDialog(name) >= 0; }

bool isMessageBox(const char* name) { return is(name, "messageboxok") || is(name, "messageboxyn"); }

void toFrontEnd()
{
    if (dialogRoute.toFrontEnd) dialogRoute.toFrontEnd();
    else recordRequest("toFrontEnd");
}

void toGameScreen()
{
    if (dialogRoute.toGameScreen) dialogRoute.toGameScreen();
    else recordRequest("toGameScreen");
}

void quitProgram()
{
    if (dialogRoute.quitProgram) dialogRoute.quitProgram();
    else recordRequest("quitProgram");
}

// The front end with "main" open.
void frontEndMode(int mode)
{
    if (dialogRoute.setFrontEndMode) dialogRoute.setFrontEndMode(mode);
    else recordRequest("setFrontEndMode", "", mode);
}

void frontEndMain()
{
    dialogPort.open = 0;
    dialogs.hiscoreFromGame = 0;
    toFrontEnd();
    hostOpen("main");
}

// The edit buffer, terminated (it holds at most 12 characters).
const char16_t* editName()
{
    menus.editBuffer[EDIT_MAX_CHARS] = 0;
    return menus.editBuffer;
}

// ---- Modes ----

// "adventure", "timeless" or "puzzle" chosen in "main".
void chooseMode(int mode, const char* from)
{
    dialogs.modeTab = mode;
    setProfileMode(mode);
    Profile& p = currentProfile();
    if (p.hintFlags[PROLOGUE_FLAG]) {
        p.hintFlags[PROLOGUE_FLAG] = 0;
        hostMessageBox("prolog", true);
    } else if (profileHasSavedGame(mode)) {
        hostOpenFrom("loadgamequest", from);
    } else {
        hostOpenFrom(modeDialogName(mode), from);
    }
}

// "start" in a mode dialog: the map says whether the selected level continues the profile's game.
void startSelected(const char* dialog)
{
    int mode = modeOfDialog(dialog);
    switch (startMapLevel()) {
    case MapStart::Continue:
        // A saved game of the level is offered first.
        if (profileHasSavedGame(mode)) hostOpenFrom("loadgamequest", dialog);
        else continueProfileGame(mode);
        break;
    case MapStart::NewGame: startNewGame(mode, mapSelectedLevel()); break;
    case MapStart::AskZeroScore: hostMessageBox("zeroscore", false); break;
    case MapStart::None: hostOpen(dialog); break;
    }
}

// ---- In-game ----

void restartAfterQuestion()
{
    dialogPort.open = 1;
    if (profileLives() > 0) {
        restartLevel();
        return;
    }
    // No life left: the game ends with its score in the high scores.
    long long total = static_cast<long long>(play.bankedScore) + play.shownLevelScore;
    int score = total > 0x7fffffff ? 0x7fffffff : static_cast<int>(total);
    dialogs.newScoreRow = enterHiscore(play.gameMode, currentProfile().name, score);
    dialogs.hiscoreFromGame = 1;
    hostOpen("hiscore");
    setProfileScore(0);
    setProfileLives(START_LIVES);
    setProfileLevel(play.levelIndex);
    saveAll();
}

void inGameMain(const char* dialog)
{
    if (is(dialog, "defeat")) {
        endGameInProgress();  // a lost level is not saved; leaving ends the game
        frontEndMain();
        return;
    }
    // The game's own way out: a touched level is saved and "savemsg" says so (its "ok" goes on
    // through savedMessageClosed); otherwise the game leaves through gameFlow.toFrontEnd at once.
    leaveGameFromMenu();
}

void messageBoxAction(const char* button, const char* parent, const char* boxText)
{
    if (is(button, "yes")) {
        if (is(parent, "main")) {
            quitProgram();
        } else if (is(parent, "profiles")) {
            deleteProfile(menus.profileIndex);
            saveAll();
            if (profileState.count > 0) hostOpen("profiles");
            else hostOpen("newprofile");
        } else if (isModeDialog(parent)) {
            mapConfirmNewGame();
            startNewGame(modeOfDialog(parent), mapSelectedLevel());
        } else if (is(parent, "gameplay")) {
            if (is(boxText, "skipquest") && profileLives() > 0) {
                dialogPort.open = 0;
                skipLevel();
            } else {
                restartAfterQuestion();
            }
        } else if (is(parent, "defeat")) {
            dialogPort.open = 0;
            skipLevel();
            toGameScreen();
        } else {
            hostOpenParent("messageboxyn");
        }
        return;
    }
    if (is(button, "ok")) {
        if (isSaveErrorBox(boxText)) {
            // Back to whatever the failed save interrupted: the dialog under the box; with none,
            // the board of a game in progress, else the front end's main menu.
            saveErrorClosed();
            if (hostOpenParent("messageboxok")) return;
            if (play.gameInProgress) closeDialog();
            else frontEndMain();
            return;
        }
        if (is(boxText, "prolog")) {
            startNewGame(dialogs.modeTab, 0);
        } else if (is(boxText, "lostlifetime") || is(boxText, "lostlifemoves")) {
            lifeLostMessageClosed();
        } else if (is(parent, "defeat")) {
            hostOpen("defeat");
        } else if (is(boxText, "savemsg")) {
            savedMessageClosed();
        } else if (is(boxText, "noskiplevel") || is(boxText, "noskiplast") || is(boxText, "nomorelives")) {
            // The question could not be asked: back to the pause menu.
            hostOpen("gameplay");
        } else {
            frontEndMain();
        }
        return;
    }
    // "no" and "cancel": back to the dialog under the box.
    if (parent[0]) hostOpen(parent);
}

// The row of the high scores of the game's mode that the game just ended went into (kept where
// the score was entered), -1 when it did not get in.
int gameScoreRow() { return outcome.hiscoreRow; }

} // namespace

void resetDialogs()
{
    dialogs = DialogsState{};
    dialogs.newScoreRow = -1;
    dialogs.mapMode = -1;
    dialogs.mapCompletedLevel = -1;
    dialogRoute = DialogRoute{};
}

int modeOfDialog(const char* name)
{
    if (!name) return -1;
    if (is(name, "adventure")) return 0;
    if (is(name, "timeless")) return 1;
    if (is(name, "puzzle")) return 2;
    return -1;
}

const char* modeDialogName(int mode)
{
    static const char* const names[3] = {"adventure", "timeless", "puzzle"};
    return mode >= 0 && mode < 3 ? names[mode] : names[0];
}

int stepModeTab(int tab, int step)
{
    return ((tab + step) % 3 + 3) % 3;
}

float creditsLineY(int line, float creditsTimeMs)
{
    return 0.03f * creditsTimeMs - 200.0f - 40.0f * static_cast<float>(line);
}

float creditsAlpha(float y)
{
    float d = std::fabs(y);
    if (d <= 100.0f) return 1.0f;
    if (d >= 260.0f) return 0.0f;
    return (260.0f - d) / 160.0f;
}

float advanceCredits(float creditsTimeMs, float dt, int lineCount)
{
    if (40.0f * static_cast<float>(lineCount) - 50.0f > 0.03f * creditsTimeMs - 200.0f) return creditsTimeMs + dt;
    return creditsTimeMs;
}

namespace {

// Every game starts from a fresh board (its constants, such as the hammer meter's bounds, are set
// by its reset) and fresh play values; the profile's tip flags are merged in when the level starts.
void prepareGame()
{
    dialogs.mapMode = -1;  // the map is set up afresh when a mode dialog opens after the game
    resetBoard();
    resetPlayState();
}

} // namespace

void startNewGame(int mode, int level)
{
    prepareGame();
    setProfileMode(mode);
    setProfileLevel(level);
    play.bankedScore = 0;
    dialogPort.open = 0;
    newGame(mode);
    saveAll();
    toGameScreen();
}

void returnToMainMenu() { frontEndMain(); }

void openModeDialogAfterLevel(int mode, int completedLevel, bool gameComplete)
{
    dialogs.mapMode = -1;
    dialogs.mapCompletedLevel = completedLevel;
    dialogs.mapGameComplete = gameComplete ? 1 : 0;
    dialogPort.open = 0;
    hostOpen(modeDialogName(mode));
}

void congratulationDone()
{
    // The game's row of the high scores is highlighted while the play state still holds its score.
    dialogs.newScoreRow = play.gameComplete ? gameScoreRow() : -1;
    play.gameComplete = 0;
    dialogPort.open = 0;
    dialogs.hiscoreFromGame = 0;
    toFrontEnd();
    hostOpen("hiscore");
}

void continueProfileGame(int mode)
{
    prepareGame();
    setProfileMode(mode);
    if (profileLives() <= 0) setProfileLives(START_LIVES);
    dialogPort.open = 0;
    continueGame(mode);
    toGameScreen();
}

void dialogOpened(const char* d)
{
    if (!isModeDialog(d) && !isMessageBox(d)) dialogs.mapMode = -1;
    if (is(d, "main")) {
        menus.mainDismissed = false;
        requestMusic(0);
        toFrontEnd();
    } else if (is(d, "options")) {
        dialogs.fullscreenChoice = persist.settings.fullscreen ? 1 : 0;
    } else if (isModeDialog(d)) {
        dialogs.modeTab = modeOfDialog(d);
        frontEndMode(1);
        setProfileMode(dialogs.modeTab);
        // Back from a message box over it (or reopened by itself) the map keeps its state: the
        // chosen level and the animations go on.
        if (dialogs.mapMode != dialogs.modeTab) {
            enterMap(dialogs.mapCompletedLevel, dialogs.mapGameComplete != 0);
            dialogs.mapMode = dialogs.modeTab;
        }
        dialogs.mapCompletedLevel = -1;
        dialogs.mapGameComplete = 0;
    } else if (is(d, "howtoplay")) {
        dialogs.helpPage = 0;
    } else if (is(d, "profiles")) {
        menus.selected = menus.profileIndex;
    } else if (is(d, "rename")) {
        // The name was copied into the edit buffer by the "rename" button.
        menus.editing = true;
        menus.cursor = 0;
        menus.editLength = utf16Length(editName());
    } else if (is(d, "newprofile")) {
        hostSetEditText(u"");
        menus.editing = true;
        toFrontEnd();
    } else if (is(d, "credits")) {
        requestMusic(1);
        dialogs.creditsTime = 0.0f;
        frontEndMode(4);
    } else if (is(d, "hiscore")) {
        // Opened over the board, it is the game's end: its tab is the game's mode and the row the
        // game's score went into is highlighted.
        if (dialogPort.open) {
            dialogs.hiscoreFromGame = 1;
            dialogs.modeTab = play.gameMode >= 0 && play.gameMode < 3 ? play.gameMode : 0;
            if (dialogs.newScoreRow < 0) dialogs.newScoreRow = gameScoreRow();
        } else {
            dialogs.hiscoreFromGame = 0;
            dialogs.modeTab = profileState.count > 0 ? profileMode() : 0;
        }
    }
}

void dialogBack(const char* d)
{
    if (is(d, "main")) {
        menus.mainDismissed = true;
        return;
    }
    if (is(d, "gameplay") || is(d, "replaywin") || is(d, "replayloss")) {
        dialogPort.open = 0;
        return;
    }
    if (is(d, "credits")) {
        requestMusic(0);
        frontEndMode(0);
    } else if (is(d, "hiscore")) {
        dialogs.newScoreRow = -1;
        if (dialogs.hiscoreFromGame) {
            frontEndMain();
            return;
        }
    } else if (isModeDialog(d) || is(d, "trophyroom")) {
        hostOpen("main");
        return;
    } else if (is(d, "options")) {
        saveAll();
        saveOwnOptions();
    }
    if (!hostOpenParent(d)) hostOpen("main");
}

int stepHelpPage(int page, int step)
{
    page += step;
    if (page < 0) page = 0;
    if (page > HELP_PAGE_COUNT - 1) page = HELP_PAGE_COUNT - 1;
    return page;
}

int dialogKeyRule(const char* d, const char* focused, int vk)
{
    if (is(d, "hiscore") && (vk == KEY_LEFT || vk == KEY_RIGHT)) {
        dialogs.modeTab = stepModeTab(dialogs.modeTab, vk == KEY_LEFT ? -1 : 1);
        return 0;
    }
    if (is(d, "howtoplay") && (vk == KEY_LEFT || vk == KEY_RIGHT)) {
        dialogs.helpPage = stepHelpPage(dialogs.helpPage, vk == KEY_LEFT ? -1 : 1);
        return 0;
    }
    if (is(d, "credits") && vk != 0) return KEY_ESCAPE;
    // In "options" Up and Down go through its sliders and check boxes (Left and Right then move a
    // slider, Space ticks a box); Return still presses its button.
    if (is(d, "options") && (vk == KEY_UP || vk == KEY_DOWN) && menus.widgetCount > 0) {
        int n = menus.widgetCount, step = vk == KEY_UP ? -1 : 1;
        int at = menus.selected >= 0 && menus.selected < n ? menus.selected : (step > 0 ? -1 : n);
        for (int k = 0; k < n; k++) {
            at = ((at + step) % n + n) % n;
            int kind = menus.widgets[at].kind;
            if (kind == WIDGET_SLIDER || kind == WIDGET_CHECKBOX) {
                menus.selected = at;
                break;
            }
        }
        return 0;
    }
    // The keyboard's way to the players: Tab in "main" does what the change-profile link does,
    // and Left and Right choose a player in "profiles" (Up and Down move between its buttons).
    if (is(d, "main") && vk == KEY_TAB && !menus.mainDismissed) {
        menus.profileIndex = persist.settings.currentProfile;
        hostOpen("profiles");
        return 0;
    }
    if (is(d, "profiles") && (vk == KEY_LEFT || vk == KEY_RIGHT) && profileState.count > 0) {
        int sel = hostSelected() < 0 ? menus.profileIndex : hostSelected() + (vk == KEY_LEFT ? -1 : 1);
        if (sel < 0) sel = 0;
        if (sel >= profileState.count) sel = profileState.count - 1;
        menus.selected = sel;  // the list's entries are its first widgets, one per profile
        return 0;
    }
    // The artefact screen or the congratulation over the map holds the mode dialog's buttons.
    if (isModeDialog(d) && mapBlocksInput()) return 0;
    // Left and Right choose the level on the map under a mode dialog (Up and Down still move
    // between its buttons), so a level can be chosen without the mouse.
    if (isModeDialog(d) && (vk == KEY_LEFT || vk == KEY_RIGHT)) {
        mapStepLevel(vk == KEY_LEFT ? -1 : 1);
        return 0;
    }
    if ((is(d, "loadgamequest") || isModeDialog(d) || is(d, "defeat") || is(d, "newprofile")) && vk == KEY_ESCAPE)
        return 0;
    // With no profile yet "newprofile" shows its first button only: the second ("cancel", a way
    // out without a player) takes no focus, and the arrows only move the caret.
    if (is(d, "newprofile") && profileState.count <= 0) {
        if (vk == MENU_KEY_LEFT || vk == MENU_KEY_RIGHT || vk == MENU_KEY_UP || vk == MENU_KEY_DOWN) return 0;
        menus.focus = 0;
    }
    if ((is(d, "levelcomplete") || is(d, "gameplaytip")) && vk == KEY_ESCAPE) vk = KEY_ENTER;
    if (is(d, "levelcomplete") && vk == KEY_ENTER && levelResultEnter()) {
        clearEffects();
        return 0;
    }
    if (is(d, "profiles") && vk == KEY_ENTER && focused && is(focused, "newprofile") &&
        profileState.count >= PROFILE_TABLE_SIZE) {
        playSound("MaxPlayers.ogg");
        return 0;
    }
    return vk;
}

void dialogAction(const char* d, const char* b, const char* parent, const char* boxText)
{
    if (!d || !b) return;
    if (!parent) parent = "";
    if (!boxText) boxText = "";
    bool box = is(d, "messageboxok") || is(d, "messageboxyn");
    if (box) {
        messageBoxAction(b, parent, boxText);
        return;
    }
    // ---- Profiles ----
    if (is(b, "selectprofile")) {
        selectProfile(hostSelected());
        saveAll();
        hostOpen("main");
    } else if (is(b, "rename") && is(d, "profiles")) {
        int sel = hostSelected();
        if (sel < 0 || sel >= profileState.count) {
            hostOpen(d);
            return;
        }
        menus.profileIndex = sel;
        hostSetEditText(profileState.profiles[sel].name);
        hostOpenFrom("rename", d);
    } else if (is(b, "okrename")) {
        if (renameProfile(menus.profileIndex, editName())) {
            saveAll();
            hostOpen("profiles");
        } else {
            hostOpen(d);
        }
    } else if (is(b, "remove")) {
        int sel = hostSelected();
        if (sel < 0 || sel >= profileState.count) {
            hostOpen(d);
            return;
        }
        menus.profileIndex = sel;
        hostMessageBox("removeplayer", false);
    } else if (is(b, "oknewprofile")) {
        if (createProfile(editName())) {
            saveAll();
            hostOpen("main");
        } else {
            hostOpen(d);
        }
    } else if (is(b, "newprofile") && is(d, "profiles")) {
        if (profileState.count >= PROFILE_TABLE_SIZE) hostOpen(d);
        else hostOpenFrom("newprofile", d);
    // ---- Modes ----
    } else if (modeOfDialog(b) >= 0 && !isModeDialog(d)) {
        chooseMode(modeOfDialog(b), d);
    } else if (is(b, "start") && isModeDialog(d)) {
        startSelected(d);
    } else if (is(d, "loadgamequest") && is(b, "yes")) {
        // The saved game is read over the freshly started level of the profile; a damaged one
        // leaves that level as it is.
        continueProfileGame(dialogs.modeTab);
        loadSavedGameOverLevel();
    } else if (is(d, "loadgamequest") && is(b, "no")) {
        // Asked by the map's start item, "no" starts the level afresh (asking again would go round
        // in a circle); asked on choosing the mode, it opens the mode's map.
        if (isModeDialog(parent)) continueProfileGame(dialogs.modeTab);
        else hostOpenFrom(modeDialogName(dialogs.modeTab), "main");
    // ---- Front-end buttons ----
    } else if (is(b, "exit") || is(b, "quit")) {
        hostMessageBox("quit", false);
    } else if (is(b, "trophyroom")) {
        // The room fades in over its first second; leaving it opens "main" again, or the mode
        // dialog the button was pressed in (a data set may give the mode dialogs this button).
        MenuNode* node = findDialog("trophyroom");
        MenuNode* from = findDialog(d);
        if (node && from) node->parent = from;
        enterTrophyRoom(isModeDialog(d) ? modeOfDialog(d) : TROPHY_RETURN_MAIN);
    } else if (is(b, "apply")) {
        if ((dialogs.fullscreenChoice != 0) != (persist.settings.fullscreen != 0)) {
            persist.settings.fullscreen = dialogs.fullscreenChoice;
            if (dialogRoute.applyFullscreen) dialogRoute.applyFullscreen(dialogs.fullscreenChoice != 0);
            else recordRequest("applyFullscreen", "", dialogs.fullscreenChoice);
        }
        dialogBack(d);
    } else if (is(b, "default")) {
        persist.settings.musicVolume = 100;
        persist.settings.sfxVolume = 80;
        hostOpen(d);
    // ---- In-game buttons ----
    } else if (is(b, "resume game")) {
        dialogPort.open = 0;
    } else if (is(b, "skip level")) {
        // After the last level there is nothing to skip to (docs/play.md).
        if (play.levelIndex >= LEVELS_PER_MODE - 1) hostMessageBox("noskiplast", true);
        else if (profileLives() > 0) hostMessageBox("skipquest", false);
        else hostMessageBox("noskiplevel", true);
    } else if (is(b, "restart level")) {
        if (play.levelLost) {
            dialogPort.open = 0;
            restartLevel();
        } else if (profileLives() > 0) {
            hostMessageBox("restartquest", false);
        } else {
            hostMessageBox("nomorelives", true);
        }
    } else if (is(b, "okcontinuegame")) {
        dialogs.continuedGames += 1;
        dialogPort.open = 0;
    } else if (is(b, "oknextlevel") || (is(d, "levelcomplete") && is(b, "ok"))) {
        levelCompleteDialogClosed();
    } else if (is(b, "main")) {
        inGameMain(d);
    } else if (is(b, "cancel") && is(d, "newprofile") && profileState.count <= 0) {
        hostOpen(d);  // no way round making the first profile
    } else if (is(b, "back") || is(b, "cancel")) {
        dialogBack(d);
    } else if (is(d, "gameplaytip")) {
        dialogPort.open = 0;
    } else {
        // A button with children of its own is a dialog reached from here ("credits" keeps its
        // parent); a plain button without an action of its own does nothing.
        MenuNode* node = findDialog(b);
        if (node && node->childCount > 0) {
            if (!is(b, "credits")) node->parent = findDialog(d);
            openDialog(node);
        }
    }
}
