// Whole games for every pairing of human and computer sides, humans clicking at random (legal
// squares mostly, also occupied ones and squares off the board) and taking moves back, with the
// session's invariants checked after every single event.
#include <gtest/gtest.h>

#include <string>

#include "rules/availability.h"
#include "tests/app/session_table.h"
#include "tests/support/random_play.h"
#include "tests/support/session_invariants.h"

namespace {

bool ComputerToMove(const GameSession& game) {
    return (game.turn == kRed && game.red_kind != kHuman) ||
           (game.turn == kBlue && game.blue_kind != kHuman);
}

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
            const int roll = random.Below(100);
            if (roll < 4) {
                table.Undo();
                undone = undone || before.undo_turn != 0;
                tally.undos += before.undo_turn != 0;
                ASSERT_NO_FATAL_FAILURE(check("Undo"));
            } else if (roll < 5) {
                table.host.time = random.Next();
                table.Start(red, blue);
                undone = false;
                ++tally.restarts;
                ASSERT_NO_FATAL_FAILURE(check("Start"));
            } else if (ComputerToMove(table.game) || roll < 10) {
                ASSERT_TRUE(table.host.timer_running || !ComputerToMove(table.game));
                table.Tick();
                if (ComputerToMove(before)) {
                    EXPECT_EQ(table.game.move_count, before.move_count + 1);
                } else {
                    EXPECT_EQ(table.host.log, calls_before) << "a tick for a human acted";
                }
                ASSERT_NO_FATAL_FAILURE(check("tick"));
            } else {
                const int square = roll < 20 ? random.Below(100)
                                             : RandomLegalSquare(before.board, before.turn, random);
                const int column = roll < 20 ? square % 10 : square % kBoardWidth;
                const int row = roll < 20 ? square / 10 : square / kBoardWidth;
                table.Click(column, row);
                ASSERT_NO_FATAL_FAILURE(check("click"));
            }
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
