// The front-end dialogs driven as a player drives them: keys and buttons through the framework,
// with the profiles, the settings and the high scores they change.
#include "persist/ownoptions.h"
#include "dialog_helpers.h"
#include "core/dialogport.h"
#include "app/route.h"
#include "app/screens.h"
#include "effects/backdrops.h"
#include "game/gameflow.h"
#include "trophies/trophyroom.h"

namespace {

class FrontEnd : public ::testing::Test {
protected:
    void SetUp() override { resetDialogWorld(); }
    void TearDown() override
    {
        resetDialogs();
        resetMenus();
        resetDeviceState();
    }

    // A first start: "newprofile" with a typed name, confirmed.
    void createByDialog(const char* name)
    {
        openDialog(profileState.count > 0 ? "profiles" : "newprofile");
        settleMenus();
        if (profileState.count > 0) pressButton("newprofile");
        ASSERT_EQ(currentName(), "newprofile");
        typeKeys(name);
        pressButton("oknewprofile");
    }

    // Opens "profiles" with the entry of profile i selected.
    void profilesWith(int i)
    {
        openDialog("main");
        settleMenus();
        menus.profileIndex = i;
        openDialog(findDialog("profiles"));
        settleMenus();
        ASSERT_EQ(currentName(), "profiles");
        ASSERT_EQ(menus.selected, i);
    }
};

} // namespace

TEST_F(FrontEnd, ProfilesAreCreatedRenamedChosenAndRemovedThroughTheDialogs)
{
    // Create: the typed name becomes the current profile and "main" opens.
    createByDialog("ANNA");
    ASSERT_EQ(profileState.count, 1);
    EXPECT_EQ(profileNameAt(0), "ANNA");
    EXPECT_EQ(currentName(), "main");
    // A second one from the profile list.
    createByDialog("BORIS7");
    ASSERT_EQ(profileState.count, 2);
    EXPECT_EQ(profileState.current, 1);
    EXPECT_EQ(currentName(), "main");
    // The same name again is refused: the dialog opens again and nothing is added.
    createByDialog("ANNA");
    EXPECT_EQ(profileState.count, 2);
    EXPECT_EQ(currentName(), "newprofile");
    // Rename the first: its name fills the edit buffer; two more letters are typed at the end.
    profilesWith(0);
    pressButton("rename");
    ASSERT_EQ(currentName(), "rename");
    EXPECT_TRUE(menus.editing);
    EXPECT_EQ(menus.editLength, 4);
    pressKey(35);  // End
    typeKeys("LI");
    pressButton("okrename");
    EXPECT_EQ(profileNameAt(0), "ANNALI");
    EXPECT_EQ(currentName(), "profiles");
    // Choose the first.
    profilesWith(0);
    pressButton("selectprofile");
    EXPECT_EQ(profileState.current, 0);
    EXPECT_EQ(currentName(), "main");
    // Remove the second: asked first; "no" keeps it.
    profilesWith(1);
    pressButton("remove");
    ASSERT_EQ(currentName(), "messageboxyn");
    EXPECT_STREQ(menus.messageKey, "removeplayer");
    pressButton("no");
    EXPECT_EQ(profileState.count, 2);
    EXPECT_EQ(currentName(), "profiles");
    profilesWith(1);
    pressButton("remove");
    pressButton("yes");
    ASSERT_EQ(profileState.count, 1);
    EXPECT_EQ(profileNameAt(0), "ANNALI");
    EXPECT_EQ(currentName(), "profiles");
    // Removing the last opens "newprofile", which then offers one button only.
    profilesWith(0);
    pressButton("remove");
    pressButton("yes");
    EXPECT_EQ(profileState.count, 0);
    EXPECT_EQ(currentName(), "newprofile");
    menuFrames(2);
    EXPECT_EQ(menus.buttonCount, 1);
    // Escape does nothing there: a player must exist.
    pressKey(27);
    EXPECT_EQ(currentName(), "newprofile");
}

