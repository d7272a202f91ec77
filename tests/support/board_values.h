// Boards as values in tests: equality, the disc count and the starting position. Header-only, so
// that the fuzz targets, built without the test library, share it. GoogleTest prints a Board as its
// diagram.
#pragma once

#include <algorithm>
#include <iosfwd>

#include "rules/availability.h"
#include "rules/board.h"

inline bool operator==(const Board& a, const Board& b) {
    return std::equal(std::begin(a.cells), std::end(a.cells), std::begin(b.cells));
}
inline bool operator!=(const Board& a, const Board& b) {
    return !(a == b);
}

// Found by GoogleTest through the argument's namespace; defined with the diagrams.
void PrintTo(const Board& board, std::ostream* out);

inline int DiscsOnBoard(const Board& board) {
    const DiscCount count = CountDiscs(board);
    return count.red + count.blue;
}

inline Board StartingBoard() {
    Board board;
    SetStartingPosition(board);
    return board;
}
