// The dialog framework at run time: the opening and closing animation, focus from keys and the
// pointer, activation after the closing animation, going back, the dismissed main menu, message
// boxes, and the widgets (sliders, check boxes, text fields, entries, the change-profile link).
#include "menus_helpers.h"
#include "core/dialogport.h"
#include "persist/profile.h"

#include "persist/settings.h"

namespace {

const std::u16string TREE = u"main=\r\nmain\r\nadventure\r\noptions\r\nprofiles\r\nexit\r\n\r\n"
                            u"adventure=\r\nstart\r\nback\r\n\r\n"
                            u"profiles=\r\nselectprofile\r\nnewprofile\r\nrename\r\nback\r\n\r\n"
                            u"newprofile=\r\noknewprofile\r\ncancel\r\n\r\n"
                            u"messageboxok=\r\nok\r\n\r\nmessageboxyn=\r\nyes\r\nno\r\n\r\n";

int actionsRun = 0;
std::string lastAction;

class Menus : public MenusTest {
protected:
    void SetUp() override
    {
        MenusTest::SetUp();
        actionsRun = 0;
        lastAction.clear();
        registerButtonAction("exit", "main", [](MenuNode* d, MenuNode* b) {
            actionsRun++;
            lastAction = std::string(d->key) + "/" + b->key;
        });
        buildTree(TREE);
        pointAt(390.0f, -290.0f);  // a corner no dialog uses
    }
    void openResting(const char* name)
    {
        openDialog(name);
        settleMenus();
        ASSERT_STREQ(currentDialogName(), name);
    }
    void key(int vk)
    {
        menuKeyDown(vk);
        menuFrame();
    }
};

TEST_F(Menus, OpeningAndClosingSlideAndFadeOver300Ms)
{
    openDialog("main");
    EXPECT_TRUE(menus.opening);
    EXPECT_EQ(menus.focus, 0);
    menuFrame(100.0f);  // anim from the clock before it advances
    EXPECT_FLOAT_EQ(dialogPort.anim, 1.0f);
    EXPECT_FLOAT_EQ(menus.slide, 300.0f);
    menuFrame(100.0f);
    EXPECT_NEAR(dialogPort.anim, 2.0f / 3.0f, 1e-5);
    EXPECT_NEAR(menus.slide, 300.0f * 4.0f / 9.0f, 1e-3);
    menuFrame(100.0f);
    menuFrame(100.0f);  // the clock passes 300
    EXPECT_FALSE(menus.opening);
    EXPECT_FLOAT_EQ(dialogPort.anim, 0.0f);
    EXPECT_FLOAT_EQ(menus.slide, 0.0f);
    // While it animates another dialog cannot open and keys are not taken.
    openDialog("adventure");
    menuKeyDown(40);
    EXPECT_EQ(menus.pendingKey, 0);
    openDialog("options");
    EXPECT_STREQ(currentDialogName(), "adventure");
    closeDialog();
    EXPECT_FALSE(menus.closing);
    settleMenus();
    closeDialog();
    menuFrame(150.0f);
    menuFrame(150.0f);
    EXPECT_NEAR(dialogPort.anim, 0.5f, 1e-5);
    EXPECT_NEAR(menus.slide, 150.0f, 1e-3);
    menuFrame(150.0f);
    EXPECT_FALSE(menus.closing);
    EXPECT_FLOAT_EQ(dialogPort.anim, 1.0f);
    EXPECT_STREQ(currentDialogName(), "");  // nothing pending: no dialog
}

TEST_F(Menus, ArrowKeysMoveTheFocusAndWrap)
{
    openResting("main");
    ASSERT_EQ(findDialog("main")->childCount, 4);
    key(38);  // Up on the first: the last
    EXPECT_EQ(menus.focus, 3);
    key(40);  // Down on the last: the first
    EXPECT_EQ(menus.focus, 0);
    key(39);
    key(39);
    EXPECT_EQ(menus.focus, 2);
    key(37);
    EXPECT_EQ(menus.focus, 1);
    // The focus sound plays when the focus changes and nothing animates.
    EXPECT_EQ(queuedSounds("MenuLineSelect.ogg"), 4);
}

TEST_F(Menus, EnterActivatesTheFocusedButtonOnlyAfterTheClosingAnimation)
{
    openResting("main");
    key(38);  // focus "exit"
    key(13);
    EXPECT_TRUE(menus.closing);
    EXPECT_EQ(queuedSounds("ButtonClick.ogg"), 1);
    menuFrame(100.0f);
    menuFrame(100.0f);
    menuFrame(100.0f);  // clock at 300: not past it yet
    EXPECT_EQ(actionsRun, 0);
    menuFrame(20.0f);
    EXPECT_EQ(actionsRun, 1);
    EXPECT_EQ(lastAction, "main/exit");
    EXPECT_EQ(menus.activations, 1);
    // The action opened nothing: no dialog is current.
    EXPECT_STREQ(currentDialogName(), "");
}

TEST_F(Menus, AButtonWithButtonsOpensItsDialogAndBackReturnsToTheButton)
{
    openResting("main");
    key(40);
    key(40);  // "profiles"
    key(13);
    settleMenus();
    ASSERT_STREQ(currentDialogName(), "profiles");
    EXPECT_EQ(findDialog("profiles")->parent, findDialog("main"));
    EXPECT_EQ(menus.focus, 0);
    key(27);
    EXPECT_EQ(menus.focus, 0);
    settleMenus();
    EXPECT_STREQ(currentDialogName(), "main");
    EXPECT_EQ(menus.focus, 2);  // the button through which "profiles" was reached
}

TEST_F(Menus, EscapeIsIgnoredInNewProfileAndInTheOkMessageBox)
{
    openResting("newprofile");
    key(27);
    EXPECT_FALSE(menus.closing);
    EXPECT_STREQ(currentDialogName(), "newprofile");
    closeDialog();
    settleMenus();
    openResting("main");
    showMessageBox("nosuchtext", true);
    settleMenus();
    ASSERT_STREQ(currentDialogName(), "messageboxok");
    EXPECT_EQ(std::u16string(menus.messageText), u"nosuchtext");  // a missing text shows its key
    key(27);
    EXPECT_FALSE(menus.closing);
}

TEST_F(Menus, MessageBoxesTakeTheCurrentDialogAsParent)
{
    addTexts(u"quit=Leave the game?");
    openResting("adventure");
    showMessageBox("quit", false);
    EXPECT_STREQ(menus.messageKey, "quit");
    EXPECT_EQ(std::u16string(menus.messageText), u"Leave the game?");
    EXPECT_EQ(findDialog("messageboxyn")->parent, findDialog("adventure"));
    settleMenus();
    EXPECT_STREQ(currentDialogName(), "messageboxyn");
    // "no" has no action here: Escape goes back to the parent.
    key(27);
    settleMenus();
    EXPECT_STREQ(currentDialogName(), "adventure");
}

TEST_F(Menus, EscapeInMainHidesItUntilTheNextKeyOrClick)
{
    openResting("main");
    key(27);
    settleMenus();
    EXPECT_TRUE(menus.mainDismissed);
    EXPECT_STREQ(currentDialogName(), "");
    key(65);
    EXPECT_STREQ(currentDialogName(), "main");
    EXPECT_FALSE(menus.mainDismissed);
    settleMenus();
    key(27);
    settleMenus();
    ASSERT_TRUE(menus.mainDismissed);
    menuLeftDown();
    EXPECT_STREQ(currentDialogName(), "main");
    EXPECT_FALSE(menus.buttonHeld);  // the click only brought the menu back
}

TEST_F(Menus, ThePointerMovesTheFocusAndAClickActivatesButNotWhileOpening)
{
    openDialog("main");
    menuFrame();  // the buttons of the opening frame are registered
    ASSERT_EQ(menus.buttonCount, 4);
    const ButtonRect last = menus.buttons[3];
    pointAt((last.left + last.right) / 2, (last.top + last.bottom) / 2);
    menuLeftDown();
    EXPECT_EQ(menus.pendingKey, 0);
    EXPECT_EQ(menus.focus, 0);
    settleMenus();
    // Moving onto a button focuses it; resting there does not (the move flag is spent).
    const ButtonRect second = menus.buttons[1];
    pointAt((second.left + second.right) / 2, (second.top + second.bottom) / 2);
    menuPointerMove();
    menuFrame();
    EXPECT_EQ(menus.focus, 1);
    EXPECT_FALSE(menus.pointerMoved);
    menus.focus = 0;
    menuFrame();
    EXPECT_EQ(menus.focus, 0);
    // A click on "exit" (where it is drawn at rest) focuses it and posts Enter.
    const ButtonRect exitButton = menus.buttons[3];
    pointAt((exitButton.left + exitButton.right) / 2, (exitButton.top + exitButton.bottom) / 2);
    menuLeftDown();
    EXPECT_EQ(menus.focus, 3);
    EXPECT_EQ(menus.pendingKey, 13);
    settleMenus();
    EXPECT_EQ(actionsRun, 1);
}

TEST_F(Menus, TheStandardListRegistersOneRectanglePerButton)
{
    addTexts(u"adventure=AAA\r\noptions=OOOO\r\nprofiles=PP\r\nexit=E");
    // A dialog without a drawing of its own ("main" has the game's).
    buildTree(u"main=\r\nmain\r\nsample\r\n\r\nsample=\r\nadventure\r\noptions\r\nprofiles\r\nexit\r\n\r\n");
    openResting("sample");
    ASSERT_EQ(menus.buttonCount, 4);
    // Centred list of the standard dialog at (-210, 150), scale 16: lines 32 apart from
    // 150 + 64 - 16 down; rectangles span the widest caption (4 glyphs of 1.5 x 16).
    float maxW = 4 * 1.5f * 16.0f;
    for (int k = 0; k < 4; k++) {
        float line = 150.0f + 64.0f - 16.0f - 32.0f * k;
        EXPECT_NEAR(menus.buttons[k].top, line + 1.2f * 16.0f, 1e-3) << k;
        EXPECT_NEAR(menus.buttons[k].bottom, line - 0.8f * 16.0f, 1e-3) << k;
        EXPECT_NEAR(menus.buttons[k].left, -210.0f - 16.0f - maxW / 2, 1e-3) << k;
        EXPECT_NEAR(menus.buttons[k].right, -210.0f + maxW / 2, 1e-3) << k;
    }
}

// ---- Widgets ----

class MenuWidgets : public Menus {
protected:
    void SetUp() override
    {
        Menus::SetUp();
        openResting("adventure");
    }
    // Registers the widgets as a drawing routine would, then runs the frame's update first.
    Widget slider() const { return Widget{-80.0f, 140.0f, 80.0f, 130.0f, WIDGET_SLIDER, 100, 50, 0, 0}; }
    // The framework's update alone (the widgets registered by the test stay).
    static void tick(float ms)
    {
        app.frameMs = ms;
        updateMenus();
    }
};

// A press on the track puts the knob under the pointer (the nearest of the 101 positions of a
// 160-unit track) and the knob follows the held button, also beyond the slider's band; a press
// beside the track (within 25.6) counts as the track's end.
TEST_F(MenuWidgets, APressOnTheTrackMovesTheKnobThereAndItFollowsTheHeldButton)
{
    Widget w = slider();
    w.steps = 101;
    registerWidget(w);
    struct Case {
        float x;
        int value;
    } presses[] = {{0.0f, 50}, {-40.0f, 25}, {-80.0f, 0}, {80.0f, 100}, {-100.0f, 0}, {100.0f, 100}, {41.0f, 76}};
    for (const Case& c : presses) {
        menus.widgets[0].value = 33;
        pointAt(c.x, 135.0f);
        menuLeftDown();
        EXPECT_EQ(menus.widgets[0].value, c.value) << c.x;
        EXPECT_EQ(menus.selected, 0);
        menuLeftUp();
    }
    // Held: the knob follows, also above the band and past the ends; released, it stays.
    pointAt(0.0f, 135.0f);
    menuLeftDown();
    pointAt(-40.0f, 200.0f);
    updateMenus();
    EXPECT_EQ(menus.widgets[0].value, 25);
    pointAt(300.0f, 135.0f);
    updateMenus();
    EXPECT_EQ(menus.widgets[0].value, 100);
    menuLeftUp();
    pointAt(0.0f, 135.0f);
    updateMenus();
    EXPECT_EQ(menus.widgets[0].value, 100);
}

// A click on "<" or ">" moves one unit, within the range; quick clicks each count (the second of
// a double click arrives as the double click alone). Holding does nothing more for 400 ms.
TEST_F(MenuWidgets, AClickOnAnArrowMovesOneUnit)
{
    Widget w = slider();
    w.steps = 101;
    w.value = 50;
    registerWidget(w);
    pointAt(-125.0f, 135.0f);  // the "<" zone, where the arrow is drawn
    menuLeftDown();
    EXPECT_EQ(menus.widgets[0].value, 49);
    EXPECT_EQ(menus.selected, 0);
    for (int i = 0; i < 19; i++) tick(20.0f);  // 380 ms held
    EXPECT_EQ(menus.widgets[0].value, 49);
    menuLeftUp();
    tick(20.0f);
    menuDoubleClick();
    menuLeftUp();
    EXPECT_EQ(menus.widgets[0].value, 48);
    pointAt(125.0f, 135.0f);
    menuLeftDown();
    menuLeftUp();
    menuLeftDown();
    menuLeftUp();
    tick(20.0f);
    EXPECT_EQ(menus.widgets[0].value, 50);
    menus.widgets[0].value = 100;
    menuLeftDown();
    EXPECT_EQ(menus.widgets[0].value, 100);  // not above steps - 1
    menuLeftUp();
    menus.widgets[0].value = 0;
    pointAt(-125.0f, 135.0f);
    menuLeftDown();
    EXPECT_EQ(menus.widgets[0].value, 0);  // not below 0
    menuLeftUp();
    pointAt(-150.0f, 135.0f);  // beyond the arrow zone: nothing
    menus.selected = -1;
    menuLeftDown();
    EXPECT_EQ(menus.selected, -1);
    EXPECT_EQ(menus.widgets[0].value, 0);
}

// Holding an arrow repeats its step from 400 ms on at 30 units a second, while the pointer stays
// on the arrow; the pointer leaving it or the button's release stops the repeat.
TEST_F(MenuWidgets, HoldingAnArrowRepeatsAfter400MsAt30UnitsASecond)
{
    Widget w = slider();
    w.steps = 101;
    w.value = 10;
    registerWidget(w);
    pointAt(125.0f, 135.0f);
    menuLeftDown();
    EXPECT_EQ(menus.widgets[0].value, 11);
    float held = 0.0f;
    while (held + 10.0f < 400.0f) {
        tick(10.0f);
        held += 10.0f;
    }
    EXPECT_EQ(menus.widgets[0].value, 11);  // 390 ms
    tick(10.0f);                       // 400 ms: the first repeat
    EXPECT_EQ(menus.widgets[0].value, 12);
    for (int i = 0; i < 100; i++) tick(10.0f);  // one more second: about 30 units
    EXPECT_NEAR(menus.widgets[0].value, 12 + 30, 1);
    // Off the arrow the repeat waits; back on it, it goes on.
    int at = menus.widgets[0].value;
    pointAt(0.0f, 50.0f);
    for (int i = 0; i < 20; i++) tick(10.0f);
    EXPECT_EQ(menus.widgets[0].value, at);
    pointAt(125.0f, 135.0f);
    for (int i = 0; i < 10; i++) tick(10.0f);  // 100 ms: 3 units
    EXPECT_NEAR(menus.widgets[0].value, at + 3, 1);
    at = menus.widgets[0].value;
    menuLeftUp();
    for (int i = 0; i < 50; i++) tick(10.0f);
    EXPECT_EQ(menus.widgets[0].value, at);
    // Long frames step as many times as the time asks for, and the end of the range holds.
    menuLeftDown();
    tick(3000.0f);
    EXPECT_EQ(menus.widgets[0].value, 100);
    menuLeftUp();
}

// Left and Right step a selected slider by one unit instead of moving the button focus; without a
// selected slider they move the focus as before.
TEST_F(MenuWidgets, LeftAndRightStepTheSelectedSlider)
{
    static Widget shown;
    DialogHandlers h;
    h.draw = [](MenuNode*) { registerWidget(shown); };
    registerDialog("adventure", h);
    shown = slider();
    shown.steps = 101;
    shown.value = 50;
    menuFrame();
    menus.selected = -1;
    menus.focus = 0;
    key(MENU_KEY_RIGHT);
    EXPECT_EQ(menus.focus, 1);
    EXPECT_EQ(menus.widgets[0].value, 50);
    menus.selected = 0;
    key(MENU_KEY_RIGHT);
    EXPECT_EQ(menus.widgets[0].value, 51);
    key(MENU_KEY_LEFT);
    key(MENU_KEY_LEFT);
    EXPECT_EQ(menus.widgets[0].value, 49);
    EXPECT_EQ(menus.focus, 1);  // the focus stayed
    menus.widgets[0].value = 0;
    key(MENU_KEY_LEFT);
    EXPECT_EQ(menus.widgets[0].value, 0);
    registerDialog("adventure", DialogHandlers{});
}

TEST_F(MenuWidgets, BoundWidgetsTakeTheVariableWhileOpeningAndGiveItBackAfterwards)
{
    DialogHandlers h;
    static int32_t volume;
    static uint8_t ticked;
    h.draw = [](MenuNode*) {
        registerBoundWidget(Widget{-80.0f, 140.0f, 80.0f, 130.0f, WIDGET_SLIDER, 100, 0, 0, 0}, &volume, nullptr);
        registerBoundWidget(Widget{-110.0f, 20.0f, -90.0f, 0.0f, WIDGET_CHECKBOX, 0, 0, 0, 0}, nullptr, &ticked);
    };
    registerDialog("options", h);
    volume = 70;
    ticked = 0;
    openDialog("options");
    menuFrame();
    EXPECT_EQ(menus.widgets[0].value, 70);
    volume = 40;  // changed elsewhere while opening: the slot follows
    menuFrame();
    EXPECT_EQ(menus.widgets[0].value, 40);
    settleMenus();
    // A click in the right arrow zone and one on the box change the variables at the next frame.
    pointAt(125.0f, 135.0f);
    menuLeftDown();
    menuLeftUp();
    pointAt(-100.0f, 10.0f);
    menuLeftDown();
    EXPECT_EQ(menus.selected, 1);
    menuFrame();
    EXPECT_EQ(volume, 41);
    EXPECT_EQ(ticked, 1);
    // Space toggles the selected box (pointer parked away so the hover does not reselect).
    pointAt(390.0f, -290.0f);
    key(32);
    EXPECT_EQ(ticked, 0);
    registerDialog("options", DialogHandlers{});
}

TEST_F(Menus, ADialogTakingPressesGetsTheSecondPressOfADoubleClick)
{
    // The map under a mode dialog takes presses first; the second click of a quick pair arrives
    // as a double click and must reach it as well, or that click is lost.
    static int presses;
    presses = 0;
    DialogHandlers h;
    h.press = [](MenuNode*) {
        presses++;
        return true;
    };
    registerDialog("adventure", h);
    openResting("adventure");
    menuLeftDown();
    menuLeftUp();
    menuDoubleClick();
    menuLeftUp();
    EXPECT_EQ(presses, 2);
    EXPECT_EQ(menus.pendingKey, 0);  // used up by the map, never a button's activation
    registerDialog("adventure", DialogHandlers{});
}

TEST_F(MenuWidgets, EntriesArrowsAndLinksReactToClicks)
{
    registerWidget(Widget{-100.0f, 100.0f, 100.0f, 60.0f, WIDGET_ENTRY, 0, 0, 0, 0});
    registerWidget(Widget{-200.0f, 0.0f, -150.0f, -50.0f, WIDGET_LEFT_ARROW, 0, 0, 0, 0});
    registerWidget(Widget{150.0f, 0.0f, 200.0f, -50.0f, WIDGET_RIGHT_ARROW, 0, 0, 0, 0});
    registerWidget(Widget{0.0f, -100.0f, 100.0f, -120.0f, WIDGET_PROFILE_LINK, 0, 0, 0, 0});
    pointAt(0.0f, 80.0f);
    menuLeftDown();
    EXPECT_EQ(menus.selected, 0);
    pointAt(-100.0f, 80.0f);  // on the edge: not strictly inside
    menus.selected = -1;
    menuLeftDown();
    EXPECT_EQ(menus.selected, -1);
    pointAt(-175.0f, -25.0f);
    menuLeftDown();
    EXPECT_EQ(menus.pendingKey, 37);
    pointAt(175.0f, -25.0f);
    menuLeftDown();
    EXPECT_EQ(menus.pendingKey, 39);
    // Hovering the link lights it; leaving it puts it out.
    pointAt(50.0f, -110.0f);
    updateMenus();
    EXPECT_EQ(menus.widgets[3].flag, 1);
    pointAt(50.0f, -150.0f);
    updateMenus();
    EXPECT_EQ(menus.widgets[3].flag, 0);
    // A click on it remembers the current profile and opens "profiles".
    persist.settings.currentProfile = 2;
    pointAt(50.0f, -110.0f);
    menuLeftDown();
    EXPECT_EQ(menus.profileIndex, 2);
    EXPECT_STREQ(currentDialogName(), "profiles");
}

TEST_F(MenuWidgets, ProfileAndLevelEntriesTakeDoubleClicks)
{
    resetProfiles();  // the game's "profiles" lists no entries of its own before the test's
    openDialog("profiles");
    settleMenus();
    registerWidget(Widget{-50.0f, 50.0f, 50.0f, 14.0f, WIDGET_PROFILE_ENTRY, 0, 0, 0, 1});
    registerWidget(Widget{100.0f, 50.0f, 150.0f, 0.0f, WIDGET_LEVEL_ENTRY, 0, 0, 0, 5});
    pointAt(0.0f, 30.0f);
    menus.focus = 3;
    menuDoubleClick();
    EXPECT_EQ(menus.selected, 0);
    EXPECT_EQ(menus.focus, 0);  // "selectprofile"
    EXPECT_EQ(menus.pendingKey, 13);
    // Level 5 is selectable once level 5 is unlocked or the map is unlocked; edges count.
    static int highest = 4;
    static uint8_t unlocked = 0;
    menuHooks.highestUnlockedLevel = [] { return highest; };
    menuHooks.mapUnlocked = &unlocked;
    menus.selected = -1;
    menus.pendingKey = 0;
    pointAt(100.0f, 0.0f);
    menuLeftDown();
    menuDoubleClick();
    EXPECT_EQ(menus.selected, -1);
    EXPECT_EQ(menus.pendingKey, 0);
    unlocked = 1;
    menuLeftDown();
    EXPECT_EQ(menus.selected, 1);
    unlocked = 0;
    highest = 5;
    menus.selected = -1;
    menuDoubleClick();
    EXPECT_EQ(menus.selected, 1);
    EXPECT_EQ(menus.pendingKey, 13);
}

// ---- Text entry ----

class TextEntry : public Menus {
protected:
    void SetUp() override
    {
        Menus::SetUp();
        openResting("newprofile");
        menus.editing = true;
    }
    void type(const std::u16string& s)
    {
        for (char16_t c : s) {
            menuTextInput(c);
            menuFrame();
        }
    }
};

TEST_F(TextEntry, KeyCodesEnterLettersDigitsAndSpacesUntilTextInputArrives)
{
    for (int vk : {int('A'), int('B'), int('1'), int(' '), int('C'), 0xBA /* a punctuation key */}) key(vk);
    EXPECT_EQ(editText(), u"AB1 C");
    EXPECT_EQ(menus.cursor, 5);
    // Once the window sends typed text, letters come from it in their own case.
    menuTextInput(u'd');
    key('D');
    EXPECT_EQ(editText(), u"AB1 Cd");
}

TEST_F(TextEntry, TypedTextTakesAnyCaseAndCyrillicAndSkipsControlCharacters)
{
    type(u"Ж");
    type(u"ИЛ");
    menuTextInput(u'\b');
    menuTextInput(u'\t');
    menuFrame();
    EXPECT_EQ(editText(), u"ЖИЛ");
    type(u"a");
    EXPECT_EQ(editText(), u"ЖИЛa");
}

TEST_F(TextEntry, AtMostTwelveCharactersAndNarrowerThan140)
{
    // Lower-case letters have no glyph in the test font (width 0): only the count limits them.
    type(u"abcdefghijklmno");
    EXPECT_EQ(editText(), u"abcdefghijkl");
    EXPECT_EQ(menus.editLength, EDIT_MAX_CHARS);
    // Wide glyphs: 1.5 x 16 = 24 units each; a sixth fits (120 < 140), a seventh does not.
    key(36);
    for (int i = 0; i < 12; i++) key(46);
    EXPECT_EQ(editText(), u"");
    type(u"AAAAAAAAA");
    EXPECT_EQ(editText(), u"AAAAAA");
    EXPECT_NEAR(measureText(menus.editBuffer, 16.0f), 144.0f, 1e-3);
}

// A character that does not fit is refused where the player notices: the refusal sound plays
// and the field flashes for EDIT_REFUSED_MS; characters that fit do neither.
TEST_F(TextEntry, ARefusedCharacterFlashesTheFieldAndPlaysTheRefusalSound)
{
    type(u"AAAAA");
    EXPECT_EQ(queuedSounds("MaxPlayers.ogg"), 0);
    EXPECT_LE(menus.editRefusedMs, 0.0f);
    type(u"A");  // the sixth fits (120 < 140 before it)
    EXPECT_EQ(queuedSounds("MaxPlayers.ogg"), 0);
    menuTextInput(u'A');  // the seventh does not
    menuFrame(0.0f);
    EXPECT_EQ(editText(), u"AAAAAA");
    EXPECT_EQ(queuedSounds("MaxPlayers.ogg"), 1);
    EXPECT_FLOAT_EQ(menus.editRefusedMs, EDIT_REFUSED_MS);
    for (int i = 0; i < 15; i++) menuFrame(20.0f);
    EXPECT_LE(menus.editRefusedMs, 0.0f);
    // Twelve narrow characters: the thirteenth is refused by the count.
    key(36);
    for (int i = 0; i < 6; i++) key(46);
    type(u"abcdefghijkl");
    type(u"m");
    EXPECT_EQ(editText(), u"abcdefghijkl");
    EXPECT_EQ(queuedSounds("MaxPlayers.ogg"), 2);
}

// The longest name the field takes: the test font's widest glyphs ("M", "W", "Ж") advance 2
// units, so a name can reach just under 140 + 32 at scale 16 (the width rule), well below twelve
// such glyphs (the count rule).
TEST_F(TextEntry, TheLongestAcceptedNameIsWhatTheWidthAndCountRulesAllow)
{
    EXPECT_NEAR(longestNameWidth(16.0f), 140.0f + 32.0f, 1e-3);
    EXPECT_NEAR(longestNameWidth(17.0f), (140.0f + 32.0f) * 17.0f / 16.0f, 1e-3);
    type(u"AAAAAIWA");  // 136 before the "W": it is taken, and nothing after it
    EXPECT_EQ(editText(), u"AAAAAIW");
    EXPECT_NEAR(measureText(menus.editBuffer, 16.0f), 168.0f, 1e-3);
    EXPECT_LE(measureText(menus.editBuffer, 17.0f), longestNameWidth(17.0f));
}

TEST_F(TextEntry, EditingKeysMoveTheCursorAndDelete)
{
    type(u"ABCD");
    key(37);
    key(37);
    type(u"X");
    EXPECT_EQ(editText(), u"ABXCD");
    key(8);  // backspace before the cursor
    EXPECT_EQ(editText(), u"ABCD");
    EXPECT_EQ(menus.cursor, 2);
    key(46);  // delete at the cursor
    EXPECT_EQ(editText(), u"ABD");
    key(36);
    EXPECT_EQ(menus.cursor, 0);
    key(8);  // nothing before the start
    EXPECT_EQ(editText(), u"ABD");
    key(35);
    EXPECT_EQ(menus.cursor, 3);
    key(39);  // not past the end
    EXPECT_EQ(menus.cursor, 3);
    key(46);  // nothing at the end
    EXPECT_EQ(editText(), u"ABD");
    // Opening another dialog ends text entry.
    closeDialog();
    settleMenus();
    openResting("main");
    EXPECT_FALSE(menus.editing);
    type(u"Z");
    EXPECT_EQ(editText(), u"ABD");
}

}  // namespace
