#pragma once
// What the game asked the audio module to play, read from the real request ring: every file of
// the game's sound table gets a row with a handle of its own, so a slot's sample names the file.
// Counts cover the slots written since the last resetAudio (at most the ring's 256).
#include <cstdint>
#include <cstring>

#include "audio/audio.h"

inline constexpr const char* GAME_SOUND_FILES[] = {
    "MenuLineSelect.ogg", "ButtonClick.ogg", "MaxPlayers.ogg", "SFXVolume.ogg",
    "BreakFigure1.ogg", "BreakFigure2.ogg", "BreakFigure3.ogg", "BreakFigure4.ogg",
    "BreakFigure5.ogg", "BreakFigure6.ogg", "BreakFigure7.ogg", "BreakFigure8.ogg",
    "BreakFigure.ogg", "BreakZep.ogg", "BreakSquare.ogg", "FigureFall.ogg",
    "AddBomb.ogg", "AddSuperBomb.ogg", "AddThunder.ogg", "UseHammer.ogg", "GetHammer.ogg",
    "ExplosionBomb.ogg", "ExplosionSuperBomb.ogg", "Thunderbolt.ogg", "BonusPrize.ogg",
    "GetTrophy.ogg", "GetLife.ogg", "TimeOut.ogg", "DefeatLevel.ogg", "DefeatLevelEffect.ogg",
    "ReFillLevel.ogg", "TipShow.ogg", "NoMoreMove.ogg", "MoveTipShow.ogg", "LevelStatistic.ogg",
    "Gag.ogg", "birds1.ogg", "birds2.ogg", "birds3.ogg", "brook.ogg", "waterfall.ogg",
    "map1.ogg", "map2.ogg", "map3.ogg", "map4.ogg", "map5.ogg", "map6.ogg", "map7.ogg",
    "map8.ogg", "map9.ogg", "menu.ogg"};
inline constexpr int GAME_SOUND_COUNT = sizeof GAME_SOUND_FILES / sizeof GAME_SOUND_FILES[0];
inline constexpr uint32_t GAME_SOUND_HANDLE_BASE = 1000;

// Adds one row per file of the sound table (handles 1000, 1001, ...).
inline void registerGameSounds()
{
    for (int i = 0; i < GAME_SOUND_COUNT; i++)
        registerSample(GAME_SOUND_FILES[i], GAME_SOUND_HANDLE_BASE + static_cast<uint32_t>(i));
}

// The file whose row has this handle, or "" when none has.
inline const char* soundNameOf(uint32_t handle)
{
    for (int i = 0; i < audio.sampleCount; i++)
        if (audio.samples[i].handle == handle) return audio.samples[i].name;
    return "";
}

// Ring slots holding the sample of `name` (null: any sample).
inline int queuedSounds(const char* name = nullptr)
{
    int n = 0;
    for (const PlayRequest& r : audio.requests) {
        if (r.sample == 0) continue;
        if (!name || std::strcmp(soundNameOf(r.sample), name) == 0) n++;
    }
    return n;
}

// The newest slot written, or null when none was.
inline const PlayRequest* lastQueued()
{
    const PlayRequest& r = audio.requests[(audio.writeCursor + REQUEST_RING_SIZE - 1) % REQUEST_RING_SIZE];
    return r.sample != 0 ? &r : nullptr;
}

inline const char* lastQueuedName()
{
    const PlayRequest* r = lastQueued();
    return r ? soundNameOf(r->sample) : "";
}

// Slots of `name` written since the write cursor stood at `cursorBefore` (fewer than a ring's
// worth of requests since then).
inline int soundsQueuedSince(int32_t cursorBefore, const char* name)
{
    int n = 0;
    for (int32_t i = cursorBefore; i != audio.writeCursor; i = (i + 1) % REQUEST_RING_SIZE) {
        const PlayRequest& r = audio.requests[i];
        if (r.sample != 0 && std::strcmp(soundNameOf(r.sample), name) == 0) n++;
    }
    return n;
}

// The track whose song starts at the requested order, or -1.
inline int requestedTrack()
{
    for (int t = 0; t < 7; t++)
        if (musicTrackOrder(t) == audio.requestedOrder) return t;
    return -1;
}
