#pragma once
// The headless player of ostrimar-data's `play` and `campaign`: a fresh world for a run, the
// game's own frame (gameFrame) at a fixed frame time, and the bot's moves, which go through the
// game screen's click route as a player's clicks would.

#include <cstdint>

#include "plan.h"

constexpr float BOT_FRAME_MS = 16.0f;

// The planning bot looks at every settled board this long before it clicks, as a quick player
// does (0.64 s): its adventure times are a person's, not a machine's.
constexpr int PLAN_THINK_FRAMES = 40;

// The bots of `play`: greedy clicks the largest group; plan forecasts its moves (plan.h).
enum BotKind { BotGreedy, BotPlan };

// Every module state a run touches back to its start, the random numbers seeded, one profile.
void resetBotWorld(unsigned seed);
// The bot's input goes only through the game's input events (pointer, buttons, keys), as a
// person's does, so that a recording of it replays (off by default; resetBotWorld turns it off).
void botPlaysAsPlayer(bool on);
// One frame of the game as the game screen runs it; the bot reads no tips and closes each
// panel as it opens. False (with a line on standard error) when the level was both won and lost.
bool botFrame();
// The board is at rest and takes clicks (nothing holds it, no blast or settle timer runs).
bool botBoardReady();
// Clicks the largest group (ties: the first in row-major order) through the game's click route.
// False when no move was made.
bool botClickLargestGroup();
// Clicks the group that wears most squares and chains (each counts four figures of size).
bool botClickTargets();
// With the hammer ready: arms it with the HUD button and strikes the first place that still
// holds a square or a chain. False when the hammer was not used.
bool botUseHammer();
// The planning bot's choice on the settled board, the hammer only when it is ready; the forecast
// draws its new figures from a stream of its own made from `seed`. False when there is no move.
bool botChoosePlanned(uint32_t seed, const PlanSearch& search, PlanMove* out, long* evaluated = nullptr);
// Makes a chosen move through the game's click route (a hammer strike arms the hammer with the
// HUD button first). True when the game took it: a move was counted or the hammer was used.
bool botMake(const PlanMove& move);
// One move of the bot of that kind on a settled board; false when none was made.
bool botMove(BotKind kind, uint32_t seed);
// The pace of a bot playing a level frame by frame: it moves on the second frame of rest (so
// the board step has seen the settled board and checked for a cleared level), the planning bot
// after its thinking time.
struct BotPace {
    long readyFrames = 0;
    long lastMoveFrame = 0;
};
// Counts this frame's rest and makes a move when the pace says so; true when a move was made
// (lastMoveFrame is then `frame`).
bool botPacedMove(BotPace& pace, BotKind kind, uint32_t seed, long frame);
// A won trophy takes the game to the trophy room: the bot looks at it (the trophy is no longer
// new) and comes straight back to the level. Every bot world sets it as the trophy-room hook.
void backFromTrophyRoom();
// A key press on the game screen (the route of any key).
void botKey(int vk);
// Clicks the HUD's "menu" button, which opens the pause menu; true when it opened.
bool botOpenPauseMenu();
