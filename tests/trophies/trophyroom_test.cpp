// The trophy room: the shelf layout file and its default, the presentation of new trophies (lowest
// first, one after the other), leaving, the return targets, and the hover test through the
// pictures' opacity on the headless and on the GL device.
#include "graphics/gfx_helpers.h"
#include "sound_probe.h"

#include "app/screens.h"
#include "core/requestlog.h"
#include "platform/os/pacing.h"
#include "effects/backdrops.h"
#include "effects/effects.h"
#include "menus/menus.h"
#include "persist/profile.h"
#include "trophies/trophies.h"
#include "trophies/trophylayout.h"
#include "trophies/trophyroom.h"
#include "ui/messages.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace {

// Every picture is 64 x 64, opaque in its left half and clear in its right half.
constexpr int PICTURE = 64;

class TrophyRoom : public GraphicsTest {
protected:
    void SetUp() override
    {
        GraphicsTest::SetUp();
        std::snprintf(app.dataDir, sizeof app.dataDir, "%s/", dir.c_str());
        resetPersist();
        resetProfiles();
        resetTrophies();
        resetTrophyLayout();
        resetTrophyRoom();
        resetEffects();
        resetBackdrop();
        resetMessages();
        resetMenus();
        clearRequests();
        trophyRoute = TrophyRoute{};
        std::filesystem::create_directories(dir + "/settings");
        ASSERT_TRUE(createProfile("Ann"));
        ImageData half = makePicture(PICTURE, PICTURE, [](int x, int) { return x < PICTURE / 2 ? 0xFFC08040u : 0x00000000u; });
        std::string list;
        for (int i = 1; i <= TROPHY_COUNT; i++) {
            put("trophyes/cup" + std::to_string(i) + ".tga", encodedTga(half, true));
            put("trophyes/glow" + std::to_string(i) + ".tga", encodedTga(half, true));
            list += "trophy" + std::to_string(i) + "=cup" + std::to_string(i) + ".tga\r\n";
            list += "trophylum" + std::to_string(i) + "=glow" + std::to_string(i) + ".tga\r\n";
        }
        put("trophyes/trophy.txt", std::vector<uint8_t>(list.begin(), list.end()));
        addEffect("trophyadd2", "parfrequency=0\r\n");
        app.frameMs = 20.0f;
    }
    void TearDown() override
    {
        resetTrophyRoom();
        resetMenus();
        GraphicsTest::TearDown();
    }
    void frames(int n)
    {
        for (int i = 0; i < n; i++) updateTrophyRoom();
    }
    static void pointAt(float x, float y)
    {
        app.mouseX = static_cast<int>(x + 400.0f);
        app.mouseY = static_cast<int>(300.0f - y);
    }
    std::vector<uint8_t> flagsFile()
    {
        char path[1024];
        EXPECT_TRUE(profileFilePath(0, ProfileTrophies, path, sizeof path));
        return gfxReadBytes(path);
    }
    static std::vector<uint8_t> layoutBytes(int size)
    {
        std::vector<uint8_t> b(size_t(size), 0);
        return b;
    }
    static void putFloat(std::vector<uint8_t>& b, size_t at, float v) { std::memcpy(&b[at], &v, 4); }
};

TEST_F(TrophyRoom, WithoutALayoutFileEveryTrophyTakesItsDefaultPlaceAtItsPictureSize)
{
    startHeadless();
    ASSERT_TRUE(loadTrophies());
    enterTrophyRoom(TROPHY_RETURN_MAIN);
    for (int i = 0; i < TROPHY_COUNT; i++) {
        const TrophySlot& s = trophyLayout.slots[i];
        EXPECT_NEAR(s.x, i * 44.705883f - 380.0f, 1e-3f) << i;
        EXPECT_NEAR(s.y, 280.0f - i * 32.941177f, 1e-3f) << i;
        EXPECT_FLOAT_EQ(s.width, float(PICTURE));
        EXPECT_FLOAT_EQ(s.height, float(PICTURE));
        EXPECT_FLOAT_EQ(s.scale, 1.0f);
    }
}

