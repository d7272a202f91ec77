#include "tests/support/diagram.h"

#include <cstdlib>
#include <cstdio>

Board BoardFromDiagram(const char* picture) {
    Board board;
    int index = 0;
    for (const char* p = picture; *p != '\0'; ++p) {
        Cell cell;
        switch (*p) {
            case '.': cell = kEmpty; break;
            case 'R': cell = kRed; break;
            case 'B': cell = kBlue; break;
            case ' ':
            case '\n': continue;
            default:
                std::fprintf(stderr, "diagram: unexpected character '%c'\n", *p);
                std::abort();
        }
        if (index == kCellCount) {
            std::fprintf(stderr, "diagram: more than 64 squares\n");
            std::abort();
        }
        board.cells[index++] = cell;
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
        text += cell == kEmpty ? '.' : cell == kRed ? 'R' : cell == kBlue ? 'B' : '?';
        if (index % kBoardWidth == kBoardWidth - 1) {
            text += '\n';
        }
    }
    return text;
}
