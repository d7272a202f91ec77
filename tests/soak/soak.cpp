// plix-soak computer|mixed GAMES FIRST_SEED
// Plays GAMES whole games through the real session code and checks the session's invariants
// after every event, then checks that memory stayed flat over the run.
//   computer  both sides are computers; game g plays level pair g mod 9 (every pairing of levels
//             1..3) with the seed FIRST_SEED + g, driven by timer ticks alone.
//   mixed     one or both sides human, the events of tests/support/mixed_play.h: humans click
//             legal squares, illegal ones and squares beyond the board, and take moves back;
//             stray ticks, clicks and Undo arrive at any time, and now and then Start
//             interrupts a running game.
// Prints the figures (games, events, games per second, heap in use and peak RSS after the first
// 1000 games and at the end) and exits 1 at the first broken invariant, naming game and event.
#include <malloc.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/session.h"
#include "rules/availability.h"
#include "tests/support/fake_host.h"
#include "tests/support/mixed_play.h"
#include "tests/support/session_invariants.h"

#if defined(__SANITIZE_ADDRESS__)
#define PLIX_SOAK_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PLIX_SOAK_ASAN 1
#endif
#endif

namespace {

// A game has at most 60 moves and as many passes; a mixed game also takes moves back and sends
// stray events, but a game that needs this many events has stopped making progress.
constexpr int kMaxEventsPerGame = 20000;

struct Soak {
    const char* mode = "";
    int game = 0;
    long events = 0;
    MixedTally mixed;
    std::uint32_t seed = 0;
    PlayerKind red = 0;
    PlayerKind blue = 0;
};

[[noreturn]] void Fail(const Soak& soak, const char* event, const std::string& what) {
    std::fprintf(stderr,
                 "plix-soak %s: game %d (seed %u, red %d, blue %d), after %s: %s\n"
                 "reproduce: plix-soak %s 1 %u%s\n",
                 soak.mode, soak.game, soak.seed, soak.red, soak.blue, event, what.c_str(),
                 soak.mode, soak.seed,
                 std::strcmp(soak.mode, "computer") == 0 ? " (level pair = seed mod 9)" : "");
    std::exit(1);
}

void Check(Soak& soak, const GameSession& game, bool undone, const char* event) {
    ++soak.events;
    const std::string broken = SessionInvariantViolation(game, !undone);
    if (!broken.empty()) {
        Fail(soak, event, broken);
    }
}

// The end of a game: one result box, the timer stopped when a computer plays, nothing to undo.
void CheckEnded(const Soak& soak, const GameSession& game, const FakeHost& host) {
    if (host.messages.size() != 1) {
        Fail(soak, "the end", std::to_string(host.messages.size()) + " result boxes");
    }
    if ((game.red_kind != kHuman || game.blue_kind != kHuman) && host.timer_running) {
        Fail(soak, "the end", "the move timer still runs");
    }
    if (!IsGameOver(game.board)) {
        Fail(soak, "the end", "the game ended while a side can still move");
    }
}

void PlayComputerGame(Soak& soak, FakeHost& host, RandomSource& random) {
    host.ClearCalls();
    host.time = soak.seed;
    GameSession game = InitialSession();
    game.red_kind = soak.red;
    game.blue_kind = soak.blue;
    StartGame(game, random, host);
    Check(soak, game, false, "Start");
    if (!host.timer_running) {
        Fail(soak, "Start", "the move timer does not run");
    }
    int events = 0;
    while (game.turn != 0) {
        if (++events > kMaxEventsPerGame) {
            Fail(soak, "a tick", "the game does not end");
        }
        const int discs_before = DiscsOnBoard(game.board);
        ComputerMove(game, random, host);
        Check(soak, game, false, "a tick");
        // Every tick of a computer to move places exactly one disc.
        if (DiscsOnBoard(game.board) != discs_before + 1) {
            Fail(soak, "a tick", "the tick did not place exactly one disc");
        }
    }
    CheckEnded(soak, game, host);
}

void PlayMixedGame(Soak& soak, FakeHost& host, RandomSource& random) {
    TestRandom dice(soak.seed);
    host.ClearCalls();
    host.time = soak.seed;
    GameSession game = InitialSession();
    // At least one human; the other side human or a computer at any level.
    const bool red_human = dice.Below(2) == 0;
    game.red_kind = soak.red = red_human ? kHuman : 1 + dice.Below(3);
    game.blue_kind = soak.blue = red_human ? dice.Below(4) : kHuman;
    StartGame(game, random, host);
    Check(soak, game, false, "Start");
    // The one result box at the end is this game's.
    const std::string fault = PlayMixedGame(game, random, host, dice, kMaxEventsPerGame, soak.mixed,
                                            [&] { host.ClearCalls(); });
    if (!fault.empty()) {
        Fail(soak, "mixed events", fault);
    }
    CheckEnded(soak, game, host);
}

struct Memory {
    long heap_in_use;  // bytes handed out by malloc and not freed
    long peak_rss_kib;
};

Memory MeasureMemory() {
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return {static_cast<long>(mallinfo2().uordblks), usage.ru_maxrss};
}

int Usage() {
    std::fprintf(stderr, "usage: plix-soak computer|mixed GAMES FIRST_SEED\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 ||
        (std::strcmp(argv[1], "computer") != 0 && std::strcmp(argv[1], "mixed") != 0)) {
        return Usage();
    }
    const int games = std::atoi(argv[2]);
    const std::uint32_t first_seed = static_cast<std::uint32_t>(std::strtoul(argv[3], nullptr, 10));
    if (games < 1) {
        return Usage();
    }
    const bool computer = std::strcmp(argv[1], "computer") == 0;

    Soak soak;
    soak.mode = argv[1];
    FakeHost host;
    RandomSource random;
    const auto started = std::chrono::steady_clock::now();
    const int warm_up = games < 1000 ? games : 1000;
    [[maybe_unused]] Memory after_warm_up = {};
    for (int game = 0; game < games; ++game) {
        soak.game = game;
        soak.seed = first_seed + static_cast<std::uint32_t>(game);
        if (computer) {
            soak.red = 1 + static_cast<int>(soak.seed % 9 / 3);
            soak.blue = 1 + static_cast<int>(soak.seed % 3);
            PlayComputerGame(soak, host, random);
        } else {
            PlayMixedGame(soak, host, random);
        }
        if (game + 1 == warm_up) {
            after_warm_up = MeasureMemory();
        }
    }
    [[maybe_unused]] const Memory at_end = MeasureMemory();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    std::printf("plix-soak %s: %d games, %ld events checked, %.1f s, %.0f games/s\n", soak.mode,
                games, soak.events + soak.mixed.events, seconds, games / seconds);
    if (!computer) {
        std::printf("moves taken back: %ld, games restarted: %ld, clicks refused: %ld\n",
                    soak.mixed.undos, soak.mixed.restarts, soak.mixed.refused);
    }
#ifdef PLIX_SOAK_ASAN
    // The sanitizer's allocator keeps freed blocks in quarantine and does not report through
    // mallinfo2; LeakSanitizer checks for leaks at exit instead.
    std::printf("memory: not measured under AddressSanitizer\n");
#else
    std::printf("heap in use after %d games: %ld bytes, at the end: %ld bytes\n", warm_up,
                after_warm_up.heap_in_use, at_end.heap_in_use);
    std::printf("peak RSS after %d games: %ld KiB, at the end: %ld KiB\n", warm_up,
                after_warm_up.peak_rss_kib, at_end.peak_rss_kib);
    // The game allocates nothing; only the fake host's records may still grow a little, when a
    // later game makes more calls than any before it.
    if (at_end.heap_in_use - after_warm_up.heap_in_use > 4096 ||
        at_end.peak_rss_kib - after_warm_up.peak_rss_kib > 1024) {
        std::fprintf(stderr, "plix-soak %s: memory grew over the run\n", soak.mode);
        return 1;
    }
#endif
    return 0;
}