// The players by keys alone: Tab in "main" opens the profile list with the current player
// chosen, Left and Right choose another, Return on "selectprofile" makes it current.
TEST_F(FrontEnd, TabOpensThePlayersAndLeftAndRightChooseOne)
{
    createByDialog("ANNA");
    createByDialog("BORIS");
    createByDialog("CID");
    ASSERT_EQ(profileState.count, 3);
    ASSERT_EQ(profileState.current, 2);
    ASSERT_EQ(currentName(), "main");
    pressKey(9);  // Tab
    ASSERT_EQ(currentName(), "profiles");
    EXPECT_EQ(menus.selected, 2);
    pressKey(39);  // Right: there is no fourth
    EXPECT_EQ(menus.selected, 2);
    pressKey(37);
    pressKey(37);
    pressKey(37);  // not past the first
    EXPECT_EQ(menus.selected, 0);
    pressKey(39);
    EXPECT_EQ(menus.selected, 1);
    EXPECT_EQ(menus.focus, 0);  // the buttons' focus did not move
    pressButton("selectprofile");
    EXPECT_EQ(profileState.current, 1);
    EXPECT_EQ(currentName(), "main");
}

// A first start shows "newprofile" with one button: the arrows move only the caret, the hidden
// second button ("cancel") never takes the focus, and there is no way to "main" without a player.
TEST_F(FrontEnd, WithoutAProfileNewprofileHasNoHiddenWayOut)
{
    openDialog("newprofile");
    settleMenus();
    ASSERT_EQ(currentName(), "newprofile");
    for (int vk : {37, 38, 39, 40}) {  // Left, Up, Right, Down
        pressKey(vk);
        EXPECT_EQ(menus.focus, 0) << vk;
    }
    pressKey(13);  // Enter with an empty name: the same dialog, still no profile
    EXPECT_EQ(currentName(), "newprofile");
    EXPECT_EQ(profileState.count, 0);
    // Even a focus put on the hidden button does not lead out.
    menus.focus = 1;
    pressKey(13);
    EXPECT_EQ(currentName(), "newprofile");
    EXPECT_EQ(profileState.count, 0);
    // Left with a name moves the caret, and Enter makes the profile.
    typeKeys("AB");
    pressKey(37);
    EXPECT_EQ(menus.cursor, 1);
    typeKeys("X");
    pressKey(13);
    ASSERT_EQ(profileState.count, 1);
    EXPECT_EQ(profileNameAt(0), "AXB");
    EXPECT_EQ(currentName(), "main");
}

TEST_F(FrontEnd, NoNinthProfileAndTheRefusalSound)
{
    for (int i = 0; i < 8; i++) {
        char name[8] = {'P', static_cast<char>('0' + i), 0};
        ASSERT_TRUE(createProfile(name));
    }
    profilesWith(0);
    menus.focus = childNamed("newprofile");
    int32_t cursor = audio.writeCursor;
    menuKeyDown(13);
    settleMenus();
    EXPECT_EQ(currentName(), "profiles");
    EXPECT_EQ(soundsQueuedSince(cursor, "MaxPlayers.ogg"), 1);
    EXPECT_EQ(profileState.count, 8);
}

TEST_F(FrontEnd, EscapeHidesMainAndAnyKeyBringsItBack)
{
    createProfile("ANNA");
    openDialog("main");
    settleMenus();
    pressKey(27);
    EXPECT_TRUE(menus.mainDismissed);
    EXPECT_EQ(menus.current, nullptr);
    pressKey('X');
    EXPECT_EQ(currentName(), "main");
    EXPECT_FALSE(menus.mainDismissed);
}

TEST_F(FrontEnd, ExitAsksAndYesEndsTheProgram)
{
    createProfile("ANNA");
    int quits = 0;
    static int* counter = nullptr;
    counter = &quits;
    dialogRoute.quitProgram = [] { (*counter)++; };
    openDialog("main");
    settleMenus();
    pressButton("exit");
    ASSERT_EQ(currentName(), "messageboxyn");
    EXPECT_STREQ(menus.messageKey, "quit");
    pressButton("no");
    EXPECT_EQ(currentName(), "main");
    EXPECT_EQ(quits, 0);
    pressButton("exit");
    pressButton("yes");
    EXPECT_EQ(quits, 1);
}

