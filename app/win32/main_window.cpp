#include "app/win32/main_window.h"

#include <ctime>

#include "app/texts.h"
#include "app/win32/board_view.h"
#include "app/win32/opponent_dialog.h"
#include "app/win32/resource.h"

namespace {

constexpr char kClassName[] = "PLIX";
constexpr char kMenuName[] = "PLIX";
constexpr char kIconName[] = "PLIX";
constexpr char kOpponentDialogName[] = "taisen";

constexpr UINT kClassStyle = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
// Outer size, frame, caption and menu bar included: room for a board of 31-pixel squares.
constexpr int kWindowWidth = 256;
constexpr int kWindowHeight = 312;

constexpr UINT_PTR kMoveTimerId = 1;
constexpr UINT kMoveTimerPeriod = 500;

GameSession g_game = InitialSession();
RandomSource g_random;
HINSTANCE g_instance = nullptr;

// The session's services, carried out on the main window.
class WindowHost final : public SessionHost {
  public:
    explicit WindowHost(HWND window) : window_(window) {}

    void StartMoveTimer() override { SetTimer(window_, kMoveTimerId, kMoveTimerPeriod, nullptr); }
    void StopMoveTimer() override { KillTimer(window_, kMoveTimerId); }
    void RequestRepaint() override { InvalidateRect(window_, nullptr, TRUE); }
    void ShowMessage(const char* text, const char* caption) override {
        MessageBoxA(window_, text, caption, MB_OK);
    }
    std::uint32_t CurrentTime() override { return static_cast<std::uint32_t>(std::time(nullptr)); }

  private:
    HWND window_;
};

// Every way of closing the window asks first; only OK ends the program.
void ConfirmExit(HWND window) {
    if (MessageBoxA(window, texts::kExitQuestion, texts::kExitCaption,
                    MB_OKCANCEL | MB_ICONQUESTION) == IDOK) {
        DestroyWindow(window);
    }
}

LRESULT OnCommand(HWND window, WORD command) {
    WindowHost host(window);
    switch (command) {
        case IDM_OPPONENT:
            DialogBoxParamA(g_instance, kOpponentDialogName, window, OpponentDialogProc, 0);
            return 1;
        case IDM_EXIT:
            PostMessageA(window, WM_CLOSE, 0, 0);
            return 1;
        case IDM_START:
            StartGame(g_game, g_random, host);
            return 1;
        case IDM_UNDO:
            UndoMove(g_game, host);
            return 1;
        case IDM_HELP:
            WinHelpA(window, texts::kHelpFile, HELP_CONTENTS, 0);
            return 0;
        case IDM_ABOUT:
            MessageBoxA(window, texts::kAboutText, texts::kAboutCaption,
                        MB_OK | MB_ICONINFORMATION);
            return 0;
        default:
            return 0;
    }
}

void OnLeftButtonDown(HWND window, LPARAM lParam) {
    if (!ClickAllowed(g_game)) {
        return;
    }
    const Square square = SquareFromPoint(g_game, LOWORD(lParam), HIWORD(lParam));
    WindowHost host(window);
    HumanMove(g_game, square.column, square.row, host);
}

}  // namespace

GameSession& MainSession() {
    return g_game;
}

ATOM RegisterMainWindowClass(HINSTANCE instance) {
    WNDCLASSA window_class = {};
    window_class.style = kClassStyle;
    window_class.lpfnWndProc = MainWindowProc;
    window_class.cbClsExtra = 0;
    window_class.cbWndExtra = 0;
    window_class.hInstance = instance;
    window_class.hIcon = LoadIconA(instance, kIconName);
    window_class.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    window_class.lpszMenuName = kMenuName;
    window_class.lpszClassName = kClassName;
    return RegisterClassA(&window_class);
}

HWND CreateMainWindow(HINSTANCE instance) {
    g_instance = instance;
    return CreateWindowExA(0, kClassName, texts::kTitleIdle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                           CW_USEDEFAULT, kWindowWidth, kWindowHeight, nullptr, nullptr, instance,
                           nullptr);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        case WM_CLOSE:
            ConfirmExit(window);
            return 0;
        case WM_COMMAND:
            return OnCommand(window, LOWORD(wParam));
        case WM_PAINT:
            PaintBoard(window, g_game);
            return 0;
        case WM_TIMER: {
            WindowHost host(window);
            ComputerMove(g_game, g_random, host);
            return 0;
        }
        case WM_LBUTTONDOWN:
            OnLeftButtonDown(window, lParam);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

int RunApplication(HINSTANCE instance, HINSTANCE previous, int show) {
    if (previous == nullptr && RegisterMainWindowClass(instance) == 0) {
        return kStartupFailed;
    }
    const HWND window = CreateMainWindow(instance);
    if (window == nullptr) {
        return kStartupFailed;
    }
    ShowWindow(window, show);
    UpdateWindow(window);

    MSG message = {};
    BOOL got;
    while ((got = GetMessageA(&message, nullptr, 0, 0)) != 0) {
        if (got == -1) {
            return kStartupFailed;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}
