// The window at other DPIs: after WM_DPICHANGED, and when started at 192 DPI,
// the font and every control have the sizes the layout gives for that DPI,
// every caption fits its button, nothing overlaps, the window fits a small
// laptop's screen, and the About box's icon and texts fit.
#include <gtest/gtest.h>

#include <windows.h>
#include <windowsx.h>

#include <optional>
#include <string>
#include <vector>

#include "app/win32/ControlIds.h"
#include "app/win32/Layout.h"
#include "app/win32/WindowFont.h"
#include "common/UserTexts.h"
#include "resources/ResourceIds.h"
#include "support/win32/WindowDpi.h"
#include "tests/gui/Driver.h"
#include "tests/win32/ScratchFolder.h"

namespace lumarind::gui {
namespace {

struct DesignedControl {
    int id;
    layout::TwipsRect place;
    const wchar_t* caption;  // buttons only
};

const DesignedControl kDesign[] = {
    {ids::txtData, layout::txtData, nullptr},
    {ids::cmdOpenFile, layout::cmdOpenFile, texts::kOpenButtonCaption},
    {ids::hsMain0, layout::hsMain0, nullptr},
    {ids::cmdCopyText0, layout::cmdCopyText0, texts::kCopyButtonCaption},
    {ids::cmdCopyText1, layout::cmdCopyText1, texts::kOneLineButtonCaption},
    {ids::hsMain1, layout::hsMain1, nullptr},
    {ids::cmdSaveFile, layout::cmdSaveFile, texts::kSaveButtonCaption},
};

// Room a caption leaves on each side of a button at 96 DPI: the 3-D edge
// and the gap to the focus rectangle.
constexpr int kCaptionMargin = 4;

constexpr int kSmallScreenWidth = 1366;
constexpr int kSmallScreenHeight = 768;

int Scaled(int pixelsAt96, int dpi) { return MulDiv(pixelsAt96, dpi, win32::kDefaultDpi); }

SIZE ClientSizeAt(int dpi) {
    return {layout::TwipsToPixels(layout::kClientWidth, dpi), layout::TwipsToPixels(layout::kClientHeight, dpi)};
}

RECT PixelsAt(const layout::TwipsRect& place, int dpi) {
    const int left = layout::TwipsToPixels(place.left, dpi);
    const int top = layout::TwipsToPixels(place.top, dpi);
    return {left, top, left + layout::TwipsToPixels(place.width, dpi), top + layout::TwipsToPixels(place.height, dpi)};
}

RECT PlaceInParent(HWND control) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::string Describe(const RECT& rect) {
    return "(" + std::to_string(rect.left) + ", " + std::to_string(rect.top) + ") - (" + std::to_string(rect.right) +
           ", " + std::to_string(rect.bottom) + ")";
}

// Measures text in the window's font for a DPI, as the program draws it.
class TextMeasure {
public:
    explicit TextMeasure(int dpi) : dc_(CreateCompatibleDC(nullptr)), font_(win32::CreateWindowFont(dpi)) {
        previous_ = SelectObject(dc_, font_.get());
    }
    TextMeasure(const TextMeasure&) = delete;
    TextMeasure& operator=(const TextMeasure&) = delete;
    ~TextMeasure() {
        SelectObject(dc_, previous_);
        DeleteDC(dc_);
    }

