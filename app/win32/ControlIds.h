// Names the outside world uses to find the main window and its controls: the
// window itself and the GUI tests that drive it.
#pragma once

namespace lumarind::ids {

inline constexpr wchar_t kMainWindowClass[] = L"LumarindMainWindow";
inline constexpr wchar_t kSeparatorClass[] = L"LumarindSeparatorLine";

// Kept clear of IDOK and IDCANCEL, which IsDialogMessage sends for Enter and Esc.
inline constexpr int txtData = 100;
inline constexpr int cmdOpenFile = 101;
inline constexpr int cmdCopyText0 = 102;
inline constexpr int cmdCopyText1 = 103;
inline constexpr int cmdSaveFile = 104;
inline constexpr int hsMain0 = 105;
inline constexpr int hsMain1 = 106;
// Shown only while long work runs.
inline constexpr int lblProgress = 107;
inline constexpr int prgProgress = 108;
inline constexpr int cmdCancelWork = 109;

}  // namespace lumarind::ids
