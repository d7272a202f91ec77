// The main window procedure driven with real messages: commands, clicks, ticks, closing, and the
// start-up of the program.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "app/texts.h"
#include "app/win32/resource.h"
#include "main_window_fixture.h"
#include "win32_support.h"

namespace {

// The centre of a square at the square size of the last paint.
POINT SquareCentre(const GameSession& game, int column, int row) {
    return {column * game.cell_size + game.cell_size / 2,
            row * game.cell_size + game.cell_size / 2};
}

bool QuitPosted(WPARAM* code) {
    MSG message;
    if (PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        *code = message.wParam;
        return true;
    }
    return false;
}

TEST(Locale, AnsiCodePageIsShiftJis) {
    // Every text of the program is code page 932; under any other code page the title, the
    // boxes and these tests would all show garbage.
    ASSERT_EQ(GetACP(), 932u) << "run under a Japanese locale (LANG=ja_JP.UTF-8)";
}

TEST(WindowClass, RegisteredAsTheProgramNeedsIt) {
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA window_class = {};
    ASSERT_TRUE(GetClassInfoA(instance, "PLIX", &window_class));
    EXPECT_EQ(window_class.style, static_cast<UINT>(CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS));
    EXPECT_EQ(window_class.style, 11u);
    EXPECT_EQ(window_class.lpfnWndProc, &MainWindowProc);
    EXPECT_EQ(window_class.cbClsExtra, 0);
    EXPECT_EQ(window_class.cbWndExtra, 0);
    EXPECT_NE(window_class.hIcon, nullptr);
    EXPECT_EQ(window_class.hCursor, LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)));
    EXPECT_EQ(window_class.hbrBackground, GetStockObject(WHITE_BRUSH));
}

