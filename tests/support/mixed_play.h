// Mixed games, one side human or both, as the window delivers their events: now and then Start in
// the middle of a game, Undo, timer ticks whoever is to move, clicks on any square (beyond the
// board included) and, most often, clicks on a legal square. Drawn from a seeded TestRandom, so
// that a game repeats; clicks pass the window's click guard.
#pragma once

#include <string>

#include "app/session.h"
#include "tests/support/fake_host.h"
#include "tests/support/guarded_click.h"
#include "tests/support/random_play.h"
#include "tests/support/session_invariants.h"
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
    } else {
        GuardedClick(game, step.column, step.row, host);
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

struct MixedTally {
    long events = 0;    // events played, each checked
    long undos = 0;     // Undo commands that took a move back
    long restarts = 0;  // Start commands in the middle of a game
    long refused = 0;   // clicks that passed the guard but placed nothing
    long passes = 0;    // moves after which the same side was to move again
};

// Plays mixed events, drawn from `dice`, in the started `game` until it ends. After every event
// it checks what the step did, that a tick for a human calls nothing and the session's
// invariants; `on_restart` runs before a Start in the middle of the game. Returns the first
// fault, naming its event, or an empty string.
template <typename OnRestart>
std::string PlayMixedGame(GameSession& game, RandomSource& random, FakeHost& host, TestRandom& dice,
                          int max_events, MixedTally& tally, OnRestart on_restart) {
    bool undone = false;
    for (int events = 0; game.turn != 0; ++events) {
        if (events == max_events) {
            return "the game does not end after " + std::to_string(events) + " events";
        }
        const GameSession before = game;
        const size_t calls_before = host.log.size();  // the host's log only grows
        const MixedStep step = NextMixedStep(game, events, dice);
        const std::string after = std::string("after ") + MixedEventName(step.event) + ": ";
        if (step.event == MixedEvent::kStart) {
            on_restart();
            undone = false;
            ++tally.restarts;
        } else if (step.event == MixedEvent::kUndo) {
            undone = undone || before.undo_turn != 0;
            tally.undos += before.undo_turn != 0;
        } else if (step.event == MixedEvent::kTick && ComputerToMove(game) && !host.timer_running) {
            return "the move timer stopped while a computer is to move";
        }
        PlayMixedStep(step, game, random, host);
        ++tally.events;
        if (step.event == MixedEvent::kClickAnywhere && ClickAllowed(before)) {
            tally.refused += game.move_count == before.move_count;
        }
        std::string fault = MixedStepFault(step, before, game);
        if (fault.empty() && step.event == MixedEvent::kTick && !ComputerToMove(before) &&
            host.log.size() != calls_before) {
            fault = "a tick for a human called the host";
        }
        if (fault.empty()) {
            fault = SessionInvariantViolation(game, !undone);
        }
        if (!fault.empty()) {
            return after + fault;
        }
        if (game.move_count == before.move_count + 1 && game.turn == before.turn) {
            ++tally.passes;
        }
    }
    return "";
}
