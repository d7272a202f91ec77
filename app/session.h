// The one game that the window shows, and every event that changes it: Start, Undo, a human's
// click, a computer's timer tick and the end of the game. Portable: the window it runs in is
// reached only through SessionHost.
#pragma once

#include <cstdint>

#include "ai/random_source.h"
#include "rules/board.h"

// Per side: 0 = human (moves by clicking), 1..3 = the computer at that level.
using PlayerKind = std::int32_t;

constexpr PlayerKind kHuman = 0;

struct GameSession {
    Board board;                 // the position in play and on display
    PlayerKind red_kind;         // who plays red (side 1, moves first)
    PlayerKind blue_kind;        // who plays blue (side 2)
    std::int32_t turn;           // 0 = no game running, 1 = red to move, 2 = blue to move
    std::int32_t move_count;     // discs placed so far, the four starting discs included
    std::int32_t cell_size;      // edge of one square in pixels, set by every paint
    std::int32_t client_height;  // client-area height at the last paint
    std::int32_t undo_turn;      // 0 = nothing to undo, else the side of the last human move
    Board undo_board;            // the position just before the last human move
};

// The session's state at process start: both sides human, no game running, the four starting
// discs on the board.
GameSession InitialSession();

// What the session needs from the window it runs in.
class SessionHost {
  public:
    virtual void StartMoveTimer() = 0;  // start (or restart) the 500 ms move timer
    virtual void StopMoveTimer() = 0;
    virtual void RequestRepaint() = 0;  // repaint the whole client area
    // Shows a modal message (code page 932 text) and returns when the user has closed it.
    virtual void ShowMessage(const char* text, const char* caption) = 0;
    virtual std::uint32_t CurrentTime() = 0;  // seconds since 1970, the seed of a new game

  protected:
    ~SessionHost() = default;
};

// The click guard: 1 when a left click may play, that is a game runs and a human is to move;
// 0 also while the result box is still open, when neither side can move any more.
int ClickAllowed(const GameSession& game);

// The window's title for a turn: the side to move, "REVERSI" with no game (code page 932).
const char* TitleForTurn(int turn);

void StartGame(GameSession& game, RandomSource& random, SessionHost& host);
void UndoMove(GameSession& game, SessionHost& host);
// (column, row) may lie beyond the board (8 or more); such a click places nothing.
void HumanMove(GameSession& game, int column, int row, SessionHost& host);
void ComputerMove(GameSession& game, RandomSource& random, SessionHost& host);
void FinishTurn(GameSession& game, SessionHost& host);
void EndGame(GameSession& game, SessionHost& host);
