// Board drawing on the headless device: figure animation, tile pictures and highlights, marks,
// chains, square pieces, debris, bolts, the crackle of thunder carriers, the view shake and the
// loading of the board's pictures.
#include <gtest/gtest.h>

#include <cmath>

#include "board_helpers.h"
#include "core/dialogport.h"
#include "game/boardrender.h"
#include "graphics/gfx_helpers.h"
#include "ui/ui_helpers.h"

namespace {

const char* const EMPTY_ROWS[BOARD_ROWS] = {
    "------------", "------------", "------------", "------------", "------------", "------------",
    "------------", "------------", "------------", "------------", "------------"};

class BoardRender : public GraphicsTest {
protected:
    void SetUp() override
    {
        GraphicsTest::SetUp();
        resetTextState();
        resetGame();
        resetBoardRender();
        startHeadless();
        // Each picture a flat colour, so a draw can be told apart by its texture.
        ImageData strip = makePicture(64, 32, [](int, int) { return 0xFF40A0E0u; });
        for (const char* name : {"aqua", "blue", "green", "red", "orange", "lilac", "white", "yellow"})
            put(std::string("figures/") + name + ".tga", encodedTga(strip, true));
        ImageData small = makePicture(16, 16, [](int, int) { return 0xFF806040u; });
        for (const char* name : {"field/field0.tga", "field/field1.tga", "field/field2.tga", "zep2.tga", "bonus1.tga",
                                 "bonus2.tga"})
            put(name, encodedTga(small, true));
        put("flare.jpg", encodedJpeg(small));
        put("font.tga", encodedTga(testFontPicture(), true));  // the HUD's pictures come with the board's
        put("font.dat", testFontMetrics());
        put("podsvet.jpg", encodedJpeg(testGlowPicture()));
        loadBoardPictures();
        ASSERT_EQ(ExitRecorder::exits(), 0) << textureManager.lastMessage << fileTable.lastFatalText;
        drawBoard(EMPTY_ROWS);
        app.mouseX = 0;  // far left of the board: no place under the cursor
        app.mouseY = 300;
    }
    void TearDown() override
    {
        resetTextState();
        GraphicsTest::TearDown();
    }
    // Draw calls of one board frame, by texture handle.
    int drawsWith(const Texture* t)
    {
        int n = 0;
        for (int i = 0; i < gpuDrawLogCount(); i++)
            if (gpuDrawLogEntry(i)->texture == t->texture) n++;
        return n;
    }
    void frame(Color colour = Color(255, 255, 255, 255))
    {
        gpuClearDrawLog();
        ::drawBoard(colour);
    }
    void placeFigure(int row, int col, int colour)
    {
        Cell& c = at(row, col);
        c.colour = colour;
        c.sweepPending = 1;
    }
    // Points the cursor at a place's centre.
    void hoverPlace(int row, int col)
    {
        Vec2 p = cellCentre(col, row);
        app.mouseX = static_cast<int>(p.x + 400.0f);
        app.mouseY = static_cast<int>(300.0f - p.y);
    }
};

TEST_F(BoardRender, FrameRectanglesFollowTheStripLayout)
{
    Rect r = figureFrameRect(9);  // column 1, row 1 of 8 x 4
    EXPECT_FLOAT_EQ(r.left, 0.125f);
    EXPECT_FLOAT_EQ(r.top, 0.25f);
    EXPECT_FLOAT_EQ(r.right, 0.25f);
    EXPECT_FLOAT_EQ(r.bottom, 0.5f);
    Rect last = figureFrameRect(31);
    EXPECT_FLOAT_EQ(last.right, 1.0f);
    EXPECT_FLOAT_EQ(last.bottom, 1.0f);
    Rect wrapped = figureFrameRect(-1);
    EXPECT_FLOAT_EQ(wrapped.left, last.left);
    EXPECT_FLOAT_EQ(wrapped.top, last.top);
    EXPECT_STREQ(figureStripName(16), "figures\\aqua.tga");
    EXPECT_EQ(figureStripName(17), nullptr);
}

TEST_F(BoardRender, HoveredFigureCyclesAndFinishesItsCycleAfterTheCursorLeaves)
{
    Cell c{};
    app.frameMs = 10.0f;
    // Hovered for 1000 ms: the frame follows the clock and wraps after 960 ms.
    for (int i = 0; i < 100; i++) animateFigure(c, true);
    EXPECT_EQ(c.animFrame, 1);  // 1000 ms: frame 33 mod 32
    // The cursor leaves at 1000 ms: the cycle runs on until it is back at frame 0, then rests.
    int frames = 0;
    while (c.animFrame != 0 && frames < 200) {
        animateFigure(c, false);
        frames++;
    }
    EXPECT_EQ(frames, 92);  // 1920 ms is the end of the second cycle
    for (int i = 0; i < 50; i++) animateFigure(c, false);
    EXPECT_EQ(c.animFrame, 0);
    EXPECT_FLOAT_EQ(c.animClockMs, 0.0f);
}

TEST_F(BoardRender, ABriefHoverStillPlaysTheWholeCycle)
{
    Cell c{};
    app.frameMs = 30.0f;
    animateFigure(c, true);  // frame 1
    EXPECT_EQ(c.animFrame, 1);
    int seen = 1;
    for (int i = 0; i < 40 && c.animFrame != 0; i++) {
        animateFigure(c, false);
        if (c.animFrame != 0) seen++;
    }
    EXPECT_EQ(seen, 31);  // frames 1..31, then rest
}

TEST_F(BoardRender, TilesShowThePictureOfTheirValueAndAWornSquareFliesOff)
{
    at(4, 4).tile = 2;
    placeFigure(4, 4, 0);
    frame();
    EXPECT_EQ(drawsWith(boardRender.tiles[2]), 1);
    int squares = drawsWith(boardRender.tiles[1]);
    int bare = drawsWith(boardRender.tiles[0]);
    EXPECT_EQ(bare + squares + 1, BOARD_CELLS);
    at(4, 4).hit = 1;
    resolveStep();
    EXPECT_EQ(at(4, 4).tile, 1);
    ASSERT_EQ(activeSquarePieceCount(), 1);
    frame();
    // One more tile with field1, and the four quarters of the piece with field2.
    EXPECT_EQ(drawsWith(boardRender.tiles[1]), squares + 1);
    EXPECT_EQ(drawsWith(boardRender.tiles[2]), 4);
    EXPECT_EQ(drawsWith(boardRender.tiles[0]), bare);
}

TEST_F(BoardRender, SquarePiecesFadeAfter200MsAndAreFreedAfter700Ms)
{
    app.frameMs = 100.0f;
    spawnSquarePiece(0.0f, 0.0f, 1);
    const SquarePiece& p = boardRender.pieces[boardRender.nextPiece];
    EXPECT_NEAR(p.direction.length(), 1.0f, 1e-5f);
    EXPECT_LT(p.direction.x, 0.0f);  // quarter 0 (top-left) flies up and to the left
    EXPECT_GT(p.direction.y, 0.0f);
    for (int i = 0; i < 3; i++) frame();  // ages 0, 100, 200: still opaque
    const GpuVertex* v = nullptr;
    ASSERT_GT(gpuLastVertices(&v), 0);
    EXPECT_EQ(v[0].color >> 24, 255u);
    frame();  // age 300
    ASSERT_GT(gpuLastVertices(&v), 0);
    EXPECT_EQ(v[0].color >> 24, 255u - 51u);  // 255 - 100 / 500 * 255
    for (int i = 0; i < 3; i++) frame();  // ages 400..600
    EXPECT_EQ(activeSquarePieceCount(), 1);
    frame();  // drawn at 700, then older than 700
    EXPECT_EQ(activeSquarePieceCount(), 0);
}

TEST_F(BoardRender, TheSquarePieceRingOverwritesItsOldestRecord)
{
    for (int i = 0; i < SQUARE_PIECE_RING + 5; i++) spawnSquarePiece(static_cast<float>(i), 0.0f, 2);
    EXPECT_EQ(activeSquarePieceCount(), SQUARE_PIECE_RING);
    EXPECT_EQ(boardRender.nextPiece, 5);
    EXPECT_FLOAT_EQ(boardRender.pieces[5].centre.x, static_cast<float>(SQUARE_PIECE_RING + 4));
}

TEST_F(BoardRender, HoveredGroupIsLitAndTheHintWaits)
{
    placeFigure(10, 5, 2);
    placeFigure(10, 6, 2);
    placeFigure(10, 7, 3);
    hoverPlace(10, 5);
    labelGroups();
    updateHover();
    ASSERT_EQ(board.groupSize, 2);
    board.hintTimerMs = 3000.0f;
    frame();
    EXPECT_EQ(at(10, 5).highlighted, 1);
    EXPECT_EQ(at(10, 6).highlighted, 1);
    EXPECT_EQ(at(10, 7).highlighted, 0);
    EXPECT_FLOAT_EQ(board.hintTimerMs, 0.0f);
    // A glow and a halo on each member (flare), none once the level is won.
    EXPECT_EQ(drawsWith(boardRender.flare), 4);
    play.levelWon = 1;
    frame();
    EXPECT_EQ(drawsWith(boardRender.flare), 0);
}

TEST_F(BoardRender, TheIdleHintsGroupGlowsUntilTheHintEnds)
{
    placeFigure(10, 0, 2);
    placeFigure(10, 1, 2);
    placeFigure(10, 3, 4);
    placeFigure(10, 4, 4);
    labelGroups();
    board.hintGroup = at(10, 3).groupId;
    board.hintShown = 1;
    board.hintTimerMs = board.hintDelayMs + 100.0f;
    frame();
    EXPECT_EQ(drawsWith(boardRender.flare), 2);  // the two places of the hinted group only
    EXPECT_GT(board.hintTimerMs, board.hintDelayMs);  // a hint does not restart its own timer
    board.hintShown = 0;
    frame();
    EXPECT_EQ(drawsWith(boardRender.flare), 0);
}

TEST_F(BoardRender, ArmedHammerLightsOnlyThePlaceUnderTheCursor)
{
    placeFigure(10, 5, 2);
    placeFigure(10, 6, 2);
    hoverPlace(10, 6);
    labelGroups();
    updateHover();
    board.hammerArmed = 1;
    board.hintShown = 0;
    frame();
    EXPECT_EQ(board.hintShown, 1);  // no hint is chosen while the hammer is armed
    EXPECT_EQ(drawsWith(boardRender.flare), 2);
    EXPECT_EQ(at(10, 5).highlighted, 0);
}

TEST_F(BoardRender, MarksByBonusKindAndNoneWhilePaused)
{
    placeFigure(2, 2, 1);
    frame();
    int plain = gpuDrawLogCount();
    at(2, 2).bonus = BonusKind::DiagonalBomb;
    frame();
    EXPECT_EQ(gpuDrawLogCount(), plain);  // a diagonal bomb looks like a plain figure
    at(2, 2).bonus = BonusKind::CrossBomb;
    frame();
    EXPECT_EQ(drawsWith(boardRender.crossMark), 1);
    at(2, 2).bonus = BonusKind::MegaBomb;
    frame();
    EXPECT_EQ(drawsWith(boardRender.megaMark), 1);
    EXPECT_EQ(drawsWith(boardRender.crossMark), 0);
    at(2, 2).bonus = BonusKind::Bomb;
    board.boardClockMs = 0.0f;
    frame();
    EXPECT_EQ(drawsWith(boardRender.flare), 10);  // five lights, each twice
    play.paused = 1;
    frame();
    EXPECT_EQ(drawsWith(boardRender.flare), 0);
}

TEST_F(BoardRender, ANewBonusHasARingOfSixteenSparksInItsLabelsFirstSecond)
{
    placeFigure(4, 4, 2);
    Cell& c = at(4, 4);
    for (BonusKind kind : {BonusKind::Bomb, BonusKind::Thunder, BonusKind::MegaBomb}) {
        c.bonus = kind;
        c.bonusTimer = 1900.0f;
        int before = effects.flareRequests;
        frame();
        EXPECT_EQ(effects.flareRequests - before, 16) << static_cast<int>(kind);
        c.bonusTimer = 1001.0f;
        before = effects.flareRequests;
        frame();
        EXPECT_EQ(effects.flareRequests - before, 16) << static_cast<int>(kind);
        c.bonusTimer = 1000.0f;  // the label's second half: no ring
        before = effects.flareRequests;
        frame();
        EXPECT_EQ(effects.flareRequests - before, 0) << static_cast<int>(kind);
    }
    // Cross and diagonal bombs have no label and no ring.
    for (BonusKind kind : {BonusKind::CrossBomb, BonusKind::DiagonalBomb}) {
        c.bonus = kind;
        c.bonusTimer = 1900.0f;
        int before = effects.flareRequests;
        frame();
        EXPECT_EQ(effects.flareRequests - before, 0) << static_cast<int>(kind);
    }
}

TEST_F(BoardRender, ThunderCarriersCrackleWithEightBolts)
{
    placeFigure(3, 3, 4);
    at(3, 3).bonus = BonusKind::Thunder;
    frame();  // the crackle timers run out and draw new end points after the bolts are queued
    drawBolts();
    frame();
    drawBolts();
    frame();
    EXPECT_EQ(boardRender.boltCount, 8);
    for (const Crackle& k : boardRender.crackles) {
        EXPECT_GE(k.timerMs, 2000.0f - app.frameMs);
        EXPECT_LE(k.timerMs, 3500.0f);
        EXPECT_GE(k.from.x, 0.0f);
        EXPECT_LE(k.from.x, 25.0f);
    }
    // Bolt ends are the figure's centre plus the crackle's end points.
    Vec2 c = cellCentre(3, 3);
    EXPECT_FLOAT_EQ(boardRender.bolts[0].points[0].x, c.x + boardRender.crackles[0].from.x);
    drawBolts();
    EXPECT_EQ(boardRender.boltCount, 0);
}

TEST_F(BoardRender, RunningThunderQueuesABoltToEveryLivingEnd)
{
    board.nextBoltSet = 1;
    BoltEntry* set = board.boltSets[0];
    set[0].active = 1;
    set[0].centre = Vec2{0.0f, 0.0f};
    set[1] = BoltEntry{1, {}, Vec2{100.0f, 0.0f}, Color(), 400.0f};
    set[2] = BoltEntry{1, {}, Vec2{0.0f, 100.0f}, Color(), 0.0f};  // burnt out
    board.blasts[0].kind = BonusKind::Thunder;
    board.blasts[0].started = 0;
    frame();
    EXPECT_EQ(boardRender.boltCount, 0);  // not started yet
    drawBolts();
    board.blasts[0].started = 1;
    frame();
    ASSERT_EQ(boardRender.boltCount, 1);
    const QueuedBolt& b = boardRender.bolts[0];
    EXPECT_EQ(b.pointCount, 5);  // 100 / 25 + 1
    EXPECT_EQ(b.coreColour.a, 125);  // 400 / 800 * 250
    EXPECT_EQ(b.glowColour.b, 255);
}

TEST_F(BoardRender, BoltPointsStayNearTheLineAndTheQueueIsBounded)
{
    srand15(7);
    queueBolt(Vec2{-100.0f, 0.0f}, Vec2{100.0f, 0.0f}, 10.0f, 1.0f, 5.0f, 3.0f, Color(), Color());
    const QueuedBolt& b = boardRender.bolts[0];
    ASSERT_EQ(b.pointCount, 21);
    EXPECT_FLOAT_EQ(b.points[0].x, -100.0f);
    EXPECT_FLOAT_EQ(b.points[20].x, 100.0f);
    for (int i = 1; i < 20; i++) {
        float dx = b.points[i].x - (-100.0f + 10.0f * static_cast<float>(i));
        EXPECT_LE(std::sqrt(dx * dx + b.points[i].y * b.points[i].y), 3.0f + 1e-4f) << i;
    }
    // A long bolt is cut into at most 99 points; a zero-length one still has its two ends.
    queueBolt(Vec2{0.0f, 0.0f}, Vec2{1000.0f, 0.0f}, 1.0f, 1.0f, 1.0f, 0.0f, Color(), Color());
    EXPECT_EQ(boardRender.bolts[1].pointCount, BOLT_MAX_POINTS);
    EXPECT_FLOAT_EQ(boardRender.bolts[1].points[BOLT_MAX_POINTS - 1].x, 1000.0f);
    queueBolt(Vec2{5.0f, 5.0f}, Vec2{5.0f, 5.0f}, 0.0f, 1.0f, 1.0f, 2.0f, Color(), Color());
    EXPECT_EQ(boardRender.bolts[2].pointCount, 2);
    for (int i = 3; i < BOLT_QUEUE_SIZE + 10; i++)
        queueBolt(Vec2{}, Vec2{10.0f, 0.0f}, 5.0f, 1.0f, 1.0f, 1.0f, Color(), Color());
    EXPECT_EQ(boardRender.boltCount, BOLT_QUEUE_SIZE);
    EXPECT_EQ(boardRender.droppedBolts, 10);
    drawBolts();
    EXPECT_EQ(boardRender.boltCount, 0);
}

TEST_F(BoardRender, DebrisRisesFallsAndLeavesTheScreen)
{
    srand15(3);
    spawnDebris(2, 0.0f, 0.0f, 1);
    const Debris& d = boardRender.debris[0];
    EXPECT_EQ(d.colourPlusOne, 3);
    EXPECT_GE(d.velocity.x, 0.0f);
    EXPECT_LE(d.velocity.x, 0.6f);
    EXPECT_GE(d.velocity.y, 0.6f);
    EXPECT_LE(d.velocity.y, 0.9f);
    float vy = d.velocity.y;
    app.frameMs = 10.0f;
    updateDebris();
    EXPECT_NEAR(d.velocity.y, vy - 0.02f, 1e-6f);
    EXPECT_NEAR(d.position.y, (vy - 0.02f) * 10.0f, 1e-4f);
    EXPECT_EQ(d.frame, 0);
    updateDebris();
    updateDebris();  // 30 ms: the next frame
    EXPECT_EQ(d.frame, 1);
    dialogPort.open = 1;
    updateDebris();
    EXPECT_EQ(d.frame, 0);  // held while a dialog is open
    dialogPort.open = 0;
    // It falls below the screen within a few seconds and frees its slot.
    for (int i = 0; i < 400 && activeDebrisCount() > 0; i++) updateDebris();
    EXPECT_EQ(activeDebrisCount(), 0);
    EXPECT_LT(d.position.y, -300.0f);
}

TEST_F(BoardRender, DebrisDrawsTheFigureOfItsColourAndSkipsUnknownColours)
{
    spawnDebris(1, 0.0f, 0.0f, 1);
    spawnDebris(40, 0.0f, 0.0f, 1);  // no picture for this colour: nothing drawn, no crash
    gpuClearDrawLog();
    drawDebris();
    EXPECT_EQ(gpuDrawLogCount(), 1);
    EXPECT_EQ(gpuDrawLogEntry(0)->texture, boardRender.figures[1]->texture);
}

TEST_F(BoardRender, TheShakeMovesTheBoardViewAndTheStandardViewReturns)
{
    board.shakeOffset = Vec2{3.0f, -2.0f};
    beginBoardView();
    Matrix v = getTransform(GpuTransform::View);
    EXPECT_FLOAT_EQ(v.m[3][0], 3.0f);
    EXPECT_FLOAT_EQ(v.m[3][1], -2.0f);
    EXPECT_FLOAT_EQ(v.m[3][2], 120.0f);
    endBoardView();
    Matrix identity;
    Matrix after = getTransform(GpuTransform::View);
    for (int r = 0; r < 4; r++)
        for (int c = 0; c < 4; c++) EXPECT_FLOAT_EQ(after.m[r][c], identity.m[r][c]);
}

TEST_F(BoardRender, FiguresAreDrawnOnlyWhileTheSweepHasNotReachedThem)
{
    placeFigure(6, 6, 5);
    frame();
    EXPECT_EQ(drawsWith(boardRender.figures[5]), 1);
    at(6, 6).sweepPending = 0;
    frame();
    EXPECT_EQ(drawsWith(boardRender.figures[5]), 0);
}

TEST_F(BoardRender, AMissingBoardPictureIsFatalWithItsName)
{
    releaseAllTextures();
    resetTextState();
    resetFileTable();
    fileTable.exitHook = ExitRecorder::hook;
    ExitRecorder::exits() = 0;
    std::filesystem::remove(dir + "/zep2.tga");
    resetBoardRender();
    loadBoardPictures();
    EXPECT_EQ(ExitRecorder::exits(), 1);
    EXPECT_STREQ(textureManager.lastMessage, "Couldn't load texture: zep2.tga");
    EXPECT_EQ(boardRender.chain, nullptr);
}

} // namespace
