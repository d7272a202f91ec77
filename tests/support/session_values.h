// The game session as a value in tests: compared field by field (the struct's padding is no part
// of the state) and printed by GoogleTest with both boards as diagrams.
#pragma once

#include <iosfwd>

#include "app/session.h"
#include "tests/support/board_values.h"

inline bool operator==(const GameSession& a, const GameSession& b) {
    return a.board == b.board && a.red_kind == b.red_kind && a.blue_kind == b.blue_kind &&
           a.turn == b.turn && a.move_count == b.move_count && a.cell_size == b.cell_size &&
           a.client_height == b.client_height && a.undo_turn == b.undo_turn &&
           a.undo_board == b.undo_board;
}
inline bool operator!=(const GameSession& a, const GameSession& b) {
    return !(a == b);
}

void PrintTo(const GameSession& game, std::ostream* out);
