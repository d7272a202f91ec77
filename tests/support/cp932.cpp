#include "tests/support/cp932.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>

std::string Cp932(const wchar_t* utf16) {
    char bytes[512];
    BOOL lossy = FALSE;
    const int length = WideCharToMultiByte(932, 0, utf16, -1, bytes, sizeof bytes, nullptr, &lossy);
    if (length <= 0 || lossy) {
        ADD_FAILURE() << "cannot convert a UTF-16 text to code page 932";
        return {};
    }
    return std::string(bytes, static_cast<size_t>(length - 1));
}

std::string Cp932(const char* utf8) {
    wchar_t wide[256];
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, wide, 256) <= 0) {
        ADD_FAILURE() << "cannot convert " << utf8 << " from UTF-8";
        return {};
    }
    return Cp932(wide);
}

#else
#include <iconv.h>

std::string Cp932(const char* utf8) {
    iconv_t converter = iconv_open("CP932", "UTF-8");
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        ADD_FAILURE() << "no converter from UTF-8 to CP932";
        return {};
    }
    std::string in(utf8);
    char bytes[512];
    char* in_next = &in[0];
    size_t in_left = in.size();
    char* out_next = bytes;
    size_t out_left = sizeof bytes;
    const size_t result = iconv(converter, &in_next, &in_left, &out_next, &out_left);
    iconv_close(converter);
    if (result == static_cast<size_t>(-1) || in_left != 0) {
        ADD_FAILURE() << "cannot convert " << utf8 << " to code page 932";
        return {};
    }
    return std::string(bytes, static_cast<size_t>(out_next - bytes));
}

#endif
