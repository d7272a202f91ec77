// Whole games for every pairing of human and computer sides, the events of mixed games
// (tests/support/mixed_play.h) for humans and computers alike, with what each event did and the
// session's invariants checked after every single one.
#include <gtest/gtest.h>

#include <string>

#include "rules/availability.h"
#include "tests/app/session_table.h"
#include "tests/support/mixed_play.h"
#include "tests/support/session_invariants.h"

namespace {

struct Tally {
    int games = 0;
    int undos = 0;
    int passes = 0;
    int restarts = 0;
};

// Plays `games` games to their end; stops at the first broken invariant.
void PlayGames(PlayerKind red, PlayerKind blue, int games, TestRandom& random, Tally& tally) {
    Table table;
    bool undone = false;
    const auto check = [&](const char* event) {
        const std::string violation = SessionInvariantViolation(table.game, !undone);
        ASSERT_EQ(violation, "") << "after " << event << ", kinds " << red << " and " << blue
                                 << ", game " << tally.games << "\n"
                                 << DiagramFromBoard(table.game.board);
    };
    for (int game = 0; game < games; ++game) {
        table.host.time = random.Next();
        table.Start(red, blue);
        undone = false;
        ASSERT_NO_FATAL_FAILURE(check("Start"));
        const size_t results_before = table.host.messages.size();
        for (int event = 0; table.host.messages.size() == results_before; ++event) {
            ASSERT_LT(event, 2000) << "the game does not end";
            const GameSession before = table.game;
            const std::string calls_before = table.host.log;
            const MixedStep step = NextMixedStep(table.game, event, random);
            if (step.event == MixedEvent::kStart) {
                table.host.time = random.Next();
                undone = false;
                ++tally.restarts;
            } else if (step.event == MixedEvent::kUndo) {
                undone = undone || before.undo_turn != 0;
                tally.undos += before.undo_turn != 0;
            } else if (step.event == MixedEvent::kTick) {
                ASSERT_TRUE(table.host.timer_running || !ComputerToMove(table.game));
            }
            PlayMixedStep(step, table.game, table.random, table.host);
            ASSERT_EQ(MixedStepFault(step, before, table.game), "");
            if (step.event == MixedEvent::kTick && !ComputerToMove(before)) {
                EXPECT_EQ(table.host.log, calls_before) << "a tick for a human acted";
            }
            ASSERT_NO_FATAL_FAILURE(check(MixedEventName(step.event)));
            const bool moved = table.game.move_count == before.move_count + 1;
            if (moved && table.game.turn == before.turn) {
                ++tally.passes;
            }
        }
        ++tally.games;
        const ShownMessage& result = table.host.messages.back();
        EXPECT_EQ(result.caption, "REVERSI POINT");
        EXPECT_EQ(table.game.turn, 0);
        EXPECT_TRUE(IsGameOver(table.game.board));
        EXPECT_FALSE(table.host.timer_running);  // stopped with a computer, never run without
        ASSERT_NO_FATAL_FAILURE(check("the end"));
    }
}

TEST(SessionSoakTest, EveryPairingOfKindsPlaysWholeGamesWithinTheInvariants) {
    TestRandom random(20240601);
    Tally tally;
    for (PlayerKind red = 0; red <= 3; ++red) {
        for (PlayerKind blue = 0; blue <= 3; ++blue) {
            // The deeper searches cost most; humans' games cost next to nothing.
            const int deepest = red > blue ? red : blue;
            const bool human = red == kHuman || blue == kHuman;
            const int games = deepest <= 1 ? 12 : human ? 3 : 1;
            ASSERT_NO_FATAL_FAILURE(PlayGames(red, blue, games, random, tally));
        }
    }
    // The random play has to have reached what it is meant to exercise.
    EXPECT_GT(tally.undos, 20);
    EXPECT_GT(tally.passes, 0);
    EXPECT_GT(tally.restarts, 5);
    RecordProperty("games", tally.games);
}

}  // namespace
