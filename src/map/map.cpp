// The adventure map's rules and its frame logic: stages and levels, entering the map, the
// traveller, the ring, the completion animation, clicks and the start item.
#include "map/map.h"

#include "audio/audio.h"
#include "core/appstate.h"
#include "effects/effects.h"
#include "map/mapdraw.h"
#include "map/stagepicture.h"
#include "persist/profile.h"
#include "resources/files.h"
#include "ui/messages.h"

#include <cmath>
#include <cstring>

MapState mapState;

const int MAP_STAGE_LEVELS[MAP_STAGE_COUNT + 1] = {4, 5, 6, 7, 8, 9, 10, 10, 10, 10, 10, 10, 10, 10, 10, 0};

namespace {

constexpr float TRAVELLER_SPEED = 0.15f;          // per ms
constexpr float TRAVELLER_SPEED_GAIN = 0.001f;    // per pixel of distance beyond 300
constexpr float TRAVELLER_SPEED_MAX = 0.6f;
constexpr float TRAVELLER_JUMP_DISTANCE = 600.0f;
constexpr float RING_HOLD_DISTANCE = 200.0f;
constexpr float NEAR_SOUND_DISTANCE = 130.0f;
constexpr float RING_RADIUS = 44.0f;
constexpr float RING_STAGGER_MS = 80.0f;
constexpr float GLOW_SPEED = 0.18f;               // degrees per ms: one turn in 2 s
constexpr float EMITTER_PERIOD_MS = 40.0f;
constexpr float HOVER_RISE = 0.7f;                // alpha per ms
constexpr float HOVER_FALL = 1.4f;
constexpr float CONGRAT_SCALE_MS = 500.0f;

void effectAt(const char* name, const Vec2& p)
{
    startEffect(name, p.x, p.y, EFFECT_NO_TARGET, EFFECT_NO_TARGET, 1.0f, -1);
}

Vec2 pointer()
{
    return pointerToScreen();
}

bool insideWindow(const Vec2& p)
{
    return p.x >= MAP_WINDOW_LEFT && p.x <= MAP_WINDOW_RIGHT && p.y >= MAP_WINDOW_BOTTOM && p.y <= MAP_WINDOW_TOP;
}

// The stage whose mark is under the pointer (a 64 x 64 box), -1 for none.
int stageUnderPointer()
{
    Vec2 p = pointer();
    if (!insideWindow(p)) return -1;
    for (int s = 0; s < mapState.stageCount; ++s) {
        Vec2 c = mapToScreen(pathPointAt(mapState.stageArc[s]));
        if (std::fabs(p.x - c.x) <= 32.0f && std::fabs(p.y - c.y) <= 32.0f) return s;
    }
    return -1;
}

// The level of the current stage's ring under the pointer (within 16 units), -1 for none.
int levelUnderPointer()
{
    Vec2 p = pointer();
    if (!insideWindow(p)) return -1;
    int s = mapState.currentStage;
    if (s < 0 || s >= mapState.stageCount) return -1;
    int first = firstLevelOfStage(s);
    for (int k = 0; k < stageLevelCount(s); ++k) {
        Vec2 d = ringMarkPosition(first + k).sub(p);
        if (d.x * d.x + d.y * d.y <= 16.0f * 16.0f) return first + k;
    }
    return -1;
}

void setTarget(int stage, bool allowJump)
{
    MapState& m = mapState;
    m.currentStage = stage;
    m.targetArc = m.stageArc[stage];
    float d = m.targetArc - m.travellerArc;
    if (allowJump && (std::fabs(d) > TRAVELLER_JUMP_DISTANCE || d < 0.0f)) m.travellerArc = m.targetArc;
}

void updateStageProgress()
{
    int s = mapState.currentStage;
    setStageProgress(s, stageDoneCount(s), stageLevelCount(s));
}

void launchSparks()
{
    MapState& m = mapState;
    const StagePicture& sp = stagePictures.picture;
    Vec2 from = ringMarkPosition(m.completedLevel);
    for (int i = 0; i < MAP_SPARK_COUNT; ++i) m.sparks[i] = MapSpark{};
    for (int i = 0; i < sp.pieceCount && i < MAP_SPARK_COUNT; ++i) {
        MapSpark& k = m.sparks[i];
        k.from = from;
        k.to = sp.piecePoints[i];
        k.ageMs = -SPARK_STAGGER_MS * static_cast<float>(i);
        k.lifeMs = SPARK_FLIGHT_MS;
        k.active = 1;
    }
    m.firstSparkArrived = 0;
    playSound("map3.ogg");
}

void updateSparks(float dt)
{
    MapState& m = mapState;
    for (MapSpark& k : m.sparks) {
        if (!k.active) continue;
        k.ageMs += dt;
        if (k.ageMs >= k.lifeMs) {
            k.active = 0;
            if (!m.firstSparkArrived) {
                m.firstSparkArrived = 1;
                playSound("map4.ogg");
                startReveal();
            }
        }
    }
}

void finishCongratulation()
{
    MapState& m = mapState;
    m.congratState = -1;
    m.congratTimer = 0.0f;
    m.gameComplete = 0;
    m.frozen = 0;
    m.selectedLevel = 0;
    requestMusic(0);
    if (m.onCongratulationDone) m.onCongratulationDone();
}

void updateCongratulation(float dt)
{
    MapState& m = mapState;
    if (m.congratState < 0) return;
    m.congratTimer += dt;
    if (m.congratState == 0 && m.congratTimer >= CONGRAT_SCALE_MS) {
        m.congratState = 1;
        m.congratTimer = 0.0f;
    } else if (m.congratState == 2 && m.congratTimer >= CONGRAT_SCALE_MS) {
        finishCongratulation();
    }
}

void updateTraveller(float dt)
{
    MapState& m = mapState;
    float before = std::fabs(m.targetArc - m.travellerArc);
    if (before > 0.0f) {
        float speed = TRAVELLER_SPEED;
        if (before > 300.0f) speed += TRAVELLER_SPEED_GAIN * (before - 300.0f);
        if (speed > TRAVELLER_SPEED_MAX) speed = TRAVELLER_SPEED_MAX;
        float step = speed * dt;
        if (step >= before) {
            m.travellerArc = m.targetArc;
            Vec2 at = mapToScreen(pathPointAt(m.travellerArc));
            spawnBurst(at.x, at.y, 18);
        } else {
            m.travellerArc += m.targetArc > m.travellerArc ? step : -step;
        }
    }
    float after = std::fabs(m.targetArc - m.travellerArc);
    if (after > RING_HOLD_DISTANCE) m.ringTimer = RING_START_MS;
    if (before > NEAR_SOUND_DISTANCE && after <= NEAR_SOUND_DISTANCE) playSound("map9.ogg");
}

void updateCompletion(float dt)
{
    MapState& m = mapState;
    if (m.completionTimer < 0.0f) return;
    float before = m.completionTimer;
    m.completionTimer -= dt;
    if (before > 4000.0f && m.completionTimer <= 4000.0f) {
        effectAt("map02", ringMarkPosition(m.completedLevel));
        if (m.replay) {
            playSound("map2.ogg");
            m.completionTimer = 500.0f;
        } else {
            launchSparks();
        }
    }
    if (before > 100.0f && m.completionTimer <= 100.0f && stageComplete(stageOfLevel(m.completedLevel))) {
        m.completionTimer = 99.0f;
        int s = stageOfLevel(m.completedLevel);
        openArtefactPanel(s, mapToScreen(pathPointAt(m.stageArc[s])));
        playSound("map6.ogg");
        return;
    }
    if (m.completionTimer <= 0.0f) {
        m.completionTimer = -1.0f;
        int next = stageOfLevel(profileLevel());
        if (next != m.currentStage) {
            setTarget(next, false);
            Vec2 at = mapToScreen(pathPointAt(m.travellerArc));
            effectAt("map02", at);
            effectAt("map02", at.add(Vec2{20.0f, 0.0f}));
            effectAt("map02", at.add(Vec2{-20.0f, 0.0f}));
            effectAt("map02", at.add(Vec2{0.0f, 20.0f}));
            effectAt("map02", at.add(Vec2{0.0f, -20.0f}));
            playSound("map8.ogg");
            updateStageProgress();
            m.ringTimer = RING_START_MS;
        }
    }
}

void updateHover(float dt)
{
    MapState& m = mapState;
    int s = artefactPanelOpen() ? -1 : stageUnderPointer();
    int fadeStage = s >= 0 && s != m.currentStage && stageComplete(s) ? s : -1;
    if (fadeStage >= 0 && fadeStage != m.hoverStageShown) {
        m.hoverStageShown = fadeStage;
        m.hoverFade = 0.0f;
    }
    m.hoverStage = fadeStage;
    if (fadeStage >= 0) {
        m.hoverFade += HOVER_RISE * dt;
        if (m.hoverFade > 255.0f) m.hoverFade = 255.0f;
    } else {
        m.hoverFade -= HOVER_FALL * dt;
        if (m.hoverFade < 0.0f) m.hoverFade = 0.0f;
    }
    // The hovered open stage (not the current one) sparkles around its mark.
    if (s >= 0 && s != m.currentStage && stageOpen(s)) {
        m.emitterTimer += dt;
        while (m.emitterTimer >= EMITTER_PERIOD_MS) {
            m.emitterTimer -= EMITTER_PERIOD_MS;
            Vec2 c = mapToScreen(pathPointAt(m.stageArc[s]));
            effectAt("map01", c.add(Vec2{36.0f * cosDeg(m.glowPhase), 36.0f * sinDeg(m.glowPhase)}));
        }
    }
}

} // namespace