TEST_F(TrophyRoom, TheLayoutFileIsTakenRecordByRecordAndAWrongSizeGivesTheDefault)
{
    std::vector<uint8_t> b = layoutBytes(TROPHY_LAYOUT_BYTES);
    for (int i = 0; i < TROPHY_COUNT; i++) {
        size_t at = size_t(i) * TROPHY_SLOT_BYTES;
        putFloat(b, at + 0, 40.0f);
        putFloat(b, at + 4, 30.0f);
        putFloat(b, at + 8, -300.0f + i * 10.0f);
        putFloat(b, at + 12, 100.0f - i * 5.0f);
        putFloat(b, at + 20, 1.5f);
        b[at + 88] = 1;  // a hovered flag in the file is not taken over
    }
    putFloat(b, 5 * TROPHY_SLOT_BYTES + 0, std::numeric_limits<float>::quiet_NaN());
    putFloat(b, 6 * TROPHY_SLOT_BYTES + 8, 900.0f);                 // off the screen
    putFloat(b, 7 * TROPHY_SLOT_BYTES + 20, 0.0f);                  // no size at all
    EXPECT_FALSE(trophyLayoutFromBytes(b.data(), int32_t(b.size())));
    EXPECT_EQ(trophyLayout.fromFile[3], 1);
    EXPECT_FLOAT_EQ(trophyLayout.slots[3].x, -270.0f);
    EXPECT_FLOAT_EQ(trophyLayout.slots[3].y, 85.0f);
    EXPECT_FLOAT_EQ(trophyLayout.slots[3].width, 40.0f);
    EXPECT_FLOAT_EQ(trophyLayout.slots[3].scale, 1.5f);
    EXPECT_EQ(trophyLayout.slots[3].hovered, 0);
    for (int bad : {5, 6, 7}) {
        EXPECT_EQ(trophyLayout.fromFile[bad], 0) << bad;
        EXPECT_NEAR(trophyLayout.slots[bad].x, bad * 44.705883f - 380.0f, 1e-3f) << bad;
        EXPECT_FLOAT_EQ(trophyLayout.slots[bad].scale, 1.0f) << bad;
    }
    // One byte short or long: the whole default layout.
    for (int size : {TROPHY_LAYOUT_BYTES - 1, TROPHY_LAYOUT_BYTES + 1}) {
        std::vector<uint8_t> c = b;
        c.resize(size_t(size));
        EXPECT_FALSE(trophyLayoutFromBytes(c.data(), size));
        for (int i = 0; i < TROPHY_COUNT; i++) EXPECT_EQ(trophyLayout.fromFile[i], 0);
        EXPECT_NEAR(trophyLayout.slots[3].x, 3 * 44.705883f - 380.0f, 1e-3f);
    }
}

TEST_F(TrophyRoom, EscapeSavesTheLayoutWhichIsReadBackBeforeTheDataSets)
{
    std::vector<uint8_t> b = layoutBytes(TROPHY_LAYOUT_BYTES);
    for (int i = 0; i < TROPHY_COUNT; i++) {
        size_t at = size_t(i) * TROPHY_SLOT_BYTES;
        putFloat(b, at + 0, 50.0f);
        putFloat(b, at + 4, 60.0f);
        putFloat(b, at + 8, 10.0f * i - 200.0f);
        putFloat(b, at + 12, -5.0f * i);
        putFloat(b, at + 20, 1.0f);
    }
    put("trophyes/trophy.cfg", b);
    startHeadless();
    ASSERT_TRUE(loadTrophies());
    ASSERT_EQ(trophyLayout.fromFile[16], 1);
    enterTrophyRoom(TROPHY_RETURN_MAIN);
    trophyLayout.slots[2].x = 123.0f;  // as if the room had moved it
    trophyRoomKeyDown(27);             // ignored in the quiet first second
    EXPECT_EQ(trophyLayout.saves, 0);
    frames(51);
    trophyRoomKeyDown(27);
    EXPECT_EQ(trophyLayout.saves, 1);
    EXPECT_EQ(trophyRoom.leaving, 1);
    std::vector<uint8_t> saved = gfxReadBytes(dir + "/settings/trophy.cfg");
    ASSERT_EQ(saved.size(), size_t(TROPHY_LAYOUT_BYTES));
    resetTrophyLayout();
    loadTrophyLayout();
    EXPECT_FLOAT_EQ(trophyLayout.slots[2].x, 123.0f);  // the saved copy, not the data set's 
    EXPECT_FLOAT_EQ(trophyLayout.slots[16].x, -40.0f);
    EXPECT_FLOAT_EQ(trophyLayout.slots[16].height, 60.0f);
}

