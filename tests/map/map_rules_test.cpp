// The adventure map's rules without pictures: the path file and pathPointAt, the stage and
// level rules, entering the map, the traveller, the ring, the completion animation with its
// sparks and the artefact screen, clicks, the start item and the congratulation.
#include "map_helpers.h"

#include "platform/os/files.h"

#include <filesystem>
#include <fstream>
#include <string>

namespace {

TEST(MapPath, ReadsPointsShiftedAndRefusesDamage)
{
    MapPath& path = mapState.path;
    std::vector<uint8_t> good = splineBytes(3, 40.0f, [](int i) { return Vec2{10.0f * i, 5.0f}; });
    EXPECT_EQ(parseMapPath(good.data(), int32_t(good.size()), path), MapPathStatus::Ok);
    EXPECT_EQ(path.count, 3);
    EXPECT_FLOAT_EQ(path.length, 40.0f);
    EXPECT_FLOAT_EQ(path.points[2].x, 20.0f);
    EXPECT_FLOAT_EQ(path.points[2].y, 35.0f);  // shifted by 30

    // The 40 spare bytes may be missing, the points may not.
    std::vector<uint8_t> cut(good.begin(), good.end() - 41);
    EXPECT_EQ(parseMapPath(cut.data(), int32_t(cut.size()), path), MapPathStatus::TooLong);
    EXPECT_EQ(path.count, 0);
    std::vector<uint8_t> noSpare(good.begin(), good.end() - 40);
    EXPECT_EQ(parseMapPath(noSpare.data(), int32_t(noSpare.size()), path), MapPathStatus::Ok);

    EXPECT_EQ(parseMapPath(good.data(), 7, path), MapPathStatus::TooShort);
    EXPECT_EQ(parseMapPath(nullptr, 0, path), MapPathStatus::Missing);
    std::vector<uint8_t> huge = good;
    huge[3] = 0x7F;  // count 2 billion
    EXPECT_EQ(parseMapPath(huge.data(), int32_t(huge.size()), path), MapPathStatus::BadCount);
    std::vector<uint8_t> negative = good;
    negative[3] = 0xFF;
    EXPECT_EQ(parseMapPath(negative.data(), int32_t(negative.size()), path), MapPathStatus::BadCount);
    EXPECT_EQ(parseMapPath(splineBytes(3, 1000.0f, [](int) { return Vec2{}; }).data(), 72, path),
              MapPathStatus::BadLength);
    std::vector<uint8_t> nan = splineBytes(3, 40.0f, [](int i) { return Vec2{i == 1 ? NAN : 0.0f, 0.0f}; });
    EXPECT_EQ(parseMapPath(nan.data(), int32_t(nan.size()), path), MapPathStatus::BadPoint);
    EXPECT_EQ(path.count, 0);
}

TEST(MapPath, PointAtEndsAndBetweenPoints)
{
    resetMap();
    std::vector<uint8_t> bytes = splineBytes(3, 40.0f, [](int i) { return Vec2{20.0f * i, 100.0f + 10.0f * i}; });
    ASSERT_EQ(parseMapPath(bytes.data(), int32_t(bytes.size()), mapState.path), MapPathStatus::Ok);
    Vec2 p = pathPointAt(10.0f);
    EXPECT_FLOAT_EQ(p.x, 10.0f);
    EXPECT_FLOAT_EQ(p.y, 135.0f);
    p = pathPointAt(35.0f);
    EXPECT_FLOAT_EQ(p.x, 35.0f);
    EXPECT_FLOAT_EQ(p.y, 147.5f);
    p = pathPointAt(40.0f);  // the end itself: the last point
    EXPECT_FLOAT_EQ(p.x, 40.0f);
    EXPECT_FLOAT_EQ(p.y, 150.0f);
    p = pathPointAt(40.5f);
    EXPECT_FLOAT_EQ(p.x, -1000.0f);
    EXPECT_FLOAT_EQ(p.y, 0.0f);
    p = pathPointAt(-0.5f);
    EXPECT_FLOAT_EQ(p.x, 1000.0f);
    EXPECT_FLOAT_EQ(p.y, 0.0f);
}

TEST_F(MapTest, StagePointsAndLevelPointsFollowThePath)
{
    // Straight path along x at y = 530 (500 + 30), 2800 long.
    EXPECT_EQ(mapState.stageCount, 15);
    EXPECT_FLOAT_EQ(mapState.stageArc[0], 0.0f);
    EXPECT_FLOAT_EQ(mapState.stageArc[7], 1400.0f);
    EXPECT_FLOAT_EQ(mapState.stageArc[14], 2800.0f);
    const float step = 2800.0f / 129.0f;
    EXPECT_NEAR(mapState.stageBoundary[1].x, 4 * step, 1e-3);
    EXPECT_NEAR(mapState.stageBoundary[15].x, 2800.0f - 0.1f, 1e-3);
    // Stage 0: four slots of (4 step - 32) / 4 after a margin of 19.2.
    const float slot = (4 * step - 32.0f) / 4.0f;
    EXPECT_NEAR(mapState.levelPoint[0].x, 19.2f + 0.5f * slot, 1e-3);
    EXPECT_NEAR(mapState.levelPoint[3].x, 19.2f + 3.5f * slot, 1e-3);
    EXPECT_NEAR(mapState.levelPoint[128].y, 530.0f, 1e-3);
    EXPECT_NEAR(mapState.levelDirection[60].x, 1.0f, 1e-3);
    for (int i = 1; i < MAP_LEVEL_COUNT; ++i) EXPECT_GT(mapState.levelPoint[i].x, mapState.levelPoint[i - 1].x);
}

TEST_F(MapTest, FurthestLevelTenOpensStageTwoOnly)
{
    setProfileLevel(10);
    enterMap(-1, false);
    for (int i = 0; i < MAP_LEVEL_COUNT; ++i) EXPECT_EQ(mapState.levelDone[i], i < 10 ? 1 : 0) << i;
    EXPECT_TRUE(stageComplete(0));
    EXPECT_TRUE(stageComplete(1));
    EXPECT_TRUE(stageOpen(2));
    EXPECT_FALSE(stageComplete(2));
    EXPECT_FALSE(stageOpen(3));
    EXPECT_EQ(stageOfLevel(9), 2);
    EXPECT_EQ(stageOfLevel(8), 1);
    EXPECT_EQ(firstLevelOfStage(2), 9);
    EXPECT_EQ(mapState.selectedLevel, 10);
    EXPECT_EQ(mapState.currentStage, 2);
    // 400 ahead: the traveller walks there.
    EXPECT_FLOAT_EQ(mapState.travellerArc, 0.0f);
    EXPECT_FLOAT_EQ(mapState.targetArc, mapState.stageArc[2]);
    EXPECT_FLOAT_EQ(mapState.ringTimer, RING_START_MS);
    // More than 600 away it jumps, and so it does to a stage behind it.
    setProfileLevel(40);
    enterMap(-1, false);
    EXPECT_EQ(mapState.currentStage, 6);
    EXPECT_FLOAT_EQ(mapState.travellerArc, mapState.stageArc[6]);
    setProfileLevel(5);
    enterMap(-1, false);
    EXPECT_FLOAT_EQ(mapState.travellerArc, mapState.stageArc[1]);
}

TEST_F(MapTest, LevelMarksCanBeChosenOnlyAfterTheirPredecessor)
{
    setProfileLevel(11);
    enterMap(-1, false);
    EXPECT_TRUE(levelSelectable(9));
    EXPECT_TRUE(levelSelectable(11));   // level 10 is done
    EXPECT_FALSE(levelSelectable(12));  // level 11 is not
    EXPECT_FALSE(levelSelectable(0));   // another stage
    settleRing();
    pointAt(ringMarkPosition(12));
    EXPECT_FALSE(mapClick());
    EXPECT_EQ(mapState.selectedLevel, 11);
    pointAt(ringMarkPosition(10));
    EXPECT_TRUE(mapClick());
    EXPECT_EQ(mapState.selectedLevel, 10);
    EXPECT_EQ(queuedSounds("map1.ogg"), 1);
    EXPECT_EQ(starts("map02"), 1);
    // The selected mark again: nothing.
    EXPECT_FALSE(mapClick());
    EXPECT_EQ(queuedSounds("map1.ogg"), 1);
}

TEST_F(MapTest, ClickingACompleteStageSelectsItsFirstLevel)
{
    setProfileLevel(24);
    enterMap(-1, false);
    ASSERT_EQ(mapState.currentStage, 4);
    // Stage 3 is on screen next to stage 4 (200 apart on a straight path).
    pointAt(mapToScreen(pathPointAt(mapState.stageArc[3])));
    EXPECT_TRUE(mapClick());
    EXPECT_EQ(mapState.currentStage, 3);
    EXPECT_EQ(mapState.selectedLevel, firstLevelOfStage(3));
    EXPECT_FLOAT_EQ(mapState.targetArc, mapState.stageArc[3]);
    EXPECT_FLOAT_EQ(mapState.ringTimer, RING_START_MS);
    EXPECT_EQ(queuedSounds("map5.ogg"), 1);
    // Back to stage 4: its first level not done is 24.
    pointAt(mapToScreen(pathPointAt(mapState.stageArc[4])));
    EXPECT_TRUE(mapClick());
    EXPECT_EQ(mapState.selectedLevel, 24);
    // A closed stage does not answer.
    pointAt(mapToScreen(pathPointAt(mapState.stageArc[5])));
    EXPECT_FALSE(mapClick());
    EXPECT_EQ(mapState.currentStage, 4);
}

TEST_F(MapTest, TravellerSpeedsUpWithDistanceAndBurstsOnArrival)
{
    setProfileLevel(0);
    enterMap(-1, false);
    mapState.travellerArc = 0.0f;
    mapState.targetArc = 500.0f;
    updateMap(10.0f);  // 500 away: 0.15 + 0.2 = 0.35 per ms
    EXPECT_NEAR(mapState.travellerArc, 3.5f, 1e-4);
    EXPECT_FLOAT_EQ(mapState.ringTimer, RING_START_MS);  // held while more than 200 away
    mapState.travellerArc = 0.0f;
    mapState.targetArc = 2000.0f;
    updateMap(10.0f);  // capped at 0.6 per ms
    EXPECT_NEAR(mapState.travellerArc, 6.0f, 1e-4);
    mapState.travellerArc = 1860.0f;  // 140 away: 0.15 per ms
    updateMap(100.0f);
    EXPECT_NEAR(mapState.travellerArc, 1875.0f, 1e-3);
    EXPECT_EQ(queuedSounds("map9.ogg"), 1);  // came within 130
    EXPECT_LT(mapState.ringTimer, RING_START_MS);          // no longer held
    EXPECT_EQ(liveBursts(), 0);
    for (int i = 0; i < 20; ++i) updateMap(100.0f);
    EXPECT_FLOAT_EQ(mapState.travellerArc, 2000.0f);
    EXPECT_EQ(liveBursts(), 1);  // once, on arrival, at the traveller
    Vec2 at = mapToScreen(pathPointAt(2000.0f));
    EXPECT_FLOAT_EQ(effects.bursts[effects.lastBurst].position.x, at.x);
    EXPECT_FLOAT_EQ(effects.bursts[effects.lastBurst].position.y, at.y);
    EXPECT_EQ(queuedSounds("map9.ogg"), 1);
}

TEST_F(MapTest, RingMarksFlyInOneAfterAnother)
{
    setProfileLevel(0);
    enterMap(-1, false);
    const Vec2 centre = mapToScreen(pathPointAt(mapState.stageArc[0]));
    auto radius = [&](int level) { return ringMarkPosition(level).sub(centre).length(); };
    // 2000 ms: mark j waits (n - j) * 80 ms; of four marks the last is nearest.
    EXPECT_NEAR(radius(0), 44.0f * (1.0f + (2000.0f - 320.0f) / 100.0f), 0.1f);
    EXPECT_NEAR(radius(3), 44.0f * (1.0f + (2000.0f - 80.0f) / 100.0f), 0.1f);
    for (int i = 0; i < 95; ++i) updateMap(20.0f);  // 1900 ms
    EXPECT_NEAR(mapState.ringTimer, 100.0f, 1e-2);
    EXPECT_NEAR(radius(3), 44.0f * (1.0f + 20.0f / 100.0f), 0.05f);
    EXPECT_NEAR(radius(0), 44.0f, 0.05f);  // already home
    for (int i = 0; i < 10; ++i) updateMap(20.0f);
    EXPECT_FLOAT_EQ(mapState.ringTimer, -1.0f);
    EXPECT_NEAR(radius(2), 44.0f, 0.05f);
    // Mark j stands at angle j * 360 / n.
    Vec2 d = ringMarkPosition(1).sub(centre);
    EXPECT_NEAR(d.x, 0.0f, 0.05f);
    EXPECT_NEAR(d.y, 44.0f, 0.05f);
}

TEST_F(MapTest, FirstCompletionSendsSparksThenRevealsThePiece)
{
    // Level 1 of stage 0 was just won for the first time: the progress points at level 2.
    setProfileLevel(2);
    enterMap(1, false);
    EXPECT_EQ(mapState.selectedLevel, 2);  // "start" goes on with the game
    EXPECT_EQ(startMapLevel(), MapStart::Continue);
    EXPECT_EQ(mapState.replay, 0);
    EXPECT_FLOAT_EQ(mapState.completionTimer, COMPLETION_START_MS);
    const StagePicture& sp = stagePictures.picture;
    EXPECT_EQ(sp.coverStep, 5);  // 2 of 4 done
    EXPECT_EQ(sp.coverStepBefore, 2);
    EXPECT_EQ(sp.pieceCount, 3);
    EXPECT_EQ(sp.due, 1);
    run(50, 20.0f);  // 1000 ms: the timer passes 4000
    EXPECT_EQ(starts("map02"), 1);
    EXPECT_EQ(queuedSounds("map3.ogg"), 1);
    EXPECT_EQ(queuedSounds("map2.ogg"), 0);
    int flying = 0;
    for (const MapSpark& k : mapState.sparks) flying += k.active;
    EXPECT_EQ(flying, 3);
    EXPECT_EQ(queuedSounds("map4.ogg"), 0);
    run(50, 20.0f);  // the first spark lands after 900 ms
    EXPECT_EQ(queuedSounds("map4.ogg"), 1);
    EXPECT_EQ(sp.reveal, 1);
    EXPECT_EQ(sp.due, 0);
    run(200, 20.0f);  // the stage is not complete: no artefact screen; the timer ends
    EXPECT_FALSE(artefactPanelOpen());
    EXPECT_FLOAT_EQ(mapState.completionTimer, -1.0f);
    EXPECT_EQ(mapState.currentStage, 0);  // the next level is in the same stage
    EXPECT_EQ(queuedSounds("map8.ogg"), 0);
    EXPECT_EQ(sp.reveal, 0);  // the blink lasts 5 pi / 0.007 ms
}

TEST_F(MapTest, ReplayBurstsAndShortensTheTimer)
{
    // Level 10 played again (the player had reached 14) and won: the progress points at 11.
    setProfileLevel(14);
    setProfileLevel(11);
    enterMap(10, false);
    EXPECT_EQ(mapState.replay, 1);
    EXPECT_EQ(stagePictures.picture.due, 0);
    run(51, 20.0f);
    EXPECT_EQ(queuedSounds("map2.ogg"), 1);
    EXPECT_EQ(queuedSounds("map3.ogg"), 0);
    EXPECT_NEAR(mapState.completionTimer, 500.0f - 20.0f, 1e-3);
    run(24, 20.0f);
    EXPECT_FLOAT_EQ(mapState.completionTimer, -1.0f);
    // Level 11 lies in the same stage: the traveller stays, no artefact screen (stage 2 is not
    // complete), and the only burst was the mark's.
    EXPECT_EQ(mapState.currentStage, 2);
    EXPECT_FALSE(artefactPanelOpen());
    EXPECT_EQ(queuedSounds("map8.ogg"), 0);
    EXPECT_EQ(starts("map02"), 1);
}

TEST_F(MapTest, CompletingAStageOpensTheArtefactScreenAndStopsTheMap)
{
    setProfileLevel(4);  // level 3, the last of stage 0, was just won
    enterMap(3, false);
    run(244, 20.0f);
    EXPECT_FALSE(artefactPanelOpen());
    run(1, 20.0f);  // 4900 ms: the timer reaches 100
    ASSERT_TRUE(artefactPanelOpen());
    EXPECT_FLOAT_EQ(mapState.completionTimer, 99.0f);
    EXPECT_EQ(queuedSounds("map6.ogg"), 1);
    EXPECT_EQ(stagePictures.panel.stage, 0);
    // The map stands still while the screen is open.
    mapState.targetArc = mapState.travellerArc + 100.0f;
    float before = mapState.travellerArc, glow = mapState.glowPhase;
    run(100, 20.0f);
    EXPECT_FLOAT_EQ(mapState.travellerArc, before);
    EXPECT_FLOAT_EQ(mapState.glowPhase, glow);
    EXPECT_FLOAT_EQ(mapState.completionTimer, 99.0f);
    EXPECT_EQ(stagePictures.panel.state, 2);
    EXPECT_TRUE(mapBlocksInput());
    pointAt(Vec2{0.0f, -220.0f});
    EXPECT_TRUE(mapClick());
    EXPECT_EQ(stagePictures.panel.state, 3);
    EXPECT_EQ(queuedSounds("map7.ogg"), 1);
    run(70, 20.0f);  // 300 + 1000 ms and closed
    EXPECT_FALSE(artefactPanelOpen());
    run(10, 20.0f);  // the timer runs on: the traveller goes to stage 1
    EXPECT_EQ(mapState.currentStage, 1);
    EXPECT_EQ(queuedSounds("map8.ogg"), 1);
    EXPECT_EQ(stagePictures.picture.stage, 1);
    EXPECT_FLOAT_EQ(stagePictures.picture.progress, 0.0f);
}

TEST_F(MapTest, StartItemContinuesStartsOrAsks)
{
    setProfileLevel(12);
    setProfileScore(0);
    setProfileLives(0);
    enterMap(-1, false);
    EXPECT_EQ(startMapLevel(), MapStart::Continue);
    EXPECT_EQ(profileLives(), 3);  // no score: three lives

    setProfileLives(1);
    setProfileScore(900);
    EXPECT_EQ(startMapLevel(), MapStart::Continue);
    EXPECT_EQ(profileLives(), 1);  // a game in progress keeps its lives

    mapState.selectedLevel = 10;
    EXPECT_EQ(startMapLevel(), MapStart::AskZeroScore);
    EXPECT_EQ(profileLevel(), 12);  // nothing changes before the answer
    mapConfirmNewGame();
    EXPECT_EQ(profileLevel(), 10);
    EXPECT_EQ(profileScore(), 0);
    EXPECT_EQ(profileLives(), 3);
    EXPECT_EQ(profileBestLevel(), 12);

    mapState.selectedLevel = 9;
    EXPECT_EQ(startMapLevel(), MapStart::NewGame);
    EXPECT_EQ(profileLevel(), 9);
}

TEST_F(MapTest, GameCompletedShowsTheCongratulationAfterTheStageScreen)
{
    int calls = 0;
    static int* counter;
    counter = &calls;
    mapState.onCongratulationDone = [] { ++*counter; };
    setProfileLevel(128);
    setProfileLevel(0);  // after the last level the progress returns to 0
    enterMap(128, true);
    EXPECT_TRUE(stageComplete(14));
    EXPECT_EQ(startMapLevel(), MapStart::None);
    run(250, 20.0f);
    ASSERT_TRUE(artefactPanelOpen());
    run(100, 20.0f);
    pointAt(Vec2{0.0f, -220.0f});
    mapClick();
    run(70, 20.0f);
    EXPECT_FALSE(artefactPanelOpen());
    EXPECT_EQ(mapState.congratState, 0);
    EXPECT_EQ(mapState.frozen, 1);
    EXPECT_EQ(mapState.currentStage, 14);  // frozen: the traveller does not leave
    run(30, 20.0f);
    EXPECT_EQ(mapState.congratState, 1);
    pointAt(Vec2{0.0f, 300.0f});
    EXPECT_TRUE(mapClick());  // taken, but only the button acts
    EXPECT_EQ(mapState.congratState, 1);
    pointAt(Vec2{10.0f, -150.0f});
    EXPECT_TRUE(mapClick());
    EXPECT_EQ(mapState.congratState, 2);
    run(24, 20.0f);
    EXPECT_EQ(calls, 0);
    run(2, 20.0f);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(mapState.congratState, -1);
    EXPECT_EQ(mapState.gameComplete, 0);
    EXPECT_EQ(mapState.selectedLevel, 0);
    EXPECT_EQ(requestedTrack(), 0);
    mapState.onCongratulationDone = nullptr;
}

TEST_F(MapTest, UnlockCodeCountsLevelsUpTo127AsDone)
{
    setProfileLevel(3);
    enterMap(-1, false);
    mapState.unlocked = 1;
    updateMap(20.0f);
    EXPECT_TRUE(stageComplete(13));
    EXPECT_TRUE(stageOpen(14));
    EXPECT_FALSE(stageComplete(14));
    EXPECT_EQ(mapState.levelDone[127], 1);
    EXPECT_EQ(mapState.levelDone[128], 0);
}

TEST(StagePicture, CoverStepsFollowTheDoneLevels)
{
    resetStagePictures();
    setStageProgress(0, 1, 4);
    const StagePicture& p = stagePictures.picture;
    EXPECT_EQ(p.coverStep, 2);
    EXPECT_EQ(coverForStep(p.coverStep), 3);
    EXPECT_EQ(p.coverStepBefore, 0);
    EXPECT_EQ(p.pieceCount, 2);
    EXPECT_FLOAT_EQ(p.piecePoints[1].x, 256.0f + 55.0f);
    EXPECT_FLOAT_EQ(p.piecePoints[1].y, 156.0f + 95.0f);
    setStageProgress(0, 4, 4);
    EXPECT_EQ(p.coverStep, 10);
    EXPECT_EQ(coverForStep(p.coverStep), 0);  // no cover
    EXPECT_EQ(p.coverStepBefore, 7);
    EXPECT_EQ(p.pieceCount, 3);
    setStageProgress(20, 0, 10);
    EXPECT_EQ(p.stage, 14);
    EXPECT_EQ(p.coverStep, 0);
    EXPECT_EQ(coverForStep(0), 1);  // the whole cover
    EXPECT_FLOAT_EQ(p.progressBefore, 0.0f);
    setStageProgress(3, 9, 7);  // more done than levels: clamped
    EXPECT_FLOAT_EQ(p.progress, 1.0f);
}

TEST(StagePicture, RevealAndDueTimersEnd)
{
    resetStagePictures();
    setStageProgress(2, 3, 6);
    startDue();
    updateStagePicture(9990.0f);
    EXPECT_EQ(stagePictures.picture.due, 1);
    updateStagePicture(20.0f);
    EXPECT_EQ(stagePictures.picture.due, 0);
    startDue();
    startReveal();
    EXPECT_EQ(stagePictures.picture.due, 0);
    updateStagePicture(2240.0f);
    EXPECT_EQ(stagePictures.picture.reveal, 1);
    updateStagePicture(10.0f);  // 0.007 * 2250 > 5 pi
    EXPECT_EQ(stagePictures.picture.reveal, 0);
}

TEST(ArtefactPanel, StatesMoveOnByTheirLengthsAndOkGrows)
{
    resetStagePictures();
    openArtefactPanel(30, Vec2{-100.0f, 50.0f});
    EXPECT_EQ(stagePictures.panel.stage, 14);
    Vec2 c;
    float s;
    updateArtefactPanel(500.0f);
    artefactPictureAt(&c, &s);
    EXPECT_FLOAT_EQ(s, 293.0f);  // half way from 256 to 330
    EXPECT_FLOAT_EQ(c.x, 128.0f);
    EXPECT_FLOAT_EQ(c.y, 128.0f);
    updateArtefactPanel(501.0f);
    EXPECT_EQ(stagePictures.panel.state, 1);
    updateArtefactPanel(250.0f);
    EXPECT_FLOAT_EQ(artefactPanelHeight(), 280.0f);
    EXPECT_FALSE(artefactPanelClick(Vec2{0.0f, -220.0f}));  // no button yet
    updateArtefactPanel(251.0f);
    EXPECT_EQ(stagePictures.panel.state, 2);
    updateArtefactPanel(300.0f);
    Rect ok = artefactOkArea();
    EXPECT_FLOAT_EQ(ok.width(), 80.0f);
    EXPECT_FLOAT_EQ(ok.height(), 28.0f);
    updateArtefactPanel(100000.0f);  // waits for "ok"
    EXPECT_EQ(stagePictures.panel.state, 2);
    EXPECT_FLOAT_EQ(artefactOkArea().width(), 160.0f);
    EXPECT_FALSE(artefactPanelClick(Vec2{0.0f, -260.0f}));
    EXPECT_TRUE(artefactPanelClick(Vec2{79.0f, -200.0f}));
    EXPECT_EQ(stagePictures.panel.state, 3);
    updateArtefactPanel(150.0f);
    EXPECT_FLOAT_EQ(artefactPanelHeight(), 280.0f);
    EXPECT_FALSE(updateArtefactPanel(151.0f));
    EXPECT_EQ(stagePictures.panel.state, 4);
    updateArtefactPanel(500.0f);
    artefactPictureAt(&c, &s);
    EXPECT_FLOAT_EQ(s, 165.0f);
    EXPECT_FLOAT_EQ(c.x, -50.0f);
    EXPECT_FLOAT_EQ(c.y, 75.0f);
    EXPECT_TRUE(updateArtefactPanel(501.0f));
    EXPECT_EQ(stagePictures.panel.state, -1);
    EXPECT_FALSE(artefactPanelOpen());
}

TEST(MapMiniature, ReadsTheGridLikeTheLevelReader)
{
    const char text[] = "figures=5\r\nlevel=\r\n..012A\r\nQa\x01q\xC0\xD0z\r\n\r\nrest";
    LevelMiniature mini{};
    parseMiniature(text, int32_t(sizeof text - 1), mini);
    EXPECT_EQ(mini.places[0][0], MiniHole);
    EXPECT_EQ(mini.places[0][2], MiniBare);
    EXPECT_EQ(mini.places[0][3], MiniSquare);
    EXPECT_EQ(mini.places[0][4], MiniDual);
    EXPECT_EQ(mini.places[0][5], MiniFixed);
    EXPECT_EQ(mini.colours[0][5], 0);
    EXPECT_EQ(mini.places[0][6], MiniFixed);  // 'Q': a bomb of colour 0
    EXPECT_EQ(mini.colours[0][7], 0);         // 'a'
    EXPECT_EQ(mini.colours[0][8], 0);         // 'q' (the control byte is skipped)
    EXPECT_EQ(mini.colours[0][11], 9);        // 'z'
    EXPECT_EQ(mini.places[1][0], MiniBare);   // the blank line ends the grid
    // A text cut in the middle of the key reads as an empty grid.
    parseMiniature(text, 14, mini);
    EXPECT_EQ(mini.places[0][0], MiniBare);
}

TEST_F(MapTest, TheMiniatureOfLevelNIsReadFromTheFileNumberedNPlusOne)
{
    // Level files are numbered from 1, as the game's level reader names them.
    std::filesystem::path dir = std::filesystem::path(OSTRIMAR_BINARY_DIR) / "map-miniature-test";
    std::filesystem::create_directories(dir / "levels");
    std::ofstream(dir / "levels" / "pack1_01.lvl", std::ios::binary) << "figures=5\r\nlevel=\r\n1\r\n";
    std::string previous = osGetCurrentDirectory();
    ASSERT_TRUE(osSetCurrentDirectory(dir.string().c_str()));
    levelMiniature.level = -1;
    EXPECT_TRUE(readMiniature(0));
    EXPECT_EQ(levelMiniature.places[0][0], MiniSquare);
    EXPECT_FALSE(readMiniature(1));  // "pack1_02.lvl" is missing
    EXPECT_EQ(levelMiniature.level, -1);
    osSetCurrentDirectory(previous.c_str());
    std::filesystem::remove_all(dir);
}

} // namespace

