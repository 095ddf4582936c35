#include <string>
#include <string_view>

#include "codecs/Base64Lines.h"
#include "support/Error.h"
#include "support/SupportFunctions.h"

namespace lumarind {

void tsBase64EncodeAppend(std::wstring& text, std::string_view content, int lineForm) {
    if (lineForm != kBase64LineForm) {
        throw Error(errors::kInvalidArgument, L"Unsupported Base64 line form " + std::to_wstring(lineForm));
    }
    const std::size_t start = text.size();
    text.resize(start + base64::EncodedLength(content.size(), base64::Lines::kBroken));
    base64::Encode(content.data(), content.size(), base64::Lines::kBroken, text.data() + start);
}

std::wstring tsBase64Encode(std::string_view content, int lineForm) {
    std::wstring text;
    tsBase64EncodeAppend(text, content, lineForm);
    return text;
}

}  // namespace lumarind
