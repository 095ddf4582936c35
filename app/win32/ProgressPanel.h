// What the window shows while long work runs: what it is doing, how far it
// has come, and a button that stops it. Below the button column, hidden
// until the work has lasted long enough to be worth showing.
#pragma once

#include <windows.h>

namespace lumarind::win32 {

class ProgressPanel {
public:
    // Its controls, hidden, as children of the window; they go with it.
    void Create(HWND window);
    void LayOut(int dpi, HFONT font);
    // Shows the text (with the percentage) and the bar at done of kWhole.
    void Show(const wchar_t* text, int done, int whole);
    void Hide();
    bool Shown() const { return shown_; }

private:
    HWND label_ = nullptr;
    HWND bar_ = nullptr;
    HWND cancel_ = nullptr;
    bool shown_ = false;
    int lastDone_ = -1;
};

}  // namespace lumarind::win32
