#include "ai/mobility.h"

#include <gtest/gtest.h>

#include "rules/availability.h"
#include "tests/support/diagram.h"
#include "tests/support/random_play.h"

namespace {

BoardBits BitsOf(const Board& board) {
    BoardBits bits = {0, 0};
    for (int index = 0; index < kCellCount; ++index) {
        const std::uint64_t square = std::uint64_t{1} << index;
        if (board.cells[index] == kRed) {
            bits.red |= square;
        } else if (board.cells[index] == kBlue) {
            bits.blue |= square;
        }
    }
    return bits;
}

TEST(Mobility, RunsNeverWrapAroundTheEdges) {
    // Read as one long line of 64 squares, each blue disc below lies between a red disc and an
    // empty square; on the board every such run crosses the left or right edge, so red has no move.
    const Board board = BoardFromDiagram(
        ". . . . . . R B"
        ". . . . . . . ."
        ". . . . . . R ."
        "B R . . . . . B"
        ". . . . . . . ."
        ". . . . . . . ."
        "B . . . . . . ."
        ". R . . . . . .");
    EXPECT_EQ(CountMoves(board, kRed), 0);
    EXPECT_EQ(CountMovesOnBits(BitsOf(board), kRed), 0);
    EXPECT_EQ(CountMovesOnBits(BitsOf(board), kBlue), CountMoves(board, kBlue));
}

TEST(Mobility, AgreesWithTheBoardWalkOnRandomGames) {
    int positions = 0;
    ForEachRandomPosition(606, 300, [&](const Board& board, Side) {
        for (Side side : {kRed, kBlue}) {
            ASSERT_EQ(CountMovesOnBits(BitsOf(board), side), CountMoves(board, side))
                << DiagramFromBoard(board) << "side " << side;
        }
        ++positions;
    });
    EXPECT_GT(positions, 300 * 55);
}

}  // namespace
