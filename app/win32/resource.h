// Identifiers shared by the resource script and the code.
#pragma once

// Menu "PLIX" commands.
#define IDM_OPPONENT 101
#define IDM_EXIT 102
#define IDM_START 103
#define IDM_UNDO 104
#define IDM_HELP 105
#define IDM_ABOUT 106

// Radio buttons of the opponent dialog: red's column, then blue's, each from human up to
// level 3, so that (id - first id of the column) is the side's PlayerKind.
#define IDC_RED_HUMAN 101
#define IDC_RED_LEVEL1 102
#define IDC_RED_LEVEL2 103
#define IDC_RED_LEVEL3 104
#define IDC_BLUE_HUMAN 105
#define IDC_BLUE_LEVEL1 106
#define IDC_BLUE_LEVEL2 107
#define IDC_BLUE_LEVEL3 108
