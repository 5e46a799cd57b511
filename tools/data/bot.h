#pragma once
// The headless player of ostrimar-data's `play` and `campaign`: a fresh world for a run, the
// game's own frame (gameFrame) at a fixed frame time, and the bot's moves, which go through the
// game screen's click route as a player's clicks would.

constexpr float BOT_FRAME_MS = 16.0f;

// Every module state a run touches back to its start, the random numbers seeded, one profile.
void resetBotWorld(unsigned seed);
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
// A key press on the game screen (the route of any key).
void botKey(int vk);
// Clicks the HUD's "menu" button, which opens the pause menu; true when it opened.
bool botOpenPauseMenu();
