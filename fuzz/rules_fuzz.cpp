// Properties of the rules that hold on every board, reachable in play or not: a refused move
// writes nothing, an accepted one places the mover's disc and turns exactly the opponent runs it
// closes off, and the availability questions agree with move execution square by square.
#include <cstring>

#include "fuzz/fuzz_case.h"
#include "rules/availability.h"
#include "rules/board.h"

namespace {

// Written apart from the rules' own walk: the number of opponent discs between (column, row)
// and the first disc of `side` in direction (dx, dy), or 0 when the run is empty, ends on an
// empty square or runs off the board.
int ClosedRun(const Board& board, int column, int row, int dx, int dy, Side side) {
    const Cell opponent = static_cast<Cell>(3 - side);
    int length = 0;
    for (int c = column + dx, r = row + dy; c >= 0 && c < 8 && r >= 0 && r < 8; c += dx, r += dy) {
        const Cell cell = board.cells[r * 8 + c];
        if (cell == opponent) {
            ++length;
        } else {
            return cell == side ? length : 0;
        }
    }
    return 0;
}

bool SameBoard(const Board& a, const Board& b) {
    return std::memcmp(a.cells, b.cells, sizeof a.cells) == 0;
}

// Plays every square for `side` on a copy and checks the outcome against the runs found by
// ClosedRun. Returns the number of accepted squares.
int CheckEveryMove(const Board& board, Side side) {
    int accepted = 0;
    for (int index = 0; index < kCellCount; ++index) {
        const int column = index % 8;
        const int row = index / 8;
        // The cells that the move must write: the target and every closed run.
        bool expected[kCellCount] = {};
        bool captures = false;
        for (const Direction& step : kDirections) {
            const int length = ClosedRun(board, column, row, step.column, step.row, side);
            FUZZ_CHECK(RunLength(board, column, row, step, side) == length);
            for (int i = 1; i <= length; ++i) {
                expected[(row + i * step.row) * 8 + column + i * step.column] = true;
            }
            captures = captures || length > 0;
        }
        const bool legal = board.cells[index] == kEmpty && captures;
        expected[index] = legal;

        Board after = board;
        const int result = PlaceDisc(after, column, row, side);
        FUZZ_CHECK(result == 0 || result == 1);
        FUZZ_CHECK((result == 1) == legal);
        if (result == 0) {
            FUZZ_CHECK(SameBoard(after, board));
            continue;
        }
        ++accepted;
        for (int cell = 0; cell < kCellCount; ++cell) {
            if (expected[cell]) {
                // The target was empty, every turned disc was the opponent's.
                FUZZ_CHECK(cell == index ? board.cells[cell] == kEmpty
                                         : board.cells[cell] == 3 - side);
                FUZZ_CHECK(after.cells[cell] == side);
            } else {
                FUZZ_CHECK(after.cells[cell] == board.cells[cell]);
            }
        }
        // Nothing is left to capture from the new disc.
        for (const Direction& step : kDirections) {
            FUZZ_CHECK(ClosedRun(after, column, row, step.column, step.row, side) == 0);
        }
    }
    return accepted;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const FuzzCase input = DecodeFuzzCase(data, size);
    Board board = input.board;  // not const: the queries must leave it as it is by themselves
    const Board original = board;

    const int red_moves = CheckEveryMove(board, kRed);
    const int blue_moves = CheckEveryMove(board, kBlue);

    FUZZ_CHECK(CountMoves(board, kRed) == red_moves);
    FUZZ_CHECK(CountMoves(board, kBlue) == blue_moves);
    FUZZ_CHECK(HasNoMove(board, kRed) == (red_moves == 0 ? 1 : 0));
    FUZZ_CHECK(HasNoMove(board, kBlue) == (blue_moves == 0 ? 1 : 0));
    FUZZ_CHECK(IsGameOver(board) == (red_moves == 0 && blue_moves == 0 ? 1 : 0));

    int red = 0;
    int blue = 0;
    for (Cell cell : board.cells) {
        red += cell == kRed;
        blue += cell == kBlue;
    }
    const DiscCount discs = CountDiscs(board);
    FUZZ_CHECK(discs.red == red && discs.blue == blue);

    FUZZ_CHECK(SameBoard(board, original));
    return 0;
}
