#include <gtest/gtest.h>

#include "support/SupportFunctions.h"

namespace lumarind {
namespace {

TEST(TrimCRLF, RemovesEveryBreakAtBothEndsAndNothingInside) {
    const struct { const wchar_t* in; const wchar_t* out; } cases[] = {
        {L"", L""},
        {L"\r\n", L""},
        {L"\n\r\r\n", L""},
        {L"abc", L"abc"},
        {L"\r\nabc\r\n", L"abc"},
        {L"\n\nab\r\ncd\n\r", L"ab\r\ncd"},
        {L"\rab\ncd\r", L"ab\ncd"},
        {L" ab \r\n", L" ab "},
    };
    for (const auto& c : cases) EXPECT_EQ(tsTrimCRLF(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace lumarind
