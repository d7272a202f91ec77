// plix.exe as linked and as it runs: a GUI program that needs no DLL beyond Windows' own, small,
// and ending with exit code 0 only after the user confirms.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/texts.h"
#include "app/win32/resource.h"
#include "build_paths.h"
#include "win32_support.h"

namespace {

std::vector<std::uint8_t> ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(file)),
                                     std::istreambuf_iterator<char>());
}

// The parts of a PE file the checks need, for a program of the test's own bitness (PE32+ in the
// 64-bit build, PE32 in the 32-bit one).
struct PeImage {
    const std::vector<std::uint8_t>& bytes;
    const IMAGE_NT_HEADERS* headers = nullptr;

    explicit PeImage(const std::vector<std::uint8_t>& file) : bytes(file) {
        if (file.size() < sizeof(IMAGE_DOS_HEADER)) {
            return;
        }
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(file.data());
        if (dos->e_magic != IMAGE_DOS_SIGNATURE ||
            file.size() < dos->e_lfanew + sizeof(IMAGE_NT_HEADERS)) {
            return;
        }
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(file.data() + dos->e_lfanew);
        if (nt->Signature == IMAGE_NT_SIGNATURE &&
            nt->OptionalHeader.Magic == IMAGE_NT_OPTIONAL_HDR_MAGIC) {
            headers = nt;
        }
    }

    // The file offset of a relative virtual address, or 0 outside every section.
    size_t Offset(std::uint32_t rva) const {
        const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(headers);
        for (int i = 0; i < headers->FileHeader.NumberOfSections; ++i, ++section) {
            if (rva >= section->VirtualAddress &&
                rva < section->VirtualAddress + section->SizeOfRawData) {
                return rva - section->VirtualAddress + section->PointerToRawData;
            }
        }
        return 0;
    }

    std::vector<std::string> ImportedDlls() const {
        std::vector<std::string> names;
        const IMAGE_DATA_DIRECTORY& directory =
            headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        size_t at = Offset(directory.VirtualAddress);
        while (at != 0 && at + sizeof(IMAGE_IMPORT_DESCRIPTOR) <= bytes.size()) {
            const auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(&bytes[at]);
            if (entry->Name == 0) {
                break;
            }
            const size_t name = Offset(entry->Name);
            std::string dll(
                reinterpret_cast<const char*>(&bytes[name]),
                strnlen(reinterpret_cast<const char*>(&bytes[name]), bytes.size() - name));
            std::transform(dll.begin(), dll.end(), dll.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            names.push_back(dll);
            at += sizeof(IMAGE_IMPORT_DESCRIPTOR);
        }
        return names;
    }
};

TEST(PlixExe, IsASmallGuiProgramNeedingOnlyWindowsOwnDlls) {
    const std::vector<std::uint8_t> file = ReadFile(PlixExePath());
    ASSERT_FALSE(file.empty()) << PlixExePath();
    EXPECT_LE(file.size(), 1u << 20);
    const PeImage image(file);
    ASSERT_NE(image.headers, nullptr);
    const IMAGE_OPTIONAL_HEADER& optional = image.headers->OptionalHeader;
    EXPECT_EQ(optional.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
    // Windows refuses a program that asks for a newer version than its own. Neither build may ask
    // for more than 5.2, the first 64-bit Windows, which the 64-bit one needs anyway.
    const auto version = [](unsigned major, unsigned minor) { return major * 100 + minor; };
    EXPECT_LE(version(optional.MajorOperatingSystemVersion, optional.MinorOperatingSystemVersion),
              version(5, 2));
    EXPECT_LE(version(optional.MajorSubsystemVersion, optional.MinorSubsystemVersion),
              version(5, 2));

    const std::vector<std::string> dlls = image.ImportedDlls();
    EXPECT_FALSE(dlls.empty());
    // Parts of Windows itself; the C runtime that every Windows installation carries included.
    const std::vector<std::string> windows_own = {"kernel32.dll", "user32.dll", "gdi32.dll",
                                                  "msvcrt.dll", "ucrtbase.dll"};
    for (const std::string& dll : dlls) {
        const bool allowed =
            std::find(windows_own.begin(), windows_own.end(), dll) != windows_own.end() ||
            dll.rfind("api-ms-win-", 0) == 0;
        EXPECT_TRUE(allowed) << dll;
    }
}

// The running program, found by its window.
class RunningPlix {
  public:
    RunningPlix() {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        std::string command = "\"" + PlixExePath() + "\"";
        if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &process_)) {
            return;
        }
        WaitForInputIdle(process_.hProcess, 10000);
        for (int i = 0; i < 200 && window_ == nullptr; ++i) {
            window_ = FindOwn("PLIX");
            if (window_ == nullptr) {
                Sleep(50);
            }
        }
    }
    ~RunningPlix() {
        if (process_.hProcess != nullptr) {
            if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
                TerminateProcess(process_.hProcess, 99);
            }
            CloseHandle(process_.hThread);
            CloseHandle(process_.hProcess);
        }
    }

    HWND window() const { return window_; }
    HANDLE process() const { return process_.hProcess; }

    // A visible top-level window of the program's own of that class; waits up to five seconds.
    HWND WaitFor(const char* window_class) const {
        for (int i = 0; i < 100; ++i) {
            if (const HWND found = FindOwn(window_class)) {
                return found;
            }
            Sleep(50);
        }
        return nullptr;
    }

  private:
    HWND FindOwn(const char* window_class) const {
        for (HWND window : VisibleWindows(window_class)) {
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            if (process == process_.dwProcessId) {
                return window;
            }
        }
        return nullptr;
    }

    PROCESS_INFORMATION process_ = {};
    HWND window_ = nullptr;
};

TEST(PlixExe, StartsUntitledAndEndsWithZeroOnlyAfterConfirmation) {
    const RunningPlix plix;
    ASSERT_NE(plix.window(), nullptr);
    RECT outer;
    GetWindowRect(plix.window(), &outer);
    EXPECT_EQ(outer.right - outer.left, 256);
    EXPECT_EQ(outer.bottom - outer.top, 312);
    EXPECT_EQ(WindowText(plix.window()), texts::kTitleIdle);

    // The close box asks; Cancel keeps the program running.
    PostMessageA(plix.window(), WM_SYSCOMMAND, SC_CLOSE, 0);
    HWND box = plix.WaitFor("#32770");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(WindowText(box), texts::kExitCaption);
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_EQ(WaitForSingleObject(plix.process(), 1000), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_TRUE(IsWindow(plix.window()));

    // Start, then Exit from the menu asks the same question; OK ends the process with 0.
    PostMessageA(plix.window(), WM_COMMAND, IDM_START, 0);
    for (int i = 0; i < 100 && WindowText(plix.window()) != texts::kTitleRed; ++i) {
        Sleep(20);
    }
    EXPECT_EQ(WindowText(plix.window()), texts::kTitleRed);
    PostMessageA(plix.window(), WM_COMMAND, IDM_EXIT, 0);
    box = plix.WaitFor("#32770");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(WindowText(box), texts::kExitCaption);
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ASSERT_EQ(WaitForSingleObject(plix.process(), 10000), static_cast<DWORD>(WAIT_OBJECT_0));
    DWORD code = 99;
    GetExitCodeProcess(plix.process(), &code);
    EXPECT_EQ(code, 0u);
}

}  // namespace
