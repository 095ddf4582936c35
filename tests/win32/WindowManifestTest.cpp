// Runs with the window's manifest (WindowManifest.rc), so the controls made
// here are the ones Lumarind.exe gets.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "common/UserTexts.h"

namespace lumarind {
namespace {

TEST(WindowManifestTest, ButtonsComeFromCommonControls6) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    ASSERT_TRUE(InitCommonControlsEx(&controls));
    const HWND button = CreateWindowExW(0, L"BUTTON", texts::kSaveButtonCaption, WS_POPUP | BS_PUSHBUTTON, 0, 0,
                                        100, 30, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(button, nullptr);
    // Common Controls 5 does not know BCM_GETIDEALSIZE and answers 0.
    SIZE ideal{};
    EXPECT_TRUE(SendMessageW(button, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)));
    EXPECT_GT(ideal.cx, 0);
    EXPECT_GT(ideal.cy, 0);
    DestroyWindow(button);
}

}  // namespace
}  // namespace lumarind
