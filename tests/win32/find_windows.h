// Finding the windows a program shows, by class (the boxes of a thread, or a program's main
// window among all of the desktop's), and reading their text. Header-only, so that the tools
// built from one source file share it.
#pragma once

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

// The class of dialog boxes and message boxes.
constexpr char kDialogClass[] = "#32770";

// A window's title, a box's caption or a control's text.
inline std::string WindowText(HWND window) {
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

namespace find_windows_detail {

struct Search {
    const char* window_class;
    std::vector<HWND> found;
};

// A named callback: 32-bit Windows calls it with the stdcall convention, which a lambda lacks.
inline BOOL CALLBACK Collect(HWND window, LPARAM data) {
    auto* wanted = reinterpret_cast<Search*>(data);
    char name[32] = {};
    if (IsWindowVisible(window) && GetClassNameA(window, name, sizeof name) > 0 &&
        std::strcmp(name, wanted->window_class) == 0) {
        wanted->found.push_back(window);
    }
    return TRUE;
}

}  // namespace find_windows_detail

// The visible top-level windows of class `window_class`, in the system's order: those of
// `thread`, or of every thread when it is 0.
inline std::vector<HWND> VisibleWindows(const char* window_class, DWORD thread = 0) {
    find_windows_detail::Search search = {window_class, {}};
    const LPARAM data = reinterpret_cast<LPARAM>(&search);
    if (thread != 0) {
        EnumThreadWindows(thread, find_windows_detail::Collect, data);
    } else {
        EnumWindows(find_windows_detail::Collect, data);
    }
    return search.found;
}
