#pragma once

#include <memory>
#include <string>

#include "builder/TextBox.h"

namespace lumarind::testing {

class FakeTextBox : public TextBox {
public:
    std::wstring Text() const override { return text; }
    void SetText(const std::wstring& value) override { text = value; }
    const std::wstring& Tag() const override { return tag; }
    void SetTag(std::wstring value) override {
        tag = std::move(value);
        document.reset();
    }
    // As the window keeps it: a file's bytes stay bytes. The Tag shows it widened.
    void SetDocument(DocumentText text) override {
        tag = text.View().Widened();
        document = std::make_shared<DocumentText>(std::move(text));
    }
    TextView Document() const override {
        return document ? document->View() : TextView(std::wstring_view(tag));
    }

    std::wstring text;
    std::wstring tag;
    std::shared_ptr<DocumentText> document;
};

}  // namespace lumarind::testing
