// Properties that must hold on every position, checked over positions of seeded random games:
// the rules fuzz target's checks, on boards that play reaches.
#include <gtest/gtest.h>

#include "tests/properties/rules_properties.h"
#include "tests/support/random_play.h"

namespace {

TEST(RulesProperties, HoldOnTensOfThousandsOfRandomPositions) {
    int positions = 0;
    ForEachRandomPosition(20261208, 700, [&](const Board& board, Side) {
        ++positions;
        ASSERT_EQ(BrokenRulesProperty(board), "") << ::testing::PrintToString(board);
    });
    EXPECT_GT(positions, 30000);
}

}  // namespace
