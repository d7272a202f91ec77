#include "app/win32/opponent_dialog.h"

#include "app/session.h"
#include "app/win32/main_window.h"
#include "app/win32/resource.h"

namespace {

// The dialog's working choice; read only while it is open.
PlayerKind pending_red_kind = kHuman;
PlayerKind pending_blue_kind = kHuman;

// All eight radio buttons form one group, so a click in one column has just cleared the other
// column's check: both columns are set again from the pending choice.
void CheckBothColumns(HWND dialog) {
    CheckRadioButton(dialog, IDC_RED_HUMAN, IDC_RED_LEVEL3, IDC_RED_HUMAN + pending_red_kind);
    CheckRadioButton(dialog, IDC_BLUE_HUMAN, IDC_BLUE_LEVEL3, IDC_BLUE_HUMAN + pending_blue_kind);
}

}  // namespace

INT_PTR CALLBACK OpponentDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    GameSession& game = MainSession();
    if (message == WM_INITDIALOG) {
        pending_red_kind = game.red_kind;
        pending_blue_kind = game.blue_kind;
        CheckBothColumns(dialog);
        return TRUE;
    }
    if (message != WM_COMMAND) {
        return FALSE;
    }
    const WORD command = LOWORD(wParam);
    switch (command) {
        case IDOK:
            game.red_kind = pending_red_kind;
            game.blue_kind = pending_blue_kind;
            EndDialog(dialog, 1);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, 1);
            return TRUE;
        case IDC_RED_HUMAN:
        case IDC_RED_LEVEL1:
        case IDC_RED_LEVEL2:
        case IDC_RED_LEVEL3:
            pending_red_kind = command - IDC_RED_HUMAN;
            CheckBothColumns(dialog);
            return FALSE;
        case IDC_BLUE_HUMAN:
        case IDC_BLUE_LEVEL1:
        case IDC_BLUE_LEVEL2:
        case IDC_BLUE_LEVEL3:
            pending_blue_kind = command - IDC_BLUE_HUMAN;
            CheckBothColumns(dialog);
            return FALSE;
        default:
            return FALSE;
    }
}
