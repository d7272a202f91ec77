// The range of every score that ScoreMove gives a legal square, from its formulas and the weight
// table alone, so that it holds on any board, reachable in play or not.
//
// After a legal move the mover has at least 3 discs (the new one, one turned and the one that
// closes the run) and at most 64. Its position count P (1 a disc, 3 more on a side column, 3 more
// on a top or bottom row) is then 3..160, 160 being 64 + 3 x 16 + 3 x 16. The opponent needs a
// disc of its own to reply, so it has at most 64 - 3 - 1 = 60 replies m: 200 / (m + 1) is 3..200
// and 100 / (m + 1) is 1..100. W, the weight of the square, lies between the table's lowest and
// highest entry (-80..300).
//   early  P + 200 / (m + 1) + (0..6) + W + 100     26..766
//   late   5 P + 100 / (m + 1) + (0..4) + W + 100   36..1304
//   final  10 x discs                               30..640
// One ply is any of the three: 26..1304. Two plies subtract the best one-ply reply and add 3010
// (1732..4288), or without a reply score 5000 + W + (0..9) (4920..5309). Three plies subtract the
// best two-ply reply, of either kind, and add 10000 (4717..9572), or without one score 10000 + W
// (9920..10300).
#pragma once

#include <algorithm>
#include <iterator>

#include "ai/computer_player.h"

struct ScoreRange {
    int low;
    int high;
};

inline ScoreRange WeightRange() {
    const auto [low, high] =
        std::minmax_element(std::begin(PositionWeights), std::end(PositionWeights));
    return {*low, *high};
}

inline ScoreRange OnePlyScoreRange() {
    constexpr int kFewestDiscs = 3;
    constexpr int kLeastPosition = kFewestDiscs;
    constexpr int kMostPosition = kCellCount + 3 * 2 * kBoardWidth + 3 * 2 * kBoardWidth;
    constexpr int kMostReplies = kCellCount - kFewestDiscs - 1;
    const ScoreRange weight = WeightRange();
    const ScoreRange early = {kLeastPosition + 200 / (kMostReplies + 1) + weight.low + 100,
                              kMostPosition + 200 + 6 + weight.high + 100};
    const ScoreRange late = {5 * kLeastPosition + 100 / (kMostReplies + 1) + weight.low + 100,
                             5 * kMostPosition + 100 + 4 + weight.high + 100};
    const ScoreRange final_phase = {10 * kFewestDiscs, 10 * kCellCount};
    return {std::min({early.low, late.low, final_phase.low}),
            std::max({early.high, late.high, final_phase.high})};
}

// The range of a legal square's score in `mode`, by whether the opponent can reply to the move.
inline ScoreRange ScoreBounds(int mode, bool opponent_can_reply) {
    const ScoreRange one = OnePlyScoreRange();
    if (mode == kSearchOnePly) {
        return one;
    }
    const ScoreRange weight = WeightRange();
    const ScoreRange two = {one.low - one.high + 3010, one.high - one.low + 3010};
    const ScoreRange two_unanswered = {5000 + weight.low, 5000 + weight.high + 9};
    if (mode == kSearchTwoPlies) {
        return opponent_can_reply ? two : two_unanswered;
    }
    if (!opponent_can_reply) {
        return {10000 + weight.low, 10000 + weight.high};
    }
    return {one.low - std::max(two.high, two_unanswered.high) + 10000,
            one.high - std::min(two.low, two_unanswered.low) + 10000};
}
