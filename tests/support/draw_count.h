// Counting how far a call advanced the random source, without touching the code under test.
#pragma once

#include "ai/random_source.h"

// The number of draws that lead from `before` to `after`, found by replaying a copy of the
// generator; -1 when `after` is not reached within `limit` draws.
inline int DrawsBetween(const RandomSource& before, const RandomSource& after,
                        int limit = 1 << 22) {
    RandomSource replay = before;
    for (int draws = 0; draws <= limit; ++draws) {
        if (replay.state == after.state) {
            return draws;
        }
        DrawRandom(replay);
    }
    return -1;
}

inline RandomSource SeededWith(std::uint32_t seed) {
    RandomSource random;
    SeedRandom(random, seed);
    return random;
}