// The options by keys: Down goes through the sliders and boxes, Left and Right move a slider,
// Space ticks the calm-motion box, Return is "apply"; leaving writes "options.dat".
TEST_F(FrontEnd, OptionsAreSetByKeysAndCalmMotionIsStoredWhenLeft)
{
    createProfile("ANNA");
    persist.settings.sfxVolume = 30;
    app.calmMotion = 0;
    openDialog("main");
    settleMenus();
    pressButton("options");
    ASSERT_EQ(currentName(), "options");
    settleMenus();
    pressKey(40);  // the sound slider
    ASSERT_EQ(menus.selected, 0);
    pressKey(39);
    EXPECT_EQ(persist.settings.sfxVolume, 31);
    pressKey(38);  // Up from the first goes round to the last: the calm-motion box
    ASSERT_EQ(menus.widgets[menus.selected].kind, WIDGET_CHECKBOX);
    pressKey(32);
    EXPECT_EQ(app.calmMotion, 1);
    EXPECT_EQ(menus.focus, 0);
    pressKey(13);  // "apply"
    EXPECT_EQ(currentName(), "main");
    app.calmMotion = 0;
    EXPECT_EQ(loadOwnOptions(), OwnOptionsStatus::Ok);
    EXPECT_EQ(app.calmMotion, 1);
    app.calmMotion = 0;
}

TEST_F(FrontEnd, OptionsApplyDefaultsAndSaveWhenLeft)
{
    createProfile("ANNA");
    persist.settings.fullscreen = 0;
    persist.settings.musicVolume = 20;
    persist.settings.sfxVolume = 30;
    bool applied = false;
    static bool* flag = nullptr;
    flag = &applied;
    dialogRoute.applyFullscreen = [](bool on) { *flag = on; };
    openDialog("main");
    settleMenus();
    pressButton("options");
    ASSERT_EQ(currentName(), "options");
    EXPECT_EQ(dialogs.fullscreenChoice, 0);
    // "default" puts the volumes back and reopens the dialog.
    pressButton("default");
    EXPECT_EQ(persist.settings.musicVolume, 100);
    EXPECT_EQ(persist.settings.sfxVolume, 80);
    EXPECT_EQ(currentName(), "options");
    // The full-screen box (the third widget: after the two sliders) is a working copy until "apply".
    settleMenus();
    ASSERT_GE(menus.widgetCount, 4);
    ASSERT_EQ(menus.widgets[2].kind, WIDGET_CHECKBOX);
    menus.selected = 2;
    pressKey(32);
    EXPECT_EQ(dialogs.fullscreenChoice, 1);
    EXPECT_EQ(persist.settings.fullscreen, 0);
    int saves = persist.saveCount;
    pressButton("apply");
    EXPECT_EQ(persist.settings.fullscreen, 1);
    EXPECT_TRUE(applied);
    EXPECT_EQ(currentName(), "main");
    EXPECT_EQ(menus.focus, childNamed("options"));  // back through the button it was reached by
    EXPECT_EQ(persist.saveCount, saves + 1);
}

TEST_F(FrontEnd, HighScoresShowTheProfilesModeAndStepThroughTheTabs)
{
    createProfile("ANNA");
    setProfileMode(1);
    openDialog("main");
    settleMenus();
    pressButton("hiscore");
    ASSERT_EQ(currentName(), "hiscore");
    EXPECT_EQ(dialogs.modeTab, 1);
    pressKey(39);
    EXPECT_EQ(dialogs.modeTab, 2);
    pressKey(39);
    EXPECT_EQ(dialogs.modeTab, 0);
    // Left on the adventure tab shows the puzzle tab; the key stays in the dialog.
    pressKey(37);
    EXPECT_EQ(dialogs.modeTab, 2);
    EXPECT_EQ(currentName(), "hiscore");
    dialogs.newScoreRow = 3;
    pressButton("back");
    EXPECT_EQ(dialogs.newScoreRow, -1);
    EXPECT_EQ(currentName(), "main");
    EXPECT_EQ(stepModeTab(0, -1), 2);
    EXPECT_EQ(stepModeTab(2, 1), 0);
}