TEST_F(MainWindowTest, OpensUntitledWithTheStartingDiscsAndItsMenu) {
    RECT outer;
    GetWindowRect(window_, &outer);
    EXPECT_EQ(outer.right - outer.left, 256);
    EXPECT_EQ(outer.bottom - outer.top, 312);
    EXPECT_EQ(GetWindowLongA(window_, GWL_STYLE) & WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW);
    EXPECT_EQ(GetWindowLongA(window_, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
    EXPECT_EQ(Title(), texts::kTitleIdle);
    EXPECT_GT(game().cell_size, 0);
    EXPECT_EQ(game().board, InitialSession().board);
    const HMENU menu = GetMenu(window_);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(GetMenuItemCount(menu), 4);
    EXPECT_EQ(GetMenuItemID(menu, 1), static_cast<UINT>(IDM_START));
}

TEST_F(MainWindowTest, StartBeginsAGameRedToMoveAndRepaints) {
    ForgetRepaint();
    EXPECT_EQ(Command(IDM_START), 1);
    EXPECT_EQ(game().turn, kRed);
    EXPECT_EQ(game().move_count, 4);
    EXPECT_TRUE(RepaintRequested());
    UpdateWindow(window_);
    EXPECT_EQ(Title(), texts::kTitleRed);
    // Two humans: no timer was started, so there is none to stop.
    EXPECT_FALSE(KillTimer(window_, 1));
}

TEST_F(MainWindowTest, CommandsAreToldApartByTheirLowWordOnly) {
    // An accelerator (notification 1) or a control notification in the high word changes nothing.
    EXPECT_EQ(Command(IDM_START, 1), 1);
    EXPECT_EQ(game().turn, kRed);
    game().turn = 0;
    EXPECT_EQ(Command(IDM_START, BN_DOUBLECLICKED), 1);
    EXPECT_EQ(game().turn, kRed);
}

TEST_F(MainWindowTest, UnknownCommandsDoNothingAndAnswerZero) {
    Command(IDM_START);
    ForgetRepaint();
    const GameSession before = game();
    for (WORD id : {WORD{0}, WORD{1}, WORD{2}, WORD{100}, WORD{107}, WORD{108}, WORD{0xFFFF}}) {
        EXPECT_EQ(Command(id), 0) << id;
    }
    EXPECT_EQ(game(), before);
    EXPECT_FALSE(RepaintRequested());
    EXPECT_TRUE(IsWindow(window_));
}

TEST_F(MainWindowTest, UndoTakesBackTheLastHumanMove) {
    Command(IDM_START);
    UpdateWindow(window_);
    ForgetRepaint();
    // Nothing to undo right after Start: not even a repaint.
    EXPECT_EQ(Command(IDM_UNDO), 1);
    EXPECT_FALSE(RepaintRequested());

    const Board start = game().board;
    const POINT square = SquareCentre(game(), 4, 2);
    Click(square.x, square.y);
    ASSERT_EQ(game().turn, kBlue);
    ForgetRepaint();
    EXPECT_EQ(Command(IDM_UNDO), 1);
    EXPECT_EQ(game().turn, kRed);
    EXPECT_EQ(game().board, start);
    EXPECT_EQ(game().move_count, 5);
    EXPECT_TRUE(RepaintRequested());
}

// Clicks that the guard must drop: not even a repaint follows.
class ClickGuardTest : public MainWindowTest {
  protected:
    void ExpectClickOnLegalSquareDropped() {
        ForgetRepaint();
        const GameSession before = game();
        const POINT square = SquareCentre(game(), 4, 2);
        EXPECT_EQ(Click(square.x, square.y), 0);
        EXPECT_EQ(game(), before);
        EXPECT_FALSE(RepaintRequested());
    }
};

TEST_F(ClickGuardTest, ClicksBeforeStartDoNothingAtAll) {
    ExpectClickOnLegalSquareDropped();
}

TEST_F(ClickGuardTest, ClicksForAComputerSideAreDropped) {
    game().red_kind = 2;
    Command(IDM_START);
    KillTimer(window_, 1);  // no tick may move red meanwhile
    ExpectClickOnLegalSquareDropped();
}

TEST_F(MainWindowTest, AClickPlaysTheSquareUnderIt) {
    Command(IDM_START);
    UpdateWindow(window_);
    const int cell = game().cell_size;
    ASSERT_GT(cell, 0);
    // A point on a grid line belongs to the square right of and below it: (4, 2) is legal.
    EXPECT_EQ(Click(4 * cell, 2 * cell), 0);
    EXPECT_EQ(game().board.cells[CellIndex(4, 2)], kRed);
    EXPECT_EQ(game().board.cells[CellIndex(4, 3)], kRed);
    EXPECT_EQ(game().turn, kBlue);
    EXPECT_EQ(game().undo_turn, kRed);
    EXPECT_EQ(game().move_count, 5);
    UpdateWindow(window_);
    EXPECT_EQ(Title(), texts::kTitleBlue);
}

TEST_F(MainWindowTest, IllegalAndOffBoardClicksOnlyRepaint) {
    Command(IDM_START);
    UpdateWindow(window_);
    const int cell = game().cell_size;
    const GameSession before = game();
    struct {
        int x, y;
    } const clicks[] = {
        {4 * cell - 1, 2 * cell},      // (3, 2): captures nothing
        {3 * cell + 1, 3 * cell + 1},  // (3, 3): occupied
        {8 * cell, 2 * cell},          // column 8, the last grid line
        {2 * cell, 8 * cell + 3},      // row 8
        {0xFFFF, 0xFFFF},              // the largest coordinates a click can carry
    };
    for (const auto& click : clicks) {
        ForgetRepaint();
        EXPECT_EQ(Click(click.x, click.y), 0);
        EXPECT_EQ(game(), before) << click.x << "," << click.y;
        EXPECT_TRUE(RepaintRequested()) << click.x << "," << click.y;
    }
}

TEST_F(MainWindowTest, TheSecondPressOfADoubleClickPlacesNothing) {
    Command(IDM_START);
    UpdateWindow(window_);
    const GameSession before = game();
    const POINT square = SquareCentre(game(), 4, 2);
    ForgetRepaint();
    EXPECT_EQ(SendMessageA(window_, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(square.x, square.y)),
              0);
    EXPECT_EQ(game(), before);
    EXPECT_FALSE(RepaintRequested());
    // Other mouse messages are no clicks either.
    SendMessageA(window_, WM_LBUTTONUP, 0, MAKELPARAM(square.x, square.y));
    SendMessageA(window_, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(square.x, square.y));
    EXPECT_EQ(game(), before);
}

TEST_F(MainWindowTest, AnyTimerTickMovesAComputerSide) {
    game().blue_kind = 1;
    Command(IDM_START);
    UpdateWindow(window_);
    // A tick while the human is to move does nothing, not even a repaint.
    ForgetRepaint();
    const GameSession before = game();
    EXPECT_EQ(SendMessageA(window_, WM_TIMER, 1, 0), 0);
    EXPECT_EQ(game(), before);
    EXPECT_FALSE(RepaintRequested());

    const POINT square = SquareCentre(game(), 4, 2);
    Click(square.x, square.y);
    ASSERT_EQ(game().turn, kBlue);
    ForgetRepaint();
    EXPECT_EQ(SendMessageA(window_, WM_TIMER, 77, 0), 0);
    EXPECT_EQ(game().turn, kRed);
    EXPECT_EQ(game().move_count, 6);
    EXPECT_EQ(game().undo_turn, kRed);
    EXPECT_TRUE(RepaintRequested());
}

TEST_F(MainWindowTest, TheMoveTimerPlaysTheComputerThroughTheMessageQueue) {
    game().blue_kind = 1;
    Command(IDM_START);
    UpdateWindow(window_);
    const POINT square = SquareCentre(game(), 4, 2);
    Click(square.x, square.y);
    ASSERT_EQ(game().turn, kBlue);
    EXPECT_TRUE(PumpUntil(3000, [&] { return game().turn == kRed; }));
    EXPECT_EQ(game().move_count, 6);
    // The timer runs on until the game ends.
    EXPECT_TRUE(KillTimer(window_, 1));
}

TEST_F(MainWindowTest, TheLastMoveShowsTheResultAndEndsTheGame) {
    Command(IDM_START);
    UpdateWindow(window_);
    // All red but the bottom row's last two squares: red takes the blue disc and fills the board.
    for (Cell& cell : game().board.cells) {
        cell = kRed;
    }
    game().board.cells[CellIndex(6, 7)] = kBlue;
    game().board.cells[CellIndex(7, 7)] = kEmpty;

    BoxContents shown;
    std::string title_while_open;
    ModalAnswerer answerer([&](HWND box) {
        shown = ReadMessageBox(box);
        UpdateWindow(window_);
        title_while_open = Title();
        PressButton(box, IDOK);
        return true;
    });
    const POINT square = SquareCentre(game(), 7, 7);
    Click(square.x, square.y);
    EXPECT_EQ(answerer.boxes_seen(), 1);
    char expected[64];
    std::snprintf(expected, sizeof expected, texts::kResultRedWins, 64, 0);
    EXPECT_EQ(shown.caption, texts::kResultCaption);
    EXPECT_EQ(shown.text, expected);
    EXPECT_FALSE(shown.has_cancel);
    // The final position is painted while the box is open, under the title of the side that
    // `turn` still names: blue had no move left, so the turn passed back to red.
    EXPECT_EQ(title_while_open, texts::kTitleRed);
    EXPECT_EQ(game().turn, 0);
    EXPECT_EQ(game().undo_turn, 0);
    Repaint(window_);
    EXPECT_EQ(Title(), texts::kTitleIdle);
}

TEST_F(MainWindowTest, AboutShowsTheVersionAndAnswersZero) {
    Command(IDM_START);
    const GameSession before = game();
    BoxContents shown;
    ModalAnswerer answerer([&](HWND box) {
        shown = ReadMessageBox(box);
        PressButton(box, IDOK);
        return true;
    });
    EXPECT_EQ(Command(IDM_ABOUT), 0);
    EXPECT_EQ(answerer.boxes_seen(), 1);
    EXPECT_EQ(shown.caption, "About VANT !");
    EXPECT_EQ(shown.text, texts::kAboutText);
    EXPECT_EQ(shown.text.substr(0, 13), "PLIX Ver.1.2\n");
    EXPECT_FALSE(shown.has_cancel);
    EXPECT_TRUE(shown.has_icon);
    EXPECT_EQ(game(), before);
}

TEST_F(MainWindowTest, TheComputerPlaysOnWhileABoxIsOpen) {
    game().red_kind = 1;
    game().blue_kind = 1;
    Command(IDM_START);
    const DWORD opened = GetTickCount();
    ModalAnswerer answerer([&](HWND box) {
        // Held open until two ticks have played, or for at most five seconds.
        if (game().move_count < 6 && GetTickCount() - opened < 5000) {
            return false;
        }
        PressButton(box, IDOK);
        return true;
    });
    Command(IDM_ABOUT);
    EXPECT_GE(game().move_count, 6);
}

TEST_F(MainWindowTest, ExitAsksTheSameQuestionAsTheCloseBox) {
    EXPECT_EQ(Command(IDM_EXIT), 1);
    EXPECT_TRUE(IsWindow(window_));
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, window_, WM_CLOSE, WM_CLOSE, PM_REMOVE));
    EXPECT_EQ(message.wParam, 0u);
    EXPECT_EQ(message.lParam, 0);

    BoxContents shown;
    ModalAnswerer answerer([&](HWND box) {
        shown = ReadMessageBox(box);
        PressButton(box, IDCANCEL);
        return true;
    });
    DispatchMessageA(&message);
    EXPECT_EQ(answerer.boxes_seen(), 1);
    EXPECT_EQ(shown.caption, texts::kExitCaption);
    EXPECT_EQ(shown.text, texts::kExitQuestion);
    EXPECT_EQ(shown.caption, Cp932(u8"終了"));
    EXPECT_EQ(shown.text, Cp932(u8"終了して良いですか？"));
    EXPECT_TRUE(shown.has_cancel);
    EXPECT_TRUE(shown.has_icon);
}

