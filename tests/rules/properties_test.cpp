// Properties that must hold on every position, checked over positions of seeded random games.
#include <gtest/gtest.h>

#include <cstring>

#include "rules/availability.h"
#include "tests/support/diagram.h"
#include "tests/support/random_play.h"

namespace {

bool SameBoard(const Board& a, const Board& b) {
    return std::memcmp(a.cells, b.cells, sizeof a.cells) == 0;
}

TEST(RulesProperties, HoldOnTensOfThousandsOfRandomPositions) {
    int positions = 0;
    ForEachRandomPosition(20261208, 700, [&](const Board& board, Side) {
        ++positions;
        for (Side side : {kRed, kBlue}) {
            const Side opponent = Opponent(side);
            const DiscCount before = CountDiscs(board);
            const int own_before = side == kRed ? before.red : before.blue;
            const int other_before = side == kRed ? before.blue : before.red;
            int accepted = 0;
            for (int row = 0; row < 8; ++row) {
                for (int column = 0; column < 8; ++column) {
                    Board trial = board;
                    if (PlaceDisc(trial, column, row, side) == 0) {
                        ASSERT_TRUE(SameBoard(trial, board)) << DiagramFromBoard(board);
                        continue;
                    }
                    ++accepted;
                    // One new disc on the target; every other change turns an opponent disc.
                    int turned = 0;
                    for (int index = 0; index < kCellCount; ++index) {
                        if (trial.cells[index] == board.cells[index]) {
                            continue;
                        }
                        ASSERT_EQ(trial.cells[index], side);
                        if (index == CellIndex(column, row)) {
                            ASSERT_EQ(board.cells[index], kEmpty);
                        } else {
                            ASSERT_EQ(board.cells[index], opponent);
                            ++turned;
                        }
                    }
                    ASSERT_EQ(trial.cells[CellIndex(column, row)], side);
                    ASSERT_GE(turned, 1);
                    const DiscCount after = CountDiscs(trial);
                    ASSERT_EQ((side == kRed ? after.red : after.blue), own_before + 1 + turned);
                    ASSERT_EQ((side == kRed ? after.blue : after.red), other_before - turned);
                }
            }
            const Board copy = board;
            ASSERT_EQ(CountMoves(board, side), accepted) << DiagramFromBoard(board);
            ASSERT_EQ(HasNoMove(board, side), accepted == 0 ? 1 : 0);
            ASSERT_TRUE(SameBoard(copy, board));
        }
        ASSERT_EQ(IsGameOver(board), HasNoMove(board, kRed) && HasNoMove(board, kBlue) ? 1 : 0);
    });
    EXPECT_GT(positions, 30000);
}

}  // namespace
