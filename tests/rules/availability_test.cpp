#include "rules/availability.h"

#include <gtest/gtest.h>

#include "tests/support/board_values.h"
#include "tests/support/diagram.h"

namespace {

struct Expected {
    int red_moves;
    int blue_moves;
    int game_over;
};

// Checks all four queries against the expected answers and that none of them writes the board.
void ExpectAnswers(const Board& board, Expected expected) {
    const Board before = board;
    EXPECT_EQ(CountMoves(board, kRed), expected.red_moves);
    EXPECT_EQ(CountMoves(board, kBlue), expected.blue_moves);
    EXPECT_EQ(HasNoMove(board, kRed), expected.red_moves == 0 ? 1 : 0);
    EXPECT_EQ(HasNoMove(board, kBlue), expected.blue_moves == 0 ? 1 : 0);
    EXPECT_EQ(IsGameOver(board), expected.game_over);
    CountDiscs(board);
    EXPECT_EQ(board, before);
}

TEST(Availability, StartingPosition) {
    const Board board = StartingBoard();
    ExpectAnswers(board, {4, 4, 0});
    const DiscCount discs = CountDiscs(board);
    EXPECT_EQ(discs.red, 2);
    EXPECT_EQ(discs.blue, 2);
}

TEST(Availability, FullBoardEndsTheGame) {
    Board board;
    for (int index = 0; index < kCellCount; ++index) {
        board.cells[index] = index % 5 == 0 ? kBlue : kRed;
    }
    ExpectAnswers(board, {0, 0, 1});
    const DiscCount discs = CountDiscs(board);
    EXPECT_EQ(discs.red + discs.blue, 64);
    EXPECT_EQ(discs.blue, 13);
}

TEST(Availability, OneColourLeftWithEmptySquares) {
    Board board = BoardFromDiagram(
        "RRRRRRRR"
        "RRRRRRRR"
        "RRRRRRRR"
        "RRRRRRRR"
        "........"
        "........"
        "........"
        "........");
    ExpectAnswers(board, {0, 0, 1});
    const DiscCount discs = CountDiscs(board);
    EXPECT_EQ(discs.red, 32);
    EXPECT_EQ(discs.blue, 0);
}

TEST(Availability, OneSideBlocked) {
    ExpectAnswers(BoardFromDiagram("RB......"
                                   "........"
                                   "........"
                                   "........"
                                   "........"
                                   "........"
                                   "........"
                                   "........"),
                  {1, 0, 0});
}

TEST(Availability, BothSidesBlockedWithEmptySquares) {
    ExpectAnswers(BoardFromDiagram(".BBBBBBB"
                                   "........"
                                   "........"
                                   "........"
                                   "........"
                                   "........"
                                   "........"
                                   "........"),
                  {0, 0, 1});
}

TEST(Availability, NoWrapAround) {
    ExpectAnswers(BoardFromDiagram("........"
                                   "........"
                                   ".....BBB"
                                   "R......."
                                   "........"
                                   "........"
                                   "........"
                                   "........"),
                  {0, 0, 1});
}

TEST(Availability, RunsAcrossAnEdgeAreNoMove) {
    // Read as one line of 64 squares, each blue disc here lies between a red disc and an empty
    // square; on the board every such run crosses the left or right edge, so red has no move.
    // Blue has three: (5,0), (5,1) and (2,3).
    ExpectAnswers(BoardFromDiagram(". . . . . . R B"
                                   ". . . . . . . ."
                                   ". . . . . . R ."
                                   "B R . . . . . B"
                                   ". . . . . . . ."
                                   ". . . . . . . ."
                                   "B . . . . . . ."
                                   ". R . . . . . ."),
                  {0, 3, 0});
}

TEST(Availability, SquareCapturingInEveryDirectionCountsOnce) {
    Board board = BoardFromDiagram(
        "R..R..R."
        ".B.B.B.."
        "..BBB..."
        "RBB.BBBR"
        "..BBB..."
        ".B.B.B.."
        "R..R..R."
        "........");
    EXPECT_EQ(CountMoves(board, kRed), 1);
    EXPECT_EQ(HasNoMove(board, kRed), 0);
    EXPECT_EQ(IsGameOver(board), 0);
}

TEST(Availability, OnlyBlueCanMoveIsNotTheEnd) {
    // IsGameOver must also try blue on a square red cannot use.
    ExpectAnswers(BoardFromDiagram("BR......"
                                   "........"
                                   "........"
                                   "........"
                                   "........"
                                   "........"
                                   "........"
                                   "........"),
                  {0, 1, 0});
}

}  // namespace
