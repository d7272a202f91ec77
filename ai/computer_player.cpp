#include "ai/computer_player.h"

#include "rules/availability.h"

// clang-format off
const int PositionWeights[kCellCount] = {
    300, -20,  20,  20,  20,  20, -20, 300,
    -20, -80, -10, -10, -10, -10, -80, -20,
     20, -10,   0,   0,   0,   0, -10,  20,
     20, -10,   0,   0,   0,   0, -10,  20,
     20, -10,   0,   0,   0,   0, -10,  20,
     20, -10,   0,   0,   0,   0, -10,  20,
    -20, -80, -10, -10, -10, -10, -80, -20,
    300, -20,  20,  20,  20,  20, -20, 300,
};
// clang-format on

namespace {

constexpr int kLastEarlyMove = 44;
constexpr int kLastLateMove = 54;

bool OnEdge(int coordinate) {
    return coordinate == 0 || coordinate == kBoardWidth - 1;
}

// The rating of the position right after the move, before any reply is looked at.
int StaticScore(const Board& after, int column, int row, Side side, int move_count,
                RandomSource& random) {
    int discs = 0;
    int position = 0;  // 1 per disc, 3 more on a side column, 3 more on a top or bottom row
    for (int r = 0; r < kBoardWidth; ++r) {
        for (int c = 0; c < kBoardWidth; ++c) {
            if (after.cells[CellIndex(c, r)] == side) {
                ++discs;
                position += 1 + (OnEdge(c) ? 3 : 0) + (OnEdge(r) ? 3 : 0);
            }
        }
    }
    const int weight = PositionWeights[CellIndex(column, row)];
    if (move_count <= kLastEarlyMove) {
        const int mobility = CountMoves(after, Opponent(side));
        const int jitter = DrawRandom(random) % 7;
        return position + 200 / (mobility + 1) + jitter + weight + 100;
    }
    if (move_count <= kLastLateMove) {
        const int mobility = CountMoves(after, Opponent(side));
        const int jitter = DrawRandom(random) % 5;
        return 5 * position + 100 / (mobility + 1) + jitter + weight + 100;
    }
    return 10 * discs;
}

}  // namespace

int SearchModeForLevel(int level) {
    switch (level) {
        case 1:
            return 1;
        case 2:
            return 3;
        default:
            return 5;
    }
}

int ScoreMove(const Board& board, int column, int row, Side side, int mode, int move_count,
              RandomSource& random) {
    Board scratch = board;
    if (!PlaceDisc(scratch, column, row, side)) {
        return -1;
    }
    const int score = StaticScore(scratch, column, row, side, move_count, random);
    if (mode == kSearchOnePly) {
        return score;
    }
    // Illegal replies score -1 and legal ones above 0, so `best` stays 0 exactly when the
    // opponent has no reply.
    const int reply_mode = mode == kSearchTwoPlies ? kSearchOnePly : kSearchTwoPlies;
    const Side opponent = Opponent(side);
    int best = 0;
    for (int r = 0; r < kBoardWidth; ++r) {
        for (int c = 0; c < kBoardWidth; ++c) {
            const int reply = ScoreMove(scratch, c, r, opponent, reply_mode, move_count, random);
            if (reply > best) {
                best = reply;
            }
        }
    }
    const int weight = PositionWeights[CellIndex(column, row)];
    if (mode == kSearchTwoPlies) {
        if (best == 0) {
            return DrawRandom(random) % 10 + weight + 5000;
        }
        return score - best + 3010;
    }
    if (best == 0) {
        return weight + 10000;
    }
    return score - best + 10000;
}

void ChooseMove(const Board& board, int& column, int& row, Side side, int mode, int move_count,
                RandomSource& random) {
    column = kNoSquare;
    row = kNoSquare;
    int best = 0;
    for (int r = 0; r < kBoardWidth; ++r) {
        for (int c = 0; c < kBoardWidth; ++c) {
            const int score = ScoreMove(board, c, r, side, mode, move_count, random);
            if (score > best) {
                best = score;
                column = c;
                row = r;
            }
        }
    }
}
