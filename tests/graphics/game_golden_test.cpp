// The game screen drawn by the real screen on the OpenGL device with the default data set, at
// fixed seeds and frame times, against stored pictures: a fresh level, a hovered group, a
// running bomb, the pause overlay and a won level 3000 ms into its sequence.
#include "graphics/screen_golden.h"
#include "core/dialogport.h"

#include <cstring>

#include "core/random.h"
#include "core/requestlog.h"
#include "app/screens.h"
#include "audio/audio.h"
#include "effects/backdrops.h"
#include "game/board.h"
#include "game/boardkeys.h"
#include "game/boardrender.h"
#include "game/boardstep.h"
#include "game/gameflow.h"
#include "effects/effects.h"
#include "game/hud.h"
#include "game/limits.h"
#include "game/hudtext.h"
#include "game/level.h"
#include "game/outcome.h"
#include "game/scoring.h"
#include "game/playstate.h"
#include "menus/menus.h"
#include "persist/profile.h"
#include "resources/texts.h"
#include "ui/font.h"
#include "ui/messages.h"
#include "platform/os/os.h"
#include "platform/os/pacing.h"

namespace {

constexpr float FRAME_MS = 20.0f;

class GameGolden : public ScreenGoldenTest {
protected:
    void SetUp() override
    {
        GraphicsTest::SetUp();
        startWithBuiltDataSet("targa.dat");
        if (HasFatalFailure()) return;
        // Every module a level touches starts afresh, so that no test sees what another left
        // (a won level moves the profile on to the next level, for one).
        resetBoard();
        resetBoardRender();
        resetPlayState();
        resetGamePlay();
        resetGameFlow();
        resetOutcome();
        resetScoring();
        resetCandle();
        resetHud();
        resetEffects();
        resetProfiles();
        resetProgress();
        resetLevelFiles();
        menus = MenusState{};
        resetDialogPort();
        clearRequests();
        ASSERT_TRUE(openBuiltDataSet(data, true));
        loadBoardPictures();
        resetBackdrop();
        loadBackdropCatalogue();
        ASSERT_EQ(ExitRecorder::exits(), 0) << textureManager.lastMessage;
        app.frameMs = FRAME_MS;
        app.mouseX = 0;  // over the left panel's top: no place, no button
        app.mouseY = 0;
        srand15(1234);
        // A player who has seen the one-time tips: no tip panel covers the board.
        for (int i = 0; i < TIP_FLAG_COUNT; i++) markTipShown(i);
        ASSERT_TRUE(newGame(ModeAdventure));
    }
    void TearDown() override
    {
        resetBackdrop();
        resetTextState();
        resetMessages();
        resetTextTables();
        GraphicsTest::TearDown();
    }
    void run(int frames, bool present = false)
    {
        for (int i = 0; i < frames; i++) {
            clearDepth(1.0f);
            clearColor(0xFF000000);
            beginScene();
            screens.game.render();
            endScene();
            if (present) presentFrame();
            app.globalTimeMs += app.frameMs;
        }
    }
    // Points the mouse at a place.
    void hover(int row, int col)
    {
        Vec2 p = cellCentre(col, row);
        app.mouseX = static_cast<int>(p.x + 400.0f);
        app.mouseY = static_cast<int>(300.0f - p.y);
    }
    // The place of the largest group on the board (after the board has come to rest).
    CellPos largestGroup()
    {
        int best = -1, bestSize = 0;
        CellPos at{-1, -1};
        for (int row = 0; row < BOARD_ROWS; row++)
            for (int col = 0; col < BOARD_COLS; col++) {
                int id = board.cells[row][col].groupId;
                if (id < 0 || !hasFigure(row, col)) continue;
                int size = 0;
                for (auto& r : board.cells)
                    for (Cell& c : r) size += c.groupId == id && c.colour >= 0 ? 1 : 0;
                if (size > bestSize) {
                    best = id;
                    bestSize = size;
                    at = CellPos{col, row};
                }
            }
        (void)best;
        return at;
    }
    // The largest group gets a bomb and three lone figures the marks of the other bonuses; the
    // group's place (row -1 when the board has no group or too few lone figures).
    CellPos bombAmongBonusMarks()
    {
        CellPos g = largestGroup();
        if (g.row < 0) return g;
        board.cells[g.row][g.col].bonus = BonusKind::Bomb;
        const BonusKind others[3] = {BonusKind::CrossBomb, BonusKind::MegaBomb, BonusKind::Thunder};
        for (int i = 0; i < 3; i++) {
            CellPos p = loneFigure(i * 7);
            if (p.row < 0) return p;
            board.cells[p.row][p.col].bonus = others[i];
        }
        return g;
    }
    // A place whose figure is alone (in no group), for a bonus mark.
    CellPos loneFigure(int skip)
    {
        for (int row = 0; row < BOARD_ROWS; row++)
            for (int col = 0; col < BOARD_COLS; col++)
                if (hasFigure(row, col) && board.cells[row][col].groupId < 0 && skip-- == 0) return CellPos{col, row};
        return CellPos{-1, -1};
    }

};

// The left bar's upper part, with the score, level, lives and menu plaques (x 0..119, y 0..309).
ImageData hammerAreaTop(const ImageData& f)
{
    ImageData out;
    out.width = 120;
    out.height = 310;
    out.hasAlpha = false;
    out.pixels.resize(static_cast<size_t>(out.width) * out.height * 4);
    for (int y = 0; y < out.height; y++)
        std::memcpy(&out.pixels[static_cast<size_t>(y) * out.width * 4], &f.pixels[static_cast<size_t>(y) * f.width * 4],
                    static_cast<size_t>(out.width) * 4);
    return out;
}

// The left bar's part with the hammer panel and the trophy button (x 0..119, y 280..519), without
// the board beside it.
ImageData hammerArea(const ImageData& f)
{
    ImageData out;
    out.width = 120;
    out.height = 240;
    out.hasAlpha = false;
    out.pixels.resize(static_cast<size_t>(out.width) * out.height * 4);
    for (int y = 0; y < out.height; y++)
        std::memcpy(&out.pixels[static_cast<size_t>(y) * out.width * 4],
                    &f.pixels[(static_cast<size_t>(y + 280) * f.width) * 4], static_cast<size_t>(out.width) * 4);
    return out;
}

// The board's and the HUD's pictures are resident only around a level: leaving the game screen
// releases them (the font and the shutter's picture stay, every screen draws with them), and
// showing it again loads them.
TEST_F(GameGolden, BoardPicturesAreResidentOnlyAroundALevel)
{
    const char* board[] = {"figures\\aqua.tga", "field\\field1.tga", "zep2.tga", "flare.jpg", "_a_gamebar.jpg",
                           "_a_candle.jpg", "heart.tga", "hammer.texture1.tga"};
    auto resident = [&] {
        int n = 0;
        for (const char* name : board) n += findTexture(name) ? 1 : 0;
        return n;
    };
    run(1);
    EXPECT_EQ(resident(), 8);
    screens.game.deactivate();
    EXPECT_EQ(resident(), 0);
    EXPECT_EQ(boardRender.figures[0], nullptr);
    EXPECT_NE(findTexture("_a_gag.jpg"), nullptr);
    EXPECT_NE(findTexture("font.tga"), nullptr);
    screens.game.activate();
    EXPECT_EQ(resident(), 8);
    EXPECT_EQ(boardRender.figures[0], findTexture(figureStripName(0)));
    EXPECT_EQ(boardRender.tiles[1], findTexture("field\\field1.tga"));
}

TEST_F(GameGolden, FreshLevel)
{
    run(50);  // 1000 ms: the board has faded in and its figures have come to rest
    EXPECT_TRUE(isIdle());
    EXPECT_FLOAT_EQ(play.boardFade, 1.0f);
    expectGolden(frame(), "game_fresh_level");
}

// A level's frames drawn only where they changed are the frames a whole redraw gives: the level
// fading in, the board at rest with bonus marks and a hovered group's glow, then a bomb going off
// with the group breaking, figures falling and debris flying (every frame the device draws only
// in part, or not at all, is also drawn whole beside it and compared, pixel for pixel).
TEST_F(GameGolden, FramesDrawnWhereTheyChangedAreTheWholeFrames)
{
    GpuStats s = withDamageCheck([&] {
        run(50, true);
        CellPos g = bombAmongBonusMarks();
        ASSERT_GE(g.row, 0);
        hover(g.row, g.col);
        run(20, true);
        screens.game.lButtonDown();
        EXPECT_EQ(play.movesMade, 1);
        run(60, true);
    });
    EXPECT_EQ(s.damageMismatches, 0);
    EXPECT_GT(s.partialFrames + s.unchangedFrames, 60);
}

// A settled board at the idle rate redraws its twigs, candle and the figures that move from a
// copy of the still layers under them kept by the device (backdrop, board, HUD), and
// comes out as whole frames do.
TEST_F(GameGolden, ASettledBoardRedrawsOnlyWhatMovesOverItsStillLayers)
{
    run(60, true);
    ASSERT_TRUE(isIdle());
    app.frameMs = 1000.0f / 15.0f;
    StillCacheFigures f = withAndWithoutStillCache([&] { run(30, true); });
    EXPECT_EQ(f.with.damageMismatches, 0);
    EXPECT_GT(f.with.cachedPixels, 0);
    EXPECT_LT(f.with.coveredPixels * 5, f.without.coveredPixels * 4)
        << f.with.coveredPixels / 30 << " against " << f.without.coveredPixels / 30 << " pixels a frame";
}

// Once the board has come to rest only slow things move (the backdrop's layers, the candle):
// the game asks for its slower idle rate, and anything quicker keeps the usual one.
TEST_F(GameGolden, ASettledBoardIdlesSlowerThanAMovingOne)
{
    run(50);
    ASSERT_TRUE(isIdle());
    int settled = screens.game.idleFrameRate();
    EXPECT_GT(settled, 0);
    EXPECT_LT(settled, PACING_IDLE_HZ);
    board.cells[3][3].offset = Vec2{0.0f, 20.0f};  // a figure on its way down
    EXPECT_EQ(screens.game.idleFrameRate(), 0);
    board.cells[3][3].offset = Vec2{0.0f, 0.0f};
    EXPECT_EQ(screens.game.idleFrameRate(), settled);
    spawnDebris(2, 0.0f, 0.0f, 1);
    EXPECT_EQ(screens.game.idleFrameRate(), 0);
    clearBoardEffects();
    EXPECT_EQ(screens.game.idleFrameRate(), settled);
    play.levelWon = 1;
    EXPECT_EQ(screens.game.idleFrameRate(), 0);
    play.levelWon = 0;
    prepareBackdrop(3);  // the next land fades in
    EXPECT_EQ(screens.game.idleFrameRate(), 0);
}

TEST_F(GameGolden, HoveredGroup)
{
    run(50);
    CellPos g = largestGroup();
    ASSERT_GE(g.row, 0);
    hover(g.row, g.col);
    run(30);  // 600 ms: the group glows and its figures are part way through their turn
    EXPECT_GE(board.groupSize, 2);
    EXPECT_EQ(board.cells[g.row][g.col].highlighted, 1);
    expectGolden(frame(), "game_hovered_group");
}

// The bomb's flash and debris are particle effects: the picture shows them.
TEST_F(GameGolden, RunningBomb)
{
    loadEffects();
    ASSERT_NE(effects.atlas, nullptr);
    run(50);
    CellPos g = bombAmongBonusMarks();
    ASSERT_GE(g.row, 0);
    hover(g.row, g.col);
    run(3);
    screens.game.lButtonDown();
    EXPECT_EQ(play.movesMade, 1);
    run(10);  // 200 ms into the 250 ms blast: the group breaks, the area around the bomb goes with it
    bool running = false;
    for (const BlastRecord& b : board.blasts)
        running = running || (b.kind == BonusKind::Bomb && b.started && b.elapsedMs < b.durationMs);
    EXPECT_TRUE(running);
    expectGolden(frame(), "game_running_bomb");
}

// A bomb just made: its label grows in and the ring of 16 sparks turns round it (first second).
TEST_F(GameGolden, NewBonusWithItsRingOfSparks)
{
    loadEffects();  // the sparks are sprites of the particle atlas
    ASSERT_NE(effects.atlas, nullptr);
    run(50);
    CellPos g = largestGroup();
    ASSERT_GE(g.row, 0);
    Cell& c = board.cells[g.row][g.col];
    c.bonus = BonusKind::Bomb;
    c.bonusTimer = 2000.0f;
    run(20);  // 320 ms of the label: the ring a little way round and still bright
    EXPECT_GT(c.bonusTimer, 1000.0f);
    expectGolden(frame(), "game_new_bonus_sparks");
}

TEST_F(GameGolden, PauseOverlay)
{
    run(50);
    screens.game.keyDown(32);
    EXPECT_EQ(play.paused, 1);
    run(150);  // 3000 ms paused: the panels are away and the pause text pulses
    expectGolden(frame(), "game_pause_overlay");
}

TEST_F(GameGolden, WonLevelAt3000Ms)
{
    run(50);
    cheatClearSquares();
    for (int i = 0; i < 50 && !play.levelWon; i++) run(1);
    ASSERT_EQ(play.levelWon, 1);
    while (play.completeClockMs < 3000.0f) run(1);
    EXPECT_FLOAT_EQ(play.completeClockMs, 3000.0f);
    expectGolden(frame(), "game_won_level_3000ms");
}

} // namespace

