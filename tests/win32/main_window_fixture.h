// A real main window for each test, made by the program's own class and procedure, over a
// fresh game.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include "app/session.h"
#include "app/win32/main_window.h"
#include "tests/win32/find_windows.h"
#include "tests/support/session_values.h"

// A fresh session and a main window shown over it; nullptr when the window cannot be made.
HWND OpenMainWindow();

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    GameSession& game() { return MainSession(); }
    LRESULT Command(WORD id, WORD notification = 0) {
        return SendMessageA(window_, WM_COMMAND, MAKEWPARAM(id, notification), 0);
    }
    LRESULT Click(int x, int y) {
        return SendMessageA(window_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    }
    // Whether anything asked for a repaint since the last ForgetRepaint (or paint).
    bool RepaintRequested() { return GetUpdateRect(window_, nullptr, FALSE) != FALSE; }
    void ForgetRepaint() { ValidateRect(window_, nullptr); }
    std::string Title() { return WindowText(window_); }

    HWND window_ = nullptr;
};
