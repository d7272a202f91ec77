// Painting through the real WM_PAINT of the main window, read back from the window's pixels,
// and the title written after every paint.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/texts.h"
#include "app/win32/resource.h"
#include "main_window_fixture.h"
#include "win32_support.h"

namespace {

// The colour a square's centre must show for what the board holds there.
std::uint32_t DiscPixel(Cell cell) {
    return cell == kRed ? kRedPixel : cell == kBlue ? kBluePixel : kWhitePixel;
}

using BoardViewTest = MainWindowTest;

TEST_F(BoardViewTest, PaintsA248By250ClientAreaWith31PixelSquares) {
    SetClientSize(window_, 248, 250);
    ASSERT_EQ(ClientSize(window_).cx, 248);
    ASSERT_EQ(ClientSize(window_).cy, 250);
    game().board.cells[CellIndex(0, 0)] = kRed;
    game().board.cells[CellIndex(7, 7)] = kBlue;
    Repaint(window_);
    EXPECT_EQ(game().cell_size, 31);
    EXPECT_EQ(game().client_height, 250);

    const ClientPixels pixels(window_);
    // Vertical lines at 0, 31, ..., 217; the one at 248 lies outside the client area.
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(pixels.at(31 * i, 40), kBlackPixel) << "vertical line " << i;
        EXPECT_EQ(pixels.at(31 * i + 1, 40), kWhitePixel) << "right of vertical line " << i;
    }
    EXPECT_EQ(pixels.at(247, 40), kWhitePixel);
    // Horizontal lines at 0, 31, ..., 248, the last one inside the client area and as long as
    // the board is wide; below it the client area is white.
    for (int j = 0; j <= 8; ++j) {
        EXPECT_EQ(pixels.at(40, 31 * j), kBlackPixel) << "horizontal line " << j;
        EXPECT_EQ(pixels.at(247, 31 * j), kBlackPixel) << "horizontal line " << j;
    }
    for (int x = 0; x < 248; x += 13) {
        EXPECT_EQ(pixels.at(x, 249), kWhitePixel) << x;
    }

    // The disc on (0, 0): box (2, 2)-(30, 30), pixels 2 to 29 across and down.
    EXPECT_EQ(pixels.at(15, 15), kRedPixel);
    EXPECT_EQ(pixels.at(2, 15), kRedPixel);
    EXPECT_EQ(pixels.at(29, 15), kRedPixel);
    EXPECT_EQ(pixels.at(15, 2), kRedPixel);
    EXPECT_EQ(pixels.at(15, 29), kRedPixel);
    EXPECT_EQ(pixels.at(1, 15), kWhitePixel);
    EXPECT_EQ(pixels.at(30, 15), kWhitePixel);
    EXPECT_EQ(pixels.at(15, 1), kWhitePixel);
    EXPECT_EQ(pixels.at(15, 30), kWhitePixel);
    // A circle, not a square: the box's corners stay white.
    EXPECT_EQ(pixels.at(3, 3), kWhitePixel);
    // The disc on (7, 7), next to the clipped last vertical line: pixels 219 to 246.
    EXPECT_EQ(pixels.at(219, 232), kBluePixel);
    EXPECT_EQ(pixels.at(246, 232), kBluePixel);
    EXPECT_EQ(pixels.at(218, 232), kWhitePixel);

    // Every square's centre shows what the board holds there.
    for (int row = 0; row < 8; ++row) {
        for (int column = 0; column < 8; ++column) {
            EXPECT_EQ(pixels.at(31 * column + 15, 31 * row + 15),
                      DiscPixel(game().board.cells[CellIndex(column, row)]))
                << column << "," << row;
        }
    }
}

TEST_F(BoardViewTest, AWideClientAreaKeepsTheBoardSquareAndTheRestWhite) {
    SetClientSize(window_, 300, 200);
    ASSERT_EQ(ClientSize(window_).cx, 300);
    ASSERT_EQ(ClientSize(window_).cy, 200);
    EXPECT_EQ(game().cell_size, 25);
    const ClientPixels pixels(window_);
    EXPECT_EQ(pixels.at(200, 10), kBlackPixel);
    EXPECT_EQ(pixels.at(200, 199), kBlackPixel);
    for (int x = 201; x < 300; x += 7) {
        for (int y = 0; y < 200; y += 11) {
            ASSERT_EQ(pixels.at(x, y), kWhitePixel) << x << "," << y;
        }
    }
    // Starting discs: red on (3, 3), blue on (4, 3).
    EXPECT_EQ(pixels.at(3 * 25 + 12, 3 * 25 + 12), kRedPixel);
    EXPECT_EQ(pixels.at(4 * 25 + 12, 3 * 25 + 12), kBluePixel);

    // A click in the white strip is column 8: nothing is placed.
    Command(IDM_START);
    const Board before = game().board;
    Click(210, 2 * 25 + 3);
    EXPECT_EQ(game().board, before);
    EXPECT_EQ(game().turn, kRed);
}

