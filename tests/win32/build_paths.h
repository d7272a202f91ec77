// Files of the build and source trees that the tests read, as paths that Windows (or Wine)
// opens.
#pragma once

#include <string>

#include "tests/support/windows_path.h"

inline std::string PlixExePath() {
    return WindowsPath(PLIX_EXE);
}
inline std::string PlixIcoPath() {
    return WindowsPath(PLIX_ICO);
}
