// A long seeded storm of messages against the real main window: clicks anywhere, ticks with any
// id, every menu command and unknown ones, resizes from nothing to huge, paints, the opponent
// dialog answered either way, About and the exit question declined. After every step the
// session's invariants hold; at no moment is more than one result box open; and at the end the
// process holds exactly the GDI objects and about the memory it held before.
//
// Help is left out: under Wine it starts the help viewer, another program.
#include <windows.h>

#include <psapi.h>
#include <winternl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "app/texts.h"
#include "rules/board.h"
#include "app/win32/resource.h"
#include "main_window_fixture.h"
#include "tests/support/random_play.h"
#include "tests/support/session_invariants.h"
#include "win32_support.h"

namespace {

std::uint64_t EnvironmentNumber(const char* name, std::uint64_t fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? std::strtoull(value, nullptr, 0) : fallback;
}

struct Memory {
    std::size_t private_bytes;
    std::size_t working_set;
};

// GetProcessMemoryInfo. Wine fills it from the process's /proc status and leaves PrivateUsage at
// 0; PagefileUsage, the private commit on Windows, is filled there and taken instead.
Memory ProcessMemory() {
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(),
                              reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                              sizeof counters)) {
        return {0, 0};
    }
    const std::size_t private_bytes =
        counters.PrivateUsage != 0 ? counters.PrivateUsage : counters.PagefileUsage;
    return {private_bytes, counters.WorkingSetSize};
}

std::string GdiText(const std::map<int, int>& by_type) {
    std::string text;
    for (const auto& entry : by_type) {
        char item[32];
        std::snprintf(item, sizeof item, " %02x:%d", entry.first, entry.second);
        text += item;
    }
    return text;
}

// The dialog-class windows of this thread that exist right now, whether still showing or
// already ended and waiting for their modal loop to return.
std::vector<HWND> g_live_boxes;