    SIZE Extent(const std::wstring& text) const {
        SIZE size{};
        GetTextExtentPoint32W(dc_, text.c_str(), static_cast<int>(text.size()), &size);
        return size;
    }
    TEXTMETRICW Metrics() const {
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc_, &metrics);
        return metrics;
    }
    // The height the text takes wrapped at this width, as a static control wraps it.
    int WrappedHeight(const std::wstring& text, int width) const {
        RECT rect{0, 0, width, 0};
        DrawTextW(dc_, text.c_str(), -1, &rect, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
        return rect.bottom;
    }

private:
    HDC dc_;
    win32::UniqueGdiObject font_;
    HGDIOBJ previous_ = nullptr;
};

void ExpectLaidOutFor(const RunningProgram& program, int dpi) {
    SCOPED_TRACE(::testing::Message() << dpi << " DPI");
    RECT client{};
    GetClientRect(program.window(), &client);
    EXPECT_EQ(client.right, ClientSizeAt(dpi).cx);
    EXPECT_EQ(client.bottom, ClientSizeAt(dpi).cy);

    const TextMeasure measure(dpi);
    std::vector<RECT> placed;
    for (const DesignedControl& design : kDesign) {
        const RECT rect = PlaceInParent(program.Control(design.id));
        const RECT expected = PixelsAt(design.place, dpi);
        EXPECT_TRUE(EqualRect(&rect, &expected)) << design.id << ": " << Describe(rect) << " instead of "
                                                 << Describe(expected);
        for (const RECT& other : placed) {
            RECT overlap;
            EXPECT_FALSE(IntersectRect(&overlap, &rect, &other)) << design.id << " overlaps " << Describe(other);
        }
        placed.push_back(rect);
        if (design.caption != nullptr) {
            const SIZE text = measure.Extent(design.caption);
            EXPECT_LE(text.cx + 2 * Scaled(kCaptionMargin, dpi), rect.right - rect.left) << design.id;
            EXPECT_LE(text.cy + 2 * Scaled(kCaptionMargin, dpi), rect.bottom - rect.top) << design.id;
        }
    }

    // The text box shows its lines in the window's font for this DPI: its
    // line height and the advance of "data:".
    const TEXTMETRICW metrics = measure.Metrics();
    const HWND textBox = program.Control(ids::txtData);
    const auto position = [&](WPARAM index) { return static_cast<DWORD>(SendMessageW(textBox, EM_POSFROMCHAR, index, 0)); };
    const DWORD start = position(0);
    const DWORD afterScheme = position(5);
    const DWORD secondLine = position(static_cast<WPARAM>(SendMessageW(textBox, EM_LINEINDEX, 1, 0)));
    EXPECT_EQ(GET_Y_LPARAM(secondLine) - GET_Y_LPARAM(start), metrics.tmHeight);
    EXPECT_EQ(GET_X_LPARAM(afterScheme) - GET_X_LPARAM(start), measure.Extent(L"data:").cx);
}

void ExpectAboutBoxFits(HWND about, int dpi) {
    SCOPED_TRACE(::testing::Message() << "About box at " << dpi << " DPI");
    RECT client{};
    GetClientRect(about, &client);
    const RECT icon = PlaceInParent(GetDlgItem(about, IDC_ABOUT_ICON));
    const int iconSize = win32::SystemMetricForDpi(SM_CXICON, dpi);
    EXPECT_EQ(icon.right - icon.left, iconSize);
    EXPECT_EQ(icon.bottom - icon.top, iconSize);

    const TextMeasure measure(dpi);
    for (const int id : {IDC_ABOUT_TITLE, IDC_ABOUT_VERSION, IDC_ABOUT_DESCRIPTION, IDC_ABOUT_COPYRIGHT,
                         IDC_ABOUT_TRADEMARKS, IDC_ABOUT_DEDICATION, IDC_ABOUT_EXTRA, IDOK}) {
        const HWND control = GetDlgItem(about, id);
        const RECT rect = PlaceInParent(control);
        RECT inside;
        EXPECT_TRUE(IntersectRect(&inside, &rect, &client) && EqualRect(&inside, &rect)) << id << " leaves the box";
        RECT overlap;
        EXPECT_FALSE(IntersectRect(&overlap, &rect, &icon)) << id << " overlaps the icon";
        const std::wstring text = WindowText(control);
        EXPECT_LE(measure.WrappedHeight(text, rect.right - rect.left), rect.bottom - rect.top) << id;
        if (id == IDOK) {
            EXPECT_LE(measure.Extent(text).cx + 2 * Scaled(kCaptionMargin, dpi), rect.right - rect.left);
        }
    }
}

// Wine takes the DPI a program starts with from the prefix's LogPixels; the
// old value comes back as soon as the program has started.
class StartingDpi {
public:
    explicit StartingDpi(DWORD dpi) {
        RegCreateKeyExW(HKEY_CURRENT_USER, kDesktopKey, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr,
                        key_.put(), nullptr);
        DWORD value = 0;
        DWORD size = sizeof value;
        if (RegQueryValueExW(key_.get(), kLogPixels, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size) ==
            ERROR_SUCCESS) {
            previous_ = value;
        }
        RegSetValueExW(key_.get(), kLogPixels, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);
    }
    StartingDpi(const StartingDpi&) = delete;
    StartingDpi& operator=(const StartingDpi&) = delete;
    ~StartingDpi() {
        if (previous_) {
            RegSetValueExW(key_.get(), kLogPixels, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&*previous_),
                           sizeof *previous_);
        } else {
            RegDeleteValueW(key_.get(), kLogPixels);
        }
    }

private:
    static constexpr wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
    static constexpr wchar_t kLogPixels[] = L"LogPixels";
    win32::UniqueKey key_;
    std::optional<DWORD> previous_;
};

class DpiTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSettings();
        // Three lines of Base64: the text box's line height shows.
        testing::WriteBytes(sample, std::string(150, 'x'));
    }
    void TearDown() override { ResetSettings(); }

    testing::ScratchFolder folder;
    const std::wstring sample = folder / L"sample.bin";
};

