// Properties of the computer player over many positions from seeded random games.
#include <gtest/gtest.h>

#include "ai/computer_player.h"
#include "tests/properties/computer_player_properties.h"
#include "rules/availability.h"
#include "tests/support/draw_count.h"
#include "tests/support/random_play.h"

namespace {

// The draws that scoring `side`'s move into `after` makes, by the rule that every legal move
// scored in the early or late phase draws once, then its replies draw in turn, and a two-ply
// evaluation whose opponent cannot reply draws once more at the end.
int ExpectedDraws(const Board& after, Side side, int mode, bool draws_for_phase) {
    int draws = draws_for_phase ? 1 : 0;
    if (mode == 1) {
        return draws;
    }
    const Side opponent = Opponent(side);
    bool replied = false;
    for (int index = 0; index < kCellCount; ++index) {
        Board reply = after;
        if (PlaceDisc(reply, index % kBoardWidth, index / kBoardWidth, opponent)) {
            replied = true;
            draws += ExpectedDraws(reply, opponent, mode == 2 ? 1 : 2, draws_for_phase);
        }
    }
    if (mode == 2 && !replied) {
        ++draws;
    }
    return draws;
}

// Every square of every position, in the phase the game itself would use (the disc count):
// the fuzz target's checks of each square (tests/support/score_bounds.h gives the bounds), and
// legal squares draw exactly as often as the draw rule says.
void CheckEverySquare(int mode, int games, std::uint64_t seed) {
    RandomSource random = SeededWith(static_cast<std::uint32_t>(seed));
    int legal_squares = 0;
    ForEachRandomPosition(seed, games, [&](const Board& board, Side side) {
        const int move_count = DiscsOnBoard(board);
        for (int index = 0; index < kCellCount; ++index) {
            const int column = index % kBoardWidth;
            const int row = index / kBoardWidth;
            const RandomSource before = random;
            int score = 0;
            ASSERT_EQ(
                BrokenScoreProperty(board, column, row, side, mode, move_count, random, score), "");
            const int draws = DrawsBetween(before, random);
            Board after = board;
            if (!PlaceDisc(after, column, row, side)) {
                ASSERT_EQ(draws, 0);
                continue;
            }
            ++legal_squares;
            ASSERT_EQ(draws, ExpectedDraws(after, side, mode, move_count <= 54))
                << "mode " << mode << ", move_count " << move_count;
        }
    });
    EXPECT_GT(legal_squares, games * 20);
}

TEST(ScoreProperties, OnePly) {
    CheckEverySquare(1, 200, 101);
}
TEST(ScoreProperties, TwoPlies) {
    CheckEverySquare(2, 40, 202);
}
TEST(ScoreProperties, ThreePlies) {
    CheckEverySquare(3, 6, 303);
}

TEST(ChoiceProperties, BoardUntouchedAndLevelsTwoAndThreeAlike) {
    int positions = 0;
    ForEachRandomPosition(404, 6, [&](const Board& board, Side side) {
        const int move_count = DiscsOnBoard(board);
        const auto seed = static_cast<std::uint32_t>(positions);
        for (int mode : {1, 2, 3}) {
            // The board untouched, a legal square exactly for a side with a move: the fuzz
            // target's checks of the choice.
            ChoiceMade choice;
            ASSERT_EQ(BrokenChoiceProperty(board, side, mode, move_count, seed, choice), "");
            if (mode == 3) {
                RandomSource again = SeededWith(seed);
                int column5 = 0;
                int row5 = 0;
                ChooseMove(board, column5, row5, side, 5, move_count, again);
                ASSERT_EQ(column5, choice.column);
                ASSERT_EQ(row5, choice.row);
                ASSERT_EQ(again.state, choice.random.state);
            }
        }
        ++positions;
    });
}

TEST(ChoiceProperties, FinalPhaseOnePlyTakesTheFirstSquareLeavingMostDiscs) {
    ForEachRandomPosition(505, 100, [](const Board& board, Side side) {
        int best_discs = 0;
        int best_column = kNoSquare;
        int best_row = kNoSquare;
        for (int index = 0; index < kCellCount; ++index) {
            Board after = board;
            if (!PlaceDisc(after, index % kBoardWidth, index / kBoardWidth, side)) {
                continue;
            }
            const DiscCount count = CountDiscs(after);
            const int discs = side == kRed ? count.red : count.blue;
            if (discs > best_discs) {
                best_discs = discs;
                best_column = index % kBoardWidth;
                best_row = index / kBoardWidth;
            }
        }
        for (int move_count : {55, 64, 90}) {
            RandomSource random = SeededWith(8);
            int column = 0;
            int row = 0;
            ChooseMove(board, column, row, side, 1, move_count, random);
            ASSERT_EQ(column, best_column);
            ASSERT_EQ(row, best_row);
            ASSERT_EQ(random.state, SeededWith(8).state);
        }
    });
}

}  // namespace
