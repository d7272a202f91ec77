#include "win32_support.h"

#include <winternl.h>

#include <algorithm>
#include <utility>

namespace {
ModalAnswerer* g_answerer = nullptr;
}

ModalAnswerer::ModalAnswerer(std::function<bool(HWND)> answer)
    : answer_(std::move(answer)), timer_(SetTimer(nullptr, 0, 20, OnTick)) {
    g_answerer = this;
}

ModalAnswerer::~ModalAnswerer() {
    KillTimer(nullptr, timer_);
    g_answerer = nullptr;
}

void CALLBACK ModalAnswerer::OnTick(HWND, UINT, UINT_PTR, DWORD) {
    if (g_answerer != nullptr) {
        g_answerer->Poll();
    }
}

void ModalAnswerer::Poll() {
    for (HWND box : VisibleWindows(kDialogClass, GetCurrentThreadId())) {
        if (std::find(seen_.begin(), seen_.end(), box) == seen_.end()) {
            seen_.push_back(box);
        }
        if (std::find(done_.begin(), done_.end(), box) == done_.end() && answer_(box)) {
            done_.push_back(box);
        }
    }
}

BoxContents ReadMessageBox(HWND box) {
    BoxContents contents;
    contents.caption = WindowText(box);
    char text[512];
    // The message text is the static control with the id 0xFFFF.
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    contents.text = text;
    contents.has_cancel = GetDlgItem(box, IDCANCEL) != nullptr;
    // The icon is a static control with the id 0x0440 that shows an icon.
    const HWND icon = GetDlgItem(box, 0x0440);
    contents.has_icon =
        icon != nullptr && IsWindowVisible(icon) && SendMessageA(icon, STM_GETICON, 0, 0) != 0;
    return contents;
}

void PressButton(HWND box, int id) {
    const HWND button = GetDlgItem(box, id);
    if (button != nullptr) {
        SendMessageA(button, BM_CLICK, 0, 0);
    } else {
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
    }
}

SIZE ClientSize(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    return {client.right - client.left, client.bottom - client.top};
}

void Repaint(HWND window) {
    InvalidateRect(window, nullptr, TRUE);
    UpdateWindow(window);
}

void SetClientSize(HWND window, int width, int height) {
    for (int round = 0; round < 6; ++round) {
        const SIZE now = ClientSize(window);
        if (now.cx == width && now.cy == height) {
            break;
        }
        RECT outer;
        GetWindowRect(window, &outer);
        SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left + width - now.cx,
                     outer.bottom - outer.top + height - now.cy,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    UpdateWindow(window);
}

PixelCanvas::PixelCanvas(int width, int height) : width_(width), height_(height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<const std::uint32_t*>(bits);
    kept_ = SelectObject(dc_, bitmap_);
}

PixelCanvas::~PixelCanvas() {
    SelectObject(dc_, kept_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
}

std::vector<std::uint32_t> PixelCanvas::Pixels() const {
    std::vector<std::uint32_t> pixels(static_cast<size_t>(width_) * height_, 0);
    if (bits_ == nullptr) {
        return pixels;
    }
    // GDI may still hold drawing calls in its batch.
    GdiFlush();
    for (size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = bits_[i] & 0xFFFFFF;
    }
    return pixels;
}

ClientPixels::ClientPixels(HWND window) {
    const SIZE size = ClientSize(window);
    width_ = size.cx;
    height_ = size.cy;
    if (width_ <= 0 || height_ <= 0) {
        return;
    }
    PixelCanvas canvas(width_, height_);
    const HDC window_dc = GetDC(window);
    BitBlt(canvas.dc(), 0, 0, width_, height_, window_dc, 0, 0, SRCCOPY);
    ReleaseDC(window, window_dc);
    pixels_ = canvas.Pixels();
}

namespace {

// One entry of the GDI handle table, as Wine lays it out for 64-bit and 32-bit programs alike
// (and Windows on x64).
struct GdiHandleEntry {
    std::uint64_t object;
    std::uint16_t process_id;
    std::uint16_t lock_and_count;
    std::uint16_t unique;
    std::uint8_t type;
    std::uint8_t flags;
    std::uint64_t user_pointer;
};
static_assert(sizeof(GdiHandleEntry) == 24, "GDI handle table entry");

constexpr int kGdiHandleSlots = 0x10000;

const GdiHandleEntry* GdiHandleTable() {
    PROCESS_BASIC_INFORMATION basic = {};
    if (NtQueryInformationProcess(GetCurrentProcess(), ProcessBasicInformation, &basic,
                                  sizeof basic, nullptr) != 0) {
        return nullptr;
    }
    // PEB.GdiSharedHandleTable, at the same offset in every Windows and in Wine of a bitness.
    const size_t offset = sizeof(void*) == 8 ? 0xF8 : 0x94;
    return *reinterpret_cast<const GdiHandleEntry* const*>(
        reinterpret_cast<const char*>(basic.PebBaseAddress) + offset);
}

}  // namespace

std::map<int, int> GdiObjectsByType() {
    const GdiHandleEntry* table = GdiHandleTable();
    if (table == nullptr) {
        return {};
    }
    // Learn how this process's entries are marked from an object made for the purpose.
    const HGDIOBJ probe = CreatePen(PS_SOLID, 1, 0);
    const std::uint16_t owner = table[LOWORD(reinterpret_cast<UINT_PTR>(probe))].process_id;
    DeleteObject(probe);
    std::map<int, int> by_type;
    for (int i = 0; i < kGdiHandleSlots; ++i) {
        if (table[i].type != 0 && table[i].process_id == owner) {
            ++by_type[table[i].type];
        }
    }
    return by_type;
}

int LiveGdiObjects() {
    SetLastError(0);
    const DWORD reported = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (reported != 0 || GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) {
        return static_cast<int>(reported);
    }
    if (GdiHandleTable() == nullptr) {
        return -1;
    }
    int live = 0;
    for (const auto& entry : GdiObjectsByType()) {
        live += entry.second;
    }
    return live;
}

void DrainMessages(int limit) {
    MSG message;
    for (int i = 0; i < limit && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE); ++i) {
        if (message.message != WM_QUIT) {
            DispatchMessageA(&message);
        }
    }
}
