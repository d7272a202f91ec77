#include "rules/board.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/board_values.h"
#include "tests/support/diagram.h"

namespace {

// Expects PlaceDisc to refuse the move and leave every cell as it was.
void ExpectRefused(Board board, int column, int row, Side side) {
    const Board before = board;
    EXPECT_EQ(PlaceDisc(board, column, row, side), 0) << "(" << column << "," << row << ")";
    EXPECT_EQ(board, before);
}

TEST(StartingPosition, HoldsExactlyTheFourCentreDiscs) {
    Board board;
    std::memset(board.cells, 7, sizeof board.cells);
    SetStartingPosition(board);
    EXPECT_EQ(board, BoardFromDiagram("........"
                                      "........"
                                      "........"
                                      "...RB..."
                                      "...BR..."
                                      "........"
                                      "........"
                                      "........"));
    EXPECT_EQ(board.cells[27], kRed);
    EXPECT_EQ(board.cells[28], kBlue);
    EXPECT_EQ(board.cells[35], kBlue);
    EXPECT_EQ(board.cells[36], kRed);
}

TEST(PlaceDisc, OpeningMovesAreExactlyTheFourForEachSide) {
    const struct {
        Side side;
        int legal[4][2];
    } sides[] = {{kRed, {{4, 2}, {5, 3}, {2, 4}, {3, 5}}},
                 {kBlue, {{3, 2}, {2, 3}, {5, 4}, {4, 5}}}};
    for (const auto& expected : sides) {
        int accepted = 0;
        for (int row = 0; row < 8; ++row) {
            for (int column = 0; column < 8; ++column) {
                Board board = StartingBoard();
                if (PlaceDisc(board, column, row, expected.side) == 1) {
                    const auto& square = expected.legal[accepted < 4 ? accepted : 3];
                    EXPECT_EQ(column, square[0]);
                    EXPECT_EQ(row, square[1]);
                    ++accepted;
                    // Every opening move turns one disc: 4 of the mover's, 1 of the other's.
                    int own = 0;
                    for (Cell cell : board.cells) {
                        own += cell == expected.side;
                    }
                    EXPECT_EQ(own, 4);
                } else {
                    ExpectRefused(StartingBoard(), column, row, expected.side);
                }
            }
        }
        EXPECT_EQ(accepted, 4) << "side " << expected.side;
    }
}

TEST(PlaceDisc, OpeningMoveTurnsTheEnclosedDisc) {
    Board board = StartingBoard();
    ASSERT_EQ(PlaceDisc(board, 4, 2, kRed), 1);
    EXPECT_EQ(board, BoardFromDiagram("........"
                                      "........"
                                      "....R..."
                                      "...RR..."
                                      "...BR..."
                                      "........"
                                      "........"
                                      "........"));
    board = StartingBoard();
    ASSERT_EQ(PlaceDisc(board, 3, 2, kBlue), 1);
    EXPECT_EQ(board.cells[CellIndex(3, 3)], kBlue);
    EXPECT_EQ(board.cells[CellIndex(3, 2)], kBlue);
}

TEST(PlaceDisc, RefusesOccupiedAndNonCapturingSquares) {
    ExpectRefused(StartingBoard(), 3, 2, kRed);  // own disc below, blue down-right runs into empty
    ExpectRefused(StartingBoard(), 3, 3, kRed);  // occupied by red
    ExpectRefused(StartingBoard(), 4, 3, kRed);  // occupied by blue
    ExpectRefused(StartingBoard(), 0, 0, kBlue);
}

TEST(PlaceDisc, CapturesInAllEightDirectionsAtOnce) {
    Board board = BoardFromDiagram(
        "R..R..R."
        ".B.B.B.."
        "..BBB..."
        "RBB.BBBR"
        "..BBB..."
        ".B.B.B.."
        "R..R..R."
        "........");
    ASSERT_EQ(PlaceDisc(board, 3, 3, kRed), 1);
    EXPECT_EQ(board, BoardFromDiagram("R..R..R."
                                      ".R.R.R.."
                                      "..RRR..."
                                      "RRRRRRRR"
                                      "..RRR..."
                                      ".R.R.R.."
                                      "R..R..R."
                                      "........"));
}

TEST(PlaceDisc, RunClosedOnTheFarEdgeTurnsAllSix) {
    Board board = BoardFromDiagram(
        ".BBBBBBR"
        "........"
        "........"
        "........"
        "........"
        "........"
        "........"
        "........");
    ASSERT_EQ(PlaceDisc(board, 0, 0, kRed), 1);
    for (int column = 0; column < 8; ++column) {
        EXPECT_EQ(board.cells[column], kRed) << column;
    }
    // The same along a column and a diagonal, towards the bottom-right corner.
    board = BoardFromDiagram(
        "........"
        ".B......"
        "..B....."
        "...B...."
        "....B..."
        ".....B.."
        "......B."
        ".......R");
    ASSERT_EQ(PlaceDisc(board, 0, 0, kRed), 1);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(board.cells[CellIndex(i, i)], kRed) << i;
    }
}

TEST(PlaceDisc, RefusesRunsThatAreNotClosed) {
    // Reaches the edge unclosed.
    ExpectRefused(BoardFromDiagram(".BBBBBBB"
                                   "........"
                                   "........"
                                   "........"
                                   "........"
                                   "........"
                                   "........"
                                   "........"),
                  0, 0, kRed);
    // A gap before the closing disc.
    ExpectRefused(BoardFromDiagram(".BB.R..."
                                   "........"
                                   "........"
                                   "........"
                                   "........"
                                   "........"
                                   "........"
                                   "........"),
                  0, 0, kRed);
    // The first neighbour is the mover's own disc.
    ExpectRefused(BoardFromDiagram(".RB....."
                                   "........"
                                   "........"
                                   "........"
                                   "........"
                                   "........"
                                   "........"
                                   "........"),
                  0, 0, kRed);
}

TEST(PlaceDisc, RunsNeverWrapAroundAnEdge) {
    // (0,3) follows (7,2) in index order; the run to the right must stop at the edge.
    ExpectRefused(BoardFromDiagram("........"
                                   "........"
                                   ".....BBB"
                                   "R......."
                                   "........"
                                   "........"
                                   "........"
                                   "........"),
                  4, 2, kRed);
    // Leftwards from column 0 of one row must not reach column 7 of the row above.
    ExpectRefused(BoardFromDiagram("........"
                                   ".......R"
                                   "B......."
                                   "........"
                                   "........"
                                   "........"
                                   "........"
                                   "........"),
                  1, 2, kRed);
    // Diagonals stop as soon as either coordinate leaves the board.
    ExpectRefused(BoardFromDiagram("........"
                                   "........"
                                   "........"
                                   "........"
                                   "........"
                                   "........"
                                   "B......R"
                                   ".B......"),
                  2, 7, kBlue);
}

TEST(PlaceDisc, FullBoardRefusesEverySquare) {
    Board board;
    for (int index = 0; index < kCellCount; ++index) {
        board.cells[index] = (index * 7 + index / 8) % 3 == 0 ? kRed : kBlue;
    }
    for (int row = 0; row < 8; ++row) {
        for (int column = 0; column < 8; ++column) {
            ExpectRefused(board, column, row, kRed);
            ExpectRefused(board, column, row, kBlue);
        }
    }
}

}  // namespace
