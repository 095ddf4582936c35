// What the builder needs of the text box txtData: its shown text and its Tag,
// which holds the window's only document, the current data URL.
#pragma once

#include <string>

namespace lumarind {

class TextBox {
public:
    virtual ~TextBox() = default;
    virtual std::wstring Text() const = 0;
    virtual void SetText(const std::wstring& text) = 0;
    virtual const std::wstring& Tag() const = 0;
    virtual void SetTag(std::wstring text) = 0;
};

}  // namespace lumarind
