// Properties of the computer player on every board, reachable in play or not, in every phase
// and search mode: -1 exactly for illegal squares, which draw nothing; legal squares score
// within the bounds that the scoring formulas imply; ChooseMove reports the first best square,
// a legal one, or the off-board square exactly when the side has no move.
//
// The bounds follow from the formulas alone, so they hold on any board, reachable or not. After
// a legal move the mover has at least 3 discs (the new one, one turned and the one closing the
// run), so its position count is 3..160 (160: all 64 discs, 3 more for each of the 16 cells on
// the side columns and the 16 on the top and bottom rows); the opponent can then reply on at
// most 60 squares, so the mobility term is 3..200 early and 1..100 late; the weight of the square
// is -80..300. A one-ply score is therefore 26..766 early, 36..1304 late and 30..640 in the final
// phase: 26..1304. Two plies subtract a one-ply reply (1732..4288) or score 5000 + weight +
// 0..9 (4920..5309); three plies subtract a two-ply reply (4717..9572) or score 10000 + weight
// (9920..10300). Coarser ranges that ignore the closing disc and the limit on mobility
// (20..1304, 1726..4294, 4711..9578) contain these.
#include <cstring>

#include "ai/computer_player.h"
#include "ai/random_source.h"
#include "fuzz/fuzz_case.h"
#include "rules/availability.h"
#include "rules/board.h"

namespace {

struct Range {
    int low;
    int high;
};

Range ScoreBounds(int mode, bool opponent_can_reply) {
    if (mode == kSearchOnePly) {
        return {26, 1304};
    }
    if (mode == kSearchTwoPlies) {
        return opponent_can_reply ? Range{1732, 4288} : Range{4920, 5309};
    }
    return opponent_can_reply ? Range{4717, 9572} : Range{9920, 10300};
}

bool SameBoard(const Board& a, const Board& b) {
    return std::memcmp(a.cells, b.cells, sizeof a.cells) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const FuzzCase input = DecodeFuzzCase(data, size);
    Board board = input.board;  // not const: the player must leave it as it is by itself
    const Side side = input.side;

    // Every square in scan order, from one generator: the sequence of draws that ChooseMove
    // makes, so its answer and its generator state can be compared afterwards.
    RandomSource random;
    SeedRandom(random, input.seed);
    int best = 0;
    int best_column = kNoSquare;
    int best_row = kNoSquare;
    bool any_legal = false;
    for (int row = 0; row < kBoardWidth; ++row) {
        for (int column = 0; column < kBoardWidth; ++column) {
            Board after = board;
            const bool legal = PlaceDisc(after, column, row, side) == 1;
            const RandomSource before = random;
            const int score =
                ScoreMove(board, column, row, side, input.mode, input.move_count, random);
            FUZZ_CHECK(SameBoard(board, input.board));
            if (!legal) {
                FUZZ_CHECK(score == -1);
                FUZZ_CHECK(random.state == before.state);
                continue;
            }
            any_legal = true;
            const Range bounds = ScoreBounds(input.mode, HasNoMove(after, Opponent(side)) == 0);
            FUZZ_CHECK(score >= bounds.low && score <= bounds.high);
            if (score > best) {
                best = score;
                best_column = column;
                best_row = row;
            }
        }
    }
    FUZZ_CHECK(any_legal == (HasNoMove(board, side) == 0));

    RandomSource choice_random;
    SeedRandom(choice_random, input.seed);
    int column = 100;
    int row = 100;
    ChooseMove(board, column, row, side, input.mode, input.move_count, choice_random);
    FUZZ_CHECK(SameBoard(board, input.board));
    FUZZ_CHECK(column == best_column && row == best_row);
    FUZZ_CHECK(choice_random.state == random.state);
    if (any_legal) {
        Board after = board;
        FUZZ_CHECK(OnBoard(column, row) && PlaceDisc(after, column, row, side) == 1);
    } else {
        FUZZ_CHECK(column == kNoSquare && row == kNoSquare);
    }

    // Every mode but 1 and 2 searches exactly like mode 5, draws included.
    if (input.mode != kSearchOnePly && input.mode != kSearchTwoPlies) {
        RandomSource as_given;
        RandomSource as_five;
        SeedRandom(as_given, input.seed);
        SeedRandom(as_five, input.seed);
        const int given =
            ScoreMove(board, input.column, input.row, side, input.mode, input.move_count, as_given);
        const int five =
            ScoreMove(board, input.column, input.row, side, 5, input.move_count, as_five);
        FUZZ_CHECK(given == five && as_given.state == as_five.state);
    }
    return 0;
}