namespace {

// The hammer panel charging (nearly full), ready and armed: three pictures that must not be
// mistaken for each other.
TEST_F(GameGolden, HammerPanelCharging)
{
    run(50);
    board.hammerShown = board.hammerTarget = board.hammerEmpty + 0.93f * (board.hammerFull - board.hammerEmpty);
    run(10);
    EXPECT_EQ(board.hammerReady, 0);
    expectGolden(hammerArea(frame()), "game_hammer_charging");
}

TEST_F(GameGolden, HammerPanelReady)
{
    run(50);
    board.hammerTarget = board.hammerFull + 0.05f;
    for (int i = 0; i < 400 && !board.hammerReady; i++) run(1);
    ASSERT_EQ(board.hammerReady, 1);
    run(25);
    expectGolden(hammerArea(frame()), "game_hammer_ready");
}

TEST_F(GameGolden, HammerPanelArmed)
{
    run(50);
    board.hammerTarget = board.hammerFull + 0.05f;
    for (int i = 0; i < 400 && !board.hammerReady; i++) run(1);
    ASSERT_EQ(board.hammerReady, 1);
    app.mouseX = 54;  // the hammer button
    app.mouseY = 370;
    screens.game.lButtonDown();
    ASSERT_EQ(board.hammerArmed, 1);
    app.mouseX = 0;
    app.mouseY = 0;
    run(25);
    expectGolden(hammerArea(frame()), "game_hammer_armed");
}

} // namespace

