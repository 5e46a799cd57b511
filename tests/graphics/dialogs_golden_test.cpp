// The dialogs drawn by the real screens on the OpenGL device with the default data set, at fixed
// frame times, against stored pictures: "main", "options", "profiles", "newprofile" with a typed
// name, "hiscore", the level result while it counts and the pause menu over the board.
#include "graphics/screen_golden.h"

#include "app/route.h"
#include "app/screens.h"
#include "audio/audio.h"
#include "core/random.h"
#include "core/dialogport.h"
#include "core/requestlog.h"
#include "effects/backdrops.h"
#include "game/board.h"
#include "game/boardrender.h"
#include "game/boardstep.h"
#include "game/gameflow.h"
#include "game/hud.h"
#include "game/level.h"
#include "game/outcome.h"
#include "game/playstate.h"
#include "menus/dialogflow.h"
#include "menus/menus.h"
#include "persist/profile.h"
#include "platform/os/files.h"
#include "persist/records.h"
#include "resources/texts.h"
#include "ui/font.h"
#include "ui/messages.h"

namespace {

constexpr float FRAME_MS = 20.0f;

class DialogGolden : public ScreenGoldenTest {
protected:
    void SetUp() override
    {
        GraphicsTest::SetUp();
        startWithBuiltDataSet("targa.dat");
        if (HasFatalFailure()) return;
        resetBoard();
        resetBoardRender();
        resetPlayState();
        resetGamePlay();
        resetLevelFiles();
        resetProfiles();
        resetRecords();
        resetDialogs();
        resetRoute();
        clearRequests();
        ASSERT_TRUE(openBuiltDataSet(data, true));
        std::string textDir = data + "/txt/2/";
        loadBoardPictures();
        loadHudPictures();
        resetBackdrop();
        loadBackdropCatalogue();
        loadMenus(textDir.c_str());
        loadMenuPictures();
        ASSERT_EQ(ExitRecorder::exits(), 0) << textureManager.lastMessage;
        const char16_t* names[HISCORE_ENTRIES] = {u"ALICE", u"BORIS", u"CLARA", u"DANIEL", u"ELENA",
                                                  u"FELIX", u"GRETA", u"HUGO",  u"IRINA",  u"JONAS"};
        setDefaultHiscores(names);
        app.frameMs = FRAME_MS;
        app.mouseX = 790;  // the pointer rests in a corner, over nothing
        app.mouseY = 590;
        srand15(1234);
    }
    void TearDown() override
    {
        resetMenus();
        resetBackdrop();
        resetTextState();
        resetMessages();
        resetTextTables();
        GraphicsTest::TearDown();
    }
    // The front end with a dialog open, drawn until its opening has finished.
    void frontEnd(const char* dialog, int frames = 25)
    {
        screens.currentScreen = &screens.menu;
        setBackdrop(FRONT_END_BACKDROP);
        openDialog(dialog);
        run(frames);
    }
    void run(int frames, bool present = false)
    {
        for (int i = 0; i < frames; i++) {
            clearDepth(1.0f);
            clearColor(0xFF000000);
            beginScene();
            currentScreen()->render();
            currentScreen()->update();
            endScene();
            if (present) presentFrame();
            app.globalTimeMs += app.frameMs;
        }
    }
};

} // namespace

TEST_F(DialogGolden, MainMenuWithTheGreeting)
{
    createProfile("ANNA");
    frontEnd("main");
    expectGolden(frame(), "dialog_main");
}

// The menus' frames drawn only where they changed are the frames a whole redraw gives (every
// frame the device keeps in part is also drawn whole and compared): the main menu opening over
// the living backdrop, the pointer passing over its buttons, then the new-profile dialog taking
// the main menu's place and a name typed into it.
TEST_F(DialogGolden, FramesDrawnWhereTheyChangedAreTheWholeFrames)
{
    createProfile("ANNA");
    GpuStats stats = withDamageCheck([&] {
        screens.currentScreen = &screens.menu;
        setBackdrop(FRONT_END_BACKDROP);
        openDialog("main");
        run(30, true);
        for (int y = 150; y < 500; y += 10) {
            app.mouseX = 400;
            app.mouseY = y;
            screens.menu.mouseMove();
            run(1, true);
        }
        openDialog("newprofile");
        run(25, true);
        for (const char* p = "MARTA"; *p; ++p) {
            screens.menu.keyDown(*p);
            run(2, true);
        }
        run(10, true);
    });
    EXPECT_EQ(stats.damageMismatches, 0);
    EXPECT_GT(stats.partialFrames + stats.unchangedFrames, 50);
}