TEST_F(TrophyRoom, TwoNewTrophiesArePresentedLowestFirstEachAfterItsButton)
{
    startHeadless();
    ASSERT_TRUE(loadTrophies());
    ASSERT_TRUE(awardTrophy(9, "+ann"));
    ASSERT_TRUE(awardTrophy(4, "+ann"));
    enterTrophyRoom(TROPHY_RETURN_GAME);
    EXPECT_EQ(countRequests("toTrophyScreen"), 1);
    frames(49);  // 980 ms: still quiet
    EXPECT_EQ(trophyRoom.presentation, Presentation::Idle);
    frames(2);
    ASSERT_EQ(trophyRoom.presentation, Presentation::Growing);
    EXPECT_EQ(trophyRoom.presented, 4);
    frames(10);
    EXPECT_NEAR(presentationScale(), 1.0f - (1.0f - 220.0f / 500.0f) * (1.0f - 220.0f / 500.0f), 1e-4f);
    // A click on the button while it grows does nothing.
    pointAt(TROPHY_BUTTON_X, TROPHY_BUTTON_Y);
    trophyRoomPress();
    EXPECT_EQ(trophyRoom.presentation, Presentation::Growing);
    frames(20);
    ASSERT_EQ(trophyRoom.presentation, Presentation::Waiting);
    frames(100);  // it waits for the button
    ASSERT_EQ(trophyRoom.presentation, Presentation::Waiting);
    pointAt(TROPHY_BUTTON_X + 100.0f, TROPHY_BUTTON_Y);  // beside it
    trophyRoomPress();
    EXPECT_EQ(trophyRoom.presentation, Presentation::Waiting);
    pointAt(TROPHY_BUTTON_X, TROPHY_BUTTON_Y);
    trophyRoomPress();
    ASSERT_EQ(trophyRoom.presentation, Presentation::Shrinking);
    int startsBefore = effectStarts("trophyadd2");
    frames(26);
    // Trophy 4 is in its place (written at once) and 9 comes next.
    EXPECT_FALSE(trophyIsNew(4));
    EXPECT_TRUE(trophyWon(4));
    std::vector<uint8_t> file = flagsFile();
    ASSERT_EQ(file.size(), size_t(34));
    EXPECT_EQ(file[3 * 2], 0);
    EXPECT_EQ(file[3 * 2 + 1], 1);
    EXPECT_EQ(file[8 * 2], 1);
    EXPECT_EQ(effectStarts("trophyadd2"), startsBefore + 1);
    ASSERT_NE(trophyRoom.presentation, Presentation::Idle);
    EXPECT_EQ(trophyRoom.presented, 9);
    frames(30);
    trophyRoomKeyDown(13);  // Enter closes it too
    frames(30);
    EXPECT_EQ(trophyRoom.presentation, Presentation::Idle);
    EXPECT_EQ(firstNewTrophy(), 0);
}

// Idle frames come at the scene's slower rate only while nothing but the glow and the backdrop
// moves: not while the room fades in, a new trophy is presented or waits to be, or it is left.
TEST_F(TrophyRoom, IdleFramesSlowDownOnlyOnceTheRoomIsQuiet)
{
    startHeadless();
    ASSERT_TRUE(loadTrophies());
    ASSERT_TRUE(awardTrophy(4, "+ann"));
    enterTrophyRoom(TROPHY_RETURN_MAIN);
    EXPECT_FALSE(trophyRoomQuiet());
    EXPECT_EQ(screens.trophy.idleFrameRate(), 0);
    frames(49);  // fading in
    EXPECT_FALSE(trophyRoomQuiet());
    frames(2);
    ASSERT_EQ(trophyRoom.presentation, Presentation::Growing);
    EXPECT_FALSE(trophyRoomQuiet());
    frames(30);
    ASSERT_EQ(trophyRoom.presentation, Presentation::Waiting);
    EXPECT_FALSE(trophyRoomQuiet());
    trophyRoomKeyDown(13);
    frames(30);
    ASSERT_EQ(trophyRoom.presentation, Presentation::Idle);
    EXPECT_TRUE(trophyRoomQuiet());
    EXPECT_GT(screens.trophy.idleFrameRate(), 0);
    EXPECT_LT(screens.trophy.idleFrameRate(), PACING_IDLE_HZ);
    trophyRoomKeyDown(27);  // leaving: the fade out runs at the usual rate
    EXPECT_FALSE(trophyRoomQuiet());
    EXPECT_EQ(screens.trophy.idleFrameRate(), 0);
}

