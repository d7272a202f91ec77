// The opponent's mobility inside the scoring, counted on bit masks of the board. It gives the
// same number as CountMoves, which walks every empty square in eight directions; the scoring
// asks for it once per legal trial move, which made that walk most of the cost of a decision.
#pragma once

#include <cstdint>

#include "rules/board.h"

// Bit row * 8 + column of each mask stands for the square (column, row).
struct BoardBits {
    std::uint64_t red;
    std::uint64_t blue;
};

// The number of empty squares on which `side` has a legal move: a straight run of one or more
// of the other side's discs, next to the square, that ends on a disc of `side`.
int CountMovesOnBits(const BoardBits& bits, Side side);
