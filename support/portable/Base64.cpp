#include <string>
#include <string_view>

#include "support/Error.h"
#include "support/SupportFunctions.h"
#include "support/portable/Base64Lines.h"

namespace lumarind {

std::wstring tsBase64Encode(std::string_view content, int lineForm) {
    if (lineForm != kBase64LineForm) {
        throw Error(errors::kInvalidArgument, L"Unsupported Base64 line form " + std::to_wstring(lineForm));
    }
    std::wstring text(base64::EncodedLength(content.size(), base64::Lines::kBroken), L'\0');
    base64::Encode(content.data(), content.size(), base64::Lines::kBroken, text.data());
    return text;
}

}  // namespace lumarind
