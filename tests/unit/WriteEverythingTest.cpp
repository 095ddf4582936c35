#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/portable/WriteEverything.h"

namespace lumarind {
namespace {

Error NothingWritten() { return Error(5, L"nothing written"); }

TEST(WriteEverything, HandsOverEveryByteInPiecesNoLargerThanAllowed) {
    // A writer that takes at most 3 units at a time, as a pipe may.
    std::vector<std::size_t> asked;
    std::string written;
    WriteEverything(std::string_view("abcdefghij"), 4,
                    [&](const char* data, std::size_t count) {
                        asked.push_back(count);
                        const std::size_t taken = count < 3 ? count : 3;
                        written.append(data, taken);
                        return taken;
                    },
                    NothingWritten);
    EXPECT_EQ(written, "abcdefghij");
    EXPECT_EQ(asked, (std::vector<std::size_t>{4, 4, 4, 1}));
}

TEST(WriteEverything, AWriterThatTakesNothingIsAnErrorNotAnEndlessLoop) {
    int calls = 0;
    const auto takesNothing = [&](const wchar_t*, std::size_t) {
        ++calls;
        return std::size_t{0};
    };
    try {
        WriteEverything(std::wstring_view(L"text"), 16, takesNothing, NothingWritten);
        ADD_FAILURE() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), 5);
    }
    EXPECT_EQ(calls, 1);
    // Nothing to write asks nothing.
    WriteEverything(std::wstring_view(), 16, takesNothing, NothingWritten);
    EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace lumarind
