#include "ai/computer_player.h"

#include <array>

#include <gtest/gtest.h>

#include "rules/board.h"
#include "tests/support/draw_count.h"
#include "tests/support/board_values.h"
#include "tests/support/diagram.h"

namespace {

constexpr int kEarly = 4;  // move counts that select each phase
constexpr int kLate = 50;
constexpr int kFinal = 60;

// Every square scored in the order ChooseMove visits them, sharing one generator as it does.
std::array<int, kCellCount> ScoreEverySquare(const Board& board, Side side, int mode,
                                             int move_count, RandomSource& random) {
    std::array<int, kCellCount> scores{};
    for (int index = 0; index < kCellCount; ++index) {
        scores[index] = ScoreMove(board, index % kBoardWidth, index / kBoardWidth, side, mode,
                                  move_count, random);
    }
    return scores;
}

struct Choice {
    int column;
    int row;
    int draws;
};

Choice Choose(const Board& board, Side side, int mode, int move_count, RandomSource& random) {
    const RandomSource before = random;
    Choice choice{};
    ChooseMove(board, choice.column, choice.row, side, mode, move_count, random);
    choice.draws = DrawsBetween(before, random);
    return choice;
}

// The opening position with red to move and the generator seeded with 1: the legal squares are
// (4,2), (5,3), (2,4) and (3,5), and every other square must score -1.
struct OpeningCase {
    int mode;
    int scores[4];
    int column;
    int row;
    int draws;
};

class OpeningExample : public testing::TestWithParam<OpeningCase> {};

TEST_P(OpeningExample, ScoresChoiceAndDraws) {
    const OpeningCase& expected = GetParam();
    const Board board = StartingBoard();
    const int legal[4] = {CellIndex(4, 2), CellIndex(5, 3), CellIndex(2, 4), CellIndex(3, 5)};

    RandomSource random = SeededWith(1);
    const std::array<int, kCellCount> scores =
        ScoreEverySquare(board, kRed, expected.mode, kEarly, random);
    EXPECT_EQ(DrawsBetween(SeededWith(1), random), expected.draws);
    std::array<int, kCellCount> wanted;
    wanted.fill(-1);
    for (int i = 0; i < 4; ++i) {
        wanted[legal[i]] = expected.scores[i];
    }
    EXPECT_EQ(scores, wanted);

    random = SeededWith(1);
    const Choice choice = Choose(board, kRed, expected.mode, kEarly, random);
    EXPECT_EQ(choice.column, expected.column);
    EXPECT_EQ(choice.row, expected.row);
    EXPECT_EQ(choice.draws, expected.draws);
}

INSTANTIATE_TEST_SUITE_P(Modes, OpeningExample,
                         testing::Values(OpeningCase{1, {157, 156, 155, 158}, 3, 5, 4},
                                         OpeningCase{2, {3023, 3024, 3019, 3017}, 5, 3, 16},
                                         OpeningCase{3, {7165, 7164, 7161, 7164}, 4, 2, 72},
                                         OpeningCase{5, {7165, 7164, 7161, 7164}, 4, 2, 72}),
                         [](const testing::TestParamInfo<OpeningCase>& info) {
                             return "Mode" + std::to_string(info.param.mode);
                         });

TEST(ScoreMove, PhaseFollowsTheMoveCount) {
    // Red takes the corner and turns two blue discs on the top row: afterwards red has a corner
    // (7), three edge discs (4 each) and two inner ones (1 each), so P = 21 and D = 6; blue still
    // has its four opening replies, m = 4, and W = 300.
    const Board board = BoardFromDiagram(
        ". B B R . . . ."
        ". . . . . . . ."
        ". . . . . . . ."
        ". . . R B . . ."
        ". . . B R . . ."
        ". . . . . . . ."
        ". . . . . . . ."
        ". . . . . . . .");
    for (std::uint32_t seed : {1u, 2u, 77u}) {
        RandomSource peek = SeededWith(seed);
        const int r = DrawRandom(peek);
        struct {
            int move_count;
            int score;
            int draws;
        } const phases[] = {
            {44, 21 + 200 / 5 + r % 7 + 300 + 100, 1},
            {45, 5 * 21 + 100 / 5 + r % 5 + 300 + 100, 1},
            {54, 5 * 21 + 100 / 5 + r % 5 + 300 + 100, 1},
            {55, 10 * 6, 0},
        };
        for (const auto& phase : phases) {
            RandomSource random = SeededWith(seed);
            EXPECT_EQ(ScoreMove(board, 0, 0, kRed, 1, phase.move_count, random), phase.score)
                << "move_count " << phase.move_count << ", seed " << seed;
            EXPECT_EQ(DrawsBetween(SeededWith(seed), random), phase.draws)
                << "move_count " << phase.move_count;
        }
    }
}

// Red can take the corner (0,0), which leaves blue a reply, or play (1,0), which turns both blue
// discs and leaves blue nothing to play.
const char kSilencingMove[] =
    ". . . . . . . ."
    ". B . . . . . ."
    ". B R . . . . ."
    ". R . . . . . ."
    ". . . . . . . ."
    ". . . . . . . ."
    ". . . . . . . ."
    ". . . . . . . .";

TEST(ScoreMove, NoReplyInTwoPliesDrawsOnceMoreAfterTheStaticDraw) {
    const Board board = BoardFromDiagram(kSilencingMove);
    const int weight = -20;
    for (std::uint32_t seed : {1u, 5u, 123456u}) {
        RandomSource peek = SeededWith(seed);
        const int first = DrawRandom(peek);
        const int second = DrawRandom(peek);

        RandomSource random = SeededWith(seed);
        EXPECT_EQ(ScoreMove(board, 1, 0, kRed, 2, kEarly, random), 5000 + weight + second % 10);
        EXPECT_EQ(DrawsBetween(SeededWith(seed), random), 2);

        random = SeededWith(seed);
        EXPECT_EQ(ScoreMove(board, 1, 0, kRed, 2, kFinal, random), 5000 + weight + first % 10);
        EXPECT_EQ(DrawsBetween(SeededWith(seed), random), 1);
    }
}

TEST(ScoreMove, NoReplyInThreePliesIsExactAndDrawsNothingForIt) {
    const Board board = BoardFromDiagram(kSilencingMove);
    for (int mode : {3, 5, 0, -7}) {
        RandomSource random = SeededWith(9);
        EXPECT_EQ(ScoreMove(board, 1, 0, kRed, mode, kEarly, random), 10000 - 20);
        EXPECT_EQ(DrawsBetween(SeededWith(9), random), 1) << "only the static draw";

        random = SeededWith(9);
        EXPECT_EQ(ScoreMove(board, 1, 0, kRed, mode, kFinal, random), 10000 - 20);
        EXPECT_EQ(random.state, SeededWith(9).state);
    }
}

TEST(ChooseMove, SilencingTheOpponentBeatsACornerOnlyInTheDeeperModes) {
    const Board board = BoardFromDiagram(kSilencingMove);
    for (int move_count : {kEarly, kLate}) {
        RandomSource random = SeededWith(3);
        Choice choice = Choose(board, kRed, 1, move_count, random);
        EXPECT_EQ(choice.column, 0);
        EXPECT_EQ(choice.row, 0);
        for (int mode : {2, 3, 5}) {
            random = SeededWith(3);
            choice = Choose(board, kRed, mode, move_count, random);
            EXPECT_EQ(choice.column, 1) << "mode " << mode;
            EXPECT_EQ(choice.row, 0) << "mode " << mode;
        }
    }
}

TEST(ChooseMove, EqualBestScoresGoToTheLowerRowThenTheLowerColumn) {
    // In the final phase each of red's three moves turns one disc, so all score 10 x 5 discs.
    const Board board = BoardFromDiagram(
        ". . . . . . . ."
        ". . . . . . . ."
        ". . . . . . . ."
        ". . B . . B . ."
        ". . R . . R . ."
        ". . . . . . . ."
        "B . . . . . . ."
        "R . . . . . . .");
    RandomSource random = SeededWith(1);
    for (const auto& [column, row] : {std::pair{2, 2}, std::pair{5, 2}, std::pair{0, 5}}) {
        EXPECT_EQ(ScoreMove(board, column, row, kRed, 1, kFinal, random), 50);
    }
    const Choice choice = Choose(board, kRed, 1, kFinal, random);
    EXPECT_EQ(choice.column, 2);
    EXPECT_EQ(choice.row, 2);
    EXPECT_EQ(choice.draws, 0);
}

TEST(ScoreMove, IllegalSquaresScoreMinusOneAndTouchNothing) {
    const Board board = StartingBoard();
    // Occupied by red, occupied by blue, empty and touching nothing, empty next to own disc only.
    const std::pair<int, int> squares[] = {{3, 3}, {4, 3}, {0, 0}, {2, 2}};
    for (int mode : {1, 2, 3, 5}) {
        for (int move_count : {kEarly, kLate, kFinal}) {
            for (const auto& [column, row] : squares) {
                RandomSource random = SeededWith(11);
                EXPECT_EQ(ScoreMove(board, column, row, kRed, mode, move_count, random), -1);
                EXPECT_EQ(random.state, SeededWith(11).state);
            }
        }
    }
    EXPECT_EQ(board, StartingBoard());
}

TEST(ChooseMove, SideWithoutAMoveGetsASquareOffTheBoard) {
    const Board only_red = BoardFromDiagram(
        ". . . . . . . ."
        ". . . . . . . ."
        ". . . . . . . ."
        ". . . R . . . ."
        ". . . . R . . ."
        ". . . . . . . ."
        ". . . . . . . ."
        ". . . . . . . .");
    const Board full = BoardFromDiagram(
        "R R R R R R R R"
        "B B B B B B B B"
        "R R R R R R R R"
        "B B B B B B B B"
        "R R R R R R R R"
        "B B B B B B B B"
        "R R R R R R R R"
        "B B B B B B B B");
    for (const Board* board : {&only_red, &full}) {
        for (int mode : {1, 2, 3, 5}) {
            for (int move_count : {kEarly, kLate, kFinal}) {
                RandomSource random = SeededWith(4);
                const Choice choice = Choose(*board, kBlue, mode, move_count, random);
                EXPECT_FALSE(OnBoard(choice.column, choice.row));
                EXPECT_EQ(choice.column, kNoSquare);
                EXPECT_EQ(choice.row, kNoSquare);
                EXPECT_EQ(choice.draws, 0);
            }
        }
    }
}

TEST(ChooseMove, LevelsMapToModesOneThreeFive) {
    EXPECT_EQ(SearchModeForLevel(1), 1);
    EXPECT_EQ(SearchModeForLevel(2), 3);
    EXPECT_EQ(SearchModeForLevel(3), 5);
}

TEST(PositionWeights, SymmetricAboutBothMiddleLinesAndTheDiagonal) {
    for (int row = 0; row < kBoardWidth; ++row) {
        for (int column = 0; column < kBoardWidth; ++column) {
            const int weight = PositionWeights[CellIndex(column, row)];
            const int mirror = kBoardWidth - 1;
            EXPECT_EQ(weight, PositionWeights[CellIndex(row, column)]);
            EXPECT_EQ(weight, PositionWeights[CellIndex(mirror - column, row)]);
            EXPECT_EQ(weight, PositionWeights[CellIndex(column, mirror - row)]);
        }
    }
}

}  // namespace
