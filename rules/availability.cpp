#include "rules/availability.h"

#include <cstdint>

// Bit row * 8 + column of a mask stands for the square (column, row).
namespace {

constexpr std::uint64_t kNotFirstColumn = 0xFEFEFEFEFEFEFEFEu;
constexpr std::uint64_t kNotLastColumn = 0x7F7F7F7F7F7F7F7Fu;

// Moves every square one step in the direction; squares that would cross the left or right
// edge (and wrap into the next row) are dropped.
template <int kColumnStep, int kRowStep>
std::uint64_t Step(std::uint64_t squares) {
    constexpr int shift = kRowStep * kBoardWidth + kColumnStep;
    if constexpr (kColumnStep == 1) {
        squares &= kNotLastColumn;
    } else if constexpr (kColumnStep == -1) {
        squares &= kNotFirstColumn;
    }
    if constexpr (shift > 0) {
        return squares << shift;
    } else {
        return squares >> -shift;
    }
}

// Empty squares reached from a disc of `own` over a run of `other` discs in one direction.
template <int kColumnStep, int kRowStep>
std::uint64_t MovesInDirection(std::uint64_t own, std::uint64_t other, std::uint64_t empty) {
    std::uint64_t run = Step<kColumnStep, kRowStep>(own) & other;
    for (int i = 0; i < kBoardWidth - 3; ++i) {  // a run holds at most six discs
        run |= Step<kColumnStep, kRowStep>(run) & other;
    }
    return Step<kColumnStep, kRowStep>(run) & empty;
}

int CountBits(std::uint64_t bits) {
    bits = bits - ((bits >> 1) & 0x5555555555555555u);
    bits = (bits & 0x3333333333333333u) + ((bits >> 2) & 0x3333333333333333u);
    bits = (bits + (bits >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
    return static_cast<int>((bits * 0x0101010101010101u) >> 56);
}

}  // namespace

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
    // One read-only pass turns the cells into masks; the eight directions are then followed for
    // all squares at once. The computer player asks this once per trial move, so the walk it
    // replaces (every empty square, eight directions each) was most of the cost of a decision.
    std::uint64_t own = 0;
    std::uint64_t other = 0;
    const Side opponent = Opponent(side);
    for (int index = 0; index < kCellCount; ++index) {
        const std::uint64_t square = std::uint64_t{1} << index;
        if (board.cells[index] == side) {
            own |= square;
        } else if (board.cells[index] == opponent) {
            other |= square;
        }
    }
    const std::uint64_t empty = ~(own | other);
    const std::uint64_t moves =
        MovesInDirection<0, -1>(own, other, empty) | MovesInDirection<0, 1>(own, other, empty) |
        MovesInDirection<-1, 0>(own, other, empty) | MovesInDirection<1, 0>(own, other, empty) |
        MovesInDirection<-1, -1>(own, other, empty) | MovesInDirection<-1, 1>(own, other, empty) |
        MovesInDirection<1, -1>(own, other, empty) | MovesInDirection<1, 1>(own, other, empty);
    return CountBits(moves);
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
