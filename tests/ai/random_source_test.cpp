#include "ai/random_source.h"

#include <gtest/gtest.h>

#include "tests/support/draw_count.h"

namespace {

void ExpectDraws(RandomSource& random, std::initializer_list<int> expected) {
    for (int value : expected) {
        EXPECT_EQ(DrawRandom(random), value);
    }
}

TEST(RandomSource, KnownSequencesFromSmallSeeds) {
    RandomSource one = SeededWith(1);
    ExpectDraws(one, {5540, 221838220, 695693412, 1410949376, 822182988});

    RandomSource zero = SeededWith(0);
    EXPECT_EQ(DrawRandom(zero), 0);
    EXPECT_EQ(zero.state, 1u);
    ExpectDraws(zero, {5540, 221838220});
}

TEST(RandomSource, PlusOneCarriesIntoTheHighHalf) {
    // The low 32 bits of 0x9630EBE3 * 20021 are 0xFFFFFFFF, so only the increment carries.
    RandomSource random = SeededWith(2519788515u);
    EXPECT_EQ(DrawRandom(random), 984672846);
    EXPECT_EQ(random.state & 0xFFFFFFFFu, 0u);
}

TEST(RandomSource, SeedingRestartsTheSequenceWhateverWasDrawn) {
    RandomSource random = SeededWith(1234567);
    const int first[3] = {DrawRandom(random), DrawRandom(random), DrawRandom(random)};
    for (int i = 0; i < 1000; ++i) {
        DrawRandom(random);
    }
    SeedRandom(random, 1234567);
    EXPECT_EQ(random.state, 1234567u) << "the high half must be cleared";
    for (int value : first) {
        EXPECT_EQ(DrawRandom(random), value);
    }
}

TEST(RandomSource, DrawsAreTheHighHalfWithoutItsTopBit) {
    RandomSource random = SeededWith(0xDEADBEEFu);
    int with_top_bit = 0;
    for (int i = 0; i < 100000; ++i) {
        const int value = DrawRandom(random);
        ASSERT_GE(value, 0);
        ASSERT_EQ(static_cast<unsigned>(value), (random.state >> 32) & 0x7FFFFFFFu);
        with_top_bit += static_cast<int>(random.state >> 63);
    }
    EXPECT_GT(with_top_bit, 0) << "the sample never exercised the cleared bit";
}

}  // namespace
