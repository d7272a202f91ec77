#include "ai/mobility.h"

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

int CountMovesOnBits(const BoardBits& bits, Side side) {
    const std::uint64_t own = side == kRed ? bits.red : bits.blue;
    const std::uint64_t other = side == kRed ? bits.blue : bits.red;
    const std::uint64_t empty = ~(own | other);
    const std::uint64_t moves =
        MovesInDirection<0, -1>(own, other, empty) | MovesInDirection<0, 1>(own, other, empty) |
        MovesInDirection<-1, 0>(own, other, empty) | MovesInDirection<1, 0>(own, other, empty) |
        MovesInDirection<-1, -1>(own, other, empty) | MovesInDirection<-1, 1>(own, other, empty) |
        MovesInDirection<1, -1>(own, other, empty) | MovesInDirection<1, 1>(own, other, empty);
    return CountBits(moves);
}
