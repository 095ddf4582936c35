// The window's layout in twips, exactly as designed, and the one place where
// twips become pixels, at the DPI of the monitor the window is on.
#pragma once

namespace lumarind::layout {

struct TwipsRect {
    int left;
    int top;
    int width;
    int height;
};

inline constexpr int kClientWidth = 10875;
inline constexpr int kClientHeight = 4755;

inline constexpr TwipsRect txtData{120, 120, 8055, 4515};
inline constexpr TwipsRect cmdOpenFile{8280, 120, 2475, 495};
inline constexpr TwipsRect hsMain0{8280, 720, 2475, 30};
inline constexpr TwipsRect cmdCopyText0{8280, 840, 2475, 495};
inline constexpr TwipsRect cmdCopyText1{8280, 1440, 2475, 495};
inline constexpr TwipsRect hsMain1{8280, 2040, 2475, 30};
inline constexpr TwipsRect cmdSaveFile{8280, 2160, 2475, 495};
// Below the column, while long work runs: what it does, how far, and Cancel.
inline constexpr TwipsRect lblProgress{8280, 2880, 2475, 255};
inline constexpr TwipsRect prgProgress{8280, 3180, 2475, 240};
inline constexpr TwipsRect cmdCancelWork{8280, 3540, 2475, 495};

inline constexpr int kTwipsPerInch = 1440;
inline constexpr int kFontPoints = 9;
inline constexpr int kFontWeight = 400;
inline constexpr int kCyrillicCharset = 204;
inline constexpr wchar_t kFontFace[] = L"Tahoma";
inline constexpr unsigned kTimerIntervalMs = 1;
// Long work shows its progress once it has lasted this long, then updates it
// this often.
inline constexpr unsigned kProgressDelayMs = 330;
inline constexpr unsigned kProgressIntervalMs = 100;

inline int TwipsToPixels(int twips, int dotsPerInch) {
    return (twips * dotsPerInch + kTwipsPerInch / 2) / kTwipsPerInch;
}

// The font's character height in pixels (a point is 1/72 inch).
inline int FontPixelHeight(int dotsPerInch) { return (kFontPoints * dotsPerInch + 36) / 72; }

}  // namespace lumarind::layout
