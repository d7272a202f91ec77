// The resources that plix.exe carries: exactly the menu, the dialog template and the icon, with
// their identifiers, texts (as code page 932 bytes), styles and order.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "app/win32/resource.h"
#include "build_paths.h"
#include "win32_support.h"

namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

class ResourcesTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        module_ = LoadLibraryExA(PlixExePath().c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    }
    static void TearDownTestSuite() { FreeLibrary(module_); }
    void SetUp() override { ASSERT_NE(module_, nullptr) << PlixExePath(); }

    // The bytes of one resource.
    static std::vector<std::uint8_t> Bytes(LPCSTR type, LPCSTR name) {
        const HRSRC found = FindResourceA(module_, name, type);
        if (found == nullptr) {
            return {};
        }
        const auto* data =
            static_cast<const std::uint8_t*>(LockResource(LoadResource(module_, found)));
        return std::vector<std::uint8_t>(data, data + SizeofResource(module_, found));
    }

    static HMODULE module_;
};

HMODULE ResourcesTest::module_ = nullptr;

std::string NameOf(LPSTR name) {
    return IS_INTRESOURCE(name) ? "#" + std::to_string(reinterpret_cast<UINT_PTR>(name))
                                : std::string(name);
}

BOOL CALLBACK AddResource(HMODULE, LPCSTR type, LPSTR name, LONG_PTR list) {
    reinterpret_cast<std::vector<std::string>*>(list)->push_back(NameOf(const_cast<LPSTR>(type)) +
                                                                 "/" + NameOf(name));
    return TRUE;
}

BOOL CALLBACK AddResourcesOfType(HMODULE module, LPSTR type, LONG_PTR list) {
    EnumResourceNamesA(module, type, AddResource, list);
    return TRUE;
}

TEST_F(ResourcesTest, AreExactlyTheMenuTheDialogAndTheIcon) {
    std::vector<std::string> found;
    EnumResourceTypesA(module_, AddResourcesOfType, reinterpret_cast<LONG_PTR>(&found));
    std::sort(found.begin(), found.end());
    // RT_ICON (3) holds the one image of the icon group RT_GROUP_ICON (14).
    EXPECT_THAT(found, ElementsAre("#14/PLIX", "#3/#1", "#4/PLIX", "#5/TAISEN"));
}

// depth, code page 932 text ("" for a separator), id (-1 for a popup)
using MenuEntry = std::tuple<int, std::string, int>;

TEST_F(ResourcesTest, MenuHasFourBarEntriesWithStartAndUndoOnTheBar) {
    const MenuEntry expected[] = {
        {0, Cp932(u8"設定(&S)"), -1},
        {1, Cp932(u8"対戦相手(&T)"), IDM_OPPONENT},
        {1, "", 0},
        {1, Cp932(u8"終了(&X)"), IDM_EXIT},
        {0, Cp932(u8"開始(&G)"), IDM_START},
        {0, Cp932(u8"やり直し(&R)"), IDM_UNDO},
        {0, Cp932(u8"ヘルプ(&H)"), -1},
        {1, Cp932(u8"ヘルプ(&H)"), IDM_HELP},
        {1, Cp932(u8"このプログラムについて(&A)"), IDM_ABOUT},
    };
    const HMENU bar = LoadMenuA(module_, "plix");
    ASSERT_NE(bar, nullptr);
    std::vector<MenuEntry> shown;
    const auto walk = [&](HMENU menu, int depth, auto& self) -> void {
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            char text[128] = {};
            MENUITEMINFOA item = {};
            item.cbSize = sizeof item;
            item.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_SUBMENU | MIIM_STRING;
            item.dwTypeData = text;
            item.cch = sizeof text;
            ASSERT_TRUE(GetMenuItemInfoA(menu, i, TRUE, &item));
            const bool separator = (item.fType & MFT_SEPARATOR) != 0;
            // Nothing is grayed, disabled or checked (Wine reports separators as grayed).
            if (!separator) {
                EXPECT_EQ(item.fState & (MFS_GRAYED | MFS_DISABLED | MFS_CHECKED), 0u) << text;
            }
            shown.emplace_back(depth, separator ? "" : text,
                               item.hSubMenu != nullptr ? -1 : static_cast<int>(item.wID));
            if (item.hSubMenu != nullptr) {
                self(item.hSubMenu, depth + 1, self);
            }
        }
    };
    walk(bar, 0, walk);
    DestroyMenu(bar);
    EXPECT_THAT(shown, ElementsAreArray(expected));
}

