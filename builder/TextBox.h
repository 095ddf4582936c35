// What the builder needs of the text box txtData: its shown text and its Tag,
// which holds the window's only document, the current data URL.
#pragma once

#include <string>
#include <string_view>

#include "support/DocumentText.h"

namespace lumarind {

class TextBox {
public:
    virtual ~TextBox() = default;
    virtual std::wstring Text() const = 0;
    virtual void SetText(const std::wstring& text) = 0;
    virtual const std::wstring& Tag() const = 0;
    virtual void SetTag(std::wstring text) = 0;
    // The document in its narrowest form. These defaults keep it in the Tag,
    // widened, for a box that holds 16-bit text only.
    virtual void SetDocument(DocumentText text) { SetTag(text.View().Widened()); }
    virtual TextView Document() const { return TextView(std::wstring_view(Tag())); }
};

}  // namespace lumarind
