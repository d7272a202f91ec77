// Positions reached by seeded random play, for tests that check properties over many boards.
#pragma once

#include <cstdint>
#include <vector>

#include "rules/availability.h"
#include "rules/board.h"

// A small deterministic generator for tests (xorshift64*), independent of the game's own.
struct TestRandom {
    std::uint64_t state;
    explicit TestRandom(std::uint64_t seed) : state(seed * 2654435761u + 0x9E3779B97F4A7C15u) {}
    std::uint32_t Next() {
        state ^= state >> 12;
        state ^= state << 25;
        state ^= state >> 27;
        return static_cast<std::uint32_t>((state * 0x2545F4914F6CDD1Du) >> 32);
    }
    int Below(int bound) { return static_cast<int>(Next() % static_cast<std::uint32_t>(bound)); }
};

// The legal squares of `side` in scan order, as indices row * 8 + column.
inline std::vector<int> LegalSquares(const Board& board, Side side) {
    std::vector<int> legal;
    for (int index = 0; index < kCellCount; ++index) {
        Board trial = board;
        if (PlaceDisc(trial, index % kBoardWidth, index / kBoardWidth, side)) {
            legal.push_back(index);
        }
    }
    return legal;
}

// A legal square of `side`, chosen at random, as the index row * 8 + column; -1 when it has none.
inline int RandomLegalSquare(const Board& board, Side side, TestRandom& random) {
    const std::vector<int> legal = LegalSquares(board, side);
    return legal.empty() ? -1 : legal[random.Below(static_cast<int>(legal.size()))];
}

// Calls visit(board, side_to_move) for every position of `games` random games from the start,
// passes included, until neither side can move (the final position is visited too).
template <typename Visit>
void ForEachRandomPosition(std::uint64_t seed, int games, Visit visit) {
    TestRandom random(seed);
    for (int game = 0; game < games; ++game) {
        Board board;
        SetStartingPosition(board);
        Side side = kRed;
        for (;;) {
            visit(static_cast<const Board&>(board), side);
            const int index = RandomLegalSquare(board, side, random);
            if (index < 0) {
                if (HasNoMove(board, Opponent(side))) {
                    break;
                }
                side = Opponent(side);
                continue;
            }
            PlaceDisc(board, index % kBoardWidth, index / kBoardWidth, side);
            side = Opponent(side);
        }
    }
}