TEST_F(TrophyRoom, LeavingBeforeTheButtonKeepsTheTrophyWonButNoLongerNew)
{
    startHeadless();
    ASSERT_TRUE(loadTrophies());
    ASSERT_TRUE(awardTrophy(7, "+ann"));
    ASSERT_TRUE(awardTrophy(12, "+ann"));
    setBackdrop(5);
    enterTrophyRoom(TROPHY_RETURN_GAME);
    frames(80);
    ASSERT_EQ(trophyRoom.presentation, Presentation::Waiting);
    ASSERT_EQ(trophyRoom.presented, 7);
    // Neither the exit button nor Escape answer while the presentation shows.
    pointAt(TROPHY_EXIT_X, TROPHY_EXIT_Y);
    trophyRoomPress();
    trophyRoomKeyDown(27);
    EXPECT_EQ(trophyRoom.leaving, 0);
    leaveTrophyRoom();  // the window closed, say
    EXPECT_TRUE(trophyWon(7));
    EXPECT_TRUE(trophyWon(12));
    EXPECT_EQ(firstNewTrophy(), 0);
    std::vector<uint8_t> file = flagsFile();
    ASSERT_EQ(file.size(), size_t(34));
    EXPECT_EQ(file[6 * 2], 0);
    EXPECT_EQ(file[6 * 2 + 1], 1);
    EXPECT_EQ(file[11 * 2], 0);
    EXPECT_EQ(file[11 * 2 + 1], 1);
    // Back to the game on its own backdrop.
    EXPECT_EQ(countRequests("trophyRoomToGame"), 1);
    EXPECT_EQ(backdrop.number, 5);
    EXPECT_EQ(trophyRoom.open, 0);
}

// The room's pictures are textures only while it shows: leaving releases them, the next visit
// loads them again.
TEST_F(TrophyRoom, LeavingReleasesThePicturesAndTheNextVisitLoadsThemAgain)
{
    startHeadless();
    ASSERT_TRUE(loadTrophies());
    ASSERT_TRUE(awardTrophy(3, "+ann"));
    for (int visit = 0; visit < 2; visit++) {
        enterTrophyRoom(TROPHY_RETURN_MAIN);
        frames(60);
        ASSERT_NE(trophyRoom.image[2], nullptr);
        EXPECT_EQ(findTexture("cup3.tga"), trophyRoom.image[2]);
        EXPECT_NE(findTexture("glow17.tga"), nullptr);
        frames(60);  // the presentation of trophy 3
        trophyRoomKeyDown(13);
        frames(30);
        trophyRoomKeyDown(27);
        frames(60);  // the fade out, then the menu
        ASSERT_EQ(trophyRoom.open, 0);
        EXPECT_EQ(findTexture("cup3.tga"), nullptr);
        EXPECT_EQ(findTexture("glow17.tga"), nullptr);
        EXPECT_EQ(trophyRoom.image[2], nullptr);
    }
}

TEST_F(TrophyRoom, TheExitFadesOutAndReturnsToTheMenuItCameFrom)
{
    static const char16_t tree[] = u"\uFEFFmain=\r\nmain\r\ntrophyroom\r\n\r\nadventure=\r\nstart\r\n\r\n"
                                   u"timeless=\r\nstart\r\n\r\npuzzle=\r\nstart\r\n\r\n";
    startHeadless();
    ASSERT_TRUE(loadTrophies());
    const struct {
        int target;
        const char* dialog;
    } cases[] = {{TROPHY_RETURN_MAIN, "main"}, {0, "adventure"}, {1, "timeless"}, {2, "puzzle"}};
    int visits = 0;
    for (const auto& c : cases) {
        resetMenus();
        buildMenuTree(reinterpret_cast<const uint8_t*>(tree), int32_t(sizeof tree - 2));
        clearRequests();
        enterTrophyRoom(c.target);
        EXPECT_EQ(trophyRoom.visits, ++visits);
        EXPECT_EQ(backdrop.number, TROPHY_ROOM_BACKDROP);
        pointAt(TROPHY_EXIT_X, TROPHY_EXIT_Y);
        trophyRoomPress();  // in the quiet first second: nothing
        EXPECT_EQ(trophyRoom.leaving, 0);
        frames(51);
        trophyRoomPress();
        ASSERT_EQ(trophyRoom.leaving, 1) << c.dialog;
        frames(25);
        EXPECT_NEAR(trophyRoomTint(), 0.5f, 0.03f);
        EXPECT_EQ(countRequests("trophyRoomToFrontEnd"), 0);
        frames(26);
        EXPECT_EQ(countRequests("trophyRoomToFrontEnd"), 1) << c.dialog;
        EXPECT_STREQ(currentDialogName(), c.dialog);
        EXPECT_EQ(trophyRoom.open, 0);
    }
}