TEST_F(BoardViewTest, ResizingRepaintsAtTheNewSquareSize) {
    SetClientSize(window_, 248, 250);
    ASSERT_EQ(game().cell_size, 31);
    // Only the window's class styles ask for this repaint.
    SetClientSize(window_, 160, 170);
    ASSERT_EQ(ClientSize(window_).cx, 160);
    EXPECT_EQ(game().cell_size, 20);
    EXPECT_EQ(game().client_height, 170);
    const ClientPixels pixels(window_);
    EXPECT_EQ(pixels.at(140, 50), kBlackPixel);
    EXPECT_EQ(pixels.at(155, 50), kWhitePixel);  // the old board's line at 155 is gone
    EXPECT_EQ(pixels.at(50, 160), kBlackPixel);
    EXPECT_EQ(pixels.at(50, 165), kWhitePixel);
    EXPECT_EQ(pixels.at(3 * 20 + 10, 3 * 20 + 10), kRedPixel);
    EXPECT_EQ(pixels.at(3 * 20 + 10, 4 * 20 + 10), kBluePixel);

    // A click now maps with the new size: (4, 2) at 20 pixels a square.
    Command(IDM_START);
    Click(4 * 20 + 1, 2 * 20 + 1);
    EXPECT_EQ(game().board.cells[CellIndex(4, 2)], kRed);
}

TEST_F(BoardViewTest, AClientAreaUnderEightPixelsHasNoBoardAndTakesNoClick) {
    // Five pixels high (the window cannot be made that narrow): squares of 5 / 8 = 0 pixels.
    SetClientSize(window_, 200, 5);
    const SIZE size = ClientSize(window_);
    ASSERT_EQ(size.cy, 5) << size.cx << " x " << size.cy;
    Command(IDM_START);
    UpdateWindow(window_);
    EXPECT_EQ(game().cell_size, 0);
    EXPECT_EQ(Title(), texts::kTitleRed);
    const Board before = game().board;
    for (int x : {0, 3, 6}) {
        EXPECT_EQ(Click(x, x), 0);
    }
    EXPECT_EQ(game().board, before);
    EXPECT_EQ(game().turn, kRed);
    const ClientPixels pixels(window_);
    for (int y = 0; y < pixels.height(); ++y) {
        for (int x = 0; x < pixels.width(); ++x) {
            EXPECT_EQ(pixels.at(x, y), kWhitePixel) << x << "," << y;
        }
    }
}

TEST_F(BoardViewTest, EveryPaintWritesTheSideToMoveIntoTheTitle) {
    const struct {
        int turn;
        const char* utf8;
    } titles[] = {{0, "REVERSI"}, {1, u8"先手(赤)"}, {2, u8"後手(青)"}, {0, "REVERSI"}};
    for (const auto& expected : titles) {
        game().turn = expected.turn;
        Repaint(window_);
        EXPECT_EQ(Title(), Cp932(expected.utf8)) << expected.turn;
    }
    // Even when something else changed the title in between.
    SetWindowTextA(window_, "something else");
    Repaint(window_);
    EXPECT_EQ(Title(), texts::kTitleIdle);
}

TEST_F(BoardViewTest, AThousandPaintsLeaveNoGdiObjectBehind) {
    // The count is honest: ten new pens show as ten more objects.
    const int idle = LiveGdiObjects();
    ASSERT_GT(idle, 0);
    HPEN pens[10];
    for (HPEN& pen : pens) {
        pen = CreatePen(PS_SOLID, 1, RGB(1, 2, 3));
    }
    EXPECT_EQ(LiveGdiObjects(), idle + 10);
    for (HPEN pen : pens) {
        DeleteObject(pen);
    }

    // A full board: 64 discs, each with its own pen and brush, on every paint.
    for (int i = 0; i < kCellCount; ++i) {
        game().board.cells[i] = i % 3 == 0 ? kBlue : kRed;
    }
    Repaint(window_);
    const int before = LiveGdiObjects();
    for (int paint = 0; paint < 1000; ++paint) {
        Repaint(window_);
    }
    EXPECT_EQ(LiveGdiObjects(), before);
    const ClientPixels pixels(window_);
    const int cell = game().cell_size;
    EXPECT_EQ(pixels.at(cell / 2, cell / 2), kBluePixel);
    EXPECT_EQ(pixels.at(cell + cell / 2, cell / 2), kRedPixel);
}

}  // namespace