TEST_F(MapTest, LeftAndRightStepThroughTheOpenLevelsAcrossLands)
{
    setProfileLevel(10);
    enterMap(-1, false);
    ASSERT_EQ(mapState.selectedLevel, 10);
    ASSERT_EQ(mapState.currentStage, 2);
    // Level 11 is not open yet (10 is not done): nothing changes.
    EXPECT_FALSE(mapStepLevel(1));
    EXPECT_EQ(mapState.selectedLevel, 10);
    EXPECT_TRUE(mapStepLevel(-1));
    EXPECT_EQ(mapState.selectedLevel, 9);
    EXPECT_EQ(mapState.currentStage, 2);
    EXPECT_EQ(queuedSounds("map1.ogg"), 1);
    // Level 8 lies in the land before: the traveller goes there, as a click on its mark.
    EXPECT_TRUE(mapStepLevel(-1));
    EXPECT_EQ(mapState.selectedLevel, 8);
    EXPECT_EQ(mapState.currentStage, 1);
    EXPECT_FLOAT_EQ(mapState.targetArc, mapState.stageArc[1]);
    EXPECT_EQ(queuedSounds("map5.ogg"), 1);
    EXPECT_TRUE(levelSelectable(8));
    // And back into the next land.
    EXPECT_TRUE(mapStepLevel(1));
    EXPECT_EQ(mapState.currentStage, 2);
    EXPECT_EQ(mapState.selectedLevel, 9);
    // Down to the first level; there is none before it.
    for (int i = 0; i < 20; ++i) mapStepLevel(-1);
    EXPECT_EQ(mapState.selectedLevel, 0);
    EXPECT_EQ(mapState.currentStage, 0);
    EXPECT_FALSE(mapStepLevel(-1));
    EXPECT_FALSE(mapStepLevel(5));  // only single steps
}
