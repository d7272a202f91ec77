// How the computer chooses its square: every square is scored for the side to move and the
// first best one wins. The scores depend on the phase of the game (`move_count`), the search
// mode and a small jitter drawn from the random source, so a choice is exactly reproducible
// from the board, side, mode, move count and generator state.
#pragma once

#include "ai/random_source.h"
#include "rules/board.h"

// Weight of each square, indexed like the board: corners 300, their neighbours -20 and -80.
extern const int PositionWeights[kCellCount];

// Search modes: 1 scores the move alone, 2 also subtracts the opponent's best reply, any other
// value subtracts the best reply scored in mode 2.
constexpr int kSearchOnePly = 1;
constexpr int kSearchTwoPlies = 2;

// The search mode of a computer level: 1 -> 1, 2 -> 3, 3 -> 5 (levels 2 and 3 search alike).
int SearchModeForLevel(int level);

// What ChooseMove reports for a side without a legal move: a square off the board.
constexpr int kNoSquare = -1;

// Score of `side` playing (column, row), both 0..7: -1 when the square is not a legal move,
// otherwise above 0. Draws from `random` as the phase and mode require; `board` is not changed.
int ScoreMove(const Board& board, int column, int row, Side side, int mode, int move_count,
              RandomSource& random);

// Scores all squares row by row and reports the first with the highest positive score in
// `column` and `row`, or kNoSquare in both when no square is legal. `board` is not changed.
void ChooseMove(const Board& board, int& column, int& row, Side side, int mode, int move_count,
                RandomSource& random);
