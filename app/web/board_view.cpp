#include "app/web/board_view.h"

#include "app/web/page_calls.h"
#include "rules/board.h"

namespace {

// Nine vertical and nine horizontal lines; those on 8 * cell may fall just outside the client
// area and are clipped.
void DrawGrid(int cell) {
    const int edge = kBoardWidth * cell;
    for (int i = 0; i <= kBoardWidth; ++i) {
        PageLine(i * cell, 0, i * cell, edge);
    }
    for (int j = 0; j <= kBoardWidth; ++j) {
        PageLine(0, j * cell, edge, j * cell);
    }
}

// Each disc a pixel clear of the four grid lines around its square.
void DrawDiscs(const Board& board, int cell) {
    for (int row = 0; row < kBoardWidth; ++row) {
        for (int column = 0; column < kBoardWidth; ++column) {
            const Cell disc = board.cells[CellIndex(column, row)];
            if (disc == kRed || disc == kBlue) {
                PageDisc(column * cell + 2, row * cell + 2, (column + 1) * cell - 1,
                         (row + 1) * cell - 1, disc);
            }
        }
    }
}

}  // namespace

void PaintBoard(GameSession& game, int width, int height) {
    PageBeginPaint(width, height);
    // The largest board of whole-pixel squares that fits; the rest of the client area stays white.
    int cell = width;
    game.client_height = height;
    if (game.client_height < cell) {
        cell = game.client_height;
    }
    game.cell_size = cell / kBoardWidth;

    DrawGrid(game.cell_size);
    // Under 8 pixels the board has shrunk to its top-left corner: no room for a disc.
    if (game.cell_size > 0) {
        DrawDiscs(game.board, game.cell_size);
    }
    PageSetTitle(TitleForTurn(game.turn));
}

Square SquareFromPoint(const GameSession& game, unsigned x, unsigned y) {
    if (game.cell_size <= 0) {
        return {kBoardWidth, kBoardWidth};
    }
    const unsigned cell = static_cast<unsigned>(game.cell_size);
    return {static_cast<int>(x / cell), static_cast<int>(y / cell)};
}