void resetMap()
{
    void (*hook)() = mapState.onCongratulationDone;
    mapState = MapState{};
    mapState.onCongratulationDone = hook;
    mapState.completedLevel = -1;
    mapState.ringTimer = -1.0f;
    mapState.completionTimer = -1.0f;
    mapState.hoverStage = -1;
    mapState.hoverStageShown = -1;
    mapState.congratState = -1;
    deriveMapPoints();
    resetStagePictures();
    levelMiniature.level = -1;
}

void loadMap()
{
    resetMap();  // idle timers and no miniature before the first entry
    int32_t size = 0;
    const uint8_t* data = readFile("mapspline.spl", &size, false);
    parseMapPath(data, size, mapState.path);
    if (data) releaseFile(data);
    deriveMapPoints();
}

bool ensureMapPictures()
{
    MapState& m = mapState;
    if (!m.picturesLoaded && !m.picturesTried) {
        m.picturesTried = 1;
        m.picturesLoaded = loadMapPictures() && loadStagePictures() ? 1 : 0;
    }
    return m.picturesLoaded != 0;
}

void releaseMapPictures()
{
    if (mapState.picturesLoaded) {
        releaseMapTextures();
        releaseStagePictures();
    }
    mapState.picturesLoaded = 0;
    mapState.picturesTried = 0;
}

