#include "app/session.h"

#include <cstdio>

#include "ai/computer_player.h"
#include "app/texts.h"
#include "rules/availability.h"

GameSession InitialSession() {
    GameSession game = {};
    SetStartingPosition(game.board);
    game.red_kind = kHuman;
    game.blue_kind = kHuman;
    game.turn = 0;
    game.move_count = 4;
    return game;
}

namespace {

PlayerKind KindToMove(const GameSession& game) {
    if (game.turn == kRed) {
        return game.red_kind;
    }
    if (game.turn == kBlue) {
        return game.blue_kind;
    }
    return kHuman;
}

bool AnyComputer(const GameSession& game) {
    return game.red_kind != kHuman || game.blue_kind != kHuman;
}

// A move whose square is on the board and legal: plays it and hands the turn on.
bool PlayIfLegal(GameSession& game, int column, int row) {
    if (!OnBoard(column, row) || !PlaceDisc(game.board, column, row, game.turn)) {
        return false;
    }
    game.turn = Opponent(game.turn);
    ++game.move_count;
    return true;
}

// While the result box is open neither side can move but `turn` still names the last side to
// move. An event that reaches the session from the box's message loop then (a tick queued before
// the timer stopped, or one for a side made a computer meanwhile) must not pass, play or open a
// second box.
bool ResultPending(const GameSession& game) {
    return game.turn != 0 && IsGameOver(game.board) != 0;
}

}  // namespace

const char* TitleForTurn(int turn) {
    switch (turn) {
        case kRed:
            return texts::kTitleRed;
        case kBlue:
            return texts::kTitleBlue;
        default:
            return texts::kTitleIdle;
    }
}

int ClickAllowed(const GameSession& game) {
    return game.turn != 0 && KindToMove(game) == kHuman && !ResultPending(game) ? 1 : 0;
}

void StartGame(GameSession& game, RandomSource& random, SessionHost& host) {
    game.turn = kRed;
    game.undo_turn = 0;
    SetStartingPosition(game.board);
    game.move_count = 4;
    if (AnyComputer(game)) {
        host.StartMoveTimer();
    }
    host.RequestRepaint();
    SeedRandom(random, host.CurrentTime());
}

void UndoMove(GameSession& game, SessionHost& host) {
    if (game.undo_turn == 0) {
        return;
    }
    game.turn = game.undo_turn;
    game.board = game.undo_board;
    host.RequestRepaint();
}

void HumanMove(GameSession& game, int column, int row, SessionHost& host) {
    const Board snapshot = game.board;
    const Side mover = game.turn;
    if (PlayIfLegal(game, column, row)) {
        game.undo_board = snapshot;
        game.undo_turn = mover;
    }
    FinishTurn(game, host);
}

void ComputerMove(GameSession& game, RandomSource& random, SessionHost& host) {
    const PlayerKind level = KindToMove(game);
    if (game.turn == 0 || level == kHuman || ResultPending(game)) {
        return;
    }
    int column = kNoSquare;
    int row = kNoSquare;
    ChooseMove(game.board, column, row, game.turn, SearchModeForLevel(level), game.move_count,
               random);
    PlayIfLegal(game, column, row);
    FinishTurn(game, host);
}

void FinishTurn(GameSession& game, SessionHost& host) {
    if (HasNoMove(game.board, game.turn)) {
        game.turn = Opponent(game.turn);
    }
    host.RequestRepaint();
    if (IsGameOver(game.board)) {
        EndGame(game, host);
    }
}

void EndGame(GameSession& game, SessionHost& host) {
    if (AnyComputer(game)) {
        host.StopMoveTimer();
    }
    const DiscCount discs = CountDiscs(game.board);
    const char* format = discs.red > discs.blue   ? texts::kResultRedWins
                         : discs.blue > discs.red ? texts::kResultBlueWins
                                                  : texts::kResultDraw;
    char text[64];  // the longest result, with two-digit counts, is 43 bytes
    std::snprintf(text, sizeof text, format, discs.red, discs.blue);
    host.ShowMessage(text, texts::kResultCaption);
    game.turn = 0;
    game.undo_turn = 0;
}