LRESULT CALLBACK TrackBoxes(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND || code == HCBT_DESTROYWND) {
        const HWND window = reinterpret_cast<HWND>(wParam);
        char name[16] = {};
        GetClassNameA(window, name, sizeof name);
        if (std::strcmp(name, kDialogClass) == 0) {
            if (code == HCBT_CREATEWND) {
                g_live_boxes.push_back(window);
            } else {
                g_live_boxes.erase(std::remove(g_live_boxes.begin(), g_live_boxes.end(), window),
                                   g_live_boxes.end());
            }
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Result boxes on the stack of modal loops right now.
int ResultBoxesOpen() {
    int open = 0;
    for (HWND box : g_live_boxes) {
        open += WindowText(box) == texts::kResultCaption;
    }
    return open;
}

// What the session must keep while its result box is open, whatever arrives meanwhile: all but
// the layout of the last paint and the kinds, which an opponent dialog beneath the box may commit.
GameSession KeptUnderTheResultBox(GameSession game) {
    game.red_kind = game.blue_kind = kHuman;
    game.cell_size = game.client_height = 0;
    return game;
}

class Storm {
  public:
    Storm(HWND window, std::uint64_t seed) : window_(window), random_(seed) {}

    // One event from outside, sent to the window or run against it; its boxes are answered
    // from inside their modal loops meanwhile.
    void Step() {
        const int pick = Below(1000);
        if (pick < 300) {
            Click();
        } else if (pick < 650) {
            Tick();
        } else if (pick < 652) {
            Send(WM_COMMAND, Noise(IDM_START), 0);
            undone_ = false;
        } else if (pick < 662) {
            if (game().undo_turn != 0) {
                undone_ = true;
            }
            Send(WM_COMMAND, Noise(IDM_UNDO), 0);
        } else if (pick < 700) {
            Pump();
        } else if (pick < 760) {
            UnknownCommand();
        } else if (pick < 810) {
            Resize();
        } else if (pick < 900) {
            Paint();
        } else if (pick < 960) {
            Pump();
        } else if (pick < 970) {
            OpponentDialog();
        } else if (pick < 974) {
            Send(WM_COMMAND, Noise(IDM_ABOUT), 0);
        } else if (pick < 978) {
            // Exit posts WM_CLOSE, whose question comes from whichever loop takes it next.
            Send(WM_COMMAND, Noise(IDM_EXIT), 0);
        } else if (pick < 980) {
            Send(WM_CLOSE, 0, 0);
        } else {
            // Mouse and other messages the window leaves to the system.
            const UINT others[] = {WM_LBUTTONDBLCLK, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_MOUSEMOVE};
            Send(others[Below(4)], MK_LBUTTON, RandomPoint());
        }
    }

    // Answers every box that this thread shows, as the storm's user would.
    bool Answer(HWND box) {
        ++polls_[box];
        const int nested = ResultBoxesOpen();
        max_nesting_ = std::max(max_nesting_, nested);
        if (polls_[box] > 500 && failure_.empty()) {
            failure_ = "a box stayed open for ten seconds: " + WindowText(box);
        }
        if (GetDlgItem(box, IDC_RED_HUMAN) != nullptr) {
            return AnswerDialog(box);
        }
        const std::string caption = WindowText(box);
        if (caption == texts::kResultCaption) {
            return AnswerResult(box);
        }
        if (caption == texts::kExitCaption) {
            ++exit_questions_;
            if (exit_allowed_) {
                PressButton(box, IDOK);
            } else {
                DeclineBox(box);
            }
            return true;
        }
        if (caption == texts::kAboutCaption) {
            ++about_boxes_;
            DeclineBox(box);
            return true;
        }
        if (failure_.empty()) {
            failure_ = "an unexpected box: " + caption;
        }
        PressButton(box, IDOK);
        return true;
    }

    // The first fault seen, or an empty string.
    std::string Check() {
        if (!failure_.empty()) {
            return failure_;
        }
        if (!IsWindow(window_)) {
            return "the window is gone";
        }
        if (max_nesting_ > 1) {
            return std::to_string(max_nesting_) + " result boxes open at once";
        }
        const std::string broken = SessionInvariantViolation(game(), !undone_);
        if (!broken.empty()) {
            return broken;
        }
        if (game().red_kind < 0 || game().red_kind > 3 || game().blue_kind < 0 ||
            game().blue_kind > 3) {
            return "a kind out of range";
        }
        return {};
    }

    void AllowExit() { exit_allowed_ = true; }
    // A bounded share of the queue, so that a step always ends.
    void Pump() { DrainMessages(64); }

    int result_boxes() const { return result_boxes_; }
    int max_nesting() const { return max_nesting_; }
    int dialogs() const { return dialogs_; }
    int about_boxes() const { return about_boxes_; }
    int exit_questions() const { return exit_questions_; }
    int computer_dialogs() const { return computer_dialogs_; }

  private:
    GameSession& game() { return MainSession(); }

    int Below(int bound) { return std::uniform_int_distribution<int>(0, bound - 1)(random_); }
    bool OneIn(int n) { return Below(n) == 0; }

    LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) {
        return SendMessageA(window_, message, wParam, lParam);
    }

    // A command id with noise in the notification word and, on x64, above it.
    WPARAM Noise(WORD id) {
        WPARAM high = 0;
        if (OneIn(3)) {
            high = static_cast<WPARAM>(random_()) & ~static_cast<WPARAM>(0xFFFF);
        }
        return high | id;
    }

    int Coordinate(int client) {
        const int cell = game().cell_size;
        switch (Below(6)) {
            case 0:  // on a grid line, the last one included
                return cell * Below(9);
            case 1:  // next to a grid line
                return std::max(0, cell * Below(9) + Below(3) - 1);
            case 2:  // anywhere in the client area
                return Below(std::max(client, 1));
            case 3: {  // the extremes a 16-bit coordinate can carry
                const int extremes[] = {0, 1, 0x7FFF, 0x8000, 0xFFFE, 0xFFFF};
                return extremes[Below(6)];
            }
            default:  // inside the board
                return Below(std::max(8 * cell, 1));
        }
    }

    LPARAM RandomPoint() {
        const SIZE client = ClientSize(window_);
        LPARAM point = MAKELPARAM(Coordinate(client.cx), Coordinate(client.cy));
        if (OneIn(8)) {  // garbage above the two words on x64
            point |= static_cast<LPARAM>(random_() & ~0xFFFFFFFFull);
        }
        return point;
    }

    // The centre of a square on which the side to move may play, if there is one: clicks
    // anywhere rarely hit one, and a human side would hardly ever finish a game.
    bool LegalPoint(LPARAM* point) {
        if (game().turn == 0 || game().cell_size == 0) {
            return false;
        }
        const std::vector<int> legal = LegalSquares(game().board, game().turn);
        if (legal.empty()) {
            return false;
        }
        const int index = legal[Below(static_cast<int>(legal.size()))];
        const int cell = game().cell_size;
        *point = MAKELPARAM(index % 8 * cell + cell / 2, index / 8 * cell + cell / 2);
        return true;
    }

    void Click() {
        LPARAM point;
        if (OneIn(2) && LegalPoint(&point)) {
            Send(WM_LBUTTONDOWN, MK_LBUTTON, point);
        } else if (OneIn(10)) {
            PostMessageA(window_, WM_LBUTTONDOWN, MK_LBUTTON, RandomPoint());
        } else {
            Send(WM_LBUTTONDOWN, MK_LBUTTON, RandomPoint());
        }
    }

    void Tick() {
        WPARAM id = 1;
        if (OneIn(3)) {
            id = static_cast<WPARAM>(random_());
        }
        Send(WM_TIMER, id, 0);
    }

    void UnknownCommand() {
        WORD id;
        do {
            id = static_cast<WORD>(OneIn(2) ? Below(0x10000) : 95 + Below(20));
        } while (id >= IDM_OPPONENT && id <= IDM_ABOUT);
        Send(WM_COMMAND, Noise(id), OneIn(2) ? 0 : static_cast<LPARAM>(random_()));
    }

    void Resize() {
        int width;
        int height;
        switch (Below(4)) {
            case 0:
                width = Below(20);
                height = Below(20);
                break;
            case 1:
                width = 2000 + Below(30000);
                height = 2000 + Below(30000);
                break;
            default:
                width = 60 + Below(900);
                height = 60 + Below(900);
                break;
        }
        // Without WM_WINDOWPOSCHANGING the system's minimum and maximum track sizes do not
        // apply: the client area can really become 0 x 0 or larger than the screen.
        const UINT checked = OneIn(2) ? SWP_NOSENDCHANGING : 0;
        SetWindowPos(window_, nullptr, 0, 0, width, height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | checked);
    }

    void Paint() {
        switch (Below(4)) {
            case 0:
                UpdateWindow(window_);
                break;
            case 1:
                Repaint(window_);
                break;
            case 2:
                Send(WM_PAINT, 0, 0);
                break;
            default:
                RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
                break;
        }
    }

    // Opens the opponent dialog through the menu command and checks what its answer left.
    void OpponentDialog() {
        dialog_ = {};
        dialog_.red_before = game().red_kind;
        dialog_.blue_before = game().blue_kind;
        dialog_.red_pending = game().red_kind;
        dialog_.blue_pending = game().blue_kind;
        Send(WM_COMMAND, Noise(IDM_OPPONENT), 0);
        ++dialogs_;
        if (!dialog_.answered) {
            failure_ = "the opponent dialog did not open";
            return;
        }
        const PlayerKind red = dialog_.committed ? dialog_.red_pending : dialog_.red_before;
        const PlayerKind blue = dialog_.committed ? dialog_.blue_pending : dialog_.blue_before;
        if (game().red_kind != red || game().blue_kind != blue) {
            failure_ = "the dialog left the kinds at " + std::to_string(game().red_kind) + "," +
                       std::to_string(game().blue_kind) + " instead of " + std::to_string(red) +
                       "," + std::to_string(blue);
        }
        if (game().red_kind != kHuman || game().blue_kind != kHuman) {
            ++computer_dialogs_;
        }
    }

    // Events that reach the main window while a box holds it disabled: ticks of any id, paints,
    // size changes, and clicks another program might send.
    void EventUnderABox() {
        switch (Below(4)) {
            case 0:
                Tick();
                break;
            case 1:
                Paint();
                break;
            case 2:
                Send(WM_LBUTTONDOWN, MK_LBUTTON, RandomPoint());
                break;
            default:
                Resize();
                break;
        }
    }

    bool AnswerDialog(HWND dialog) {
        dialog_.answered = true;
        // A few events first: the computer keeps playing underneath, a game may even end.
        if (OneIn(3)) {
            EventUnderABox();
        }
        for (int presses = Below(4); presses > 0; --presses) {
            const int id = IDC_RED_HUMAN + Below(8);
            PressButton(dialog, id);
            if (id <= IDC_RED_LEVEL3) {
                dialog_.red_pending = id - IDC_RED_HUMAN;
            } else {
                dialog_.blue_pending = id - IDC_BLUE_HUMAN;
            }
        }
        // Now and then the dialog stays open while the timer plays on underneath.
        if (OneIn(4)) {
            return false;
        }
        // Favour computer sides, so that most of the storm has a computer playing.
        if (Below(4) != 0) {
            dialog_.committed = true;
            PressButton(dialog, IDOK);
        } else if (OneIn(2)) {
            PressButton(dialog, IDCANCEL);
        } else {
            PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        }
        return true;
    }

    bool AnswerResult(HWND box) {
        if (std::find(results_.begin(), results_.end(), box) == results_.end()) {
            results_.push_back(box);
            ++result_boxes_;
            result_kept_ = KeptUnderTheResultBox(game());
        }
        if (OneIn(2)) {
            EventUnderABox();
            if (KeptUnderTheResultBox(game()) != result_kept_ && failure_.empty()) {
                failure_ = "an event changed the game while its result box was open: " +
                           testing::PrintToString(game());
            }
            return false;
        }
        PressButton(box, IDOK);
        return true;
    }

    // Cancel, Escape or the box's close button: all three answer IDCANCEL.
    void DeclineBox(HWND box) {
        switch (Below(3)) {
            case 0:
                PressButton(box, IDCANCEL);
                break;
            case 1:
                PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
                break;
            default:
                PostMessageA(box, WM_SYSCOMMAND, SC_CLOSE, 0);
                break;
        }
        // A box with OK alone (About) takes the close button as its answer too.
        if (GetDlgItem(box, IDCANCEL) == nullptr) {
            PressButton(box, IDOK);
        }
    }

    struct DialogAnswer {
        PlayerKind red_before, blue_before, red_pending, blue_pending;
        bool answered, committed;
    };

    HWND window_;
    std::mt19937_64 random_;
    std::string failure_;
    bool undone_ = false;
    bool exit_allowed_ = false;
    DialogAnswer dialog_ = {};
    std::map<HWND, int> polls_;
    std::vector<HWND> results_;
    GameSession result_kept_ = {};
    int max_nesting_ = 0;
    int result_boxes_ = 0;
    int dialogs_ = 0;
    int about_boxes_ = 0;
    int exit_questions_ = 0;
    int computer_dialogs_ = 0;
};

// Runs `steps` storm steps on a fresh window and closes it with a confirmed exit. Returns the
// first fault, or an empty string.
std::string RunStorm(std::uint64_t seed, int steps) {
    const HWND window = OpenMainWindow();
    if (window == nullptr) {
        return "no window";
    }

    static Storm* storm = nullptr;
    Storm run(window, seed);
    storm = &run;
    std::string fault;
    {
        ModalAnswerer answerer([](HWND box) { return storm->Answer(box); });
        for (int step = 0; step < steps && fault.empty(); ++step) {
            run.Step();
            fault = run.Check();
            if (!fault.empty()) {
                fault = "step " + std::to_string(step) + " (seed " + std::to_string(seed) +
                        "): " + fault;
            }
        }
        // Whatever is still queued (a posted close among it) is taken and declined; then the
        // one exit that is confirmed.
        run.Pump();
        run.AllowExit();
        KillTimer(window, 1);
        if (IsWindow(window)) {
            SendMessageA(window, WM_CLOSE, 0, 0);
        }
        if (fault.empty() && IsWindow(window)) {
            fault = "the confirmed exit left the window open";
        }
    }
    DrainMessages();
    std::printf(
        "storm seed %llu: %d steps, %d result boxes (at most %d open at once), %d opponent "
        "dialogs (%d leaving a computer side), %d About boxes, %d exit questions\n",
        static_cast<unsigned long long>(seed), steps, run.result_boxes(), run.max_nesting(),
        run.dialogs(), run.computer_dialogs(), run.about_boxes(), run.exit_questions());
    storm = nullptr;
    return fault;
}

// The system keeps a cache of window DCs that grows with the deepest stack of modal windows it
// has painted at once (about ten more DCs per level here). The storm can stack the opponent
// dialog, the exit question and a result box; this stacks them once, on purpose, so that the
// cache is as large as the storm can make it before the count is taken.
void StackEveryBoxOnce() {
    const HWND window = OpenMainWindow();
    bool closing = false;
    bool ending = false;
    ModalAnswerer answerer([&](HWND box) {
        const std::string caption = WindowText(box);
        if (GetDlgItem(box, IDC_RED_HUMAN) != nullptr) {
            if (!closing) {
                closing = true;
                PostMessageA(window, WM_CLOSE, 0, 0);
                return false;
            }
            PressButton(box, IDCANCEL);
            return true;
        }
        if (caption == texts::kExitCaption && !ending) {
            // The last empty square: red's tick fills the board and the game ends.
            ending = true;
            GameSession& game = MainSession();
            game.red_kind = 1;
            game.turn = kRed;
            std::fill(std::begin(game.board.cells), std::end(game.board.cells), kRed);
            game.board.cells[CellIndex(6, 7)] = kBlue;
            game.board.cells[CellIndex(7, 7)] = kEmpty;
            SendMessageA(window, WM_TIMER, 1, 0);
            return false;
        }
        PressButton(box, caption == texts::kExitCaption ? IDCANCEL : IDOK);
        return true;
    });
    SendMessageA(window, WM_COMMAND, IDM_OPPONENT, 0);
    DestroyWindow(window);
    DrainMessages();
}

TEST(MessageStorm, InvariantsHoldAndNothingLeaks) {
    ASSERT_EQ(GetACP(), 932u) << "run under a Japanese locale (LANG=ja_JP.UTF-8)";
    const HHOOK hook = SetWindowsHookExA(WH_CBT, TrackBoxes, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    // GoogleTest's seed: --gtest_random_seed=N repeats a run, and 0 (the default outside ctest)
    // takes one from the clock, printed below with the storm's figures.
    const int seed = ::testing::UnitTest::GetInstance()->random_seed();
    std::printf("storm: --gtest_random_seed=%d repeats this run\n", seed);
    const int steps = static_cast<int>(EnvironmentNumber("PLIX_STORM_STEPS", 20000));

    // The deepest stack of boxes and a short storm first, so that the system's own lazily made
    // objects (the DC cache, the fonts of the boxes, the heaps) exist before the count is taken.
    StackEveryBoxOnce();
    ASSERT_EQ(RunStorm(seed + 1, 3000), "");
    const int gdi_before = LiveGdiObjects();
    auto types_before = GdiObjectsByType();
    const Memory memory_before = ProcessMemory();
    ASSERT_GT(gdi_before, 0);
    ASSERT_GT(memory_before.private_bytes, 0u) << "GetProcessMemoryInfo reports nothing";

    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(RunStorm(seed, steps), "");
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    const int gdi_after = LiveGdiObjects();
    auto types_after = GdiObjectsByType();
    std::printf("GDI objects by type, before:%s\nafter:%s\n", GdiText(types_before).c_str(),
                GdiText(types_after).c_str());
    const Memory memory_after = ProcessMemory();
    UnhookWindowsHookEx(hook);
    std::printf(
        "storm took %.1f s; GDI objects %d -> %d; private bytes %zu -> %zu KiB, working "
        "set %zu -> %zu KiB\n",
        seconds, gdi_before, gdi_after, memory_before.private_bytes / 1024,
        memory_after.private_bytes / 1024, memory_before.working_set / 1024,
        memory_after.working_set / 1024);
    // Every pen, brush and font the storm made is gone again, and nothing else the program could
    // make is left over. The only growth allowed is the system's own cache of window DCs (a DC
    // with its region and bitmap, and type 09 that Wine makes with them), which grows with the
    // deepest stack of modal windows painted at once and is used again afterwards.
    const auto cached = [](int type) {
        return type == 0x01 || type == 0x04 || type == 0x05 || type == 0x09;
    };
    for (int type = 1; type < 256; ++type) {
        if (!cached(type)) {
            EXPECT_EQ(types_after[type], types_before[type]) << "GDI type " << type;
        }
    }
    const int new_dcs = types_after[0x01] - types_before[0x01];
    EXPECT_EQ(types_after[0x04] - types_before[0x04], new_dcs);
    EXPECT_EQ(types_after[0x05] - types_before[0x05], new_dcs);
    EXPECT_LE(new_dcs, 10) << "more window DCs than one more level of boxes would cache";
    EXPECT_GE(gdi_after, gdi_before);
    // A leak of a hundred bytes a step would show as 2 MiB of private memory; the allowance is
    // for the heaps' own rounding. The working set also holds shared and file pages that come
    // and go with the X server's traffic, so it only catches gross growth.
    constexpr std::size_t kMiB = 1 << 20;
    EXPECT_LE(memory_after.private_bytes, memory_before.private_bytes + kMiB);
    EXPECT_LE(memory_after.working_set, memory_before.working_set + 16 * kMiB);
    EXPECT_TRUE(g_live_boxes.empty());
}

// The paint of a full board at the window's default size, repeated: what one paint costs
// (printed; PLIX_PAINTS sets the count), and that it leaves no GDI object behind.
TEST_F(MainWindowTest, PaintOfAFullBoardLeavesNothingBehind) {
    for (int index = 0; index < kCellCount; ++index) {
        game().board.cells[index] = (index + index / 8) % 2 == 0 ? kRed : kBlue;
    }
    game().turn = kRed;
    for (int i = 0; i < 20; ++i) {
        Repaint(window_);
    }
    const int paints = static_cast<int>(EnvironmentNumber("PLIX_PAINTS", 500));
    const int gdi_before = LiveGdiObjects();
    LARGE_INTEGER frequency;
    LARGE_INTEGER start;
    LARGE_INTEGER end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    for (int i = 0; i < paints; ++i) {
        Repaint(window_);
    }
    GdiFlush();
    QueryPerformanceCounter(&end);
    EXPECT_EQ(LiveGdiObjects(), gdi_before);
    const SIZE client = ClientSize(window_);
    EXPECT_EQ(game().cell_size, std::min(client.cx, client.cy) / 8);
    const double microseconds =
        1e6 * static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart;
    std::printf("paint of a full board: %d paints at %ldx%ld (cell %d), %.1f us per paint\n",
                paints, client.cx, client.cy, game().cell_size, microseconds / paints);
}

}  // namespace
