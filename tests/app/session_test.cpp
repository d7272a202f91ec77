// Start, Undo, clicks and ticks through a whole game's worth of events, with the calls each one
// makes on the window.
#include <gtest/gtest.h>

#include "rules/availability.h"
#include "tests/app/session_table.h"

namespace {

constexpr PlayerKind kLevel1 = 1;

TEST(SessionTest, ProcessStartShowsTheStartingDiscsAndIgnoresEveryEvent) {
    Table table;
    const GameSession& game = table.game;
    EXPECT_EQ(game.board, StartingBoard());
    EXPECT_EQ(game.red_kind, kHuman);
    EXPECT_EQ(game.blue_kind, kHuman);
    EXPECT_EQ(game.turn, 0);
    EXPECT_EQ(game.move_count, 4);
    EXPECT_EQ(game.cell_size, 0);
    EXPECT_EQ(game.client_height, 0);
    EXPECT_EQ(game.undo_turn, 0);
    EXPECT_EQ(game.undo_board, Board{});

    // Nothing acts before Start, whoever plays either side.
    for (PlayerKind kind : {kHuman, kLevel1, PlayerKind{3}}) {
        table.game.red_kind = table.game.blue_kind = kind;
        const GameSession before = table.game;
        EXPECT_EQ(ClickAllowed(table.game), 0);
        table.Click(4, 2);
        table.Tick();
        table.Undo();
        EXPECT_EQ(table.game, before);
        EXPECT_EQ(table.host.log, "");
    }
}

TEST(SessionTest, StartSetsUpAGameArmsTheTimerForAComputerAndSeedsTheRandomSource) {
    struct Case {
        PlayerKind red, blue;
        const char* calls;
    };
    // The timer is armed before the repaint, the clock read last; two humans leave it alone.
    for (const Case& c : {Case{kHuman, kHuman, "PC"}, Case{kHuman, kLevel1, "TPC"},
                          Case{2, kHuman, "TPC"}, Case{3, 3, "TPC"}}) {
        Table table;
        table.host.time = 0x9630EBE3u;
        DrawRandom(table.random);
        table.Start(c.red, c.blue);
        EXPECT_EQ(table.host.log, c.calls);
        EXPECT_EQ(table.game.turn, kRed);
        EXPECT_EQ(table.game.undo_turn, 0);
        EXPECT_EQ(table.game.move_count, 4);
        EXPECT_EQ(table.game.board, StartingBoard());
        EXPECT_EQ(table.random.state, 0x9630EBE3u);
    }
}

TEST(SessionTest, StartInMidGameRestoresTheStartAndReseeds) {
    Table table;
    table.Start(kHuman, kLevel1);
    table.Click(4, 2);
    table.Tick();
    table.Click(2, 4);  // red may or may not have this square; either way a game runs
    ASSERT_EQ(table.game.undo_turn, kRed);
    ASSERT_GT(table.game.move_count, 4);

    table.host.ClearCalls();
    table.host.time = 1234567;
    table.Start(kHuman, kLevel1);
    EXPECT_EQ(table.host.log, "TPC");  // armed afresh: the first tick comes a period later
    EXPECT_EQ(table.game.board, StartingBoard());
    EXPECT_EQ(table.game.turn, kRed);
    EXPECT_EQ(table.game.undo_turn, 0);
    EXPECT_EQ(table.game.move_count, 4);
    EXPECT_EQ(table.random.state, 1234567u);
    table.Undo();
    EXPECT_EQ(table.host.log, "TPC");
}

TEST(SessionTest, ClickGuardLetsOnlyAHumanToMovePlay) {
    struct Case {
        int turn;
        PlayerKind red, blue;
        int allowed;
    };
    for (const Case& c :
         {Case{0, kHuman, kHuman, 0}, Case{1, kHuman, kHuman, 1}, Case{2, kHuman, kHuman, 1},
          Case{1, kLevel1, kHuman, 0}, Case{2, kLevel1, kHuman, 1}, Case{1, kHuman, 3, 1},
          Case{2, kHuman, 3, 0}, Case{1, 2, 2, 0}, Case{2, 2, 2, 0}}) {
        Table table;
        table.Start(c.red, c.blue);
        table.game.turn = c.turn;
        EXPECT_EQ(ClickAllowed(table.game), c.allowed)
            << "turn " << c.turn << ", kinds " << c.red << " and " << c.blue;
    }
}

TEST(SessionTest, IllegalClicksOnlyRepaint) {
    Table table;
    table.Start(kHuman, kHuman);
    table.Click(4, 2);  // a legal move, so that the undo snapshot is set
    ASSERT_EQ(table.game.turn, kBlue);
    const GameSession before = table.game;
    struct Square {
        int column, row;
    };
    // Occupied, flipping nothing, right of, below and beyond the board.
    for (const Square& square :
         {Square{3, 3}, Square{4, 2}, Square{0, 0}, Square{6, 2}, Square{8, 0}, Square{0, 8},
          Square{8, 8}, Square{100, 3}, Square{3, 65535}}) {
        table.host.ClearCalls();
        table.Click(square.column, square.row);
        EXPECT_EQ(table.host.log, "P") << square.column << ", " << square.row;
        EXPECT_EQ(table.game, before);
    }
}

TEST(SessionTest, LegalClickKeepsTheSnapshotAndHandsTheTurnOn) {
    Table table;
    table.Start(kHuman, kHuman);
    table.host.ClearCalls();
    table.Click(4, 2);
    EXPECT_EQ(table.host.log, "P");
    EXPECT_EQ(table.game.board, BoardFromDiagram("........"
                                                 "........"
                                                 "....R..."
                                                 "...RR..."
                                                 "...BR..."
                                                 "........"
                                                 "........"
                                                 "........"));
    EXPECT_EQ(table.game.undo_board, StartingBoard());
    EXPECT_EQ(table.game.undo_turn, kRed);
    EXPECT_EQ(table.game.turn, kBlue);
    EXPECT_EQ(table.game.move_count, 5);
}

TEST(SessionTest, HumanAgainstComputerUndoTakesBackTheComputersAnswerToo) {
    Table table;
    table.Start(kHuman, kLevel1);
    EXPECT_TRUE(table.host.timer_running);
    table.host.ClearCalls();

    table.Tick();  // red, a human, is to move: the tick does nothing
    EXPECT_EQ(table.host.log, "");
    table.Click(4, 2);
    ASSERT_EQ(table.game.turn, kBlue);
    const Board after_red = table.game.board;
    table.Click(5, 4);  // blue is the computer: the click is dropped
    EXPECT_EQ(table.game.board, after_red);
    EXPECT_EQ(table.host.log, "P");
    table.Tick();
    EXPECT_EQ(table.host.log, "PP");
    EXPECT_EQ(table.game.turn, kRed);
    EXPECT_EQ(table.game.move_count, 6);
    EXPECT_NE(table.game.board, after_red);

    for (int undo = 0; undo < 2; ++undo) {  // the second Undo puts back the same position
        table.host.ClearCalls();
        table.Undo();
        EXPECT_EQ(table.host.log, "P");
        EXPECT_EQ(table.game.board, StartingBoard());
        EXPECT_EQ(table.game.turn, kRed);
        EXPECT_EQ(table.game.undo_turn, kRed);
        EXPECT_EQ(table.game.move_count, 6);
    }
    EXPECT_EQ(table.host.timer_starts, 0);
}

TEST(SessionTest, TwoHumansUndoTakesBackOnlyTheLastMove) {
    Table table;
    table.Start(kHuman, kHuman);
    table.host.ClearCalls();
    table.Undo();  // right after Start there is nothing to undo
    EXPECT_EQ(table.host.log, "");

    table.Click(4, 2);
    const Board after_red = table.game.board;
    table.Click(5, 4);
    ASSERT_EQ(table.game.turn, kRed);
    table.Undo();
    EXPECT_EQ(table.game.board, after_red);
    EXPECT_EQ(table.game.turn, kBlue);
    EXPECT_EQ(table.game.undo_turn, kBlue);
    EXPECT_EQ(table.game.move_count, 6);
}

TEST(SessionTest, MoveThatLeavesTheOpponentWithoutAMovePassesOnce) {
    // Red's (3, 0) takes blue's last movable discs; blue's corner-bound disc never moves.
    const char* picture =
        "RBB....."
        "........"
        "........"
        "........"
        "........"
        "........"
        "........"
        "......BR";
    for (PlayerKind red : {kHuman, kLevel1}) {
        Table table;
        table.StartFrom(red, kHuman, picture, kRed);
        if (red == kHuman) {
            table.Click(3, 0);
        } else {
            table.Tick();
        }
        EXPECT_EQ(table.game.turn, kRed);
        EXPECT_EQ(table.game.move_count, 6);
        EXPECT_EQ(table.host.log, "P");
        EXPECT_TRUE(HasNoMove(table.game.board, kBlue));
        EXPECT_FALSE(HasNoMove(table.game.board, kRed));
    }
}

TEST(SessionTest, MoveTimerFollowsTheKindsOnlyAtStartAndAtTheEnd) {
    // A side made a computer in mid-game never moves without a running timer: its clicks are
    // refused and only the next Start arms the timer.
    Table table;
    table.Start(kHuman, kHuman);
    table.Click(4, 2);
    table.game.blue_kind = kLevel1;
    EXPECT_EQ(ClickAllowed(table.game), 0);
    EXPECT_FALSE(table.host.timer_running);
    table.Start(kHuman, kLevel1);
    EXPECT_TRUE(table.host.timer_running);

    // Both made human while the timer runs: it keeps running, ticks do nothing.
    table.game.blue_kind = kHuman;
    table.Click(4, 2);
    table.host.ClearCalls();
    table.Tick();
    EXPECT_EQ(table.host.log, "");
    EXPECT_EQ(ClickAllowed(table.game), 1);
    EXPECT_TRUE(table.host.timer_running);
}

}  // namespace