// Reads a dialog template (DLGTEMPLATE, no DS_SETFONT) word by word.
class TemplateReader {
  public:
    explicit TemplateReader(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
    std::uint16_t Word() {
        std::uint16_t value = 0;
        if (at_ + 2 <= bytes_.size()) {
            std::memcpy(&value, &bytes_[at_], 2);
        }
        at_ += 2;
        return value;
    }
    std::uint32_t Dword() {
        const std::uint32_t low = Word();
        return low | static_cast<std::uint32_t>(Word()) << 16;
    }
    // A string, an ordinal ("#n") or nothing ("").
    std::string Text() {
        const std::uint16_t first = Word();
        if (first == 0xFFFF) {
            return "#" + std::to_string(Word());
        }
        std::wstring wide;
        for (std::uint16_t c = first; c != 0; c = Word()) {
            wide += static_cast<wchar_t>(c);
        }
        return Cp932(wide.c_str());
    }
    void AlignToDword() { at_ = (at_ + 3) & ~size_t{3}; }
    size_t at() const { return at_; }

  private:
    const std::vector<std::uint8_t>& bytes_;
    size_t at_ = 0;
};

// id, class, code page 932 text, style, x, y, cx, cy. Resource compilers store a predefined
// class either by name, in any case, or by its atom; the class is read back as its name.
using Control = std::tuple<int, std::string, std::string, DWORD, int, int, int, int>;

std::string ClassName(std::string read) {
    if (read == "#128" || read == "#130") {
        return read == "#128" ? "BUTTON" : "STATIC";
    }
    std::transform(read.begin(), read.end(), read.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return read;
}

TEST_F(ResourcesTest, OpponentDialogTemplateMatchesItsLayout) {
    const std::vector<std::uint8_t> bytes = Bytes(MAKEINTRESOURCEA(5), "taisen");
    ASSERT_FALSE(bytes.empty());
    TemplateReader read(bytes);
    EXPECT_EQ(read.Dword(), static_cast<DWORD>(WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU |
                                               DS_MODALFRAME));  // no DS_SETFONT
    EXPECT_EQ(read.Dword(), 0u);                                 // extended style
    const int count = read.Word();
    EXPECT_EQ(static_cast<short>(read.Word()), 6);
    EXPECT_EQ(static_cast<short>(read.Word()), 15);
    EXPECT_EQ(static_cast<short>(read.Word()), 137);
    EXPECT_EQ(static_cast<short>(read.Word()), 119);
    EXPECT_EQ(read.Text(), "");  // no menu
    EXPECT_EQ(read.Text(), "");  // the standard dialog class
    EXPECT_EQ(read.Text(), Cp932(u8"対戦相手"));

    constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
    constexpr DWORD kRadio = kChild | BS_AUTORADIOBUTTON;
    const Control expected[] = {
        {IDOK, "BUTTON", "OK", kChild | WS_TABSTOP | BS_DEFPUSHBUTTON, 12, 96, 50, 14},
        {IDCANCEL, "BUTTON", "Cancel", kChild | WS_TABSTOP | BS_PUSHBUTTON, 72, 96, 50, 14},
        {0xFFFF, "STATIC", Cp932(u8"先手(赤)"), kChild | WS_GROUP | SS_LEFT, 24, 5, 31, 8},
        {0xFFFF, "STATIC", Cp932(u8"後手(青)"), kChild | WS_GROUP | SS_LEFT, 92, 5, 31, 8},
        {IDC_RED_HUMAN, "BUTTON", Cp932(u8"人間"), kRadio, 8, 20, 60, 12},
        {IDC_RED_LEVEL1, "BUTTON", Cp932(u8"レベル1"), kRadio, 8, 38, 60, 12},
        {IDC_RED_LEVEL2, "BUTTON", Cp932(u8"レベル2"), kRadio, 8, 56, 60, 12},
        {IDC_RED_LEVEL3, "BUTTON", Cp932(u8"レベル3"), kRadio, 8, 74, 60, 12},
        {IDC_BLUE_HUMAN, "BUTTON", Cp932(u8"人間"), kRadio, 76, 20, 60, 12},
        {IDC_BLUE_LEVEL1, "BUTTON", Cp932(u8"レベル1"), kRadio, 76, 38, 60, 12},
        {IDC_BLUE_LEVEL2, "BUTTON", Cp932(u8"レベル2"), kRadio, 76, 56, 60, 12},
        {IDC_BLUE_LEVEL3, "BUTTON", Cp932(u8"レベル3"), kRadio, 76, 74, 60, 12},
    };
    std::vector<Control> controls;
    for (int i = 0; i < count; ++i) {
        read.AlignToDword();
        const DWORD style = read.Dword();
        EXPECT_EQ(read.Dword(), 0u) << i;  // extended style
        int box[4];
        for (int& edge : box) {
            edge = static_cast<short>(read.Word());
        }
        const int id = read.Word();
        const std::string window_class = ClassName(read.Text());
        controls.emplace_back(id, window_class, read.Text(), style, box[0], box[1], box[2], box[3]);
        EXPECT_EQ(read.Word(), 0) << i;  // no creation data
    }
    EXPECT_THAT(controls, ElementsAreArray(expected));
    EXPECT_LE(read.at(), bytes.size());
}

TEST_F(ResourcesTest, IconShowsTheFourStartingDiscs) {
    // The group names one 32 x 32 image of 16 colours.
    const std::vector<std::uint8_t> group = Bytes(MAKEINTRESOURCEA(14), "PLIX");
    ASSERT_EQ(group.size(), 6u + 14u);
    EXPECT_EQ(group[4], 1);   // one image
    EXPECT_EQ(group[6], 32);  // width
    EXPECT_EQ(group[7], 32);  // height
    EXPECT_EQ(group[8], 16);  // colours
    const std::uint16_t image_id = static_cast<std::uint16_t>(group[18] | group[19] << 8);

    // The image is the committed plix.ico's, byte for byte.
    const std::vector<std::uint8_t> image = Bytes(MAKEINTRESOURCEA(3), MAKEINTRESOURCEA(image_id));
    std::ifstream file(PlixIcoPath(), std::ios::binary);
    const std::vector<std::uint8_t> ico((std::istreambuf_iterator<char>(file)),
                                        std::istreambuf_iterator<char>());
    ASSERT_GT(ico.size(), 22u);
    EXPECT_EQ(image, std::vector<std::uint8_t>(ico.begin() + 22, ico.end()));

    // Drawn over green, as the system draws it.
    const HICON icon =
        CreateIconFromResourceEx(const_cast<PBYTE>(image.data()), static_cast<DWORD>(image.size()),
                                 TRUE, 0x00030000, 32, 32, LR_DEFAULTCOLOR);
    ASSERT_NE(icon, nullptr);
    PixelCanvas canvas(32, 32);
    const HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
    const RECT all = {0, 0, 32, 32};
    FillRect(canvas.dc(), &all, green);
    DeleteObject(green);
    DrawIconEx(canvas.dc(), 0, 0, icon, 32, 32, 0, nullptr, DI_NORMAL);
    DestroyIcon(icon);
    const std::vector<std::uint32_t> pixels = canvas.Pixels();
    const auto pixel = [&](int x, int y) { return pixels[y * 32 + x]; };
    EXPECT_EQ(pixel(8, 8), kRedPixel);     // top left
    EXPECT_EQ(pixel(24, 8), kBluePixel);   // top right
    EXPECT_EQ(pixel(8, 24), kBluePixel);   // bottom left
    EXPECT_EQ(pixel(24, 24), kRedPixel);   // bottom right
    EXPECT_EQ(pixel(15, 0), kBlackPixel);  // the vertical line, across the whole image
    EXPECT_EQ(pixel(15, 31), kBlackPixel);
    EXPECT_EQ(pixel(0, 16), kBlackPixel);  // the horizontal line
    EXPECT_EQ(pixel(31, 16), kBlackPixel);
    EXPECT_EQ(pixel(0, 0), 0x00FF00u);  // transparent corners
    EXPECT_EQ(pixel(31, 31), 0x00FF00u);
    // About 14 pixels across: the red disc's widest row.
    int widest = 0;
    for (int y = 0; y < 16; ++y) {
        int run = 0;
        for (int x = 0; x < 15; ++x) {
            run += pixel(x, y) == kRedPixel ? 1 : 0;
        }
        widest = std::max(widest, run);
    }
    EXPECT_GE(widest, 13);
    EXPECT_LE(widest, 15);
}

}  // namespace
