// The playing field and the one operation that plays a move.
#pragma once

#include <cstdint>

// A cell holds 0 (empty), 1 (red disc) or 2 (blue disc).
using Cell = std::int8_t;

// A side is 1 (red, moves first) or 2 (blue, moves second).
using Side = int;

constexpr Cell kEmpty = 0;
constexpr Side kRed = 1;
constexpr Side kBlue = 2;

constexpr int kBoardWidth = 8;
constexpr int kCellCount = 64;

// 64 cells, row-major: the square (column, row) is cells[row * 8 + column], row 0 at the top.
// A plain value; copying it copies the position.
struct Board {
    Cell cells[kCellCount];
};

inline int CellIndex(int column, int row) { return row * kBoardWidth + column; }

inline Side Opponent(Side side) { return side == kRed ? kBlue : kRed; }

inline bool OnBoard(int column, int row) {
    return column >= 0 && column < kBoardWidth && row >= 0 && row < kBoardWidth;
}

// The eight steps to a neighbour, in the order every scan examines them:
// up, down, left, right, up-left, down-left, up-right, down-right.
struct Direction {
    int column;
    int row;
};
inline constexpr Direction kDirections[8] = {{0, -1}, {0, 1},   {-1, 0}, {1, 0},
                                             {-1, -1}, {-1, 1}, {1, -1}, {1, 1}};

// All cells empty except the four centre discs: red on (3,3) and (4,4), blue on (4,3) and (3,4).
void SetStartingPosition(Board& board);

// Number of opponent discs that a disc of `side` on (column, row) would close off in one
// direction: 0 unless a run of one or more opponent discs ends on the board on a disc of `side`.
// Each step tests the column and the row against the board on its own, so runs never wrap.
int RunLength(const Board& board, int column, int row, Direction step, Side side);

// Plays `side` on (column, row), both 0..7 (the caller checks the range). Returns 1 and turns
// every captured run when the move is legal; returns 0 and writes nothing when the square is
// occupied or captures in no direction. This is the only legality test in the program.
int PlaceDisc(Board& board, int column, int row, Side side);
