// Plays one whole game in a running plix.exe the way its user would, through its own window:
// the opponent dialog sets both sides to the computer at `level` (argument, default 3), Start,
// then waits for the result box. Prints "result" when the box shows and leaves it open until the
// file named by the second argument exists, then closes the box and ends plix.exe through Exit
// and the confirmation. Exit code 0 on success.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/windows_path.h"
#include "tests/win32/find_windows.h"

namespace {

// A visible dialog-class window of plix.exe's thread whose caption is `caption`, or whose
// control `id` exists when `caption` is null.
HWND FindBox(DWORD thread, const char* caption, int id) {
    for (HWND box : VisibleWindows(kDialogClass, thread)) {
        if (caption != nullptr ? WindowText(box) == caption : GetDlgItem(box, id) != nullptr) {
            return box;
        }
    }
    return nullptr;
}

template <typename Find>
HWND WaitFor(Find find, int seconds) {
    for (int i = 0; i < seconds * 100; ++i) {
        if (HWND found = find()) {
            return found;
        }
        Sleep(10);
    }
    return nullptr;
}

void Press(HWND box, int id) {
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

}  // namespace

int main(int argc, char** argv) {
    const int level = argc > 1 ? std::atoi(argv[1]) : 3;
    const std::string release_path = argc > 2 ? WindowsPath(argv[2]) : "";
    const char* release = argc > 2 ? release_path.c_str() : nullptr;
    const HWND window = WaitFor([] { return FindWindowA("PLIX", nullptr); }, 30);
    if (window == nullptr) {
        std::puts("no plix window");
        return 1;
    }
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);

    PostMessageA(window, WM_COMMAND, 101, 0);  // Opponent
    const HWND dialog = WaitFor([&] { return FindBox(thread, nullptr, 101); }, 10);
    if (dialog == nullptr) {
        std::puts("no opponent dialog");
        return 1;
    }
    Press(dialog, 101 + level);
    Press(dialog, 105 + level);
    Press(dialog, IDOK);
    Sleep(200);
    PostMessageA(window, WM_COMMAND, 103, 0);  // Start

    const HWND result = WaitFor([&] { return FindBox(thread, "REVERSI POINT", 0); }, 120);
    if (result == nullptr) {
        std::puts("no result box");
        return 1;
    }
    std::puts("result");
    std::fflush(stdout);
    for (int i = 0; release != nullptr && i < 3000; ++i) {
        if (GetFileAttributesA(release) != INVALID_FILE_ATTRIBUTES) {
            break;
        }
        Sleep(10);
    }
    Press(result, IDOK);
    Sleep(200);
    PostMessageA(window, WM_COMMAND, 102, 0);  // Exit, then OK on the question
    const HWND question = WaitFor([&] { return FindBox(thread, nullptr, IDCANCEL); }, 10);
    if (question == nullptr) {
        std::puts("no exit question");
        return 1;
    }
    Press(question, IDOK);
    return 0;
}
