// The code page 932 (Shift-JIS) bytes of a text, by the platform's own converter rather than by
// the program's tables: iconv natively, the code page functions on Windows. A text that cannot be
// converted fails the running test and gives an empty string.
#pragma once

#include <string>

std::string Cp932(const char* utf8);
#ifdef _WIN32
std::string Cp932(const wchar_t* utf16);
#endif

// A UTF-8 literal as the plain chars the program's texts are made of.
#define U8(text) reinterpret_cast<const char*>(u8##text)
