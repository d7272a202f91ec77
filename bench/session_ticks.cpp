// session_ticks SEED...
// For each seed, one game of level 3 against level 3 through the real session code, the seed
// handed to it as the current time; prints the seed, the number of ticks and the microseconds
// that all of the game's ticks (ComputerMove) took together. The native counterpart of the
// browser benchmark's ticks (bench/web_page.py), which plays the same games in the page.
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "app/session.h"

namespace {

class TimingHost : public SessionHost {
  public:
    explicit TimingHost(std::uint32_t seed) : seed_(seed) {}
    void StartMoveTimer() override {}
    void StopMoveTimer() override {}
    void RequestRepaint() override {}
    void ShowMessage(const char*, const char*) override { ended = true; }
    std::uint32_t CurrentTime() override { return seed_; }

    bool ended = false;

  private:
    std::uint32_t seed_;
};

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const auto seed = static_cast<std::uint32_t>(std::strtoul(argv[i], nullptr, 10));
        TimingHost host(seed);
        RandomSource random;
        GameSession game = InitialSession();
        game.red_kind = 3;
        game.blue_kind = 3;
        StartGame(game, random, host);
        int ticks = 0;
        const auto start = std::chrono::steady_clock::now();
        while (!host.ended && ticks < 200) {
            ComputerMove(game, random, host);
            ++ticks;
        }
        const std::chrono::duration<double, std::micro> spent =
            std::chrono::steady_clock::now() - start;
        std::printf("%u %d %.0f\n", seed, ticks, spent.count());
    }
    return 0;
}
