#include "rules/availability.h"

int HasNoMove(const Board& board, Side side) {
    // Trials run on a private copy; a refused trial leaves it unchanged and the scan stops at the
    // first accepted one, so every trial sees the caller's position.
    Board scratch = board;
    for (int row = 0; row < kBoardWidth; ++row) {
        for (int column = 0; column < kBoardWidth; ++column) {
            if (PlaceDisc(scratch, column, row, side)) {
                return 0;
            }
        }
    }
    return 1;
}

int IsGameOver(const Board& board) {
    Board scratch = board;
    for (int row = 0; row < kBoardWidth; ++row) {
        for (int column = 0; column < kBoardWidth; ++column) {
            if (PlaceDisc(scratch, column, row, kRed) || PlaceDisc(scratch, column, row, kBlue)) {
                return 0;
            }
        }
    }
    return 1;
}

int CountMoves(const Board& board, Side side) {
    int count = 0;
    for (int row = 0; row < kBoardWidth; ++row) {
        for (int column = 0; column < kBoardWidth; ++column) {
            if (board.cells[CellIndex(column, row)] != kEmpty) {
                continue;
            }
            for (const Direction& step : kDirections) {
                if (RunLength(board, column, row, step, side) > 0) {
                    ++count;
                    break;
                }
            }
        }
    }
    return count;
}

DiscCount CountDiscs(const Board& board) {
    DiscCount count = {0, 0};
    for (Cell cell : board.cells) {
        if (cell == kRed) {
            ++count.red;
        } else if (cell == kBlue) {
            ++count.blue;
        }
    }
    return count;
}
