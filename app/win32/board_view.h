// Drawing the game into the main window's client area, and the square under a click.
#pragma once

#include <windows.h>

#include "app/session.h"

struct Square {
    int column;
    int row;
};

// The whole handling of WM_PAINT: fits the board into the client area (setting the session's
// cell_size and client_height), draws the grid and the discs, and then writes the side to move
// into the title bar.
void PaintBoard(HWND window, GameSession& game);

// The square under the client-area point (x, y), with the square size of the last paint. The
// result is not limited to the board: right of or below it, column or row is 8 or more. Before
// the first paint, or while the client area is too small for a board, every point lies off it.
Square SquareFromPoint(const GameSession& game, unsigned x, unsigned y);
