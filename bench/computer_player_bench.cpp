// Time of one computer decision at each level over a fixed corpus of positions taken from
// seeded computer-against-computer games, and the rate of ScoreMove calls.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <vector>

#include <benchmark/benchmark.h>

#include "ai/computer_player.h"
#include "ai/random_source.h"
#include "rules/availability.h"
#include "rules/board.h"

namespace {

struct Position {
    Board board;
    Side side;
    int move_count;
};

constexpr int kGames = 12;

// Every position of kGames games from the opening, with the levels of the two sides running
// through all nine pairings and the generator seeded per game, as the session does at Start.
// Passes are included: a side without a move hands the turn over without a decision.
std::vector<Position> MakeCorpus() {
    std::vector<Position> corpus;
    for (int game = 0; game < kGames; ++game) {
        const int levels[3] = {1 + game % 3, 1 + (game / 3) % 3, 0};
        RandomSource random;
        SeedRandom(random, 20240601u + static_cast<std::uint32_t>(game));
        Board board;
        SetStartingPosition(board);
        Side side = kRed;
        int move_count = 4;
        while (!IsGameOver(board)) {
            if (HasNoMove(board, side)) {
                side = Opponent(side);
                continue;
            }
            corpus.push_back({board, side, move_count});
            int column = kNoSquare;
            int row = kNoSquare;
            ChooseMove(board, column, row, side, SearchModeForLevel(levels[side - 1]), move_count,
                       random);
            PlaceDisc(board, column, row, side);
            side = Opponent(side);
            ++move_count;
        }
    }
    return corpus;
}

const std::vector<Position>& Corpus() {
    static const std::vector<Position> corpus = MakeCorpus();
    return corpus;
}

// ChooseMove scores 64 squares, every scored legal move of a deeper mode 64 replies, and so on.
std::int64_t ScoreMoveCalls(const Board& board, Side side, int mode) {
    std::int64_t calls = kCellCount;
    if (mode == 1) {
        return calls;
    }
    for (int index = 0; index < kCellCount; ++index) {
        Board after = board;
        if (PlaceDisc(after, index % kBoardWidth, index / kBoardWidth, side)) {
            calls += ScoreMoveCalls(after, Opponent(side), mode == 2 ? 1 : 2);
        }
    }
    return calls;
}

void BM_ChooseMove(benchmark::State& state) {
    const int level = static_cast<int>(state.range(0));
    const int mode = SearchModeForLevel(level);
    const std::vector<Position>& corpus = Corpus();

    std::int64_t calls_per_pass = 0;
    std::vector<std::int64_t> calls(corpus.size());
    for (std::size_t i = 0; i < corpus.size(); ++i) {
        calls[i] = ScoreMoveCalls(corpus[i].board, corpus[i].side, mode);
        calls_per_pass += calls[i];
    }

    // The fastest of the passes for each position: the cost of the decision itself, with the
    // noise of other work on the machine mostly removed.
    std::vector<double> seconds(corpus.size(), 1e9);
    for (auto _ : state) {
        for (std::size_t i = 0; i < corpus.size(); ++i) {
            const Position& position = corpus[i];
            RandomSource random;
            SeedRandom(random, static_cast<std::uint32_t>(i));
            int column = 0;
            int row = 0;
            const auto start = std::chrono::steady_clock::now();
            ChooseMove(position.board, column, row, position.side, mode, position.move_count,
                       random);
            const auto stop = std::chrono::steady_clock::now();
            benchmark::DoNotOptimize(column);
            benchmark::DoNotOptimize(row);
            seconds[i] = std::min(seconds[i], std::chrono::duration<double>(stop - start).count());
        }
    }

    std::vector<double> sorted = seconds;
    std::sort(sorted.begin(), sorted.end());
    const auto worst = std::max_element(seconds.begin(), seconds.end()) - seconds.begin();
    state.counters["positions"] = static_cast<double>(corpus.size());
    state.counters["median_us"] = sorted[sorted.size() / 2] * 1e6;
    state.counters["p99_us"] = sorted[sorted.size() * 99 / 100] * 1e6;
    state.counters["worst_us"] = sorted.back() * 1e6;
    state.counters["worst_move_count"] = corpus[worst].move_count;
    state.counters["worst_calls"] = static_cast<double>(calls[worst]);
    state.counters["ScoreMove_per_s"] = benchmark::Counter(
        static_cast<double>(calls_per_pass) * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ChooseMove)->ArgName("level")->DenseRange(1, 3)->Unit(benchmark::kMillisecond);

// The corpus itself, so that a run shows what it measured over.
void BM_CorpusPhases(benchmark::State& state) {
    int early = 0;
    int late = 0;
    int final = 0;
    int red = 0;
    for (auto _ : state) {
        early = late = final = red = 0;
        for (const Position& position : Corpus()) {
            early += position.move_count <= 44;
            late += position.move_count >= 45 && position.move_count <= 54;
            final += position.move_count >= 55;
            red += position.side == kRed;
        }
    }
    state.counters["early"] = early;
    state.counters["late"] = late;
    state.counters["final"] = final;
    state.counters["red_to_move"] = red;
    state.counters["blue_to_move"] = early + late + final - red;
}
BENCHMARK(BM_CorpusPhases)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
