// Mixed games, one side human or both, as the window delivers their events: now and then Start in
// the middle of a game, Undo, timer ticks whoever is to move, clicks on any square (beyond the
// board included) and, most often, clicks on a legal square. Drawn from a seeded TestRandom, so
// that a game repeats; clicks pass the window's click guard.
#pragma once

#include <string>

#include "app/session.h"
#include "tests/support/random_play.h"
#include "tests/support/session_values.h"

enum class MixedEvent { kStart, kUndo, kTick, kClickAnywhere, kLegalClick };

struct MixedStep {
    MixedEvent event;
    int column = 0;  // of a click; 8 and 9 lie beyond the board
    int row = 0;
};

inline const char* MixedEventName(MixedEvent event) {
    static const char* const kNames[] = {"Start", "Undo", "a tick", "a click anywhere",
                                         "a legal click"};
    return kNames[static_cast<int>(event)];
}

inline bool ComputerToMove(const GameSession& game) {
    return (game.turn == kRed && game.red_kind != kHuman) ||
           (game.turn == kBlue && game.blue_kind != kHuman);
}

// The next event of a game that has had `events` so far. Start waits for the first ten, so
// that games get going.
inline MixedStep NextMixedStep(const GameSession& game, int events, TestRandom& dice) {
    const int roll = dice.Below(1000);
    if (roll < 3 && events > 10) {
        return {MixedEvent::kStart};
    }
    if (roll < 60) {
        return {MixedEvent::kUndo};
    }
    if (roll < 120) {
        return {MixedEvent::kTick};
    }
    if (roll < 240) {
        const int column = dice.Below(10);
        const int row = dice.Below(10);
        return {MixedEvent::kClickAnywhere, column, row};
    }
    if (ClickAllowed(game)) {
        const int square = RandomLegalSquare(game.board, game.turn, dice);
        return {MixedEvent::kLegalClick, square % kBoardWidth, square / kBoardWidth};
    }
    return {MixedEvent::kTick};
}

inline void PlayMixedStep(const MixedStep& step, GameSession& game, RandomSource& random,
                          SessionHost& host) {
    if (step.event == MixedEvent::kStart) {
        StartGame(game, random, host);
    } else if (step.event == MixedEvent::kUndo) {
        UndoMove(game, host);
    } else if (step.event == MixedEvent::kTick) {
        ComputerMove(game, random, host);
    } else if (ClickAllowed(game)) {
        HumanMove(game, step.column, step.row, host);
    }
}

// What the step itself must have done to the session, given the session before it: an empty
// string, or what it did wrong. Undo puts back the position before the last human move; a tick
// for a computer and a click on a legal square through the guard place one disc; any other step
// but Start changes nothing.
inline std::string MixedStepFault(const MixedStep& step, const GameSession& before,
                                  const GameSession& after) {
    const std::string event = MixedEventName(step.event);
    Board trial = before.board;
    bool places = false;
    switch (step.event) {
        case MixedEvent::kStart:
            return {};
        case MixedEvent::kUndo:
            if (before.undo_turn != 0) {
                return after.board == before.undo_board && after.turn == before.undo_turn
                           ? ""
                           : "Undo did not put back the position before the last human move";
            }
            break;
        case MixedEvent::kTick:
            places = ComputerToMove(before);
            break;
        default:
            places = ClickAllowed(before) && OnBoard(step.column, step.row) &&
                     PlaceDisc(trial, step.column, step.row, before.turn) == 1;
            break;
    }
    if (places) {
        return after.move_count == before.move_count + 1 ? "" : event + " placed no disc";
    }
    return after == before ? "" : event + " that plays nothing changed the session";
}
