// Shows one message box whose text, caption and style come from the command line, and exits with
// the button that closed it. The end-to-end test cannot read the text of plix.exe's boxes through
// the X server, so it has the system draw the text it expects with this program and compares the
// two boxes pixel for pixel.
//
//   reference_box.exe TEXT CAPTION STYLE
//
// TEXT and CAPTION arrive as wide strings (Wine converts them from the locale's UTF-8); a
// backslash followed by "n" in TEXT stands for a line feed. STYLE is the decimal MB_* value.

#include <windows.h>
#include <shellapi.h>

#include <cwchar>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == nullptr || argc != 4) {
        return 255;
    }
    wchar_t* text = argv[1];
    wchar_t* out = text;
    for (const wchar_t* in = text; *in != L'\0'; ++in) {
        if (in[0] == L'\\' && in[1] == L'n') {
            *out++ = L'\n';
            ++in;
        } else {
            *out++ = *in;
        }
    }
    *out = L'\0';
    const UINT style = static_cast<UINT>(std::wcstoul(argv[3], nullptr, 10));
    const int answer = MessageBoxW(nullptr, text, argv[2], style);
    LocalFree(argv);
    return answer;
}
