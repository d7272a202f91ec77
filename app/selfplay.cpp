// plix-selfplay SEED RED_LEVEL BLUE_LEVEL
// Plays one whole computer-against-computer game through the real session code, with the seed
// handed to the session as the current time, and prints one line per event:
//   move red|blue C R    a disc placed on (column, row)
//   pass red|blue        the pass rule handed the turn on; the named side cannot move
//   end R B              the final red and blue counts (last line)
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "app/session.h"
#include "rules/availability.h"

namespace {

// A host without a window: the timer is a flag, the result box is remembered, not shown.
class HeadlessHost : public SessionHost {
  public:
    explicit HeadlessHost(std::uint32_t seed) : seed_(seed) {}
    void StartMoveTimer() override { timer_running = true; }
    void StopMoveTimer() override { timer_running = false; }
    void RequestRepaint() override {}
    void ShowMessage(const char*, const char*) override { result_shown = true; }
    std::uint32_t CurrentTime() override { return seed_; }

    bool timer_running = false;
    bool result_shown = false;

  private:
    std::uint32_t seed_;
};

const char* SideName(Side side) {
    return side == kRed ? "red" : "blue";
}

bool ParseNumber(const char* text, unsigned long long max, unsigned long long& value) {
    if (text[0] < '0' || text[0] > '9') {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    value = std::strtoull(text, &end, 10);
    return errno == 0 && *end == '\0' && value <= max;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: plix-selfplay SEED RED_LEVEL BLUE_LEVEL\n"
                 "  SEED   0..4294967295, handed to the game as the current time\n"
                 "  LEVEL  1..3, the computer's strength for each side\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    unsigned long long seed = 0;
    unsigned long long red = 0;
    unsigned long long blue = 0;
    if (argc != 4 || !ParseNumber(argv[1], 4294967295ull, seed) || !ParseNumber(argv[2], 3, red) ||
        !ParseNumber(argv[3], 3, blue) || red < 1 || blue < 1) {
        return Usage();
    }

    HeadlessHost host(static_cast<std::uint32_t>(seed));
    RandomSource random;
    GameSession game = InitialSession();
    game.red_kind = static_cast<PlayerKind>(red);
    game.blue_kind = static_cast<PlayerKind>(blue);
    StartGame(game, random, host);

    while (!host.result_shown) {
        const Board before = game.board;
        const Side mover = game.turn;
        ComputerMove(game, random, host);
        int placed = -1;
        for (int index = 0; index < kCellCount; ++index) {
            if (before.cells[index] == kEmpty && game.board.cells[index] != kEmpty) {
                placed = index;
            }
        }
        // The side to move always has a legal move while a game runs; a tick that plays nothing
        // would loop for ever.
        if (placed < 0) {
            std::fprintf(stderr, "plix-selfplay: %s made no move\n", SideName(mover));
            return 1;
        }
        std::printf("move %s %d %d\n", SideName(mover), placed % kBoardWidth, placed / kBoardWidth);
        // After a move the other side is to move, unless the pass rule gave the turn back; at
        // the end of the game `turn` is already 0, so the board tells whether it passed.
        const Side other = Opponent(mover);
        const bool passed =
            host.result_shown ? HasNoMove(game.board, other) != 0 : game.turn == mover;
        if (passed) {
            std::printf("pass %s\n", SideName(other));
        }
    }
    const DiscCount discs = CountDiscs(game.board);
    std::printf("end %d %d\n", discs.red, discs.blue);
    return 0;
}
