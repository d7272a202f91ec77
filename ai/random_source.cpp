#include "ai/random_source.h"

namespace {
constexpr std::uint64_t kMultiplier = 0x000015A400004E35u;
}

void SeedRandom(RandomSource& random, std::uint32_t seed) {
    random.state = seed;
}

int DrawRandom(RandomSource& random) {
    random.state = random.state * kMultiplier + 1;  // unsigned: wraps modulo 2^64
    return static_cast<int>((random.state >> 32) & 0x7FFFFFFFu);
}