// A settled main menu at the idle rate redraws the frame's turning corner flares and the focused
// button's glow: their rectangles start from a copy of the still layers under them (backdrop,
// dialog frame) kept by the device, instead of drawing every layer again, and come out as whole
// frames do.
TEST_F(DialogGolden, ASettledMenuRedrawsOnlyWhatMovesOverItsStillLayers)
{
    createProfile("ANNA");
    screens.currentScreen = &screens.menu;
    setBackdrop(FRONT_END_BACKDROP);
    openDialog("main");
    run(40, true);
    app.frameMs = 1000.0f / 15.0f;
    StillCacheFigures f = withAndWithoutStillCache([&] { run(30, true); });
    EXPECT_EQ(f.with.damageMismatches, 0);
    EXPECT_EQ(f.without.cachedPixels, 0);
    EXPECT_GT(f.with.cachedPixels, 0);
    EXPECT_GT(f.with.partialFrames, 20);
    EXPECT_LT(f.with.coveredPixels * 2, f.without.coveredPixels)
        << f.with.coveredPixels / 30 << " against " << f.without.coveredPixels / 30 << " pixels a frame";
}

TEST_F(DialogGolden, Options)
{
    createProfile("ANNA");
    persist.settings.musicVolume = 60;
    persist.settings.sfxVolume = 80;
    persist.settings.softwareCursor = 0;
    frontEnd("options");
    expectGolden(frame(), "dialog_options");
}

TEST_F(DialogGolden, ProfilesWithTheSecondChosen)
{
    createProfile("ANNA");
    createProfile("BORIS");
    createProfile("CLARA");
    menus.profileIndex = 1;
    frontEnd("profiles");
    expectGolden(frame(), "dialog_profiles");
}

TEST_F(DialogGolden, NewProfileWithATypedName)
{
    createProfile("ANNA");
    frontEnd("newprofile", 20);
    for (const char* p = "MARTA"; *p; ++p) {
        screens.menu.keyDown(*p);
        run(1);
    }
    run(4);
    expectGolden(frame(), "dialog_newprofile");
}

// The help's four pages in English and in Russian, and every page's rows inside the panel above
// the page arrows, each wrapped line within the text column.
TEST_F(DialogGolden, HowToPlayPagesInEnglishAndRussian)
{
    createProfile("ANNA");
    struct Language {
        int folder;
        const char* name;
    } languages[] = {{2, "english"}, {1, "russian"}};
    for (const Language& l : languages) {
        resetTextTables();
        std::string dir = data + "/txt/" + std::to_string(l.folder) + "/";
        ASSERT_TRUE(osSetCurrentDirectory(dir.c_str()));
        loadTextFile("menutext.txt");
        loadTextFile("strings.txt");
        loadTextFile("tips.txt");
        ASSERT_TRUE(osSetCurrentDirectory(app.dataDir));
        loadMenus(dir.c_str());
        ASSERT_NE(findDialog("howtoplay"), nullptr);
        for (int page = 0; page < HELP_PAGE_COUNT; page++) {
            HelpPageFit fit = helpPageFit(page);
            EXPECT_GE(fit.rowsBottom, fit.rowsLimit) << l.name << " page " << page + 1;
            EXPECT_LE(fit.widestLine, fit.textWidth) << l.name << " page " << page + 1;
            // The board's pictures are resident only around a level: the help loads them.
            releaseBoardPictures();
            frontEnd("howtoplay");
            dialogs.helpPage = page;
            run(2);
            expectGolden(frame(), ("dialog_howtoplay_" + std::string(l.name) + "_" + std::to_string(page + 1)).c_str());
        }
    }
}

TEST_F(DialogGolden, HighScores)
{
    createProfile("ANNA");
    dialogs.newScoreRow = 2;
    frontEnd("hiscore");
    expectGolden(frame(), "dialog_hiscore");
}

