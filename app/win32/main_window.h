// The main window: its class, its procedure with the whole message dispatch, and the run of the
// application from the registration of the class to the end of the message loop.
#pragma once

#include <windows.h>

#include "app/session.h"

// Exit code of a start that could not register the window class or create the window.
constexpr int kStartupFailed = 1;

// The one game the window shows; it lives as long as the process.
GameSession& MainSession();

// Registers the window class "PLIX" with `instance`'s icon and menu. Returns 0 on failure.
ATOM RegisterMainWindowClass(HINSTANCE instance);

// Remembers `instance`, from which the opponent dialog is loaded, and creates the main window
// (not yet shown). Returns nullptr on failure.
HWND CreateMainWindow(HINSTANCE instance);

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The whole life of the program: registers the class (unless `previous` names an earlier
// instance), creates and shows the window and runs the message loop. Returns the code of
// WM_QUIT, or kStartupFailed at once when there is no window to run.
int RunApplication(HINSTANCE instance, HINSTANCE previous, int show);
