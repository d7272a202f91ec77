// Properties of the rules that hold on every board, reachable in play or not: a refused move
// writes nothing, an accepted one places the mover's disc and turns exactly the opponent runs it
// closes off, and the availability questions agree with move execution square by square.
#pragma once

#include <string>

#include "tests/properties/property.h"
#include "rules/availability.h"
#include "rules/board.h"
#include "tests/support/board_values.h"

namespace rules_properties {

// Written apart from the rules' own walk: the number of opponent discs between (column, row)
// and the first disc of `side` in direction (dx, dy), or 0 when the run is empty, ends on an
// empty square or runs off the board.
inline int ClosedRun(const Board& board, int column, int row, int dx, int dy, Side side) {
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

// Plays every square for `side` on a copy and checks the outcome against the runs found by
// ClosedRun; `accepted` gets the number of accepted squares.
inline std::string CheckEveryMove(const Board& board, Side side, int& accepted) {
    accepted = 0;
    for (int index = 0; index < kCellCount; ++index) {
        const int column = index % 8;
        const int row = index / 8;
        const auto where = [&] {
            return "(side " + std::to_string(side) + " on " + std::to_string(column) + "," +
                   std::to_string(row) + ")";
        };
        // The cells that the move must write: the target and every closed run.
        bool expected[kCellCount] = {};
        bool captures = false;
        for (const Direction& step : kDirections) {
            const int length = ClosedRun(board, column, row, step.column, step.row, side);
            PLIX_PROPERTY(RunLength(board, column, row, step, side) == length);
            for (int i = 1; i <= length; ++i) {
                expected[(row + i * step.row) * 8 + column + i * step.column] = true;
            }
            captures = captures || length > 0;
        }
        const bool legal = board.cells[index] == kEmpty && captures;
        expected[index] = legal;

        Board after = board;
        const int result = PlaceDisc(after, column, row, side);
        PLIX_PROPERTY(result == 0 || result == 1);
        PLIX_PROPERTY((result == 1) == legal);
        if (result == 0) {
            PLIX_PROPERTY(after == board);
            continue;
        }
        ++accepted;
        int turned = 0;
        for (int cell = 0; cell < kCellCount; ++cell) {
            if (expected[cell]) {
                // The target was empty, every turned disc was the opponent's.
                PLIX_PROPERTY(cell == index ? board.cells[cell] == kEmpty
                                            : board.cells[cell] == 3 - side);
                PLIX_PROPERTY(after.cells[cell] == side);
                turned += cell != index;
            } else {
                PLIX_PROPERTY(after.cells[cell] == board.cells[cell]);
            }
        }
        // Nothing is left to capture from the new disc, and the counts follow the turned discs.
        for (const Direction& step : kDirections) {
            PLIX_PROPERTY(ClosedRun(after, column, row, step.column, step.row, side) == 0);
        }
        const DiscCount was = CountDiscs(board);
        const DiscCount now = CountDiscs(after);
        PLIX_PROPERTY(now.red - was.red == (side == kRed ? turned + 1 : -turned) &&
                      now.blue - was.blue == (side == kBlue ? turned + 1 : -turned));
    }
    return {};
}

}  // namespace rules_properties

// Every property on one board; `board` is a copy that the queries must leave as it is by
// themselves.
inline std::string BrokenRulesProperty(Board board) {
    using rules_properties::CheckEveryMove;
    const Board original = board;
    const auto where = [] { return std::string(); };
    int red_moves = 0;
    int blue_moves = 0;
    for (const std::string& broken :
         {CheckEveryMove(board, kRed, red_moves), CheckEveryMove(board, kBlue, blue_moves)}) {
        if (!broken.empty()) {
            return broken;
        }
    }
    PLIX_PROPERTY(CountMoves(board, kRed) == red_moves);
    PLIX_PROPERTY(CountMoves(board, kBlue) == blue_moves);
    PLIX_PROPERTY(HasNoMove(board, kRed) == (red_moves == 0 ? 1 : 0));
    PLIX_PROPERTY(HasNoMove(board, kBlue) == (blue_moves == 0 ? 1 : 0));
    PLIX_PROPERTY(IsGameOver(board) == (red_moves == 0 && blue_moves == 0 ? 1 : 0));

    int red = 0;
    int blue = 0;
    for (Cell cell : board.cells) {
        red += cell == kRed;
        blue += cell == kBlue;
    }
    const DiscCount discs = CountDiscs(board);
    PLIX_PROPERTY(discs.red == red && discs.blue == blue);

    PLIX_PROPERTY(board == original);
    return {};
}
