// Helpers for driving real windows in tests: answering modal boxes from inside their own modal
// loop, sizing a client area, reading painted pixels back, running the thread's messages, code
// page 932 texts and a count of the process's live GDI objects.
#pragma once

#include <windows.h>

#include <climits>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/cp932.h"
#include "tests/win32/find_windows.h"

// While it lives, a thread timer looks every 20 ms for dialog boxes (class #32770) that this
// thread shows and hands each to `answer` on every look until `answer` returns true (done with
// it). The timer's callback runs from inside the modal loop of the box, so a SendMessage that
// opens a box is answered on the same thread, with no code of the program's own for tests.
class ModalAnswerer {
  public:
    explicit ModalAnswerer(std::function<bool(HWND box)> answer);
    ~ModalAnswerer();
    ModalAnswerer(const ModalAnswerer&) = delete;
    ModalAnswerer& operator=(const ModalAnswerer&) = delete;

    int boxes_seen() const { return static_cast<int>(seen_.size()); }

  private:
    static void CALLBACK OnTick(HWND, UINT, UINT_PTR, DWORD);
    void Poll();

    std::function<bool(HWND)> answer_;
    std::vector<HWND> seen_;
    std::vector<HWND> done_;
    UINT_PTR timer_;
};

// What a message box showed: its caption, its text and whether it had a Cancel button.
struct BoxContents {
    std::string caption;
    std::string text;
    bool has_cancel = false;
    bool has_icon = false;
};
BoxContents ReadMessageBox(HWND box);

// Presses a button of a dialog or message box the way a mouse click does.
void PressButton(HWND box, int id);

// Resizes the window until its client area is width x height (the menu bar may wrap as the
// window narrows, so this takes a few rounds), and paints it.
void SetClientSize(HWND window, int width, int height);
SIZE ClientSize(HWND window);

// Invalidates the whole client area and paints it at once.
void Repaint(HWND window);

// A 32-bit bitmap in a memory device context, to draw on or copy onto and read back.
class PixelCanvas {
  public:
    PixelCanvas(int width, int height);
    ~PixelCanvas();
    PixelCanvas(const PixelCanvas&) = delete;
    PixelCanvas& operator=(const PixelCanvas&) = delete;
    HDC dc() const { return dc_; }
    // What is drawn so far, one 0x00RRGGBB value per pixel, row by row from the top.
    std::vector<std::uint32_t> Pixels() const;

  private:
    int width_;
    int height_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ kept_;
    const std::uint32_t* bits_ = nullptr;
};

// The client area as painted, one 0x00RRGGBB value per pixel, row by row from the top.
class ClientPixels {
  public:
    explicit ClientPixels(HWND window);
    std::uint32_t at(int x, int y) const { return pixels_[y * width_ + x]; }
    int width() const { return width_; }
    int height() const { return height_; }

  private:
    int width_;
    int height_;
    std::vector<std::uint32_t> pixels_;
};

constexpr std::uint32_t kWhitePixel = 0xFFFFFF;
constexpr std::uint32_t kBlackPixel = 0x000000;
constexpr std::uint32_t kRedPixel = 0xFF0000;
constexpr std::uint32_t kBluePixel = 0x0000FF;

// Pens, brushes, DCs, bitmaps and every other GDI object this process holds right now.
// GetGuiResources where the system implements it; otherwise (Wine answers
// ERROR_CALL_NOT_IMPLEMENTED) the live entries of this process in the GDI handle table that the
// PEB points to, which is where every GDI handle of the process is allocated.
int LiveGdiObjects();

// The same entries of the GDI handle table by object type: type -> count, for every type present.
std::map<int, int> GdiObjectsByType();

// Dispatches the messages waiting for this thread, at most `limit` of them. WM_QUIT is taken and
// dropped: left in the queue, it would end the next modal loop at once.
void DrainMessages(int limit = INT_MAX);

// Runs the thread's messages for up to `milliseconds`, or until `done` says so.
template <typename Done>
bool PumpUntil(int milliseconds, Done done) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > static_cast<DWORD>(milliseconds)) {
            return false;
        }
        DrainMessages();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}