TEST_F(MainWindowTest, DecliningToCloseLeavesTheGameRunning) {
    game().blue_kind = 1;
    Command(IDM_START);
    const POINT square = SquareCentre(game(), 4, 2);
    Click(square.x, square.y);
    KillTimer(window_, 1);
    const GameSession before = game();
    // Cancel, and the box's own close button, which answers IDCANCEL too.
    for (int answer : {IDCANCEL, -1}) {
        ModalAnswerer answerer([&](HWND box) {
            if (answer == IDCANCEL) {
                PressButton(box, IDCANCEL);
            } else {
                PostMessageA(box, WM_CLOSE, 0, 0);
            }
            return true;
        });
        EXPECT_EQ(SendMessageA(window_, WM_CLOSE, 0, 0), 0);
        EXPECT_EQ(answerer.boxes_seen(), 1);
        EXPECT_TRUE(IsWindow(window_));
        EXPECT_EQ(game(), before);
        WPARAM code;
        EXPECT_FALSE(QuitPosted(&code));
    }
}

TEST_F(MainWindowTest, ConfirmedCloseDestroysTheWindowAndQuitsWithZero) {
    ModalAnswerer answerer([&](HWND box) {
        PressButton(box, IDOK);
        return true;
    });
    EXPECT_EQ(SendMessageA(window_, WM_CLOSE, 0, 0), 0);
    EXPECT_FALSE(IsWindow(window_));
    WPARAM code = 99;
    ASSERT_TRUE(QuitPosted(&code));
    EXPECT_EQ(code, 0u);
}

