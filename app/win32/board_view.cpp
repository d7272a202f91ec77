#include "app/win32/board_view.h"

#include <cstdio>

#include "rules/board.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRedDisc = RGB(255, 0, 0);
constexpr COLORREF kBlueDisc = RGB(0, 0, 255);

// Fills the client area white, with a pen and a brush that live only for this call.
void FillBackground(HDC dc, const RECT& client) {
    const HPEN pen = CreatePen(PS_SOLID, 1, kWhite);
    const HBRUSH brush = CreateSolidBrush(kWhite);
    const HGDIOBJ kept_pen = SelectObject(dc, pen);
    const HGDIOBJ kept_brush = SelectObject(dc, brush);
    Rectangle(dc, client.left, client.top, client.right, client.bottom);
    SelectObject(dc, kept_pen);
    SelectObject(dc, kept_brush);
    DeleteObject(pen);
    DeleteObject(brush);
}

// Nine vertical and nine horizontal lines; those on 8 * cell may fall just outside the client
// area and are clipped.
void DrawGrid(HDC dc, int cell) {
    const int edge = kBoardWidth * cell;
    const HPEN pen = CreatePen(PS_SOLID, 1, kBlack);
    const HGDIOBJ kept_pen = SelectObject(dc, pen);
    for (int i = 0; i <= kBoardWidth; ++i) {
        MoveToEx(dc, i * cell, 0, nullptr);
        LineTo(dc, i * cell, edge);
    }
    for (int j = 0; j <= kBoardWidth; ++j) {
        MoveToEx(dc, 0, j * cell, nullptr);
        LineTo(dc, edge, j * cell);
    }
    SelectObject(dc, kept_pen);
    DeleteObject(pen);
}

// One disc in its own pen and brush, a pixel clear of the four grid lines around its square.
void DrawDisc(HDC dc, int column, int row, int cell, COLORREF colour) {
    const HPEN pen = CreatePen(PS_SOLID, 1, colour);
    const HBRUSH brush = CreateSolidBrush(colour);
    const HGDIOBJ kept_pen = SelectObject(dc, pen);
    const HGDIOBJ kept_brush = SelectObject(dc, brush);
    Ellipse(dc, column * cell + 2, row * cell + 2, (column + 1) * cell - 1, (row + 1) * cell - 1);
    SelectObject(dc, kept_pen);
    SelectObject(dc, kept_brush);
    DeleteObject(pen);
    DeleteObject(brush);
}

void DrawDiscs(HDC dc, const Board& board, int cell) {
    for (int row = 0; row < kBoardWidth; ++row) {
        for (int column = 0; column < kBoardWidth; ++column) {
            const Cell disc = board.cells[CellIndex(column, row)];
            if (disc == kRed) {
                DrawDisc(dc, column, row, cell, kRedDisc);
            } else if (disc == kBlue) {
                DrawDisc(dc, column, row, cell, kBlueDisc);
            }
        }
    }
}

}  // namespace

void PaintBoard(HWND window, GameSession& game) {
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    SetBkColor(dc, kWhite);
    FillBackground(dc, client);

    // The largest board of whole-pixel squares that fits; the rest of the client area stays white.
    int cell = client.right - client.left;
    game.client_height = client.bottom - client.top;
    if (game.client_height < cell) {
        cell = game.client_height;
    }
    game.cell_size = cell / kBoardWidth;

    DrawGrid(dc, game.cell_size);
    // Under 8 pixels the board has shrunk to its top-left corner: no room for a disc.
    if (game.cell_size > 0) {
        DrawDiscs(dc, game.board, game.cell_size);
    }
    EndPaint(window, &paint);

    char title[16];  // the longest title is 8 bytes
    std::snprintf(title, sizeof title, "%s", TitleForTurn(game.turn));
    SetWindowTextA(window, title);
}

Square SquareFromPoint(const GameSession& game, unsigned x, unsigned y) {
    if (game.cell_size <= 0) {
        return {kBoardWidth, kBoardWidth};
    }
    const unsigned cell = static_cast<unsigned>(game.cell_size);
    return {static_cast<int>(x / cell), static_cast<int>(y / cell)};
}
