// Runs with the window's manifest and icon (WindowResources.rc), so the
// controls and icons made here are the ones Lumarind.exe gets.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstring>

#include "app/MainForm.h"
#include "app/win32/Layout.h"
#include "app/win32/WindowFont.h"
#include "common/UserTexts.h"
#include "support/win32/ProgramIcon.h"
#include "support/win32/UniqueHandle.h"
#include "support/win32/WindowDpi.h"

namespace lumarind {
namespace {

constexpr int kDpis[] = {96, 120, 144, 192};

struct Window {
    explicit Window(const wchar_t* windowClass, const wchar_t* text = L"", int width = 0, int height = 0)
        : handle(CreateWindowExW(0, windowClass, text, WS_POPUP, 0, 0, width, height, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr)) {}
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    ~Window() { DestroyWindow(handle); }
    HWND handle;
};

TEST(WindowResourcesTest, ButtonsComeFromCommonControls6AndEachCaptionFitsItsButtonAtEveryDpi) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    ASSERT_TRUE(InitCommonControlsEx(&controls));
    const struct {
        const wchar_t* caption;
        layout::TwipsRect place;
    } buttons[] = {
        {texts::kOpenButtonCaption, layout::cmdOpenFile},
        {texts::kCopyButtonCaption, layout::cmdCopyText0},
        {texts::kOneLineButtonCaption, layout::cmdCopyText1},
        {texts::kSaveButtonCaption, layout::cmdSaveFile},
    };
    for (const int dpi : kDpis) {
        const win32::UniqueGdiObject font = win32::CreateWindowFont(dpi);
        for (const auto& button : buttons) {
            const int width = layout::TwipsToPixels(button.place.width, dpi);
            const int height = layout::TwipsToPixels(button.place.height, dpi);
            const Window control(L"BUTTON", button.caption, width, height);
            ASSERT_NE(control.handle, nullptr);
            SendMessageW(control.handle, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
            // Common Controls 5 does not know BCM_GETIDEALSIZE and answers 0.
            SIZE ideal{};
            ASSERT_TRUE(SendMessageW(control.handle, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)));
            EXPECT_GT(ideal.cx, 0);
            EXPECT_LE(ideal.cx, width) << dpi << " DPI";
            EXPECT_LE(ideal.cy, height) << dpi << " DPI";
        }
    }
}

int IconWidth(HICON icon) {
    ICONINFO info{};
    if (!GetIconInfo(icon, &info)) return 0;
    BITMAP bitmap{};
    GetObjectW(info.hbmMask, sizeof bitmap, &bitmap);
    DeleteObject(info.hbmMask);
    if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
    return bitmap.bmWidth;
}

TEST(WindowResourcesTest, TheWindowGetsIconsInTheSizesForItsDpi) {
    const Window window(L"STATIC");
    ASSERT_NE(window.handle, nullptr);
    for (const int dpi : kDpis) {
        win32::SetWindowIcons(window.handle, kIconResourceName, dpi);
        const auto icon = [&](WPARAM which) {
            return reinterpret_cast<HICON>(SendMessageW(window.handle, WM_GETICON, which, 0));
        };
        EXPECT_EQ(IconWidth(icon(ICON_BIG)), win32::SystemMetricForDpi(SM_CXICON, dpi)) << dpi << " DPI";
        EXPECT_EQ(IconWidth(icon(ICON_SMALL)), win32::SystemMetricForDpi(SM_CXSMICON, dpi)) << dpi << " DPI";
    }
    EXPECT_EQ(win32::SystemMetricForDpi(SM_CXICON, 192), 2 * win32::SystemMetricForDpi(SM_CXICON, 96));
}

// The shell's largest views take the 256-pixel image, stored as a PNG.
TEST(WindowResourcesTest, TheLargestIconIsAPngTheSystemReads) {
    const HMODULE module = GetModuleHandleW(nullptr);
    const HRSRC group = FindResourceW(module, kIconResourceName, RT_GROUP_ICON);
    ASSERT_NE(group, nullptr);
    auto* directory = static_cast<BYTE*>(LockResource(LoadResource(module, group)));
    const int id = LookupIconIdFromDirectoryEx(directory, TRUE, 256, 256, LR_DEFAULTCOLOR);
    const HRSRC image = FindResourceW(module, MAKEINTRESOURCEW(id), RT_ICON);
    ASSERT_NE(image, nullptr);
    auto* bytes = static_cast<BYTE*>(LockResource(LoadResource(module, image)));
    const DWORD size = SizeofResource(module, image);
    ASSERT_GE(size, 8u);
    EXPECT_EQ(std::memcmp(bytes, "\x89PNG\r\n\x1a\n", 8), 0);
    const win32::UniqueIcon icon(CreateIconFromResourceEx(bytes, size, TRUE, 0x00030000, 256, 256, LR_DEFAULTCOLOR));
    EXPECT_EQ(IconWidth(icon.get()), 256);
}

}  // namespace
}  // namespace lumarind
