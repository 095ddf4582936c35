#include <string>

#include "support/SupportFunctions.h"

namespace lumarind {

void tsTrimCRLFFrom(std::wstring& text, std::size_t from) {
    const auto isBreak = [](wchar_t c) { return c == L'\r' || c == L'\n'; };
    std::size_t end = text.size();
    while (end > from && isBreak(text[end - 1])) --end;
    std::size_t begin = from;
    while (begin != end && isBreak(text[begin])) ++begin;
    text.erase(end);
    text.erase(from, begin - from);
}

std::wstring tsTrimCRLF(std::wstring text) {
    tsTrimCRLFFrom(text, 0);
    return text;
}

}  // namespace lumarind