int stageOfLevel(int level)
{
    if (level < 0) return 0;
    int s = 0;
    while (s < mapState.stageCount - 1 && level >= MAP_STAGE_LEVELS[s]) {
        level -= MAP_STAGE_LEVELS[s];
        s++;
    }
    return s;
}

int firstLevelOfStage(int stage)
{
    int first = 0;
    for (int s = 0; s < stage && s < MAP_STAGE_COUNT; ++s) first += MAP_STAGE_LEVELS[s];
    return first;
}

int stageLevelCount(int stage)
{
    return stage >= 0 && stage < MAP_STAGE_COUNT ? MAP_STAGE_LEVELS[stage] : 0;
}

int stageDoneCount(int stage)
{
    int first = firstLevelOfStage(stage), done = 0;
    for (int k = 0; k < stageLevelCount(stage); ++k) done += mapState.levelDone[first + k] ? 1 : 0;
    return done;
}

bool stageComplete(int stage)
{
    return stageLevelCount(stage) > 0 && stageDoneCount(stage) == stageLevelCount(stage);
}

bool stageOpen(int stage)
{
    if (stage < 0 || stage >= mapState.stageCount) return false;
    return stage == 0 || stageDoneCount(stage) > 0 || stageComplete(stage - 1);
}

bool levelSelectable(int level)
{
    if (level < 0 || level >= MAP_LEVEL_COUNT) return false;
    if (stageOfLevel(level) != mapState.currentStage) return false;
    return level == 0 || mapState.levelDone[level - 1] != 0;
}

