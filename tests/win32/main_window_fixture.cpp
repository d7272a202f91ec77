#include "main_window_fixture.h"

#include "win32_support.h"

namespace {

// The window class is registered once for the whole test program, as the program does.
class WindowClassEnvironment : public ::testing::Environment {
  public:
    void SetUp() override { ASSERT_NE(RegisterMainWindowClass(GetModuleHandleA(nullptr)), 0); }
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new WindowClassEnvironment);

}  // namespace

HWND OpenMainWindow() {
    MainSession() = InitialSession();
    const HWND window = CreateMainWindow(GetModuleHandleA(nullptr));
    if (window != nullptr) {
        ShowWindow(window, SW_SHOWNORMAL);
        UpdateWindow(window);
    }
    return window;
}

void MainWindowTest::SetUp() {
    window_ = OpenMainWindow();
    ASSERT_NE(window_, nullptr);
}

void MainWindowTest::TearDown() {
    if (IsWindow(window_)) {
        KillTimer(window_, 1);
        DestroyWindow(window_);
    }
    // WM_DESTROY posted WM_QUIT, which would end the next test's modal boxes at once.
    DrainMessages();
}
