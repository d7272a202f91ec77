#include "tests/support/diagram.h"

#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <ostream>

#include "tests/support/board_values.h"
#include "tests/support/session_values.h"

namespace {

// The symbol of each cell value: kEmpty, kRed, kBlue.
constexpr char kSymbols[] = ".RB";

}  // namespace

Board BoardFromDiagram(const char* picture) {
    Board board;
    int index = 0;
    for (const char* p = picture; *p != '\0'; ++p) {
        if (*p == ' ' || *p == '\n') {
            continue;
        }
        const char* symbol = std::strchr(kSymbols, *p);
        if (symbol == nullptr) {
            std::fprintf(stderr, "diagram: unexpected character '%c'\n", *p);
            std::abort();
        }
        if (index == kCellCount) {
            std::fprintf(stderr, "diagram: more than 64 squares\n");
            std::abort();
        }
        board.cells[index++] = static_cast<Cell>(symbol - kSymbols);
    }
    if (index != kCellCount) {
        std::fprintf(stderr, "diagram: %d squares instead of 64\n", index);
        std::abort();
    }
    return board;
}

std::string DiagramFromBoard(const Board& board) {
    std::string text;
    for (int index = 0; index < kCellCount; ++index) {
        const Cell cell = board.cells[index];
        text += cell >= 0 && cell <= 2 ? kSymbols[cell] : '?';
        if (index % kBoardWidth == kBoardWidth - 1) {
            text += '\n';
        }
    }
    return text;
}

// On a line of its own, so that the rows line up under GoogleTest's "Which is:".
void PrintTo(const Board& board, std::ostream* out) {
    *out << '\n' << DiagramFromBoard(board);
}

void PrintTo(const GameSession& game, std::ostream* out) {
    *out << "kinds " << game.red_kind << "/" << game.blue_kind << ", turn " << game.turn
         << ", move_count " << game.move_count << ", cell_size " << game.cell_size
         << ", client_height " << game.client_height << ", undo_turn " << game.undo_turn
         << ", board:";
    PrintTo(game.board, out);
    *out << "undo_board:";
    PrintTo(game.undo_board, out);
}