// The help viewer is another process; its own box says that plix.hlp is missing. A helper
// thread answers that box, since the window's thread waits inside WinHelpA meanwhile.
TEST_F(MainWindowTest, HelpOpensTheViewerOnPlixHlpAndAnswersZero) {
    Command(IDM_START);
    const GameSession before = game();
    std::string viewer_said;
    std::thread helper([&] {
        for (int i = 0; i < 300 && viewer_said.empty(); ++i) {
            Sleep(50);
            for (HWND box : VisibleWindows(kDialogClass)) {
                DWORD process = 0;
                GetWindowThreadProcessId(box, &process);
                if (process == GetCurrentProcessId()) {
                    continue;  // this thread waits in WinHelpA and could not answer
                }
                char text[512] = {};
                GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
                if (std::strstr(text, "plix.hlp") == nullptr) {
                    continue;
                }
                viewer_said = text;
                // Decline the offer to look for the file.
                for (int id : {IDNO, IDCANCEL, IDOK}) {
                    if (GetDlgItem(box, id) != nullptr) {
                        PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
                        break;
                    }
                }
                break;
            }
        }
    });
    const LRESULT result = Command(IDM_HELP);
    helper.join();
    WinHelpA(window_, "plix.hlp", HELP_QUIT, 0);
    EXPECT_EQ(result, 0);
    EXPECT_NE(viewer_said.find("plix.hlp"), std::string::npos);
    EXPECT_EQ(game(), before);
}

