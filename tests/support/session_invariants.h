// What must hold of the game session between any two events, whatever was played.
#pragma once

#include <string>

#include "app/session.h"
#include "rules/availability.h"

// Returns an empty string when every invariant holds, else a description of the first that
// fails. With `no_undo_this_game`, `move_count` must equal the number of discs exactly; after an
// Undo it may be larger.
inline std::string SessionInvariantViolation(const GameSession& game,
                                             bool no_undo_this_game = false) {
    if (game.turn < 0 || game.turn > 2) {
        return "turn is " + std::to_string(game.turn);
    }
    if (game.undo_turn < 0 || game.undo_turn > 2) {
        return "undo_turn is " + std::to_string(game.undo_turn);
    }
    if (game.turn == 0 && game.undo_turn != 0) {
        return "undo_turn is " + std::to_string(game.undo_turn) + " with no game running";
    }
    int discs = 0;
    for (int index = 0; index < kCellCount; ++index) {
        const Cell cell = game.board.cells[index];
        if (cell < 0 || cell > 2) {
            return "cell " + std::to_string(index) + " holds " + std::to_string(cell);
        }
        discs += cell != kEmpty;
        if (game.undo_board.cells[index] < 0 || game.undo_board.cells[index] > 2) {
            return "undo cell " + std::to_string(index) + " holds " +
                   std::to_string(game.undo_board.cells[index]);
        }
    }
    if (game.turn != 0 && HasNoMove(game.board, game.turn)) {
        return "side " + std::to_string(game.turn) + " is to move but has no legal move";
    }
    if (game.move_count < discs) {
        return "move_count " + std::to_string(game.move_count) + " below the " +
               std::to_string(discs) + " discs on the board";
    }
    if (no_undo_this_game && game.move_count != discs) {
        return "move_count " + std::to_string(game.move_count) + " differs from the " +
               std::to_string(discs) + " discs on the board";
    }
    return {};
}
