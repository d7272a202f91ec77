// The game session as the window holds it, with the three inputs a user has: a click through the
// click guard, a timer tick and the Start and Undo commands.
#pragma once

#include <gtest/gtest.h>

#include "app/session.h"
#include "tests/support/diagram.h"
#include "tests/support/fake_host.h"
#include "tests/support/guarded_click.h"
#include "tests/support/session_values.h"

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
        game.move_count = DiscsOnBoard(game.board);
        host.ClearCalls();
    }
    // A left click on a square, dropped by the click guard as the window procedure does.
    void Click(int column, int row) { GuardedClick(game, column, row, host); }
    void Tick() { ComputerMove(game, random, host); }
    void Undo() { UndoMove(game, host); }
};
