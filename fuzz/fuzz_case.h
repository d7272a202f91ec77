// How a fuzzer's bytes become a position to check: 64 bytes of cells, then the side, a square,
// the search mode, the move count and the generator's seed. Missing bytes read as 0, so every
// input, even an empty one, is a case.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "rules/board.h"

struct FuzzCase {
    Board board;     // any mix of 0, 1 and 2, reachable in play or not
    Side side;       // 1 or 2
    int column;      // 0..7
    int row;         // 0..7
    int mode;        // 1, 2, 5 or another value that also means three plies
    int move_count;  // -32768..32767: every phase, and values no game reaches
    std::uint32_t seed;
};

inline FuzzCase DecodeFuzzCase(const std::uint8_t* data, std::size_t size) {
    auto byte = [&](std::size_t index) -> std::uint8_t { return index < size ? data[index] : 0; };
    FuzzCase input;
    for (int index = 0; index < kCellCount; ++index) {
        input.board.cells[index] = static_cast<Cell>(byte(index) % 3);
    }
    input.side = (byte(64) & 1) + 1;
    input.column = byte(65) % kBoardWidth;
    input.row = byte(65) / kBoardWidth % kBoardWidth;
    // 1, 2, 5, or the byte itself read as signed, which is never 1 or 2 then.
    const int modes[] = {1, 2, 5, static_cast<std::int8_t>(byte(66))};
    input.mode = modes[byte(66) % 4];
    input.move_count = static_cast<std::int16_t>(byte(67) | byte(68) << 8);
    input.seed = static_cast<std::uint32_t>(byte(69)) | static_cast<std::uint32_t>(byte(70)) << 8 |
                 static_cast<std::uint32_t>(byte(71)) << 16 |
                 static_cast<std::uint32_t>(byte(72)) << 24;
    return input;
}

// A broken property ends the run with its description; libFuzzer then keeps the input as a crash.
inline void FuzzCheck(const std::string& broken) {
    if (!broken.empty()) {
        std::fprintf(stderr, "%s\n", broken.c_str());
        std::abort();
    }
}
