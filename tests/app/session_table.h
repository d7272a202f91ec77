// The game session as the window holds it, with the three inputs a user has: a click through the
// click guard, a timer tick and the Start and Undo commands.
#pragma once

#include <gtest/gtest.h>

#include "app/session.h"
#include "tests/support/diagram.h"
#include "tests/support/fake_host.h"

struct Table {
    GameSession game = InitialSession();
    RandomSource random;
    FakeHost host;

    void Start(PlayerKind red, PlayerKind blue) {
        game.red_kind = red;
        game.blue_kind = blue;
        StartGame(game, random, host);
    }
    // Starts a game and then sets up `picture` with `side` to move, as if played to there.
    void StartFrom(PlayerKind red, PlayerKind blue, const char* picture, Side side) {
        Start(red, blue);
        game.board = BoardFromDiagram(picture);
        game.turn = side;
        game.move_count = 0;
        for (Cell cell : game.board.cells) {
            game.move_count += cell != kEmpty;
        }
        host.ClearCalls();
    }
    // A left click on a square, dropped by the click guard as the window procedure does.
    void Click(int column, int row) {
        if (ClickAllowed(game)) {
            HumanMove(game, column, row, host);
        }
    }
    void Tick() { ComputerMove(game, random, host); }
    void Undo() { UndoMove(game, host); }
};

inline void ExpectSameSession(const GameSession& actual, const GameSession& expected) {
    EXPECT_EQ(DiagramFromBoard(actual.board), DiagramFromBoard(expected.board));
    EXPECT_EQ(actual.red_kind, expected.red_kind);
    EXPECT_EQ(actual.blue_kind, expected.blue_kind);
    EXPECT_EQ(actual.turn, expected.turn);
    EXPECT_EQ(actual.move_count, expected.move_count);
    EXPECT_EQ(actual.cell_size, expected.cell_size);
    EXPECT_EQ(actual.client_height, expected.client_height);
    EXPECT_EQ(actual.undo_turn, expected.undo_turn);
    EXPECT_EQ(DiagramFromBoard(actual.undo_board), DiagramFromBoard(expected.undo_board));
}
