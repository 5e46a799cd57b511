// The mode dialogs over the map: the map chooses the level that "start" starts, a message box over
// the map leaves its state alone, the artefact screen and the congratulation hold the dialog's
// buttons, and the way back from a won level tells the map which level was won.
#include "dialog_helpers.h"
#include "core/dialogport.h"

#include "app/route.h"
#include "app/screens.h"
#include "game/gameflow.h"
#include "game/outcome.h"
#include "game/playstate.h"
#include "map/stagepicture.h"

#include <cmath>

namespace {

int gamesStarted = 0;

class MapDialogs : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetDialogWorld();
        resetPlayState();
        resetRoute();
        gamesStarted = 0;
        dialogRoute.toGameScreen = [] { gamesStarted++; };
        ASSERT_TRUE(createProfile("ANNA"));
        currentProfile().hintFlags[10] = 0;  // the prologue was seen
        setProfileMode(0);
    }
    void TearDown() override
    {
        resetRoute();
        resetDialogs();
        resetMenus();
        resetMap();
        resetPlayState();
        resetDeviceState();
    }
    // A left press at a point in centred screen units, then the frames after it.
    void pressAt(float x, float y)
    {
        app.mouseX = static_cast<int>(std::lround(x + 400.0f));
        app.mouseY = static_cast<int>(std::lround(300.0f - y));
        menuLeftDown();
        menuLeftUp();
        settleMenus();
    }
    // Map frames (the menu screen runs one per frame under the dialogs).
    void mapFrames(int n)
    {
        for (int i = 0; i < n; i++) updateMap(20.0f);
    }
    void openMode(const char* button)
    {
        openDialog("main");
        settleMenus();
        pressButton(button);
    }
};

} // namespace

TEST_F(MapDialogs, StartGoesByTheMapsChoiceAndABoxOverTheMapKeepsIt)
{
    setProfileLevel(6);
    setProfileScore(1200);
    dialogs = DialogsState{};  // as the program starts: nothing has set the dialogs up yet
    openMode("adventure");
    ASSERT_EQ(currentName(), "adventure");
    EXPECT_EQ(mapSelectedLevel(), 6);
    EXPECT_EQ(mapState.currentStage, 1);
    EXPECT_EQ(mapState.completedLevel, -1);  // entered from the main menu
    EXPECT_GT(mapState.ringTimer, 0.0f);     // the ring flies in
    // Another level of the stage while the game has points: asked first; "no" returns to the map
    // with the level still chosen.
    mapState.selectedLevel = 5;
    pressButton("start");
    ASSERT_EQ(currentName(), "messageboxyn");
    EXPECT_STREQ(menus.messageKey, "zeroscore");
    pressButton("no");
    ASSERT_EQ(currentName(), "adventure");
    EXPECT_EQ(mapSelectedLevel(), 5);
    EXPECT_EQ(gamesStarted, 0);
    // The profile's own level with a saved game: the save is offered; "no" plays the level afresh.
    mapState.selectedLevel = 6;
    currentProfile().savedGame[0] = 1;
    pressButton("start");
    ASSERT_EQ(currentName(), "loadgamequest");
    pressButton("no");
    EXPECT_EQ(gamesStarted, 1);
    EXPECT_EQ(profileLevel(), 6);
    EXPECT_EQ(profileScore(), 1200);
    EXPECT_FALSE(profileHasSavedGame(0));
    // A later visit sets the map up afresh (the chosen level is the profile's again).
    dialogPort.open = 0;
    mapState.selectedLevel = 4;
    openMode("adventure");
    EXPECT_EQ(mapSelectedLevel(), 6);
    // Without points another level starts at once, as the profile's new level.
    setProfileScore(0);
    mapState.selectedLevel = 4;
    pressButton("start");
    EXPECT_EQ(gamesStarted, 2);
    EXPECT_EQ(profileLevel(), 4);
    EXPECT_EQ(profileLives(), 3);
}

TEST_F(MapDialogs, TheArtefactScreenHoldsTheDialogsButtonsUntilItsOk)
{
    setProfileLevel(4);
    openMode("adventure");
    ASSERT_EQ(currentName(), "adventure");
    openArtefactPanel(0, Vec2{-200.0f, 0.0f});
    ASSERT_TRUE(mapBlocksInput());
    // Neither Enter nor a press on the start button starts anything; the dialog stays.
    pressKey(13);
    pressAt(258.0f, -252.0f);
    pressKey(27);
    EXPECT_EQ(gamesStarted, 0);
    EXPECT_EQ(currentName(), "adventure");
    // The screen's "ok" (once it is there) closes it; then the start button works again.
    mapFrames(120);
    ASSERT_EQ(stagePictures.panel.state, 2);
    pressAt(0.0f, -220.0f);
    EXPECT_EQ(stagePictures.panel.state, 3);
    mapFrames(100);
    EXPECT_FALSE(mapBlocksInput());
    pressAt(258.0f, -252.0f);
    EXPECT_EQ(gamesStarted, 1);
}

TEST_F(MapDialogs, BackFromAWonLevelTheMapPlaysItsCompletion)
{
    // Level 3, the last of the first stage, was won: the game has moved on to level 4 and waits
    // for a click, which takes it back to the mode's map.
    setProfileLevel(4);
    play.gameMode = 0;
    play.levelIndex = 4;
    play.levelAdvance = 1;
    goToModeMenu();
    settleMenus();
    ASSERT_EQ(currentName(), "adventure");
    EXPECT_EQ(mapState.completedLevel, 3);
    EXPECT_EQ(mapSelectedLevel(), 4);  // "start" goes on with the game
    EXPECT_EQ(mapState.completionTimer, COMPLETION_START_MS - 0.0f);
    // The completion runs to the stage's artefact screen, which holds the dialog.
    mapFrames(250);
    EXPECT_TRUE(artefactPanelOpen());
    EXPECT_TRUE(mapBlocksInput());
}

TEST_F(MapDialogs, AfterTheLastLevelTheCongratulationLeadsToTheHighScores)
{
    for (int e = 0; e < HISCORE_ENTRIES; e++) profileState.hiscores[0][e].score = (10 - e) * 1000;
    // The last level is won: the game is complete, its score is in the high scores and the mode
    // starts again at the first level.
    play.gameMode = 0;
    play.gameComplete = 1;
    play.bankedScore = 5500;
    play.levelScore = 0;
    finishGame();  // as the win of the last level does: 5500 goes into row 5
    setProfileLevel(128);
    setProfileLevel(0);
    goToModeMenu();
    settleMenus();
    ASSERT_EQ(currentName(), "adventure");
    EXPECT_EQ(mapState.completedLevel, 128);
    EXPECT_EQ(mapState.gameComplete, 1);
    // "start" does nothing while the game-complete state lasts.
    pressButton("start");
    EXPECT_EQ(gamesStarted, 0);
    EXPECT_EQ(currentName(), "adventure");
    // The last stage's artefact screen, its "ok", then the congratulation and its "ok".
    mapFrames(250);
    ASSERT_TRUE(artefactPanelOpen());
    mapFrames(100);
    pressAt(0.0f, -220.0f);
    mapFrames(100);
    ASSERT_EQ(mapState.congratState, 1);
    pressAt(0.0f, -144.0f);
    mapFrames(30);
    settleMenus();
    EXPECT_EQ(currentName(), "hiscore");
    EXPECT_EQ(play.gameComplete, 0);
    EXPECT_EQ(dialogs.newScoreRow, 5);
    EXPECT_EQ(screens.menu.menuMode, MENU_MODE_MAIN);
}
