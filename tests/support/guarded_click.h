// A left click on a square as the window procedure delivers it: dropped by the click guard while
// a computer is to move or no game runs.
#pragma once

#include "app/session.h"

inline void GuardedClick(GameSession& game, int column, int row, SessionHost& host) {
    if (ClickAllowed(game)) {
        HumanMove(game, column, row, host);
    }
}
