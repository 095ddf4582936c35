#pragma once

#include "support/ComponentObjects.h"

namespace lumarind::win32 {

class ErrorBoxWin32 : public ErrorBox {
public:
    explicit ErrorBoxWin32(std::wstring title) : title_(std::move(title)) {}
    int ShowError(const Error& error, int style, int, const std::wstring& message, bool) override;

    // The box's text: the message, a blank line, the error's number and text.
    static std::wstring Compose(const Error& error, const std::wstring& message);

private:
    std::wstring title_;
};

}  // namespace lumarind::win32