TEST_F(TrophyRoom, ItsButtonsClickWithTheGamesButtonSound)
{
    // The presentation's button and the exit play the menus' click, a sound of the game's table.
    resetAudio();
    registerGameSounds();
    startHeadless();
    ASSERT_TRUE(loadTrophies());
    ASSERT_TRUE(awardTrophy(3, "+ann"));
    enterTrophyRoom(TROPHY_RETURN_GAME);
    frames(80);
    ASSERT_EQ(trophyRoom.presentation, Presentation::Waiting);
    pointAt(TROPHY_BUTTON_X, TROPHY_BUTTON_Y);
    trophyRoomPress();
    EXPECT_EQ(queuedSounds("ButtonClick.ogg"), 1);
    for (int i = 0; i < 30; i++) {
        updateTrophyRoom();
        updateAudio();  // as the trophy screen's frame does: the retrigger time runs out
    }
    ASSERT_EQ(trophyRoom.presentation, Presentation::Idle);
    pointAt(TROPHY_EXIT_X, TROPHY_EXIT_Y);
    trophyRoomPress();
    ASSERT_EQ(trophyRoom.leaving, 1);
    EXPECT_EQ(queuedSounds("ButtonClick.ogg"), 2);
    resetAudio();
}

TEST_F(TrophyRoom, OnlyTheOpaquePartOfATrophyIsHoveredAndItsTipWaitsTwoSeconds)
{
    startHeadless();
    ASSERT_TRUE(loadTrophies());
    enterTrophyRoom(TROPHY_RETURN_MAIN);
    const TrophySlot s = trophyLayout.slots[8];  // (-22.35, 16.47), 64 x 64
    EXPECT_TRUE(trophyUnderPointer(8, Vec2{s.x - 20.0f, s.y + 10.0f}));
    EXPECT_FALSE(trophyUnderPointer(8, Vec2{s.x + 20.0f, s.y + 10.0f}));   // its clear half
    EXPECT_FALSE(trophyUnderPointer(8, Vec2{s.x - 40.0f, s.y}));           // beside its rectangle
    EXPECT_FALSE(trophyUnderPointer(0, Vec2{TROPHY_EXIT_X, TROPHY_EXIT_Y})); // under the exit button
    // The room's own frames: nothing in the first second, then the tip after 2000 ms more.
    pointAt(s.x - 20.0f, s.y + 10.0f);
    frames(40);
    EXPECT_EQ(trophyRoom.hovered, -1);
    frames(20);
    ASSERT_EQ(trophyRoom.hovered, 8);
    EXPECT_EQ(trophyLayout.slots[8].hovered, 1);
    frames(85);
    EXPECT_LT(trophyRoom.hoverMs, TROPHY_TIP_DELAY_MS);
    frames(10);
    EXPECT_GT(trophyRoom.hoverMs, TROPHY_TIP_DELAY_MS);
    // Moving to the clear half ends it; a click on a trophy brings its tip at once.
    pointAt(s.x + 20.0f, s.y + 10.0f);
    frames(1);
    EXPECT_EQ(trophyRoom.hovered, -1);
    EXPECT_EQ(trophyLayout.slots[8].hovered, 0);
    pointAt(s.x - 20.0f, s.y - 10.0f);
    frames(1);
    trophyRoomPress();
    frames(1);
    EXPECT_GT(trophyRoom.hoverMs, TROPHY_TIP_DELAY_MS);
}

TEST_F(TrophyRoom, TheGlDeviceFindsTheSameOpaquePartThroughTheMaskTexture)
{
    startGl();
    ASSERT_TRUE(loadTrophies());
    enterTrophyRoom(TROPHY_RETURN_MAIN);
    ASSERT_NE(trophyRoom.maskTarget, nullptr);
    const TrophySlot s = trophyLayout.slots[8];
    int tests = trophyRoom.maskTests;
    EXPECT_TRUE(trophyUnderPointer(8, Vec2{s.x - 20.0f, s.y + 10.0f}));
    EXPECT_FALSE(trophyUnderPointer(8, Vec2{s.x + 20.0f, s.y + 10.0f}));
    EXPECT_TRUE(trophyUnderPointer(8, Vec2{s.x - 2.0f, s.y - 25.0f}));
    EXPECT_FALSE(trophyUnderPointer(8, Vec2{s.x + 2.0f, s.y - 25.0f}));
    EXPECT_EQ(trophyRoom.maskTests, tests + 4);
    // The same point again is not drawn again.
    EXPECT_FALSE(trophyUnderPointer(8, Vec2{s.x + 2.0f, s.y - 25.0f}));
    EXPECT_EQ(trophyRoom.maskTests, tests + 4);
}

}  // namespace
