// Drawing the game into the page's client area, and the square under a click: the geometry of
// the Windows board view, in CSS pixels.
#pragma once

#include "app/session.h"

struct Square {
    int column;
    int row;
};

// One paint of a client area `width` by `height`: fits the board into it (setting the session's
// cell_size and client_height), draws the grid and the discs, then sets the side to move as the
// title.
void PaintBoard(GameSession& game, int width, int height);

// The square under the client-area point (x, y), with the square size of the last paint; right
// of or below the board, column or row is 8 or more, and so is every point before the first
// paint or while the client area is too small for a board.
Square SquareFromPoint(const GameSession& game, unsigned x, unsigned y);