namespace {

// Switches the text tables to a language folder of the built data set: 1 Russian, 2 English.
void useLanguage(const std::string& data, int folder)
{
    resetTextTables();
    std::string dir = data + "/txt/" + std::to_string(folder) + "/";
    ASSERT_TRUE(osSetCurrentDirectory(dir.c_str()));
    loadTextFile("menutext.txt");
    loadTextFile("strings.txt");
    loadTextFile("tips.txt");
    ASSERT_TRUE(osSetCurrentDirectory(app.dataDir));
}

// The width of one line of an entry's text as drawn (a wrapped text: its wider line).
float drawnWidth(const char16_t* text, const HudTextEntry& e)
{
    std::u16string t(text);
    if (e.lines < 2) return measureText(t.c_str(), e.size);
    size_t best = std::u16string::npos;
    float widest = 1e9f;
    for (size_t i = t.find(u' '); i != std::u16string::npos; i = t.find(u' ', i + 1)) {
        float a = measureText(t.substr(0, i).c_str(), e.size);
        float b = measureText(t.substr(i + 1).c_str(), e.size);
        float w = a > b ? a : b;
        if (w < widest) {
            widest = w;
            best = i;
        }
    }
    return best == std::u16string::npos ? measureText(t.c_str(), e.size) : widest;
}

// Every text of the left bar inside its box in both languages, with the last life showing, the
// menu button at its largest hover size and long numbers; and never shrunk past legibility.
TEST_F(GameGolden, EveryHudTextFitsItsPlaqueInBothLanguages)
{
    run(5);
    for (int folder : {1, 2}) {
        useLanguage(data, folder);
        setProfileLives(0);
        play.bankedScore = 9999999;
        play.levelIndex = 98;
        hud.menuButton.size = 13.5f;
        hud.trophiesButton.size = 11.0f;
        clearHudTexts();
        drawHud();
        int checked = 0;
        for (const HudTextBox& b : HUD_TEXT_BOXES) {
            std::string name = b.key;
            if (name.empty()) name = b.y > 200.0f ? "9999999" : "99";
            const HudTextEntry* e = findHudText(name.c_str());
            ASSERT_NE(e, nullptr) << folder << " " << name;
            char16_t text[256];
            if (b.key[0]) {
                keyText(b.key, text, 256);
            } else {
                for (size_t i = 0; i <= name.size(); i++) text[i] = static_cast<char16_t>(name[i]);
            }
            float w = drawnWidth(text, *e);
            EXPECT_LE(w, b.width + 0.01f) << folder << " " << name << " size " << e->size;
            EXPECT_LE((e->lines == 2 ? 3.2f : 1.4f) * e->size, b.height + 0.01f) << folder << " " << name;
            EXPECT_GE(e->size, 6.5f) << folder << " " << name;
            checked++;
        }
        EXPECT_EQ(checked, HUD_BOX_COUNT);
    }
    // The Russian "Last life!" is the longest: it takes two lines in its plaque.
    useLanguage(data, 1);
    clearHudTexts();
    drawHud();
    const HudTextEntry* last = findHudText("lastlife");
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->lines, 2);
}

