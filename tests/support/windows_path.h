// Paths of the Unix file system as a Windows program opens them: under Wine through drive Z:.
// A native build takes them as they are.
#pragma once

#include <string>

inline std::string WindowsPath(std::string path) {
#ifdef _WIN32
    if (!path.empty() && path[0] == '/') {
        path = "Z:" + path;
    }
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
#endif
    return path;
}