void enterMap(int completedLevel, bool gameComplete)
{
    MapState& m = mapState;
    std::memset(m.levelDone, 0, sizeof m.levelDone);
    int furthest = profileBestLevel();
    for (int i = 0; i < furthest && i < MAP_LEVEL_COUNT; ++i) m.levelDone[i] = 1;
    if (completedLevel >= MAP_LEVEL_COUNT) completedLevel = -1;
    // The level just won is done even where the stored progress cannot say so (after the last
    // level the progress returns to 0 and the furthest level stops at 128).
    if (completedLevel >= 0) m.levelDone[completedLevel] = 1;
    m.entryLevel = profileLevel();
    m.selectedLevel = m.entryLevel < MAP_LEVEL_COUNT - 1 ? m.entryLevel : MAP_LEVEL_COUNT - 1;
    m.completedLevel = completedLevel;
    m.gameComplete = gameComplete && completedLevel >= 0 ? 1 : 0;
    m.frozen = 0;
    m.congratState = -1;
    m.congratTimer = 0.0f;
    m.hoverStage = -1;
    m.hoverFade = 0.0f;
    m.firstSparkArrived = 0;
    for (MapSpark& k : m.sparks) k = MapSpark{};
    resetStagePictures();
    ensureMapPictures();
    if (completedLevel >= 0) {
        // The chosen level stays the profile's (the one after the level just won), so "start"
        // goes on with the game; the level just won has the completion animation.
        m.replay = completedLevel + 1 < MAP_LEVEL_COUNT && m.levelDone[completedLevel + 1] ? 1 : 0;
        m.completionTimer = COMPLETION_START_MS;
        setTarget(stageOfLevel(completedLevel), true);
    } else {
        m.replay = 0;
        m.completionTimer = -1.0f;
        setTarget(stageOfLevel(m.selectedLevel), true);
    }
    updateStageProgress();
    if (completedLevel >= 0 && !m.replay) startDue();
    m.ringTimer = RING_START_MS;
}

void updateMap(float dt)
{
    MapState& m = mapState;
    if (m.unlocked)
        for (int i = 0; i < MAP_LEVEL_COUNT - 1; ++i) m.levelDone[i] = 1;
    float mapDt = dt;
    if (artefactPanelOpen()) {
        mapDt = 0.0f;
        if (updateArtefactPanel(dt) && m.gameComplete) {
            m.frozen = 1;
            m.congratState = 0;
            m.congratTimer = 0.0f;
        }
    }
    if (m.congratState >= 0) updateCongratulation(dt);
    if (m.frozen) mapDt = 0.0f;

    m.glowPhase = std::fmod(m.glowPhase + GLOW_SPEED * mapDt, 720.0f);
    // The ring's clock first, so that the traveller's hold keeps it at its start.
    if (m.ringTimer > 0.0f) {
        m.ringTimer -= mapDt;
        if (m.ringTimer <= 0.0f) m.ringTimer = -1.0f;
    }
    updateTraveller(mapDt);
    updateCompletion(mapDt);
    updateSparks(mapDt);
    updateStagePicture(mapDt);
    if (!m.frozen) updateHover(mapDt);
}

bool mapBlocksInput()
{
    return artefactPanelOpen() || mapState.congratState >= 0;
}

bool mapClick()
{
    MapState& m = mapState;
    Vec2 p = pointer();
    if (artefactPanelOpen()) {
        artefactPanelClick(p);
        return true;
    }
    if (m.congratState >= 0) {
        if (m.congratState == 1 && std::fabs(p.x) <= 64.0f && std::fabs(p.y + 144.0f) <= 32.0f) {
            m.congratState = 2;
            m.congratTimer = 0.0f;
            playSound("menu.ogg");
        }
        return true;
    }
    if (m.frozen) return true;
    int s = stageUnderPointer();
    if (s >= 0 && s != m.currentStage && stageOpen(s)) {
        int first = firstLevelOfStage(s), pick = first;
        for (int k = 0; k < stageLevelCount(s); ++k)
            if (!m.levelDone[first + k]) {
                pick = first + k;
                break;
            }
        m.selectedLevel = pick;
        setTarget(s, false);
        m.ringTimer = RING_START_MS;
        updateStageProgress();
        playSound("map5.ogg");
        effectAt("map02", p);
        return true;
    }
    int level = levelUnderPointer();
    if (level >= 0 && levelSelectable(level) && level != m.selectedLevel) {
        m.selectedLevel = level;
        playSound("map1.ogg");
        effectAt("map02", p);
        return true;
    }
    return false;
}

