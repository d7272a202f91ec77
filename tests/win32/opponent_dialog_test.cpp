// The opponent dialog, opened through the menu command and worked like a user works it.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/win32/resource.h"
#include "main_window_fixture.h"
#include "win32_support.h"

namespace {

// The checked button of each column, as the 8 buttons show it: "red,blue" kinds, or "?" for a
// column without exactly one check.
std::string Checks(HWND dialog) {
    std::string shown;
    for (int first : {IDC_RED_HUMAN, IDC_BLUE_HUMAN}) {
        int checked = -1;
        int count = 0;
        for (int kind = 0; kind < 4; ++kind) {
            if (IsDlgButtonChecked(dialog, first + kind) == BST_CHECKED) {
                checked = kind;
                ++count;
            }
        }
        shown += count == 1 ? std::to_string(checked) : "?";
        if (first == IDC_RED_HUMAN) {
            shown += ",";
        }
    }
    return shown;
}

void PressKey(HWND dialog, WPARAM key) {
    const HWND focus = GetFocus();
    PostMessageA(focus != nullptr ? focus : dialog, WM_KEYDOWN, key, 0);
    PostMessageA(focus != nullptr ? focus : dialog, WM_KEYUP, key, 0xC0000001);
}

using OpponentDialogTest = MainWindowTest;

TEST_F(OpponentDialogTest, OpensWithBothSidesHumanAndTheFocusOnOk) {
    std::string checks;
    std::string caption;
    std::string red_label;
    std::string level_label;
    bool focus_on_ok = false;
    HWND owner = nullptr;
    ModalAnswerer answerer([&](HWND dialog) {
        checks = Checks(dialog);
        caption = WindowText(dialog);
        char text[64] = {};
        GetDlgItemTextA(dialog, IDC_RED_LEVEL1, text, sizeof text);
        level_label = text;
        focus_on_ok = GetFocus() == GetDlgItem(dialog, IDOK);
        owner = GetWindow(dialog, GW_OWNER);
        // The static labels have no id of their own: find "先手(赤)" among the children.
        for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
             child = GetWindow(child, GW_HWNDNEXT)) {
            if (GetDlgCtrlID(child) == 0xFFFF && red_label.empty()) {
                red_label = WindowText(child);
            }
        }
        PressButton(dialog, IDCANCEL);
        return true;
    });
    EXPECT_EQ(Command(IDM_OPPONENT), 1);
    ASSERT_EQ(answerer.boxes_seen(), 1);
    EXPECT_EQ(checks, "0,0");
    EXPECT_EQ(caption, Cp932(u8"対戦相手"));
    EXPECT_EQ(level_label, Cp932(u8"レベル1"));
    EXPECT_EQ(red_label, Cp932(u8"先手(赤)"));
    EXPECT_TRUE(focus_on_ok);
    EXPECT_EQ(owner, window_);
}

TEST_F(OpponentDialogTest, EachColumnKeepsItsOwnCheckAndOkCommitsBoth) {
    Command(IDM_START);
    const Board board = game().board;
    std::string after_red;
    std::string after_blue;
    std::string after_double_click;
    ModalAnswerer answerer([&](HWND dialog) {
        PressButton(dialog, IDC_RED_LEVEL2);
        after_red = Checks(dialog);
        PressButton(dialog, IDC_BLUE_LEVEL3);
        after_blue = Checks(dialog);
        // A double-click notification counts as one more click on its button.
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_RED_LEVEL1, BN_DOUBLECLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_RED_LEVEL1)));
        after_double_click = Checks(dialog);
        // Commands the dialog does not know change nothing.
        SendMessageA(dialog, WM_COMMAND, 109, 0);
        SendMessageA(dialog, WM_COMMAND, 100, 0);
        PressButton(dialog, IDOK);
        return true;
    });
    Command(IDM_OPPONENT);
    EXPECT_EQ(after_red, "2,0");
    EXPECT_EQ(after_blue, "2,3");
    EXPECT_EQ(after_double_click, "1,3");
    EXPECT_EQ(game().red_kind, 1);
    EXPECT_EQ(game().blue_kind, 3);
    // Nothing but the two kinds changes: the game, its board and its (absent) timer stay.
    EXPECT_EQ(game().turn, kRed);
    EXPECT_EQ(game().board, board);
    EXPECT_FALSE(KillTimer(window_, 1));

    // The next opening shows the committed kinds.
    std::string reopened;
    ModalAnswerer again([&](HWND dialog) {
        reopened = Checks(dialog);
        PressButton(dialog, IDCANCEL);
        return true;
    });
    Command(IDM_OPPONENT);
    EXPECT_EQ(reopened, "1,3");
}

TEST_F(OpponentDialogTest, CancelEscapeAndTheCloseBoxKeepTheOldKinds) {
    game().red_kind = 2;
    game().blue_kind = 1;
    enum Way { kCancelButton, kEscapeKey, kCloseBox };
    for (Way way : {kCancelButton, kEscapeKey, kCloseBox}) {
        std::string opened;
        ModalAnswerer answerer([&](HWND dialog) {
            opened = Checks(dialog);
            PressButton(dialog, IDC_RED_LEVEL3);
            PressButton(dialog, IDC_BLUE_HUMAN);
            if (way == kCancelButton) {
                PressButton(dialog, IDCANCEL);
            } else if (way == kEscapeKey) {
                PressKey(dialog, VK_ESCAPE);
            } else {
                PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
            }
            return true;
        });
        EXPECT_EQ(Command(IDM_OPPONENT), 1) << way;
        EXPECT_EQ(opened, "2,1") << way;
        EXPECT_EQ(game().red_kind, 2) << way;
        EXPECT_EQ(game().blue_kind, 1) << way;
    }
}

TEST_F(OpponentDialogTest, EnterPressesOk) {
    ModalAnswerer answerer([&](HWND dialog) {
        PressButton(dialog, IDC_BLUE_LEVEL2);
        SetFocus(GetDlgItem(dialog, IDOK));
        PressKey(dialog, VK_RETURN);
        return true;
    });
    Command(IDM_OPPONENT);
    EXPECT_EQ(game().red_kind, 0);
    EXPECT_EQ(game().blue_kind, 2);
}

}  // namespace
