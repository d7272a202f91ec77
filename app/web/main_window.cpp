// The page's window procedure: what page.js calls for a menu command, a press on the board, a
// timer tick and a paint, routed to the game session as the Windows window procedure routes its
// messages.
#include <ctime>

#include <emscripten/emscripten.h>

#include "app/session.h"
#include "app/web/board_view.h"
#include "app/web/page_calls.h"

namespace {

GameSession g_game = InitialSession();
RandomSource g_random;

// The session's services, carried out by the page.
class PageHost final : public SessionHost {
  public:
    void StartMoveTimer() override { PageStartTimer(); }
    void StopMoveTimer() override { PageStopTimer(); }
    void RequestRepaint() override { PageRequestRepaint(); }
    void ShowMessage(const char* text, const char* caption) override {
        PageShowMessage(text, caption);
    }
    std::uint32_t CurrentTime() override { return static_cast<std::uint32_t>(std::time(nullptr)); }
};

PageHost g_host;

}  // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE void WindowStart() {
    StartGame(g_game, g_random, g_host);
}

EMSCRIPTEN_KEEPALIVE void WindowUndo() {
    UndoMove(g_game, g_host);
}

// A left press at client-area point (x, y), both 0 or more.
EMSCRIPTEN_KEEPALIVE void WindowPress(unsigned x, unsigned y) {
    if (!ClickAllowed(g_game)) {
        return;
    }
    const Square square = SquareFromPoint(g_game, x, y);
    HumanMove(g_game, square.column, square.row, g_host);
}

EMSCRIPTEN_KEEPALIVE void WindowTick() {
    ComputerMove(g_game, g_random, g_host);
}

EMSCRIPTEN_KEEPALIVE void WindowPaint(int width, int height) {
    PaintBoard(g_game, width, height);
}

// The opponent dialog's two sides: 1 red, 2 blue.
EMSCRIPTEN_KEEPALIVE PlayerKind WindowKind(int side) {
    return side == kRed ? g_game.red_kind : g_game.blue_kind;
}

// The opponent dialog's OK; the dialog offers kinds 0..3 only.
EMSCRIPTEN_KEEPALIVE void WindowSetKinds(PlayerKind red, PlayerKind blue) {
    g_game.red_kind = red;
    g_game.blue_kind = blue;
}

}  // extern "C"