bool mapStepLevel(int step)
{
    MapState& m = mapState;
    if (mapBlocksInput() || m.frozen || (step != 1 && step != -1)) return false;
    int level = m.selectedLevel + step;
    if (level < 0 || level >= MAP_LEVEL_COUNT) return false;
    int s = stageOfLevel(level);
    if (s < 0 || !stageOpen(s)) return false;
    // The level must be open to play: the first, or one after a level done.
    if (level != 0 && !m.levelDone[level - 1]) return false;
    m.selectedLevel = level;
    if (s != m.currentStage) {
        // Into the next or the previous land: the traveller goes there, as a click on its mark.
        setTarget(s, false);
        m.ringTimer = RING_START_MS;
        updateStageProgress();
        playSound("map5.ogg");
    } else {
        playSound("map1.ogg");
        effectAt("map02", ringMarkPosition(level));
    }
    return true;
}

MapStart startMapLevel()
{
    MapState& m = mapState;
    if (m.gameComplete || m.congratState >= 0) return MapStart::None;
    if (m.selectedLevel == profileLevel()) {
        if (profileScore() <= 0 || profileLives() <= 0) setProfileLives(START_LIVES);
        return MapStart::Continue;
    }
    if (profileScore() > 0) return MapStart::AskZeroScore;
    mapConfirmNewGame();
    return MapStart::NewGame;
}

void mapConfirmNewGame()
{
    setProfileScore(0);
    setProfileLives(START_LIVES);
    setProfileLevel(mapState.selectedLevel);
}

int mapSelectedLevel()
{
    return mapState.selectedLevel;
}

Vec2 mapViewCentre()
{
    Vec2 c = pathPointAt(mapState.travellerArc);
    const float halfW = (MAP_WINDOW_RIGHT - MAP_WINDOW_LEFT) / 2.0f;
    const float halfH = (MAP_WINDOW_TOP - MAP_WINDOW_BOTTOM) / 2.0f;
    if (c.x < halfW) c.x = halfW;
    if (c.x > MAP_PICTURE_SIZE - halfW) c.x = MAP_PICTURE_SIZE - halfW;
    if (c.y < halfH) c.y = halfH;
    if (c.y > MAP_PICTURE_SIZE - halfH) c.y = MAP_PICTURE_SIZE - halfH;
    return c;
}

Vec2 mapToScreen(const Vec2& mapPixel)
{
    Vec2 c = mapViewCentre();
    const float cx = (MAP_WINDOW_LEFT + MAP_WINDOW_RIGHT) / 2.0f;
    const float cy = (MAP_WINDOW_BOTTOM + MAP_WINDOW_TOP) / 2.0f;
    return Vec2{cx + (mapPixel.x - c.x), cy - (mapPixel.y - c.y)};
}

Vec2 ringMarkPosition(int level)
{
    const MapState& m = mapState;
    int s = stageOfLevel(level);
    int n = stageLevelCount(s);
    int j = level - firstLevelOfStage(s);
    if (n <= 0) return Vec2{};
    Vec2 c = mapToScreen(pathPointAt(m.stageArc[s]));
    float t = m.ringTimer > 0.0f ? m.ringTimer - static_cast<float>(n - j) * RING_STAGGER_MS : 0.0f;
    if (t < 0.0f) t = 0.0f;
    float r = RING_RADIUS * (1.0f + t / 100.0f);
    float a = static_cast<float>(j) * 360.0f / static_cast<float>(n);
    return c.add(Vec2{r * cosDeg(a), r * sinDeg(a)});
}
