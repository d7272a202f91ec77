// Runs plix-selfplay as a user would and checks what it prints against the rules alone.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <sstream>
#include <string>

#include "rules/availability.h"
#include "tests/support/board_values.h"

namespace {

struct SelfplayRun {
    int status = -1;
    std::string output;  // standard output and standard error together
};

SelfplayRun RunSelfplay(const std::string& arguments) {
    SelfplayRun run;
    const std::string command = std::string("'") + PLIX_SELFPLAY + "' " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        ADD_FAILURE() << "cannot run " << command;
        return run;
    }
    char buffer[4096];
    size_t length;
    while ((length = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        run.output.append(buffer, length);
    }
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TEST(SelfplayTest, BadArgumentsGiveTheUsageAndStatus2) {
    for (const char* arguments :
         {"",        "1 1",     "1 1 1 1", "x 1 1",          "1 x 1",
          "1 1 x",   "'' 1 1",  "1 0 1",   "1 1 0",          "1 4 1",
          "1 1 4",   "1 -1 1",  "-1 1 1",  "+1 1 1",         "' 1' 1 1",
          "1.0 1 1", "1 2.5 1", "1 1 3x",  "4294967296 1 1", "99999999999999999999999 1 1"}) {
        const SelfplayRun run = RunSelfplay(arguments);
        EXPECT_EQ(run.status, 2) << "plix-selfplay " << arguments;
        EXPECT_NE(run.output.find("usage: plix-selfplay SEED RED_LEVEL BLUE_LEVEL"),
                  std::string::npos)
            << "plix-selfplay " << arguments << " printed:\n"
            << run.output;
    }
}

const char* SideName(Side side) {
    return side == kRed ? "red" : "blue";
}

// Replays the printed game from the start: every move must be legal for the side to move, a
// pass printed exactly when the pass rule hands the turn on, and the end reached with the
// printed counts.
void ExpectConsistentGame(const std::string& output) {
    std::istringstream lines(output);
    std::string line;
    Board board = StartingBoard();
    Side side = kRed;
    int moves = 0;
    bool pass_due = false;
    bool ended = false;
    while (std::getline(lines, line)) {
        ASSERT_FALSE(ended) << "a line after the end: " << line;
        std::istringstream words(line);
        std::string word, name;
        words >> word;
        if (word == "move") {
            int column = -1, row = -1;
            words >> name >> column >> row;
            ASSERT_FALSE(pass_due) << "no pass printed before: " << line;
            ASSERT_EQ(name, SideName(side)) << line;
            ASSERT_TRUE(OnBoard(column, row)) << line;
            ASSERT_TRUE(PlaceDisc(board, column, row, side)) << "illegal: " << line;
            ++moves;
            side = Opponent(side);
            pass_due = HasNoMove(board, side) != 0;
        } else if (word == "pass") {
            words >> name;
            ASSERT_TRUE(pass_due) << "a pass where the side can move: " << line;
            ASSERT_EQ(name, SideName(side)) << line;
            side = Opponent(side);
            pass_due = false;
        } else if (word == "end") {
            int red = -1, blue = -1;
            words >> red >> blue;
            ASSERT_FALSE(pass_due) << "no pass printed before the end";
            ASSERT_TRUE(IsGameOver(board)) << "the game could go on";
            const DiscCount discs = CountDiscs(board);
            EXPECT_EQ(red, discs.red);
            EXPECT_EQ(blue, discs.blue);
            ended = true;
        } else {
            FAIL() << "unexpected line: " << line;
        }
        std::string rest;
        ASSERT_FALSE(words.fail()) << "malformed: " << line;
        ASSERT_FALSE(words >> rest) << "trailing words: " << line;
    }
    ASSERT_TRUE(ended) << "no end line";
    EXPECT_GT(moves, 0);
}

TEST(SelfplayTest, PrintsAWholeConsistentGameAndRepeatsItForTheSameSeed) {
    for (const char* arguments : {"1 3 3", "0 1 1", "4294967295 1 2", "77 2 1"}) {
        SCOPED_TRACE(arguments);
        const SelfplayRun run = RunSelfplay(arguments);
        ASSERT_EQ(run.status, 0) << run.output;
        ASSERT_NO_FATAL_FAILURE(ExpectConsistentGame(run.output));
        EXPECT_EQ(RunSelfplay(arguments).output, run.output);
    }
    // The seed reaches the computer's random terms.
    EXPECT_NE(RunSelfplay("1 1 1").output, RunSelfplay("2 1 1").output);
}

}  // namespace
