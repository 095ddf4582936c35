// The one error type of the program: what a failing support call throws. It
// carries an error number (for Win32 failures the GetLastError code) and a
// description for the user, like the "current error" the handlers test.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace lumarind {

class Error : public std::exception {
public:
    Error(std::int32_t number, std::wstring description)
        : number_(number), description_(std::move(description)) {}

    std::int32_t number() const noexcept { return number_; }
    const std::wstring& description() const noexcept { return description_; }
    const char* what() const noexcept override { return "lumarind::Error"; }

private:
    std::int32_t number_;
    std::wstring description_;
};

// Numbers for failures that do not come from the operating system. They sit
// above the Win32 range so that the two never meet.
namespace errors {
inline constexpr std::int32_t kInvalidArgument = 0x20000001;
inline constexpr std::int32_t kOutOfMemory = 0x20000002;
inline constexpr std::int32_t kUnexpected = 0x20000003;
// Long work that the user stopped; never shown.
inline constexpr std::int32_t kCancelled = 0x20000004;
}  // namespace errors

}  // namespace lumarind

namespace lumarind {

// How an error is shown to the user: its number and description. The
// program's own numbers mean nothing to a user; their description says it all.
inline std::wstring ErrorText(const Error& error) {
    if (error.number() >= errors::kInvalidArgument) return error.description();
    return std::to_wstring(error.number()) + L": " + error.description();
}

// What a step that ran out of memory reports, wherever it happened.
inline Error OutOfMemoryError() {
    return Error(errors::kOutOfMemory, L"Not enough memory for this file.");
}

}  // namespace lumarind
