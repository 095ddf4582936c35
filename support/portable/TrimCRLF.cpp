#include <string>

#include "support/SupportFunctions.h"

namespace lumarind {

std::wstring tsTrimCRLF(std::wstring text) {
    const auto isBreak = [](wchar_t c) { return c == L'\r' || c == L'\n'; };
    std::size_t end = text.size();
    while (end != 0 && isBreak(text[end - 1])) --end;
    std::size_t begin = 0;
    while (begin != end && isBreak(text[begin])) ++begin;
    text.erase(end);
    text.erase(0, begin);
    return text;
}

}  // namespace lumarind