TEST_F(GameGolden, LastLifeInsideTheLivesPlaqueInEnglishAndRussian)
{
    run(50);
    setProfileLives(0);
    run(1);
    expectGolden(hammerAreaTop(frame()), "game_hud_last_life_english");
    useLanguage(data, 1);
    run(1);
    expectGolden(hammerAreaTop(frame()), "game_hud_last_life_russian");
}

} // namespace

namespace {

ImageData cropFrame(const ImageData& f, int x0, int y0, int w, int h)
{
    ImageData out;
    out.width = w;
    out.height = h;
    out.hasAlpha = false;
    out.pixels.resize(static_cast<size_t>(w) * h * 4);
    for (int y = 0; y < h; y++)
        std::memcpy(&out.pixels[static_cast<size_t>(y) * w * 4], &f.pixels[(static_cast<size_t>(y + y0) * f.width + x0) * 4],
                    static_cast<size_t>(w) * 4);
    return out;
}

// Five neighbouring places of a row score at once: five numbers that can be read one by one.
TEST_F(GameGolden, NeighbouringScoreNumbers)
{
    run(50);
    for (int col = 2; col <= 6; col++) {
        Vec2 c = cellCentre(col, 4);
        addScorePopup(c.x, c.y, col == 4 ? 1250 : 100);
    }
    run(12);
    expectGolden(cropFrame(frame(), 240, 150, 340, 150), "game_neighbouring_score_numbers");
}


// Copies a picture into a larger one at (x0, y0).
void paste(ImageData& into, const ImageData& piece, int x0, int y0)
{
    for (int y = 0; y < piece.height; y++)
        std::memcpy(&into.pixels[(static_cast<size_t>(y + y0) * into.width + x0) * 4],
                    &piece.pixels[static_cast<size_t>(y) * piece.width * 4], static_cast<size_t>(piece.width) * 4);
}

// The keyboard's cursor on figures of four colours, one of them standing on a square: each
// 100 x 100 pixels around the cursor, side by side.
TEST_F(GameGolden, KeyboardCursorOnSeveralFigures)
{
    run(50);
    screens.game.keyDown(VK_LEFT);
    ASSERT_EQ(boardKeys.shown, 1);
    // Places of four different colours, the first on a square when the level has one.
    CellPos places[4];
    int found = 0;
    bool colourUsed[32] = {};
    for (int pass = 0; pass < 2 && found < 4; pass++)
        for (int row = 0; row < BOARD_ROWS && found < 4; row++)
            for (int col = 0; col < BOARD_COLS && found < 4; col++) {
                const Cell& c = board.cells[row][col];
                if (!hasFigure(row, col) || colourUsed[c.colour % 32]) continue;
                if (pass == 0 && c.tile <= 0) continue;  // first a figure on a square
                colourUsed[c.colour % 32] = true;
                places[found++] = CellPos{col, row};
                if (pass == 0) break;
            }
    ASSERT_EQ(found, 4);
    ImageData strip;
    strip.width = 400;
    strip.height = 100;
    strip.hasAlpha = false;
    strip.pixels.resize(static_cast<size_t>(strip.width) * strip.height * 4);
    for (int i = 0; i < 4; i++) {
        boardKeys.row = places[i].row;
        boardKeys.col = places[i].col;
        boardKeys.clockMs = 0.0f;
        run(5);
        Vec2 c = cellCentre(places[i].col, places[i].row);
        ImageData f = frame();
        paste(strip, cropFrame(f, static_cast<int>(c.x + 400.0f) - 50, static_cast<int>(300.0f - c.y) - 50, 100, 100),
              100 * i, 0);
    }
    expectGolden(strip, "game_key_cursor_figures");
    // The whole screen once, the cursor on the last place.
    expectGolden(frame(), "game_key_cursor");
}

// A bomb's blast (100 ms in: the view shaking, the flash at its heart) and a thunder strike,
// each with calm motion off and on.
class CalmMotionGolden : public GameGolden {
protected:
    // Runs the level to rest, gives the largest group's place the bonus and clicks it; the frame
    // `ms` later.
    ImageData blast(BonusKind kind, bool calm, float ms)
    {
        app.calmMotion = calm ? 1 : 0;
        loadEffects();
        EXPECT_NE(effects.atlas, nullptr);
        run(50);
        CellPos g = largestGroup();
        EXPECT_GE(g.row, 0);
        if (g.row < 0) return frame();
        board.cells[g.row][g.col].bonus = kind;
        hover(g.row, g.col);
        run(3);
        screens.game.lButtonDown();
        EXPECT_EQ(play.movesMade, 1);
        int frames = static_cast<int>(ms / FRAME_MS);
        for (int i = 0; i < frames; i++) {
            run(1);
            // the view's shake is the same either way; only calm motion keeps it off the screen
            if (kind == BonusKind::Bomb && i == 1) {
                EXPECT_NE(board.shakeOffset.x, 0.0f);
                EXPECT_EQ(shownShake().x, calm ? 0.0f : board.shakeOffset.x);
            }
        }
        return frame();
    }
    void TearDown() override
    {
        app.calmMotion = 0;
        GameGolden::TearDown();
    }
};

TEST_F(CalmMotionGolden, BombBlastCalmMotionOff)
{
    expectGolden(blast(BonusKind::Bomb, false, 100.0f), "game_bomb_blast_calm_off");
}

TEST_F(CalmMotionGolden, BombBlastCalmMotionOn)
{
    ImageData f = blast(BonusKind::Bomb, true, 100.0f);
    EXPECT_GT(effects.calmSkipped, 0);
    EXPECT_EQ(effectStarts("bomb1_4"), 1);  // asked for, left out
    expectGolden(f, "game_bomb_blast_calm_on");
}

TEST_F(CalmMotionGolden, ThunderCalmMotionOff)
{
    expectGolden(blast(BonusKind::Thunder, false, 200.0f), "game_thunder_calm_off");
}

TEST_F(CalmMotionGolden, ThunderCalmMotionOn)
{
    ImageData f = blast(BonusKind::Thunder, true, 200.0f);
    EXPECT_GT(effects.calmSkipped, 0);
    expectGolden(f, "game_thunder_calm_on");
}

} // namespace

