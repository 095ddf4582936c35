// Parts of Windows paths, taken apart as text: the path need not exist.
// Separators are '\' and '/'; "C:name" has the drive as its folder part.
#include <string>
#include <string_view>

#include "support/SupportFunctions.h"

namespace lumarind {
namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// Index where the name part starts.
std::size_t NameStart(std::wstring_view path) {
    std::size_t start = path.size();
    while (start != 0 && !IsSeparator(path[start - 1])) --start;
    if (start == 0 && path.size() >= 2 && path[1] == L':') start = 2;
    return start;
}

// "C:\" and "\" are folders themselves; the separator must stay.
bool IsRootPrefix(std::wstring_view folder) {
    if (folder.size() == 1) return IsSeparator(folder[0]);
    return folder.size() == 3 && folder[1] == L':' && IsSeparator(folder[2]);
}

}  // namespace

std::wstring tsGetFileName(std::wstring_view path) {
    return std::wstring(path.substr(NameStart(path)));
}

std::wstring tsGetFileExtension(std::wstring_view path) {
    const std::wstring_view name = path.substr(NameStart(path));
    const std::size_t dot = name.rfind(L'.');
    if (dot == std::wstring_view::npos) return {};
    return std::wstring(name.substr(dot + 1));
}

std::wstring tsGetFilePath(std::wstring_view path) {
    const std::size_t start = NameStart(path);
    std::wstring_view folder = path.substr(0, start);
    if (folder.size() == 2 && folder[1] == L':') return std::wstring(folder);
    if (!folder.empty() && !IsRootPrefix(folder)) folder.remove_suffix(1);
    // "\\server\share\" keeps no trailing separator but "\\" alone does.
    while (folder.size() > 1 && IsSeparator(folder.back()) && !IsRootPrefix(folder)) folder.remove_suffix(1);
    return std::wstring(folder);
}

}  // namespace lumarind
