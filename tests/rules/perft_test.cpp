// Counts the leaves of the move tree from the starting position and compares them with the
// published figures for this game. A pass uses up one ply; a position in which neither side can
// move is one leaf, whatever depth is left.
#include <gtest/gtest.h>

#include <cstdint>

#include "rules/availability.h"
#include "tests/support/board_values.h"

namespace {

std::uint64_t Perft(const Board& board, Side side, int depth, bool passed) {
    if (depth == 0) {
        return 1;
    }
    std::uint64_t leaves = 0;
    bool moved = false;
    for (int row = 0; row < 8; ++row) {
        for (int column = 0; column < 8; ++column) {
            Board next = board;
            if (PlaceDisc(next, column, row, side)) {
                moved = true;
                leaves += depth == 1 ? 1 : Perft(next, Opponent(side), depth - 1, false);
            }
        }
    }
    if (moved) {
        return leaves;
    }
    if (passed) {
        return 1;  // neither side can move: the game is over
    }
    return Perft(board, Opponent(side), depth - 1, true);
}

std::uint64_t PerftFromStart(int depth) {
    return Perft(StartingBoard(), kRed, depth, false);
}

TEST(Perft, ShallowDepths) {
    const std::uint64_t expected[] = {4, 12, 56, 244, 1396, 8200, 55092};
    for (int depth = 1; depth <= 7; ++depth) {
        EXPECT_EQ(PerftFromStart(depth), expected[depth - 1]) << "depth " << depth;
    }
}

TEST(Perft, Depth8) { EXPECT_EQ(PerftFromStart(8), 390216u); }

// The first passes of the game appear at this depth.
TEST(Perft, Depth9WithPasses) { EXPECT_EQ(PerftFromStart(9), 3005288u); }

}  // namespace
