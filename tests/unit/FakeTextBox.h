#pragma once

#include <string>

#include "builder/TextBox.h"

namespace lumarind::testing {

class FakeTextBox : public TextBox {
public:
    std::wstring Text() const override { return text; }
    void SetText(const std::wstring& value) override { text = value; }
    const std::wstring& Tag() const override { return tag; }
    void SetTag(std::wstring value) override { tag = std::move(value); }

    std::wstring text;
    std::wstring tag;
};

}  // namespace lumarind::testing
