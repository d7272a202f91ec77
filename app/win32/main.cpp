// The program's entry point; everything it runs lives in the plix_win32 library.
#include <windows.h>

#include "app/win32/main_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR, int show) {
    return RunApplication(instance, previous, show);
}