// The help, in a data set whose menu file lists it: reached from "main", its pages turned with
// Left and Right (or the arrows under them) within the first and the last, left with "back" or
// Escape to "main" on the help's button.
TEST_F(FrontEnd, TheHelpIsReachedFromMainAndItsPagesTurnWithinTheirRange)
{
    std::string tree = std::string(dialogTreeText()) + "\r\nhowtoplay=\r\nback\r\n\r\n";
    size_t at = tree.find("trophyroom\r\n");
    tree.insert(at, "howtoplay\r\n");
    std::string bytes = "\xFF\xFE";
    for (char c : tree) {
        bytes += c;
        bytes += '\0';
    }
    buildMenuTree(reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<int32_t>(bytes.size()));
    createProfile("ANNA");
    openDialog("main");
    settleMenus();
    pressButton("howtoplay");
    ASSERT_EQ(currentName(), "howtoplay");
    EXPECT_EQ(dialogs.helpPage, 0);
    pressKey(37);  // already on the first page
    EXPECT_EQ(dialogs.helpPage, 0);
    for (int i = 0; i < HELP_PAGE_COUNT + 2; i++) pressKey(39);
    EXPECT_EQ(dialogs.helpPage, HELP_PAGE_COUNT - 1);
    pressKey(37);
    EXPECT_EQ(dialogs.helpPage, HELP_PAGE_COUNT - 2);
    EXPECT_EQ(currentName(), "howtoplay");
    // The arrow under the page is a left-arrow widget: a click on it turns back a page.
    int arrow = -1;
    for (int i = 0; i < menus.widgetCount; i++)
        if (menus.widgets[i].kind == WIDGET_LEFT_ARROW) arrow = i;
    ASSERT_GE(arrow, 0);
    const Widget& w = menus.widgets[arrow];
    app.mouseX = static_cast<int>((w.left + w.right) / 2.0f + 400.0f);
    app.mouseY = static_cast<int>(300.0f - (w.top + w.bottom) / 2.0f);
    menuLeftDown();
    menuLeftUp();
    settleMenus();
    EXPECT_EQ(dialogs.helpPage, HELP_PAGE_COUNT - 3);
    pressButton("back");
    EXPECT_EQ(currentName(), "main");
    EXPECT_EQ(menus.focus, childNamed("howtoplay"));
    // Opened again, it starts on the first page; Escape leaves it too.
    pressButton("howtoplay");
    EXPECT_EQ(dialogs.helpPage, 0);
    pressKey(27);
    EXPECT_EQ(currentName(), "main");
}

// A data set whose menu file has no help: "main" has no such button and nothing opens by name.
TEST_F(FrontEnd, WithoutAHelpInTheMenuFileNothingChanges)
{
    createProfile("ANNA");
    openDialog("main");
    settleMenus();
    EXPECT_EQ(childNamed("howtoplay"), -1);
    EXPECT_EQ(findDialog("howtoplay"), nullptr);
    openDialog("howtoplay");
    settleMenus();
    EXPECT_EQ(currentName(), "main");
}

TEST_F(FrontEnd, CreditsScrollUntilTheLastLineReachesTheMiddleAndAnyKeyLeaves)
{
    createProfile("ANNA");
    menus.creditsCount = 3;
    openDialog("main");
    settleMenus();
    pressButton("credits");
    ASSERT_EQ(currentName(), "credits");
    EXPECT_EQ(menus.focus, -1);
    EXPECT_EQ(requestedTrack(), 1);
    menuFrames(1000);
    // 40 x 3 - 50 = 70 = 0.03 t - 200: the clock stops at 9000 ms (within one frame).
    EXPECT_GE(dialogs.creditsTime, 9000.0f);
    EXPECT_LT(dialogs.creditsTime, 9016.1f);
    EXPECT_FLOAT_EQ(creditsLineY(2, 9000.0f), -10.0f);
    EXPECT_FLOAT_EQ(creditsLineY(0, 9000.0f), 70.0f);
    EXPECT_FLOAT_EQ(creditsAlpha(-180.0f), 0.5f);
    EXPECT_FLOAT_EQ(creditsAlpha(99.0f), 1.0f);
    EXPECT_FLOAT_EQ(creditsAlpha(-300.0f), 0.0f);
    pressKey('Q');
    EXPECT_EQ(currentName(), "main");
    EXPECT_EQ(requestedTrack(), 0);
}