// Start-up, run from the library the way WinMain runs it.
class StartupTest : public ::testing::Test {
  protected:
    void TearDown() override {
        DrainMessages();
        // Leave the class registered for the other tests, as the test environment made it.
        WNDCLASSA existing;
        if (!GetClassInfoA(GetModuleHandleA(nullptr), "PLIX", &existing)) {
            RegisterMainWindowClass(GetModuleHandleA(nullptr));
        }
    }
};

void CALLBACK ExitOnceTheWindowIsUp(HWND, UINT, UINT_PTR id, DWORD) {
    const HWND window = FindWindowA("PLIX", nullptr);
    if (window != nullptr) {
        KillTimer(nullptr, id);
        PostMessageA(window, WM_COMMAND, IDM_EXIT, 0);
    }
}

TEST_F(StartupTest, RunsTheLoopUntilAConfirmedExitAndReturnsZero) {
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    ASSERT_TRUE(UnregisterClassA("PLIX", instance));
    MainSession() = InitialSession();
    // Once the window is up, choose Exit from its menu and confirm.
    const UINT_PTR exit_soon = SetTimer(nullptr, 0, 50, ExitOnceTheWindowIsUp);
    std::string painted_title;
    ModalAnswerer answerer([&](HWND box) {
        painted_title = WindowText(FindWindowA("PLIX", nullptr));
        PressButton(box, IDOK);
        return true;
    });
    EXPECT_EQ(RunApplication(instance, nullptr, SW_SHOWNORMAL), 0);
    KillTimer(nullptr, exit_soon);
    EXPECT_EQ(answerer.boxes_seen(), 1);
    EXPECT_EQ(painted_title, texts::kTitleIdle);
    EXPECT_EQ(FindWindowA("PLIX", nullptr), nullptr);
}

TEST_F(StartupTest, EndsAtOnceWhenTheClassCannotBeRegistered) {
    // The class is registered already, so registering it again fails.
    EXPECT_EQ(RunApplication(GetModuleHandleA(nullptr), nullptr, SW_SHOWNORMAL), kStartupFailed);
    EXPECT_EQ(FindWindowA("PLIX", nullptr), nullptr);
}

LRESULT CALLBACK VetoWindowCreation(int code, WPARAM wParam, LPARAM lParam) {
    return code == HCBT_CREATEWND ? 1 : CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(StartupTest, EndsAtOnceWhenTheWindowCannotBeCreated) {
    // A CBT hook that vetoes every window this thread creates.
    const HHOOK veto = SetWindowsHookExA(WH_CBT, VetoWindowCreation, nullptr, GetCurrentThreadId());
    ASSERT_NE(veto, nullptr);
    // A previous instance: registration is skipped and the creation is what fails.
    const int code =
        RunApplication(GetModuleHandleA(nullptr),
                       reinterpret_cast<HINSTANCE>(GetModuleHandleA(nullptr)), SW_SHOWNORMAL);
    UnhookWindowsHookEx(veto);
    EXPECT_EQ(code, kStartupFailed);
    EXPECT_EQ(FindWindowA("PLIX", nullptr), nullptr);
}

}  // namespace
