// The random source of the computer player's jitter: a 64-bit linear congruential generator.
#pragma once

#include <cstdint>

struct RandomSource {
    std::uint64_t state = 1;
};

// The state becomes `seed` in its low half and 0 in its high half, whatever it was.
void SeedRandom(RandomSource& random, std::uint32_t seed);

// Advances the state one step (state * 0x000015A400004E35 + 1, modulo 2^64) and returns bits
// 32 to 62 of the new state: a number 0..2147483647.
int DrawRandom(RandomSource& random);
