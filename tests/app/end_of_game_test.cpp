// The end of a game: the result box and its exact code page 932 bytes, the timer, and events that
// arrive while the box is still open.
#include <gtest/gtest.h>

#include <string>

#include "app/texts.h"
#include "tests/app/session_table.h"
#include "tests/support/cp932.h"

namespace {

TEST(EndOfGameTest, ResultFormatsAreTheWordingInCodePage932) {
    EXPECT_EQ(texts::kResultRedWins, Cp932(U8("先手(赤):%d  後手(青):%d\n        先手の勝ち")));
    EXPECT_EQ(texts::kResultBlueWins, Cp932(U8("先手(赤):%d  後手(青):%d\n        後手の勝ち")));
    EXPECT_EQ(texts::kResultDraw, Cp932(U8("先手(赤):%d  後手(青):%d\n         引き分け")));
    EXPECT_EQ(texts::kResultCaption, Cp932(U8("REVERSI POINT")));
}

// Full boards but for (7, 7), red to move. Red's move there turns (6, 7) alone and fills the
// board, leaving red 33 to 31, 32 to 32 and 31 to 33.
struct Ending {
    const char* picture;
    const char* result;
};
const Ending kEndings[] = {
    {"BBBBBBBB"
     "BBBBBBBB"
     "BBBBBBBB"
     "BBBBBBBR"
     "RRRRRRRR"
     "RRRRRRRR"
     "RRRRRRRR"
     "RRRRRRB.",
     U8("先手(赤):33  後手(青):31\n        先手の勝ち")},
    {"BBBBBBBB"
     "BBBBBBBB"
     "BBBBBBBB"
     "BBBBBBBB"
     "RRRRRRRR"
     "RRRRRRRR"
     "RRRRRRRR"
     "RRRRRRB.",
     U8("先手(赤):32  後手(青):32\n         引き分け")},
    {"BBBBBBBB"
     "BBBBBBBB"
     "BBBBBBBB"
     "BBBBBBBB"
     "BRRRRRRR"
     "RRRRRRRR"
     "RRRRRRRR"
     "RRRRRRB.",
     U8("先手(赤):31  後手(青):33\n        後手の勝ち")},
};

TEST(EndOfGameTest, ClickOrTickThatEndsTheGameShowsTheResultAndClearsTheTurn) {
    struct Way {
        PlayerKind red, blue;
        const char* calls;  // repaint, timer stopped only with a computer side, the box
    };
    for (const Ending& ending : kEndings) {
        for (const Way& way : {Way{kHuman, kHuman, "PM"}, Way{kHuman, 2, "PSM"},
                               Way{1, kHuman, "PSM"}, Way{3, 3, "PSM"}}) {
            SCOPED_TRACE(testing::Message()
                         << way.red << " against " << way.blue << ", " << ending.result);
            Table table;
            table.StartFrom(way.red, way.blue, ending.picture, kRed);
            int turn_while_open = -1;
            table.host.while_message_open = [&] { turn_while_open = table.game.turn; };
            if (way.red == kHuman) {
                table.Click(7, 7);
            } else {
                table.Tick();
            }
            EXPECT_EQ(table.host.log, way.calls);
            ASSERT_EQ(table.host.messages.size(), 1u);
            EXPECT_EQ(table.host.messages[0].text, Cp932(ending.result));
            EXPECT_EQ(table.host.messages[0].caption, "REVERSI POINT");
            EXPECT_EQ(turn_while_open, kRed);  // blue passed; red stays named until the box closes
            EXPECT_EQ(table.game.turn, 0);
            EXPECT_EQ(table.game.undo_turn, 0);
            EXPECT_EQ(table.game.move_count, 64);

            // Afterwards nothing plays until the next Start.
            table.host.ClearCalls();
            table.Click(0, 0);
            table.Tick();
            table.Undo();
            EXPECT_EQ(table.host.log, "");
        }
    }
}

TEST(EndOfGameTest, CountsArePlainDecimals) {
    Table table;
    table.StartFrom(kHuman, kHuman,
                    "RRRRRRRR"
                    "RRRRRRRR"
                    "RRRRRRRR"
                    "RRRRRRRR"
                    "RRRRRRRR"
                    "RRRRRRRR"
                    "RRRRRRRR"
                    "RRRRRRB.",
                    kRed);
    table.Click(7, 7);
    ASSERT_EQ(table.host.messages.size(), 1u);
    EXPECT_EQ(table.host.messages[0].text,
              Cp932(U8("先手(赤):64  後手(青):0\n        先手の勝ち")));
}

TEST(EndOfGameTest, EventsWhileTheResultBoxIsOpenDoNothing) {
    // A tick queued before the timer stopped, or a click, reaches the session from the box's own
    // message loop while `turn` still names the last side: nobody may pass, play or end again.
    for (PlayerKind red : {kHuman, PlayerKind{1}}) {
        Table table;
        table.StartFrom(red, 2, kEndings[0].picture, kRed);
        GameSession while_open{};
        std::string calls_while_open = "not called";
        int allowed = -1;
        bool entered = false;
        table.host.while_message_open = [&] {
            if (entered) {
                return;  // a second box: the failure shows below, without endless nesting
            }
            entered = true;
            const std::string before = table.host.log;
            while_open = table.game;
            allowed = ClickAllowed(table.game);
            table.Tick();
            const PlayerKind red_kind = table.game.red_kind;
            table.game.red_kind = 3;  // even with red made a computer in a dialog beneath
            table.Tick();
            table.game.red_kind = red_kind;
            calls_while_open = table.host.log.substr(before.size());
        };
        if (red == kHuman) {
            table.Click(7, 7);
        } else {
            table.Tick();
        }
        EXPECT_EQ(allowed, 0);
        EXPECT_EQ(calls_while_open, "");
        EXPECT_EQ(table.host.messages.size(), 1u);
        EXPECT_EQ(while_open.turn, kRed);
        EXPECT_EQ(table.game.turn, 0);
        EXPECT_EQ(table.game.board, while_open.board);
    }
}

TEST(EndOfGameTest, EndStopsTheTimerOnlyWhenAComputerPlaysAtThatMoment) {
    // Started with a computer, both made human: the end leaves the timer running.
    Table table;
    table.StartFrom(kHuman, 1, kEndings[1].picture, kRed);
    table.game.blue_kind = kHuman;
    table.Click(7, 7);
    EXPECT_EQ(table.host.log, "PM");
    EXPECT_TRUE(table.host.timer_running);

    // Started by two humans, blue made a computer: the end stops the timer that never ran.
    Table humans;
    humans.StartFrom(kHuman, kHuman, kEndings[1].picture, kRed);
    humans.game.blue_kind = 3;
    humans.Click(7, 7);
    EXPECT_EQ(humans.host.log, "PSM");
}

}  // namespace
