#include "rules/board.h"

void SetStartingPosition(Board& board) {
    for (Cell& cell : board.cells) {
        cell = kEmpty;
    }
    board.cells[CellIndex(3, 3)] = kRed;
    board.cells[CellIndex(4, 4)] = kRed;
    board.cells[CellIndex(4, 3)] = kBlue;
    board.cells[CellIndex(3, 4)] = kBlue;
}

int RunLength(const Board& board, int column, int row, Direction step, Side side) {
    const Side opponent = Opponent(side);
    int c = column + step.column;
    int r = row + step.row;
    int length = 0;
    while (OnBoard(c, r) && board.cells[CellIndex(c, r)] == opponent) {
        c += step.column;
        r += step.row;
        ++length;
    }
    if (length == 0 || !OnBoard(c, r) || board.cells[CellIndex(c, r)] != side) {
        return 0;
    }
    return length;
}

int PlaceDisc(Board& board, int column, int row, Side side) {
    if (board.cells[CellIndex(column, row)] != kEmpty) {
        return 0;
    }
    const Cell own = static_cast<Cell>(side);
    int placed = 0;
    // Each run is turned as soon as it is found; the eight runs out of one square never share a
    // cell, so turning one cannot change what a later direction finds.
    for (const Direction& step : kDirections) {
        const int length = RunLength(board, column, row, step, side);
        for (int i = 1; i <= length; ++i) {
            board.cells[CellIndex(column + i * step.column, row + i * step.row)] = own;
        }
        if (length > 0) {
            placed = 1;
        }
    }
    if (placed) {
        board.cells[CellIndex(column, row)] = own;
    }
    return placed;
}
