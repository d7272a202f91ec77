// Properties of the computer player on every board, reachable in play or not, in every phase
// and search mode: -1 exactly for illegal squares, which draw nothing; legal squares score
// within the bounds that the scoring formulas imply (tests/support/score_bounds.h); ChooseMove
// reports the first best square, a legal one, or the off-board square exactly when the side has
// no move; and neither changes the board.
#pragma once

#include <cstdint>
#include <string>

#include "ai/computer_player.h"
#include "ai/random_source.h"
#include "tests/properties/property.h"
#include "rules/availability.h"
#include "rules/board.h"
#include "tests/support/draw_count.h"
#include "tests/support/board_values.h"
#include "tests/support/score_bounds.h"

// Scores (column, row) with `random`, as ChooseMove scores each square, into `score`.
inline std::string BrokenScoreProperty(const Board& board, int column, int row, Side side, int mode,
                                       int move_count, RandomSource& random, int& score) {
    const auto where = [&] {
        return "(mode " + std::to_string(mode) + ", move_count " + std::to_string(move_count) +
               ", square " + std::to_string(column) + "," + std::to_string(row) + ": " +
               std::to_string(score) + ")";
    };
    const Board original = board;
    Board after = board;
    const bool legal = PlaceDisc(after, column, row, side) == 1;
    const RandomSource before = random;
    score = ScoreMove(board, column, row, side, mode, move_count, random);
    PLIX_PROPERTY(board == original);
    if (!legal) {
        PLIX_PROPERTY(score == -1);
        PLIX_PROPERTY(random.state == before.state);
        return {};
    }
    const ScoreRange bounds = ScoreBounds(mode, HasNoMove(after, Opponent(side)) == 0);
    PLIX_PROPERTY(score >= bounds.low && score <= bounds.high);
    return {};
}

struct ChoiceMade {
    int column;
    int row;
    RandomSource random;  // the generator after the choice
};

// Every square in scan order from one generator seeded with `seed`, the sequence of draws that
// ChooseMove makes, so that its answer and its generator state can be compared; `choice` gets
// ChooseMove's answer.
inline std::string BrokenChoiceProperty(const Board& board, Side side, int mode, int move_count,
                                        std::uint32_t seed, ChoiceMade& choice) {
    const auto where = [&] {
        return "(mode " + std::to_string(mode) + ", move_count " + std::to_string(move_count) + ")";
    };
    const Board original = board;
    RandomSource random = SeededWith(seed);
    int best = 0;
    int best_column = kNoSquare;
    int best_row = kNoSquare;
    bool any_legal = false;
    for (int row = 0; row < kBoardWidth; ++row) {
        for (int column = 0; column < kBoardWidth; ++column) {
            int score = 0;
            const std::string broken =
                BrokenScoreProperty(board, column, row, side, mode, move_count, random, score);
            if (!broken.empty()) {
                return broken;
            }
            any_legal = any_legal || score != -1;
            if (score > best) {
                best = score;
                best_column = column;
                best_row = row;
            }
        }
    }
    PLIX_PROPERTY(any_legal == (HasNoMove(board, side) == 0));

    choice.random = SeededWith(seed);
    choice.column = 100;
    choice.row = 100;
    ChooseMove(board, choice.column, choice.row, side, mode, move_count, choice.random);
    PLIX_PROPERTY(board == original);
    PLIX_PROPERTY(choice.column == best_column && choice.row == best_row);
    PLIX_PROPERTY(choice.random.state == random.state);
    if (any_legal) {
        Board after = board;
        PLIX_PROPERTY(OnBoard(choice.column, choice.row) &&
                      PlaceDisc(after, choice.column, choice.row, side) == 1);
    } else {
        PLIX_PROPERTY(choice.column == kNoSquare && choice.row == kNoSquare);
    }
    return {};
}

// Every mode but 1 and 2 scores (column, row) exactly like mode 5, draws included.
inline std::string BrokenModeFiveProperty(const Board& board, int column, int row, Side side,
                                          int mode, int move_count, std::uint32_t seed) {
    if (mode == kSearchOnePly || mode == kSearchTwoPlies) {
        return {};
    }
    RandomSource as_given = SeededWith(seed);
    RandomSource as_five = SeededWith(seed);
    const int given = ScoreMove(board, column, row, side, mode, move_count, as_given);
    const int five = ScoreMove(board, column, row, side, 5, move_count, as_five);
    const auto where = [&] { return "(mode " + std::to_string(mode) + ")"; };
    PLIX_PROPERTY(given == five && as_given.state == as_five.state);
    return {};
}