TEST_F(FrontEnd, TheCreditsCrossFadeToTheirOwnBackdropWithoutTheCameraMoveAndBack)
{
    // Only the screens' front-end hooks: the other requests stay recorded for the tests after.
    DialogRoute dialogHooks = dialogRoute;
    TrophyRoute trophyHooks = trophyRoute;
    GameFlowState flowHooks = gameFlow;
    resetRoute();
    dialogHooks.setFrontEndMode = dialogRoute.setFrontEndMode;
    dialogHooks.toFrontEnd = dialogRoute.toFrontEnd;
    dialogRoute = dialogHooks;
    trophyRoute = trophyHooks;
    gameFlow.toModeMenu = flowHooks.toModeMenu;
    gameFlow.toTrophyRoom = flowHooks.toTrophyRoom;
    gameFlow.toFrontEnd = flowHooks.toFrontEnd;
    resetScreens();
    resetBackdrop();
    createProfile("ANNA");
    setBackdrop(FRONT_END_BACKDROP);
    openDialog("main");
    settleMenus();
    pressButton("credits");
    ASSERT_EQ(currentName(), "credits");
    EXPECT_EQ(menuScreen.menuMode, MENU_MODE_CREDITS);
    EXPECT_EQ(backdrop.nextNumber, CREDITS_BACKDROP);
    EXPECT_FLOAT_EQ(backdrop.fadeMs, 3000.0f);
    // The menu screen draws it without the camera move: the clock falls six times as fast.
    auto frames = [](int n) {
        for (int i = 0; i < n; i++) {
            app.frameMs = 20.0f;
            menuScreen.render();
        }
    };
    frames(1);
    EXPECT_FLOAT_EQ(backdrop.fadeMs, 2880.0f);
    EXPECT_FLOAT_EQ(backdrop.lastScale, 1.0f);
    EXPECT_FLOAT_EQ(backdrop.lastShift[0], 0.0f);
    EXPECT_FLOAT_EQ(backdrop.lastShift[1], 0.0f);
    frames(11);
    EXPECT_EQ(backdrop.number, FRONT_END_BACKDROP);  // 3000 - 12 x 120 = 1560: still falling
    // Once the cross-fade holds, the menu screen completes it and the credits' scene fades in.
    frames(1);
    EXPECT_EQ(backdrop.number, CREDITS_BACKDROP);
    EXPECT_FLOAT_EQ(backdrop.fadeMs, 0.0f);
    frames(1);
    EXPECT_NEAR(backdrop.lastObjectAlpha, 20.0f / BACKDROP_SCENE_FADE_MS, 1e-5f);
    frames(25);
    EXPECT_FLOAT_EQ(backdrop.lastObjectAlpha, 1.0f);
    // Back in "main" (under the opening shutter) the front end's backdrop is shown at once.
    pressKey('Q');
    ASSERT_EQ(currentName(), "main");
    EXPECT_EQ(menuScreen.menuMode, MENU_MODE_MAIN);
    EXPECT_EQ(backdrop.number, FRONT_END_BACKDROP);
    EXPECT_FLOAT_EQ(backdrop.fadeMs, 0.0f);
    // Leaving the credits before their cross-fade completed does not end on their backdrop.
    pressButton("credits");
    frames(2);
    pressKey('Q');
    frames(20);
    EXPECT_EQ(backdrop.number, FRONT_END_BACKDROP);
    EXPECT_FLOAT_EQ(backdrop.fadeMs, 0.0f);
    resetBackdrop();
    resetScreens();
}