// The busy board (a bonus on every fourth figure, a hovered group, the debris and square pieces
// rings full, as bench_gamescreen draws it) takes at most 50 GL draw calls, and its picture is
// that of one call per draw, pixel for pixel: draws of pictures of one size and format (the
// figure strips, the tiles, the bonus marks) share a texture array and are gathered across
// pictures.
TEST_F(GameGolden, BusyBoardTakesFewCallsWithThePictureOfOneCallPerDraw)
{
    run(60);
    int n = 0;
    const BonusKind kinds[4] = {BonusKind::Bomb, BonusKind::Thunder, BonusKind::CrossBomb, BonusKind::MegaBomb};
    for (int row = 0; row < BOARD_ROWS; row++)
        for (int col = 0; col < BOARD_COLS; col++)
            if (hasFigure(row, col) && n++ % 4 == 0) board.cells[row][col].bonus = kinds[(row + col) % 4];
    hover(5, 5);
    run(2);
    while (activeDebrisCount() < DEBRIS_RING) spawnDebris(rand15() % 8, -100.0f + rand15() % 400, 0.0f, 1);
    while (activeSquarePieceCount() < SQUARE_PIECE_RING) spawnSquarePiece(-200.0f + rand15() % 400, 0.0f, 2);
    // Frames of no time at one seed draw the same board, so the pictures can be compared.
    app.frameMs = 0.0f;
    auto busyFrame = [&](bool gather) {
        gpuSetBatching(gather);
        srand15(77);
        gpuResetStats();
        run(1);
        GpuStats s = gpuStats();
        EXPECT_GE(s.submittedDraws, 900);
        return std::make_pair(s, frame());
    };
    auto [gathered, picture] = busyFrame(true);
    auto [single, ungathered] = busyFrame(false);
    auto [again, pictureAgain] = busyFrame(true);
    gpuSetBatching(true);
    EXPECT_LE(gathered.drawCalls, 50);
    EXPECT_LE(again.drawCalls, 50);
    EXPECT_EQ(single.drawCalls, single.submittedDraws);
    ASSERT_EQ(picture.pixels, pictureAgain.pixels) << "the board must stand still for the comparison";
    EXPECT_EQ(picture.pixels, ungathered.pixels);
}
