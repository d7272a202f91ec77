// Questions about a position that never change it.
#pragma once

#include "rules/board.h"

// 1 when `side` has no legal move on the board, else 0.
int HasNoMove(const Board& board, Side side);

// 1 when neither side has a legal move, else 0.
int IsGameOver(const Board& board);

// The number of empty squares on which `side` has a legal move. A single read-only pass over the
// board, used for mobility inside the computer player's scoring.
int CountMoves(const Board& board, Side side);

struct DiscCount {
    int red;
    int blue;
};

DiscCount CountDiscs(const Board& board);