TEST_F(FrontEnd, AModeButtonShowsThePrologueOnceThenTheSavedGameQuestionOrTheModeDialog)
{
    createProfile("ANNA");
    int games = 0;
    static int* counter = nullptr;
    counter = &games;
    dialogRoute.toGameScreen = [] { (*counter)++; };
    openDialog("main");
    settleMenus();
    // The first mode chosen shows the prologue; its OK starts the mode's first level.
    pressButton("puzzle");
    ASSERT_EQ(currentName(), "messageboxok");
    EXPECT_STREQ(menus.messageKey, "prolog");
    pressButton("ok");
    EXPECT_EQ(games, 1);
    EXPECT_EQ(profileMode(), 2);
    EXPECT_EQ(profileLevel(), 0);
    EXPECT_EQ(profileLives(), 3);
    // Later: the mode's dialog with the profile's level selected.
    dialogPort.open = 0;
    setProfileMode(0);
    setProfileLevel(6);
    setProfileScore(1200);
    openDialog("main");
    settleMenus();
    pressButton("adventure");
    ASSERT_EQ(currentName(), "adventure");
    EXPECT_EQ(dialogs.modeTab, 0);
    EXPECT_EQ(mapSelectedLevel(), 6);
    // Escape is ignored in a mode dialog; "back" leads to "main".
    pressKey(27);
    EXPECT_EQ(currentName(), "adventure");
    // "start" on the profile's own level continues the game with its score.
    pressButton("start");
    EXPECT_EQ(games, 2);
    EXPECT_EQ(profileLevel(), 6);
    EXPECT_EQ(profileScore(), 1200);
    // Another level while a game has points asks before starting over; "yes" starts at 0 points.
    openDialog("adventure");
    settleMenus();
    mapState.selectedLevel = 2;
    pressButton("start");
    ASSERT_EQ(currentName(), "messageboxyn");
    EXPECT_STREQ(menus.messageKey, "zeroscore");
    pressButton("yes");
    EXPECT_EQ(games, 3);
    EXPECT_EQ(profileLevel(), 2);
    EXPECT_EQ(profileScore(), 0);
    EXPECT_EQ(profileLives(), 3);
    // A saved game of the mode is offered first; "no" opens the mode's dialog.
    dialogPort.open = 0;
    currentProfile().savedGame[1] = 1;
    openDialog("main");
    settleMenus();
    pressButton("timeless");
    ASSERT_EQ(currentName(), "loadgamequest");
    pressKey(27);
    EXPECT_EQ(currentName(), "loadgamequest");
    pressButton("no");
    EXPECT_EQ(currentName(), "timeless");
    pressButton("back");
    EXPECT_EQ(currentName(), "main");
}

TEST_F(FrontEnd, ATrophyRoomButtonInAModeDialogReturnsToThatModeDialog)
{
    // A data set may give the mode dialogs the button too: leaving the room opens the mode's map
    // again, not "main".
    std::string text = dialogTreeText();
    const std::string puzzle = "puzzle=\r\nstart\r\nback\r\n";
    size_t at = text.find(puzzle);
    ASSERT_NE(at, std::string::npos);
    text.replace(at, puzzle.size(), "puzzle=\r\nstart\r\ntrophyroom\r\nback\r\n");
    std::string bytes = "\xFF\xFE";
    for (char c : text) {
        bytes += c;
        bytes += '\0';
    }
    buildMenuTree(reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<int32_t>(bytes.size()));
    createProfile("ANNA");
    openDialog("puzzle");
    settleMenus();
    ASSERT_EQ(currentName(), "puzzle");
    resetTrophyRoom();
    pressButton("trophyroom");
    EXPECT_EQ(trophyRoom.open, 1);
    EXPECT_EQ(trophyRoom.returnTarget, 2);
    leaveTrophyRoom();
    EXPECT_EQ(currentName(), "puzzle");
    resetTrophyRoom();
}

TEST_F(FrontEnd, TheTrophyRoomButtonOpensTheRoomWhichReturnsToMain)
{
    createProfile("ANNA");
    openDialog("main");
    settleMenus();
    resetTrophyRoom();
    pressButton("trophyroom");
    EXPECT_EQ(trophyRoom.open, 1);
    EXPECT_EQ(trophyRoom.returnTarget, TROPHY_RETURN_MAIN);
    EXPECT_EQ(countRequests("toTrophyScreen"), 1);
    EXPECT_STREQ(trophyRoom.profile, "+a+n+n+a");  // the profile's file stem
    leaveTrophyRoom();
    EXPECT_EQ(currentName(), "main");
    resetTrophyRoom();
}
