// The opponent dialog ("taisen"): picks who plays red and who plays blue.
#pragma once

#include <windows.h>

// Works on a pending choice per side, taken from the main session when the dialog opens; OK
// copies it into the session, Cancel (also Escape and the close box) drops it.
INT_PTR CALLBACK OpponentDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
