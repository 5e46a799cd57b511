#pragma once
// The level maker's sums (gen_levels.cpp), for its tests: what the planning bot needs of a level,
// and the file values that give it that much under the game's limits.
#include <vector>

// What the planning bot needed in each run of a level: moves and seconds, -1 for a run not won.
struct LevelNeed {
    std::vector<double> moves;
    std::vector<double> seconds;
};

// The need that the given share of the runs (0..1) stays within; a share that reaches into the
// runs not won gets half as much again as the slowest win.
double needQuantile(const std::vector<double>& runs, double rate);
// The game's limits of a level (0-based index) for a file's "time=" and "moves=" values.
double levelAdventureSeconds(int index, int time);
int levelPuzzleMoves(int index, int moves);
// The smallest file values whose limits reach the given need.
int levelMovesFor(int index, double moves);
int levelTimeFor(int index, double seconds);
