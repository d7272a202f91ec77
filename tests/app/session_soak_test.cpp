// Whole games for every pairing of human and computer sides, the events of mixed games
// (tests/support/mixed_play.h) for humans and computers alike, with what each event did and the
// session's invariants checked after every single one.
#include <gtest/gtest.h>

#include <string>

#include "rules/availability.h"
#include "tests/app/session_table.h"
#include "tests/support/mixed_play.h"

namespace {

// Plays `games` games to their end; stops at the first fault.
void PlayGames(PlayerKind red, PlayerKind blue, int games, TestRandom& random, MixedTally& tally,
               int& played) {
    Table table;
    for (int game = 0; game < games; ++game) {
        table.host.time = random.Next();
        table.Start(red, blue);
        ASSERT_EQ(SessionInvariantViolation(table.game, true), "") << "after Start";
        const size_t results_before = table.host.messages.size();
        const std::string fault = PlayMixedGame(table.game, table.random, table.host, random, 2000,
                                                tally, [&] { table.host.time = random.Next(); });
        ASSERT_EQ(fault, "") << "kinds " << red << " and " << blue << ", game " << played << "\n"
                             << DiagramFromBoard(table.game.board);
        ++played;
        ASSERT_EQ(table.host.messages.size(), results_before + 1) << "one result box";
        const ShownMessage& result = table.host.messages.back();
        EXPECT_EQ(result.caption, "REVERSI POINT");
        EXPECT_TRUE(IsGameOver(table.game.board));
        EXPECT_FALSE(table.host.timer_running);  // stopped with a computer, never run without
    }
}

TEST(SessionSoakTest, EveryPairingOfKindsPlaysWholeGamesWithinTheInvariants) {
    TestRandom random(20240601);
    MixedTally tally;
    int played = 0;
    for (PlayerKind red = 0; red <= 3; ++red) {
        for (PlayerKind blue = 0; blue <= 3; ++blue) {
            // The deeper searches cost most; humans' games cost next to nothing.
            const int deepest = red > blue ? red : blue;
            const bool human = red == kHuman || blue == kHuman;
            const int games = deepest <= 1 ? 12 : human ? 3 : 1;
            ASSERT_NO_FATAL_FAILURE(PlayGames(red, blue, games, random, tally, played));
        }
    }
    // The random play has to have reached what it is meant to exercise.
    EXPECT_GT(tally.undos, 20);
    EXPECT_GT(tally.passes, 0);
    EXPECT_GT(tally.restarts, 5);
    RecordProperty("games", played);
}

}  // namespace
