#pragma once

#include "support/ComponentObjects.h"

namespace lumarind::win32 {

// Unicode text on the clipboard. Another program may hold the clipboard open
// for a moment; opening it is retried for about half a second.
class ClipboardTextWin32 : public ClipboardText {
public:
    void Clear(std::int32_t&) override;
    void SetText(std::wstring_view text, std::int32_t&, TextForm form = TextForm::kAsIs) override;
    // An ASCII document is widened straight into the clipboard's memory.
    void SetDocument(TextView text, std::int32_t&, TextForm form) override;
};

}  // namespace lumarind::win32