TEST_F(DpiTest, OnADpiChangeTheFontAndEveryControlFollowAndTheWindowTakesTheSuggestedPlace) {
    RunningProgram program({sample});
    ASSERT_TRUE(program.WaitForCaption(L"Lumarind - [sample.bin]"));
    ExpectLaidOutFor(program, win32::kDefaultDpi);

    const DWORD style = static_cast<DWORD>(GetWindowLongW(program.window(), GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(GetWindowLongW(program.window(), GWL_EXSTYLE));
    for (const int dpi : {144, 192, 120, 96}) {
        // As Windows suggests it: somewhere else, the designed client area in
        // the frame the window has.
        RECT frame{}, client{};
        GetWindowRect(program.window(), &frame);
        GetClientRect(program.window(), &client);
        const SIZE size = ClientSizeAt(dpi);
        const int left = frame.left + 10;
        const int top = frame.top + 10;
        const RECT suggested{left, top, left + size.cx + (frame.right - frame.left - client.right),
                             top + size.cy + (frame.bottom - frame.top - client.bottom)};
        program.SendDpiChanged(dpi, suggested);
        RECT placed{};
        GetWindowRect(program.window(), &placed);
        EXPECT_TRUE(EqualRect(&placed, &suggested)) << Describe(placed) << " instead of " << Describe(suggested);
        ExpectLaidOutFor(program, dpi);
        if (dpi == 144) {
            const SIZE outer = win32::FrameSizeForClient(size, style, exStyle, dpi);
            EXPECT_LE(outer.cx, kSmallScreenWidth);
            EXPECT_LE(outer.cy, kSmallScreenHeight);
        }
    }

    // A message without its rectangle, from anyone, changes nothing.
    DWORD_PTR result = 0;
    SendMessageTimeoutW(program.window(), WM_DPICHANGED, MAKEWPARAM(144, 144), 0, SMTO_ABORTIFHUNG, kDeadlineMs,
                        &result);
    ExpectLaidOutFor(program, win32::kDefaultDpi);
}

TEST_F(DpiTest, StartedAt192DpiTheWindowAndTheAboutBoxFit) {
    constexpr int kDpi = 192;
    std::optional<RunningProgram> program;
    {
        const StartingDpi highDpi(kDpi);
        program.emplace(std::vector<std::wstring>{sample});
    }
    ASSERT_TRUE(program->WaitForCaption(L"Lumarind - [sample.bin]"));
    ExpectLaidOutFor(*program, kDpi);

    program->Activate();
    PressKey(VK_F1, {VK_SHIFT});
    const HWND about = program->WaitForDialogWithButton(IDOK);
    ASSERT_NE(about, nullptr);
    ExpectAboutBoxFits(about, kDpi);
    Click(GetDlgItem(about, IDOK));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about); }));
}

}  // namespace
}  // namespace lumarind::gui
