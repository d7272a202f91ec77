// Files of the build and source trees that the tests read, as paths that Windows (or Wine)
// opens.
#pragma once

#include <string>

inline std::string WindowsPath(std::string path) {
    // Under Wine the Unix file system is reached through drive Z:.
    if (!path.empty() && path[0] == '/') {
        path = "Z:" + path;
    }
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return path;
}

inline std::string PlixExePath() {
    return WindowsPath(PLIX_EXE);
}
inline std::string PlixIcoPath() {
    return WindowsPath(PLIX_ICO);
}