TEST_F(DialogGolden, LevelResultWhileItCounts)
{
    createProfile("ANNA");
    for (uint8_t& f : currentProfile().hintFlags) f = 0;
    ASSERT_TRUE(newGame(ModeAdventure));
    screens.currentScreen = &screens.game;
    run(10);
    play.levelScore = 2480;
    play.bestStreak = 5;
    play.movesMade = 23;
    play.playClockMs = 95000.0f;
    LevelRecord& rec = levelRecord(ModeAdventure, 0);
    rec.results[2] = 30;
    rec.results[3] = 61000;
    const char16_t holder[] = u"GRETA";
    for (int i = 0; i < 6; i++) rec.names[3][i] = holder[i];
    dialogPort.open = 1;
    openGameDialog("levelcomplete");
    run(40);  // 800 ms: the score is counted, the combo counts
    // "Next level" sits on its button, clear of the rounded ends, and the click box is the button.
    ASSERT_GE(menus.buttonCount, 1);
    const char16_t* caption = menus.current->children[0]->caption;
    ButtonFit fit = fitButton(128.0f, 64.0f, 18.0f, caption);
    const ButtonRect& b = menus.buttons[0];
    EXPECT_GE(b.right - b.left, measureText(caption, fit.textScale) + 2.0f * 0.35f * 64.0f - 0.01f);
    EXPECT_GE(fit.textScale, 15.0f);
    expectGolden(frame(), "dialog_levelcomplete_counting");
}

TEST_F(DialogGolden, PauseMenuOverTheBoard)
{
    createProfile("ANNA");
    for (uint8_t& f : currentProfile().hintFlags) f = 0;
    ASSERT_TRUE(newGame(ModeAdventure));
    screens.currentScreen = &screens.game;
    run(60);
    dialogPort.open = 1;
    openGameDialog("gameplay");
    run(25);
    expectGolden(frame(), "dialog_gameplay");
}

namespace {

// The end of a game: the table over the board after the last life was lost, headed "Game over".
TEST_F(DialogGolden, GameOverTableOverTheBoard)
{
    createProfile("ANNA");
    for (uint8_t& f : currentProfile().hintFlags) f = 0;
    ASSERT_TRUE(newGame(ModeAdventure));
    screens.currentScreen = &screens.game;
    run(60);
    setProfileLives(0);
    play.bankedScore = 4200;
    play.timeLimitMs = 1000.0f;  // the time runs out: the level is lost
    for (int i = 0; i < 800 && !dialogPort.open; i++) run(1);
    ASSERT_EQ(play.levelLost, 1);
    ASSERT_STREQ(currentDialogName(), "hiscore");
    EXPECT_EQ(dialogs.hiscoreFromGame, 1);
    run(25);
    expectGolden(frame(), "dialog_gameover_hiscore");
}

// The level result opened by a key early in the win: the tiles fly behind it, the text stays clear.
TEST_F(DialogGolden, LevelResultOverFlyingTiles)
{
    createProfile("ANNA");
    for (uint8_t& f : currentProfile().hintFlags) f = 0;
    ASSERT_TRUE(newGame(ModeAdventure));
    screens.currentScreen = &screens.game;
    run(60);
    cheatClearSquares();
    for (int i = 0; i < 50 && !play.levelWon; i++) run(1);
    ASSERT_EQ(play.levelWon, 1);
    run(40);
    gameKeyDown(13);
    ASSERT_STREQ(currentDialogName(), "levelcomplete");
    while (play.completeClockMs < 3200.0f) run(1);  // the tiles are in the air
    expectGolden(frame(), "dialog_levelcomplete_over_flying_tiles");
}

}  // namespace

namespace {

// "Next level" answered early: the next land fades in, the last tiles fade out of their flight,
// and the prompt says at once that a key goes on.
TEST_F(DialogGolden, ThePromptRightAfterNextLevel)
{
    createProfile("ANNA");
    for (uint8_t& f : currentProfile().hintFlags) f = 0;
    ASSERT_TRUE(newGame(ModeAdventure));
    screens.currentScreen = &screens.game;
    run(60);
    cheatClearSquares();
    for (int i = 0; i < 50 && !play.levelWon; i++) run(1);
    ASSERT_EQ(play.levelWon, 1);
    run(40);
    screens.game.keyDown(13);  // the level result
    run(30);
    screens.game.keyDown(13);  // finishes its count-up
    run(5);
    screens.game.keyDown(13);  // "Next level"
    for (int i = 0; i < 100 && dialogPort.open; i++) run(1);
    ASSERT_EQ(dialogPort.open, 0);
    ASSERT_EQ(play.levelAdvance, 1);
    run(10);
    EXPECT_LT(play.completeClockMs, FLY_OFF_END_MS);  // some tiles still fade out of their flight
    expectGolden(frame(), "game_prompt_after_next_level");
}

}  // namespace
